// FileOps is the port beneath FileSystem::WriteFileAtomic: the primitive steps a
// safe replace is made of (check the space, create a temporary file, write it,
// flush it, rename it over the target). Each platform has one; the platform's
// FileSystem runs ReplaceThroughTemp over it. Tests wrap it (FileOpsWrapper) to
// fail one step and check that the file being replaced survives every failure,
// as SQLite's and LevelDB's fault-injection tests do with their own ports.
//
// Temporary files are named so that RemoveStaleTemporaryFiles recognises them
// (".k9-XXXXXX.tmp" on POSIX, "k9XXXX.tmp" on Windows), and each is held by its
// writer from creation until it is renamed or discarded, so a sweep never takes
// one that is still being written.
//
// Implementations never throw. Failures name the file they concern.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_result.h"

namespace k9 {

class FileOps {
 public:
  // A temporary file being written: its path and the platform's handle.
  struct TempFile {
    std::string path;
    std::intptr_t handle = -1;
  };

  FileOps() = default;
  FileOps(const FileOps&) = delete;
  FileOps& operator=(const FileOps&) = delete;
  virtual ~FileOps();

  // The platform's steps. The result belongs to the library; never delete it.
  static FileOps& Default();

  // Fails with kDiskFull when `folder`'s disk has no room for `bytes` more.
  // Passes when the free space cannot be learned: the write then tells.
  virtual FileResult CheckSpace(const std::string& folder, std::uint64_t bytes) = 0;

  // Creates a new, empty temporary file in `folder`, open for writing, with the
  // permissions of the file `like` when that exists.
  virtual FileResult CreateTemp(const std::string& folder, const std::string& like,
                                TempFile* temp) = 0;

  // Appends `data` to the temporary file.
  virtual FileResult Write(TempFile& temp, std::string_view data) = 0;

  // Makes what was written durable (fsync, FlushFileBuffers).
  virtual FileResult Flush(TempFile& temp) = 0;

  // Moves the temporary file over `target`, replacing it in one step, and closes
  // it. On failure the temporary file is still open and `target` is unchanged.
  virtual FileResult Rename(TempFile& temp, const std::string& target) = 0;

  // Closes and deletes a temporary file that will not be used.
  virtual void Discard(TempFile& temp) = 0;
};

// Forwards every step to another FileOps; derive from it to change a few steps.
class FileOpsWrapper : public FileOps {
 public:
  explicit FileOpsWrapper(FileOps& target) : target_(target) {}

  FileResult CheckSpace(const std::string& folder, std::uint64_t bytes) override {
    return target_.CheckSpace(folder, bytes);
  }
  FileResult CreateTemp(const std::string& folder, const std::string& like,
                        TempFile* temp) override {
    return target_.CreateTemp(folder, like, temp);
  }
  FileResult Write(TempFile& temp, std::string_view data) override {
    return target_.Write(temp, data);
  }
  FileResult Flush(TempFile& temp) override { return target_.Flush(temp); }
  FileResult Rename(TempFile& temp, const std::string& target) override {
    return target_.Rename(temp, target);
  }
  void Discard(TempFile& temp) override { target_.Discard(temp); }

 private:
  FileOps& target_;
};

// Largest piece handed to one Write step.
inline constexpr std::size_t kWriteChunk = 1 << 20;

// Replaces `target` (a file in `folder`, or a new one) with `contents` through a
// temporary file in `folder`: space check, create, write (in pieces of at most
// kWriteChunk), flush, rename. A failing step discards the temporary file and
// leaves `target` as it was; the failure is reported for `target`.
FileResult ReplaceThroughTemp(FileOps& ops, const std::string& folder, const std::string& target,
                              std::string_view contents);

}  // namespace k9
