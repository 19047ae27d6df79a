// Path text helpers of the data path setup. Paths here are mostly the mapping
// product's Windows paths ("C:\MAPS\DATA1"), also on platforms whose own
// separator is "/", so both separators are understood, and a name appended to a
// path uses the separator the path already uses.
#pragma once

#include <string>
#include <string_view>

namespace k9 {

// The folder above `path`: the text before its last separator. Empty when there
// is no separator or it is the first or second character. A separator after a
// colon is kept, so the parent of "C:\MAPS" is the drive root "C:\".
std::string ParentFolder(std::string_view path);

// Removes one trailing separator from a path of 4 or more characters; a drive
// root such as "C:\" keeps its separator.
void StripTrailingBackslash(std::string& path);

// `folder`, one separator, `name`. The separator is "\" when the folder's last
// separator is "\", "/" when it is "/", and the platform's own when it has none;
// a folder that already ends with a separator gets none added.
std::string AppendToFolder(std::string_view folder, std::string_view name);

}  // namespace k9
