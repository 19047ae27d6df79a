#include "search/gazetteer.h"

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <utility>

#include "common/text.h"
#include "search/search_text.h"

namespace k9 {

namespace {

// A damaged line that ends the reading of a file.
struct DamagedLine : std::runtime_error {
  DamagedLine() : std::runtime_error("damaged gazetteer line") {}
};

// The first character of `text` as a text of length 0 or 1, so that an empty
// line and an empty query compare the way text comparison would.
std::string_view FirstChar(std::string_view text) { return text.substr(0, text.empty() ? 0 : 1); }

// Byte-wise comparison (unsigned), as binary text comparison orders characters.
int Compare(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// The first character of `line` in upper case, as FirstChar gives it.
std::string_view UpperFirst(std::string_view line) {
  static const std::string kUpper = [] {
    std::string table(256, ' ');
    for (int c = 0; c < 256; ++c) table[c] = ToUpper(std::string(1, static_cast<char>(c)))[0];
    return table;
  }();
  if (line.empty()) return {};
  return std::string_view(kUpper).substr(static_cast<unsigned char>(line[0]), 1);
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// `value` rounded half to even into the 16-bit range; throws when it does not fit.
std::int16_t RoundToInt16(double value) {
  if (!std::isfinite(value)) throw std::overflow_error("not a 16-bit number");
  const double floor = std::floor(value);
  const double diff = value - floor;
  double rounded = floor;
  if (diff > 0.5 || (diff == 0.5 && std::fmod(floor, 2.0) != 0)) rounded = floor + 1;
  if (rounded < -32768 || rounded > 32767) throw std::overflow_error("not a 16-bit number");
  return static_cast<std::int16_t>(rounded);
}

GazetteerEntry EntryFromFields(const std::vector<std::string>& fields, std::string name,
                               std::string code) {
  GazetteerEntry entry;
  entry.name = std::move(name);
  entry.code = std::move(code);
  entry.west = LeadingNumber(fields[2]);
  entry.east = LeadingNumber(fields[3]);
  entry.south = LeadingNumber(fields[4]);
  entry.north = LeadingNumber(fields[5]);
  return entry;
}

// Adds each entry (after the placeholder) with its box widened by a fiftieth of
// its width and height on every side.
void AddWidened(const GazetteerList& list, SearchDialog& dialog) {
  for (std::size_t i = 1; i < list.size(); ++i) {
    const GazetteerEntry& e = list[i];
    const double dx = std::fabs(e.west - e.east) / 50;
    const double dy = std::fabs(e.north - e.south) / 50;
    AddMatch(dialog, e.name, e.west - dx, e.north + dy, false, e.east + dx, e.south - dy);
  }
}

}  // namespace

void AddMatch(SearchDialog& dialog, std::string text, double lon, double lat, bool is_place,
              double lon2, double lat2, double line, bool line_is_lat) {
  dialog.AddToList(text, lon, lat, is_place, lon2, lat2, line, line_is_lat);
}

GazetteerList LoadStatesFrom(std::string_view contents, std::string_view query) {
  const std::string q = ToUpper(query);
  const std::string_view f = FirstChar(q);
  GazetteerList list(1);
  try {
    ForEachLine(contents, [&](std::string_view line) {
      const int order = Compare(UpperFirst(line), f);
      if (order > 0) return false;
      if (order != 0) return true;
      const std::string upper = ToUpper(line);
      const std::vector<std::string> fields = Split(upper, '\t');
      if (fields.size() < 2) throw DamagedLine();
      const bool exact = q == fields[0];
      if (!exact && !StartsWith(fields[1], q) && !StartsWith(fields[0], q)) return true;
      if (exact) list.resize(1);
      if (fields.size() < 6) throw DamagedLine();
      const std::vector<std::string> written = Split(line, '\t');
      list.push_back(EntryFromFields(written, written[1], written[0]));
      return !exact;
    });
  } catch (const DamagedLine&) {
    // The states read before the damaged line stand.
  }
  return list;
}

std::optional<GazetteerList> FindCountiesIn(std::string_view contents, std::string_view query) {
  const std::string q = ToUpper(query);
  const std::string_view f = FirstChar(q);
  std::vector<std::string> parts = Split(q, ',');
  for (std::string& part : parts) part = Trim(part);
  const std::string& name = parts[0];
  const bool has_state = parts.size() > 1;
  GazetteerList list(1);
  try {
    ForEachLine(contents, [&](std::string_view line) {
      const int order = Compare(UpperFirst(line), f);
      if (order > 0) return false;
      if (order != 0) return true;
      const std::string upper = ToUpper(line);
      const std::vector<std::string> fields = Split(upper, '\t');
      if (!StartsWith(fields[0], name)) return true;
      if (fields.size() < 6) throw DamagedLine();
      if (has_state && fields[1] != parts[1]) return true;
      const std::vector<std::string> written = Split(line, '\t');
      list.push_back(EntryFromFields(written, written[0] + ", " + written[1], ""));
      return true;
    });
  } catch (const DamagedLine&) {
    return std::nullopt;
  }
  return list;
}

MileMarkerFind LookUpMileMarkerIn(std::string_view contents, std::string_view code,
                                  std::string_view interstate, std::string_view marker) {
  MileMarkerFind result;
  try {
    const std::int32_t m = RoundToInt16(LeadingNumber(marker));
    ForEachLine(contents, [&](std::string_view line) {
      const int order = Compare(ToUpper(line.substr(0, 2)), code);
      if (order < 0) return true;
      if (order > 0) return false;
      const std::string upper = ToUpper(line);
      const std::vector<std::string> fields = Split(upper, ',');
      if (fields.size() != 6) return true;
      if (std::string_view(fields[0]).substr(2) != interstate) return true;
      const std::int32_t a = RoundToInt16(LeadingNumber(fields[2]));
      const std::int32_t b = RoundToInt16(LeadingNumber(fields[4]));
      if (m < (a < b ? a : b) || m > (a < b ? b : a)) return true;
      // A segment of one marker cannot place anything between its ends.
      if (a == b) throw DamagedLine();
      result.line_is_lat = fields[1] == "NS";
      double c1 = LeadingNumber(fields[3]);
      double c2 = LeadingNumber(fields[5]);
      // East-west segments are written in positive degrees west.
      if (!result.line_is_lat) {
        c1 = -c1;
        c2 = -c2;
      }
      result.line = c1 + static_cast<double>(m - a) * (c2 - c1) / static_cast<double>(b - a);
      result.found = true;
      return false;
    });
  } catch (const std::exception&) {
    return MileMarkerFind{};
  }
  return result;
}

void CentreBoxOnLine(GazetteerEntry& entry, double line, bool line_is_lat) {
  if (line_is_lat) {
    const double h = (entry.north - entry.south) / 2;
    entry.north = line + h;
    entry.south = line - h;
    if (entry.north > 90) entry.north = 90;
    if (entry.south < -90) entry.south = -90;
  } else {
    const double h = (entry.east - entry.west) / 2;
    entry.east = line + h;
    entry.west = line - h;
    if (entry.east > 180) entry.east = 180;
    if (entry.west < -180) entry.west = -180;
  }
}

std::optional<std::string> Gazetteer::Read(const char* name) {
  std::string contents;
  if (!fs_.ReadFile(JoinPath(folder_, name), &contents)) return std::nullopt;
  return contents;
}

GazetteerList Gazetteer::LoadStates(std::string_view query) {
  const std::optional<std::string> contents = Read(kStateFileName);
  if (!contents) return GazetteerList(1);
  return LoadStatesFrom(*contents, query);
}

void Gazetteer::FindState(std::string_view query, SearchDialog& dialog) {
  AddWidened(LoadStates(query), dialog);
}

void Gazetteer::FindCounty(std::string_view query, SearchDialog& dialog) {
  const std::optional<std::string> contents = Read(kCountyFileName);
  if (!contents) return;
  const std::optional<GazetteerList> counties = FindCountiesIn(*contents, query);
  if (counties) AddWidened(*counties, dialog);
}

MileMarkerFind Gazetteer::LookUpMileMarker(std::string_view code, std::string_view interstate,
                                           std::string_view marker) {
  const std::optional<std::string> contents = Read(kMileMarkerFileName);
  if (!contents) return MileMarkerFind{};
  return LookUpMileMarkerIn(*contents, code, interstate, marker);
}

void Gazetteer::FindMileMarker(std::string_view query, SearchDialog& dialog) {
  std::vector<std::string> parts = Split(ToUpper(query), ',');
  if (parts.size() < 3) return;
  for (std::string& part : parts) part = Trim(part);
  const std::string& interstate = parts[1];
  const std::string& marker = parts[2];
  GazetteerList states = LoadStates(parts[0]);
  for (std::size_t i = 1; i < states.size(); ++i) {
    GazetteerEntry& state = states[i];
    const MileMarkerFind find = LookUpMileMarker(state.code, interstate, marker);
    if (!find.found) continue;
    CentreBoxOnLine(state, find.line, find.line_is_lat);
    std::string title = state.code + ", " + (IsAllDigits(interstate) ? "IS-" : "") + interstate +
                        ", Mile marker " + marker;
    AddMatch(dialog, std::move(title), state.west, state.north, false, state.east, state.south,
             find.line, find.line_is_lat);
  }
}

}  // namespace k9
