#include "host/picture_box.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace k9::host {
namespace {

constexpr std::uint32_t kPixelMask = 0x00FFFFFFu;

// On/off run lengths in pixels of each dashed style; the pattern repeats along
// the line. Empty means solid.
std::vector<int> DashPattern(std::int16_t style) {
  switch (style) {
    case kStyleDash:
      return {18, 6};
    case kStyleDot:
      return {3, 3};
    case kStyleDashDot:
      return {9, 6, 3, 6};
    case kStyleDashDotDot:
      return {9, 3, 3, 3, 3, 3};
    default:
      return {};
  }
}

// Clips the segment to the rectangle [lo, hi] on both axes (Liang-Barsky).
// False when nothing of it lies inside.
bool ClipSegment(double& x1, double& y1, double& x2, double& y2, double lo_x, double lo_y,
                 double hi_x, double hi_y) {
  const double dx = x2 - x1;
  const double dy = y2 - y1;
  double t0 = 0;
  double t1 = 1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x1 - lo_x, hi_x - x1, y1 - lo_y, hi_y - y1};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
  }
  const double nx1 = x1 + t0 * dx;
  const double ny1 = y1 + t0 * dy;
  x2 = x1 + t1 * dx;
  y2 = y1 + t1 * dy;
  x1 = nx1;
  y1 = ny1;
  return true;
}

}  // namespace

RasterPictureBox::RasterPictureBox(int width, int height) {
  image_.Resize(std::max(width, 1), std::max(height, 1), OleColorToPixel(back_color_));
  ApplyScaleMode();
}

void RasterPictureBox::Resize(int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  Raster resized;
  resized.Resize(width, height, OleColorToPixel(static_cast<std::uint32_t>(back_color_)));
  const int keep_w = std::min(width, image_.width);
  const int keep_h = std::min(height, image_.height);
  for (int y = 0; y < keep_h; ++y) {
    std::copy_n(image_.Row(y), keep_w, resized.Row(y));
  }
  image_ = std::move(resized);
  ApplyScaleMode();
}

void RasterPictureBox::ApplyScaleMode() {
  if (scale_mode_ == kScalePixels) {
    scale_left_ = 0;
    scale_top_ = 0;
    scale_width_ = image_.width;
    scale_height_ = image_.height;
  } else if (scale_mode_ == kScaleTwips) {
    scale_left_ = 0;
    scale_top_ = 0;
    scale_width_ = static_cast<double>(image_.width) * 15;
    scale_height_ = static_cast<double>(image_.height) * 15;
  }
}

void RasterPictureBox::ScaleMode(std::int16_t mode) {
  scale_mode_ = mode;
  ApplyScaleMode();
}

// Setting any scale number makes the scale a user scale, as a picture box does.
void RasterPictureBox::ScaleLeft(double value) {
  scale_mode_ = kScaleUser;
  scale_left_ = value;
}
void RasterPictureBox::ScaleTop(double value) {
  scale_mode_ = kScaleUser;
  scale_top_ = value;
}
void RasterPictureBox::ScaleWidth(double value) {
  scale_mode_ = kScaleUser;
  scale_width_ = value;
}
void RasterPictureBox::ScaleHeight(double value) {
  scale_mode_ = kScaleUser;
  scale_height_ = value;
}

void RasterPictureBox::BackColor(std::int32_t colour) {
  back_color_ = colour;
  Erase();
}

void RasterPictureBox::DrawWidth(std::int16_t width) {
  draw_width_ = std::max<std::int16_t>(width, 1);
}

void RasterPictureBox::DrawMode(std::int16_t mode) {
  draw_mode_ = std::clamp<std::int16_t>(mode, 1, 16);
}

void RasterPictureBox::DrawStyle(std::int16_t style) {
  draw_style_ = std::clamp<std::int16_t>(style, 0, 6);
}

void RasterPictureBox::ClearPicture() {
  picture_.reset();
  Erase();
}

void RasterPictureBox::SetPictureFromImage() { picture_ = image_; }

void RasterPictureBox::Erase() {
  std::fill(image_.pixels.begin(), image_.pixels.end(),
            OleColorToPixel(static_cast<std::uint32_t>(back_color_)) & kPixelMask);
  if (!picture_) return;
  const int w = std::min(picture_->width, image_.width);
  const int h = std::min(picture_->height, image_.height);
  for (int y = 0; y < h; ++y) std::copy_n(picture_->Row(y), w, image_.Row(y));
}

std::uint32_t RasterPictureBox::Combine(std::uint32_t pixel, std::uint32_t pen) const {
  switch (draw_mode_) {
    case kDrawBlackness:
      return 0;
    case kDrawNotCopyPen:
      return ~pen & kPixelMask;
    case kDrawInvert:
      return ~pixel & kPixelMask;
    case kDrawXorPen:
      return (pixel ^ pen) & kPixelMask;
    case kDrawNotXorPen:
      return ~(pixel ^ pen) & kPixelMask;
    case kDrawMaskPen:
      return pixel & pen;
    case kDrawMergePen:
      return (pixel | pen) & kPixelMask;
    case kDrawWhiteness:
      return kPixelMask;
    default:
      return pen;
  }
}

void RasterPictureBox::Line(double x1, double y1, double x2, double y2, std::int32_t colour) {
  if (draw_style_ == kStyleTransparent) return;
  if (scale_width_ == 0 || scale_height_ == 0) return;
  // Scale units to pixels.
  const double sx = image_.width / scale_width_;
  const double sy = image_.height / scale_height_;
  double px1 = (x1 - scale_left_) * sx;
  double py1 = (y1 - scale_top_) * sy;
  double px2 = (x2 - scale_left_) * sx;
  double py2 = (y2 - scale_top_) * sy;
  for (double v : {px1, py1, px2, py2}) {
    if (!std::isfinite(v)) return;
  }
  const int width = draw_width_;
  const double margin = width + 1.0;
  if (!ClipSegment(px1, py1, px2, py2, -margin, -margin, image_.width + margin,
                   image_.height + margin)) {
    return;
  }
  const long ix1 = std::lround(px1);
  const long iy1 = std::lround(py1);
  const long ix2 = std::lround(px2);
  const long iy2 = std::lround(py2);

  // A wide pen is always solid, as it is on a picture box.
  const std::vector<int> pattern = width > 1 ? std::vector<int>{} : DashPattern(draw_style_);
  int pattern_index = 0;
  int pattern_left = pattern.empty() ? 0 : pattern[0];

  const std::uint32_t pen = OleColorToPixel(static_cast<std::uint32_t>(colour)) & kPixelMask;
  // Each pixel is changed once per line, so that overlapping stamps of a wide pen
  // in an exclusive-or mode do not cancel out.
  std::vector<bool> touched(image_.pixels.size(), false);
  auto stamp = [&](long cx, long cy) {
    const long lo = -(width - 1) / 2;
    const long hi = lo + width - 1;
    for (long y = cy + lo; y <= cy + hi; ++y) {
      if (y < 0 || y >= image_.height) continue;
      for (long x = cx + lo; x <= cx + hi; ++x) {
        if (x < 0 || x >= image_.width) continue;
        const std::size_t at = static_cast<std::size_t>(y) * image_.width + x;
        if (touched[at]) continue;
        touched[at] = true;
        image_.pixels[at] = Combine(image_.pixels[at], pen);
      }
    }
  };

  long x = ix1;
  long y = iy1;
  const long dx = std::labs(ix2 - ix1);
  const long dy = -std::labs(iy2 - iy1);
  const long step_x = ix1 < ix2 ? 1 : -1;
  const long step_y = iy1 < iy2 ? 1 : -1;
  long error = dx + dy;
  while (true) {
    const bool on = pattern.empty() || pattern_index % 2 == 0;
    if (on) stamp(x, y);
    if (!pattern.empty() && --pattern_left <= 0) {
      pattern_index = (pattern_index + 1) % static_cast<int>(pattern.size());
      pattern_left = pattern[pattern_index];
    }
    if (x == ix2 && y == iy2) break;
    const long twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      x += step_x;
    }
    if (twice <= dx) {
      error += dx;
      y += step_y;
    }
  }
}

}  // namespace k9::host
