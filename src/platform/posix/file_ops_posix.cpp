// FileOps on POSIX: temporary files ".k9-XXXXXX.tmp" beside their target, held
// by an flock from creation until they are renamed or discarded.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_ops.h"
#include "platform/posix/posix_errors.h"

namespace k9 {

namespace {

class PosixFileOps : public FileOps {
 public:
  FileResult CheckSpace(const std::string& folder, std::uint64_t bytes) override {
    struct statvfs st;
    if (::statvfs(folder.c_str(), &st) != 0 || st.f_frsize == 0) return {};
    // The superuser may also use the blocks kept back for him.
    const std::uint64_t blocks = ::geteuid() == 0 ? st.f_bfree : st.f_bavail;
    const std::uint64_t needed = (bytes + st.f_frsize - 1) / st.f_frsize;
    if (needed > blocks) return FileResult::Failure(FileFault::kDiskFull, folder);
    return {};
  }

  FileResult CreateTemp(const std::string& folder, const std::string& like,
                        TempFile* temp) override {
    for (;;) {
      std::string path = folder + "/" + kPosixTempPrefix + "XXXXXX" + kPosixTempSuffix;
      int fd = ::mkostemps(path.data(), 4, O_CLOEXEC);
      if (fd < 0) return ErrnoResult(errno, path);
      // A sweep of stale files may have taken the new file before we could hold
      // it; it then deletes it, and we start again with another name.
      if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        continue;
      }
      // A replaced file keeps its permissions and, where we may, its owner; a new
      // one gets the usual 0644.
      struct stat old;
      mode_t mode = 0644;
      if (::stat(like.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
          // Only the superuser may give a file away; others keep their own.
        }
      }
      if (::fchmod(fd, mode) != 0) {
        const int error = errno;
        ::unlink(path.c_str());
        ::close(fd);
        return ErrnoResult(error, path);
      }
      temp->path = std::move(path);
      temp->handle = fd;
      return {};
    }
  }

  FileResult Write(TempFile& temp, std::string_view data) override {
    while (!data.empty()) {
      ssize_t n = ::write(Fd(temp), data.data(), data.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        return ErrnoResult(errno, temp.path);
      }
      data.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
  }

  FileResult Flush(TempFile& temp) override {
    if (::fsync(Fd(temp)) != 0) return ErrnoResult(errno, temp.path);
    return {};
  }

  FileResult Rename(TempFile& temp, const std::string& target) override {
    // The file stays open (and held) until it has its final name.
    if (::rename(temp.path.c_str(), target.c_str()) != 0) return ErrnoResult(errno, target);
    // Make the rename itself durable; a failure here no longer endangers the data.
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
    ::close(Fd(temp));
    temp.handle = -1;
    return {};
  }

  void Discard(TempFile& temp) override {
    if (temp.handle < 0) return;
    ::unlink(temp.path.c_str());
    ::close(Fd(temp));
    temp.handle = -1;
  }

 private:
  static int Fd(const TempFile& temp) { return static_cast<int>(temp.handle); }
};

}  // namespace

FileOps& FileOps::Default() {
  static PosixFileOps* ops = new PosixFileOps;  // never destroyed: used until exit
  return *ops;
}

}  // namespace k9
