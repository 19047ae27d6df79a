// Text rules of the search: the checks the dialog applies to a query and to the
// keys typed into it, and the letter-case rule for titles built from engine
// answers. Pure functions on 8-bit text, shared by the dialog and the lookups.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace k9 {

// True when every character is 0-9; an empty text passes.
bool IsAllDigits(std::string_view text);

// A mile-marker query "state,interstate,marker": exactly three comma-separated
// parts, the third all digits (so it may be empty) and the second without a
// blank. "TX,20,100" and "TX,20," pass; "TX, 20, 100" fails.
bool IsMileMarkerFormat(std::string_view text);

// Key filter of the phone search: 0-9 and control codes below 14 (backspace,
// Enter...) pass unchanged; every other key becomes 0 (discarded).
std::int16_t IsDigitKey(std::int16_t key_ascii);

// Key filter of the callsign search: a-z become A-Z, every other key passes.
std::int16_t UpperCaseKey(std::int16_t key_ascii);

// Lower case, then upper case for the first character and for every character
// that follows a blank. Hyphens and apostrophes do not start a word.
std::string ProperCase(std::string_view text);

// The query split at its first comma when it has exactly two comma-separated
// parts and the second, trimmed, is two characters long ("Austin, TX"): the part
// before the comma, unchanged. Empty otherwise.
struct StateQualified {
  bool qualified = false;
  std::string first_part;
};
StateQualified SplitStateQualified(std::string_view query);

}  // namespace k9
