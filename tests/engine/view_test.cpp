#include "engine/view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace k9::engine {
namespace {

struct Rect {
  double w, n, e, s;
};

void ExpectCovers(const View& v, Rect r) {
  EXPECT_LE(v.West(), r.w + 1e-9);
  EXPECT_GE(v.East(), r.e - 1e-9);
  EXPECT_GE(v.North(), r.n - 1e-9);
  EXPECT_LE(v.South(), r.s + 1e-9);
  EXPECT_NEAR((v.West() + v.East()) / 2, (r.w + r.e) / 2, 1e-9);
  EXPECT_NEAR((v.North() + v.South()) / 2, (r.n + r.s) / 2, 1e-9);
}

TEST(EngineView, FitCoversTheRectangleAndKeepsItsCentreForWideAndTallShapes) {
  View v;
  v.SetSize(1024, 768);
  for (Rect r : {Rect{-125, 50, -66, 24}, Rect{-98, 31, -97.5, 30}, Rect{-100, 50, 100, -50},
                 Rect{10, 1, 10.001, 0}}) {
    v.Fit(r.w, r.n, r.e, r.s);
    ExpectCovers(v, r);
    // One side fits exactly: no more is shown than the drawing's aspect demands.
    const double spare_x = (v.East() - v.West()) - (r.e - r.w);
    const double spare_y = (v.North() - v.South()) - (r.n - r.s);
    EXPECT_TRUE(std::fabs(spare_x) < 1e-6 || std::fabs(spare_y) < 1e-6);
  }
}

TEST(EngineView, FitAcceptsSwappedEdgesAndAPointKeepsTheScale) {
  View v;
  v.SetSize(400, 300);
  v.Fit(-90, 30, -100, 40);  // east and west, south and north swapped
  ExpectCovers(v, {-100, 40, -90, 30});
  const double dpp = v.degrees_per_pixel();
  v.Fit(-97, 30, -97, 30);
  EXPECT_DOUBLE_EQ(v.degrees_per_pixel(), dpp);
  EXPECT_DOUBLE_EQ(v.centre_x(), -97);
  EXPECT_DOUBLE_EQ(v.centre_y(), 30);
}

TEST(EngineView, AspectOfTheExtentFollowsTheDrawingSize) {
  View v;
  v.SetSize(800, 400);
  v.Fit(-1, 1, 1, -1);
  // Longitudes are narrowed by cos(latitude) = 1 at the equator: 2:1 in degrees.
  EXPECT_NEAR((v.East() - v.West()) / (v.North() - v.South()), 2.0, 1e-9);
  v.SetSize(400, 800);
  EXPECT_NEAR((v.East() - v.West()) / (v.North() - v.South()), 0.5, 1e-9);
}

TEST(EngineView, ZoomStepsHalveAndDoubleAndReturnToTheSameExtent) {
  View v;
  v.SetSize(640, 480);
  v.Fit(-100, 35, -90, 30);
  const Box before = v.Extent();
  v.ZoomBy(2);
  EXPECT_NEAR(v.East() - v.West(), (before.east - before.west) / 2, 1e-9);
  v.ZoomBy(0.5);
  EXPECT_NEAR(v.West(), before.west, 1e-9);
  EXPECT_NEAR(v.North(), before.north, 1e-9);
  EXPECT_NEAR(v.East(), before.east, 1e-9);
  EXPECT_NEAR(v.South(), before.south, 1e-9);
}

TEST(EngineView, ZoomLadderShowsATownAtTwelveAndANeighbourhoodAtFifteen) {
  View v;
  v.SetSize(1024, 768);
  v.Centre(-97.74, 30.27);
  v.SetLevel(12);
  const double town = v.North() - v.South();
  EXPECT_GT(town, 0.15);  // about 17 km and more
  EXPECT_LT(town, 0.5);
  v.SetLevel(15);
  const double hood = v.North() - v.South();
  EXPECT_NEAR(town / hood, 8.0, 1e-9);
  EXPECT_DOUBLE_EQ(v.centre_x(), -97.74);
  EXPECT_THROW(v.SetLevel(-1), std::invalid_argument);
  EXPECT_THROW(v.SetLevel(kMaxZoomLevel + 1), std::invalid_argument);
}

TEST(EngineView, PanMovesHalfAViewInTheKeypadDirections) {
  View v;
  v.SetSize(400, 400);
  v.Fit(-1, 1, 1, -1);
  const double half = (v.North() - v.South()) / 2;
  const double half_x = (v.East() - v.West()) / 2;
  struct Case {
    int code;
    int dx, dy;
  } cases[] = {{8, 0, 1},  {2, 0, -1}, {4, -1, 0},  {6, 1, 0},
               {7, -1, 1}, {9, 1, 1},  {1, -1, -1}, {3, 1, -1}};
  for (const Case& c : cases) {
    v.Centre(0, 0);
    ASSERT_TRUE(v.Pan(c.code)) << c.code;
    EXPECT_NEAR(v.centre_x(), c.dx * half_x, 1e-9) << c.code;
    EXPECT_NEAR(v.centre_y(), c.dy * half, 1e-9) << c.code;
  }
  v.Centre(0, 0);
  EXPECT_FALSE(v.Pan(5));
  EXPECT_FALSE(v.Pan(0));
  EXPECT_DOUBLE_EQ(v.centre_x(), 0);
}

TEST(EngineView, ViewsStayOnTheEarthWhateverIsAsked) {
  View v;
  v.SetSize(800, 600);
  auto expect_on_earth = [&v](const char* what) {
    EXPECT_GE(v.West(), -180 - 1e-9) << what;
    EXPECT_LE(v.East(), 180 + 1e-9) << what;
    EXPECT_LE(v.North(), 90 + 1e-9) << what;
    EXPECT_GE(v.South(), -90 - 1e-9) << what;
  };
  // The world asked for in a 4:3 window keeps its width; the height it needs
  // beyond the poles is centred on the equator, and zooming out stops at the
  // earth's whole width.
  v.Fit(-160, 80, 160, -80);
  EXPECT_NEAR(v.West(), -160, 1e-9);
  EXPECT_NEAR(v.North(), 120, 1e-9);
  for (int i = 0; i < 10; ++i) v.ZoomBy(0.5);
  EXPECT_NEAR(v.West(), -180, 1e-9);
  EXPECT_NEAR(v.North(), 135, 1e-9);
  // In a window twice as wide as high or wider, nothing leaves the earth.
  v.SetSize(1000, 400);
  expect_on_earth("zoomed out, wide");
  v.SetSize(800, 600);
  v.Fit(-100, 35, -90, 30);
  for (int i = 0; i < 40; ++i) v.Pan(9);
  expect_on_earth("panned north-east");
  EXPECT_NEAR(v.North(), 90, 1e-9);
  EXPECT_NEAR(v.East(), 180, 1e-9);
  v.Centre(500, -89);
  expect_on_earth("centred off the earth");
  // Near a pole a degree of longitude is narrow: the width binds there.
  v.SetSize(1600, 100);
  v.Fit(-179, 89, 179, 80);
  expect_on_earth("wide, near the pole");
}

TEST(EngineView, BadNumbersAndSizesAreRefusedAndLeaveTheViewAlone) {
  View v;
  v.SetSize(640, 480);
  v.Fit(-100, 35, -90, 30);
  const Box before = v.Extent();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_THROW(v.Fit(nan, 35, -90, 30), std::invalid_argument);
  EXPECT_THROW(v.Fit(-100, inf, -90, 30), std::invalid_argument);
  EXPECT_THROW(v.Fit(-100, 95, -90, 30), std::invalid_argument);
  EXPECT_THROW(v.Centre(nan, 0), std::invalid_argument);
  EXPECT_THROW(v.SetSize(0, 480), std::invalid_argument);
  EXPECT_THROW(v.SetSize(640, -5), std::invalid_argument);
  EXPECT_THROW(v.ZoomBy(0), std::invalid_argument);
  EXPECT_EQ(v.width(), 640);
  EXPECT_DOUBLE_EQ(v.West(), before.west);
  EXPECT_DOUBLE_EQ(v.North(), before.north);
}

}  // namespace
}  // namespace k9::engine
