// The reference engine's readers of outside bytes: overlays (.OVR, .CAD), underlay
// companions, map layers, phone prefixes, places, ZIP codes, interstates and cities. The
// first byte picks the reader.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/map_data.h"
#include "engine/overlay.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace k9::engine;
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string error;
  switch (data[0] % 6) {
    case 0: {
      Overlay o;
      ParseOverlay(bytes, "OVR", &o, &error);
      break;
    }
    case 1: {
      Overlay o;
      ParseOverlay(bytes, "CAD", &o, &error);
      break;
    }
    case 2: {
      Underlay u;
      ParseCompanion(bytes, &u, &error);
      break;
    }
    case 3: {
      PolygonLayer layer;
      if (ParsePolygonLayer(bytes, &layer, &error)) layer.Query({-180, -90, 180, 90});
      break;
    }
    case 4: {
      std::unordered_map<int, PhoneArea> areas;
      ParsePhone(bytes, 1000, &areas, &error);
      break;
    }
    default: {
      std::vector<Place> places;
      ParsePlaces(bytes, &places, &error);
      std::vector<ZipCode> zips;
      ParseZips(bytes, places.size(), &zips, &error);
      std::vector<Road> roads;
      ParseRoads(bytes, &roads, &error);
      std::vector<City> cities;
      std::unordered_map<std::string, std::string> countries;
      ParseCities(bytes, &cities, &countries, &error);
      break;
    }
  }
  return 0;
}
