// Recording fakes of the host's three objects: the callback object, the main form
// with its special-option menu entries, and a picture box with real state (scale,
// colours, pen, an in-memory raster as its device context, a lasting picture).
// Every call is logged in order ("SignalInformation(-100,-90,40,30,Stratomap V9
// Server)", "ScaleMode=3", "BackColor?"); a shared log interleaves them with the
// engine's. Any call can be made to fail (FailOn, by the name before its
// arguments or "=" / "?"): it is logged, then throws.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/raster.h"
#include "server/host_port.h"

namespace k9::testing {

// Logging and failure injection shared by the host fakes.
class FakeRecorder {
 public:
  FakeRecorder(std::string prefix, std::vector<std::string>* shared_log)
      : prefix_(std::move(prefix)), shared_log_(shared_log) {}
  const std::vector<std::string>& calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }
  void FailOn(const std::string& name) { failing_.insert(name); }
  void StopFailing() { failing_.clear(); }

 protected:
  void Record(const std::string& name, const std::string& entry);

 private:
  std::string prefix_;
  std::vector<std::string>* shared_log_;
  std::vector<std::string> calls_;
  std::set<std::string> failing_;
};

class FakeHostEvents : public HostEvents, public FakeRecorder {
 public:
  explicit FakeHostEvents(std::vector<std::string>* shared_log = nullptr)
      : FakeRecorder("host.", shared_log) {}

  struct Information {
    double west, east, north, south;
    std::string title;
  };
  const std::vector<Information>& informations() const { return informations_; }
  // The answer to the next SignalCallsignData calls.
  void set_callsign_answer(std::string answer) { callsign_answer_ = std::move(answer); }

  void SignalSuspend(bool suspend) override;
  void SignalSpecialRedraw(const std::string& title) override;
  void SignalInformation(double& west, double& east, double& north, double& south,
                         const std::string& title) override;
  void SignalCallsignData(std::string& callsign, std::string& result) override;

 private:
  std::vector<Information> informations_;
  std::string callsign_answer_;
};

class FakeHostForm : public HostForm, public FakeRecorder {
 public:
  explicit FakeHostForm(std::vector<std::string>* shared_log = nullptr)
      : FakeRecorder("form.", shared_log) {}

  struct Entry {
    bool visible = true;
    bool enabled = true;
    bool loaded = true;
  };
  const Entry& entry(int index) const { return entries_.at(static_cast<std::size_t>(index)); }

  void SetSpecialOptionVisible(int index, bool visible) override;
  void SetSpecialOptionEnabled(int index, bool enabled) override;
  void UnloadSpecialOption(int index) override;
  std::intptr_t hWnd() override { return 0x1234; }

 private:
  Entry& At(int index);
  std::array<Entry, 4> entries_;
};

class FakePictureBox : public PictureBox, public FakeRecorder {
 public:
  // A picture box of `width` by `height` pixels, in twips scale (ScaleMode 1) as a
  // new host picture box is.
  FakePictureBox(int width, int height, std::vector<std::string>* shared_log = nullptr);

  // Changes the box's pixel size (the host's window was resized).
  void Resize(int width, int height);
  const Raster& image() const { return image_; }
  // The lasting picture: empty after ClearPicture, a copy of the image after
  // SetPictureFromImage.
  bool has_picture() const { return has_picture_; }
  const Raster& picture() const { return picture_; }
  struct DrawnLine {
    double x1, y1, x2, y2;
    std::int32_t colour;
    std::int16_t width;
    std::int16_t mode;
  };
  const std::vector<DrawnLine>& lines() const { return lines_; }

  std::int16_t ScaleMode() override;
  void ScaleMode(std::int16_t mode) override;
  double ScaleLeft() override;
  void ScaleLeft(double value) override;
  double ScaleTop() override;
  void ScaleTop(double value) override;
  double ScaleWidth() override;
  void ScaleWidth(double value) override;
  double ScaleHeight() override;
  void ScaleHeight(double value) override;
  std::int32_t BackColor() override;
  void BackColor(std::int32_t colour) override;
  std::int32_t FillColor() override;
  void FillColor(std::int32_t colour) override;
  std::int16_t FillStyle() override;
  void FillStyle(std::int16_t style) override;
  std::int16_t DrawWidth() override;
  void DrawWidth(std::int16_t width) override;
  std::int16_t DrawMode() override;
  void DrawMode(std::int16_t mode) override;
  std::int16_t DrawStyle() override;
  void DrawStyle(std::int16_t style) override;
  void ClearPicture() override;
  void SetPictureFromImage() override;
  DeviceContext hDC() override;
  void Line(double x1, double y1, double x2, double y2, std::int32_t colour) override;

 private:
  // The scale of ScaleMode 1 (twips) and 3 (pixels); mode 0 keeps the user scale.
  void SetStandardScale();

  int width_px_;
  int height_px_;
  std::int16_t scale_mode_ = 1;
  double scale_left_ = 0, scale_top_ = 0, scale_width_ = 0, scale_height_ = 0;
  std::int32_t back_colour_ = 0x8000000F;
  std::int32_t fill_colour_ = 0;
  std::int16_t fill_style_ = 1;
  std::int16_t draw_width_ = 1;
  std::int16_t draw_mode_ = 13;
  std::int16_t draw_style_ = 0;
  Raster image_;
  Raster picture_;
  bool has_picture_ = false;
  std::vector<DrawnLine> lines_;
};

}  // namespace k9::testing
