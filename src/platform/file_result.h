// FileResult is the outcome of a file operation: success, or the reason it
// failed, kept in terms a user can be told ("read-only", "the disk is full",
// "damaged at line 12") together with the file it concerns, as the file is
// named on disk. The ports return it wherever a failure may lose something the
// user did, so the part that lost it can say why.
#pragma once

#include <string>

namespace k9 {

enum class FileFault {
  kNone,
  kNotFound,      // the file does not exist
  kNoFolder,      // the folder that should hold the file does not exist
  kIsFolder,      // a folder stands where the file should be
  kReadOnly,      // the file (or its disk) is read-only
  kAccessDenied,  // the system refuses access (permissions of the file or its folder)
  kDiskFull,      // no room on the disk
  kInUse,         // another program holds the file longer than we wait
  kDamaged,       // the contents cannot be read as the kind of file expected
  kOther,         // anything else; detail() carries the system's words
};

class FileResult {
 public:
  // Success.
  FileResult() = default;

  static FileResult Failure(FileFault fault, std::string path, std::string detail = {});
  // The file's contents are not what they should be; `line` counts from 1, 0 when
  // no line can be named.
  static FileResult Damaged(std::string path, int line, std::string detail = {});

  bool ok() const { return fault_ == FileFault::kNone; }
  explicit operator bool() const { return ok(); }

  FileFault fault() const { return fault_; }
  const std::string& path() const { return path_; }
  int line() const { return line_; }
  const std::string& detail() const { return detail_; }

  // The same failure reported for another file (a step on a temporary file is
  // reported for the file it was to replace). Success stays success.
  FileResult For(std::string path) const;

 private:
  FileFault fault_ = FileFault::kNone;
  std::string path_;
  int line_ = 0;
  std::string detail_;
};

// One sentence for the user that names the file and the reason, such as
// "The file "C:\Maps\Kestrel9.FAV" is read-only." "" for success.
std::string DescribeFileProblem(const FileResult& result);

}  // namespace k9
