#include "platform/win32/win32_errors.h"

#include <windows.h>

namespace k9 {

FileResult Win32ErrorResult(std::uint32_t error, const std::string& path) {
  switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return FileResult::Failure(FileFault::kDiskFull, path);
    case ERROR_WRITE_PROTECT:
      return FileResult::Failure(FileFault::kReadOnly, path);
    case ERROR_ACCESS_DENIED:
      return FileResult::Failure(FileFault::kAccessDenied, path);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_DIRECTORY:
      return FileResult::Failure(FileFault::kNoFolder, path);
    case ERROR_FILE_NOT_FOUND:
      return FileResult::Failure(FileFault::kNotFound, path);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return FileResult::Failure(FileFault::kInUse, path);
    default:
      break;
  }
  char text[512] = "";
  DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             error, 0, text, sizeof text, nullptr);
  std::string detail(text, n);
  while (!detail.empty() && (detail.back() == '\n' || detail.back() == '\r' ||
                             detail.back() == ' ' || detail.back() == '.')) {
    detail.pop_back();
  }
  if (detail.empty()) detail = "system error " + std::to_string(error);
  return FileResult::Failure(FileFault::kOther, path, detail);
}

}  // namespace k9
