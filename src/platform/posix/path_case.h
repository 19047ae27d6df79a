// Maps a Windows-style path onto the POSIX file system.
#pragma once

#include <string>

namespace k9 {

// The real path for `path`: "\" becomes "/", runs of separators collapse, and
// each component that does not exist under its exact name is replaced by an
// existing entry of its folder whose name differs only in letter case (the first
// in byte order when there are several). Components from the first one that
// exists in no case onwards are kept as written. "" stays "".
std::string ResolvePathCase(const std::string& path);

}  // namespace k9
