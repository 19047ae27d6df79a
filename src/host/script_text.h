// The text a user writes in a script and reads in the host's output is UTF-8;
// the server's text is 8-bit Windows-1252, as a host on Windows hands it over.
// The host converts wherever the user's text reaches the server (dialogs,
// favourite names, property values, callsign answers) and where it prints what
// the server shows.
#pragma once

#include <string>
#include <string_view>

namespace k9::host {

// True when `text` is well-formed UTF-8 (plain ASCII is).
bool IsUtf8(std::string_view text);

// `text` in Windows-1252 when it is well-formed UTF-8; a character the code page
// lacks becomes "?". Text that is not UTF-8 is taken to be Windows-1252 already
// and returned unchanged.
std::string TypedText(std::string_view text);

// `text` for printing: UTF-8 as it is, anything else read as Windows-1252 and
// converted to UTF-8.
std::string PrintedText(std::string_view text);

}  // namespace k9::host
