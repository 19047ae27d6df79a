#include "host/picture_box.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace k9::host {
namespace {

constexpr std::int32_t kRed = 0x0000FF;        // OLE 0x00BBGGRR
constexpr std::uint32_t kRedPixel = 0xFF0000;  // raster 0x00RRGGBB
constexpr std::int32_t kSea = 0xE0BA96;

std::uint32_t At(const RasterPictureBox& box, int x, int y) {
  return box.Image().pixels[static_cast<std::size_t>(y) * box.Image().width + x];
}

TEST(RasterPictureBox, ScaleFollowsTheModeAndTheSize) {
  RasterPictureBox box(40, 30);
  EXPECT_EQ(box.ScaleMode(), kScaleTwips);
  EXPECT_EQ(box.ScaleWidth(), 600);
  EXPECT_EQ(box.ScaleHeight(), 450);
  box.ScaleMode(kScalePixels);
  EXPECT_EQ(box.ScaleWidth(), 40);
  EXPECT_EQ(box.ScaleHeight(), 30);
  box.Resize(50, 20);
  EXPECT_EQ(box.ScaleWidth(), 50);
  EXPECT_EQ(box.ScaleHeight(), 20);
  // A user scale keeps its numbers when the box changes size.
  box.ScaleWidth(1000);
  EXPECT_EQ(box.ScaleMode(), kScaleUser);
  box.Resize(80, 20);
  EXPECT_EQ(box.ScaleWidth(), 1000);
}

TEST(RasterPictureBox, BackColorErasesTheDrawingDownToThePicture) {
  RasterPictureBox box(10, 10);
  box.ScaleMode(kScalePixels);
  box.BackColor(kSea);
  EXPECT_EQ(At(box, 5, 5), OleColorToPixel(kSea));

  box.Line(0, 0, 9, 0, kRed);
  box.SetPictureFromImage();
  box.Line(0, 5, 9, 5, kRed);
  box.BackColor(0);
  EXPECT_EQ(At(box, 3, 0), kRedPixel) << "the picture stays";
  EXPECT_EQ(At(box, 3, 5), OleColorToPixel(kSea)) << "the drawing over it goes";

  box.ClearPicture();
  EXPECT_FALSE(box.HasPicture());
  EXPECT_EQ(At(box, 3, 0), 0u);
}

TEST(RasterPictureBox, ExclusiveOrLineDrawnTwiceLeavesTheImageAsItWas) {
  for (std::int16_t width : {1, 4}) {
    RasterPictureBox box(64, 48);
    box.ScaleMode(kScalePixels);
    box.BackColor(kSea);
    const Raster before = box.Image();
    box.DrawWidth(width);
    box.DrawMode(kDrawXorPen);
    box.Line(3, 40, 60, 2, 0xFFFFFF);
    EXPECT_NE(box.Image().pixels, before.pixels);
    box.Line(3, 40, 60, 2, 0xFFFFFF);
    EXPECT_EQ(box.Image().pixels, before.pixels) << "width " << width;
  }
}

TEST(RasterPictureBox, LinesUseTheCurrentScale) {
  RasterPictureBox box(100, 100);
  box.BackColor(0xFFFFFF);
  box.ScaleLeft(-100);
  box.ScaleTop(50);
  box.ScaleWidth(200);            // -100 .. 100 across
  box.ScaleHeight(-100);          // 50 at the top, -50 at the bottom
  box.Line(0, 50, 0, -50, kRed);  // the vertical middle
  EXPECT_EQ(At(box, 50, 10), kRedPixel);
  EXPECT_EQ(At(box, 10, 10), 0xFFFFFFu);
}

TEST(RasterPictureBox, DashedLinesHaveGapsAndWidePensAreSolid) {
  RasterPictureBox box(200, 3);
  box.ScaleMode(kScalePixels);
  box.BackColor(0xFFFFFF);
  box.DrawStyle(kStyleDot);
  box.Line(0, 1, 199, 1, kRed);
  int drawn = 0;
  for (int x = 0; x < 200; ++x) drawn += At(box, x, 1) == kRedPixel;
  EXPECT_GT(drawn, 60);
  EXPECT_LT(drawn, 140);

  box.DrawWidth(3);
  box.Line(0, 1, 199, 1, kRed);
  for (int x = 0; x < 200; ++x) ASSERT_EQ(At(box, x, 1), kRedPixel) << x;

  box.DrawStyle(kStyleTransparent);
  box.BackColor(0xFFFFFF);
  box.Line(0, 1, 199, 1, kRed);
  EXPECT_EQ(At(box, 100, 1), 0xFFFFFFu);
}

TEST(RasterPictureBox, LinesFarOutsideOrNotFiniteAreClippedOrIgnored) {
  RasterPictureBox box(20, 20);
  box.ScaleMode(kScalePixels);
  box.BackColor(0xFFFFFF);
  // Crosses the box from far away: clipped, drawn quickly, no overflow.
  box.Line(-1e12, 10, 1e12, 10, kRed);
  EXPECT_EQ(At(box, 0, 10), kRedPixel);
  EXPECT_EQ(At(box, 19, 10), kRedPixel);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  box.Line(nan, 0, 5, 5, kRed);
  box.Line(0, 0, inf, 5, kRed);
  box.Line(100, 100, 200, 200, kRed);  // wholly outside
  EXPECT_EQ(At(box, 0, 0), 0xFFFFFFu);
  // A zero scale draws nothing instead of dividing by zero.
  box.ScaleWidth(0);
  box.Line(0, 0, 5, 5, kRed);
  EXPECT_EQ(At(box, 0, 0), 0xFFFFFFu);
}

TEST(RasterPictureBox, ResizeKeepsWhatFitsAndTheDeviceContextIsTheImage) {
  RasterPictureBox box(10, 10);
  box.ScaleMode(kScalePixels);
  box.BackColor(0x000000);
  box.Line(0, 0, 9, 9, kRed);
  box.Resize(20, 5);
  EXPECT_EQ(box.PixelWidth(), 20);
  EXPECT_EQ(box.PixelHeight(), 5);
  EXPECT_EQ(At(box, 4, 4), kRedPixel);
  EXPECT_EQ(At(box, 15, 2), 0u);
  Raster* raster = RasterFromDeviceContext(box.hDC());
  ASSERT_NE(raster, nullptr);
  EXPECT_EQ(raster->width, 20);
  raster->pixels[0] = 0x123456;
  EXPECT_EQ(At(box, 0, 0), 0x123456u);
  box.Resize(0, -5);  // never empty
  EXPECT_EQ(box.PixelWidth(), 1);
  EXPECT_EQ(box.PixelHeight(), 1);
}

}  // namespace
}  // namespace k9::host
