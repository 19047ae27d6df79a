// MapEngine is the port to the map engine: the control that draws every map pixel,
// keeps the view, answers address and phone searches and keeps its own settings
// file. The server reaches it only through this interface: the reference engine
// implements it directly on every platform, and on Windows an adapter implements
// it over any engine control called by dispatch identifier.
//
// Dispatch identifiers of the engine control are given beside each member. The
// numbered members that have no name of their own are reached through PutMember
// and CallMember. Sizes are pixels; coordinates are decimal degrees, longitude as
// X (east positive), latitude as Y (north positive). Colours are OLE 0x00BBGGRR.
//
// A failing engine call throws (std::exception); callers decide whether the
// failure ends their work or is skipped.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "platform/raster.h"

namespace k9 {

// A value for a property set by name or by dispatch identifier.
using EngineValue = std::variant<bool, std::int32_t, double, std::string>;

// Notifications of the engine, by event dispatch identifier.
class MapEngineEvents {
 public:
  virtual ~MapEngineEvents() = default;
  virtual void FoundItem() {}                         // 13: FoundText holds the item
  virtual void FoundPlace() {}                        // 14: FoundPlaceText holds the place
  virtual void PaintBefore(DeviceContext /*dc*/) {}   // before drawing starts
  virtual void DirectBefore(DeviceContext /*dc*/) {}  // before the layers are drawn
  virtual void Direct(DeviceContext /*dc*/) {}        // after the layers are drawn
};

// The engine's import manager: the object behind the engine's import dialog,
// through which the user brings outside data (overlays) to the engine.
class EngineImportManager {
 public:
  EngineImportManager() = default;
  EngineImportManager(const EngineImportManager&) = delete;
  EngineImportManager& operator=(const EngineImportManager&) = delete;
  virtual ~EngineImportManager() = default;

  // Shows the dialog modally; returns when the user has closed it.
  virtual void Show() = 0;
};

// The window an engine control lives on: the window of the form that holds it.
// The form shows, hides, places and sizes it; a control may need its window to
// exist and to have been shown. Positions and sizes are twips.
class EngineFormWindow {
 public:
  virtual ~EngineFormWindow() = default;
  virtual void Place(int left, int top, int width, int height) = 0;
  virtual void Show(bool visible) = 0;
};

class MapEngine {
 public:
  MapEngine() = default;
  MapEngine(const MapEngine&) = delete;
  MapEngine& operator=(const MapEngine&) = delete;
  virtual ~MapEngine() = default;

  // Receives the engine's notifications; nullptr for none. Not owned.
  virtual void SetEvents(MapEngineEvents* events) = 0;

  // The stored start values of the form that holds the engine, by the engine's
  // property names ("Coords", "Scale", "Shade_Mcd", ...). Unknown names are kept
  // and otherwise ignored.
  virtual void SetStartValue(const std::string& name, const EngineValue& value) = 0;

  // View.
  virtual void SetViewCorners(double west, double north, double east, double south) = 0;  // 706
  virtual void CentreView(double x, double y) = 0;                                        // 90
  virtual void ZoomLevel(std::int32_t level) = 0;                                         // 34
  virtual void ZoomInStep() = 0;                                                          // 699
  virtual void ZoomOutStep() = 0;                                                         // 703
  virtual void PanStep(std::int32_t direction) = 0;                                       // 704
  virtual void ZoomToOverlay() = 0;                                                       // 702
  virtual void SetMapSize(std::int32_t width, std::int32_t height) = 0;                   // 107
  virtual double ViewWest() = 0;                                                          // 18
  virtual double ViewNorth() = 0;                                                         // 21
  virtual double ViewEast() = 0;                                                          // 19
  virtual double ViewSouth() = 0;                                                         // 20

  // Draws the current view into `dc` at (x, y), width by height pixels.
  virtual void PaintToDC(DeviceContext dc, std::int32_t x, std::int32_t y, std::int32_t width,
                         std::int32_t height, bool flag1, bool flag2, bool monochrome) = 0;  // 123

  // Layer switches.
  virtual bool Shade_Mcd() = 0;  // 30
  virtual void Shade_Mcd(bool value) = 0;
  virtual bool Shade_Plc() = 0;  // 31
  virtual void Shade_Plc(bool value) = 0;
  virtual bool Shade_Cnty() = 0;  // 32
  virtual void Shade_Cnty(bool value) = 0;
  virtual bool Shade_State() = 0;  // 33
  virtual void Shade_State(bool value) = 0;
  virtual bool OneWayShow() = 0;  // 148
  virtual void OneWayShow(bool value) = 0;
  virtual bool ZipCodesShown() = 0;  // 201
  virtual void ZipCodesShown(bool value) = 0;

  // Data folders.
  virtual std::string Path_states() = 0;  // 46
  virtual void Path_states(const std::string& folder) = 0;
  virtual std::string Path_statesEx() = 0;  // 16
  virtual void Path_statesEx(const std::string& folder) = 0;
  virtual std::string Path_data1() = 0;  // 47
  virtual void Path_data1(const std::string& folder) = 0;
  virtual std::string Path_data2() = 0;  // 48
  virtual void Path_data2(const std::string& folder) = 0;
  virtual std::string Path_data3() = 0;  // 49
  virtual void Path_data3(const std::string& folder) = 0;
  virtual std::string Path_data4() = 0;  // 195
  virtual void Path_data4(const std::string& folder) = 0;

  virtual std::int32_t LandColor() = 0;  // 27
  virtual void LandColor(std::int32_t colour) = 0;

  // (0, 1) returns the map background colour; (2, colour) sets the sea colour;
  // (61182, 1 or 0) switches high-contrast roads; (49156, -1) is sent at start.
  virtual std::int32_t EngineCommand(std::int32_t code, std::int32_t value) = 0;  // 395

  // Overlay and underlay.
  virtual void LoadOverlay(const std::string& path) = 0;  // 108; "" clears
  virtual bool OverlayVisible() = 0;                      // 56
  virtual void OverlayVisible(bool value) = 0;
  virtual bool UnderlayVisible() = 0;  // 57
  virtual void UnderlayVisible(bool value) = 0;
  virtual std::string UnderlayFile() = 0;  // 50
  virtual void UnderlayFile(const std::string& path) = 0;

  // Settings file and redraw.
  virtual void LoadConfig(const std::string& path) = 0;  // 139
  virtual void SaveConfig(const std::string& path) = 0;  // 140
  virtual void Refresh() = 0;                            // 137

  // Searches. FindAddress raises FoundItem once per match and returns the count;
  // FindPhone sets FoundPlaceText (and raises FoundPlace) for an area code and
  // exchange.
  virtual std::int32_t FindAddress(const std::string& text) = 0;  // 808
  virtual std::int32_t FindPhone(const std::string& text) = 0;    // 118
  virtual std::string FoundText() = 0;                            // 24
  virtual std::string FoundPlaceText() = 0;                       // 25

  virtual void AboutBox() = 0;  // -552
  // 193, a property: the engine's import manager, or nullptr when it has none.
  virtual std::unique_ptr<EngineImportManager> ImportManager() = 0;

  // The window the engine lives on, or nullptr when it needs none (the engine
  // then draws only into the device contexts it is handed).
  virtual EngineFormWindow* FormWindow() { return nullptr; }

  // Members reached only by dispatch identifier: 138, 149, 165, 166, 167 and 185
  // are put; 698 and 91 are called. Their meaning is the engine's own.
  virtual void PutMember(std::int32_t dispid, const EngineValue& value) = 0;
  virtual void CallMember(std::int32_t dispid) = 0;
};

}  // namespace k9
