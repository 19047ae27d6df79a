// FileSystem on POSIX. Windows paths and names reach us unchanged, so each path
// is first mapped onto the real file system: "\" becomes "/", and every component
// that does not exist under its exact name is looked up without regard to case.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/posix/path_case.h"
#include "platform/wildcard.h"

namespace k9 {

namespace {

bool StatPath(const std::string& path, struct stat* st) {
  return !path.empty() && ::stat(path.c_str(), st) == 0;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
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

class PosixFileSystem : public FileSystem {
 public:
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

  bool WriteFileAtomic(const std::string& path, std::string_view contents) override {
    std::string real = ResolvePathCase(path);
    if (real.empty() || real.back() == '/') return false;
    std::string folder = ParentOf(real);
    std::string temp = folder + "/.k9-XXXXXX.tmp";
    int fd = ::mkostemps(temp.data(), 4, O_CLOEXEC);
    if (fd < 0) return false;
    // A replaced file keeps its permissions; a new one gets the usual 0644.
    struct stat old;
    mode_t mode = StatPath(real, &old) ? (old.st_mode & 07777) : 0644;
    bool ok = WriteAll(fd, contents) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temp.c_str(), real.c_str()) == 0;
    if (!ok) {
      ::unlink(temp.c_str());
      return false;
    }
    // Make the rename itself durable; a failure here no longer endangers the data.
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
    return true;
  }

  bool RemoveFile(const std::string& path) override {
    std::string real = ResolvePathCase(path);
    struct stat st;
    if (!StatPath(real, &st) || !S_ISREG(st.st_mode)) return false;
    return ::unlink(real.c_str()) == 0;
  }

  bool CopyFileTo(const std::string& from, const std::string& to) override {
    std::string contents;
    return ReadFile(from, &contents) && WriteFileAtomic(to, contents);
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
};

}  // namespace

FileSystem& FileSystem::Default() {
  static PosixFileSystem* fs = new PosixFileSystem;  // never destroyed: used until exit
  return *fs;
}

}  // namespace k9
