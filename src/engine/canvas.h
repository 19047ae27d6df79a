// Canvas is the engine's drawing surface: the few primitives the map renderer needs,
// so the renderer stays free of any drawing library. Coordinates are pixels with the
// origin at the top-left of the drawing area; colours are 0x00RRGGBB.
//
// Backends: Cairo painting straight into the raster behind a POSIX device context,
// and GDI painting into a Windows HDC. CreateCanvas picks the platform's one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/raster.h"

namespace k9::engine {

struct Point {
  double x = 0;
  double y = 0;
};

// A polygon with holes, or a set of disjoint parts: every ring is filled with the
// even-odd rule together with the others.
using Rings = std::vector<std::vector<Point>>;

struct TextSize {
  double width = 0;
  double height = 0;
};

// Where one character of a text goes: the middle of its cell's left side (the cell
// runs from the font's ascent to its descent) and the angle its baseline is turned
// by, in radians, clockwise on the screen.
struct GlyphPlace {
  Point at;
  double angle = 0;
};

// A decoded picture, pixels 0xAARRGGBB (non-premultiplied), row by row from the top.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

class Canvas {
 public:
  Canvas() = default;
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  virtual ~Canvas() = default;

  virtual int width() const = 0;
  virtual int height() const = 0;

  virtual void Clear(std::uint32_t colour) = 0;
  // `smooth` antialiases the edges; fills that outlines cover leave it off, which
  // costs a fraction of the time.
  virtual void FillRings(const Rings& rings, std::uint32_t colour, bool smooth) = 0;
  // Draws every ring as a closed outline (close = true) or as an open line.
  virtual void StrokeRings(const Rings& rings, std::uint32_t colour, double line_width,
                           bool close) = 0;
  virtual void FillCircle(Point centre, double radius, std::uint32_t colour) = 0;
  // Many discs of one size and colour, in time linear in their number.
  virtual void FillCircles(const std::vector<Point>& centres, double radius,
                           std::uint32_t colour) = 0;
  // Text (Windows-1252) whose top-left corner is at `at`; `size` is the font height
  // in pixels.
  virtual void DrawText(Point at, const std::string& text, double size, std::uint32_t colour) = 0;
  virtual TextSize MeasureText(const std::string& text, double size) = 0;
  // Like DrawText, over a halo: the glyphs' outlines widened by `halo_width` pixels
  // on each side in `halo`, so the text stays readable across lines beneath it.
  virtual void DrawHaloText(Point at, const std::string& text, double size, std::uint32_t colour,
                            std::uint32_t halo, double halo_width) = 0;
  // Each character of `text` at its own place and angle (places.size() ==
  // text.size()), over a halo when `halo_width` > 0: text that follows a line.
  virtual void DrawGlyphs(const std::string& text, const std::vector<GlyphPlace>& places,
                          double size, std::uint32_t colour, std::uint32_t halo,
                          double halo_width) = 0;
  // Scales `image` into the rectangle from `top_left` to `bottom_right`, clipped to
  // the drawing area, blending by its alpha.
  virtual void DrawImage(const Image& image, Point top_left, Point bottom_right) = 0;
  // Finishes pending drawing so the device context holds the picture.
  virtual void Flush() = 0;
};

// A canvas over `dc` covering `width` x `height` pixels from (x, y). On POSIX `dc`
// must be the address of a Raster; the area is clipped to it. Returns nullptr when
// there is nothing to draw into.
std::unique_ptr<Canvas> CreateCanvas(DeviceContext dc, int x, int y, int width, int height);

}  // namespace k9::engine
