// GDI backend of the canvas: paints into the HDC that a Windows device context is.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "engine/canvas.h"

namespace k9::engine {
namespace {

COLORREF Ref(std::uint32_t colour) { return static_cast<COLORREF>(PixelToOleColor(colour)); }

LONG Px(double v) { return static_cast<LONG>(std::lround(std::clamp(v, -1e6, 1e6))); }

class GdiCanvas : public Canvas {
 public:
  GdiCanvas(HDC dc, int x, int y, int width, int height) : dc_(dc), width_(width), height_(height) {
    saved_ = SaveDC(dc_);
    SetViewportOrgEx(dc_, x, y, nullptr);
    IntersectClipRect(dc_, 0, 0, width, height);
    SetBkMode(dc_, TRANSPARENT);
    SetPolyFillMode(dc_, ALTERNATE);
  }
  ~GdiCanvas() override {
    if (font_ != nullptr) {
      SelectObject(dc_, GetStockObject(SYSTEM_FONT));
      DeleteObject(font_);
    }
    RestoreDC(dc_, saved_);
  }

  int width() const override { return width_; }
  int height() const override { return height_; }

  void Clear(std::uint32_t colour) override {
    HBRUSH brush = CreateSolidBrush(Ref(colour));
    RECT r{0, 0, width_, height_};
    FillRect(dc_, &r, brush);
    DeleteObject(brush);
  }
  // GDI fills without antialiasing in any case.
  void FillRings(const Rings& rings, std::uint32_t colour, bool /*smooth*/) override {
    Collect(rings);
    if (counts_.empty()) return;
    HBRUSH brush = CreateSolidBrush(Ref(colour));
    HGDIOBJ old_brush = SelectObject(dc_, brush);
    HGDIOBJ old_pen = SelectObject(dc_, GetStockObject(NULL_PEN));
    PolyPolygon(dc_, points_.data(), counts_.data(), static_cast<int>(counts_.size()));
    SelectObject(dc_, old_pen);
    SelectObject(dc_, old_brush);
    DeleteObject(brush);
  }
  void StrokeRings(const Rings& rings, std::uint32_t colour, double line_width,
                   bool close) override {
    HPEN pen =
        CreatePen(PS_SOLID, std::max(1, static_cast<int>(std::lround(line_width))), Ref(colour));
    HGDIOBJ old = SelectObject(dc_, pen);
    for (const auto& ring : rings) {
      if (ring.size() < 2) continue;
      points_.clear();
      for (const Point& p : ring) points_.push_back({Px(p.x), Px(p.y)});
      if (close) points_.push_back(points_.front());
      Polyline(dc_, points_.data(), static_cast<int>(points_.size()));
    }
    SelectObject(dc_, old);
    DeleteObject(pen);
  }
  void FillCircle(Point centre, double radius, std::uint32_t colour) override {
    HBRUSH brush = CreateSolidBrush(Ref(colour));
    HGDIOBJ old_brush = SelectObject(dc_, brush);
    HGDIOBJ old_pen = SelectObject(dc_, GetStockObject(NULL_PEN));
    Ellipse(dc_, Px(centre.x - radius), Px(centre.y - radius), Px(centre.x + radius) + 1,
            Px(centre.y + radius) + 1);
    SelectObject(dc_, old_pen);
    SelectObject(dc_, old_brush);
    DeleteObject(brush);
  }
  void FillCircles(const std::vector<Point>& centres, double radius,
                   std::uint32_t colour) override {
    HBRUSH brush = CreateSolidBrush(Ref(colour));
    HGDIOBJ old_brush = SelectObject(dc_, brush);
    HGDIOBJ old_pen = SelectObject(dc_, GetStockObject(NULL_PEN));
    for (const Point& c : centres)
      Ellipse(dc_, Px(c.x - radius), Px(c.y - radius), Px(c.x + radius) + 1, Px(c.y + radius) + 1);
    SelectObject(dc_, old_pen);
    SelectObject(dc_, old_brush);
    DeleteObject(brush);
  }
  void DrawText(Point at, const std::string& text, double size, std::uint32_t colour) override {
    UseFont(size);
    SetTextColor(dc_, Ref(colour));
    TextOutA(dc_, Px(at.x), Px(at.y), text.c_str(), static_cast<int>(text.size()));
  }
  void DrawHaloText(Point at, const std::string& text, double size, std::uint32_t colour,
                    std::uint32_t halo, double halo_width) override {
    UseFont(size);
    if (halo_width > 0) {
      BeginPath(dc_);
      TextOutA(dc_, Px(at.x), Px(at.y), text.c_str(), static_cast<int>(text.size()));
      EndPath(dc_);
      StrokeHalo(halo, halo_width);
    }
    DrawText(at, text, size, colour);
  }
  // Each glyph from a font turned to its angle (fonts kept per tenth of a degree
  // for the call), written at its baseline origin; the halo is the stroked outline
  // of the same glyphs.
  void DrawGlyphs(const std::string& text, const std::vector<GlyphPlace>& places, double size,
                  std::uint32_t colour, std::uint32_t halo, double halo_width) override {
    UseFont(size);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc_, &tm);
    const double down = (tm.tmAscent - tm.tmDescent) / 2.0;
    const UINT align = SetTextAlign(dc_, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
    SetTextColor(dc_, Ref(colour));
    std::vector<std::pair<int, HFONT>> fonts;
    auto turned = [&](double angle) {
      const int tenths = static_cast<int>(std::lround(-angle * 1800 / 3.141592653589793)) % 3600;
      for (const auto& [t, f] : fonts)
        if (t == tenths) return f;
      HFONT f = MakeFont(font_height_, tenths);
      fonts.emplace_back(tenths, f);
      return f;
    };
    HGDIOBJ before = GetCurrentObject(dc_, OBJ_FONT);
    for (int pass = halo_width > 0 ? 0 : 1; pass < 2; ++pass) {
      if (pass == 0) BeginPath(dc_);
      for (std::size_t i = 0; i < text.size() && i < places.size(); ++i) {
        const GlyphPlace& g = places[i];
        if (!std::isfinite(g.at.x) || !std::isfinite(g.at.y) || !std::isfinite(g.angle)) continue;
        SelectObject(dc_, turned(g.angle));
        const double x = g.at.x - std::sin(g.angle) * down, y = g.at.y + std::cos(g.angle) * down;
        TextOutA(dc_, Px(x), Px(y), &text[i], 1);
      }
      if (pass == 0) {
        EndPath(dc_);
        StrokeHalo(halo, halo_width);
      }
    }
    SelectObject(dc_, before);
    for (const auto& entry : fonts) DeleteObject(entry.second);
    SetTextAlign(dc_, align);
  }
  TextSize MeasureText(const std::string& text, double size) override {
    UseFont(size);
    SIZE s{0, 0};
    GetTextExtentPoint32A(dc_, text.c_str(), static_cast<int>(text.size()), &s);
    return {static_cast<double>(s.cx), static_cast<double>(s.cy)};
  }
  void DrawImage(const Image& image, Point top_left, Point bottom_right) override {
    if (image.width <= 0 || image.height <= 0) return;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = image.width;
    bi.bmiHeader.biHeight = -image.height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(dc_, HALFTONE);
    StretchDIBits(dc_, Px(top_left.x), Px(top_left.y), Px(bottom_right.x - top_left.x),
                  Px(bottom_right.y - top_left.y), 0, 0, image.width, image.height,
                  image.pixels.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
  }
  void Flush() override { GdiFlush(); }

 private:
  void Collect(const Rings& rings) {
    points_.clear();
    counts_.clear();
    for (const auto& ring : rings) {
      if (ring.size() < 3) continue;
      for (const Point& p : ring) points_.push_back({Px(p.x), Px(p.y)});
      counts_.push_back(static_cast<INT>(ring.size()));
    }
  }
  static HFONT MakeFont(int height, int tenths) {
    return CreateFontA(height, 0, tenths, tenths, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, "Arial");
  }
  // Strokes the path just made, with round joins, `width` pixels each side.
  void StrokeHalo(std::uint32_t colour, double width) {
    LOGBRUSH lb{BS_SOLID, Ref(colour), 0};
    HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND,
                            std::max(1, static_cast<int>(std::lround(2 * width))), &lb, 0, nullptr);
    HGDIOBJ old = SelectObject(dc_, pen);
    StrokePath(dc_);
    SelectObject(dc_, old);
    DeleteObject(pen);
  }
  void UseFont(double size) {
    const int height = -std::max(1, static_cast<int>(std::lround(size)));
    if (font_ != nullptr && font_height_ == height) return;
    HFONT font = MakeFont(height, 0);
    SelectObject(dc_, font);
    if (font_ != nullptr) DeleteObject(font_);
    font_ = font;
    font_height_ = height;
  }

  HDC dc_;
  int width_;
  int height_;
  int saved_ = 0;
  HFONT font_ = nullptr;
  int font_height_ = 0;
  std::vector<POINT> points_;
  std::vector<INT> counts_;
};

}  // namespace

std::unique_ptr<Canvas> CreateCanvas(DeviceContext dc, int x, int y, int width, int height) {
  if (dc == 0 || width <= 0 || height <= 0) return nullptr;
  return std::make_unique<GdiCanvas>(reinterpret_cast<HDC>(dc), x, y, width, height);
}

}  // namespace k9::engine
