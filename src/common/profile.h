// Reading and writing profile (INI) files with the observable rules of the Windows
// private-profile functions, on every platform. One implementation serves Windows
// and POSIX alike, so a settings file behaves the same wherever it is used.
//
// The file format, as read:
//   - Lines end at CRLF, LF or CR alone. The last line needs no line end.
//   - White space (blank, tab, CR, LF, VT, FF and the DOS end-of-file mark 0x1A) is
//     trimmed from both ends of every line, around the "=" of a key line and from
//     the names asked for.
//   - "[name]" starts a section; the name runs to the last "]" of the line. Lines
//     before the first header form a section whose name is empty.
//   - "name=value" is a key line; a line without "=" is a key without a value,
//     which reads as absent. Lines starting with ";" are comments: they are left out
//     of key lists and never changed by writes, though asking for the key ";name"
//     reads the comment ";name=value" as the platform's functions do.
//   - Section and key names match without regard to letter case (ASCII and the
//     letters of Windows code page 1252); the first matching section, and the first
//     matching key in it, win.
//   - A value is cut at its first NUL, and one pair of matching double or single
//     quotes around it is removed.
//
// Writing replaces only the line it changes; every other byte of the file is kept.
// New and changed lines end with CRLF. A new key goes after the last key line of
// its section, a new section at the end of the file. The file is replaced
// atomically (temporary file and rename), so a failed write leaves it unchanged.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace k9 {

// Copies into `buffer` (of `size` characters, NUL-terminated) what the private-
// profile read function yields for `contents`, and returns the count it returns:
//   - with a key: the value, or `default_value` when the section or the key is
//     absent (the default loses trailing blanks and, like a stored value, one pair
//     of surrounding quotes); cut to size - 1 characters; the count is its length.
//   - without a key: the key names of the section (keys with a value, no comments)
//     in file order, each ended by a NUL, the list ended by one more NUL. When the
//     names do not fit, the last one is cut, two NULs end the buffer and the count
//     is size - 2. A missing or empty section gives the default instead.
// size 0 copies nothing and returns 0.
std::size_t ReadProfileText(std::string_view contents, std::string_view section,
                            std::optional<std::string_view> key, std::string_view default_value,
                            char* buffer, std::size_t size);

// The contents after the private-profile write function has run on them:
//   - key and value given: sets the key (creating the section when needed);
//   - key given, value absent: deletes the first matching key line;
//   - key absent: deletes the first matching section, its header and all its lines.
// Returns nullopt when the contents stay as they are (nothing to delete, or the
// value already stored exactly so). Names and value are cut at their first NUL.
std::optional<std::string> EditProfileText(std::string_view contents, std::string_view section,
                                           std::optional<std::string_view> key,
                                           std::optional<std::string_view> value);

// True when `text` can be written as a section, key or value: a line break in it
// would split the line and change the file's structure, so such writes are refused.
bool IsWritableProfileText(std::string_view text);

// True when `key` can be written as a key name: writable text without "=" (which
// would move the rest of the name into the value) that does not begin with ";" or
// "[" (which would turn the line into a comment or a section header).
bool IsWritableProfileKey(std::string_view key);

// ReadProfileText on the file `path`; a file that is missing or cannot be read
// counts as empty.
std::size_t ReadProfileValue(FileSystem& fs, const std::string& path, std::string_view section,
                             std::optional<std::string_view> key, std::string_view default_value,
                             char* buffer, std::size_t size);

// As ReadProfileValue, returning the first `count` characters of a buffer of
// `size` characters as a string.
std::string ReadProfileString(FileSystem& fs, const std::string& path, std::string_view section,
                              std::optional<std::string_view> key, std::string_view default_value,
                              std::size_t size);

// EditProfileText on the file `path` (a missing file counts as empty and is
// created when something is written), read, changed and replaced under the file
// system's update lock, so writers in other processes lose nothing of each
// other's. Success when the file holds the change afterwards, including when
// there was nothing to change. A failure, with the file untouched, when the file
// cannot be read or written, when a section or value is not
// IsWritableProfileText or a key not IsWritableProfileKey.
FileResult WriteProfileValue(FileSystem& fs, const std::string& path, std::string_view section,
                             std::optional<std::string_view> key,
                             std::optional<std::string_view> value);

}  // namespace k9
