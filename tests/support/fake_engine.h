// FakeEngine is a recording map engine for tests of the server. It logs every
// call in order ("SetViewCorners(-160,80,160,-80)", "Shade_Mcd=true" for a put,
// "LandColor?" for a get) and keeps a simple view state: a centre and a scale in
// degrees per pixel, fitted to the drawing size the way a real engine fits a
// requested rectangle, so the extent it reports differs from the one asked for
// whenever the aspect ratios differ.
//
// Any call can be made to fail (FailOn): it is logged, then throws.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "server/engine_port.h"

namespace k9::testing {

class FakeEngine : public MapEngine, private EngineFormWindow {
 public:
  // Calls logged so far, oldest first. `shared_log`, when given, receives the
  // same entries prefixed "engine." (to interleave with other fakes' calls).
  explicit FakeEngine(std::vector<std::string>* shared_log = nullptr) : shared_log_(shared_log) {}

  const std::vector<std::string>& calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }
  // Calls whose log entry starts with `prefix`, in order.
  std::vector<std::string> CallsStartingWith(const std::string& prefix) const;
  // Makes every call whose name is `name` (e.g. "PaintToDC", "Path_data1=") throw.
  void FailOn(const std::string& name) { failing_.insert(name); }

  // State for inspection.
  const std::map<std::string, EngineValue>& start_values() const { return start_values_; }
  const std::map<std::int32_t, EngineValue>& members() const { return members_; }
  MapEngineEvents* events() const { return events_; }
  std::int32_t map_width() const { return map_width_; }
  std::int32_t map_height() const { return map_height_; }
  double centre_x() const { return centre_x_; }
  double centre_y() const { return centre_y_; }
  double degrees_per_pixel() const { return degrees_per_pixel_; }
  const std::string& overlay() const { return overlay_; }
  // Raises the found-item notification with `text` as FoundText.
  void RaiseFoundItem(const std::string& text);
  void set_background_colour(std::int32_t colour) { background_colour_ = colour; }
  // Whether ImportManager answers an object (it does unless told otherwise).
  void set_has_import_manager(bool has) { has_import_manager_ = has; }
  // Whether the engine lives on a window (it does not unless told); its calls are
  // logged "Window.Place(left,top,width,height)" and "Window.Show(true)".
  void set_has_form_window(bool has) { has_form_window_ = has; }
  EngineFormWindow* FormWindow() override;

  // MapEngine
  void SetEvents(MapEngineEvents* events) override { events_ = events; }
  void SetStartValue(const std::string& name, const EngineValue& value) override;
  void SetViewCorners(double west, double north, double east, double south) override;
  void CentreView(double x, double y) override;
  void ZoomLevel(std::int32_t level) override;
  void ZoomInStep() override;
  void ZoomOutStep() override;
  void PanStep(std::int32_t direction) override;
  void ZoomToOverlay() override;
  void SetMapSize(std::int32_t width, std::int32_t height) override;
  double ViewWest() override;
  double ViewNorth() override;
  double ViewEast() override;
  double ViewSouth() override;
  void PaintToDC(DeviceContext dc, std::int32_t x, std::int32_t y, std::int32_t width,
                 std::int32_t height, bool flag1, bool flag2, bool monochrome) override;
  bool Shade_Mcd() override { return Get("Shade_Mcd", shade_mcd_); }
  void Shade_Mcd(bool value) override { Put("Shade_Mcd", value, shade_mcd_); }
  bool Shade_Plc() override { return Get("Shade_Plc", shade_plc_); }
  void Shade_Plc(bool value) override { Put("Shade_Plc", value, shade_plc_); }
  bool Shade_Cnty() override { return Get("Shade_Cnty", shade_cnty_); }
  void Shade_Cnty(bool value) override { Put("Shade_Cnty", value, shade_cnty_); }
  bool Shade_State() override { return Get("Shade_State", shade_state_); }
  void Shade_State(bool value) override { Put("Shade_State", value, shade_state_); }
  bool OneWayShow() override { return Get("OneWayShow", oneway_); }
  void OneWayShow(bool value) override { Put("OneWayShow", value, oneway_); }
  bool ZipCodesShown() override { return Get("ZipCodesShown", zip_); }
  void ZipCodesShown(bool value) override { Put("ZipCodesShown", value, zip_); }
  std::string Path_states() override { return Get("Path_states", path_states_); }
  void Path_states(const std::string& v) override { Put("Path_states", v, path_states_); }
  std::string Path_statesEx() override { return Get("Path_statesEx", path_states_ex_); }
  void Path_statesEx(const std::string& v) override { Put("Path_statesEx", v, path_states_ex_); }
  std::string Path_data1() override { return Get("Path_data1", path_data1_); }
  void Path_data1(const std::string& v) override { Put("Path_data1", v, path_data1_); }
  std::string Path_data2() override { return Get("Path_data2", path_data2_); }
  void Path_data2(const std::string& v) override { Put("Path_data2", v, path_data2_); }
  std::string Path_data3() override { return Get("Path_data3", path_data3_); }
  void Path_data3(const std::string& v) override { Put("Path_data3", v, path_data3_); }
  std::string Path_data4() override { return Get("Path_data4", path_data4_); }
  void Path_data4(const std::string& v) override { Put("Path_data4", v, path_data4_); }
  std::int32_t LandColor() override { return Get("LandColor", land_colour_); }
  void LandColor(std::int32_t colour) override { Put("LandColor", colour, land_colour_); }
  std::int32_t EngineCommand(std::int32_t code, std::int32_t value) override;
  void LoadOverlay(const std::string& path) override;
  bool OverlayVisible() override { return Get("OverlayVisible", overlay_visible_); }
  void OverlayVisible(bool v) override { Put("OverlayVisible", v, overlay_visible_); }
  bool UnderlayVisible() override { return Get("UnderlayVisible", underlay_visible_); }
  void UnderlayVisible(bool v) override { Put("UnderlayVisible", v, underlay_visible_); }
  std::string UnderlayFile() override { return Get("UnderlayFile", underlay_file_); }
  void UnderlayFile(const std::string& v) override { Put("UnderlayFile", v, underlay_file_); }
  void LoadConfig(const std::string& path) override;
  void SaveConfig(const std::string& path) override;
  void Refresh() override;
  std::int32_t FindAddress(const std::string& text) override;
  std::int32_t FindPhone(const std::string& text) override;
  std::string FoundText() override { return Get("FoundText", found_text_); }
  std::string FoundPlaceText() override { return Get("FoundPlaceText", found_place_text_); }
  void AboutBox() override;
  // Logs "ImportManager?"; the object it returns logs "ImportManager.Show()".
  std::unique_ptr<EngineImportManager> ImportManager() override;
  void PutMember(std::int32_t dispid, const EngineValue& value) override;
  void CallMember(std::int32_t dispid) override;

 private:
  // EngineFormWindow.
  void Place(int left, int top, int width, int height) override;
  void Show(bool visible) override;

  // Logs `entry`; throws when `name` is made to fail.
  void Record(const std::string& name, const std::string& entry);
  template <typename T>
  T Get(const std::string& name, const T& field) {
    Record(name + "?", name + "?");
    return field;
  }
  template <typename T>
  void Put(const std::string& name, const T& value, T& field);

  std::vector<std::string> calls_;
  std::vector<std::string>* shared_log_;
  std::set<std::string> failing_;
  MapEngineEvents* events_ = nullptr;
  std::map<std::string, EngineValue> start_values_;
  std::map<std::int32_t, EngineValue> members_;

  std::int32_t map_width_ = 400;
  std::int32_t map_height_ = 300;
  double centre_x_ = -98;
  double centre_y_ = 39;
  double degrees_per_pixel_ = 0.1;

  bool shade_mcd_ = true, shade_plc_ = true, shade_cnty_ = true, shade_state_ = true;
  bool oneway_ = true, zip_ = false;
  std::string path_states_, path_states_ex_, path_data1_, path_data2_, path_data3_, path_data4_;
  std::int32_t land_colour_ = 0xAFFFFF;
  std::int32_t background_colour_ = 0xAFFFFF;
  bool has_import_manager_ = true;
  bool has_form_window_ = false;
  std::string overlay_;
  bool overlay_visible_ = true, underlay_visible_ = false;
  std::string underlay_file_;
  std::string found_text_, found_place_text_;
};

// Text of a value as the log writes it: true/false, integers, numbers, text as is.
std::string EngineValueText(const EngineValue& value);

}  // namespace k9::testing
