// Drawing into the in-memory raster behind a POSIX device context. (On Windows a
// device context is an HDC; these cases run where it is a Raster.)
#ifndef _WIN32

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "engine/reference_engine.h"
#include "engine_test_support.h"
#include "platform/raster.h"

namespace k9::engine {
namespace {

using testing::ScratchDir;

constexpr std::int32_t kSeaOle = 14727830;  // 0xE0BA96
constexpr std::uint32_t kSeaPixel = 0x96BAE0;
constexpr std::int32_t kLandOle = 0xC0F0D0;
constexpr std::uint32_t kLandPixel = 0xD0F0C0;

class DrawingTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { shared_ = testing::LoadShippedData(); }
  static void TearDownTestSuite() { shared_.reset(); }
  DrawingTest() {
    testing::UseShippedData(engine);
    engine.EngineCommand(2, kSeaOle);
    engine.LandColor(kLandOle);
    engine.SetMapSize(400, 300);
    engine.SetViewCorners(-125, 50, -66, 24);
  }
  void Paint(bool mono = false) {
    raster.Resize(400, 300, 0x123456);
    engine.PaintToDC(ToDeviceContext(&raster), 0, 0, 400, 300, false, false, mono);
  }
  std::uint32_t At(double lon, double lat) {
    const Point p = engine.view().ToPixel(lon, lat);
    return raster.Row(static_cast<int>(p.y))[static_cast<int>(p.x)];
  }
  // Share of pixels of colour `c` in the 7x7 square around a place.
  double ShareNear(double lon, double lat, std::uint32_t c) {
    const Point p = engine.view().ToPixel(lon, lat);
    int hits = 0;
    for (int dy = -3; dy <= 3; ++dy)
      for (int dx = -3; dx <= 3; ++dx)
        hits += raster.Row(static_cast<int>(p.y) + dy)[static_cast<int>(p.x) + dx] == c;
    return hits / 49.0;
  }
  static inline std::shared_ptr<const MapData> shared_;
  ReferenceEngine engine{FileSystem::Default()};
  Raster raster;
};

TEST_F(DrawingTest, LandAndSeaLandWhereTheyBelong) {
  Paint();
  EXPECT_GT(ShareNear(-87, 25.5, kSeaPixel), 0.6);      // Gulf of Mexico
  EXPECT_EQ(At(-128, 40), kSeaPixel);                   // Pacific
  EXPECT_EQ(At(-68, 30), kSeaPixel);                    // Atlantic
  EXPECT_GT(ShareNear(-100.5, 38.8, kLandPixel), 0.6);  // western Kansas
  EXPECT_GT(ShareNear(-116.5, 39.0, kLandPixel), 0.6);  // Nevada
  EXPECT_GT(ShareNear(-104, 27, kLandPixel), 0.6);      // Mexico
  EXPECT_GT(ShareNear(-87.0, 43.0, kSeaPixel), 0.6);    // lakes: Michigan (labels on halos nearby)
  EXPECT_EQ(At(-87.5, 47.6), kSeaPixel);                // and Superior
}

TEST_F(DrawingTest, ShapesAcrossTheDateLineDrawNoBandOverTheWorld) {
  // The western edge of the earth, where a band would start.
  engine.SetViewCorners(-180, 75, -100, -40);
  Paint();
  // Fiji and Chukotka cross the date line at these latitudes.
  EXPECT_EQ(At(-140, -17), kSeaPixel);
  EXPECT_EQ(At(-110, -17), kSeaPixel);
  EXPECT_EQ(At(-170, 62), kSeaPixel);
  EXPECT_EQ(At(-150, 40), kSeaPixel);
}

TEST_F(DrawingTest, ColoursShadingAndMonochromeChangeThePixelsTheyShould) {
  engine.EngineCommand(2, 0x0000FF);  // red sea
  engine.LandColor(0xFFFFFF);
  Paint();
  EXPECT_GT(ShareNear(-87, 25.5, 0xFF0000u), 0.6);
  EXPECT_GT(ShareNear(-100.5, 38.8, 0xFFFFFF), 0.6);
  engine.Shade_State(true);
  Paint();
  EXPECT_LT(ShareNear(-100.5, 38.8, 0xFFFFFF), 0.2);
  Paint(/*mono=*/true);
  EXPECT_GT(ShareNear(-87, 25.5, 0xFFFFFFu), 0.6);
  EXPECT_GT(ShareNear(-100.5, 38.8, 0xFFFFFF), 0.6);
  for (std::uint32_t p : raster.pixels) {
    const std::uint32_t r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
    ASSERT_TRUE(r == g && g == b) << std::hex << p;  // nothing but greys
  }
}

TEST_F(DrawingTest, PaintsAtTheGivenOriginOnlyAndRaisesThePaintEventsInOrder) {
  testing::Recorder rec(&engine);
  engine.SetEvents(&rec);
  raster.Resize(500, 400, 0x123456);
  engine.PaintToDC(ToDeviceContext(&raster), 50, 60, 400, 300, false, false, false);
  EXPECT_EQ(rec.order, "PBD");
  EXPECT_EQ(raster.Row(59)[100], 0x123456u);
  EXPECT_EQ(raster.Row(100)[49], 0x123456u);
  EXPECT_EQ(raster.Row(360)[200], 0x123456u);
  EXPECT_NE(raster.Row(60)[50], 0x123456u);
  EXPECT_THROW(engine.PaintToDC(ToDeviceContext(&raster), 0, 0, 0, 300, false, false, false),
               std::invalid_argument);
  EXPECT_THROW(engine.PaintToDC(0, 0, 0, 400, 300, false, false, false), std::invalid_argument);
  Raster empty;
  EXPECT_THROW(engine.PaintToDC(ToDeviceContext(&empty), 0, 0, 400, 300, false, false, false),
               std::invalid_argument);
}

TEST_F(DrawingTest, OverlayShowsWhenVisibleFitsTheViewAndRejectsGarbage) {
  ScratchDir dir;
  const std::string ovr =
      dir.Write("box.OVR",
                "K9OVR 1\r\n; a magenta square over Kansas\r\nPEN 0,0,0,0\r\nBRUSH 255,0,255\r\n"
                "AREA -101,39.5 -99,39.5 -99,38 -101,38\r\nTEXT -95,35 Here\r\n");
  engine.LoadOverlay(ovr);
  Paint();
  EXPECT_GT(ShareNear(-100, 38.75, 0xFF00FF), 0.8);
  engine.OverlayVisible(false);
  Paint();
  EXPECT_EQ(ShareNear(-100, 38.75, 0xFF00FF), 0.0);
  engine.OverlayVisible(true);

  engine.ZoomToOverlay();
  EXPECT_LE(engine.ViewWest(), -101);
  EXPECT_GE(engine.ViewEast(), -95);  // the text belongs to the overlay too
  EXPECT_GE(engine.ViewNorth(), 39.5);
  EXPECT_LT(engine.ViewNorth() - engine.ViewSouth(), 8);

  const std::string cad =
      dir.Write("line.cad",
                "K9CAD,1\nC,0,255,0,4\nA,-101,39.5,-99,39.5,-99,38\nL,-101,38,-99,38\n"
                "P,-100,39,Point\nT,-100,38.5,Label\n");
  EXPECT_NO_THROW(engine.LoadOverlay(cad));
  EXPECT_EQ(engine.overlay_file(), cad);

  const std::string bad = dir.Write("bad.OVR", std::string("\x89PNG\r\n\x1a\n\0\0garbage", 18));
  EXPECT_THROW(engine.LoadOverlay(bad), std::runtime_error);
  EXPECT_EQ(engine.overlay_file(), "");
  EXPECT_THROW(engine.LoadOverlay(dir.Path("missing.OVR")), std::runtime_error);
  EXPECT_THROW(engine.LoadOverlay(dir.Write("x.txt", "K9OVR 1\n")), std::runtime_error);
  EXPECT_NO_THROW(Paint());
  const double w = engine.ViewWest();
  engine.ZoomToOverlay();  // nothing loaded: the view stays
  EXPECT_DOUBLE_EQ(engine.ViewWest(), w);
  EXPECT_NO_THROW(engine.LoadOverlay(""));
}

TEST_F(DrawingTest, DenseOverlaysDrawEveryPointAndAJaggedLineAsTheBandItCovers) {
  ScratchDir dir;
  std::string text = "K9OVR 1\nPEN 255,0,255,0\n";
  std::vector<std::pair<double, double>> points;
  for (int i = 0; i < 20000; ++i) {
    points.emplace_back(-101 + (i * 7919 % 20000) / 10000.0, 38 + (i * 104729 % 20000) / 10000.0);
    text += "POINT " + std::to_string(points.back().first) + "," +
            std::to_string(points.back().second) + " P" + std::to_string(i) + "\n";
  }
  // A line zigzagging 20,000 times across a band one degree high.
  text += "PEN 0,255,0,2\nLINE";
  for (int i = 0; i < 20000; ++i)
    text += " " + std::to_string(-96 + i / 10000.0) + "," + (i % 2 ? "36.5" : "35.5");
  engine.LoadOverlay(dir.Write("dense.OVR", text + "\n"));
  Paint();
  for (std::size_t i = 0; i < points.size(); i += 997)
    EXPECT_EQ(At(points[i].first, points[i].second), 0xFF00FFu) << i;
  EXPECT_EQ(At(-95, 36), 0x00FF00u);
  EXPECT_EQ(At(-95, 35.9), 0x00FF00u);
  EXPECT_NE(At(-95, 37.2), 0x00FF00u);
  EXPECT_NE(At(-93, 36), 0x00FF00u);
}

// A 2x2 24-bit BMP of one colour.
std::string SolidBmp(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  std::string f = "BM";
  auto u32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) f += static_cast<char>(v >> (8 * i) & 0xFF);
  };
  auto u16 = [&](std::uint16_t v) {
    f += static_cast<char>(v & 0xFF);
    f += static_cast<char>(v >> 8);
  };
  u32(54 + 16);
  u32(0);
  u32(54);
  u32(40);
  u32(2);
  u32(2);
  u16(1);
  u16(24);
  u32(0);
  u32(16);
  u32(2835);
  u32(2835);
  u32(0);
  u32(0);
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < 2; ++col)
      f += std::string{static_cast<char>(b), static_cast<char>(g), static_cast<char>(r)};
    f += std::string(2, '\0');  // rows pad to four bytes
  }
  return f;
}

TEST_F(DrawingTest, UnderlayIsPlacedByItsCompanionAndShownOnlyWhenVisible) {
  ScratchDir dir;
  const std::string bmp = dir.Write("red.BMP", SolidBmp(255, 0, 0));
  dir.Write("red.SAT", "-102, 40, -98, 37\r\n");
  engine.UnderlayVisible(true);
  engine.UnderlayFile(bmp);
  EXPECT_EQ(engine.UnderlayFile(), bmp);
  Paint();
  EXPECT_GT(ShareNear(-100, 38.5, 0xFF0000), 0.7);
  EXPECT_GT(ShareNear(-104, 36.5, kLandPixel), 0.7);  // outside the picture
  engine.UnderlayVisible(false);
  Paint();
  EXPECT_EQ(ShareNear(-100, 38.5, 0xFF0000), 0.0);

  // A picture that does not decode, a missing or short companion: refused, none shown.
  const std::string junk = dir.Write("junk.PNG", "this is not a picture");
  dir.Write("junk.SAT", "-102, 40, -98, 37\r\n");
  EXPECT_THROW(engine.UnderlayFile(junk), std::runtime_error);
  EXPECT_EQ(engine.UnderlayFile(), "");
  EXPECT_THROW(engine.UnderlayFile(dir.Write("lone.BMP", SolidBmp(0, 0, 255))), std::runtime_error);
  dir.Write("three.SAT", "-102, 40, -98\r\n");
  EXPECT_THROW(engine.UnderlayFile(dir.Write("three.BMP", SolidBmp(0, 0, 255))),
               std::runtime_error);
  engine.UnderlayVisible(true);
  EXPECT_NO_THROW(Paint());
  EXPECT_NO_THROW(engine.UnderlayFile(""));
}

TEST_F(DrawingTest, CountiesZipCodesAndRoadsDrawOnlyWhenCloseEnough) {
  auto changed = [&](auto toggle) {
    Paint();
    const std::vector<std::uint32_t> before = raster.pixels;
    toggle(true);
    Paint();
    toggle(false);
    return raster.pixels != before;
  };
  auto counties = [&](bool on) { engine.Shade_Cnty(on); };
  auto zips = [&](bool on) { engine.ZipCodesShown(on); };
  auto places = [&](bool on) { engine.Shade_Plc(on); };
  auto mcd = [&](bool on) {
    engine.Shade_Mcd(on);
    engine.OneWayShow(on);
  };
  EXPECT_FALSE(changed(counties));  // the whole country: no counties
  EXPECT_FALSE(changed(zips));
  EXPECT_FALSE(changed(mcd));                       // no data for these: the switches draw nothing
  engine.SetViewCorners(-98.2, 30.6, -97.4, 30.0);  // Austin
  EXPECT_TRUE(changed(counties));
  EXPECT_TRUE(changed(zips));
  EXPECT_TRUE(changed(places));
  EXPECT_FALSE(changed(mcd));
  const std::vector<std::uint32_t> plain = (Paint(), raster.pixels);
  engine.EngineCommand(61182, 1);
  Paint();
  EXPECT_NE(raster.pixels, plain);  // high-contrast interstates
}

}  // namespace
}  // namespace k9::engine

#endif  // _WIN32
