#include <cmath>

#include "overlay_import/readers.h"

namespace k9::overlay_import::detail {
namespace {

// Windows-1252's letters in 0x80-0x9F, by code point; 0 where the code page has none.
constexpr char16_t kHigh1252[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char To1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i)
    if (kHigh1252[i] != 0 && kHigh1252[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}

std::string_view SkipBlanks(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  while (!bytes.empty() &&
         (bytes[0] == ' ' || bytes[0] == '\t' || bytes[0] == '\r' || bytes[0] == '\n'))
    bytes.remove_prefix(1);
  return bytes;
}

}  // namespace

std::string LabelText(std::string_view utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    char32_t c = b;
    std::size_t len = 1;
    if (b >= 0xF0) {
      c = b & 0x07;
      len = 4;
    } else if (b >= 0xE0) {
      c = b & 0x0F;
      len = 3;
    } else if (b >= 0xC0) {
      c = b & 0x1F;
      len = 2;
    } else if (b >= 0x80) {
      c = '?';  // a stray continuation byte
    }
    bool valid = i + len <= utf8.size();
    for (std::size_t k = 1; valid && k < len; ++k) {
      const auto t = static_cast<unsigned char>(utf8[i + k]);
      valid = (t & 0xC0) == 0x80;
      c = (c << 6) | (t & 0x3F);
    }
    if (!valid) {
      c = '?';
      len = 1;
    }
    i += len;
    if (c == '\r' || c == '\n' || c == '\t' || c < 0x20) c = ' ';
    out += To1252(c);
  }
  const auto first = out.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

std::string Count(std::size_t n) {
  std::string digits = std::to_string(n), out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string Counted(std::size_t n, const char* one, const char* many) {
  return Count(n) + " " + (n == 1 ? one : many);
}

bool OnEarth(double lon, double lat) {
  return std::isfinite(lon) && std::isfinite(lat) && lon >= -180 && lon <= 180 && lat >= -90 &&
         lat <= 90;
}

bool LooksLikeXml(std::string_view bytes) {
  const std::string_view s = SkipBlanks(bytes);
  return !s.empty() && s[0] == '<';
}

bool LooksLikeJson(std::string_view bytes) {
  const std::string_view s = SkipBlanks(bytes);
  return !s.empty() && (s[0] == '{' || s[0] == '[');
}

}  // namespace k9::overlay_import::detail
