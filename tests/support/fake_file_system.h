// FakeFileSystem keeps files and folders in memory, for tests of code that reads
// and writes files through the FileSystem port. Paths may use "\" or "/" and match
// without regard to letter case, as on Windows; a file keeps the spelling it was
// first written with. Writes can be made to fail, for the whole store or for one
// path, to test that a failed write changes nothing.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace k9::testing {

class FakeFileSystem : public FileSystem {
 public:
  FakeFileSystem() = default;

  // Test set-up and inspection.
  // Stores a file, creating its folders.
  void AddFile(const std::string& path, std::string contents);
  // Creates the folder and its parents.
  void AddDirectory(const std::string& path);
  // The file's contents, or nullopt when there is no such file.
  std::optional<std::string> Contents(const std::string& path) const;
  // The file's name as first written (for checking that case is kept).
  std::optional<std::string> StoredName(const std::string& path) const;
  // Makes every write (WriteFileAtomic, CopyFileTo, RemoveFile) fail, as on a
  // full disk unless another fault is given.
  void FailAllWrites(bool fail, FileFault fault = FileFault::kDiskFull) {
    fail_all_writes_ = fail;
    all_writes_fault_ = fault;
  }
  // Makes writes to this one path fail, as for a read-only file unless another
  // fault is given.
  void FailWritesTo(const std::string& path, FileFault fault = FileFault::kReadOnly);
  // Lets writes to this path succeed again.
  void AllowWritesTo(const std::string& path) { failing_writes_.erase(Key(path)); }
  // Makes reads of this path fail although the file exists.
  void FailReadsOf(const std::string& path);
  // Number of successful writes so far.
  int write_count() const { return write_count_; }

  // FileSystem. A write needs the file's folder to exist; folders "" and drive or
  // file-system roots always exist.
  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool MakeDirectory(const std::string& path) override;
  bool ReadFile(const std::string& path, std::string* contents) override;
  FileResult WriteFileAtomic(const std::string& path, std::string_view contents) override;
  bool RemoveFile(const std::string& path) override;
  FileResult CopyFileTo(const std::string& from, const std::string& to) override;
  // One process, one thread: the lock is always free.
  FileResult LockForUpdate(const std::string& path, std::unique_ptr<FileLock>* lock) override;
  int RemoveStaleTemporaryFiles(const std::string& /*folder*/) override { return 0; }
  std::vector<std::string> ListFiles(const std::string& folder,
                                     const std::string& pattern) override;

 private:
  struct File {
    std::string name;  // path as first written
    std::string contents;
  };

  // "/"-separated, upper case, no doubled or trailing separator.
  static std::string Key(std::string_view path);
  static std::string ParentKey(const std::string& key);
  bool FolderExists(const std::string& key) const;
  // Why a write to `key` fails, or success.
  FileResult WriteCheck(const std::string& key, const std::string& path) const;

  std::map<std::string, File> files_;
  std::set<std::string> folders_;
  std::map<std::string, FileFault> failing_writes_;
  std::set<std::string> failing_reads_;
  bool fail_all_writes_ = false;
  FileFault all_writes_fault_ = FileFault::kDiskFull;
  int write_count_ = 0;
};

}  // namespace k9::testing
