#include "platform/posix/posix_errors.h"

#include <cerrno>
#include <cstring>

namespace k9 {

FileResult ErrnoResult(int error, const std::string& path) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return FileResult::Failure(FileFault::kDiskFull, path);
    case EROFS:
      return FileResult::Failure(FileFault::kReadOnly, path);
    case EACCES:
    case EPERM:
      return FileResult::Failure(FileFault::kAccessDenied, path);
    case ENOENT:
    case ENOTDIR:
      return FileResult::Failure(FileFault::kNoFolder, path);
    case EISDIR:
      return FileResult::Failure(FileFault::kIsFolder, path);
    case EBUSY:
    case ETXTBSY:
    case EWOULDBLOCK:
      return FileResult::Failure(FileFault::kInUse, path);
    default:
      return FileResult::Failure(FileFault::kOther, path, std::strerror(error));
  }
}

}  // namespace k9
