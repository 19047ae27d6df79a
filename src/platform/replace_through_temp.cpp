#include <algorithm>

#include "platform/file_ops.h"

namespace k9 {

FileOps::~FileOps() = default;

FileResult ReplaceThroughTemp(FileOps& ops, const std::string& folder, const std::string& target,
                              std::string_view contents) {
  FileResult result = ops.CheckSpace(folder, contents.size());
  if (!result) return result.For(target);
  FileOps::TempFile temp;
  result = ops.CreateTemp(folder, target, &temp);
  if (!result) return result.For(target);
  do {
    const std::string_view piece = contents.substr(0, std::min(contents.size(), kWriteChunk));
    result = ops.Write(temp, piece);
    contents.remove_prefix(piece.size());
  } while (result && !contents.empty());
  if (result) result = ops.Flush(temp);
  if (result) result = ops.Rename(temp, target);
  if (!result) ops.Discard(temp);
  return result.For(target);
}

}  // namespace k9
