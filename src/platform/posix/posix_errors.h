// What the POSIX file code shares: the naming of its temporary files and the
// translation of errno values into the faults a user is told about.
#pragma once

#include <string>

#include "platform/file_result.h"

namespace k9 {

inline constexpr char kPosixTempPrefix[] = ".k9-";
inline constexpr char kPosixTempSuffix[] = ".tmp";

// The failure `error` (an errno value) means for `path`.
FileResult ErrnoResult(int error, const std::string& path);

}  // namespace k9
