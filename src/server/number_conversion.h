// Conversions of host and engine numbers to the integer sizes the server passes on.
#pragma once

#include <cstdint>

namespace k9 {

// `value` rounded to the nearest 32-bit integer, halves to even (the automation
// conversion of a double to a 32-bit integer). Throws std::overflow_error when the
// value is not finite or does not fit.
std::int32_t RoundToInt32(double value);

}  // namespace k9
