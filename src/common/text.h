// Text and number helpers shared by every part of the system. Text is 8-bit ANSI
// bytes; numbers are read and written with "." as the decimal separator in every
// locale, never through locale-aware library calls.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace k9 {

// The leading decimal number of `text` (after leading blanks): an optional sign,
// digits, an optional "." and digits, an optional exponent. 0 when there is none.
// "12.5abc" -> 12.5, " -3" -> -3, "abc" -> 0, ".5" -> 0.5.
double LeadingNumber(std::string_view text);

// Reads text as a Boolean: "True"/"False" in any letter case, or a number (any
// non-zero number is true). Anything else throws ConversionError.
bool ToBoolean(std::string_view text);

// Formats a number the way the system writes numbers into files and messages:
// shortest round-trip form, "." as the separator, no exponent for ordinary values.
std::string FormatNumber(double value);

// Letter case as the Windows ANSI functions change it for code page 1252, the
// 8-bit character set of every text the system reads and writes: "a\xF1asco"
// and "A\xD1ASCO" are the same name in two cases.
std::string ToUpper(std::string_view text);
std::string ToLower(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// Removes blanks and tabs at both ends.
std::string Trim(std::string_view text);
// Splits at every occurrence of `separator`; "" yields one empty field.
std::vector<std::string> Split(std::string_view text, char separator);

// The separator this platform writes between path parts ("\" on Windows, "/" elsewhere).
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

inline bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

// Joins two path parts with exactly one separator between them: a separator that
// either part already has at the join is kept and none is added. An empty part
// yields the other unchanged.
std::string JoinPath(std::string_view folder, std::string_view name);

// The folder part of a path, without its trailing separator ("" when none).
std::string FolderOf(std::string_view path);
// The name part of a path (after the last "\" or "/").
std::string FileNameOf(std::string_view path);
// The name without its last extension ("Kestrel9.dll" -> "Kestrel9").
std::string BaseNameOf(std::string_view path);

// Replaces each LF that has no CR before it with CRLF.
std::string ToCrlf(std::string_view text);

}  // namespace k9
