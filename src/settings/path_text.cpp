#include "settings/path_text.h"

#include "common/text.h"

namespace k9 {

std::string ParentFolder(std::string_view path) {
  const std::size_t last = path.find_last_of("\\/");
  // Positions counted from 1: a separator at position 1 or 2 has no parent before it.
  if (last == std::string_view::npos || last < 2) return "";
  if (path[last - 1] == ':') return std::string(path.substr(0, last + 1));
  return std::string(path.substr(0, last));
}

void StripTrailingBackslash(std::string& path) {
  if (path.size() >= 4 && IsPathSeparator(path.back())) path.pop_back();
}

std::string AppendToFolder(std::string_view folder, std::string_view name) {
  std::string result(folder);
  if (result.empty() || !IsPathSeparator(result.back())) {
    const std::size_t last = folder.find_last_of("\\/");
    result += last == std::string_view::npos ? kPathSeparator : folder[last];
  }
  result += name;
  return result;
}

}  // namespace k9
