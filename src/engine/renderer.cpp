#include "engine/renderer.h"

#include "engine/label_space.h"
#include "engine/street_render.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>

namespace k9::engine {
namespace {

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kWhite = 0xFFFFFF;

// Mixes `a` towards `b` by `t` (0..1).
std::uint32_t Mix(std::uint32_t a, std::uint32_t b, double t) {
  auto ch = [&](int shift) {
    const double v = (a >> shift & 0xFF) * (1 - t) + (b >> shift & 0xFF) * t;
    return static_cast<std::uint32_t>(std::lround(v)) << shift;
  };
  return ch(16) | ch(8) | ch(0);
}

bool SameCoordinate(double a, double b) { return std::fabs(a - b) < 1e-4; }

// The edge from a to b runs along a side of a water tile: a cut, not a shore.
bool AlongTileSide(const GeoPoint& a, const GeoPoint& b, const Box& t) {
  return (SameCoordinate(a.x, b.x) &&
          (SameCoordinate(a.x, t.west) || SameCoordinate(a.x, t.east))) ||
         (SameCoordinate(a.y, b.y) &&
          (SameCoordinate(a.y, t.south) || SameCoordinate(a.y, t.north)));
}

void PushThinned(std::vector<Point>& line, Point p) {
  if (!line.empty() && std::fabs(p.x - line.back().x) < 0.5 && std::fabs(p.y - line.back().y) < 0.5)
    return;
  line.push_back(p);
}

// Consecutive points within one pixel column draw a stroke inside that column
// whatever their order, so such a run is kept as its first, lowest, highest and
// last point (likewise for rows). A jagged line of 100,000 points shrinks to a few
// points per pixel of its length, and what is drawn stays within a pixel of it.
void CollapseRuns(std::vector<Point>& line, bool columns) {
  std::vector<Point> out;
  out.reserve(line.size());
  auto key = [columns](const Point& p) { return std::floor(columns ? p.x : p.y); };
  auto across = [columns](const Point& p) { return columns ? p.y : p.x; };
  for (std::size_t i = 0; i < line.size();) {
    std::size_t j = i + 1, low = i, high = i;
    for (; j < line.size() && key(line[j]) == key(line[i]); ++j) {
      if (across(line[j]) < across(line[low])) low = j;
      if (across(line[j]) > across(line[high])) high = j;
    }
    if (j - i <= 4) {
      out.insert(out.end(), line.begin() + static_cast<std::ptrdiff_t>(i),
                 line.begin() + static_cast<std::ptrdiff_t>(j));
    } else {
      out.push_back(line[i]);
      out.push_back(line[std::min(low, high)]);
      out.push_back(line[std::max(low, high)]);
      out.push_back(line[j - 1]);
    }
    i = j;
  }
  line = std::move(out);
}

struct Painter {
  Canvas& canvas;
  const View& view;
  const RenderOptions& opt;
  Box extent;
  Rings scratch;

  std::uint32_t Fill(std::uint32_t c) const { return opt.monochrome ? kWhite : c; }
  std::uint32_t Ink(std::uint32_t c) const { return opt.monochrome ? kBlack : c; }

  // Features never overlap, so one path per colour fills them all at once. The fills
  // lie beneath outlines, so their edges need no antialiasing.
  void PolygonLayerFill(const PolygonLayer& layer, bool shade, std::uint32_t base) {
    const int level = layer.LevelFor(view.degrees_per_pixel());
    constexpr std::size_t kGroups = std::size(kShades);
    std::vector<Rings> groups(shade ? kGroups : 1);
    for (std::uint32_t i : layer.Query(extent)) {
      ProjectRings(view, layer.features[i].levels[level], &scratch);
      auto& group = groups[shade ? i % kGroups : 0];
      for (auto& ring : scratch) group.push_back(std::move(ring));
    }
    for (std::size_t g = 0; g < groups.size(); ++g)
      if (!groups[g].empty()) canvas.FillRings(groups[g], Fill(shade ? kShades[g] : base), false);
  }
  // Outlines of every feature, for data without shared borders.
  void PolygonLayerStroke(const PolygonLayer& layer, std::uint32_t colour, double width) {
    const int level = layer.LevelFor(view.degrees_per_pixel());
    Rings all;
    for (std::uint32_t i : layer.Query(extent)) {
      ProjectRings(view, layer.features[i].levels[level], &scratch);
      for (auto& ring : scratch) all.push_back(std::move(ring));
    }
    if (!all.empty()) canvas.StrokeRings(all, Ink(colour), width, true);
  }
  // Borders of one kind, each drawn once.
  void BorderStroke(const PolygonLayer& layer, std::string_view code, std::uint32_t colour,
                    double width) {
    const int level = layer.LevelFor(view.degrees_per_pixel());
    Rings all;
    for (std::uint32_t i : layer.Query(extent)) {
      if (layer.features[i].code != code) continue;
      ProjectRings(view, layer.features[i].levels[level], &scratch, 2);
      for (auto& line : scratch) all.push_back(std::move(line));
    }
    if (!all.empty()) canvas.StrokeRings(all, Ink(colour), width, false);
  }

  // The sea and lakes as one fill: the view's rectangle with every water ring of
  // the tiles in view cut out (even-odd, so a lake in land is water again and an
  // island in the lake land), then the shores and rivers.
  void Water(const PolygonLayer& layer) {
    const double w = canvas.width(), h = canvas.height();
    Rings fill{{{-4, -4}, {w + 4, -4}, {w + 4, h + 4}, {-4, h + 4}}};
    Rings shores;
    Rings rivers[5];
    for (std::uint32_t i : layer.Query(extent)) {
      const Feature& f = layer.features[i];
      if (f.code == "W") {
        for (const GeoRing& ring : f.levels[0]) {
          if (ring.size() < 3) continue;
          std::vector<Point> area, shore;
          for (std::size_t k = 0; k < ring.size(); ++k) {
            const Point p = view.ToPixel(ring[k].x, ring[k].y);
            PushThinned(area, p);
            if (k > 0 && AlongTileSide(ring[k - 1], ring[k], f.box)) {
              if (shore.size() >= 2) shores.push_back(std::move(shore));
              shore.clear();
            }
            PushThinned(shore, p);
          }
          if (shore.size() >= 2) shores.push_back(std::move(shore));
          if (area.size() >= 3) fill.push_back(std::move(area));
        }
      } else if (f.code.size() == 2 && f.code[0] == 'R' && f.code[1] >= '1' && f.code[1] <= '4') {
        ProjectRings(view, f.levels[0], &scratch, 2);
        for (auto& line : scratch) rivers[f.code[1] - '0'].push_back(std::move(line));
      }
    }
    canvas.FillRings(fill, Fill(opt.sea), false);
    const std::uint32_t river = Ink(Mix(opt.sea, kBlack, 0.18));
    constexpr double kRiverWidth[5] = {0, 1.3, 1.1, 0.9, 0.6};
    for (int l = 4; l >= 1; --l)
      if (!rivers[l].empty()) canvas.StrokeRings(rivers[l], river, kRiverWidth[l], false);
    if (!shores.empty()) canvas.StrokeRings(shores, Ink(Mix(opt.sea, kBlack, 0.3)), 0.7, false);
  }
};

// Finds the first free of the places around a symbol and takes it: beside it first,
// then above and below, then at its corners.
std::optional<Point> ReserveLabel(Canvas& canvas, LabelSpace& space, Point at, double r,
                                  const std::string& text, double size) {
  const TextSize ts = canvas.MeasureText(text, size);
  const double right = at.x + r + 2, left = at.x - r - 2 - ts.width;
  const double above = at.y - r - 1 - ts.height, below = at.y + r + 1;
  const Point tries[] = {{right, at.y - ts.height / 2},
                         {left, at.y - ts.height / 2},
                         {at.x - ts.width / 2, above},
                         {at.x - ts.width / 2, below},
                         {right, above},
                         {right, below},
                         {left, above},
                         {left, below}};
  for (const Point& p : tries) {
    if (space.Free(p.x, p.y, p.x + ts.width, p.y + ts.height)) {
      space.Take(p.x, p.y, p.x + ts.width, p.y + ts.height);
      return p;
    }
  }
  return std::nullopt;
}

// Labels sit on a halo, so lines beneath them never cross their letters.
bool PlaceLabel(Canvas& canvas, LabelSpace& space, Point at, double r, const std::string& text,
                double size, std::uint32_t colour, std::uint32_t halo) {
  const auto spot = ReserveLabel(canvas, space, at, r, text, size);
  if (spot) canvas.DrawHaloText(*spot, text, size, colour, halo, 1.0);
  return spot.has_value();
}

// The least population of the places drawn at a scale: the great cities of the
// world from afar, every place up close.
std::int64_t MinPopulationFor(double dpp) {
  if (dpp > 0.3) return 3'000'000;
  if (dpp > 0.12) return 1'000'000;
  if (dpp > 0.05) return 300'000;
  if (dpp > 0.02) return 100'000;
  if (dpp > 0.008) return 20'000;
  if (dpp > 0.003) return 5'000;
  return 0;
}

// The water band for a view: the one made for its scale, the finest band only
// where the whole view lies in its region, and the nearest band present when that
// one is missing. -1 when there is no water data.
int WaterBand(const MapData& data, const View& view) {
  int band = 0;
  while (band + 1 < kWaterBands && view.degrees_per_pixel() < kWaterBandFrom[band]) ++band;
  const Box e = view.Extent();
  const Box& fine = data.water[kWaterBands - 1].bounds;
  if (band == kWaterBands - 1 && !(e.west >= fine.west && e.east <= fine.east &&
                                   e.south >= fine.south && e.north <= fine.north))
    --band;
  for (int step = 0; step < kWaterBands; ++step) {
    if (band - step >= 0 && !data.water[band - step].features.empty()) return band - step;
    if (band + step < kWaterBands && !data.water[band + step].features.empty()) return band + step;
  }
  return -1;
}

}  // namespace

void ProjectRings(const View& view, const std::vector<GeoRing>& rings, Rings* out,
                  std::size_t min_points) {
  out->resize(rings.size());
  std::size_t used = 0;
  for (const auto& ring : rings) {
    auto& dst = (*out)[used];
    dst.clear();
    // Rings that cross the date line jump by a full turn between two points; they
    // are kept continuous so no band is drawn across the map.
    double offset = 0, previous = 0;
    bool first = true;
    for (const GeoPoint& g : ring) {
      double x = g.x + offset;
      if (!first && x - previous > 180) {
        offset -= 360;
        x -= 360;
      } else if (!first && x - previous < -180) {
        offset += 360;
        x += 360;
      }
      previous = x;
      first = false;
      PushThinned(dst, view.ToPixel(x, g.y));
    }
    if (dst.size() >= min_points) ++used;
  }
  out->resize(used);
}

void Render(Canvas& canvas, const View& view, const MapData& data, const RenderOptions& opt) {
  Painter p{canvas, view, opt, view.Extent(), {}};
  const double dpp = view.degrees_per_pixel();
  const std::uint32_t border = opt.high_contrast ? 0x404040 : 0x9A8F86;
  const bool counties = dpp < kCountiesBelow;
  const int water = WaterBand(data, view);

  // Land. With water data the land colour is the ground and the water is cut out of
  // it afterwards, so only shaded areas are filled; without it the sea is the ground
  // and the countries are filled on it. Shaded counties cover their states.
  canvas.Clear(p.Fill(water >= 0 ? opt.land : opt.sea));
  if (water < 0) p.PolygonLayerFill(data.world, false, opt.land);
  const bool county_fill = counties && opt.shade_counties;
  if (opt.shade_states || (water < 0 && !county_fill))
    p.PolygonLayerFill(data.states, opt.shade_states, opt.land);
  if (county_fill) p.PolygonLayerFill(data.counties, true, opt.land);
  auto in_view = [&](double x, double y) {
    return x >= p.extent.west && x <= p.extent.east && y >= p.extent.south && y <= p.extent.north;
  };
  // Places in view, most people first; their built-up shading lies on the land,
  // beneath the water and every line; their symbols and labels come with the other
  // labels.
  const std::int64_t min_population = MinPopulationFor(dpp);
  struct Shown {
    const City* city;
    Point at;
    double r;
  };
  std::vector<Shown> shown;
  for (const City& c : data.cities) {
    if (c.population < min_population) break;  // stored most people first
    if (!in_view(c.x, c.y)) continue;
    // In quarter pixels, so the canvas draws few sizes of symbol.
    const double r =
        std::round(4 * std::clamp(1.2 + 0.7 * std::log10(std::max<double>(
                                                             1, static_cast<double>(c.population)) /
                                                         1000),
                                  1.5, 4.5)) /
        4;
    shown.push_back({&c, view.ToPixel(c.x, c.y), r});
    if (shown.size() >= 4000) break;
  }
  // The places of the country the view is centred on come first, so a state view
  // labels its own cities before the larger ones across a border (El Paso before
  // Ciudad Juárez).
  if (!shown.empty()) {
    const Point middle{canvas.width() / 2.0, canvas.height() / 2.0};
    auto distance = [&](const Shown& s) {
      return (s.at.x - middle.x) * (s.at.x - middle.x) + (s.at.y - middle.y) * (s.at.y - middle.y);
    };
    const std::string home =
        std::min_element(shown.begin(), shown.end(), [&](const Shown& a, const Shown& b) {
          return distance(a) < distance(b);
        })->city->country;
    std::stable_partition(shown.begin(), shown.end(),
                          [&](const Shown& s) { return s.city->country == home; });
  }
  if (opt.shade_places) {
    for (const Shown& s : shown) {
      // About eleven kilometres of built-up radius for a million people.
      const double km = std::sqrt(static_cast<double>(s.city->population)) / 90;
      const double radius = km / 111.0 / dpp;
      if (radius > 2) canvas.FillCircle(s.at, radius, p.Fill(0xF0C8A0));
    }
  }

  if (water >= 0) p.Water(data.water[static_cast<std::size_t>(water)]);

  // Underlay: above the land and water so it shows, beneath every line and label.
  if (opt.underlay != nullptr && !opt.monochrome) {
    const Underlay& u = *opt.underlay;
    canvas.DrawImage(u.image, view.ToPixel(u.west, u.north), view.ToPixel(u.east, u.south));
  }

  // Borders: each shared border once when the data has them, else every outline.
  const std::uint32_t state_ink = opt.high_contrast ? 0x202020 : kStateBorder;
  if (!data.us_borders.features.empty()) {
    if (counties) p.BorderStroke(data.us_borders, "C", kCountyBorder, kCountyBorderWidth);
  } else if (counties) {
    p.PolygonLayerStroke(data.counties, kCountyBorder, kCountyBorderWidth);
  }
  if (!data.world_borders.features.empty())
    p.BorderStroke(data.world_borders, "N", border, 0.8);
  else
    p.PolygonLayerStroke(data.world, border, 0.8);
  if (!data.us_borders.features.empty())
    p.BorderStroke(data.us_borders, "S", state_ink, kStateBorderWidth);
  else
    p.PolygonLayerStroke(data.states, state_ink, kStateBorderWidth);

  // Imported streets, at the scale's level of detail.
  std::optional<StreetPainter> street_lines;
  if (opt.streets != nullptr) {
    street_lines.emplace(canvas, view, opt);
    street_lines->Collect(*opt.streets);
  }

  // Interstates, except inside the imported areas whose own motorways show there.
  if (dpp < kRoadsBelow) {
    std::vector<Box> own;
    if (opt.streets != nullptr)
      for (const streets::StreetArea& a : opt.streets->Areas())
        if (a.has_motorways) own.push_back(a.box);
    const std::uint32_t road = opt.high_contrast ? 0xD00000 : 0xC8553D;
    const double width = (opt.high_contrast ? 3.0 : 1.6) * (dpp > 0.05 ? 0.6 : 1.0);
    for (const Road& r : data.roads) {
      if (!r.box.Intersects(p.extent)) continue;
      Rings lines;
      for (const auto& part : PartsOutside(r.points, own)) {
        lines.emplace_back();
        for (const GeoPoint& g : part) lines.back().push_back(view.ToPixel(g.x, g.y));
      }
      if (lines.empty()) continue;
      if (opt.high_contrast && !opt.monochrome) canvas.StrokeRings(lines, kBlack, width + 2, false);
      canvas.StrokeRings(lines, p.Ink(road), width, false);
    }
  }

  // Every line is drawn before any label.
  if (street_lines) street_lines->DrawLines();

  LabelSpace space(canvas.width(), canvas.height());

  // The overlay's texts and marked points are the user's own: their room is taken
  // first, so no map label covers them.
  struct PendingText {
    Point at;
    const std::string* text;
    double size;
    std::uint32_t colour;
  };
  std::vector<PendingText> overlay_texts;
  if (opt.overlay != nullptr) {
    for (const OverlayItem& item : opt.overlay->items) {
      if (item.points.empty() || !in_view(item.points[0].x, item.points[0].y)) continue;
      const Point at = view.ToPixel(item.points[0].x, item.points[0].y);
      if (item.kind == OverlayItem::Kind::kPoint) {
        const double r = 3 + item.width;
        space.Take(at.x - r, at.y - r, at.x + r, at.y + r);
        if (item.text.empty()) continue;
        if (const auto spot = ReserveLabel(canvas, space, at, r, item.text, 11))
          overlay_texts.push_back({*spot, &item.text, 11, p.Ink(item.pen)});
      } else if (item.kind == OverlayItem::Kind::kText) {
        const TextSize ts = canvas.MeasureText(item.text, 12);
        const Point corner{at.x - ts.width / 2, at.y - ts.height / 2};
        space.Take(corner.x, corner.y, corner.x + ts.width, corner.y + ts.height);
        overlay_texts.push_back({corner, &item.text, 12, p.Ink(item.pen)});
      }
    }
  }
  const std::uint32_t text = p.Ink(0x222222);
  const std::uint32_t halo = opt.monochrome ? kWhite : Mix(opt.land, kWhite, 0.6);
  // The streets' credit keeps its corner while any street shows.
  std::optional<Point> credit;
  if (street_lines && street_lines->any()) credit = ReserveStreetCredit(canvas, space);

  // Places: symbols and labels, most people first (their shading lies on the land).
  // A place shows only with its label, so crowded areas keep their big places
  // readable instead of a heap of dots. Up close every dot stays.
  const bool every_dot = dpp < 0.003;
  std::size_t labels = 0;
  for (const Shown& s : shown) {
    // A dot never lands on a label or another dot.
    const double d = s.r + 1;
    if ((!every_dot && labels >= 600) ||
        !space.Free(s.at.x - d, s.at.y - d, s.at.x + d, s.at.y + d))
      continue;
    const std::int64_t people = s.city->population;
    const double size = people >= 1'000'000 ? 13 : people >= 200'000 ? 11.5 : 10;
    const bool labelled =
        labels < 600 && PlaceLabel(canvas, space, s.at, s.r, s.city->name, size, text, halo);
    if (!labelled && !every_dot) continue;
    labels += labelled;
    space.Take(s.at.x - d, s.at.y - d, s.at.x + d, s.at.y + d);
    canvas.FillCircle(s.at, s.r + 1, p.Fill(kWhite));
    canvas.FillCircle(s.at, s.r, p.Ink(0x303030));
  }

  // ZIP codes when asked for and close enough to read.
  if (opt.zip_codes && dpp < kZipsBelow) {
    for (const ZipCode& z : data.zips) {
      if (!in_view(z.x, z.y)) continue;
      const Point at = view.ToPixel(z.x, z.y);
      canvas.FillCircle(at, 2, p.Ink(0x3050B0));
      PlaceLabel(canvas, space, at, 2, z.zip, 10, p.Ink(0x3050B0), halo);
    }
  }

  // Street names and route numbers in the room the places left.
  if (street_lines) {
    street_lines->PlaceLabels(space);
    street_lines->DrawLabels();
  }
  if (credit) DrawStreetCredit(canvas, *credit, opt);

  // Overlay on top of everything, in its own order; runs of points of one style go
  // to the canvas together.
  if (opt.overlay != nullptr) {
    std::vector<Point> dots;
    double dot_r = 0;
    std::uint32_t dot_colour = 0;
    auto flush_dots = [&] {
      canvas.FillCircles(dots, dot_r, dot_colour);
      dots.clear();
    };
    for (const OverlayItem& item : opt.overlay->items) {
      if (item.kind == OverlayItem::Kind::kText) continue;  // with the other texts, below
      if (item.kind == OverlayItem::Kind::kPoint) {
        const double r = 3 + item.width;
        if (!dots.empty() && (r != dot_r || p.Ink(item.pen) != dot_colour)) flush_dots();
        dot_r = r;
        dot_colour = p.Ink(item.pen);
        if (in_view(item.points[0].x, item.points[0].y))
          dots.push_back(view.ToPixel(item.points[0].x, item.points[0].y));
        continue;
      }
      flush_dots();
      Rings ring(1);
      for (const GeoPoint& g : item.points) PushThinned(ring[0], view.ToPixel(g.x, g.y));
      if (item.kind == OverlayItem::Kind::kArea) {
        for (const auto& hole : item.holes) {
          ring.emplace_back();
          for (const GeoPoint& g : hole) PushThinned(ring.back(), view.ToPixel(g.x, g.y));
        }
        if (ring[0].size() >= 3) canvas.FillRings(ring, p.Fill(item.fill), true);
        if (item.width > 0) canvas.StrokeRings(ring, p.Ink(item.pen), item.width, true);
      } else if (item.width > 0) {
        CollapseRuns(ring[0], true);
        CollapseRuns(ring[0], false);
        if (ring[0].size() == 1) ring[0].push_back(ring[0][0]);
        canvas.StrokeRings(ring, p.Ink(item.pen), item.width, false);
      }
    }
    flush_dots();
    for (const PendingText& t : overlay_texts) canvas.DrawText(t.at, *t.text, t.size, t.colour);
  }
  canvas.Flush();
}

}  // namespace k9::engine
