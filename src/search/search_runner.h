// The server's side of a search: what runs when the search dialog raises Find.
// Address and phone queries go to the map engine, callsign queries to the host,
// state, county and mile-marker queries to the gazetteer files in the server
// folder. Each answer becomes one match in the dialog through AddToList.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "server/search_port.h"

namespace k9 {

// The answer readers, one per kind of outside answer. Malformed answers add
// nothing; they never throw for bad text.

// One engine address record (tab-separated: street, place, house number, state,
// ZIP, -, "longitude,latitude"), titled "100 Main St, Austin, TX, 78701". A
// record without street and house number is a place (a town).
void AddAddressResult(SearchDialog& dialog, std::string_view record);
// The engine's phone answer (tab-separated: three place fields, a fourth field,
// longitude, latitude): one place.
void AddPhoneResult(SearchDialog& dialog, std::string_view answer);
// The host's callsign answer: tab-separated entries "CALL,longitude,latitude";
// entries of any other shape are skipped.
void AddCallsignResults(SearchDialog& dialog, std::string_view answer);

// Dispatches each search by its type and keeps the type of the last one, so that
// the engine's found-item notifications count only during an address search.
class SearchLookups : public SearchRunner {
 public:
  // Any failure inside a search ends it quietly; the matches added so far stay.
  void Find(SearchContext& context, SearchDialog& dialog, std::string& strP,
            std::int16_t intFindType) override;
  // Adds the engine's address record, but only while the last search was an
  // address search; other notifications are ignored.
  void EngineFoundItem(SearchContext& context, SearchDialog& dialog, std::string& strL) override;

  // mintLastFindType: the type of the last Find (-1 before the first).
  std::int16_t mintLastFindType() const { return last_find_type_; }

 private:
  std::int16_t last_find_type_ = -1;
};

}  // namespace k9
