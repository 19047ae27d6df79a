#include "platform/posix/path_case.h"

#include <dirent.h>
#include <sys/stat.h>

#include "platform/wildcard.h"

namespace k9 {

namespace {

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// The entry of `folder` whose name equals `name` without regard to case, or "".
std::string FindIgnoringCase(const std::string& folder, const std::string& name) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return "";
  std::string best;
  while (struct dirent* entry = ::readdir(dir)) {
    std::string candidate = entry->d_name;
    if (SameNameIgnoringCase(candidate, name) && (best.empty() || candidate < best)) {
      best = candidate;
    }
  }
  ::closedir(dir);
  return best;
}

}  // namespace

std::string ResolvePathCase(const std::string& path) {
  std::string out;
  bool absolute = !path.empty() && IsPathSeparator(path[0]);
  if (absolute) out = "/";
  bool missing = false;
  std::size_t i = 0;
  while (i < path.size()) {
    while (i < path.size() && IsPathSeparator(path[i])) ++i;
    std::size_t end = i;
    while (end < path.size() && !IsPathSeparator(path[end])) ++end;
    if (end == i) break;
    std::string part = path.substr(i, end - i);
    i = end;
    std::string folder = out;
    if (!out.empty() && out.back() != '/') out.push_back('/');
    if (missing || part == "." || part == ".." || Exists(out + part)) {
      out += part;
      continue;
    }
    std::string found = FindIgnoringCase(folder, part);
    if (found.empty()) {
      missing = true;
      out += part;
    } else {
      out += found;
    }
  }
  return out;
}

}  // namespace k9
