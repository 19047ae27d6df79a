#include "platform/file_result.h"

namespace k9 {

FileResult FileResult::Failure(FileFault fault, std::string path, std::string detail) {
  FileResult result;
  // A failure without a fault of its own is still a failure.
  result.fault_ = fault == FileFault::kNone ? FileFault::kOther : fault;
  result.path_ = std::move(path);
  result.detail_ = std::move(detail);
  return result;
}

FileResult FileResult::Damaged(std::string path, int line, std::string detail) {
  FileResult result = Failure(FileFault::kDamaged, std::move(path), std::move(detail));
  result.line_ = line;
  return result;
}

FileResult FileResult::For(std::string path) const {
  FileResult result = *this;
  if (!ok()) result.path_ = std::move(path);
  return result;
}

std::string DescribeFileProblem(const FileResult& result) {
  const std::string file = "\"" + result.path() + "\"";
  switch (result.fault()) {
    case FileFault::kNone:
      return "";
    case FileFault::kNotFound:
      return "The file " + file + " cannot be found.";
    case FileFault::kNoFolder:
      return "The folder that should hold " + file + " does not exist.";
    case FileFault::kIsFolder:
      return file + " is a folder, not a file.";
    case FileFault::kReadOnly:
      return "The file " + file + " is read-only.";
    case FileFault::kAccessDenied:
      return "Access to " + file + " or its folder is denied.";
    case FileFault::kDiskFull:
      return "The disk is full, so " + file + " cannot be written.";
    case FileFault::kInUse:
      return "The file " + file + " is in use by another program.";
    case FileFault::kDamaged: {
      std::string text = "The file " + file + " is damaged";
      if (result.line() > 0) text += " at line " + std::to_string(result.line());
      if (!result.detail().empty()) text += ": " + result.detail();
      return text + ".";
    }
    case FileFault::kOther:
      break;
  }
  std::string text = "The file " + file + " cannot be used";
  if (!result.detail().empty()) text += ": " + result.detail();
  return text + ".";
}

}  // namespace k9
