// What the Win32 file code shares: the naming of its temporary files and the
// translation of system error codes into the faults a user is told about. No
// <windows.h> here.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_result.h"

namespace k9 {

// Temporary files are "k9XXXX.tmp", the form GetTempFileName gives with the
// prefix "k9", so the files earlier versions left behind are recognised too.
inline constexpr char kWin32TempPattern[] = "k9????.tmp";

// The failure the system error `error` (a GetLastError value) means for `path`.
FileResult Win32ErrorResult(std::uint32_t error, const std::string& path);

}  // namespace k9
