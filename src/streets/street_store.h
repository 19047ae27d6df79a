// The street store as the engine uses it: every data set of the store folder,
// opened, drawn as one layer and searched by street address. Refresh() notices an
// import or removal by another process (k9-engine-import) cheaply, by the names,
// sizes and times of the folder's data sets, and reopens what changed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "streets/street_data.h"

namespace k9::streets {

// Street names as compared: upper case, words of type and direction abbreviated
// ("East Fleet Street" and "E FLEET ST" are both "E FLEET ST").
std::string StreetKey(std::string_view name);
// The key without a leading or trailing direction ("FLEET ST").
std::string StreetKeyWithoutDirection(const std::string& key);
// The name as a match shows it: type and direction words abbreviated ("E Fleet St").
std::string AbbreviatedName(std::string_view name);

// What the engine knows about a position when an address lacks its place or ZIP.
struct PlaceFill {
  std::string place;  // upper case
  std::string state;
  std::string zip;
  std::string county;
};
using PlaceFiller = std::function<PlaceFill(GeoPoint)>;

struct StreetQuery {
  std::string number;        // house number as typed, or ""
  std::string street;        // the street as typed
  std::string place;         // upper case, or ""
  std::string state;         // upper case, or ""
  std::string zip;           // or ""
  bool place_given = false;  // the query named a place, state or ZIP besides the street
};
// The street part of an address query, if it has one ("1407 Fleet Street,
// Baltimore, MD"); a query of one part without a number ("Fleet Street") is read
// as a street too, the caller answering places of that name first.
bool ParseStreetQuery(std::string_view text, StreetQuery* query);

class StreetStore {
 public:
  explicit StreetStore(std::string folder);
  const std::string& folder() const { return folder_; }

  // Reopens the data sets when the folder's changed since the last call (or on
  // the first); true when it did. Cheap when nothing changed.
  bool Refresh();
  // nullptr while no data set is open.
  const StreetLayer* layer() const { return layer_.get(); }
  const std::vector<std::shared_ptr<const DataSet>>& sets() const { return sets_; }
  // One line per data set that could not be opened.
  const std::vector<std::string>& errors() const { return errors_; }

  // Records of the address search (field 0 street, 1 place, 2 house number,
  // 3 state, 4 ZIP, 5 county, 6 "longitude,latitude"): an exact house number, else
  // one interpolated on an interpolation way or between two known numbers of the
  // same street and side, else the street itself at its middle.
  std::vector<std::string> Find(const StreetQuery& query, const PlaceFiller& fill,
                                std::size_t limit) const;

 private:
  struct Entry {
    std::vector<std::uint32_t> addresses, interpolations, names;
  };
  struct SetIndex {
    std::unordered_map<std::string, Entry> by_key;
    std::unordered_map<std::string, std::vector<std::string>> by_stripped;
  };
  void Index();
  std::string folder_;
  std::string signature_;
  bool looked_ = false;
  std::vector<std::shared_ptr<const DataSet>> sets_;
  std::vector<SetIndex> indices_;
  std::unique_ptr<DataSetLayer> layer_;
  std::vector<std::string> errors_;
};

}  // namespace k9::streets
