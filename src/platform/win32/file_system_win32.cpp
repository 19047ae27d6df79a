// FileSystem on Windows. The Win32 file functions already match names without
// regard to case; "/" is turned into "\" first so every path reaches them in the
// one form they all accept.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/win32/win32_errors.h"
#include "platform/win32/win32_util.h"
#include "platform/wildcard.h"

namespace k9 {

namespace {

// Closes a file handle when it goes out of scope.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  bool Close() {
    if (!valid()) return true;
    bool ok = ::CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE handle_;
};

DWORD Attributes(const std::string& path) {
  if (path.empty()) return INVALID_FILE_ATTRIBUTES;
  return ::GetFileAttributesA(path.c_str());
}

bool IsFile(const std::string& path) {
  DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsFolder(const std::string& path) {
  DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The folder part of a native path ("." for a bare name); `name` gets the rest.
std::string SplitFolder(const std::string& path, std::string* name) {
  std::size_t slash = path.find_last_of("\\:");
  if (slash == std::string::npos) {
    *name = path;
    return ".";
  }
  *name = path.substr(slash + 1);
  if (path[slash] == ':' || slash == 0 || (slash == 2 && path[1] == ':')) {
    return path.substr(0, slash + 1);  // "C:", "\" or "C:\" is the folder itself
  }
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

// The file a path names once symbolic links and junctions are followed, so that
// a write goes through a link instead of replacing it. A path that is no link,
// or whose target cannot be opened, stays as it is.
std::string FollowLinks(const std::string& native) {
  const DWORD attributes = Attributes(native);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return native;
  }
  FileHandle file(::CreateFileA(native.c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) return native;
  char final_path[MAX_PATH * 2];
  DWORD n = ::GetFinalPathNameByHandleA(file.get(), final_path, sizeof final_path,
                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (n == 0 || n >= sizeof final_path) return native;
  std::string real(final_path, n);
  if (real.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + real.substr(8);
  if (real.rfind("\\\\?\\", 0) == 0) return real.substr(4);
  return real;
}

// A named mutex owned by the calling thread; a thread or process that ends
// holding one leaves it abandoned, and the next waiter gets it.
class MutexLock : public FileLock {
 public:
  explicit MutexLock(HANDLE mutex) : mutex_(mutex) {}
  ~MutexLock() override {
    ::ReleaseMutex(mutex_);
    ::CloseHandle(mutex_);
  }

 private:
  HANDLE mutex_;
};

// The mutex name for a file: its full path in upper case, "\\" turned into "/"
// (mutex names may hold no "\\" of their own), in the session's namespace.
std::string LockName(const std::string& native) {
  char full[MAX_PATH * 2];
  DWORD n = ::GetFullPathNameA(native.c_str(), sizeof full, full, nullptr);
  std::string path = n > 0 && n < sizeof full ? std::string(full, n) : native;
  for (char& c : path) {
    c = c == '\\' ? '/' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  std::string name = "Local\\Kestrel9.lock:" + path;
  // Names are limited to MAX_PATH characters; a longer path keeps its tail and a hash of all.
  if (name.size() >= MAX_PATH) {
    std::size_t hash = std::hash<std::string>{}(path);
    name = "Local\\Kestrel9.lock:" + std::to_string(hash) + ":" + path.substr(path.size() - 180);
  }
  return name;
}

class Win32FileSystem : public FileSystem {
 public:
  explicit Win32FileSystem(FileOps& ops) : ops_(ops) {}

  bool FileExists(const std::string& path) override { return IsFile(NativePath(path)); }

  bool DirectoryExists(const std::string& path) override { return IsFolder(NativePath(path)); }

  bool MakeDirectory(const std::string& path) override {
    std::string native = NativePath(path);
    if (native.empty()) return false;
    if (!::CreateDirectoryA(native.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
      return false;
    }
    return IsFolder(native);
  }

  bool ReadFile(const std::string& path, std::string* contents) override {
    contents->clear();
    std::string native = NativePath(path);
    if (!IsFile(native)) return false;
    FileHandle file(::CreateFileA(native.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    std::string data;
    LARGE_INTEGER size;
    if (::GetFileSizeEx(file.get(), &size) && size.QuadPart > 0) {
      data.reserve(static_cast<std::size_t>(size.QuadPart));
    }
    char buffer[65536];
    for (;;) {
      DWORD got = 0;
      if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) return false;
      if (got == 0) break;
      data.append(buffer, got);
    }
    contents->swap(data);
    return true;
  }

  FileResult WriteFileAtomic(const std::string& path, std::string_view contents) override {
    const std::string native = FollowLinks(NativePath(path));
    std::string name;
    const std::string folder = SplitFolder(native, &name);
    if (name.empty()) return FileResult::Failure(FileFault::kNotFound, native);
    if (IsFolder(native)) return FileResult::Failure(FileFault::kIsFolder, native);
    if (!IsFolder(folder)) return FileResult::Failure(FileFault::kNoFolder, native);

    // An existing file is replaced under the name it has, whatever case the caller used.
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA(native.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      ::FindClose(search);
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) name = found.cFileName;
    }
    std::string target = folder;
    if (target.back() != '\\' && target.back() != ':') target.push_back('\\');
    target += name;
    // Windows refuses to replace a read-only file; Wine would replace it, so
    // the rule is checked here to behave the same on both.
    if (search != INVALID_HANDLE_VALUE && (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
      return FileResult::Failure(FileFault::kReadOnly, target);
    }
    return ReplaceThroughTemp(ops_, folder, target, contents);
  }

  bool RemoveFile(const std::string& path) override {
    std::string native = NativePath(path);
    return IsFile(native) && ::DeleteFileA(native.c_str());
  }

  FileResult CopyFileTo(const std::string& from, const std::string& to) override {
    std::string contents;
    if (!ReadFile(from, &contents)) {
      return FileResult::Failure(FileExists(from) ? FileFault::kAccessDenied : FileFault::kNotFound,
                                 NativePath(from));
    }
    return WriteFileAtomic(to, contents);
  }

  FileResult LockForUpdate(const std::string& path, std::unique_ptr<FileLock>* lock) override {
    lock->reset();
    const std::string native = FollowLinks(NativePath(path));
    if (native.empty()) return FileResult::Failure(FileFault::kNotFound, path);
    HANDLE mutex = ::CreateMutexA(nullptr, FALSE, LockName(native).c_str());
    if (mutex == nullptr) return Win32ErrorResult(::GetLastError(), native);
    const DWORD waited = ::WaitForSingleObject(mutex, kLockWaitMilliseconds);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
      ::CloseHandle(mutex);
      return FileResult::Failure(FileFault::kInUse, native);
    }
    *lock = std::make_unique<MutexLock>(mutex);
    return {};
  }

  int RemoveStaleTemporaryFiles(const std::string& folder) override {
    std::string native = NativePath(folder);
    if (native.empty()) native = ".";
    if (native.back() != '\\' && native.back() != ':') native.push_back('\\');
    int removed = 0;
    for (const std::string& name : ListFiles(folder, kWin32TempPattern)) {
      // A writer holds its temporary file without sharing until the rename, so
      // the deletion fails for every file still being written.
      if (::DeleteFileA((native + name).c_str())) ++removed;
    }
    return removed;
  }

  std::vector<std::string> ListFiles(const std::string& folder,
                                     const std::string& pattern) override {
    std::vector<std::string> names;
    std::string native = NativePath(folder);
    if (native.empty()) native = ".";
    if (native.back() != '\\' && native.back() != ':') native.push_back('\\');
    // Every entry is matched by our own matcher: the system's would also match the
    // short 8.3 aliases, so "*.OVR" would find "x.OVRX" through "X~1.OVR".
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((native + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      std::string name = found.cFileName;
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
      if (MatchesWildcard(pattern, name)) names.push_back(name);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    std::sort(names.begin(), names.end(), CaseInsensitiveLess);
    return names;
  }

 private:
  FileOps& ops_;
};

}  // namespace

std::unique_ptr<FileSystem> NewPlatformFileSystem(FileOps& ops) {
  return std::make_unique<Win32FileSystem>(ops);
}

FileSystem& FileSystem::Default() {
  // Never destroyed: used until exit.
  static FileSystem* fs = NewPlatformFileSystem(FileOps::Default()).release();
  return *fs;
}

}  // namespace k9
