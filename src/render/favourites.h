// The favourite views file "Kestrel9.FAV" beside the server. The host composes each
// entry as one line of text; the file holds the entries, one per line, each ending
// in CRLF, with no header. Entries are kept exactly as handed over: no trimming,
// quoting or checking.
//
// At most 32768 entries are loaded or saved. Every change replaces the file
// atomically, so a failed save or append leaves the file the user had.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_system.h"
#include "server/text_array.h"

namespace k9 {

inline constexpr std::int32_t kMaxFavourites = 32768;

// Appends `entry` as a new last line, creating the file when there is none. A last
// line that lacks its CRLF gets one first, so the two entries stay apart. False,
// with the file unchanged, when it cannot be read or written.
bool AppendFavourite(FileSystem& fs, const std::string& path, const std::string& entry);

// Replaces the file with elements 0 to the upper bound of `entries`, one per line;
// elements below 0 are left out. An array that was never dimensioned (a host
// that deleted its last favourite passes one) or that has no element from 0 on
// leaves an empty file. False, with the file unchanged, when the lower bound is
// above 0 or the upper bound above 32767, or the file cannot be written.
bool SaveFavourites(FileSystem& fs, const std::string& path, const TextArray& entries);

// Fills `entries` with the file's lines (CRLF, LF or CR end a line; the last line
// needs none), bounds 0 to n-1, at most the first 32768 lines. A missing or
// unreadable file, or one without lines, leaves `entries` exactly as it was and
// returns false.
bool LoadFavourites(FileSystem& fs, const std::string& path, TextArray& entries);

}  // namespace k9
