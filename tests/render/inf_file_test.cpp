#include "render/inf_file.h"

#include <gtest/gtest.h>

namespace k9 {
namespace {

TEST(InfCoordinate, ReadsDegreesMinutesAndHemisphere) {
  EXPECT_FLOAT_EQ(InfCoordinate("51.30.00N"), 51.5f);
  EXPECT_FLOAT_EQ(InfCoordinate("001.30.00W"), -1.5f);
  EXPECT_FLOAT_EQ(InfCoordinate("33.30.00S"), -33.5f);
  EXPECT_FLOAT_EQ(InfCoordinate("151.15.00E"), 151.25f);
  EXPECT_FLOAT_EQ(InfCoordinate("000.07.65W"), -0.1275f);  // minutes with decimals
  EXPECT_FLOAT_EQ(InfCoordinate("  51.30n "), 51.5f);      // blanks, lower case
  EXPECT_FLOAT_EQ(InfCoordinate("51N"), 51.0f);            // degrees only
  // A "." always separates degrees from minutes: 51.5N is 51 degrees 5 minutes.
  EXPECT_FLOAT_EQ(InfCoordinate("51.5N"), 51.0f + 5.0f / 60.0f);
  EXPECT_EQ(InfCoordinate("51.30.00"), 0.0f);  // no hemisphere letter
  EXPECT_EQ(InfCoordinate("51.30.00X"), 0.0f);
  EXPECT_EQ(InfCoordinate(""), 0.0f);
  EXPECT_EQ(InfCoordinate("N"), 0.0f);
}

TEST(ReadInfCorners, ReadsCornersGivenLongitudeOrLatitudeFirst) {
  const auto longitude_first = ReadInfCorners("001.30.00W,51.30.00N\r\n001.15.00E,51.15.00N\r\n");
  const auto latitude_first = ReadInfCorners("51.30.00N, 001.30.00W\r\n51.15.00N ,001.15.00E\r\n");
  ASSERT_TRUE(longitude_first && latitude_first);
  for (const auto& corners : {*longitude_first, *latitude_first}) {
    EXPECT_EQ(corners.lng1, -1.5f);
    EXPECT_EQ(corners.lat1, 51.5f);
    EXPECT_EQ(corners.lng2, 1.25f);
    EXPECT_EQ(corners.lat2, 51.25f);
  }
  EXPECT_EQ(FormatSatLine(*latitude_first), "-1.5, 51.5, 1.25, 51.25");
}

TEST(ReadInfCorners, SkipsCommentsAndIgnoresWhatFollowsTheCorners) {
  const auto corners = ReadInfCorners(
      ";made by hand\n;; another\n000.07.30w, 51.30.00n\n000.00.00E,51.00.00N\n\nnot read\n");
  ASSERT_TRUE(corners);
  EXPECT_FLOAT_EQ(corners->lng1, -7.3f / 60.0f);  // minutes 07.30, not 7 minutes 30 seconds
  EXPECT_EQ(corners->lng2, 0.0f);
  // Lines may also end with a lone CR.
  EXPECT_TRUE(ReadInfCorners("1.0W,2.0N\r3.0E,1.0N"));
}

TEST(ReadInfCorners, RefusesFilesWithoutTwoUsableCoordinateLines) {
  // A blank line before the coordinates.
  EXPECT_FALSE(ReadInfCorners("\r\n001.30.00W,51.30.00N\r\n001.15.00E,51.15.00N\r\n"));
  EXPECT_FALSE(ReadInfCorners("001.30.00W,51.30.00N\r\n   \r\n001.15.00E,51.15.00N\r\n"));
  // A comment must start in the first column; this line has no comma.
  EXPECT_FALSE(ReadInfCorners("  ;note\r\n001.30.00W,51.30.00N\r\n001.15.00E,51.15.00N\r\n"));
  EXPECT_FALSE(ReadInfCorners("001.30.00W 51.30.00N\r\n001.15.00E,51.15.00N\r\n"));
  // Ending before the second coordinate line: refused rather than read as 0, 0.
  EXPECT_FALSE(ReadInfCorners("001.30.00W,51.30.00N\r\n"));
  EXPECT_FALSE(ReadInfCorners(";only a comment\r\n"));
  EXPECT_FALSE(ReadInfCorners(""));
  // A coordinate beyond single precision.
  EXPECT_FALSE(ReadInfCorners("1e39.0W,1N\r\n1E,1N\r\n"));
  // Binary garbage.
  EXPECT_FALSE(ReadInfCorners(std::string("\x00\xff\x01,\x80\n\x00", 7)));
}

TEST(FormatSatLine, WritesSinglePrecisionWithPointAndNoNegativeZero) {
  InfCorners corners{-0.0f, 51.0f + 13.0f / 60.0f, 100.0f, -0.000012f};
  EXPECT_EQ(FormatSatLine(corners), "0, 51.21667, 100, -1.2e-05");
}

TEST(ReadSatCorners, NeedsExactlyFourFieldsOnTheFirstLine) {
  const auto corners = ReadSatCorners("-1.5, 51.5, 1.25, 51.25\r\n1, 2, 3\r\n");
  ASSERT_TRUE(corners);
  EXPECT_EQ(*corners, (std::array<double, 4>{-1.5, 51.5, 1.25, 51.25}));
  EXPECT_FALSE(ReadSatCorners("-1.5, 51.5, 1.25\r\n"));
  EXPECT_FALSE(ReadSatCorners("1,2,3,4,5"));
  EXPECT_FALSE(ReadSatCorners(""));
  // Fields that hold no number count as 0, as a plain number reader has it.
  EXPECT_EQ(*ReadSatCorners("x,1,,2"), (std::array<double, 4>{0, 1, 0, 2}));
}

TEST(CompanionPath, ReplacesTheLastThreeCharacters) {
  EXPECT_EQ(CompanionPath("C:\\U\\a.bmp", "SAT"), "C:\\U\\a.SAT");
  EXPECT_EQ(CompanionPath("x.INF", "BMP"), "x.BMP");
  EXPECT_EQ(CompanionPath("ab", "SAT"), "");
}

}  // namespace
}  // namespace k9
