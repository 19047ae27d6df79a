#include "render/coordinate_text.h"

#include <clocale>
#include <cmath>
#include <limits>
#include <locale>

#include <gtest/gtest.h>

#include "render/map_list_entry.h"

namespace k9 {
namespace {

TEST(CoordinateTextTest, WritesDegreesMinutesAndHemisphere) {
  EXPECT_EQ(LatitudeText(-33.5), "33.30.00S");
  EXPECT_EQ(LongitudeText(151.25), "151.15.00E");
  EXPECT_EQ(LongitudeText(-0.1275), "000.07.65W");
  EXPECT_EQ(LatitudeText(-0.5), "00.30.00S");
  EXPECT_EQ(LatitudeText(51.5), "51.30.00N");
  EXPECT_EQ(LatitudeText(89.999), "89.59.94N");
  EXPECT_EQ(LongitudeText(-179.5), "179.30.00W");
}

TEST(CoordinateTextTest, ZeroCountsAsNorthAndEast) {
  EXPECT_EQ(LongitudeText(0), "000.00.00E");
  EXPECT_EQ(LatitudeText(0), "00.00.00N");
  EXPECT_EQ(LatitudeText(-0.0), "00.00.00N");
}

// A decimal comma, for the C++ side of the locale whether or not the machine has
// a comma locale installed for the C side.
struct CommaPunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
};

TEST(CoordinateTextTest, TheSeparatorIsADotUnderACommaLocale) {
  const std::string saved_c = std::setlocale(LC_ALL, nullptr);
  const std::locale saved =
      std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
  for (const char* name : {"de_DE.UTF-8", "de_DE", "fr_FR.UTF-8", "German_Germany.1252"}) {
    if (std::setlocale(LC_ALL, name)) break;
  }
  EXPECT_EQ(LatitudeText(51.5), "51.30.00N");
  EXPECT_EQ(LongitudeText(-0.1275), "000.07.65W");
  std::setlocale(LC_ALL, saved_c.c_str());
  std::locale::global(saved);
}

TEST(CoordinateTextTest, ANumberThatIsNotFiniteHasNoText) {
  EXPECT_THROW(LatitudeText(std::numeric_limits<double>::quiet_NaN()), std::invalid_argument);
  EXPECT_THROW(LongitudeText(std::numeric_limits<double>::infinity()), std::invalid_argument);
  EXPECT_THROW(MapListEntryText(0, 0, std::nan(""), 0), std::invalid_argument);
}

TEST(MapListEntryTest, HasThreeCrlfLinesOfCornersAndTitle) {
  EXPECT_EQ(MapListEntryText(-0.1275, 51.5, 151.25, -33.5),
            "000.07.65W,51.30.00N\r\n151.15.00E,33.30.00S\r\nStratomap V9 Server\r\n");
}

}  // namespace
}  // namespace k9
