#include "engine/street_render.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace k9::engine {

using streets::RoadClass;
using streets::Street;

namespace {

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr int kClasses = static_cast<int>(RoadClass::kPath) + 1;

std::uint32_t Mix(std::uint32_t a, std::uint32_t b, double t) {
  auto ch = [&](int shift) {
    const double v = (a >> shift & 0xFF) * (1 - t) + (b >> shift & 0xFF) * t;
    return static_cast<std::uint32_t>(std::lround(v)) << shift;
  };
  return ch(16) | ch(8) | ch(0);
}

// A class's colours: the fill, the casing beneath it, and the one line drawn
// while the street is too thin for a casing to show.
struct Look {
  std::uint32_t fill, casing, thin;
};

// Links look like the roads they join.
constexpr std::array<Look, kClasses> kLooks = {{
    {0xE892A2, 0xB5465E, 0xD06A7E},  // motorway
    {0xF9B29C, 0xC0603C, 0xE08A6C},  // trunk
    {0xFCD6A4, 0xA87A2C, 0xD0A058},  // primary
    {0xF7FABF, 0x8A9028, 0xB0B450},  // secondary
    {0xFFFFFF, 0x9A9A9A, 0xA4A4A4},  // tertiary
    {0xE892A2, 0xB5465E, 0xD06A7E},  // motorway link
    {0xF9B29C, 0xC0603C, 0xE08A6C},  // trunk link
    {0xFCD6A4, 0xA87A2C, 0xD0A058},  // primary link
    {0xF7FABF, 0x8A9028, 0xB0B450},  // secondary link
    {0xFFFFFF, 0x9A9A9A, 0xA4A4A4},  // tertiary link
    {0xFFFFFF, 0xB0B0B0, 0xB4B4B4},  // unclassified
    {0xFFFFFF, 0xB0B0B0, 0xB4B4B4},  // residential
    {0xFFFFFF, 0xB8B8B8, 0xBCBCBC},  // living street
    {0xFFFFFF, 0xC0C0C0, 0xC4C4C4},  // service
    {0xE07060, 0xE07060, 0xE07060},  // path: a dashed line only
}};
// High contrast: strong fills and near-black casings, readable under the symbols a
// host plots on the light land.
constexpr std::array<Look, kClasses> kHighContrastLooks = {{
    {0xD02020, 0x000000, 0xB00000},  // motorway
    {0xE86010, 0x000000, 0xC04000},  // trunk
    {0xF0A000, 0x202020, 0xB07000},  // primary
    {0xF0E040, 0x202020, 0x807000},  // secondary
    {0xFFFFFF, 0x202020, 0x404040},  // tertiary
    {0xD02020, 0x000000, 0xB00000},  // motorway link
    {0xE86010, 0x000000, 0xC04000},  // trunk link
    {0xF0A000, 0x202020, 0xB07000},  // primary link
    {0xF0E040, 0x202020, 0x807000},  // secondary link
    {0xFFFFFF, 0x202020, 0x404040},  // tertiary link
    {0xFFFFFF, 0x303030, 0x505050},  // unclassified
    {0xFFFFFF, 0x303030, 0x505050},  // residential
    {0xFFFFFF, 0x303030, 0x505050},  // living street
    {0xFFFFFF, 0x505050, 0x606060},  // service
    {0x803020, 0x803020, 0x803020},  // path
}};

// Fill widths in pixels at zoom levels 5, 8, 11, 14 and 17, interpolated between.
constexpr std::array<std::array<double, 5>, kClasses> kWidths = {{
    {0.8, 1.4, 2.6, 7.0, 16.0},  // motorway
    {0.8, 1.3, 2.4, 6.5, 15.0},  // trunk
    {0.6, 1.0, 2.0, 6.0, 14.0},  // primary
    {0.6, 0.9, 1.8, 5.5, 13.0},  // secondary
    {0.5, 0.8, 1.5, 5.0, 12.0},  // tertiary
    {0.5, 0.7, 1.2, 3.5, 9.0},   // links
    {0.5, 0.7, 1.2, 3.5, 9.0},   //
    {0.5, 0.7, 1.2, 3.5, 9.0},   //
    {0.5, 0.7, 1.2, 3.5, 9.0},   //
    {0.5, 0.7, 1.2, 3.5, 9.0},   //
    {0.4, 0.5, 0.9, 4.0, 11.0},  // unclassified
    {0.4, 0.5, 0.9, 4.0, 11.0},  // residential
    {0.4, 0.5, 0.8, 3.5, 10.0},  // living street
    {0.3, 0.4, 0.6, 2.0, 6.0},   // service
    {0.3, 0.4, 0.6, 1.0, 1.6},   // path
}};

// A casing shows once the fill is this wide; thinner streets are one line.
constexpr double kCasedWidth = 2.0;
constexpr double kBridgeWidth = 6.0;

double CasingWidth(double fill) { return fill + 2 * std::clamp(fill * 0.15, 0.5, 1.5); }

bool Major(RoadClass c) { return c <= RoadClass::kSecondary; }

// A polyline walked by its length.
struct Walk {
  const std::vector<Point>& p;
  std::vector<double> at;  // length from the start to each point
  explicit Walk(const std::vector<Point>& points) : p(points), at(points.size(), 0) {
    for (std::size_t i = 1; i < p.size(); ++i)
      at[i] = at[i - 1] + std::hypot(p[i].x - p[i - 1].x, p[i].y - p[i - 1].y);
  }
  double length() const { return at.empty() ? 0 : at.back(); }
  std::size_t SegmentAt(double s) const {
    auto it = std::upper_bound(at.begin(), at.end(), s);
    std::size_t i = it == at.begin() ? 0 : static_cast<std::size_t>(it - at.begin()) - 1;
    return std::min(i, p.size() - 2);
  }
  Point PointAt(double s) const {
    const std::size_t i = SegmentAt(s);
    const double len = at[i + 1] - at[i], t = len > 0 ? (s - at[i]) / len : 0;
    return {p[i].x + (p[i + 1].x - p[i].x) * t, p[i].y + (p[i + 1].y - p[i].y) * t};
  }
  double AngleAt(double s) const {
    const std::size_t i = SegmentAt(s);
    return std::atan2(p[i + 1].y - p[i].y, p[i + 1].x - p[i].x);
  }
};

double Normalise(double a) {
  while (a > std::numbers::pi) a -= 2 * std::numbers::pi;
  while (a <= -std::numbers::pi) a += 2 * std::numbers::pi;
  return a;
}

// Cuts lines into dashes of `on` pixels with gaps of `off`.
void AddDashes(const std::vector<Point>& line, double on, double off, Rings* out) {
  if (line.size() < 2) return;
  const Walk walk(line);
  for (double s = 0; s < walk.length(); s += on + off) {
    const double end = std::min(s + on, walk.length());
    std::vector<Point> dash{walk.PointAt(s)};
    for (std::size_t i = walk.SegmentAt(s) + 1; i < line.size() && walk.at[i] < end; ++i)
      dash.push_back(line[i]);
    dash.push_back(walk.PointAt(end));
    out->push_back(std::move(dash));
  }
}

// The boxes of a text's cell turned by `angle` about its middle, as the room it takes.
Box TurnedBox(Point middle, double w, double h, double angle) {
  const double c = std::fabs(std::cos(angle)), s = std::fabs(std::sin(angle));
  const double hx = c * w / 2 + s * h / 2 + 1, hy = s * w / 2 + c * h / 2 + 1;
  return {middle.x - hx, middle.y - hy, middle.x + hx, middle.y + hy};
}

std::vector<std::string> SplitRefs(const std::string& ref) {
  std::vector<std::string> out;
  std::size_t from = 0;
  while (from <= ref.size()) {
    std::size_t to = ref.find(';', from);
    if (to == std::string::npos) to = ref.size();
    std::string part = ref.substr(from, to - from);
    const auto b = part.find_first_not_of(' '), e = part.find_last_not_of(' ');
    if (b != std::string::npos) out.push_back(part.substr(b, e - b + 1));
    from = to + 1;
  }
  return out;
}

}  // namespace

std::optional<RoadClass> LeastClassShown(double dpp) {
  if (dpp >= kRoadsBelow) return std::nullopt;
  if (dpp >= 0.012) return RoadClass::kMotorway;
  if (dpp >= 0.0025) return RoadClass::kTrunk;
  if (dpp >= 0.0012) return RoadClass::kSecondary;
  if (dpp >= 0.0006) return RoadClass::kTertiaryLink;
  if (dpp >= 0.00015) return RoadClass::kLivingStreet;
  if (dpp >= 0.00006) return RoadClass::kService;
  return RoadClass::kPath;
}

double StreetWidth(RoadClass road_class, double dpp) {
  const double level = std::log2(360.0 / (256.0 * dpp));
  const auto& w = kWidths[static_cast<std::size_t>(road_class)];
  const double t = std::clamp((level - 5) / 3, 0.0, 4.0);
  const auto i = std::min<std::size_t>(3, static_cast<std::size_t>(t));
  return w[i] + (w[i + 1] - w[i]) * (t - static_cast<double>(i));
}

std::vector<std::vector<GeoPoint>> PartsOutside(const std::vector<GeoPoint>& line,
                                                const std::vector<Box>& boxes) {
  std::vector<std::vector<GeoPoint>> parts;
  if (boxes.empty()) {
    if (line.size() >= 2) parts.push_back(line);
    return parts;
  }
  std::vector<GeoPoint> current;
  bool open = false;  // `current` ends at the start of the next segment
  auto flush = [&] {
    if (current.size() >= 2) parts.push_back(std::move(current));
    current.clear();
    open = false;
  };
  for (std::size_t k = 1; k < line.size(); ++k) {
    const GeoPoint a = line[k - 1], b = line[k];
    const double dx = b.x - a.x, dy = b.y - a.y;
    // The stretches of the segment (t from 0 to 1) inside each box.
    std::vector<std::pair<double, double>> inside;
    for (const Box& box : boxes) {
      double t0 = 0, t1 = 1;
      auto clip = [&](double p, double q) {  // keeps t where p * t <= q
        if (p == 0) return q >= 0;
        const double r = q / p;
        if (p < 0)
          t0 = std::max(t0, r);
        else
          t1 = std::min(t1, r);
        return t0 <= t1;
      };
      if (clip(-dx, a.x - box.west) && clip(dx, box.east - a.x) && clip(-dy, a.y - box.south) &&
          clip(dy, box.north - a.y) && t0 < t1)
        inside.emplace_back(t0, t1);
    }
    std::sort(inside.begin(), inside.end());
    auto at = [&](double t) {
      return GeoPoint{static_cast<float>(a.x + dx * t), static_cast<float>(a.y + dy * t)};
    };
    double from = 0;
    auto outside = [&](double to) {  // the stretch from `from` to `to` is drawn
      if (to <= from) return;
      if (!(open && from == 0)) {
        flush();
        current.push_back(at(from));
      }
      current.push_back(at(to));
      open = to == 1;
    };
    for (const auto& [t0, t1] : inside) {
      outside(t0);
      if (t1 > from) {
        from = t1;
        flush();
      }
    }
    outside(1);
    if (from >= 1) flush();
  }
  flush();
  return parts;
}

StreetPainter::StreetPainter(Canvas& canvas, const View& view, const RenderOptions& options)
    : canvas_(canvas), view_(view), opt_(options) {}

std::uint32_t StreetPainter::Fill(std::uint32_t c) const { return opt_.monochrome ? kWhite : c; }
std::uint32_t StreetPainter::Ink(std::uint32_t c) const { return opt_.monochrome ? kBlack : c; }

void StreetPainter::Collect(const streets::StreetLayer& layer, std::optional<RoadClass> least) {
  if (!least) least = LeastClassShown(view_.degrees_per_pixel());
  if (!least) return;
  // A little beyond the view, so wide lines and their casings reach its edges.
  const Box e = view_.Extent();
  const double m = 20 * view_.degrees_per_pixel(), mx = 20 / view_.x_scale();
  const Box around{e.west - mx, e.south - m, e.east + mx, e.north + m};
  layer.Visit(around, *least, [&](const Street& s) {
    if (s.points.size() < 2) return;
    Line line{&s, {}, 0};
    line.pixels.reserve(s.points.size());
    for (const GeoPoint& g : s.points) {
      const Point p = view_.ToPixel(g.x, g.y);
      if (!line.pixels.empty() && std::fabs(p.x - line.pixels.back().x) < 0.5 &&
          std::fabs(p.y - line.pixels.back().y) < 0.5)
        continue;
      line.pixels.push_back(p);
    }
    if (line.pixels.size() < 2)
      line.pixels.push_back(view_.ToPixel(s.points.back().x, s.points.back().y));
    for (std::size_t i = 1; i < line.pixels.size(); ++i)
      line.length += std::hypot(line.pixels[i].x - line.pixels[i - 1].x,
                                line.pixels[i].y - line.pixels[i - 1].y);
    lines_.push_back(std::move(line));
  });
  built_ = false;
}

std::size_t StreetPainter::Shown(RoadClass road_class) const {
  return static_cast<std::size_t>(std::count_if(lines_.begin(), lines_.end(), [&](const Line& l) {
    return l.street->road_class == road_class;
  }));
}

void StreetPainter::AddArrows(const Line& line, double width, StreetStroke* out) const {
  const Walk walk(line.pixels);
  const double half = std::min(6.0, width * 0.9), head = half * 0.6;
  const bool reverse = (line.street->flags & streets::kOnewayReverse) != 0;
  for (double s = 45; s + half < walk.length(); s += 110) {
    const Point c = walk.PointAt(s);
    double a = walk.AngleAt(s);
    if (reverse) a += std::numbers::pi;
    const double ux = std::cos(a), uy = std::sin(a);
    const Point tip{c.x + ux * half, c.y + uy * half};
    out->lines.push_back({{c.x - ux * half, c.y - uy * half}, tip});
    out->lines.push_back({{tip.x - ux * head - uy * head, tip.y - uy * head + ux * head},
                          tip,
                          {tip.x - ux * head + uy * head, tip.y - uy * head - ux * head}});
  }
}

const std::vector<StreetStroke>& StreetPainter::Strokes() {
  if (built_) return strokes_;
  built_ = true;
  strokes_.clear();
  const double dpp = view_.degrees_per_pixel();
  const auto& looks = opt_.high_contrast ? kHighContrastLooks : kLooks;
  const double boost = opt_.high_contrast ? 1.2 : 1.0;
  // Per class, least important first: tunnels (casing, fill), casings, fills,
  // bridges (casing, fill).
  std::array<StreetStroke, kClasses> tunnel_casing, tunnel_fill, casing, fill, bridge_casing,
      bridge_fill;
  StreetStroke arrows{Ink(opt_.high_contrast ? 0x1828A0 : kOneWayArrow), 1.2, {}};
  for (const Line& line : lines_) {
    const Street& s = *line.street;
    const auto c = static_cast<std::size_t>(s.road_class);
    const Look& look = looks[c];
    const double w = StreetWidth(s.road_class, dpp) * boost;
    const bool path = s.road_class == RoadClass::kPath;
    const bool cased = !path && w >= kCasedWidth;
    const bool tunnel = (s.flags & streets::kTunnel) != 0;
    // A bridge gets its own casing once it is wide enough to show one; thinner, the
    // casing's round ends would make a blob of a short bridge.
    const bool bridge = !tunnel && (s.flags & streets::kBridge) != 0 && w >= kBridgeWidth;
    if (path) {
      // Thin, dashed, faint under a tunnel.
      StreetStroke& into = tunnel ? tunnel_fill[c] : fill[c];
      into.colour = Ink(tunnel ? Mix(look.thin, opt_.land, 0.5) : look.thin);
      into.width = std::max(w, 0.8);
      AddDashes(line.pixels, std::max(2.0, 2.5 * w), std::max(1.5, 1.5 * w), &into.lines);
      continue;
    }
    if (tunnel) {
      // Faint: a light fill between dashed casings.
      if (cased) {
        tunnel_casing[c].colour = Ink(Mix(look.casing, opt_.land, 0.4));
        tunnel_casing[c].width = CasingWidth(w);
        AddDashes(line.pixels, 6, 4, &tunnel_casing[c].lines);
      }
      tunnel_fill[c].colour =
          cased ? Fill(Mix(look.fill, opt_.land, 0.5)) : Ink(Mix(look.thin, opt_.land, 0.55));
      tunnel_fill[c].width = cased ? w : std::max(w, 0.6);
      tunnel_fill[c].lines.push_back(line.pixels);
      continue;
    }
    StreetStroke& under = bridge ? bridge_casing[c] : casing[c];
    StreetStroke& over = bridge ? bridge_fill[c] : fill[c];
    if (cased) {
      under.colour = Ink(bridge ? Mix(look.casing, kBlack, 0.35) : look.casing);
      under.width = bridge ? CasingWidth(w) + 1 : CasingWidth(w);
      under.lines.push_back(line.pixels);
      over.colour = Fill(look.fill);
      over.width = w;
    } else {
      over.colour = Ink(look.thin);
      over.width = std::max(w, 0.6);
    }
    over.lines.push_back(line.pixels);
    // Motorways are one way throughout; arrows on them would only add noise.
    if (opt_.one_way && w >= kNamedWidth && s.road_class != RoadClass::kMotorway &&
        (s.flags & (streets::kOneway | streets::kOnewayReverse)))
      AddArrows(line, w, &arrows);
  }
  auto take = [&](std::array<StreetStroke, kClasses>& strokes) {
    for (int c = kClasses - 1; c >= 0; --c)
      if (!strokes[static_cast<std::size_t>(c)].lines.empty())
        strokes_.push_back(std::move(strokes[static_cast<std::size_t>(c)]));
  };
  take(tunnel_casing);
  take(tunnel_fill);
  take(casing);
  take(fill);
  for (int c = kClasses - 1; c >= 0; --c) {
    for (auto* strokes : {&bridge_casing, &bridge_fill})
      if (!(*strokes)[static_cast<std::size_t>(c)].lines.empty())
        strokes_.push_back(std::move((*strokes)[static_cast<std::size_t>(c)]));
  }
  if (!arrows.lines.empty()) strokes_.push_back(std::move(arrows));
  return strokes_;
}

void StreetPainter::DrawLines() {
  for (const StreetStroke& s : Strokes()) canvas_.StrokeRings(s.lines, s.colour, s.width, false);
}

bool StreetPainter::Repeats(const std::string& text, Point at, double distance) const {
  auto it = placed_.find(text);
  if (it == placed_.end()) return false;
  for (const Point& p : it->second)
    if (std::hypot(p.x - at.x, p.y - at.y) < distance) return true;
  return false;
}

void StreetPainter::PlaceShields(const Line& line, LabelSpace& space) {
  const std::vector<std::string> refs = SplitRefs(line.street->ref);
  if (refs.empty() || line.length < 30) return;
  constexpr double kSize = 10, kPad = 3, kGap = 2;
  std::vector<TextSize> sizes;
  double total = 0;
  for (const std::string& r : refs) {
    TextSize ts = canvas_.MeasureText(r, kSize);
    ts.width += 2 * kPad;
    ts.height += 2;
    sizes.push_back(ts);
    total += ts.width + (total > 0 ? kGap : 0);
  }
  const double h = sizes[0].height;
  const Walk walk(line.pixels);
  const int n = std::max(1, static_cast<int>(line.length / 400));
  for (int j = 0; j < n; ++j) {
    const Point c = walk.PointAt(line.length * (j + 0.5) / n);
    if (Repeats(line.street->ref, c, 250)) continue;
    const double x0 = c.x - total / 2, y0 = c.y - h / 2;
    if (!space.Free(x0 - 1, y0 - 1, x0 + total + 1, y0 + h + 1)) continue;
    space.Take(x0 - 1, y0 - 1, x0 + total + 1, y0 + h + 1);
    placed_[line.street->ref].push_back(c);
    double x = x0;
    for (std::size_t i = 0; i < refs.size(); ++i) {
      const bool interstate = refs[i].rfind("I ", 0) == 0 || refs[i].rfind("I-", 0) == 0;
      StreetLabel label;
      label.text = refs[i];
      label.size = kSize;
      label.box_at = {x, y0};
      label.box = sizes[i];
      label.colour = interstate && !opt_.monochrome ? kWhite : kBlack;
      label.box_fill = interstate && !opt_.monochrome ? 0x2450A8 : kWhite;
      label.box_line = interstate && !opt_.monochrome ? kWhite : kBlack;
      label.taken.push_back({x, y0, x + sizes[i].width, y0 + h});
      labels_.push_back(std::move(label));
      x += sizes[i].width + kGap;
    }
  }
}

void StreetPainter::PlaceName(const Line& line, LabelSpace& space) {
  const std::string& name = line.street->name;
  const double size = Major(line.street->road_class) ? 11 : 10;
  std::vector<double> advances;
  double width = 0;
  for (const char ch : name) {
    advances.push_back(canvas_.MeasureText(std::string(1, ch), size).width);
    width += advances.back();
  }
  const double height = canvas_.MeasureText(name, size).height;
  if (line.length < width + 16) return;
  const Walk walk(line.pixels);
  const int n = std::max(1, static_cast<int>(line.length / 320));
  for (int j = 0; j < n; ++j) {
    // The middle of each stretch first, then a little to either side.
    for (double shift : {0.0, 24.0, -24.0, 48.0, -48.0, 80.0, -80.0}) {
      const double centre = line.length * (j + 0.5) / n + shift;
      const double from = centre - width / 2, to = centre + width / 2;
      if (from < 4 || to > line.length - 4) continue;
      if (Repeats(name, walk.PointAt(centre), 220)) break;
      // Straight enough: no bend of more than 30 degrees between glyphs, 60 over the name.
      const Point a = walk.PointAt(from), b = walk.PointAt(to);
      const bool reverse = b.x < a.x;
      StreetLabel label;
      label.text = name;
      label.size = size;
      label.colour = Ink(opt_.high_contrast ? kBlack : 0x303030);
      double offset = 0, first_angle = 0, previous = 0;
      bool fits = true;
      for (std::size_t k = 0; k < name.size() && fits; ++k) {
        const double mid =
            reverse ? to - offset - advances[k] / 2 : from + offset + advances[k] / 2;
        double angle = walk.AngleAt(mid) + (reverse ? std::numbers::pi : 0);
        angle = Normalise(angle);
        if (k == 0) first_angle = previous = angle;
        if (std::fabs(Normalise(angle - previous)) > std::numbers::pi / 6 ||
            std::fabs(Normalise(angle - first_angle)) > std::numbers::pi / 3 ||
            std::fabs(angle) > std::numbers::pi / 2)
          fits = false;
        previous = angle;
        const Point m = walk.PointAt(mid);
        const double ux = std::cos(angle), uy = std::sin(angle);
        label.glyphs.push_back({{m.x - ux * advances[k] / 2, m.y - uy * advances[k] / 2}, angle});
        const Box box = TurnedBox(m, advances[k], height, angle);
        if (!space.Free(box.west, box.south, box.east, box.north)) fits = false;
        label.taken.push_back(box);
        offset += advances[k];
      }
      if (!fits) continue;
      for (const Box& box : label.taken) space.Take(box.west, box.south, box.east, box.north);
      placed_[name].push_back(walk.PointAt(centre));
      labels_.push_back(std::move(label));
      break;
    }
  }
}

void StreetPainter::PlaceLabels(LabelSpace& space) {
  const double dpp = view_.degrees_per_pixel();
  // Most important and longest first.
  std::vector<const Line*> order;
  for (const Line& l : lines_) order.push_back(&l);
  std::stable_sort(order.begin(), order.end(), [](const Line* a, const Line* b) {
    if (a->street->road_class != b->street->road_class)
      return a->street->road_class < b->street->road_class;
    return a->length > b->length;
  });
  for (const Line* l : order) {
    const RoadClass c = l->street->road_class;
    const bool shields = c <= RoadClass::kTrunk ? dpp < 0.012 : Major(c) && dpp < 0.0025;
    if (shields && !l->street->ref.empty()) PlaceShields(*l, space);
  }
  for (const Line* l : order) {
    if (!l->street->name.empty() && StreetWidth(l->street->road_class, dpp) >= kNamedWidth)
      PlaceName(*l, space);
  }
}

void StreetPainter::DrawLabels() {
  const std::uint32_t halo = opt_.monochrome ? kWhite : Mix(opt_.land, kWhite, 0.6);
  for (const StreetLabel& l : labels_) {
    if (!l.glyphs.empty()) {
      canvas_.DrawGlyphs(l.text, l.glyphs, l.size, l.colour, halo, 1.5);
      continue;
    }
    const Point a = l.box_at;
    const Point b{a.x + l.box.width, a.y + l.box.height};
    const Rings box{{a, {b.x, a.y}, b, {a.x, b.y}}};
    canvas_.FillRings(box, l.box_fill, false);
    canvas_.StrokeRings(box, l.box_line, 1, true);
    canvas_.DrawText({a.x + 3, a.y + 1}, l.text, l.size, l.colour);
  }
}

Point ReserveStreetCredit(Canvas& canvas, LabelSpace& space) {
  const TextSize ts = canvas.MeasureText(kStreetCredit, 9);
  const Point at{canvas.width() - ts.width - 4, canvas.height() - ts.height - 2};
  space.Take(at.x - 2, at.y - 1, at.x + ts.width + 2, at.y + ts.height + 1);
  return at;
}

void DrawStreetCredit(Canvas& canvas, Point at, const RenderOptions& options) {
  const std::uint32_t halo = options.monochrome ? kWhite : Mix(options.land, kWhite, 0.6);
  canvas.DrawHaloText(at, kStreetCredit, 9, options.monochrome ? kBlack : 0x404040, halo, 1.5);
}

}  // namespace k9::engine
