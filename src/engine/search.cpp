#include "engine/search.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <utility>

#include "platform/wildcard.h"

namespace k9::engine {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() &&
         (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

bool HasWildcard(std::string_view s) { return s.find_first_of("*?") != std::string_view::npos; }

bool IsZipPattern(std::string_view s) {
  if (s.empty() || s.size() > 10) return false;
  bool digit = false;
  for (char c : s) {
    if (c >= '0' && c <= '9')
      digit = true;
    else if (c != '*' && c != '?' && c != '-')
      return false;
  }
  return digit;
}

bool IsStateCode(std::string_view s) {
  return s.size() == 2 && std::isalpha(static_cast<unsigned char>(s[0])) &&
         std::isalpha(static_cast<unsigned char>(s[1]));
}

std::string Coordinates(double x, double y) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.5f,%.5f", x, y);
  return buf;
}

std::string Record(const Place& place, const std::string& zip, double x, double y) {
  return "\t" + place.name + "\t\t" + place.state + "\t" + zip + "\t" + place.county + "\t" +
         Coordinates(x, y);
}

struct Query {
  std::string place;  // upper case
  std::string state;  // upper case
  std::string zip;
};

Query Parse(std::string_view text) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t comma = text.find(',', start);
    if (comma == std::string_view::npos) comma = text.size();
    const std::string_view part = Trim(text.substr(start, comma - start));
    if (!part.empty()) parts.push_back(part);
    start = comma + 1;
  }
  Query q;
  if (!parts.empty() && IsZipPattern(parts.back())) {
    std::string_view zip = parts.back();
    // ZIP+4: the last four digits narrow nothing here.
    if (zip.size() == 10 && zip[5] == '-') zip = zip.substr(0, 5);
    q.zip = zip;
    parts.pop_back();
  }
  if (!parts.empty() && IsStateCode(parts.back()) && (parts.size() > 1 || !q.zip.empty())) {
    q.state = Upper(parts.back());
    parts.pop_back();
  }
  if (!parts.empty()) {
    std::string_view place = parts.back();
    // "Austin TX" without a comma.
    if (q.state.empty() && place.size() > 3 && place[place.size() - 3] == ' ' &&
        IsStateCode(place.substr(place.size() - 2))) {
      q.state = Upper(place.substr(place.size() - 2));
      place = Trim(place.substr(0, place.size() - 3));
    }
    // A lone part that starts with a digit is a street address, not a place.
    if (!(parts.size() == 1 && !place.empty() &&
          std::isdigit(static_cast<unsigned char>(place[0]))))
      q.place = Upper(place);
  }
  return q;
}

bool NameMatches(const std::string& pattern, const std::string& upper) {
  return HasWildcard(pattern) ? MatchesWildcard(pattern, upper) : upper == pattern;
}

// The country a query's last part names (by name or two-letter code, any case), or "".
std::string CountryOf(const MapData& data, std::string_view part) {
  const std::string upper = Upper(Trim(part));
  if (upper.size() == 2 && data.countries.count(upper) != 0) return upper;
  for (const auto& [code, name] : data.countries)
    if (Upper(name) == upper) return code;
  return "";
}

std::string CityRecord(const MapData& data, const City& c) {
  std::string where = c.state;
  if (c.country != "US") {
    const auto it = data.countries.find(c.country);
    where = it != data.countries.end() ? it->second : c.country;
  }
  return "\t" + c.upper + "\t\t" + where + "\t\t\t" + Coordinates(c.x, c.y);
}

bool PlaceMatches(const Query& q, const Place& p) {
  if (!q.state.empty() && p.state != q.state) return false;
  if (q.place.empty()) return true;
  if (HasWildcard(q.place)) return MatchesWildcard(q.place, p.name);
  return p.name == q.place;
}

}  // namespace

std::vector<std::string> FindAddressRecords(const MapData& data, std::string_view query,
                                            std::size_t limit) {
  std::vector<std::string> out;
  const Query q = Parse(query);
  if (!q.zip.empty()) {
    const bool wild = HasWildcard(q.zip);
    auto it = data.zips.begin();
    if (!wild) {
      it = std::lower_bound(data.zips.begin(), data.zips.end(), q.zip,
                            [](const ZipCode& z, const std::string& v) { return z.zip < v; });
    }
    for (; it != data.zips.end() && out.size() < limit; ++it) {
      if (!wild && it->zip != q.zip) break;
      if (wild && !MatchesWildcard(q.zip, it->zip)) continue;
      const Place& p = data.places[it->place];
      if (PlaceMatches(q, p)) out.push_back(Record(p, it->zip, it->x, it->y));
    }
    return out;
  }
  if (q.place.empty()) return out;  // a state alone, or a street without a place
  // "City, Country": the populated places of that country. A two-letter code is a
  // U.S. state first, and a country when no place of that state matches.
  const auto comma = query.rfind(',');
  std::string country = comma == std::string_view::npos || q.state.size() == 2
                            ? ""
                            : CountryOf(data, query.substr(comma + 1));
  if (!country.empty() && country != "US") {
    Query in_country = Parse(query.substr(0, comma));
    for (const City& c : data.cities) {
      if (out.size() >= limit) break;
      if (c.country == country && NameMatches(in_country.place, c.upper))
        out.push_back(CityRecord(data, c));
    }
    return out;
  }
  std::vector<std::pair<std::string, std::string>> found;  // name and state of each match
  for (const Place& p : data.places) {
    if (out.size() >= limit) break;
    if (PlaceMatches(q, p)) {
      out.push_back(Record(p, "", p.x, p.y));
      found.emplace_back(p.name, p.state);
    }
  }
  // Populated places the ZIP table does not name, in the U.S. (by state) and, for a
  // name alone, the world, most people first.
  if (out.empty() && q.state.size() == 2 && data.countries.count(q.state) != 0) country = q.state;
  for (const City& c : data.cities) {
    if (out.size() >= limit) break;
    if (!country.empty() ? c.country != country
                         : !q.state.empty() && (c.country != "US" || c.state != q.state))
      continue;
    if (!NameMatches(q.place, c.upper)) continue;
    if (std::find(found.begin(), found.end(), std::make_pair(c.upper, c.state)) != found.end())
      continue;
    out.push_back(CityRecord(data, c));
  }
  return out;
}

streets::PlaceFill NearestZipPlace(const MapData& data, GeoPoint where) {
  streets::PlaceFill fill;
  const double coslat = std::cos(where.y * 3.14159265358979 / 180);
  double best = -1;
  const ZipCode* nearest = nullptr;
  for (const ZipCode& z : data.zips) {
    const double dx = (z.x - where.x) * coslat, dy = z.y - where.y;
    const double d = dx * dx + dy * dy;
    if (best < 0 || d < best) {
      best = d;
      nearest = &z;
    }
  }
  if (nearest == nullptr || nearest->place >= data.places.size()) return fill;
  const Place& p = data.places[nearest->place];
  fill.place = p.name;
  fill.state = p.state;
  fill.county = p.county;
  fill.zip = nearest->zip;
  return fill;
}

std::vector<std::string> FindAddressRecords(const MapData& data,
                                            const streets::StreetStore* streets,
                                            std::string_view query, std::size_t limit) {
  streets::StreetQuery sq;
  if (streets == nullptr || streets->sets().empty() || !streets::ParseStreetQuery(query, &sq))
    return FindAddressRecords(data, query, limit);
  std::vector<std::string> found = streets->Find(
      sq, [&](GeoPoint p) { return NearestZipPlace(data, p); }, limit);
  // "Street, Place" or a house number is a street query; a single name (with a
  // state or ZIP at most) may be a place, which comes first.
  const bool street_asked = !sq.place.empty() || !sq.number.empty();
  if (street_asked && !found.empty()) return found;
  std::vector<std::string> places = FindAddressRecords(data, query, limit);
  if (street_asked) return places;
  // One part without a number: a place of that name comes first.
  for (std::string& record : found) {
    if (places.size() >= limit) break;
    places.push_back(std::move(record));
  }
  return places;
}

std::string FindPhoneAnswer(const MapData& data, std::string_view query) {
  std::string digits;
  for (char c : query) {
    if (c >= '0' && c <= '9')
      digits += c;
    else if (c != ' ' && c != '-' && c != '(' && c != ')' && c != '.' && c != '+')
      return "";
  }
  if (digits.size() >= 7 && digits[0] == '1') digits.erase(0, 1);  // trunk prefix
  if (digits.size() < 6) return "";
  const int npa = std::stoi(digits.substr(0, 3));
  const int nxx = std::stoi(digits.substr(3, 3));
  const auto area = data.phone.find(npa);
  if (area == data.phone.end() || nxx < 200 || nxx > 999) return "";
  const std::uint8_t local = area->second.exchange[static_cast<std::size_t>(nxx - 200)];
  if (local == 255 || local >= area->second.places.size()) return "";
  const Place& p = data.places[area->second.places[local]];
  char coords[64];
  std::snprintf(coords, sizeof coords, "%.5f\t%.5f", p.x, p.y);
  return std::string(query) + "\t" + p.name + "\t" + p.county + "\t" + p.state + "\t" + coords;
}

}  // namespace k9::engine
