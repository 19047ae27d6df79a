// The mile-marker line: a yellow line with a black core along a latitude or a
// longitude, which a mile-marker search result leaves on the map. The paint step
// draws it over every map whose extent it falls in, until the user picks "Hide
// Mile Marker Line".
#pragma once

#include <cstdint>

#include "server/host_port.h"

namespace k9 {

class clsMapServ;

// Index of the host's "Hide Mile Marker Line" menu entry.
inline constexpr int kMenuHideMileMarkerLine = 1;
// Yellow (red 255, green 255, blue 0) and black, as OLE colours.
inline constexpr std::int32_t kMileMarkerYellow = 0x00FFFF;
inline constexpr std::int32_t kMileMarkerBlack = 0x000000;
inline constexpr std::int16_t kDrawModeCopyPen = 13;

// Draws the server's line (mdblLine, mblnLineIsLat) over `picMap` when it lies
// within the extent of the last paint, edges included, and shows the "Hide Mile
// Marker Line" entry. The picture box is left with a degree scale (left = west,
// top = north) and its DrawMode and DrawWidth as they were. A failing call ends
// the drawing there and propagates, leaving the menu entry as it was.
void DrawMileMarkerLine(clsMapServ& server, PictureBox& picMap);

}  // namespace k9
