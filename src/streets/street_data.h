// One imported area on disk: a compact binary data set ("NAME.k9s" in the store
// folder) with the area's streets in tiles, so a paint reads only the tiles it
// shows, and its addresses, interpolation ways and street names for the search.
// The layout is described in docs/overlay-formats.md ("Street data sets").
//
// Every reader checks every count, length, offset and string index against the
// bytes it was given, and each section and tile carries a CRC-32: damaged bytes
// give an error text, never a crash.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "streets/street_layer.h"

namespace k9::streets {

inline constexpr char kDataSetExtension[] = ".k9s";
inline constexpr std::uint32_t kNoString = 0xFFFFFFFF;

// An address object: a node, or the centre of a building way.
struct AddressPoint {
  std::uint32_t street = kNoString;  // string indices into DataSet::strings
  std::uint32_t number = kNoString;
  std::uint32_t city = kNoString;
  std::uint32_t zip = kNoString;
  std::uint32_t state = kNoString;
  GeoPoint pos;
};

enum class Interpolation : std::uint8_t { kAll, kOdd, kEven };

// An addr:interpolation way: numbers run from its first point to its last.
struct InterpolationWay {
  std::uint32_t street = kNoString;
  std::uint32_t city = kNoString;
  std::uint32_t zip = kNoString;
  std::uint32_t state = kNoString;
  Interpolation kind = Interpolation::kAll;
  std::uint32_t first_number = 0;
  std::uint32_t last_number = 0;
  std::vector<GeoPoint> points;
};

// A named street as the search answers it without a house number: one entry per
// stretch of ways of that name, at a point on its middle.
struct NamedStreet {
  std::uint32_t name = kNoString;
  GeoPoint middle;
  Box box;
};

// What an import makes, and what the writer turns into bytes.
struct DataSetContents {
  StreetArea area;
  std::int64_t created = 0;  // seconds since 1970, UTC
  std::vector<std::string> strings;
  std::vector<Street> streets;
  std::vector<AddressPoint> addresses;
  std::vector<InterpolationWay> interpolations;
  std::vector<NamedStreet> named_streets;
};

// The data set's bytes, in pieces so a large one is written without a second copy.
class DataSetEncoder {
 public:
  explicit DataSetEncoder(const DataSetContents& contents);
  // Calls `write` with each piece in order; stops at the first false.
  bool Write(const std::function<bool(std::string_view)>& write) const;
  std::uint64_t size() const;

 private:
  std::string header_;
  std::vector<std::string> sections_;
};

std::string EncodeDataSet(const DataSetContents& contents);

// A data set opened for use: addresses and names read whole, streets read by tile
// when a view first asks for them (from `path`, or from the bytes given).
class DataSet {
 public:
  // Reads `path`; nullptr with *error (one sentence part, no full stop) when the
  // file is missing or damaged.
  static std::shared_ptr<DataSet> Open(const std::string& path, std::string* error);
  // The same over bytes in memory (tests, fuzzing).
  static std::shared_ptr<DataSet> FromBytes(std::string bytes, std::string* error);

  const StreetArea& area() const { return area_; }
  std::int64_t created() const { return created_; }
  const std::vector<std::string>& strings() const { return strings_; }
  const std::string& String(std::uint32_t index) const;
  const std::vector<AddressPoint>& addresses() const { return addresses_; }
  const std::vector<InterpolationWay>& interpolations() const { return interpolations_; }
  const std::vector<NamedStreet>& named_streets() const { return named_streets_; }
  std::size_t tile_count() const { return tiles_.size(); }

  // The streets of every tile that meets `view` with a class `least` or more
  // important. A tile that cannot be read (the file was replaced or damaged since
  // it was opened) is skipped and counted in damaged_tiles().
  void Visit(const Box& view, RoadClass least,
             const std::function<void(const Street&)>& visit) const;
  std::size_t damaged_tiles() const;
  // Decodes every tile now; false with *error at the first that is damaged.
  bool ReadAllTiles(std::string* error) const;

 private:
  struct Tile {
    std::uint8_t most = 0;  // the most important class in the tile
    Box box;                // of its streets
    std::uint64_t offset = 0;
    std::uint32_t length = 0;
    std::uint32_t crc = 0;
  };
  DataSet() = default;
  bool Parse(std::string_view bytes, std::uint64_t file_size, std::string* error);
  const std::vector<Street>* TileStreets(std::size_t index) const;

  std::string path_;            // "" when the tiles are in bytes_
  std::string bytes_;           // the whole data set, for FromBytes
  std::string identity_;        // the header's first bytes: a replaced file differs
  std::uint64_t tiles_at_ = 0;  // file offset of the tile section
  StreetArea area_;
  std::int64_t created_ = 0;
  std::vector<std::string> strings_;
  std::vector<Tile> tiles_;
  std::vector<AddressPoint> addresses_;
  std::vector<InterpolationWay> interpolations_;
  std::vector<NamedStreet> named_streets_;

  mutable std::mutex mutex_;
  mutable std::unordered_map<std::size_t, std::unique_ptr<std::vector<Street>>> decoded_;
  mutable std::size_t damaged_ = 0;
};

// Streets of several data sets as one layer, in the order given.
class DataSetLayer : public StreetLayer {
 public:
  explicit DataSetLayer(std::vector<std::shared_ptr<const DataSet>> sets);
  const std::vector<StreetArea>& Areas() const override { return areas_; }
  void Visit(const Box& view, RoadClass least,
             const std::function<void(const Street&)>& visit) const override;

 private:
  std::vector<std::shared_ptr<const DataSet>> sets_;
  std::vector<StreetArea> areas_;
};

// The box and creation time from a data set's header, without reading the rest.
bool ReadDataSetHeader(const std::string& path, Box* box, std::int64_t* created);

// UTF-8 (as OpenStreetMap writes names) to Windows-1252, "?" for what it cannot show.
std::string Utf8ToWindows1252(std::string_view utf8);

}  // namespace k9::streets
