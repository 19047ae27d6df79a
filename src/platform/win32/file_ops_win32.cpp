// FileOps on Windows: temporary files "k9XXXX.tmp" beside their target, opened
// without sharing from creation until they are renamed or discarded, so no other
// process (and no sweep of stale files) can delete them meanwhile.
#include <windows.h>

#include <algorithm>

#include "platform/file_ops.h"
#include "platform/win32/win32_errors.h"

namespace k9 {

namespace {

HANDLE Handle(const FileOps::TempFile& temp) { return reinterpret_cast<HANDLE>(temp.handle); }

class Win32FileOps : public FileOps {
 public:
  FileResult CheckSpace(const std::string& folder, std::uint64_t bytes) override {
    ULARGE_INTEGER available;
    if (!::GetDiskFreeSpaceExA(folder.c_str(), &available, nullptr, nullptr)) return {};
    if (available.QuadPart < bytes) return FileResult::Failure(FileFault::kDiskFull, folder);
    return {};
  }

  FileResult CreateTemp(const std::string& folder, const std::string& /*like*/,
                        TempFile* temp) override {
    std::string base = folder;
    if (base.back() != '\\' && base.back() != ':') base.push_back('\\');
    // Four hex digits, as GetTempFileName makes them; a taken name tries the next.
    DWORD seed = ::GetTickCount() ^ (::GetCurrentProcessId() << 8) ^ ::GetCurrentThreadId();
    for (int attempt = 0; attempt < 0x10000; ++attempt) {
      char name[16];
      wsprintfA(name, "k9%04X.tmp", static_cast<unsigned>((seed + attempt) & 0xFFFF));
      const std::string path = base + name;
      HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE) {
        temp->path = path;
        temp->handle = reinterpret_cast<std::intptr_t>(file);
        return {};
      }
      const DWORD error = ::GetLastError();
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
        return Win32ErrorResult(error, path);
      }
    }
    return FileResult::Failure(FileFault::kOther, folder, "no free name for a temporary file");
  }

  FileResult Write(TempFile& temp, std::string_view data) override {
    while (!data.empty()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1u << 30));
      DWORD written = 0;
      if (!::WriteFile(Handle(temp), data.data(), chunk, &written, nullptr)) {
        return Win32ErrorResult(::GetLastError(), temp.path);
      }
      if (written == 0) return FileResult::Failure(FileFault::kDiskFull, temp.path);
      data.remove_prefix(written);
    }
    return {};
  }

  FileResult Flush(TempFile& temp) override {
    if (!::FlushFileBuffers(Handle(temp))) return Win32ErrorResult(::GetLastError(), temp.path);
    return {};
  }

  FileResult Rename(TempFile& temp, const std::string& target) override {
    // Windows moves only a file nobody holds open; a failed move deletes the
    // closed file in Discard.
    if (temp.handle != -1) {
      if (!::CloseHandle(Handle(temp))) return Win32ErrorResult(::GetLastError(), temp.path);
      temp.handle = -1;
    }
    if (!::MoveFileExA(temp.path.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return Win32ErrorResult(::GetLastError(), target);
    }
    temp.path.clear();
    return {};
  }

  void Discard(TempFile& temp) override {
    if (temp.handle != -1) ::CloseHandle(Handle(temp));
    temp.handle = -1;
    if (!temp.path.empty()) ::DeleteFileA(temp.path.c_str());
    temp.path.clear();
  }
};

}  // namespace

FileOps& FileOps::Default() {
  static Win32FileOps* ops = new Win32FileOps;  // never destroyed: used until exit
  return *ops;
}

}  // namespace k9
