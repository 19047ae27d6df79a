#include "common/text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

#include "common/error.h"

namespace k9 {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// Letter case in code page 1252, as the Windows ANSI functions fold it: ASCII,
// the accented Latin letters (not the multiplication and division signs) and
// the four pairs Windows places in 0x80-0x9F. Sharp s and micro sign have no
// capital of their own there and stay as they are.
struct CaseTables {
  std::array<unsigned char, 256> upper{};
  std::array<unsigned char, 256> lower{};
};

constexpr CaseTables MakeCaseTables() {
  CaseTables t;
  for (int c = 0; c < 256; ++c) {
    t.upper[c] = static_cast<unsigned char>(c);
    t.lower[c] = static_cast<unsigned char>(c);
  }
  auto pair = [&t](int capital, int small) {
    t.upper[small] = static_cast<unsigned char>(capital);
    t.lower[capital] = static_cast<unsigned char>(small);
  };
  for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 0x20);
  for (int c = 0xC0; c <= 0xDE; ++c) {
    if (c != 0xD7) pair(c, c + 0x20);
  }
  pair(0x8A, 0x9A);  // S with caron
  pair(0x8C, 0x9C);  // OE ligature
  pair(0x8E, 0x9E);  // Z with caron
  pair(0x9F, 0xFF);  // Y with diaeresis
  return t;
}

constexpr CaseTables kCase = MakeCaseTables();

char UpperChar(char c) { return static_cast<char>(kCase.upper[static_cast<unsigned char>(c)]); }
char LowerChar(char c) { return static_cast<char>(kCase.lower[static_cast<unsigned char>(c)]); }

// Length of the decimal number at the start of `text` (sign, digits, ".",
// digits, exponent), or 0 when no digit is found where the mantissa should be.
std::size_t NumberLength(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  // An exponent counts only when at least one digit follows it.
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  return i;
}

// Converts a span that NumberLength accepted. from_chars takes no "+" and reports
// out-of-range values, which become infinity or zero as a lenient reader expects.
double ParseNumber(std::string_view span) {
  bool negative = false;
  if (!span.empty() && (span[0] == '+' || span[0] == '-')) {
    negative = span[0] == '-';
    span.remove_prefix(1);
  }
  double value = 0;
  auto [ptr, ec] =
      std::from_chars(span.data(), span.data() + span.size(), value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Decide between overflow and underflow by the exponent's sign and size.
    std::size_t e = span.find_first_of("eE");
    bool tiny = e != std::string_view::npos && e + 1 < span.size() && span[e + 1] == '-';
    value = tiny ? 0.0 : HUGE_VAL;
  } else if (ec != std::errc()) {
    value = 0;
  }
  (void)ptr;
  return negative ? -value : value;
}

}  // namespace

double LeadingNumber(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && IsBlank(text[start])) ++start;
  text.remove_prefix(start);
  std::size_t length = NumberLength(text);
  if (length == 0) return 0;
  return ParseNumber(text.substr(0, length));
}

bool ToBoolean(std::string_view text) {
  std::string trimmed = Trim(text);
  if (EqualsIgnoreCase(trimmed, "True")) return true;
  if (EqualsIgnoreCase(trimmed, "False")) return false;
  std::size_t length = NumberLength(trimmed);
  if (length == 0 || length != trimmed.size()) throw ConversionError(std::string(text));
  return ParseNumber(trimmed) != 0;
}

std::string FormatNumber(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  if (value == 0) return "0";  // also turns -0 into "0"
  char buffer[400];
  double magnitude = std::fabs(value);
  std::chars_format format = (magnitude >= 1e15 || magnitude < 1e-5) ? std::chars_format::general
                                                                     : std::chars_format::fixed;
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format);
  return std::string(buffer, result.ptr);
}

std::string ToUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = UpperChar(c);
  return out;
}

std::string ToLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerChar(c);
  return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperChar(a[i]) != UpperChar(b[i])) return false;
  }
  return true;
}

std::string Trim(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    std::size_t at = text.find(separator, start);
    if (at == std::string_view::npos) {
      fields.emplace_back(text.substr(start));
      return fields;
    }
    fields.emplace_back(text.substr(start, at - start));
    start = at + 1;
  }
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  if (name.empty()) return std::string(folder);
  bool folder_ends = IsPathSeparator(folder.back());
  bool name_starts = IsPathSeparator(name.front());
  std::string out(folder);
  if (folder_ends && name_starts) {
    out.append(name.substr(1));
  } else if (folder_ends || name_starts) {
    out.append(name);
  } else {
    out.push_back(kPathSeparator);
    out.append(name);
  }
  return out;
}

namespace {
std::size_t LastSeparator(std::string_view path) { return path.find_last_of("\\/"); }
}  // namespace

std::string FolderOf(std::string_view path) {
  std::size_t at = LastSeparator(path);
  if (at == std::string_view::npos) return "";
  std::string_view folder = path.substr(0, at);
  // Keep the separator of a root ("/", "C:\"): without it the folder would
  // name the current folder instead.
  if (folder.empty() || (folder.size() == 2 && folder[1] == ':')) {
    return std::string(path.substr(0, at + 1));
  }
  return std::string(folder);
}

std::string FileNameOf(std::string_view path) {
  std::size_t at = LastSeparator(path);
  return std::string(at == std::string_view::npos ? path : path.substr(at + 1));
}

std::string BaseNameOf(std::string_view path) {
  std::string name = FileNameOf(path);
  std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return name;
  return name.substr(0, dot);
}

std::string ToCrlf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out.push_back('\r');
    out.push_back(text[i]);
  }
  return out;
}

}  // namespace k9
