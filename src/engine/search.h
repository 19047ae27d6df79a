// Address and telephone-prefix searches over the engine's places and ZIP codes.
//
// Address queries read "Street Address, Place, State, Zip" with any field left out:
// a trailing part of digits (or of digits with "*" and "?") is the ZIP code, a
// two-letter part before it the state, the last remaining part the place and any
// part before that the street. "*" and "?" are wildcards in the place and ZIP; a
// place without wildcards must match whole, ignoring case. The data holds no
// streets, so a street part is not matched: its place (or ZIP) is answered.
//
// Each match is one record of tab-separated fields: 0 street, 1 place, 2 house
// number, 3 state, 4 ZIP code, 5 county, 6 "longitude,latitude". Streets and house
// numbers are always empty here; the ZIP is empty for a match by place name.
//
// Places are the ZIP table's, then the populated places (GeoNames) it does not name:
// "City, ST" in that state, a city alone anywhere, and "City, Country" (the
// country's name or two-letter code) in that country, whose records carry the
// country's name as their state. A two-letter code is a U.S. state first and a
// country only when nothing of that state matches ("Toronto, CA").
//
// A phone answer is "query<TAB>place<TAB>county<TAB>state<TAB>longitude<TAB>latitude",
// beginning with the query exactly as typed, or "" when the prefix is unknown.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/map_data.h"
#include "streets/street_store.h"

namespace k9::engine {

inline constexpr std::size_t kMaxAddressMatches = 500;

std::vector<std::string> FindAddressRecords(const MapData& data, std::string_view query,
                                            std::size_t limit = kMaxAddressMatches);
// The same with the imported streets: a query with a street part ("1407 Fleet
// Street, Baltimore, MD") answers its addresses or the street, filling a missing
// place, state and ZIP from the nearest ZIP code; the place is answered only when
// no street matches. A query of one name without a number (with a state or ZIP
// at most) lists the places of that name first, then streets of that name.
std::vector<std::string> FindAddressRecords(const MapData& data,
                                            const streets::StreetStore* streets,
                                            std::string_view query,
                                            std::size_t limit = kMaxAddressMatches);
// The ZIP code nearest `where`, with its place, state and county ("" when none).
streets::PlaceFill NearestZipPlace(const MapData& data, GeoPoint where);

std::string FindPhoneAnswer(const MapData& data, std::string_view query);

}  // namespace k9::engine
