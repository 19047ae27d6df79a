#include "server/number_conversion.h"

#include <cmath>
#include <stdexcept>

namespace k9 {

std::int32_t RoundToInt32(double value) {
  if (!std::isfinite(value)) throw std::overflow_error("Overflow: not a finite number");
  // nearbyint honours the default rounding mode: to nearest, ties to even.
  const double rounded = std::nearbyint(value);
  if (rounded < -2147483648.0 || rounded > 2147483647.0) {
    throw std::overflow_error("Overflow: number does not fit in 32 bits");
  }
  return static_cast<std::int32_t>(rounded);
}

}  // namespace k9
