// FileSystem on POSIX. Windows paths and names reach us unchanged, so each path
// is first mapped onto the real file system: "\\" becomes "/", and every component
// that does not exist under its exact name is looked up without regard to case.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_system.h"
#include "platform/posix/path_case.h"
#include "platform/posix/posix_errors.h"
#include "platform/wildcard.h"

namespace k9 {

namespace {

bool StatPath(const std::string& path, struct stat* st) {
  return !path.empty() && ::stat(path.c_str(), st) == 0;
}

std::string ParentOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool CaseInsensitiveLess(const std::string& a, const std::string& b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    int ca = std::toupper(static_cast<unsigned char>(a[i]));
    int cb = std::toupper(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

// The file a path names once symbolic links are followed, so that a write goes
// through a link to the file it names instead of replacing the link. A link
// whose target is missing names that target; a loop stops after 40 hops.
std::string FollowLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char target[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof target) return path;
    const std::string link(target, static_cast<std::size_t>(n));
    path = link.front() == '/' ? link : ParentOf(path) + "/" + link;
  }
  return path;
}

// The real path of `path`: case resolved, links followed.
std::string RealPath(const std::string& path) {
  std::string real = ResolvePathCase(path);
  return real.empty() ? real : FollowLinks(real);
}

// An flock held on an open file or folder; closing releases it.
class FlockLock : public FileLock {
 public:
  explicit FlockLock(int fd) : fd_(fd) {}
  ~FlockLock() override { ::close(fd_); }

 private:
  int fd_;
};

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

class PosixFileSystem : public FileSystem {
 public:
  explicit PosixFileSystem(FileOps& ops) : ops_(ops) {}

  bool FileExists(const std::string& path) override {
    struct stat st;
    return StatPath(ResolvePathCase(path), &st) && S_ISREG(st.st_mode);
  }

  bool DirectoryExists(const std::string& path) override {
    struct stat st;
    return StatPath(ResolvePathCase(path), &st) && S_ISDIR(st.st_mode);
  }

  bool MakeDirectory(const std::string& path) override {
    std::string real = ResolvePathCase(path);
    if (real.empty()) return false;
    if (::mkdir(real.c_str(), 0777) != 0 && errno != EEXIST) return false;
    struct stat st;
    return StatPath(real, &st) && S_ISDIR(st.st_mode);
  }

  bool ReadFile(const std::string& path, std::string* contents) override {
    contents->clear();
    std::string real = ResolvePathCase(path);
    if (real.empty()) return false;
    int fd = ::open(real.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    std::string data;
    if (ok && st.st_size > 0) data.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    while (ok) {
      ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) ok = false;
      if (n <= 0) break;
      data.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (ok) contents->swap(data);
    return ok;
  }

  FileResult WriteFileAtomic(const std::string& path, std::string_view contents) override {
    const std::string real = RealPath(path);
    if (real.empty() || real.back() == '/') {
      return FileResult::Failure(FileFault::kNotFound, path);
    }
    struct stat st;
    if (StatPath(real, &st)) {
      if (S_ISDIR(st.st_mode)) return FileResult::Failure(FileFault::kIsFolder, real);
      if (!S_ISREG(st.st_mode)) {
        return FileResult::Failure(FileFault::kOther, real, "it is not an ordinary file");
      }
      // Read-only as Windows judges its read-only attribute: for every user,
      // the superuser too, whom the system itself would let through.
      if ((st.st_mode & 0222) == 0) return FileResult::Failure(FileFault::kReadOnly, real);
      if (::faccessat(AT_FDCWD, real.c_str(), W_OK, AT_EACCESS) != 0) {
        return ErrnoResult(errno, real);
      }
    }
    const std::string folder = ParentOf(real);
    if (!StatPath(folder, &st) || !S_ISDIR(st.st_mode)) {
      return FileResult::Failure(FileFault::kNoFolder, real);
    }
    return ReplaceThroughTemp(ops_, folder, real, contents);
  }

  bool RemoveFile(const std::string& path) override {
    std::string real = ResolvePathCase(path);
    struct stat st;
    if (!StatPath(real, &st) || !S_ISREG(st.st_mode)) return false;
    return ::unlink(real.c_str()) == 0;
  }

  FileResult CopyFileTo(const std::string& from, const std::string& to) override {
    std::string contents;
    if (!ReadFile(from, &contents)) {
      return FileResult::Failure(FileExists(from) ? FileFault::kAccessDenied : FileFault::kNotFound,
                                 RealPath(from));
    }
    return WriteFileAtomic(to, contents);
  }

  FileResult LockForUpdate(const std::string& path, std::unique_ptr<FileLock>* lock) override {
    lock->reset();
    const std::string real = RealPath(path);
    if (real.empty()) return FileResult::Failure(FileFault::kNotFound, path);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kLockWaitMilliseconds);
    // The lock is an flock on the file itself, or on its folder while there is
    // no file. A writer replaces the file by a new one, so whoever waited on the
    // old one (or on the folder) looks again once it has the lock.
    while (std::chrono::steady_clock::now() < deadline) {
      struct stat before;
      const bool exists = StatPath(real, &before);
      const std::string held_path = exists ? real : ParentOf(real);
      int fd = ::open(held_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
      if (fd < 0) {
        if (errno == ENOENT && exists) continue;  // replaced or removed meanwhile
        return ErrnoResult(errno, real);
      }
      if (!WaitForFlock(fd, deadline)) {
        ::close(fd);
        break;
      }
      struct stat held;
      struct stat now;
      const bool exists_now = StatPath(real, &now);
      if (::fstat(fd, &held) == 0 && exists == exists_now && (!exists || SameFile(held, now))) {
        *lock = std::make_unique<FlockLock>(fd);
        return {};
      }
      ::close(fd);
    }
    return FileResult::Failure(FileFault::kInUse, real);
  }

  int RemoveStaleTemporaryFiles(const std::string& folder) override {
    std::string real = ResolvePathCase(folder);
    if (real.empty()) real = ".";
    DIR* dir = ::opendir(real.c_str());
    if (dir == nullptr) return 0;
    const std::string pattern = std::string(kPosixTempPrefix) + "??????" + kPosixTempSuffix;
    int removed = 0;
    while (struct dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (!MatchesWildcard(pattern, name)) continue;
      const std::string path = real + "/" + name;
      int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
      if (fd < 0) continue;
      struct stat st;
      // A writer holds its temporary file from creation to rename: one we can
      // lock has no writer left.
      if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
          ::unlink(path.c_str()) == 0) {
        ++removed;
      }
      ::close(fd);
    }
    ::closedir(dir);
    return removed;
  }

  std::vector<std::string> ListFiles(const std::string& folder,
                                     const std::string& pattern) override {
    std::vector<std::string> names;
    std::string real = ResolvePathCase(folder);
    if (real.empty()) real = ".";
    DIR* dir = ::opendir(real.c_str());
    if (dir == nullptr) return names;
    while (struct dirent* entry = ::readdir(dir)) {
      std::string name = entry->d_name;
      if (name == "." || name == ".." || !MatchesWildcard(pattern, name)) continue;
      struct stat st;
      if (StatPath(real + "/" + name, &st) && S_ISREG(st.st_mode)) names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), CaseInsensitiveLess);
    return names;
  }

 private:
  static bool WaitForFlock(int fd, std::chrono::steady_clock::time_point deadline) {
    auto pause = std::chrono::milliseconds(1);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK && errno != EINTR) return false;
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::this_thread::sleep_for(pause);
      pause = std::min(pause * 2, std::chrono::milliseconds(16));
    }
    return true;
  }

  FileOps& ops_;
};

}  // namespace

std::unique_ptr<FileSystem> NewPlatformFileSystem(FileOps& ops) {
  return std::make_unique<PosixFileSystem>(ops);
}

FileSystem& FileSystem::Default() {
  // Never destroyed: used until exit.
  static FileSystem* fs = NewPlatformFileSystem(FileOps::Default()).release();
  return *fs;
}

}  // namespace k9
