// The reference map engine: a real renderer and gazetteer behind the MapEngine
// port, so the server draws real maps without any third-party mapping product.
//
// Data comes from the folders set as Path_states, Path_statesEx and Path_data1 to
// Path_data4: each data file is taken from the first of those folders that holds it,
// and read when first needed after a folder changed. A missing file leaves its layer
// empty; a damaged one too, and its error is listed by DataErrors(). Once folders
// are set, folders that do not exist, data found nowhere and damaged files are told
// in one "Map data" message box (again only when the list changes), and a map
// without any base data carries a short notice instead of an empty sea.
//
// Number members (PutMember): 138 is SaveView (true: SaveConfig also keeps the
// view), 149, 165, 166, 167 and 185 are kept and reported by Member() but change
// nothing here; CallMember 698 and 91 are accepted and do nothing. MCD shading has
// no data here: its switch is kept and draws nothing.
//
// Streets come from the street store (streets/): every paint looks whether an
// import changed it and hands its layer to the renderer; FindAddress answers
// street addresses from it besides places.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/map_data.h"
#include "engine/overlay.h"
#include "engine/renderer.h"
#include "engine/view.h"
#include "platform/ports.h"
#include "server/engine_factory.h"
#include "server/engine_port.h"
#include "streets/street_store.h"

namespace k9::engine {

inline constexpr std::int32_t kMemberSaveView = 138;

class ReferenceEngine : public MapEngine {
 public:
  // `dialogs` shows the about box and the import manager's dialog; nullptr shows
  // nothing.
  explicit ReferenceEngine(FileSystem& fs, Dialogs* dialogs = nullptr);
  explicit ReferenceEngine(const Ports& ports) : ReferenceEngine(*ports.fs, ports.dialogs) {}

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
  double ViewWest() override { return view_.West(); }
  double ViewNorth() override { return view_.North(); }
  double ViewEast() override { return view_.East(); }
  double ViewSouth() override { return view_.South(); }

  void PaintToDC(DeviceContext dc, std::int32_t x, std::int32_t y, std::int32_t width,
                 std::int32_t height, bool flag1, bool flag2, bool monochrome) override;

  bool Shade_Mcd() override { return shade_mcd_; }
  void Shade_Mcd(bool value) override { shade_mcd_ = value; }
  bool Shade_Plc() override { return options_.shade_places; }
  void Shade_Plc(bool value) override { options_.shade_places = value; }
  bool Shade_Cnty() override { return options_.shade_counties; }
  void Shade_Cnty(bool value) override { options_.shade_counties = value; }
  bool Shade_State() override { return options_.shade_states; }
  void Shade_State(bool value) override { options_.shade_states = value; }
  bool OneWayShow() override { return options_.one_way; }
  void OneWayShow(bool value) override { options_.one_way = value; }
  bool ZipCodesShown() override { return options_.zip_codes; }
  void ZipCodesShown(bool value) override { options_.zip_codes = value; }

  std::string Path_states() override { return folders_[0]; }
  void Path_states(const std::string& folder) override { SetFolder(0, folder); }
  std::string Path_statesEx() override { return folders_[1]; }
  void Path_statesEx(const std::string& folder) override { SetFolder(1, folder); }
  std::string Path_data1() override { return folders_[2]; }
  void Path_data1(const std::string& folder) override { SetFolder(2, folder); }
  std::string Path_data2() override { return folders_[3]; }
  void Path_data2(const std::string& folder) override { SetFolder(3, folder); }
  std::string Path_data3() override { return folders_[4]; }
  void Path_data3(const std::string& folder) override { SetFolder(4, folder); }
  std::string Path_data4() override { return folders_[5]; }
  void Path_data4(const std::string& folder) override { SetFolder(5, folder); }

  std::int32_t LandColor() override;
  void LandColor(std::int32_t colour) override;
  std::int32_t EngineCommand(std::int32_t code, std::int32_t value) override;

  void LoadOverlay(const std::string& path) override;
  bool OverlayVisible() override { return overlay_visible_; }
  void OverlayVisible(bool value) override { overlay_visible_ = value; }
  bool UnderlayVisible() override { return underlay_visible_; }
  void UnderlayVisible(bool value) override { underlay_visible_ = value; }
  std::string UnderlayFile() override { return underlay_file_; }
  void UnderlayFile(const std::string& path) override;

  void LoadConfig(const std::string& path) override;
  void SaveConfig(const std::string& path) override;
  void Refresh() override;

  std::int32_t FindAddress(const std::string& text) override;
  std::int32_t FindPhone(const std::string& text) override;
  std::string FoundText() override { return found_text_; }
  std::string FoundPlaceText() override { return found_place_text_; }

  void AboutBox() override;
  std::unique_ptr<EngineImportManager> ImportManager() override;

  void PutMember(std::int32_t dispid, const EngineValue& value) override;
  void CallMember(std::int32_t dispid) override;

  // Beyond the port, for tools and tests.
  const View& view() const { return view_; }
  bool high_contrast() const { return options_.high_contrast; }
  std::optional<EngineValue> Member(std::int32_t dispid) const;
  std::optional<EngineValue> StartValue(const std::string& name) const;
  const std::string& overlay_file() const { return overlay_file_; }
  // Reads the data now if a folder changed since the last read; returns it.
  const MapData& Data();
  const std::vector<std::string>& DataErrors() { return Data().errors; }
  // What keeps the data from being whole, one sentence each: folders that do not
  // exist, no data file in any folder, files that could not be used.
  std::vector<std::string> DataProblems();
  // The imported streets (streets::DefaultStoreFolder(), read when first needed),
  // reopened when an import or removal changed the store since the last look.
  streets::StreetStore& Streets();

 private:
  void SetFolder(int index, const std::string& folder);
  void TellDataProblems();
  FileSystem& fs_;
  Dialogs* dialogs_;
  MapEngineEvents* events_ = nullptr;
  View view_;
  RenderOptions options_;
  bool shade_mcd_ = false;
  bool overlay_visible_ = true;
  bool underlay_visible_ = false;
  std::string folders_[6];
  bool data_stale_ = true;
  std::shared_ptr<const MapData> data_;
  std::string overlay_file_;
  std::unique_ptr<Overlay> overlay_;
  std::string underlay_file_;
  std::unique_ptr<Underlay> underlay_;
  std::string found_text_;
  std::string found_place_text_;
  std::map<std::int32_t, EngineValue> members_;
  std::map<std::string, EngineValue> start_values_;
  std::vector<std::string> told_problems_;
  std::unique_ptr<streets::StreetStore> streets_;
};

// The title of the engine's message about its data.
inline constexpr char kMapDataCaption[] = "Map data";

// Reads the data files from `folders` (the first folder holding a file wins).
// Results are shared between engines that read the same files through the same
// file system, so a second engine starts without reading anything.
std::shared_ptr<const MapData> LoadMapData(FileSystem& fs, const std::vector<std::string>& folders);
// Reads the data afresh, bypassing the shared copy (for benchmarks).
std::shared_ptr<MapData> ReadMapData(FileSystem& fs, const std::vector<std::string>& folders);

// The factory the server is given: creates the reference engine for the engine
// ProgID (any case) and nothing for other ProgIDs.
EngineFactory MakeReferenceEngineFactory(const Ports& ports = Ports::Default());

}  // namespace k9::engine
