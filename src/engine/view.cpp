#include "engine/view.h"

#include <algorithm>
#include <stdexcept>

namespace k9::engine {
namespace {

void RequireFinite(double v, const char* what) {
  if (!std::isfinite(v)) throw std::invalid_argument(std::string(what) + " is not a finite number");
}

void RequireCoordinate(double x, double y) {
  RequireFinite(x, "longitude");
  RequireFinite(y, "latitude");
  if (x < -540 || x > 540 || y < -90 || y > 90)
    throw std::invalid_argument("coordinate lies outside the earth");
}

}  // namespace

View::View() { Update(); }

void View::Update() {
  // At most the earth's height or its width at the equator, whichever this
  // window's shape reaches last; the centre far enough from the poles for it.
  dpp_ = std::min(wanted_dpp_, std::max(180.0 / height_, 360.0 / width_));
  const double half_height = height_ * dpp_ / 2;
  cy_ = half_height >= 90 ? 0 : std::clamp(wanted_cy_, -90 + half_height, 90 - half_height);
  // At most the earth's width at that latitude; the smaller scale only widens
  // the room the centre had.
  dpp_ = std::min(dpp_, 360.0 * Narrowing(cy_) / width_);
  xscale_ = Narrowing(cy_) / dpp_;
  const double half_width = HalfWidthDegrees();
  cx_ = half_width >= 180 ? 0 : std::clamp(wanted_cx_, -180 + half_width, 180 - half_width);
}

double View::Narrowing(double lat) {
  const double clamped = std::clamp(lat, -80.0, 80.0);
  return std::cos(clamped * 3.14159265358979323846 / 180.0);
}

void View::SetScale(double dpp) {
  wanted_dpp_ = std::clamp(dpp, kMinDegreesPerPixel, kMaxDegreesPerPixel);
  Update();
}

void View::SetSize(int width, int height) {
  if (width <= 0 || height <= 0 || width > 32767 || height > 32767)
    throw std::invalid_argument("map size must be between 1 and 32767 pixels each way");
  width_ = width;
  height_ = height;
  Update();
}

void View::Fit(double west, double north, double east, double south) {
  RequireCoordinate(west, north);
  RequireCoordinate(east, south);
  if (west > east) std::swap(west, east);
  if (south > north) std::swap(south, north);
  const double cx = (west + east) / 2;
  const double cy = (north + south) / 2;
  const double need_x = (east - west) * Narrowing(cy) / width_;
  const double need_y = (north - south) / height_;
  const double dpp = std::max(need_x, need_y);
  wanted_cx_ = cx;
  wanted_cy_ = cy;
  // An empty rectangle keeps the scale: it names a point.
  SetScale(dpp > 0 ? dpp : dpp_);
}

void View::Centre(double x, double y) {
  RequireCoordinate(x, y);
  wanted_cx_ = x;
  wanted_cy_ = y;
  Update();
}

void View::SetLevel(int level) {
  if (level < 0 || level > kMaxZoomLevel)
    throw std::invalid_argument("zoom level must be between 0 and " +
                                std::to_string(kMaxZoomLevel));
  KeepShownCentre();
  SetScale(360.0 / (256.0 * std::ldexp(1.0, level)));
}

void View::ZoomBy(double factor) {
  if (!std::isfinite(factor) || factor <= 0) throw std::invalid_argument("bad zoom factor");
  // A zoom starts from what the user sees.
  KeepShownCentre();
  SetScale(dpp_ / factor);
}

bool View::Pan(int direction) {
  int dx = 0, dy = 0;
  switch (direction) {
    case 8:
      dy = 1;
      break;
    case 2:
      dy = -1;
      break;
    case 4:
      dx = -1;
      break;
    case 6:
      dx = 1;
      break;
    case 7:
      dx = -1;
      dy = 1;
      break;
    case 9:
      dx = 1;
      dy = 1;
      break;
    case 1:
      dx = -1;
      dy = -1;
      break;
    case 3:
      dx = 1;
      dy = -1;
      break;
    default:
      return false;
  }
  const double step_x = HalfWidthDegrees();
  const double step_y = height_ * dpp_ / 2;
  // A pan too starts from what the user sees.
  wanted_cx_ = std::clamp(cx_ + dx * step_x, -540.0, 540.0);
  wanted_cy_ = std::clamp(cy_ + dy * step_y, -90.0, 90.0);
  wanted_dpp_ = dpp_;
  Update();
  return true;
}

}  // namespace k9::engine
