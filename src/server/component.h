// The names under which the server shows itself: to the host, and to the user in
// the caption of every message box it shows.
#pragma once

namespace k9 {

inline constexpr char kServerTitle[] = "Stratomap V9 Server";
inline constexpr char kServerShortName[] = "Kestrel9";
inline constexpr char kComponentTitle[] = "Strato9 server for Harrier32";

}  // namespace k9
