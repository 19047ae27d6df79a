// FaultyFileOps wraps the platform's replace steps and fails the Nth call of one
// kind of step, as a disk, a full file system or a failing device would: a space
// check that finds no room, a write that stops half-way with the disk full, a
// flush that reports an input/output error, a rename that is refused. Every
// other call goes through to the real steps, so the code under test runs on a
// real file system exactly as in the product. This is the fault-injection
// pattern of SQLite's test VFS and LevelDB's FaultInjectionTestEnv.
#pragma once

#include <string>
#include <string_view>

#include "platform/file_ops.h"

namespace k9::testing {

class FaultyFileOps : public FileOpsWrapper {
 public:
  enum class Step { kSpaceCheck, kWrite, kFlush, kRename };

  explicit FaultyFileOps(FileOps& real = FileOps::Default()) : FileOpsWrapper(real) {}

  // The `n`th call of `step` from now on fails (n counts from 1); 0 fails none.
  void FailNth(Step step, int n) {
    step_ = step;
    countdown_ = n;
    fired_ = false;
  }
  // True once the chosen call has failed.
  bool fired() const { return fired_; }

  // The fault each step reports when it fails.
  static FileFault FaultOf(Step step) {
    switch (step) {
      case Step::kSpaceCheck:
      case Step::kWrite:
        return FileFault::kDiskFull;
      case Step::kFlush:
        return FileFault::kOther;
      case Step::kRename:
        break;
    }
    return FileFault::kAccessDenied;
  }
  static constexpr char kFlushDetail[] = "input/output error";

  FileResult CheckSpace(const std::string& folder, std::uint64_t bytes) override {
    if (Fires(Step::kSpaceCheck)) return Fail(Step::kSpaceCheck, folder);
    return FileOpsWrapper::CheckSpace(folder, bytes);
  }
  FileResult Write(TempFile& temp, std::string_view data) override {
    if (Fires(Step::kWrite)) {
      // A full disk takes part of the data before it refuses the rest.
      FileOpsWrapper::Write(temp, data.substr(0, data.size() / 2));
      return Fail(Step::kWrite, temp.path);
    }
    return FileOpsWrapper::Write(temp, data);
  }
  FileResult Flush(TempFile& temp) override {
    if (Fires(Step::kFlush)) return Fail(Step::kFlush, temp.path);
    return FileOpsWrapper::Flush(temp);
  }
  FileResult Rename(TempFile& temp, const std::string& target) override {
    if (Fires(Step::kRename)) return Fail(Step::kRename, target);
    return FileOpsWrapper::Rename(temp, target);
  }

 private:
  bool Fires(Step step) {
    if (step != step_ || countdown_ <= 0 || --countdown_ > 0) return false;
    fired_ = true;
    return true;
  }
  static FileResult Fail(Step step, const std::string& path) {
    return FileResult::Failure(FaultOf(step), path, step == Step::kFlush ? kFlushDetail : "");
  }

  Step step_ = Step::kWrite;
  int countdown_ = 0;
  bool fired_ = false;
};

}  // namespace k9::testing
