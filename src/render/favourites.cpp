#include "render/favourites.h"

#include <utility>
#include <vector>

namespace k9 {

bool AppendFavourite(FileSystem& fs, const std::string& path, const std::string& entry) {
  std::string contents;
  if (fs.FileExists(path) && !fs.ReadFile(path, &contents)) return false;
  if (!contents.empty() && contents.back() != '\n' && contents.back() != '\r') contents += "\r\n";
  contents += entry;
  contents += "\r\n";
  return fs.WriteFileAtomic(path, contents);
}

bool SaveFavourites(FileSystem& fs, const std::string& path, const TextArray& entries) {
  std::string contents;
  if (entries.allocated) {
    if (entries.lower > 0 || entries.upper() >= kMaxFavourites) return false;
    // The walk starts at element 0 whatever the lower bound; elements below it
    // are not favourites.
    const auto first = static_cast<std::size_t>(-static_cast<std::int64_t>(entries.lower));
    for (std::size_t i = first; i < entries.items.size(); ++i) {
      contents += entries.items[i];
      contents += "\r\n";
    }
  }
  return fs.WriteFileAtomic(path, contents);
}

bool LoadFavourites(FileSystem& fs, const std::string& path, TextArray& entries) {
  std::string contents;
  if (!fs.ReadFile(path, &contents)) return false;
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < contents.size() && lines.size() < static_cast<std::size_t>(kMaxFavourites)) {
    std::size_t end = contents.find_first_of("\r\n", start);
    if (end == std::string::npos) end = contents.size();
    lines.emplace_back(contents, start, end - start);
    if (end == contents.size()) break;
    // CRLF is one line end; a lone CR or LF is one too.
    start = end + 1;
    if (contents[end] == '\r' && start < contents.size() && contents[start] == '\n') ++start;
  }
  if (lines.empty()) return false;
  entries.allocated = true;
  entries.lower = 0;
  entries.items = std::move(lines);
  return true;
}

}  // namespace k9
