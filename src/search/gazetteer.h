// The gazetteer lookups: states, counties and interstate mile markers, answered
// from the three plain-text files that ship beside the server.
//
//   statell.dat   abbreviation, name, west, east, south, north   (tab-separated)
//   countyll.dat  county name, state abbreviation, west, east, south, north
//   milemark.dat  <state><interstate>,<NS|other>,<marker>,<coord>,<marker>,<coord>
//
// Every search reads its file from the start, with no index or cache. The files
// are sorted by their first character (states, counties) or first two characters
// (mile markers), compared in upper case, so a search skips the lines before its
// letter or state and stops at the first line past it. Lines may end in CRLF, LF
// or a lone CR; a file without line ends is one line.
//
// Numbers are read leniently (the leading decimal number of a field, 0 when
// none). What a damaged file does is fixed per file:
//   - statell.dat: a line of the query's letter with fewer than two fields, or a
//     matching one with fewer than six, ends the reading; the states collected
//     until then are kept.
//   - countyll.dat: a county that matches the query but has fewer than six fields
//     ends the search with no matches at all.
//   - milemark.dat: lines without exactly six fields are skipped; a marker number
//     outside the 16-bit range, or a segment whose two marker numbers are equal
//     and that holds the marker, ends the lookup for that state as not found.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "server/search_port.h"

namespace k9 {

inline constexpr char kStateFileName[] = "statell.dat";
inline constexpr char kCountyFileName[] = "countyll.dat";
inline constexpr char kMileMarkerFileName[] = "milemark.dat";

// One state or county. `code` is the state abbreviation (empty for a county).
struct GazetteerEntry {
  std::string name;
  std::string code;
  double west = 0;
  double east = 0;
  double north = 0;
  double south = 0;
};

// A list of entries whose index 0 is an empty placeholder; real entries start at 1.
using GazetteerList = std::vector<GazetteerEntry>;

// What LookUpMileMarker finds: the marker line's coordinate, a latitude when
// `line_is_lat`, else a longitude (east positive).
struct MileMarkerFind {
  bool found = false;
  double line = 0;
  bool line_is_lat = false;
};

// Calls `visit` with each line of `contents` (without its line end) until it
// returns false. Lines end at CRLF, LF or a lone CR.
template <typename Visit>
void ForEachLine(std::string_view contents, Visit&& visit) {
  std::size_t start = 0;
  while (start < contents.size()) {
    std::size_t end = start;
    while (end < contents.size() && contents[end] != '\r' && contents[end] != '\n') ++end;
    if (!visit(contents.substr(start, end - start))) return;
    if (end < contents.size() && contents[end] == '\r' && end + 1 < contents.size() &&
        contents[end + 1] == '\n') {
      ++end;
    }
    start = end + 1;
  }
}

// The parsers, over a file's whole contents. The file-reading lookups below
// use them; they are separate so that tests and fuzzing reach them directly.

// States whose abbreviation or name begins with the query (either in any letter
// case); an exact abbreviation wins alone.
GazetteerList LoadStatesFrom(std::string_view contents, std::string_view query);
// Counties for "name[, ST]": the name part is a prefix of the county name, the
// state part (when given) equals the state abbreviation. nullopt when a damaged
// line ends the search.
std::optional<GazetteerList> FindCountiesIn(std::string_view contents, std::string_view query);
// The line of mile marker `marker` on interstate `interstate` in state `code`.
MileMarkerFind LookUpMileMarkerIn(std::string_view contents, std::string_view code,
                                  std::string_view interstate, std::string_view marker);

// Moves the entry's box, keeping its size, so that its centre lies on the line
// (latitude `line` when `line_is_lat`, else longitude), capped at the poles and
// at the 180th meridian.
void CentreBoxOnLine(GazetteerEntry& entry, double line, bool line_is_lat);

// The lookups against the files in `folder`, adding their matches to the dialog.
class Gazetteer {
 public:
  Gazetteer(FileSystem& fs, std::string folder) : fs_(fs), folder_(std::move(folder)) {}

  // A missing statell.dat gives no states.
  GazetteerList LoadStates(std::string_view query);
  // Each state, its box widened by a fiftieth of its width and height on every side.
  void FindState(std::string_view query, SearchDialog& dialog);
  // Each county as "Name, ST", widened as FindState does.
  void FindCounty(std::string_view query, SearchDialog& dialog);
  // "state,interstate,marker": one match per candidate state whose file holds the
  // marker, titled "TX, IS-20, Mile marker 100", the state's box centred on the line.
  void FindMileMarker(std::string_view query, SearchDialog& dialog);
  // A missing milemark.dat means not found.
  MileMarkerFind LookUpMileMarker(std::string_view code, std::string_view interstate,
                                  std::string_view marker);

 private:
  std::optional<std::string> Read(const char* name);

  FileSystem& fs_;
  std::string folder_;
};

// Adds one match to the dialog (the values travel by reference, as the dialog
// takes them).
void AddMatch(SearchDialog& dialog, std::string text, double lon, double lat, bool is_place,
              double lon2 = 0, double lat2 = 0, double line = 0, bool line_is_lat = false);

}  // namespace k9
