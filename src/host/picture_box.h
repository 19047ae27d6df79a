// The stand-in host's picture box: the PictureBox port over an in-memory raster.
// It behaves as a picture box with a persistent image does: what is drawn goes
// into `Image`, `Picture` is a lasting copy of an image, and setting `BackColor`
// erases the drawing back to the picture (or to the colour where there is none).
// Its device context is the raster itself, so an engine paints straight into it.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/raster.h"
#include "server/host_port.h"

namespace k9::host {

// ScaleMode values the box understands; anything else is kept and treated as a
// user scale.
inline constexpr std::int16_t kScaleUser = 0;
inline constexpr std::int16_t kScaleTwips = 1;
inline constexpr std::int16_t kScalePixels = 3;

// DrawMode values (the raster operations of the pen).
inline constexpr std::int16_t kDrawBlackness = 1;
inline constexpr std::int16_t kDrawNotCopyPen = 4;
inline constexpr std::int16_t kDrawInvert = 6;
inline constexpr std::int16_t kDrawXorPen = 7;
inline constexpr std::int16_t kDrawNotXorPen = 9;
inline constexpr std::int16_t kDrawMaskPen = 10;
inline constexpr std::int16_t kDrawCopyPen = 13;
inline constexpr std::int16_t kDrawMergePen = 15;
inline constexpr std::int16_t kDrawWhiteness = 16;

// DrawStyle values.
inline constexpr std::int16_t kStyleSolid = 0;
inline constexpr std::int16_t kStyleDash = 1;
inline constexpr std::int16_t kStyleDot = 2;
inline constexpr std::int16_t kStyleDashDot = 3;
inline constexpr std::int16_t kStyleDashDotDot = 4;
inline constexpr std::int16_t kStyleTransparent = 5;

class RasterPictureBox : public PictureBox {
 public:
  // A box of width by height pixels (each clamped to at least 1), in twips scale,
  // white, with no picture.
  RasterPictureBox(int width, int height);

  // Resizes the box to width by height pixels (each at least 1). The drawing is
  // kept where it still fits and the new area shows the back colour; a pixel or
  // twip scale follows the new size, a user scale keeps its numbers.
  void Resize(int width, int height);
  int PixelWidth() const { return image_.width; }
  int PixelHeight() const { return image_.height; }

  // What the box shows now.
  const Raster& Image() const { return image_; }
  bool HasPicture() const { return picture_.has_value(); }

  std::int16_t ScaleMode() override { return scale_mode_; }
  void ScaleMode(std::int16_t mode) override;
  double ScaleLeft() override { return scale_left_; }
  void ScaleLeft(double value) override;
  double ScaleTop() override { return scale_top_; }
  void ScaleTop(double value) override;
  double ScaleWidth() override { return scale_width_; }
  void ScaleWidth(double value) override;
  double ScaleHeight() override { return scale_height_; }
  void ScaleHeight(double value) override;

  std::int32_t BackColor() override { return back_color_; }
  void BackColor(std::int32_t colour) override;
  std::int32_t FillColor() override { return fill_color_; }
  void FillColor(std::int32_t colour) override { fill_color_ = colour; }
  std::int16_t FillStyle() override { return fill_style_; }
  void FillStyle(std::int16_t style) override { fill_style_ = style; }
  std::int16_t DrawWidth() override { return draw_width_; }
  void DrawWidth(std::int16_t width) override;
  std::int16_t DrawMode() override { return draw_mode_; }
  void DrawMode(std::int16_t mode) override;
  std::int16_t DrawStyle() override { return draw_style_; }
  void DrawStyle(std::int16_t style) override;

  void ClearPicture() override;
  void SetPictureFromImage() override;
  DeviceContext hDC() override { return ToDeviceContext(&image_); }
  void Line(double x1, double y1, double x2, double y2, std::int32_t colour) override;

 private:
  // Sets the scale numbers from the pixel size for a pixel or twip scale.
  void ApplyScaleMode();
  // Erases the image to the back colour and lays the picture over it.
  void Erase();
  // Applies the pen's raster operation to one pixel.
  std::uint32_t Combine(std::uint32_t pixel, std::uint32_t pen) const;

  Raster image_;
  std::optional<Raster> picture_;
  std::int16_t scale_mode_ = kScaleTwips;
  double scale_left_ = 0;
  double scale_top_ = 0;
  double scale_width_ = 0;
  double scale_height_ = 0;
  std::int32_t back_color_ = 0xFFFFFF;
  std::int32_t fill_color_ = 0;
  std::int16_t fill_style_ = 1;  // transparent
  std::int16_t draw_width_ = 1;
  std::int16_t draw_mode_ = kDrawCopyPen;
  std::int16_t draw_style_ = kStyleSolid;
};

}  // namespace k9::host
