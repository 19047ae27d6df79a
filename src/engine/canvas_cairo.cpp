// Cairo backend of the canvas: paints straight into the Raster behind a POSIX
// device context, whose pixel layout is Cairo's RGB24 format.
#include <cairo.h>

#include <algorithm>

#include "engine/canvas.h"

namespace k9::engine {
namespace {

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
  void FillRings(const Rings& rings, std::uint32_t colour) override {
    cairo_new_path(cr_);
    AddRings(cr_, rings, true);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
    SetColour(cr_, colour);
    cairo_fill(cr_);
  }
  void StrokeRings(const Rings& rings, std::uint32_t colour, double line_width,
                   bool close) override {
    cairo_new_path(cr_);
    AddRings(cr_, rings, close);
    SetColour(cr_, colour);
    cairo_set_line_width(cr_, line_width);
    // Round joins cost a great deal on the many short segments of boundaries; only
    // open lines (roads, overlay lines) get them.
    cairo_set_line_join(cr_, close ? CAIRO_LINE_JOIN_BEVEL : CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr_, close ? CAIRO_LINE_CAP_BUTT : CAIRO_LINE_CAP_ROUND);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_FAST);
    cairo_stroke(cr_);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_DEFAULT);
  }
  void FillCircle(Point centre, double radius, std::uint32_t colour) override {
    cairo_new_path(cr_);
    cairo_arc(cr_, centre.x, centre.y, radius, 0, 6.283185307179586);
    SetColour(cr_, colour);
    cairo_fill(cr_);
  }
  void DrawText(Point at, const std::string& text, double size, std::uint32_t colour) override {
    cairo_set_font_size(cr_, size);
    cairo_font_extents_t fe;
    cairo_font_extents(cr_, &fe);
    cairo_new_path(cr_);
    cairo_move_to(cr_, at.x, at.y + fe.ascent);
    SetColour(cr_, colour);
    cairo_show_text(cr_, text.c_str());
  }
  TextSize MeasureText(const std::string& text, double size) override {
    cairo_set_font_size(cr_, size);
    cairo_text_extents_t te;
    cairo_text_extents(cr_, text.c_str(), &te);
    cairo_font_extents_t fe;
    cairo_font_extents(cr_, &fe);
    return {te.x_advance, fe.ascent + fe.descent};
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
