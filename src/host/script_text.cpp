#include "host/script_text.h"

#include <cstdint>

namespace k9::host {
namespace {

// Unicode for the bytes 0x80-0x9F of Windows-1252. The five bytes the code page
// leaves unassigned stand for the control character of the same number, as the
// Windows conversion functions take them.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t FromByte(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : char32_t{byte};
}

char ToByte(char32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] == code) return static_cast<char>(0x80 + i);
  }
  return '?';
}

// Decodes one character at `i`, moving `i` past it; false for a malformed one.
bool Decode(std::string_view text, std::size_t& i, char32_t& code) {
  const auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80) {
    code = lead;
    ++i;
    return true;
  }
  int extra = 0;
  char32_t least = 0;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1;
    code = lead & 0x1F;
    least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    code = lead & 0x0F;
    least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    code = lead & 0x07;
    least = 0x10000;
  } else {
    return false;
  }
  if (i + static_cast<std::size_t>(extra) >= text.size()) return false;
  for (int k = 1; k <= extra; ++k) {
    const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
    if ((next & 0xC0) != 0x80) return false;
    code = (code << 6) | (next & 0x3F);
  }
  // Overlong forms, surrogates and values past Unicode are not UTF-8.
  if (code < least || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
  i += static_cast<std::size_t>(extra) + 1;
  return true;
}

void Encode(char32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

bool IsUtf8(std::string_view text) {
  char32_t code = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (!Decode(text, i, code)) return false;
  }
  return true;
}

std::string TypedText(std::string_view text) {
  if (!IsUtf8(text)) return std::string(text);
  std::string out;
  char32_t code = 0;
  for (std::size_t i = 0; i < text.size();) {
    Decode(text, i, code);
    out += ToByte(code);
  }
  return out;
}

std::string PrintedText(std::string_view text) {
  if (IsUtf8(text)) return std::string(text);
  std::string out;
  for (char c : text) Encode(FromByte(static_cast<unsigned char>(c)), out);
  return out;
}

}  // namespace k9::host
