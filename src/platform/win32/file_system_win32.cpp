// FileSystem on Windows. The Win32 file functions already match names without
// regard to case; "/" is turned into "\" first so every path reaches them in the
// one form they all accept.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/file_system.h"
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

bool WriteAll(HANDLE file, std::string_view data) {
  while (!data.empty()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file, data.data(), chunk, &written, nullptr) || written == 0) return false;
    data.remove_prefix(written);
  }
  return true;
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

class Win32FileSystem : public FileSystem {
 public:
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

  bool WriteFileAtomic(const std::string& path, std::string_view contents) override {
    std::string native = NativePath(path);
    std::string name;
    std::string folder = SplitFolder(native, &name);
    if (name.empty() || IsFolder(native) || !IsFolder(folder)) return false;

    // An existing file is replaced under the name it has, whatever case the caller used.
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA(native.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      ::FindClose(search);
      // Windows refuses to replace a read-only file; Wine would replace it, so
      // the rule is checked here to behave the same on both.
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) return false;
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) name = found.cFileName;
    }
    std::string target = folder;
    if (target.back() != '\\' && target.back() != ':') target.push_back('\\');
    target += name;

    char temp[MAX_PATH + 1];
    if (::GetTempFileNameA(folder.c_str(), "k9", 0, temp) == 0) return false;
    bool ok;
    {
      FileHandle file(::CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
      ok = file.valid() && WriteAll(file.get(), contents) && ::FlushFileBuffers(file.get());
      ok = file.Close() && ok;
    }
    if (ok) {
      ok = ::MoveFileExA(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    }
    if (!ok) ::DeleteFileA(temp);
    return ok;
  }

  bool RemoveFile(const std::string& path) override {
    std::string native = NativePath(path);
    return IsFile(native) && ::DeleteFileA(native.c_str());
  }

  bool CopyFileTo(const std::string& from, const std::string& to) override {
    std::string contents;
    return ReadFile(from, &contents) && WriteFileAtomic(to, contents);
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
};

}  // namespace

FileSystem& FileSystem::Default() {
  static Win32FileSystem* fs = new Win32FileSystem;  // never destroyed: used until exit
  return *fs;
}

}  // namespace k9
