// The map-list entry file "!!Kestrel9.INF" in the host's Maps folder. The host
// lists the server among its maps from it; every paint brings it up to date with
// the extent shown (replacing it only when its bytes change), so the host's map
// list always knows where the server's map is:
//   line 1: coordinate text of the west longitude, ",", of the north latitude
//   line 2: the same for east and south
//   line 3: "Stratomap V9 Server"
// ANSI text, every line ending in CRLF.
#pragma once

#include <string>

namespace k9 {

inline constexpr char kMapListEntryName[] = "!!Kestrel9.INF";
inline constexpr char kHostMapsFolderName[] = "Maps";

// The file's contents. Throws std::invalid_argument when a coordinate is not finite.
std::string MapListEntryText(double west, double north, double east, double south);

// The file's path in the Maps folder of the host's program folder `host_folder`.
std::string MapListEntryPath(const std::string& host_folder);

}  // namespace k9
