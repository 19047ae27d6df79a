// Wildcard matching of file names as the Windows shell does it: "*" matches any
// run of characters (also none), "?" exactly one, letters without regard to case.
#pragma once

#include <string_view>

namespace k9 {

// True when `name` matches `pattern`. "*.*" matches every name, also one without
// a dot, as it does on Windows.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

// True when the names are equal without regard to (ASCII) letter case.
bool SameNameIgnoringCase(std::string_view a, std::string_view b);

}  // namespace k9
