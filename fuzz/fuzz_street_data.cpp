// Street data sets as bytes (every table, every tile) and address queries over one.
#include <cstddef>
#include <cstdint>
#include <string>

#include "streets/street_data.h"
#include "streets/street_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string error;
  if (auto set = k9::streets::DataSet::FromBytes(bytes, &error)) {
    set->ReadAllTiles(&error);
    std::size_t points = 0;
    set->Visit({-180, -90, 180, 90}, k9::streets::RoadClass::kPath,
               [&](const k9::streets::Street& s) { points += s.points.size(); });
    for (const auto& a : set->addresses()) points += set->String(a.number).size();
  }
  // The same bytes read as an address query.
  k9::streets::StreetQuery query;
  if (k9::streets::ParseStreetQuery(bytes, &query)) {
    (void)k9::streets::StreetKey(query.street);
    (void)k9::streets::AbbreviatedName(query.street);
  }
  return 0;
}
