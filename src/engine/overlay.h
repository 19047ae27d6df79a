// User overlays (".OVR" and ".CAD" files, drawn over the map) and the underlay (a
// georeferenced picture drawn beneath the map's lines). Formats: docs/overlay-formats.md.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/canvas.h"
#include "engine/map_data.h"

namespace k9::engine {

struct OverlayItem {
  enum class Kind { kLine, kArea, kPoint, kText };
  Kind kind = Kind::kLine;
  std::vector<GeoPoint> points;              // an area's outer ring
  std::vector<std::vector<GeoPoint>> holes;  // rings cut out of an area (".OVR" HOLE lines)
  std::uint32_t pen = 0xFF0000;              // 0x00RRGGBB
  std::uint32_t fill = 0xFFC0C0;             // areas only
  double width = 2;
  std::string text;  // points and texts
};

struct Overlay {
  std::vector<OverlayItem> items;
  Box box;  // of every point; meaningful only when items is not empty
};

// Parse a whole overlay file. `extension` ("OVR" or "CAD", any case) picks the
// format. On failure returns false with *error naming the line.
bool ParseOverlay(std::string_view text, std::string_view extension, Overlay* overlay,
                  std::string* error);

struct Underlay {
  Image image;
  double west = 0, north = 0, east = 0, south = 0;
};

// The companion file of an underlay image: its path with the last three characters
// replaced by "SAT".
std::string CompanionPath(const std::string& image_path);
// Reads "west, north, east, south" from the companion's first line.
bool ParseCompanion(std::string_view text, Underlay* underlay, std::string* error);
// Decodes a BMP, PNG, GIF or JPEG picture.
bool DecodeImage(std::string_view bytes, Image* image, std::string* error);

}  // namespace k9::engine
