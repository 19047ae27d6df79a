#include "support/fake_host.h"

#include <stdexcept>

#include "common/text.h"

namespace k9::testing {

namespace {
std::string Num(double value) { return FormatNumber(value); }
}  // namespace

void FakeRecorder::Record(const std::string& name, const std::string& entry) {
  calls_.push_back(entry);
  if (shared_log_) shared_log_->push_back(prefix_ + entry);
  if (failing_.count(name)) throw std::runtime_error("host call failed: " + entry);
}

// --- FakeHostEvents ---

void FakeHostEvents::SignalSuspend(bool suspend) {
  Record("SignalSuspend", std::string("SignalSuspend(") + (suspend ? "true" : "false") + ")");
}

void FakeHostEvents::SignalSpecialRedraw(const std::string& title) {
  Record("SignalSpecialRedraw", "SignalSpecialRedraw(" + title + ")");
}

void FakeHostEvents::SignalInformation(double& west, double& east, double& north, double& south,
                                       const std::string& title) {
  Record("SignalInformation", "SignalInformation(" + Num(west) + "," + Num(east) + "," +
                                  Num(north) + "," + Num(south) + "," + title + ")");
  informations_.push_back({west, east, north, south, title});
}

void FakeHostEvents::SignalCallsignData(std::string& callsign, std::string& result) {
  Record("SignalCallsignData", "SignalCallsignData(" + callsign + ")");
  result = callsign_answer_;
}

// --- FakeHostForm ---

FakeHostForm::Entry& FakeHostForm::At(int index) {
  if (index < 0 || index > 3 || !entries_[static_cast<std::size_t>(index)].loaded) {
    throw std::out_of_range("Control array element does not exist");
  }
  return entries_[static_cast<std::size_t>(index)];
}

void FakeHostForm::SetSpecialOptionVisible(int index, bool visible) {
  Record("Visible", "mnuMapSpecialOptions(" + std::to_string(index) +
                        ").Visible=" + (visible ? "true" : "false"));
  At(index).visible = visible;
}

void FakeHostForm::SetSpecialOptionEnabled(int index, bool enabled) {
  Record("Enabled", "mnuMapSpecialOptions(" + std::to_string(index) +
                        ").Enabled=" + (enabled ? "true" : "false"));
  At(index).enabled = enabled;
}

void FakeHostForm::UnloadSpecialOption(int index) {
  Record("Unload", "Unload mnuMapSpecialOptions(" + std::to_string(index) + ")");
  At(index).loaded = false;
}

// --- FakePictureBox ---

FakePictureBox::FakePictureBox(int width, int height, std::vector<std::string>* shared_log)
    : FakeRecorder("pic.", shared_log), width_px_(width), height_px_(height) {
  image_.Resize(width, height);
  SetStandardScale();
}

void FakePictureBox::Resize(int width, int height) {
  width_px_ = width;
  height_px_ = height;
  image_.Resize(width, height);
  SetStandardScale();
}

void FakePictureBox::SetStandardScale() {
  const double unit = scale_mode_ == 3 ? 1.0 : scale_mode_ == 1 ? 15.0 : 0.0;
  if (unit == 0) return;
  scale_left_ = 0;
  scale_top_ = 0;
  scale_width_ = width_px_ * unit;
  scale_height_ = height_px_ * unit;
}

std::int16_t FakePictureBox::ScaleMode() {
  Record("ScaleMode?", "ScaleMode?");
  return scale_mode_;
}
void FakePictureBox::ScaleMode(std::int16_t mode) {
  Record("ScaleMode=", "ScaleMode=" + std::to_string(mode));
  scale_mode_ = mode;
  SetStandardScale();
}
double FakePictureBox::ScaleLeft() {
  Record("ScaleLeft?", "ScaleLeft?");
  return scale_left_;
}
void FakePictureBox::ScaleLeft(double value) {
  Record("ScaleLeft=", "ScaleLeft=" + Num(value));
  scale_left_ = value;
  scale_mode_ = 0;
}
double FakePictureBox::ScaleTop() {
  Record("ScaleTop?", "ScaleTop?");
  return scale_top_;
}
void FakePictureBox::ScaleTop(double value) {
  Record("ScaleTop=", "ScaleTop=" + Num(value));
  scale_top_ = value;
  scale_mode_ = 0;
}
double FakePictureBox::ScaleWidth() {
  Record("ScaleWidth?", "ScaleWidth?");
  return scale_width_;
}
void FakePictureBox::ScaleWidth(double value) {
  Record("ScaleWidth=", "ScaleWidth=" + Num(value));
  scale_width_ = value;
  scale_mode_ = 0;
}
double FakePictureBox::ScaleHeight() {
  Record("ScaleHeight?", "ScaleHeight?");
  return scale_height_;
}
void FakePictureBox::ScaleHeight(double value) {
  Record("ScaleHeight=", "ScaleHeight=" + Num(value));
  scale_height_ = value;
  scale_mode_ = 0;
}
std::int32_t FakePictureBox::BackColor() {
  Record("BackColor?", "BackColor?");
  return back_colour_;
}
void FakePictureBox::BackColor(std::int32_t colour) {
  Record("BackColor=", "BackColor=" + std::to_string(colour));
  back_colour_ = colour;
  // Setting the back colour clears the image to it, as a picture box does.
  image_.Resize(width_px_, height_px_, OleColorToPixel(static_cast<std::uint32_t>(colour)));
}
std::int32_t FakePictureBox::FillColor() {
  Record("FillColor?", "FillColor?");
  return fill_colour_;
}
void FakePictureBox::FillColor(std::int32_t colour) {
  Record("FillColor=", "FillColor=" + std::to_string(colour));
  fill_colour_ = colour;
}
std::int16_t FakePictureBox::FillStyle() {
  Record("FillStyle?", "FillStyle?");
  return fill_style_;
}
void FakePictureBox::FillStyle(std::int16_t style) {
  Record("FillStyle=", "FillStyle=" + std::to_string(style));
  fill_style_ = style;
}
std::int16_t FakePictureBox::DrawWidth() {
  Record("DrawWidth?", "DrawWidth?");
  return draw_width_;
}
void FakePictureBox::DrawWidth(std::int16_t width) {
  Record("DrawWidth=", "DrawWidth=" + std::to_string(width));
  draw_width_ = width;
}
std::int16_t FakePictureBox::DrawMode() {
  Record("DrawMode?", "DrawMode?");
  return draw_mode_;
}
void FakePictureBox::DrawMode(std::int16_t mode) {
  Record("DrawMode=", "DrawMode=" + std::to_string(mode));
  draw_mode_ = mode;
}
std::int16_t FakePictureBox::DrawStyle() {
  Record("DrawStyle?", "DrawStyle?");
  return draw_style_;
}
void FakePictureBox::DrawStyle(std::int16_t style) {
  Record("DrawStyle=", "DrawStyle=" + std::to_string(style));
  draw_style_ = style;
}
void FakePictureBox::ClearPicture() {
  Record("Picture=Nothing", "Picture=Nothing");
  has_picture_ = false;
  picture_ = Raster{};
}
void FakePictureBox::SetPictureFromImage() {
  Record("Picture=Image", "Picture=Image");
  has_picture_ = true;
  picture_ = image_;
}
DeviceContext FakePictureBox::hDC() {
  Record("hDC?", "hDC?");
  return ToDeviceContext(&image_);
}
void FakePictureBox::Line(double x1, double y1, double x2, double y2, std::int32_t colour) {
  Record("Line", "Line(" + Num(x1) + "," + Num(y1) + ")-(" + Num(x2) + "," + Num(y2) + ")," +
                     std::to_string(colour));
  lines_.push_back({x1, y1, x2, y2, colour, draw_width_, draw_mode_});
}

}  // namespace k9::testing
