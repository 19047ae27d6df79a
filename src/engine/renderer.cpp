#include "engine/renderer.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace k9::engine {
namespace {

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kWhite = 0xFFFFFF;

// Soft fills for shaded states and counties, picked by index so neighbours differ.
constexpr std::uint32_t kShades[] = {0xF6D8AE, 0xCFE8C4, 0xF3C6C6, 0xD6D2F0,
                                     0xF7F0B0, 0xC4E3E8, 0xE9D3E8, 0xDCE8B0};

struct Painter {
  Canvas& canvas;
  const View& view;
  const RenderOptions& opt;
  Box extent;
  Rings scratch;

  std::uint32_t Fill(std::uint32_t c) const { return opt.monochrome ? kWhite : c; }
  std::uint32_t Ink(std::uint32_t c) const { return opt.monochrome ? kBlack : c; }

  // Features never overlap, so one path per colour fills them all at once, and one
  // path strokes every outline: far fewer canvas calls than one per feature.
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
      if (!groups[g].empty()) canvas.FillRings(groups[g], Fill(shade ? kShades[g] : base));
  }
  void PolygonLayerStroke(const PolygonLayer& layer, std::uint32_t colour, double width) {
    const int level = layer.LevelFor(view.degrees_per_pixel());
    Rings all;
    for (std::uint32_t i : layer.Query(extent)) {
      ProjectRings(view, layer.features[i].levels[level], &scratch);
      for (auto& ring : scratch) all.push_back(std::move(ring));
    }
    if (!all.empty()) canvas.StrokeRings(all, Ink(colour), width, true);
  }
};

struct LabelBox {
  double x0, y0, x1, y1;
  bool Overlaps(const LabelBox& o) const {
    return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1;
  }
};

// Keeps the boxes already taken by labels and symbols, in a grid of cells so a
// test looks only at its neighbourhood; a label goes only where it meets none.
class LabelSpace {
 public:
  LabelSpace(double w, double h)
      : w_(w),
        h_(h),
        cols_(static_cast<int>(w / kCell) + 1),
        rows_(static_cast<int>(h / kCell) + 1),
        cells_(static_cast<std::size_t>(cols_) * rows_) {}
  bool Free(const LabelBox& b) const {
    if (b.x0 < 0 || b.y0 < 0 || b.x1 > w_ || b.y1 > h_) return false;
    bool free = true;
    Visit(b, [&](const std::vector<std::uint32_t>& cell) {
      for (std::uint32_t i : cell)
        if (taken_[i].Overlaps(b)) free = false;
    });
    return free;
  }
  void Take(const LabelBox& b) {
    const auto index = static_cast<std::uint32_t>(taken_.size());
    taken_.push_back(b);
    VisitMutable(b, [&](std::vector<std::uint32_t>& cell) { cell.push_back(index); });
  }
  std::size_t size() const { return taken_.size(); }

 private:
  static constexpr double kCell = 48;
  template <typename Fn>
  void Visit(const LabelBox& b, Fn fn) const {
    const int c0 = std::clamp(static_cast<int>(b.x0 / kCell), 0, cols_ - 1);
    const int c1 = std::clamp(static_cast<int>(b.x1 / kCell), 0, cols_ - 1);
    const int r0 = std::clamp(static_cast<int>(b.y0 / kCell), 0, rows_ - 1);
    const int r1 = std::clamp(static_cast<int>(b.y1 / kCell), 0, rows_ - 1);
    for (int r = r0; r <= r1; ++r)
      for (int c = c0; c <= c1; ++c) fn(cells_[static_cast<std::size_t>(r) * cols_ + c]);
  }
  template <typename Fn>
  void VisitMutable(const LabelBox& b, Fn fn) {
    const int c0 = std::clamp(static_cast<int>(b.x0 / kCell), 0, cols_ - 1);
    const int c1 = std::clamp(static_cast<int>(b.x1 / kCell), 0, cols_ - 1);
    const int r0 = std::clamp(static_cast<int>(b.y0 / kCell), 0, rows_ - 1);
    const int r1 = std::clamp(static_cast<int>(b.y1 / kCell), 0, rows_ - 1);
    for (int r = r0; r <= r1; ++r)
      for (int c = c0; c <= c1; ++c) fn(cells_[static_cast<std::size_t>(r) * cols_ + c]);
  }
  double w_, h_;
  int cols_, rows_;
  std::vector<std::vector<std::uint32_t>> cells_;
  std::vector<LabelBox> taken_;
};

// Finds the first free of the four places around a symbol and takes it.
std::optional<Point> ReserveLabel(Canvas& canvas, LabelSpace& space, Point at, double r,
                                  const std::string& text, double size) {
  const TextSize ts = canvas.MeasureText(text, size);
  const Point tries[] = {{at.x + r + 2, at.y - ts.height / 2},
                         {at.x - r - 2 - ts.width, at.y - ts.height / 2},
                         {at.x - ts.width / 2, at.y - r - 1 - ts.height},
                         {at.x - ts.width / 2, at.y + r + 1}};
  for (const Point& p : tries) {
    const LabelBox box{p.x, p.y, p.x + ts.width, p.y + ts.height};
    if (space.Free(box)) {
      space.Take(box);
      return p;
    }
  }
  return std::nullopt;
}

bool PlaceLabel(Canvas& canvas, LabelSpace& space, Point at, double r, const std::string& text,
                double size, std::uint32_t colour) {
  const auto spot = ReserveLabel(canvas, space, at, r, text, size);
  if (spot) canvas.DrawText(*spot, text, size, colour);
  return spot.has_value();
}

std::string ProperName(const std::string& upper) {
  std::string out = upper;
  bool start = true;
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z' && !start) c = static_cast<char>(c - 'A' + 'a');
    start = c == ' ' || c == '-' || c == '.' || c == '\'';
  }
  return out;
}

// Least ZIP count of the places drawn at a scale: few big cities from afar, every
// place up close.
int MinRankFor(double dpp) {
  if (dpp > 0.05) return 40;
  if (dpp > 0.02) return 12;
  if (dpp > 0.008) return 4;
  if (dpp > 0.003) return 2;
  return 1;
}

}  // namespace

void ProjectRings(const View& view, const std::vector<GeoRing>& rings, Rings* out) {
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
      const Point p = view.ToPixel(x, g.y);
      if (!dst.empty() && std::fabs(p.x - dst.back().x) < 0.5 &&
          std::fabs(p.y - dst.back().y) < 0.5)
        continue;
      dst.push_back(p);
    }
    if (dst.size() >= 3) ++used;
  }
  out->resize(used);
}

void Render(Canvas& canvas, const View& view, const MapData& data, const RenderOptions& opt) {
  Painter p{canvas, view, opt, view.Extent(), {}};
  const double dpp = view.degrees_per_pixel();
  const std::uint32_t border = opt.high_contrast ? 0x404040 : 0x9A8F86;

  canvas.Clear(p.Fill(opt.sea));

  // Land.
  p.PolygonLayerFill(data.world, false, opt.land);
  p.PolygonLayerFill(data.states, opt.shade_states, opt.land);
  const bool counties = dpp < kCountiesBelow;
  if (counties && opt.shade_counties) p.PolygonLayerFill(data.counties, true, opt.land);

  // Underlay: above the land fills so it shows, beneath every line and label.
  if (opt.underlay != nullptr && !opt.monochrome) {
    const Underlay& u = *opt.underlay;
    canvas.DrawImage(u.image, view.ToPixel(u.west, u.north), view.ToPixel(u.east, u.south));
  }

  // Borders.
  if (counties) p.PolygonLayerStroke(data.counties, 0xC8BFB5, 0.6);
  p.PolygonLayerStroke(data.world, border, 0.8);
  p.PolygonLayerStroke(data.states, opt.high_contrast ? 0x202020 : 0x7F746B, 1.2);

  // Interstates.
  if (dpp < kRoadsBelow) {
    const std::uint32_t road = opt.high_contrast ? 0xD00000 : 0xC8553D;
    const double width = (opt.high_contrast ? 3.0 : 1.6) * (dpp > 0.05 ? 0.6 : 1.0);
    for (const Road& r : data.roads) {
      if (!r.box.Intersects(p.extent)) continue;
      Rings line(1);
      for (const GeoPoint& g : r.points) line[0].push_back(view.ToPixel(g.x, g.y));
      if (opt.high_contrast && !opt.monochrome) canvas.StrokeRings(line, kBlack, width + 2, false);
      canvas.StrokeRings(line, p.Ink(road), width, false);
    }
  }

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
      if (item.points.empty()) continue;
      const Point at = view.ToPixel(item.points[0].x, item.points[0].y);
      if (item.kind == OverlayItem::Kind::kPoint) {
        const double r = 3 + item.width;
        space.Take({at.x - r, at.y - r, at.x + r, at.y + r});
        if (item.text.empty()) continue;
        if (const auto spot = ReserveLabel(canvas, space, at, r, item.text, 11))
          overlay_texts.push_back({*spot, &item.text, 11, p.Ink(item.pen)});
      } else if (item.kind == OverlayItem::Kind::kText) {
        const TextSize ts = canvas.MeasureText(item.text, 12);
        const Point corner{at.x - ts.width / 2, at.y - ts.height / 2};
        space.Take({corner.x, corner.y, corner.x + ts.width, corner.y + ts.height});
        overlay_texts.push_back({corner, &item.text, 12, p.Ink(item.pen)});
      }
    }
  }
  const std::uint32_t text = p.Ink(0x222222);

  // Places: built-up shading, symbols, then labels by importance.
  const int min_rank = MinRankFor(dpp);
  struct Shown {
    const Place* place;
    Point at;
    double r;
  };
  std::vector<Shown> shown;
  for (const Place& pl : data.places) {
    if (pl.rank < min_rank) break;  // places are stored most important first
    // Military post offices (AA, AE, AP) have ZIP codes but no place on the map.
    if (pl.state == "AA" || pl.state == "AE" || pl.state == "AP") continue;
    if (pl.x < p.extent.west || pl.x > p.extent.east || pl.y < p.extent.south ||
        pl.y > p.extent.north)
      continue;
    const Point at = view.ToPixel(pl.x, pl.y);
    const double r = std::clamp(1.5 + std::sqrt(static_cast<double>(pl.rank)) / 3, 1.5, 4.5);
    shown.push_back({&pl, at, r});
    if (shown.size() >= 4000) break;
  }
  if (opt.shade_places) {
    for (const Shown& s : shown) {
      // About one and a half kilometres of built-up radius per square-rooted ZIP code.
      const double km = 1.5 * std::sqrt(static_cast<double>(s.place->rank));
      const double radius = km / 111.0 / dpp;
      if (radius > 2) canvas.FillCircle(s.at, radius, p.Fill(0xF0C8A0));
    }
  }

  // A place shows only with its label, most important first, so crowded areas keep
  // their big places readable instead of a heap of dots. Up close every dot stays.
  const bool every_dot = dpp < 0.003;
  std::size_t labels = 0;
  for (const Shown& s : shown) {
    const LabelBox dot{s.at.x - s.r - 1, s.at.y - s.r - 1, s.at.x + s.r + 1, s.at.y + s.r + 1};
    if (!every_dot && (labels >= 600 || !space.Free(dot))) continue;
    const double size = s.place->rank >= 60 ? 13 : s.place->rank >= 15 ? 11.5 : 10;
    const bool labelled =
        labels < 600 && PlaceLabel(canvas, space, s.at, s.r, ProperName(s.place->name), size, text);
    if (!labelled && !every_dot) continue;
    labels += labelled;
    space.Take(dot);
    canvas.FillCircle(s.at, s.r + 1, p.Fill(kWhite));
    canvas.FillCircle(s.at, s.r, p.Ink(0x303030));
  }

  // ZIP codes when asked for and close enough to read.
  if (opt.zip_codes && dpp < kZipsBelow) {
    for (const ZipCode& z : data.zips) {
      if (z.x < p.extent.west || z.x > p.extent.east || z.y < p.extent.south ||
          z.y > p.extent.north)
        continue;
      const Point at = view.ToPixel(z.x, z.y);
      canvas.FillCircle(at, 2, p.Ink(0x3050B0));
      PlaceLabel(canvas, space, at, 2, z.zip, 10, p.Ink(0x3050B0));
    }
  }

  // Overlay on top of everything.
  if (opt.overlay != nullptr) {
    for (const OverlayItem& item : opt.overlay->items) {
      Rings ring(1);
      for (const GeoPoint& g : item.points) ring[0].push_back(view.ToPixel(g.x, g.y));
      switch (item.kind) {
        case OverlayItem::Kind::kArea:
          canvas.FillRings(ring, p.Fill(item.fill));
          if (item.width > 0) canvas.StrokeRings(ring, p.Ink(item.pen), item.width, true);
          break;
        case OverlayItem::Kind::kLine:
          if (item.width > 0) canvas.StrokeRings(ring, p.Ink(item.pen), item.width, false);
          break;
        case OverlayItem::Kind::kPoint:
          canvas.FillCircle(ring[0][0], 3 + item.width, p.Ink(item.pen));
          break;
        case OverlayItem::Kind::kText:
          break;  // with the other texts, below
      }
    }
    for (const PendingText& t : overlay_texts) canvas.DrawText(t.at, *t.text, t.size, t.colour);
  }
  canvas.Flush();
}

}  // namespace k9::engine
