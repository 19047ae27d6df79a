// Coordinate text: how the server writes a point into the map-list entry file and
// the underlay extent file. Latitude is two-digit degrees, ".", minutes "00.00",
// then "N" (0 or more) or "S"; longitude the same with three-digit degrees and "E"
// or "W". The decimal separator is "." in every locale.
//   latitude -33.5 -> "33.30.00S", longitude 151.25 -> "151.15.00E",
//   longitude -0.1275 -> "000.07.65W".
#pragma once

#include <string>

namespace k9 {

// Degrees are the integer part of the absolute value, minutes its fractional part
// times 60 rounded to two decimals. Throws std::invalid_argument for a value that
// is not finite.
std::string LatitudeText(double latitude);
std::string LongitudeText(double longitude);

}  // namespace k9
