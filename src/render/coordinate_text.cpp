#include "render/coordinate_text.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace k9 {

namespace {

std::string CoordinateText(double value, int degree_digits, char positive, char negative) {
  if (!std::isfinite(value)) throw std::invalid_argument("Coordinate is not a finite number");
  const double magnitude = std::fabs(value);
  const double degrees = std::floor(magnitude);
  const double minutes = (magnitude - degrees) * 60.0;

  char buffer[64];
  auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, degrees, std::chars_format::fixed, 0);
  if (ec != std::errc()) throw std::invalid_argument("Coordinate out of range");
  std::string text(buffer, end);
  if (static_cast<int>(text.size()) < degree_digits) {
    text.insert(0, static_cast<std::size_t>(degree_digits) - text.size(), '0');
  }
  text += '.';

  auto [minutes_end, minutes_ec] =
      std::to_chars(buffer, buffer + sizeof buffer, minutes, std::chars_format::fixed, 2);
  if (minutes_ec != std::errc()) throw std::invalid_argument("Coordinate out of range");
  std::string minutes_text(buffer, minutes_end);
  if (minutes_text.size() < 5) minutes_text.insert(0, 5 - minutes_text.size(), '0');
  text += minutes_text;
  // Negative zero counts as 0 or more.
  text += value >= 0 ? positive : negative;
  return text;
}

}  // namespace

std::string LatitudeText(double latitude) { return CoordinateText(latitude, 2, 'N', 'S'); }

std::string LongitudeText(double longitude) { return CoordinateText(longitude, 3, 'E', 'W'); }

}  // namespace k9
