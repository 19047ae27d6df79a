// Cairo backend of the canvas: paints straight into the Raster behind a POSIX
// device context, whose pixel layout is Cairo's RGB24 format.
#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

#include "engine/canvas.h"

namespace k9::engine {
namespace {

// Segments a stroke of open lines takes at most.
constexpr std::size_t kStrokePiece = 128;
// Lines this thin look the same with bevel joins and plain ends, which cost far
// less than round ones on the many short segments of borders.
constexpr double kThinLine = 1.5;

// Windows-1252 to UTF-8, the encoding Cairo's text functions take.
std::string Utf8(const std::string& text) {
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    const char32_t c = b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

void SetColour(cairo_t* cr, std::uint32_t colour) {
  cairo_set_source_rgb(cr, ((colour >> 16) & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0,
                       (colour & 0xFF) / 255.0);
}

void AddRings(cairo_t* cr, const Rings& rings, bool close) {
  for (const auto& ring : rings) {
    if (ring.empty()) continue;
    cairo_move_to(cr, ring[0].x, ring[0].y);
    for (std::size_t i = 1; i < ring.size(); ++i) cairo_line_to(cr, ring[i].x, ring[i].y);
    if (close) cairo_close_path(cr);
  }
}

class CairoCanvas : public Canvas {
 public:
  CairoCanvas(Raster* raster, int x, int y, int width, int height)
      : raster_(raster), x_(x), y_(y), width_(width), height_(height) {
    surface_ = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(raster->pixels.data()), CAIRO_FORMAT_RGB24, raster->width,
        raster->height, raster->width * 4);
    cr_ = cairo_create(surface_);
    cairo_translate(cr_, x, y);
    cairo_rectangle(cr_, 0, 0, width, height);
    cairo_clip(cr_);
    cairo_select_font_face(cr_, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  }
  ~CairoCanvas() override {
    cairo_destroy(cr_);
    cairo_surface_flush(surface_);
    cairo_surface_destroy(surface_);
    // Cairo leaves the unused top byte of RGB24 pixels undefined (it writes 0xFF);
    // the raster's pixels are 0x00RRGGBB.
    const int x0 = std::max(0, x_), x1 = std::min(raster_->width, x_ + width_);
    const int y0 = std::max(0, y_), y1 = std::min(raster_->height, y_ + height_);
    for (int row = y0; row < y1; ++row) {
      std::uint32_t* p = raster_->Row(row);
      for (int col = x0; col < x1; ++col) p[col] &= 0x00FFFFFFu;
    }
  }

  int width() const override { return width_; }
  int height() const override { return height_; }

  void Clear(std::uint32_t colour) override {
    SetColour(cr_, colour);
    cairo_paint(cr_);
  }
  void FillRings(const Rings& rings, std::uint32_t colour, bool smooth) override {
    cairo_new_path(cr_);
    AddRings(cr_, rings, true);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
    SetColour(cr_, colour);
    cairo_set_antialias(cr_, smooth ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    cairo_fill(cr_);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_DEFAULT);
  }
  void StrokeRings(const Rings& rings, std::uint32_t colour, double line_width,
                   bool close) override {
    if (line_width <= kThinLine) {
      ThinLines(rings, colour, line_width, close);
      return;
    }
    SetColour(cr_, colour);
    cairo_set_line_width(cr_, line_width);
    const bool round = !close && line_width > kThinLine;
    cairo_set_line_join(cr_, round ? CAIRO_LINE_JOIN_ROUND : CAIRO_LINE_JOIN_BEVEL);
    cairo_set_line_cap(cr_, round ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_FAST);
    cairo_new_path(cr_);
    if (close) {
      AddRings(cr_, rings, true);
    } else {
      // Open lines go in pieces of their own, each a separate stroke: Cairo's cost
      // for one long stroke that crosses itself grows much faster than its length.
      // Round ends make the joints look like round joins.
      std::size_t pending = 0;
      for (const auto& ring : rings) {
        if (ring.empty()) continue;
        cairo_move_to(cr_, ring[0].x, ring[0].y);
        for (std::size_t i = 1; i < ring.size(); ++i) {
          cairo_line_to(cr_, ring[i].x, ring[i].y);
          if (++pending >= kStrokePiece) {
            cairo_stroke(cr_);
            cairo_move_to(cr_, ring[i].x, ring[i].y);
            pending = 0;
          }
        }
      }
    }
    cairo_stroke(cr_);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_DEFAULT);
  }
  void FillCircle(Point centre, double radius, std::uint32_t colour) override {
    if (radius <= kMaxStamp) {
      FillCircles({centre}, radius, colour);
      return;
    }
    cairo_new_path(cr_);
    cairo_arc(cr_, centre.x, centre.y, radius, 0, 6.283185307179586);
    SetColour(cr_, colour);
    cairo_fill(cr_);
  }
  // Small discs are stamped: their coverage, worked out once per radius for centres
  // at each quarter pixel, is blended into the pixels directly, which costs a small
  // fraction of a Cairo fill.
  void FillCircles(const std::vector<Point>& centres, double radius,
                   std::uint32_t colour) override {
    if (centres.empty() || !(radius > 0)) return;
    if (radius > kMaxStamp) {
      for (const Point& c : centres) FillCircle(c, radius, colour);
      return;
    }
    const Stamps& st = StampsFor(radius);
    const int side = st.side, half = side / 2;
    // The pixels the discs may touch, within the drawing area.
    double bx0 = 1e9, by0 = 1e9, bx1 = -1e9, by1 = -1e9;
    for (const Point& c : centres) {
      if (!(std::fabs(c.x) < 1e6) || !(std::fabs(c.y) < 1e6)) continue;
      bx0 = std::min(bx0, c.x), by0 = std::min(by0, c.y);
      bx1 = std::max(bx1, c.x), by1 = std::max(by1, c.y);
    }
    const int x0 = std::max({0, x_, x_ + static_cast<int>(std::floor(bx0)) - half});
    const int x1 = std::min({raster_->width, x_ + width_, x_ + static_cast<int>(bx1) + half + 2});
    const int y0 = std::max({0, y_, y_ + static_cast<int>(std::floor(by0)) - half});
    const int y1 = std::min({raster_->height, y_ + height_, y_ + static_cast<int>(by1) + half + 2});
    if (x0 >= x1 || y0 >= y1) return;
    cairo_surface_flush(surface_);
    const std::uint32_t rgb[3] = {colour >> 16 & 0xFF, colour >> 8 & 0xFF, colour & 0xFF};
    // Discs of one colour blend alike in any order, so they are drawn last first and a
    // pixel a later disc covered fully is left alone: dense points cost about one
    // visit per pixel, not one per disc.
    const int stride = x1 - x0;
    std::vector<bool> done(static_cast<std::size_t>(stride) * (y1 - y0));
    for (auto c = centres.rbegin(); c != centres.rend(); ++c) {
      if (!(std::fabs(c->x) < 1e6) || !(std::fabs(c->y) < 1e6)) continue;
      const double fx = std::floor(c->x), fy = std::floor(c->y);
      const int q =
          static_cast<int>((c->y - fy) * kSub) * kSub + static_cast<int>((c->x - fx) * kSub);
      const int left = x_ + static_cast<int>(fx) - half, top = y_ + static_cast<int>(fy) - half;
      if (left + side <= x0 || left >= x1 || top + side <= y0 || top >= y1) continue;
      const std::uint8_t* stamp = &st.coverage[static_cast<std::size_t>(q * side * side)];
      for (int j = std::max(0, y0 - top); j < side && top + j < y1; ++j) {
        std::uint32_t* row = raster_->Row(top + j);
        const std::size_t done_row = static_cast<std::size_t>(top + j - y0) * stride;
        for (int i = std::max(0, x0 - left); i < side && left + i < x1; ++i) {
          const std::uint32_t a = stamp[j * side + i];
          const std::size_t at = done_row + (left + i - x0);
          if (a == 0 || done[at]) continue;
          std::uint32_t& p = row[left + i];
          if (a == 255) {
            p = colour;
            done[at] = true;
            continue;
          }
          auto mix = [a](std::uint32_t d, std::uint32_t v) {
            return (d * (255 - a) + v * a) / 255;
          };
          p = mix(p >> 16 & 0xFF, rgb[0]) << 16 | mix(p >> 8 & 0xFF, rgb[1]) << 8 |
              mix(p & 0xFF, rgb[2]);
        }
      }
    }
    cairo_surface_mark_dirty_rectangle(surface_, x0, y0, x1 - x0, y1 - y0);
  }
  void DrawText(Point at, const std::string& text, double size, std::uint32_t colour) override {
    // Glyphs placed by their advances, as the toy text API places them, with each
    // character's glyph looked up once per size.
    Font& font = UseFont(size);
    glyphs_.clear();
    double x = at.x;
    for (const char ch : text) {
      const auto b = static_cast<unsigned char>(ch);
      Measure(font, b);
      if (font.glyph[b] >= 0)
        glyphs_.push_back({static_cast<unsigned long>(font.glyph[b]), x, at.y + font.ascent});
      x += font.advance[b];
    }
    cairo_new_path(cr_);
    SetColour(cr_, colour);
    cairo_show_glyphs(cr_, glyphs_.data(), static_cast<int>(glyphs_.size()));
  }
  void DrawHaloText(Point at, const std::string& text, double size, std::uint32_t colour,
                    std::uint32_t halo, double halo_width) override {
    Font& font = UseFont(size);
    std::vector<GlyphPlace> places;
    places.reserve(text.size());
    const double middle = at.y + (font.ascent + font.descent) / 2;
    double x = at.x;
    for (const char ch : text) {
      const auto b = static_cast<unsigned char>(ch);
      Measure(font, b);
      places.push_back({{x, middle}, 0});
      x += font.advance[b];
    }
    DrawGlyphs(text, places, size, colour, halo, halo_width);
  }
  // Each glyph's outline is added to one path in pixels, turned about its own
  // origin; the halo strokes that path and the text fills it.
  void DrawGlyphs(const std::string& text, const std::vector<GlyphPlace>& places, double size,
                  std::uint32_t colour, std::uint32_t halo, double halo_width) override {
    Font& font = UseFont(size);
    cairo_new_path(cr_);
    const double down = (font.ascent - font.descent) / 2;  // from the cell's middle to the baseline
    for (std::size_t i = 0; i < text.size() && i < places.size(); ++i) {
      const auto b = static_cast<unsigned char>(text[i]);
      Measure(font, b);
      const GlyphPlace& g = places[i];
      if (font.glyph[b] < 0 || !std::isfinite(g.at.x) || !std::isfinite(g.at.y) ||
          !std::isfinite(g.angle) || std::fabs(g.at.x) > 1e6 || std::fabs(g.at.y) > 1e6)
        continue;
      cairo_save(cr_);
      cairo_translate(cr_, g.at.x, g.at.y);
      cairo_rotate(cr_, g.angle);
      cairo_glyph_t glyph{static_cast<unsigned long>(font.glyph[b]), 0, down};
      cairo_glyph_path(cr_, &glyph, 1);
      cairo_restore(cr_);
    }
    if (halo_width > 0) {
      SetColour(cr_, halo);
      cairo_set_line_width(cr_, 2 * halo_width);
      cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
      cairo_stroke_preserve(cr_);
    }
    SetColour(cr_, colour);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
    cairo_fill(cr_);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
  }
  TextSize MeasureText(const std::string& text, double size) override {
    Font& font = UseFont(size);
    double width = 0;
    for (const char ch : text) {
      Measure(font, static_cast<unsigned char>(ch));
      width += font.advance[static_cast<unsigned char>(ch)];
    }
    return {width, font.ascent + font.descent};
  }
  void DrawImage(const Image& image, Point top_left, Point bottom_right) override {
    if (image.width <= 0 || image.height <= 0) return;
    const double w = bottom_right.x - top_left.x;
    const double h = bottom_right.y - top_left.y;
    if (!(w > 0) || !(h > 0)) return;
    cairo_surface_t* img =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.width, image.height);
    if (cairo_surface_status(img) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(img);
      return;
    }
    cairo_surface_flush(img);
    auto* data = cairo_image_surface_get_data(img);
    const int stride = cairo_image_surface_get_stride(img);
    for (int row = 0; row < image.height; ++row) {
      auto* out = reinterpret_cast<std::uint32_t*>(data + static_cast<std::size_t>(row) * stride);
      const std::uint32_t* in = image.pixels.data() + static_cast<std::size_t>(row) * image.width;
      for (int col = 0; col < image.width; ++col) {
        const std::uint32_t p = in[col];
        const std::uint32_t a = p >> 24;
        auto pre = [a](std::uint32_t c) { return (c * a + 127) / 255; };
        out[col] =
            (a << 24) | (pre((p >> 16) & 0xFF) << 16) | (pre((p >> 8) & 0xFF) << 8) | pre(p & 0xFF);
      }
    }
    cairo_surface_mark_dirty(img);
    cairo_save(cr_);
    cairo_new_path(cr_);
    cairo_translate(cr_, top_left.x, top_left.y);
    cairo_scale(cr_, w / image.width, h / image.height);
    cairo_set_source_surface(cr_, img, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_GOOD);
    cairo_rectangle(cr_, 0, 0, image.width, image.height);
    cairo_fill(cr_);
    cairo_restore(cr_);
    cairo_surface_destroy(img);
  }
  void Flush() override { cairo_surface_flush(surface_); }

 private:
  struct Font {
    double ascent = 0;
    double descent = 0;
    std::array<double, 256> advance;  // < 0 until measured
    std::array<long, 256> glyph;      // < 0: none
  };
  void Measure(Font& font, unsigned char b) {
    if (font.advance[b] >= 0) return;
    const std::string utf8 = Utf8(std::string(1, static_cast<char>(b)));
    cairo_glyph_t* glyphs = nullptr;
    int count = 0;
    font.advance[b] = 0;
    font.glyph[b] = -1;
    if (cairo_scaled_font_text_to_glyphs(cairo_get_scaled_font(cr_), 0, 0, utf8.c_str(),
                                         static_cast<int>(utf8.size()), &glyphs, &count, nullptr,
                                         nullptr, nullptr) == CAIRO_STATUS_SUCCESS &&
        count == 1) {
      cairo_text_extents_t te;
      cairo_glyph_extents(cr_, glyphs, 1, &te);
      font.advance[b] = te.x_advance;
      font.glyph[b] = static_cast<long>(glyphs[0].index);
    }
    cairo_glyph_free(glyphs);
  }
  std::vector<cairo_glyph_t> glyphs_;
  Font& UseFont(double size) {
    cairo_set_font_size(cr_, size);
    auto [it, added] = fonts_.try_emplace(size);
    if (added) {
      cairo_font_extents_t fe;
      cairo_font_extents(cr_, &fe);
      it->second.ascent = fe.ascent;
      it->second.descent = fe.descent;
      it->second.advance.fill(-1);
      it->second.glyph.fill(-1);
    }
    return it->second;
  }
  std::map<double, Font> fonts_;

  static constexpr double kMaxStamp = 12;
  static constexpr int kSub = 4;
  struct Stamps {
    int side = 0;
    std::vector<std::uint8_t> coverage;  // kSub * kSub stamps of side * side
  };
  const Stamps& StampsFor(double radius) {
    auto [it, added] = stamps_.try_emplace(radius);
    Stamps& st = it->second;
    if (!added) return st;
    const int half = static_cast<int>(std::ceil(radius)) + 1, side = 2 * half + 1;
    st.side = side;
    st.coverage.resize(static_cast<std::size_t>(kSub * kSub * side * side));
    for (int q = 0; q < kSub * kSub; ++q) {
      const double cx = half + (q % kSub + 0.5) / kSub, cy = half + (q / kSub + 0.5) / kSub;
      for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) {
          int in = 0;
          for (int sy = 0; sy < kSub; ++sy)
            for (int sx = 0; sx < kSub; ++sx) {
              const double dx = i + (sx + 0.5) / kSub - cx, dy = j + (sy + 0.5) / kSub - cy;
              in += dx * dx + dy * dy <= radius * radius;
            }
          st.coverage[static_cast<std::size_t>((q * side + j) * side + i)] =
              static_cast<std::uint8_t>(in * 255 / (kSub * kSub));
        }
    }
    return st;
  }
  std::map<double, Stamps> stamps_;

  // Thin lines straight into the pixels: for each pixel column (or row, for steep
  // segments) whose centre the segment spans, the pixels across are covered by the
  // share of them the line's cross-section takes. Borders, shores and rivers are
  // thousands of short segments, where a general stroker spends most of its time
  // on joins and on sorting edges.
  void ThinLines(const Rings& rings, std::uint32_t colour, double width, bool close) {
    cairo_surface_flush(surface_);
    const double x0 = std::max(0, x_), x1 = std::min(raster_->width, x_ + width_);
    const double y0 = std::max(0, y_), y1 = std::min(raster_->height, y_ + height_);
    const std::uint32_t rgb[3] = {colour >> 16 & 0xFF, colour >> 8 & 0xFF, colour & 0xFF};
    auto blend = [&](int x, int y, double a) {
      if (a <= 0.004) return;
      const auto alpha = static_cast<std::uint32_t>(std::min(a, 1.0) * 256);
      std::uint32_t& p = raster_->Row(y)[x];
      auto mix = [alpha](std::uint32_t d, std::uint32_t c) {
        return (d * (256 - alpha) + c * alpha) >> 8;
      };
      p = mix(p >> 16 & 0xFF, rgb[0]) << 16 | mix(p >> 8 & 0xFF, rgb[1]) << 8 |
          mix(p & 0xFF, rgb[2]);
    };
    auto segment = [&](Point a, Point b) {
      a.x += x_, a.y += y_, b.x += x_, b.y += y_;
      const double dx = b.x - a.x, dy = b.y - a.y;
      const bool steep = std::fabs(dy) > std::fabs(dx);
      // Along the major axis u, across it v; the pixel grid limits of each.
      double ua = steep ? a.y : a.x, ub = steep ? b.y : b.x;
      double va = steep ? a.x : a.y, vb = steep ? b.x : b.y;
      const double umin = steep ? y0 : x0, umax = steep ? y1 : x1;
      const double vmin = steep ? x0 : y0, vmax = steep ? x1 : y1;
      if (ua > ub) std::swap(ua, ub), std::swap(va, vb);
      if (!(ub > ua) || !std::isfinite(ua) || !std::isfinite(ub) || !std::isfinite(va) ||
          !std::isfinite(vb))
        return;
      const double slope = (vb - va) / (ub - ua);
      const double half = width * std::sqrt(1 + slope * slope) / 2;
      const double from = std::max(ua, umin), to = std::min(ub, umax);
      for (double u = std::ceil(from - 0.5) + 0.5; u < to; u += 1) {
        const double v = va + (u - ua) * slope, lo = v - half, hi = v + half;
        if (hi <= vmin || lo >= vmax) continue;
        // Both ends are clipped to the drawing area, so never negative: a cast floors.
        const double top = std::min(hi, vmax);
        const int first = static_cast<int>(std::max(lo, vmin));
        const int last = static_cast<int>(top) - (static_cast<int>(top) == top ? 1 : 0);
        const int major = static_cast<int>(u);
        for (int cell = first; cell <= last; ++cell) {
          const double cover = std::min(hi, cell + 1.0) - std::max(lo, double(cell));
          if (steep)
            blend(cell, major, cover);
          else
            blend(major, cell, cover);
        }
      }
    };
    for (const auto& ring : rings) {
      for (std::size_t i = 1; i < ring.size(); ++i) segment(ring[i - 1], ring[i]);
      if (close && ring.size() > 2) segment(ring.back(), ring.front());
    }
    cairo_surface_mark_dirty_rectangle(surface_, static_cast<int>(x0), static_cast<int>(y0),
                                       static_cast<int>(x1 - x0), static_cast<int>(y1 - y0));
  }
  Raster* raster_;
  int x_;
  int y_;
  int width_;
  int height_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
};

}  // namespace

std::unique_ptr<Canvas> CreateCanvas(DeviceContext dc, int x, int y, int width, int height) {
  Raster* raster = RasterFromDeviceContext(dc);
  if (raster == nullptr || raster->width <= 0 || raster->height <= 0 || width <= 0 || height <= 0 ||
      raster->pixels.size() !=
          static_cast<std::size_t>(raster->width) * static_cast<std::size_t>(raster->height)) {
    return nullptr;
  }
  return std::make_unique<CairoCanvas>(raster, x, y, width, height);
}

}  // namespace k9::engine
