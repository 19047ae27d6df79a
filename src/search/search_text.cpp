#include "search/search_text.h"

#include <vector>

#include "common/text.h"

namespace k9 {

bool IsAllDigits(std::string_view text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool IsMileMarkerFormat(std::string_view text) {
  const std::vector<std::string> parts = Split(text, ',');
  if (parts.size() != 3) return false;
  if (!IsAllDigits(parts[2])) return false;
  return parts[1].find(' ') == std::string::npos;
}

std::int16_t IsDigitKey(std::int16_t key_ascii) {
  if ((key_ascii >= '0' && key_ascii <= '9') || (key_ascii >= 0 && key_ascii < 14)) {
    return key_ascii;
  }
  return 0;
}

std::int16_t UpperCaseKey(std::int16_t key_ascii) {
  if (key_ascii >= 'a' && key_ascii <= 'z') return static_cast<std::int16_t>(key_ascii - 'a' + 'A');
  return key_ascii;
}

std::string ProperCase(std::string_view text) {
  std::string out = ToLower(text);
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (i == 0 || out[i - 1] == ' ') out[i] = ToUpper(std::string_view(out).substr(i, 1))[0];
  }
  return out;
}

StateQualified SplitStateQualified(std::string_view query) {
  const std::vector<std::string> parts = Split(query, ',');
  StateQualified result;
  if (parts.size() == 2 && Trim(parts[1]).size() == 2) {
    result.qualified = true;
    result.first_part = parts[0];
  }
  return result;
}

}  // namespace k9
