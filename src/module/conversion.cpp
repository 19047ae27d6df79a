#include "module/conversion.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "common/error.h"
#include "common/text.h"

namespace k9::module {
namespace {

[[noreturn]] void Mismatch(const std::string& what) {
  throw ComError(13, "Kestrel9", "Type mismatch: " + what);
}

[[noreturn]] void Overflow() { throw ComError(6, "Kestrel9", "Overflow"); }

// The whole text as a number (blanks around it allowed), or a type mismatch.
double TextToNumber(const std::string& text) {
  const std::string trimmed = Trim(text);
  std::string_view digits = trimmed;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  double value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size()) {
    Mismatch("'" + text + "' is not a number");
  }
  return value;
}

double ToDouble(const CallValue& value) {
  if (const bool* b = std::get_if<bool>(&value)) return *b ? -1.0 : 0.0;
  if (const auto* i = std::get_if<std::int16_t>(&value)) return *i;
  if (const auto* i = std::get_if<std::int32_t>(&value)) return *i;
  if (const double* d = std::get_if<double>(&value)) return *d;
  if (const auto* s = std::get_if<std::string>(&value)) return TextToNumber(*s);
  if (std::holds_alternative<std::monostate>(value)) return 0;
  Mismatch("the value is not a number");
}

// Rounds halves to even and checks the range of the integer type.
template <class Int>
Int ToInteger(const CallValue& value) {
  if (const auto* i = std::get_if<Int>(&value)) return *i;
  const double number = ToDouble(value);
  if (!std::isfinite(number)) Overflow();
  const double rounded = std::nearbyint(number);  // the default rounding mode: halves to even
  if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
    Overflow();
  }
  return static_cast<Int>(rounded);
}

bool ToBool(const CallValue& value) {
  if (const bool* b = std::get_if<bool>(&value)) return *b;
  if (const auto* s = std::get_if<std::string>(&value)) {
    try {
      return ToBoolean(Trim(*s));
    } catch (const ConversionError&) {
      Mismatch("'" + *s + "' is not a Boolean");
    }
  }
  return ToDouble(value) != 0;
}

std::string ToText(const CallValue& value) {
  if (const auto* s = std::get_if<std::string>(&value)) return *s;
  if (const bool* b = std::get_if<bool>(&value)) return *b ? "True" : "False";
  if (const auto* i = std::get_if<std::int16_t>(&value)) return std::to_string(*i);
  if (const auto* i = std::get_if<std::int32_t>(&value)) return std::to_string(*i);
  if (const double* d = std::get_if<double>(&value)) return FormatNumber(*d);
  if (std::holds_alternative<std::monostate>(value)) return "";
  Mismatch("the value is not text");
}

}  // namespace

CallValue ConvertArgument(const CallValue& value, AutoType type) {
  switch (type) {
    case AutoType::kBool:
      return ToBool(value);
    case AutoType::kInt16:
      return ToInteger<std::int16_t>(value);
    case AutoType::kInt32:
      return ToInteger<std::int32_t>(value);
    case AutoType::kDouble:
      return ToDouble(value);
    case AutoType::kString:
      return ToText(value);
    case AutoType::kStringArray:
      if (std::holds_alternative<TextArray>(value)) return value;
      Mismatch("an array of text is expected");
    case AutoType::kObject:
      if (std::holds_alternative<PictureBox*>(value) ||
          std::holds_alternative<HostEvents*>(value) || std::holds_alternative<HostForm*>(value)) {
        return value;
      }
      Mismatch("an object is expected");
    case AutoType::kVariant:
    case AutoType::kNone:
      return value;
  }
  return value;
}

bool HoldsType(const CallValue& value, AutoType type) {
  switch (type) {
    case AutoType::kBool:
      return std::holds_alternative<bool>(value);
    case AutoType::kInt16:
      return std::holds_alternative<std::int16_t>(value);
    case AutoType::kInt32:
      return std::holds_alternative<std::int32_t>(value);
    case AutoType::kDouble:
      return std::holds_alternative<double>(value);
    case AutoType::kString:
      return std::holds_alternative<std::string>(value);
    case AutoType::kStringArray:
      return std::holds_alternative<TextArray>(value);
    default:
      return false;
  }
}

}  // namespace k9::module
