// The reference engine's map data: polygon layers (world countries, U.S. states and
// counties), places, ZIP codes, telephone prefixes and interstate lines, read from
// the files that tools/engine-data generates. Every reader checks every length and
// offset against the bytes it was given: a damaged file yields an error text and an
// empty layer, never a crash.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/canvas.h"

namespace k9::engine {

struct Box {
  double west = 0;
  double south = 0;
  double east = 0;
  double north = 0;
  bool Intersects(const Box& o) const {
    return west <= o.east && o.west <= east && south <= o.north && o.south <= north;
  }
};

// Coordinates are longitude/latitude in degrees, stored as floats.
struct GeoPoint {
  float x = 0;
  float y = 0;
};
using GeoRing = std::vector<GeoPoint>;

// Shapes are kept at several degrees of simplification; level 0 is the full shape.
inline constexpr int kLevels = 3;

struct Feature {
  std::string name;
  std::string code;  // state abbreviation (states, counties) or country number
  Box box;
  std::array<std::vector<GeoRing>, kLevels> levels;
};

struct PolygonLayer {
  std::vector<Feature> features;
  // Tolerance in degrees of each simplification level, finest first.
  std::array<double, kLevels> tolerance{0, 0, 0};
  // Coarse grid over the features' boxes, so a view visits only what it may show.
  double cell = 5.0;
  std::unordered_map<std::int64_t, std::vector<std::uint32_t>> grid;
  Box bounds;  // of every feature's box; meaningful only when features is not empty

  void BuildIndex();
  // Indices of the features whose box meets `view`, each once, in layer order.
  std::vector<std::uint32_t> Query(const Box& view) const;
  // The finest level whose tolerance is coarse enough for `degrees_per_pixel`.
  int LevelFor(double degrees_per_pixel) const;
};

struct Place {
  std::string name;  // upper case
  std::string state;
  std::string county;
  double x = 0;
  double y = 0;
  int rank = 0;  // number of ZIP codes: larger is more important
};

// A populated place of the gazetteer (GeoNames): drawn on the map, ranked by its
// people, and found by "City, ST" or "City, Country".
struct City {
  std::string name;     // as written, Windows-1252
  std::string upper;    // upper case, for searching
  std::string country;  // two-letter code
  std::string state;    // two-letter code in the U.S., else ""
  double x = 0;
  double y = 0;
  std::int64_t population = 0;
};

struct ZipCode {
  std::string zip;
  std::uint32_t place = 0;
  double x = 0;
  double y = 0;
};

struct PhoneArea {
  std::vector<std::uint32_t> places;         // place indices
  std::array<std::uint8_t, 800> exchange{};  // exchange 200..999 -> index into places, 255 none
};

struct Road {
  std::string name;
  std::vector<GeoPoint> points;
  Box box;
};

// Parsers over file bytes. Each returns false with *error set when the bytes are
// not a valid file of its kind; the output is then left empty.
bool ParsePolygonLayer(std::string_view bytes, PolygonLayer* layer, std::string* error);
bool ParsePlaces(std::string_view text, std::vector<Place>* places, std::string* error);
bool ParseZips(std::string_view text, std::size_t place_count, std::vector<ZipCode>* zips,
               std::string* error);
bool ParsePhone(std::string_view bytes, std::size_t place_count,
                std::unordered_map<int, PhoneArea>* areas, std::string* error);
bool ParseRoads(std::string_view text, std::vector<Road>* roads, std::string* error);
// Cities most people first; `countries` maps a two-letter code to the country's name.
bool ParseCities(std::string_view text, std::vector<City>* cities,
                 std::unordered_map<std::string, std::string>* countries, std::string* error);

// Water in bands of detail, coarsest first: band b serves views of at least
// kWaterBandFrom[b] degrees per pixel (and less than the band before it). Features
// of code "W" are tiles of closed rings whose box is the tile; "R1".."R3" are rivers.
inline constexpr int kWaterBands = 4;
inline constexpr double kWaterBandFrom[kWaterBands] = {0.12, 0.03, 0.006, 0};

struct MapData {
  PolygonLayer world;
  PolygonLayer states;
  PolygonLayer counties;
  std::vector<Place> places;  // most important first
  std::vector<ZipCode> zips;  // in ZIP order
  std::unordered_map<int, PhoneArea> phone;
  std::vector<Road> roads;
  // Borders drawn once each: arcs two features share, "N" countries, "S" states,
  // "C" counties (those that are no state border).
  PolygonLayer world_borders;
  PolygonLayer us_borders;
  std::array<PolygonLayer, kWaterBands> water;
  std::vector<City> cities;  // most people first
  std::unordered_map<std::string, std::string> countries;
  std::vector<std::string> errors;  // one line per file that could not be used
};

// File names the engine looks for in its data folders.
inline constexpr const char* kWorldFile = "world.k9m";
inline constexpr const char* kStatesFile = "states.k9m";
inline constexpr const char* kCountiesFile = "counties.k9m";
inline constexpr const char* kPlacesFile = "places.txt";
inline constexpr const char* kZipsFile = "zips.txt";
inline constexpr const char* kPhoneFile = "phone.k9p";
inline constexpr const char* kRoadsFile = "interstates.txt";
inline constexpr const char* kWorldBordersFile = "world-borders.k9m";
inline constexpr const char* kUsBordersFile = "us-borders.k9m";
inline constexpr const char* kCitiesFile = "cities.txt";
inline constexpr const char* kWaterFiles[kWaterBands] = {"water0.k9m", "water1.k9m", "water2.k9m",
                                                         "water3.k9m"};

}  // namespace k9::engine
