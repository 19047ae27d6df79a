// Fakes for the overlay, underlay and special-option tests: an engine that records
// the calls these parts make, and a host form that keeps its menu entries' state.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "server/engine_port.h"
#include "server/host_port.h"
#include "support/fake_registry.h"
#include "support/fake_system.h"

namespace k9::testing {

// Records overlay, underlay and view calls as text ("LoadOverlay(x)",
// "SetViewCorners(-1.5,51.5,1.25,51.25)"); every other member does nothing.
class OverlayRecordingEngine : public MapEngine {
 public:
  std::vector<std::string> calls;
  double west = -10, north = 10, east = 10, south = -10;
  bool underlay_visible = false;
  std::string underlay_file;
  bool fail_load_overlay = false;

  int Count(const std::string& prefix) const;

  void SetEvents(MapEngineEvents*) override {}
  void SetStartValue(const std::string&, const EngineValue&) override {}
  void SetViewCorners(double w, double n, double e, double s) override;
  void CentreView(double x, double y) override;
  void ZoomLevel(std::int32_t level) override;
  void ZoomInStep() override {}
  void ZoomOutStep() override {}
  void PanStep(std::int32_t) override {}
  void ZoomToOverlay() override { calls.push_back("ZoomToOverlay"); }
  void SetMapSize(std::int32_t w, std::int32_t h) override;
  double ViewWest() override { return west; }
  double ViewNorth() override { return north; }
  double ViewEast() override { return east; }
  double ViewSouth() override { return south; }
  void PaintToDC(DeviceContext, std::int32_t, std::int32_t, std::int32_t, std::int32_t, bool, bool,
                 bool) override {
    calls.push_back("PaintToDC");
  }
  bool Shade_Mcd() override { return false; }
  void Shade_Mcd(bool) override {}
  bool Shade_Plc() override { return false; }
  void Shade_Plc(bool) override {}
  bool Shade_Cnty() override { return false; }
  void Shade_Cnty(bool) override {}
  bool Shade_State() override { return false; }
  void Shade_State(bool) override {}
  bool OneWayShow() override { return false; }
  void OneWayShow(bool) override {}
  bool ZipCodesShown() override { return false; }
  void ZipCodesShown(bool) override {}
  std::string Path_states() override { return ""; }
  void Path_states(const std::string&) override {}
  std::string Path_statesEx() override { return ""; }
  void Path_statesEx(const std::string&) override {}
  std::string Path_data1() override { return ""; }
  void Path_data1(const std::string&) override {}
  std::string Path_data2() override { return ""; }
  void Path_data2(const std::string&) override {}
  std::string Path_data3() override { return ""; }
  void Path_data3(const std::string&) override {}
  std::string Path_data4() override { return ""; }
  void Path_data4(const std::string&) override {}
  std::int32_t LandColor() override { return 0; }
  void LandColor(std::int32_t) override {}
  std::int32_t EngineCommand(std::int32_t, std::int32_t) override { return 0; }
  void LoadOverlay(const std::string& path) override;
  bool OverlayVisible() override { return true; }
  void OverlayVisible(bool) override {}
  bool UnderlayVisible() override { return underlay_visible; }
  void UnderlayVisible(bool value) override;
  std::string UnderlayFile() override { return underlay_file; }
  void UnderlayFile(const std::string& path) override;
  void LoadConfig(const std::string&) override {}
  void SaveConfig(const std::string&) override {}
  void Refresh() override {}
  std::int32_t FindAddress(const std::string&) override { return 0; }
  std::int32_t FindPhone(const std::string&) override { return 0; }
  std::string FoundText() override { return ""; }
  std::string FoundPlaceText() override { return ""; }
  void AboutBox() override {}
  std::unique_ptr<EngineImportManager> ImportManager() override { return nullptr; }
  void PutMember(std::int32_t, const EngineValue&) override {}
  void CallMember(std::int32_t) override {}
};

// Keeps Visible and Enabled of the host's special-option entries (all start
// visible and enabled, as the host builds them).
class OverlayHostForm : public HostForm {
 public:
  std::map<int, bool> visible{{0, true}, {1, true}, {2, true}, {3, true}};
  std::map<int, bool> enabled{{0, true}, {1, true}, {2, true}, {3, true}};
  void SetSpecialOptionVisible(int index, bool value) override { visible[index] = value; }
  void SetSpecialOptionEnabled(int index, bool value) override { enabled[index] = value; }
  void UnloadSpecialOption(int index) override { visible.erase(index), enabled.erase(index); }
  std::intptr_t hWnd() override { return 0x1234; }
};

}  // namespace k9::testing

namespace k9::testing {

// A picture box that keeps its properties and records the lines drawn on it.
class OverlayPictureBox : public PictureBox {
 public:
  struct DrawnLine {
    double x1, y1, x2, y2;
    std::int32_t colour;
    std::int16_t width, mode;
  };
  double width_px = 400, height_px = 300;
  std::int16_t scale_mode = 1;
  double scale_left = 0, scale_top = 0, scale_width = 6000, scale_height = 4500;
  std::int16_t draw_width = 1, draw_mode = 13, draw_style = 0;
  std::vector<DrawnLine> lines;

  std::int16_t ScaleMode() override { return scale_mode; }
  void ScaleMode(std::int16_t mode) override;
  double ScaleLeft() override { return scale_left; }
  void ScaleLeft(double value) override { scale_left = value, scale_mode = 0; }
  double ScaleTop() override { return scale_top; }
  void ScaleTop(double value) override { scale_top = value, scale_mode = 0; }
  double ScaleWidth() override { return scale_width; }
  void ScaleWidth(double value) override { scale_width = value, scale_mode = 0; }
  double ScaleHeight() override { return scale_height; }
  void ScaleHeight(double value) override { scale_height = value, scale_mode = 0; }
  std::int32_t BackColor() override { return 0; }
  void BackColor(std::int32_t) override {}
  std::int32_t FillColor() override { return 0; }
  void FillColor(std::int32_t) override {}
  std::int16_t FillStyle() override { return 0; }
  void FillStyle(std::int16_t) override {}
  std::int16_t DrawWidth() override { return draw_width; }
  void DrawWidth(std::int16_t value) override { draw_width = value; }
  std::int16_t DrawMode() override { return draw_mode; }
  void DrawMode(std::int16_t value) override { draw_mode = value; }
  std::int16_t DrawStyle() override { return draw_style; }
  void DrawStyle(std::int16_t value) override { draw_style = value; }
  void ClearPicture() override { lines.clear(); }
  void SetPictureFromImage() override {}
  DeviceContext hDC() override { return 0; }
  void Line(double x1, double y1, double x2, double y2, std::int32_t colour) override {
    lines.push_back({x1, y1, x2, y2, colour, draw_width, draw_mode});
  }
};

// Records the host notifications as text.
class OverlayHostEvents : public HostEvents {
 public:
  std::vector<std::string> signals;
  void SignalSuspend(bool suspend) override;
  void SignalSpecialRedraw(const std::string& title) override;
  void SignalInformation(double& west, double& east, double& north, double& south,
                         const std::string& title) override;
  void SignalCallsignData(std::string&, std::string&) override {}
};

}  // namespace k9::testing
