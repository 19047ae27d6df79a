// The control panel's background picture as committed: a 300 x 169 pixel,
// 256-colour Windows bitmap that the resource compiler and LoadImage accept, and
// a real picture rather than a blank one.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

namespace k9::testing {
namespace {

std::vector<unsigned char> ReadPicture() {
  std::ifstream in(K9_SOURCE_DIR "/data/forms/cpanel.bmp", std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t U32(const std::vector<unsigned char>& file, std::size_t at) {
  return static_cast<std::uint32_t>(file[at] | file[at + 1] << 8 | file[at + 2] << 16 |
                                    file[at + 3] << 24);
}

std::uint16_t U16(const std::vector<unsigned char>& file, std::size_t at) {
  return static_cast<std::uint16_t>(file[at] | file[at + 1] << 8);
}

TEST(CpanelPictureTest, IsA300By169EightBitBitmapWhosePixelsUseItsPalette) {
  const std::vector<unsigned char> file = ReadPicture();
  ASSERT_GE(file.size(), 54u);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(U32(file, 2), file.size());
  EXPECT_EQ(U32(file, 14), 40u);  // BITMAPINFOHEADER
  EXPECT_EQ(U32(file, 18), 300u);
  EXPECT_EQ(U32(file, 22), 169u);  // positive: rows stored bottom-up
  EXPECT_EQ(U16(file, 26), 1u);
  EXPECT_EQ(U16(file, 28), 8u);
  EXPECT_EQ(U32(file, 30), 0u);  // uncompressed
  const std::uint32_t colours = U32(file, 46) == 0 ? 256 : U32(file, 46);
  EXPECT_LE(colours, 256u);
  const std::size_t offset = U32(file, 10);
  ASSERT_GE(offset, 54u + 4u * colours);
  const std::size_t stride = 300;  // already a multiple of 4
  ASSERT_EQ(offset + stride * 169, file.size());

  std::set<unsigned char> used;
  for (std::size_t i = offset; i < file.size(); ++i) {
    ASSERT_LT(file[i], colours) << "pixel byte " << i - offset;
    used.insert(file[i]);
  }
  // A map has sea, land, state fills, borders, roads and labels; a flat or
  // nearly flat picture means the generation went wrong.
  EXPECT_GE(used.size(), 32u);
}

}  // namespace
}  // namespace k9::testing
