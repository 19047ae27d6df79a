// The readers behind ImportOverlayFile: each takes a whole file's bytes and gives
// the items to draw in source precision, or one reason (naming the line or the
// element) why the file cannot be used.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace k9::overlay_import {

struct LonLat {
  double lon = 0;
  double lat = 0;
};

struct Item {
  enum class Kind { kLine, kArea, kPoint };
  Kind kind = Kind::kLine;
  std::vector<LonLat> points;              // an area's outer ring
  std::vector<std::vector<LonLat>> holes;  // areas only
  std::uint32_t pen = 0xC00000;            // 0x00RRGGBB
  std::uint32_t fill = 0xFFC0C0;
  double width = 2;
  std::string label;  // points only; Windows-1252
};

struct Imported {
  std::vector<Item> items;
  std::string held;  // what the source held, e.g. "1 track of 7,745 points, 2 waypoints"
};

// Each returns false with *error set (a clause without a full stop, such as
// "line 4: <trkpt> has no lat attribute") when the file cannot be used.
bool ReadGpx(std::string_view bytes, Imported* out, std::string* error);
bool ReadKml(std::string_view bytes, Imported* out, std::string* error);
// The KML inside: "doc.kml" at the top of the archive, else its first ".kml".
bool ReadKmz(std::string_view bytes, Imported* out, std::string* error);
bool ReadGeoJson(std::string_view bytes, Imported* out, std::string* error);

// The ".OVR" text of an overlay, with `comment` lines first.
std::string WriteOvr(const Imported& overlay, const std::vector<std::string>& comment);

// Shared by the readers.
namespace detail {
// UTF-8 to Windows-1252 on one line: letters outside it become "?", line breaks
// and tabs blanks, and blanks at both ends go.
std::string LabelText(std::string_view utf8);
// "12,345".
std::string Count(std::size_t n);
// "1 track" / "3 tracks".
std::string Counted(std::size_t n, const char* one, const char* many);
bool OnEarth(double lon, double lat);
// The file's first bytes, for telling a file that is not what its name says.
bool LooksLikeXml(std::string_view bytes);
bool LooksLikeJson(std::string_view bytes);
}  // namespace detail

}  // namespace k9::overlay_import
