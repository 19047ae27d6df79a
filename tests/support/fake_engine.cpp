#include "support/fake_engine.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "common/text.h"
#include "platform/raster.h"

namespace k9::testing {

namespace {

std::string Num(double value) { return FormatNumber(value); }
std::string Bool(bool value) { return value ? "true" : "false"; }

std::string ValueText(bool value) { return Bool(value); }
std::string ValueText(std::int32_t value) { return std::to_string(value); }
std::string ValueText(const std::string& value) { return value; }

}  // namespace

std::string EngineValueText(const EngineValue& value) {
  struct Visitor {
    std::string operator()(bool v) const { return Bool(v); }
    std::string operator()(std::int32_t v) const { return std::to_string(v); }
    std::string operator()(double v) const { return Num(v); }
    std::string operator()(const std::string& v) const { return v; }
  };
  return std::visit(Visitor{}, value);
}

std::vector<std::string> FakeEngine::CallsStartingWith(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& call : calls_) {
    if (call.rfind(prefix, 0) == 0) out.push_back(call);
  }
  return out;
}

void FakeEngine::Record(const std::string& name, const std::string& entry) {
  calls_.push_back(entry);
  if (shared_log_) shared_log_->push_back("engine." + entry);
  if (failing_.count(name)) throw std::runtime_error("engine call failed: " + entry);
}

template <typename T>
void FakeEngine::Put(const std::string& name, const T& value, T& field) {
  Record(name + "=", name + "=" + ValueText(value));
  field = value;
}

void FakeEngine::RaiseFoundItem(const std::string& text) {
  found_text_ = text;
  if (events_) events_->FoundItem();
}

void FakeEngine::SetStartValue(const std::string& name, const EngineValue& value) {
  // Start values are not calls of the server, so they stay out of the log.
  start_values_[name] = value;
}

void FakeEngine::SetViewCorners(double west, double north, double east, double south) {
  Record("SetViewCorners", "SetViewCorners(" + Num(west) + "," + Num(north) + "," + Num(east) +
                               "," + Num(south) + ")");
  centre_x_ = (west + east) / 2;
  centre_y_ = (north + south) / 2;
  // The whole rectangle is shown: the scale follows the tighter of the two sides.
  const double per_x = std::fabs(east - west) / std::max(map_width_, 1);
  const double per_y = std::fabs(north - south) / std::max(map_height_, 1);
  degrees_per_pixel_ = std::max({per_x, per_y, 1e-9});
}

void FakeEngine::CentreView(double x, double y) {
  Record("CentreView", "CentreView(" + Num(x) + "," + Num(y) + ")");
  centre_x_ = x;
  centre_y_ = y;
}

void FakeEngine::ZoomLevel(std::int32_t level) {
  Record("ZoomLevel=", "ZoomLevel=" + std::to_string(level));
  degrees_per_pixel_ = 0.5 / (1 << std::clamp(level, 0, 20));
}

void FakeEngine::ZoomInStep() {
  Record("ZoomInStep", "ZoomInStep()");
  degrees_per_pixel_ /= 2;
}

void FakeEngine::ZoomOutStep() {
  Record("ZoomOutStep", "ZoomOutStep()");
  degrees_per_pixel_ *= 2;
}

void FakeEngine::PanStep(std::int32_t direction) {
  Record("PanStep", "PanStep(" + std::to_string(direction) + ")");
  // 1 north, 2 east, 3 south, 4 west; a quarter of the view each time.
  const double dx = map_width_ * degrees_per_pixel_ / 4;
  const double dy = map_height_ * degrees_per_pixel_ / 4;
  if (direction == 1) centre_y_ += dy;
  if (direction == 2) centre_x_ += dx;
  if (direction == 3) centre_y_ -= dy;
  if (direction == 4) centre_x_ -= dx;
}

void FakeEngine::ZoomToOverlay() { Record("ZoomToOverlay", "ZoomToOverlay()"); }

void FakeEngine::SetMapSize(std::int32_t width, std::int32_t height) {
  Record("SetMapSize", "SetMapSize(" + std::to_string(width) + "," + std::to_string(height) + ")");
  map_width_ = width;
  map_height_ = height;
}

double FakeEngine::ViewWest() {
  Record("ViewWest?", "ViewWest?");
  return centre_x_ - map_width_ * degrees_per_pixel_ / 2;
}
double FakeEngine::ViewEast() {
  Record("ViewEast?", "ViewEast?");
  return centre_x_ + map_width_ * degrees_per_pixel_ / 2;
}
double FakeEngine::ViewNorth() {
  Record("ViewNorth?", "ViewNorth?");
  return centre_y_ + map_height_ * degrees_per_pixel_ / 2;
}
double FakeEngine::ViewSouth() {
  Record("ViewSouth?", "ViewSouth?");
  return centre_y_ - map_height_ * degrees_per_pixel_ / 2;
}

void FakeEngine::PaintToDC(DeviceContext dc, std::int32_t x, std::int32_t y, std::int32_t width,
                           std::int32_t height, bool flag1, bool flag2, bool monochrome) {
  Record("PaintToDC", "PaintToDC(" + std::string(dc ? "dc" : "0") + "," + std::to_string(x) + "," +
                          std::to_string(y) + "," + std::to_string(width) + "," +
                          std::to_string(height) + "," + Bool(flag1) + "," + Bool(flag2) + "," +
                          Bool(monochrome) + ")");
  if (!dc) return;
  Raster* raster = RasterFromDeviceContext(dc);
  const std::uint32_t pixel =
      monochrome ? 0xFFFFFFu : OleColorToPixel(static_cast<std::uint32_t>(land_colour_));
  for (int row = 0; row < std::min(height, raster->height); ++row) {
    std::uint32_t* line = raster->Row(row);
    std::fill(line, line + std::min(width, raster->width), pixel);
  }
}

std::int32_t FakeEngine::EngineCommand(std::int32_t code, std::int32_t value) {
  Record("EngineCommand",
         "EngineCommand(" + std::to_string(code) + "," + std::to_string(value) + ")");
  if (code == 0 && value == 1) return background_colour_;
  return 0;
}

void FakeEngine::LoadOverlay(const std::string& path) {
  Record("LoadOverlay", "LoadOverlay(" + path + ")");
  overlay_ = path;
}

void FakeEngine::LoadConfig(const std::string& path) {
  Record("LoadConfig", "LoadConfig(" + path + ")");
}
void FakeEngine::SaveConfig(const std::string& path) {
  Record("SaveConfig", "SaveConfig(" + path + ")");
}
void FakeEngine::Refresh() { Record("Refresh", "Refresh()"); }

std::int32_t FakeEngine::FindAddress(const std::string& text) {
  Record("FindAddress", "FindAddress(" + text + ")");
  return 0;
}

std::int32_t FakeEngine::FindPhone(const std::string& text) {
  Record("FindPhone", "FindPhone(" + text + ")");
  return 0;
}

void FakeEngine::AboutBox() { Record("AboutBox", "AboutBox()"); }
EngineFormWindow* FakeEngine::FormWindow() {
  return has_form_window_ ? static_cast<EngineFormWindow*>(this) : nullptr;
}

void FakeEngine::Place(int left, int top, int width, int height) {
  Record("Window.Place", "Window.Place(" + std::to_string(left) + "," + std::to_string(top) + "," +
                             std::to_string(width) + "," + std::to_string(height) + ")");
}

void FakeEngine::Show(bool visible) {
  Record("Window.Show", std::string("Window.Show(") + (visible ? "true" : "false") + ")");
}

std::unique_ptr<EngineImportManager> FakeEngine::ImportManager() {
  Record("ImportManager", "ImportManager?");
  if (!has_import_manager_) return nullptr;
  struct Manager : EngineImportManager {
    explicit Manager(FakeEngine& e) : engine(e) {}
    void Show() override { engine.Record("ImportManager.Show", "ImportManager.Show()"); }
    FakeEngine& engine;
  };
  return std::make_unique<Manager>(*this);
}

void FakeEngine::PutMember(std::int32_t dispid, const EngineValue& value) {
  const std::string name = "PutMember(" + std::to_string(dispid);
  Record(name, name + "," + EngineValueText(value) + ")");
  members_[dispid] = value;
}

void FakeEngine::CallMember(std::int32_t dispid) {
  const std::string name = "CallMember(" + std::to_string(dispid);
  Record(name, name + ")");
}

}  // namespace k9::testing
