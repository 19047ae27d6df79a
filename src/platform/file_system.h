// FileSystem is the port through which every part of the system touches files and
// folders. Paths are 8-bit text and may use "\" or "/" as separators on every
// platform. Names are matched without regard to letter case wherever Windows
// would match them, so "kestrel9.ini" finds "Kestrel9.INI" on POSIX as well.
//
// Implementations never throw: each method reports failure through its result.
// Default() returns the platform's implementation; FileSystemWrapper forwards
// every call, so a test fake overrides only the calls it wants to change.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_ops.h"
#include "platform/file_result.h"

namespace k9 {

// Held while it lives: see FileSystem::LockForUpdate.
class FileLock {
 public:
  FileLock() = default;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  virtual ~FileLock();
};

// How long LockForUpdate waits for another holder before it reports kInUse.
inline constexpr int kLockWaitMilliseconds = 10000;

class FileSystem {
 public:
  FileSystem() = default;
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;
  virtual ~FileSystem();

  // The platform's file system. The result belongs to the library; never delete it.
  static FileSystem& Default();

  // True when `path` names an existing regular file.
  virtual bool FileExists(const std::string& path) = 0;

  // True when `path` names an existing folder.
  virtual bool DirectoryExists(const std::string& path) = 0;

  // Creates the folder `path` (its parent must exist). True when the folder
  // exists afterwards, including when it existed before.
  virtual bool MakeDirectory(const std::string& path) = 0;

  // Reads the whole file into *contents. On failure returns false and leaves
  // *contents empty.
  virtual bool ReadFile(const std::string& path, std::string* contents) = 0;

  // Replaces the file's contents with `contents`: the bytes go to a temporary
  // file in the same folder, which is then renamed over the target. On failure
  // the file that was there (if any) is left as it was, and the result says why.
  // An existing file whose name differs only in case is replaced, keeping its
  // name; a symbolic link is written through to the file it names. A read-only
  // file is refused (kReadOnly), judged by its read-only attribute on Windows
  // and by its permission bits elsewhere (no write bit set), for every user.
  virtual FileResult WriteFileAtomic(const std::string& path, std::string_view contents) = 0;

  // Deletes the file. True when it existed and is gone.
  virtual bool RemoveFile(const std::string& path) = 0;

  // Copies `from` over `to` (atomically, as WriteFileAtomic).
  virtual FileResult CopyFileTo(const std::string& from, const std::string& to) = 0;

  // Serialises read-modify-write of the file `path` between threads and
  // processes: while the returned lock lives, every other LockForUpdate of the
  // same file waits (at most kLockWaitMilliseconds, then kInUse). A process that
  // dies holding it releases it. Holders must not lock the same file twice.
  virtual FileResult LockForUpdate(const std::string& path, std::unique_ptr<FileLock>* lock) = 0;

  // Deletes the temporary files of our own naming in `folder` that no writer
  // holds: what writes killed mid-way left behind. Returns how many went.
  virtual int RemoveStaleTemporaryFiles(const std::string& folder) = 0;

  // Names (not paths) of the regular files in `folder` that match `pattern`, a
  // wildcard pattern with "*" and "?" matched without regard to case, sorted by
  // name. A missing folder yields an empty list.
  virtual std::vector<std::string> ListFiles(const std::string& folder,
                                             const std::string& pattern) = 0;
};

// Forwards every call to another FileSystem; derive from it to change a few calls.
class FileSystemWrapper : public FileSystem {
 public:
  explicit FileSystemWrapper(FileSystem& target) : target_(target) {}

  bool FileExists(const std::string& path) override { return target_.FileExists(path); }
  bool DirectoryExists(const std::string& path) override { return target_.DirectoryExists(path); }
  bool MakeDirectory(const std::string& path) override { return target_.MakeDirectory(path); }
  bool ReadFile(const std::string& path, std::string* contents) override {
    return target_.ReadFile(path, contents);
  }
  FileResult WriteFileAtomic(const std::string& path, std::string_view contents) override {
    return target_.WriteFileAtomic(path, contents);
  }
  bool RemoveFile(const std::string& path) override { return target_.RemoveFile(path); }
  FileResult CopyFileTo(const std::string& from, const std::string& to) override {
    return target_.CopyFileTo(from, to);
  }
  FileResult LockForUpdate(const std::string& path, std::unique_ptr<FileLock>* lock) override {
    return target_.LockForUpdate(path, lock);
  }
  int RemoveStaleTemporaryFiles(const std::string& folder) override {
    return target_.RemoveStaleTemporaryFiles(folder);
  }
  std::vector<std::string> ListFiles(const std::string& folder,
                                     const std::string& pattern) override {
    return target_.ListFiles(folder, pattern);
  }

 protected:
  FileSystem& target() { return target_; }

 private:
  FileSystem& target_;
};

// The platform's file system with its replace steps taken from `ops`, which must
// outlive it. Default() is this over FileOps::Default(); tests pass a wrapper
// that fails chosen steps.
std::unique_ptr<FileSystem> NewPlatformFileSystem(FileOps& ops);

}  // namespace k9
