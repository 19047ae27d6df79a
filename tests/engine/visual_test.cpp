// Visual regression: a handful of views painted and compared with the reference
// pictures in tests/engine/reference. A pixel counts as different when a colour
// channel differs by more than 48; a view passes when at most 3% of its pixels
// differ, which absorbs the font rasteriser of another machine but not a missing
// or moved layer. K9_UPDATE_ENGINE_REFERENCE=1 rewrites the references instead.
#ifndef _WIN32

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "engine/reference_engine.h"
#include "engine/renderer.h"
#include "engine_test_support.h"
#include "osm_streets.h"
#include "platform/raster.h"

namespace k9::engine {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kChannelTolerance = 48;
constexpr double kPixelTolerance = 0.03;

std::string ReferencePath(const std::string& name) {
  return std::string(K9_SOURCE_DIR) + "/tests/engine/reference/" + name + ".png";
}

// A 16x16 24-bit BMP shading from red (west) to blue (east).
std::string GradientBmp() {
  std::string f = "BM";
  auto u32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) f += static_cast<char>(v >> (8 * i) & 0xFF);
  };
  auto u16 = [&](std::uint16_t v) {
    f += static_cast<char>(v & 0xFF);
    f += static_cast<char>(v >> 8);
  };
  u32(54 + 16 * 16 * 3);
  u32(0);
  u32(54);
  u32(40);
  u32(16);
  u32(16);
  u16(1);
  u16(24);
  u32(0);
  u32(16 * 16 * 3);
  u32(2835);
  u32(2835);
  u32(0);
  u32(0);
  for (int row = 0; row < 16; ++row)
    for (int col = 0; col < 16; ++col) {
      f += static_cast<char>(col * 16);        // blue
      f += static_cast<char>(row * 8);         // green
      f += static_cast<char>(255 - col * 16);  // red
    }
  return f;
}

// Compares a painted picture with its reference, or rewrites the reference.
void ExpectLikeReference(const Raster& raster, const std::string& name) {
  const int width = raster.width, height = raster.height;
  cairo_surface_t* painted = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(raster.pixels.data())),
      CAIRO_FORMAT_RGB24, width, height, width * 4);
  const std::string path = ReferencePath(name);
  if (std::getenv("K9_UPDATE_ENGINE_REFERENCE") != nullptr) {
    ASSERT_EQ(cairo_surface_write_to_png(painted, path.c_str()), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(painted);
    GTEST_SKIP() << "reference rewritten: " << path;
  }
  cairo_surface_destroy(painted);
  cairo_surface_t* ref = cairo_image_surface_create_from_png(path.c_str());
  ASSERT_EQ(cairo_surface_status(ref), CAIRO_STATUS_SUCCESS) << "no reference " << path;
  ASSERT_EQ(cairo_image_surface_get_width(ref), width);
  ASSERT_EQ(cairo_image_surface_get_height(ref), height);
  cairo_surface_flush(ref);
  const unsigned char* data = cairo_image_surface_get_data(ref);
  const int stride = cairo_image_surface_get_stride(ref);
  int differing = 0;
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t a = row[x], b = raster.pixels[static_cast<std::size_t>(y) * width + x];
      for (int shift : {0, 8, 16}) {
        if (std::abs(static_cast<int>(a >> shift & 0xFF) - static_cast<int>(b >> shift & 0xFF)) >
            kChannelTolerance) {
          ++differing;
          break;
        }
      }
    }
  }
  cairo_surface_destroy(ref);
  EXPECT_LE(differing, static_cast<int>(kPixelTolerance * width * height))
      << name << ": " << differing << " pixels differ";
}

struct Scene {
  const char* name;
  std::function<void(ReferenceEngine&, const testing::ScratchDir&)> setup;
  bool monochrome = false;
};

class VisualTest : public ::testing::TestWithParam<Scene> {
 protected:
  static void SetUpTestSuite() { shared_ = testing::LoadShippedData(); }
  static void TearDownTestSuite() { shared_.reset(); }
  static inline std::shared_ptr<const MapData> shared_;
};

TEST_P(VisualTest, MatchesItsReferencePicture) {
  const Scene& view = GetParam();
  testing::ScratchDir dir;
  ReferenceEngine engine{FileSystem::Default()};
  testing::UseShippedData(engine);
  engine.EngineCommand(2, 14727830);
  engine.LandColor(0xAFFFFF);
  engine.SetMapSize(kWidth, kHeight);
  view.setup(engine, dir);
  Raster raster;
  raster.Resize(kWidth, kHeight);
  engine.PaintToDC(ToDeviceContext(&raster), 0, 0, kWidth, kHeight, false, false, view.monochrome);

  ExpectLikeReference(raster, view.name);
}

INSTANTIATE_TEST_SUITE_P(
    EngineViews, VisualTest,
    ::testing::Values(
        Scene{"world", [](ReferenceEngine& e,
                          const testing::ScratchDir&) { e.SetViewCorners(-160, 80, 160, -80); }},
        Scene{"whole_us", [](ReferenceEngine& e,
                             const testing::ScratchDir&) { e.SetViewCorners(-125, 50, -66, 24); }},
        Scene{"texas_counties",
              [](ReferenceEngine& e, const testing::ScratchDir&) {
                e.Shade_Cnty(true);
                e.SetViewCorners(-106.7, 36.6, -93.5, 25.8);
              }},
        Scene{"austin_level12",
              [](ReferenceEngine& e, const testing::ScratchDir&) {
                e.ZipCodesShown(true);
                e.CentreView(-97.74, 30.27);
                e.ZoomLevel(12);
              }},
        Scene{"white_monochrome",
              [](ReferenceEngine& e, const testing::ScratchDir&) {
                e.LandColor(0xFFFFFF);
                e.SetViewCorners(-100, 34, -94, 29);
              },
              true},
        Scene{"overlay",
              [](ReferenceEngine& e, const testing::ScratchDir&) {
                e.LoadOverlay(testing::DataDir() + "/overlays/interstate-corridor.OVR");
                e.ZoomToOverlay();
              }},
        Scene{"underlay",
              [](ReferenceEngine& e, const testing::ScratchDir& dir) {
                const std::string bmp = dir.Write("grad.BMP", GradientBmp());
                dir.Write("grad.SAT", "-98.2, 30.6, -97.3, 30.0\r\n");
                e.UnderlayVisible(true);
                e.UnderlayFile(bmp);
                e.SetViewCorners(-98.6, 30.8, -96.9, 29.8);
              }}),
    [](const ::testing::TestParamInfo<Scene>& p) { return std::string(p.param.name); });

// Real streets over the shipped map: a town at level 12 and a neighbourhood at
// level 15 with names, route numbers and one-way arrows.
struct StreetScene {
  const char* name;
  const char* extract;
  double lon, lat;
  int level;
  bool high_contrast = false;
};

class StreetVisualTest : public ::testing::TestWithParam<StreetScene> {
 protected:
  static void SetUpTestSuite() { shared_ = testing::LoadShippedData(); }
  static void TearDownTestSuite() { shared_.reset(); }
  static inline std::shared_ptr<const MapData> shared_;
};

TEST_P(StreetVisualTest, MatchesItsReferencePicture) {
  const StreetScene& scene = GetParam();
  const std::string folder = testing::OsmFolder(K9_SOURCE_DIR);
  if (folder.empty())
    GTEST_SKIP() << "no shared/osm folder beside the project: street pictures not checked";
  const auto layer = testing::ReadOsmStreets(folder + "/" + scene.extract, scene.extract);
  ASSERT_NE(layer, nullptr) << "cannot read " << folder << "/" << scene.extract;
  constexpr int kStreetWidth = 640, kStreetHeight = 480;
  View view;
  view.SetSize(kStreetWidth, kStreetHeight);
  view.Centre(scene.lon, scene.lat);
  view.SetLevel(scene.level);
  RenderOptions opt;
  opt.streets = layer.get();
  opt.one_way = true;
  opt.high_contrast = scene.high_contrast;
  Raster raster;
  raster.Resize(kStreetWidth, kStreetHeight);
  auto canvas = CreateCanvas(ToDeviceContext(&raster), 0, 0, kStreetWidth, kStreetHeight);
  Render(*canvas, view, *shared_, opt);
  canvas.reset();
  ExpectLikeReference(raster, scene.name);
}

INSTANTIATE_TEST_SUITE_P(
    Streets, StreetVisualTest,
    ::testing::Values(
        StreetScene{"columbus_streets_level12", "columbus.osm.pbf", -82.99, 39.96, 12},
        StreetScene{"baltimore_streets_level15", "baltimore.osm.pbf", -76.592, 39.2835, 15},
        StreetScene{"baltimore_high_contrast_level14", "baltimore.osm.pbf", -76.60, 39.28, 14,
                    true}),
    [](const ::testing::TestParamInfo<StreetScene>& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace k9::engine

#endif  // _WIN32
