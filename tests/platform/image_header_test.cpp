// Image headers read without decoding: sizes that no decoder should be handed.
#include "platform/image_header.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace k9 {
namespace {

std::string Le32(std::int64_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}
std::string Be16(int v) { return {static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)}; }

std::string Bmp(std::int64_t width, std::int64_t height) {
  return "BM" + std::string(12, '\0') + Le32(40) + Le32(width) + Le32(height) +
         std::string(28, '\0');
}
std::string Gif(int width, int height) {
  return std::string("GIF89a") + static_cast<char>(width & 0xFF) + static_cast<char>(width >> 8) +
         static_cast<char>(height & 0xFF) + static_cast<char>(height >> 8) + std::string(8, '\0');
}
std::string Png(std::uint32_t width, std::uint32_t height) {
  return std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16) + Be16(width >> 16) +
         Be16(width & 0xFFFF) + Be16(height >> 16) + Be16(height & 0xFFFF) + std::string(5, '\0');
}
std::string Jpeg(int width, int height) {
  // SOI, an APP0 segment to step over, then the baseline frame header.
  return std::string("\xff\xd8\xff\xe0", 4) + Be16(4) + "JF" + std::string("\xff\xc0", 2) +
         Be16(11) + '\x08' + Be16(height) + Be16(width) + std::string(4, '\0');
}

constexpr std::int64_t kSide = 1 << 15;
constexpr std::int64_t kPixels = std::int64_t{64} << 20;

TEST(ImageHeader, SizesOfEveryTypeAreReadWithoutDecoding) {
  EXPECT_EQ(ReadImageHeader(Bmp(3, -2))->height, -2);
  EXPECT_EQ(ReadImageHeader(Gif(7, 5))->width, 7);
  EXPECT_EQ(ReadImageHeader(Png(640, 480))->height, 480);
  const auto jpeg = ReadImageHeader(Jpeg(320, 200));
  ASSERT_TRUE(jpeg);
  EXPECT_EQ(jpeg->type, "JPEG");
  EXPECT_EQ(jpeg->width, 320);
  EXPECT_FALSE(ReadImageHeader("plain text"));
  EXPECT_FALSE(ReadImageHeader("BM"));
  for (const std::string& fine :
       {Bmp(3, -2), Gif(7, 5), Png(640, 480), Jpeg(320, 200), std::string("plain text")}) {
    EXPECT_EQ(CheckImageHeader(fine, kSide, kPixels), "");
  }
}

TEST(ImageHeader, NegativeZeroAndAbsurdSizesAreRefusedForEveryType) {
  EXPECT_EQ(CheckImageHeader(Bmp(-5, 0x80000000), kSide, kPixels),
            "The BMP header declares -5 by -2147483648 pixels, which is no picture.");
  for (const std::string& bad : {Bmp(0, 10), Bmp(10, 0), Gif(0, 5), Png(0, 1), Jpeg(16, 0)}) {
    EXPECT_NE(CheckImageHeader(bad, kSide, kPixels).find("which is no picture"), std::string::npos);
  }
  for (const std::string& bad : {Bmp(10, -0x40000000), Gif(40000, 2), Png(0x80000000u, 1),
                                 Png(20000, 20000), Jpeg(65535, 65535)}) {
    EXPECT_NE(CheckImageHeader(bad, kSide, kPixels).find("more than can be read"),
              std::string::npos);
  }
}

}  // namespace
}  // namespace k9
