// Streets on the map: level of detail, one-way arrows, the interstates they
// replace, the credit and the labels along them.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "engine/street_render.h"
#include "platform/raster.h"

namespace k9::engine {
namespace {

using streets::RoadClass;
using streets::Street;

constexpr int kW = 400, kH = 300;

Street Line(RoadClass c, std::vector<GeoPoint> points, std::string name = "",
            std::uint8_t flags = 0, std::string ref = "") {
  Street s;
  s.road_class = c;
  s.points = std::move(points);
  s.name = std::move(name);
  s.flags = flags;
  s.ref = std::move(ref);
  return s;
}

View ViewAt(double lon, double lat, int level) {
  View v;
  v.SetSize(kW, kH);
  v.Centre(lon, lat);
  v.SetLevel(level);
  return v;
}

struct Picture {
  Raster raster;
  Picture() { raster.Resize(kW, kH); }
  int Count(const std::function<bool(std::uint32_t)>& pred, int x0 = 0, int y0 = 0, int x1 = kW,
            int y1 = kH) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += pred(raster.pixels[static_cast<std::size_t>(y) * kW + x]);
    return n;
  }
};

void Paint(Picture& pic, const View& view, const MapData& data, const RenderOptions& opt) {
  auto canvas = CreateCanvas(ToDeviceContext(&pic.raster), 0, 0, kW, kH);
  Render(*canvas, view, data, opt);
}

TEST(StreetDrawingTest, EachScaleShowsTheClassesThatFitIt) {
  streets::MemoryStreetLayer layer;
  std::vector<Street> all;
  for (int c = 0; c <= static_cast<int>(RoadClass::kPath); ++c)
    all.push_back(Line(static_cast<RoadClass>(c), {{-83.01f, 39.96f}, {-82.99f, 39.961f}}));
  layer.Add({"town", {}, true}, std::move(all));
  auto shown = [&](int level, RoadClass c) {
    Raster r;
    r.Resize(kW, kH);
    auto canvas = CreateCanvas(ToDeviceContext(&r), 0, 0, kW, kH);
    const View v = ViewAt(-83, 39.96, level);
    RenderOptions opt;
    StreetPainter painter(*canvas, v, opt);
    painter.Collect(layer);
    return painter.Shown(c) > 0;
  };
  EXPECT_FALSE(shown(2, RoadClass::kMotorway));  // the world: none
  EXPECT_TRUE(shown(6, RoadClass::kMotorway));
  EXPECT_FALSE(shown(6, RoadClass::kTrunk));
  EXPECT_TRUE(shown(8, RoadClass::kTrunk));  // a state: motorways and trunks only
  EXPECT_FALSE(shown(8, RoadClass::kPrimary));
  EXPECT_TRUE(shown(10, RoadClass::kSecondary));
  EXPECT_FALSE(shown(10, RoadClass::kResidential));
  EXPECT_TRUE(shown(12, RoadClass::kResidential));  // a town: everything to residential
  EXPECT_FALSE(shown(12, RoadClass::kService));
  EXPECT_TRUE(shown(14, RoadClass::kService));
  EXPECT_FALSE(shown(14, RoadClass::kPath));
  EXPECT_TRUE(shown(16, RoadClass::kPath));
  EXPECT_LT(StreetWidth(RoadClass::kResidential, 0.0003),
            StreetWidth(RoadClass::kResidential, 0.00003));
  EXPECT_LT(StreetWidth(RoadClass::kResidential, 0.0003),
            StreetWidth(RoadClass::kMotorway, 0.0003));
}

TEST(StreetDrawingTest, OneWayArrowsShowOnlyWhenAskedAndPointTheWayTrafficRuns) {
  streets::MemoryStreetLayer layer;
  layer.Add({"town", {}, false},
            {Line(RoadClass::kResidential, {{-83.004f, 39.961f}, {-82.996f, 39.961f}}, "",
                  streets::kOneway),
             Line(RoadClass::kResidential, {{-83.004f, 39.959f}, {-82.996f, 39.959f}}, "",
                  streets::kOnewayReverse)});
  const View v = ViewAt(-83, 39.96, 16);
  MapData data;
  RenderOptions opt;
  opt.streets = &layer;
  auto blue = [](std::uint32_t p) {
    return (p & 0xFF) > ((p >> 16) & 0xFF) + 60 && (p & 0xFF) > ((p >> 8) & 0xFF) + 40;
  };
  Picture without, with;
  Paint(without, v, data, opt);
  opt.one_way = true;
  Paint(with, v, data, opt);
  EXPECT_EQ(without.Count(blue), 0);
  EXPECT_GT(with.Count(blue), 20);

  auto canvas = CreateCanvas(ToDeviceContext(&with.raster), 0, 0, kW, kH);
  StreetPainter painter(*canvas, v, opt);
  painter.Collect(layer);
  const StreetStroke& arrows = painter.Strokes().back();
  ASSERT_EQ(arrows.colour, kOneWayArrow);
  int east = 0, west = 0;
  for (std::size_t i = 0; i + 1 < arrows.lines.size(); i += 2) {
    const auto& shaft = arrows.lines[i];
    const bool north = shaft[0].y < kH / 2.0;  // the first street
    (shaft[1].x > shaft[0].x ? east : west) += north ? 1 : -1;
  }
  EXPECT_GT(east, 0);  // the northern street's arrows point east,
  EXPECT_LT(west, 0);  // the southern one's west
}

TEST(StreetDrawingTest, ApproximateInterstatesGiveWayInsideAnAreaWithMotorways) {
  const std::vector<Box> boxes{{-1, -1, 1, 1}};
  const auto parts = PartsOutside({{-3, 0}, {3, 0}, {3, 5}}, boxes);
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_FLOAT_EQ(parts[0].back().x, -1);
  EXPECT_FLOAT_EQ(parts[1].front().x, 1);
  EXPECT_EQ(parts[1].size(), 3u);
  EXPECT_TRUE(PartsOutside({{-0.5f, 0}, {0.5f, 0}}, boxes).empty());

  MapData data;
  Road road;
  road.points = {{-84, 39.96f}, {-82, 39.96f}};
  road.box = {-84, 39.96, -82, 39.96};
  data.roads.push_back(road);
  streets::MemoryStreetLayer layer;
  layer.Add({"east", {-82.99, 39.8, -82.0, 40.1}, true},
            {Line(RoadClass::kMotorway, {{-82.99f, 39.90f}, {-82.98f, 39.90f}})});
  RenderOptions opt;
  opt.streets = &layer;
  const View v = ViewAt(-83, 39.96, 10);
  Picture pic;
  Paint(pic, v, data, opt);
  auto red = [](std::uint32_t p) { return ((p >> 16) & 0xFF) > 150 && (p & 0xFF) < 120; };
  const Point east = v.ToPixel(-82.95, 39.96);
  const Point west = v.ToPixel(-83.05, 39.96);
  // East of -82.99 the area's own motorways show instead.
  EXPECT_GT(pic.Count(red, int(west.x) - 2, int(west.y) - 3, int(west.x) + 2, int(west.y) + 3), 0);
  EXPECT_EQ(pic.Count(red, int(east.x) - 2, int(east.y) - 3, int(east.x) + 2, int(east.y) + 3), 0);
}

TEST(StreetDrawingTest, TheCreditShowsOnlyWhileStreetsAreInView) {
  streets::MemoryStreetLayer layer;
  layer.Add({"town", {}, false},
            {Line(RoadClass::kPrimary, {{-83.01f, 39.96f}, {-82.99f, 39.96f}})});
  MapData data;
  RenderOptions opt;
  opt.land = 0xFFFFFF;
  opt.streets = &layer;
  auto dark = [](std::uint32_t p) { return ((p >> 8) & 0xFF) < 128; };
  auto corner = [&](const Picture& p) { return p.Count(dark, kW / 2, kH - 16, kW, kH); };
  Picture here, away, none;
  Paint(here, ViewAt(-83, 39.96, 13), data, opt);
  Paint(away, ViewAt(-90, 39.96, 13), data, opt);
  opt.streets = nullptr;
  Paint(none, ViewAt(-83, 39.96, 13), data, opt);
  EXPECT_GT(corner(here), 30);
  EXPECT_EQ(corner(away), 0);
  EXPECT_EQ(corner(none), 0);
}

TEST(StreetDrawingTest, LabelsNeverOverlapAndAreUprightAndRepeatOnLongStreets) {
  // A grid of named streets, some drawn east to west, a curving one, and a long
  // one with a route number.
  std::vector<Street> grid;
  for (int i = 0; i < 8; ++i) {
    const float y = 39.955f + 0.0015f * static_cast<float>(i);
    std::vector<GeoPoint> pts{{-83.012f, y}, {-82.988f, y}};
    if (i % 2) std::swap(pts[0], pts[1]);
    grid.push_back(Line(RoadClass::kResidential, pts, "Street " + std::to_string(i)));
    const float x = -83.01f + 0.003f * static_cast<float>(i);
    grid.push_back(Line(RoadClass::kTertiary, {{x, 39.968f}, {x + 0.001f, 39.952f}},
                        "Avenue " + std::to_string(i)));
  }
  std::vector<GeoPoint> curve;
  for (int k = 0; k <= 40; ++k)
    curve.push_back({static_cast<float>(-82.988 - 0.0006 * k),
                     static_cast<float>(39.96 + 0.004 * std::sin(k / 6.0))});
  grid.push_back(Line(RoadClass::kSecondary, curve, "Winding Road"));
  grid.push_back(Line(RoadClass::kPrimary, {{-83.02f, 39.9612f}, {-82.98f, 39.9612f}},
                      "Long Street", 0, "US 40;SR 16"));
  streets::MemoryStreetLayer layer;
  layer.Add({"town", {}, false}, std::move(grid));
  Picture pic;
  auto canvas = CreateCanvas(ToDeviceContext(&pic.raster), 0, 0, kW, kH);
  const View v = ViewAt(-83, 39.96, 16);
  RenderOptions opt;
  StreetPainter painter(*canvas, v, opt);
  painter.Collect(layer);
  LabelSpace space(kW, kH);
  painter.PlaceLabels(space);
  const auto& labels = painter.labels();
  ASSERT_GT(labels.size(), 8u);
  int long_street = 0, shields = 0;
  for (std::size_t i = 0; i < labels.size(); ++i) {
    long_street += labels[i].text == "Long Street";
    shields += labels[i].glyphs.empty();
    for (const GlyphPlace& g : labels[i].glyphs)
      EXPECT_LE(std::fabs(g.angle), std::numbers::pi / 2 + 1e-9) << labels[i].text;
    for (std::size_t j = 0; j < i; ++j)
      for (const Box& a : labels[i].taken)
        for (const Box& b : labels[j].taken)
          EXPECT_FALSE(a.west < b.east && b.west < a.east && a.south < b.north && b.south < a.north)
              << labels[i].text << " over " << labels[j].text;
  }
  EXPECT_GE(long_street, 2);
  EXPECT_GE(shields, 2);  // "US 40" and "SR 16", each in its box
}

TEST(StreetDrawingTest, MonochromeStreetsAreBlackAndWhite) {
  streets::MemoryStreetLayer layer;
  layer.Add({"town", {}, true}, {Line(RoadClass::kMotorway, {{-83.01f, 39.96f}, {-82.99f, 39.962f}},
                                      "Freeway", streets::kBridge, "I 70"),
                                 Line(RoadClass::kResidential, {{-83.0f, 39.95f}, {-83.0f, 39.97f}},
                                      "Main Street", streets::kOneway),
                                 Line(RoadClass::kPath, {{-83.01f, 39.955f}, {-82.99f, 39.957f}})});
  MapData data;
  RenderOptions opt;
  opt.streets = &layer;
  opt.monochrome = true;
  opt.one_way = true;
  Picture pic;
  Paint(pic, ViewAt(-83, 39.96, 16), data, opt);
  auto grey = [](std::uint32_t p) {
    return ((p >> 16) & 0xFF) == ((p >> 8) & 0xFF) && ((p >> 8) & 0xFF) == (p & 0xFF);
  };
  EXPECT_EQ(pic.Count(grey), kW * kH);
  EXPECT_GT(pic.Count([](std::uint32_t p) { return (p & 0xFF) < 64; }), 200);
}

}  // namespace
}  // namespace k9::engine

#endif  // _WIN32
