#include "overlay_fakes.h"

#include <stdexcept>

#include "common/text.h"

namespace k9::testing {

int OverlayRecordingEngine::Count(const std::string& prefix) const {
  int count = 0;
  for (const std::string& call : calls) count += call.rfind(prefix, 0) == 0 ? 1 : 0;
  return count;
}

void OverlayRecordingEngine::SetViewCorners(double w, double n, double e, double s) {
  calls.push_back("SetViewCorners(" + FormatNumber(w) + "," + FormatNumber(n) + "," +
                  FormatNumber(e) + "," + FormatNumber(s) + ")");
  west = w, north = n, east = e, south = s;
}

void OverlayRecordingEngine::CentreView(double x, double y) {
  calls.push_back("CentreView(" + FormatNumber(x) + "," + FormatNumber(y) + ")");
}

void OverlayRecordingEngine::ZoomLevel(std::int32_t level) {
  calls.push_back("ZoomLevel(" + std::to_string(level) + ")");
}

void OverlayRecordingEngine::SetMapSize(std::int32_t w, std::int32_t h) {
  calls.push_back("SetMapSize(" + std::to_string(w) + "," + std::to_string(h) + ")");
}

void OverlayRecordingEngine::LoadOverlay(const std::string& path) {
  if (fail_load_overlay || (!path.empty() && path == damaged_overlay)) {
    throw std::runtime_error("LoadOverlay failed");
  }
  calls.push_back("LoadOverlay(" + path + ")");
}

void OverlayRecordingEngine::UnderlayVisible(bool value) {
  calls.push_back(std::string("UnderlayVisible(") + (value ? "true" : "false") + ")");
  underlay_visible = value;
}

void OverlayRecordingEngine::UnderlayFile(const std::string& path) {
  calls.push_back("UnderlayFile(" + path + ")");
  underlay_file = path;
}

}  // namespace k9::testing

namespace k9::testing {

void OverlayPictureBox::ScaleMode(std::int16_t mode) {
  scale_mode = mode;
  if (mode == 3) {
    scale_left = 0, scale_top = 0, scale_width = width_px, scale_height = height_px;
  }
}

void OverlayHostEvents::SignalSuspend(bool suspend) {
  signals.push_back(std::string("SignalSuspend(") + (suspend ? "true" : "false") + ")");
}

void OverlayHostEvents::SignalSpecialRedraw(const std::string& title) {
  signals.push_back("SignalSpecialRedraw(" + title + ")");
}

void OverlayHostEvents::SignalInformation(double&, double&, double&, double&, const std::string&) {
  signals.push_back("SignalInformation");
}

}  // namespace k9::testing
