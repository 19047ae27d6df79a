// The names under which the server shows itself: to the host, and to the user in
// the caption of every message box it shows (kComponentTitle, kept with the
// other words the user reads in common/user_messages.h).
#pragma once

#include "common/user_messages.h"

namespace k9 {

inline constexpr char kServerTitle[] = "Stratomap V9 Server";
inline constexpr char kServerShortName[] = "Kestrel9";

}  // namespace k9
