// View keeps what part of the earth the engine shows: a centre, a scale and the
// drawing size. The projection is equirectangular with longitudes narrowed by the
// cosine of the centre's latitude, so shapes look right near the view's centre.
//
// Zoom ladder: at level L one pixel spans 360 / (256 * 2^L) degrees of latitude, so
// level 0 shows the whole world in 256 pixels, level 4 the lower 48 states, level 8
// a state, level 12 a town with its surroundings (about 0.26 degrees, 29 km, over
// 768 pixels) and level 15 a neighbourhood (about 3.6 km). Each zoom step halves or
// doubles the scale.
//
// Pan directions follow the numeric keypad: 8 north, 2 south, 4 west, 6 east, 7
// north-west, 9 north-east, 1 south-west, 3 south-east. A step moves half the view.
//
// The view stays on the earth: it is clamped, not wrapped. No view is wider than
// the earth (360 degrees of longitude), and none is taller than it (180 degrees of
// latitude) unless the window is less than twice as wide as high and the width
// asked for needs it: the whole world in a 4:3 window shows the earth's whole
// width with sea beyond the poles, centred on the equator, rather than cut off
// Alaska and Japan. Otherwise the centre moves so that the extent stays within
// 90 S to 90 N and 180 W to 180 E. The centre and scale last asked for are kept,
// so a drawing size that forces a closer view for a while (a very wide one) does
// not lose them.
#pragma once

#include <cmath>

#include "engine/canvas.h"
#include "engine/map_data.h"

namespace k9::engine {

inline constexpr double kMinDegreesPerPixel = 1e-7;  // about 1 cm
inline constexpr double kMaxDegreesPerPixel = 2.0;
inline constexpr int kMaxZoomLevel = 22;

class View {
 public:
  View();

  // All setters throw std::invalid_argument on NaN, infinite or out-of-range input and
  // leave the view unchanged.
  void SetSize(int width, int height);
  // Centres on the rectangle and picks the smallest scale at which all of it fits.
  void Fit(double west, double north, double east, double south);
  void Centre(double x, double y);
  void SetLevel(int level);
  void ZoomBy(double factor);  // > 1 zooms in
  // Returns false for an unknown direction code (the view is then unchanged).
  bool Pan(int direction);

  int width() const { return width_; }
  int height() const { return height_; }
  double centre_x() const { return cx_; }
  double centre_y() const { return cy_; }
  double degrees_per_pixel() const { return dpp_; }  // of latitude
  double West() const { return cx_ - HalfWidthDegrees(); }
  double East() const { return cx_ + HalfWidthDegrees(); }
  double North() const { return cy_ + height_ * dpp_ / 2; }
  double South() const { return cy_ - height_ * dpp_ / 2; }
  Box Extent() const { return {West(), South(), East(), North()}; }

  Point ToPixel(double x, double y) const {
    return {(x - cx_) * xscale_ + width_ / 2.0, height_ / 2.0 - (y - cy_) / dpp_};
  }
  // Pixels per degree of longitude.
  double x_scale() const { return xscale_; }

 private:
  double HalfWidthDegrees() const { return width_ / 2.0 / xscale_; }
  static double Narrowing(double lat);
  void SetScale(double dpp);
  // Derives what is shown from what was asked for, on the earth (see above).
  void Update();
  void KeepShownCentre() {
    wanted_cx_ = cx_;
    wanted_cy_ = cy_;
  }

  int width_ = 640;
  int height_ = 480;
  // What was last asked for; Update derives what is shown from it.
  double wanted_cx_ = -96.0;
  double wanted_cy_ = 38.0;
  double wanted_dpp_ = 0.1;
  // What is shown.
  double cx_ = -96.0;
  double cy_ = 38.0;
  double dpp_ = 0.1;
  double xscale_ = 1.0;
};

}  // namespace k9::engine
