// clsMapServ is the map server object the host creates: it owns the hidden map
// form with the engine, answers the host's drawing, zoom, option and property
// calls, keeps the favourite views, and tells the host what the map shows.
//
// Members keep the names of the dispatch interface (server/dispatch_table.h);
// every parameter is by reference, as the interface passes it. Members without an
// error trap of their own let a failure propagate: the COM shell turns it into a
// failed call and the later steps do not run. The paint step and the termination
// attempt every statement instead (server/attempt.h).
//
// Host objects (callback object, main form, picture boxes) are not owned; they
// must outlive the server object, whose release still calls them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/ports.h"
#include "server/component.h"
#include "server/engine_factory.h"
#include "server/find_types.h"
#include "server/frm_strato.h"
#include "server/host_port.h"
#include "server/search_port.h"
#include "server/server_folders.h"
#include "server/server_parts.h"
#include "server/text_array.h"

namespace k9 {

// What the user is told when the engine has no import manager to show.
inline constexpr char kNoImportManager[] =
    "The map engine has no import manager, so there is nothing to import through it.";
// The named mutex opened when the object is created.
inline constexpr char kServerMutexName[] = "STRATO7MUTEX";
// The engine's settings file in the server folder.
inline constexpr char kEngineConfigName[] = "Cartex71.Cfg";
// The sea colour every paint clears the picture box to (red 150, green 186, blue 224).
inline constexpr std::int32_t kSeaColour = 0xE0BA96;
inline constexpr std::int32_t kWhite = 0xFFFFFF;
// The land colour when the white background is off at start.
inline constexpr std::int32_t kDefaultLandColour = 0xAFFFFF;
// The world view of ZoomAll: west, north, east, south.
inline constexpr double kWorldWest = -160, kWorldNorth = 80, kWorldEast = 160, kWorldSouth = -80;

class clsMapServ : private frmStrato::Events,
                   private SearchDialogEvents,
                   private ControlPanelEvents {
 public:
  // Creation opens the named mutex "STRATO7MUTEX". `ports` are the platform's
  // services; `engine_factory` makes the engine control when the map form loads.
  clsMapServ(const Ports& ports, EngineFactory engine_factory, ServerParts parts = {});
  clsMapServ(const clsMapServ&) = delete;
  clsMapServ& operator=(const clsMapServ&) = delete;
  // Release: runs Terminate.
  ~clsMapServ() override;

  // The object's termination: every step is attempted, a failing one skipped.
  // Runs once; later calls do nothing.
  void Terminate() noexcept;

  // --- Lifecycle and features ---
  void Initialize(std::string& strCallsign, HostEvents* cMapServerEvents, HostForm* frmT);
  void GetSupportedFeatures(bool& blnDiagonalPan, bool& blnZoomIn, bool& blnZoomOut,
                            bool& blnZoomAll, bool& blnControlPanel, std::string& strHelpFile,
                            std::int32_t& lngHelpTopic, std::string& strServerShortName,
                            TextArray& strSpecialOptionMenuCaption);
  void ShowControlPanel();
  void SafeCall() {}
  bool blnControlOk() const { return mblnControlOk; }

  // --- Display properties ---
  void strOvlFile(const std::string& value) { mstrOvlFile = value; }
  std::string strOvlFile() const { return mstrOvlFile; }
  void strUnderFile(const std::string& value) { mstrUnderFile = value; }
  std::string strUnderFile() const { return mstrUnderFile; }
  // A Variant holding a 32-bit integer: the engine's map background colour.
  std::optional<std::int32_t> varMapBackColor();
  // Always an empty Variant.
  std::optional<std::int32_t> varSeaColor() { return std::nullopt; }

  void blnShadeMcd(bool value);
  bool blnShadeMcd();
  void blnShadeCounties(bool value);
  bool blnShadeCounties();
  void blnShadePlaces(bool value);
  bool blnShadePlaces();
  void blnShadeStates(bool value);
  bool blnShadeStates();
  void blnHighContrastRds(bool value);
  bool blnHighContrastRds() const { return mblnHighContrastRds; }
  void blnZipCodes(bool value);
  bool blnZipCodes();
  void blnWhiteBackground(bool value);
  bool blnWhiteBackground() const { return mblnWhiteBackground; }
  void blnMono(bool value) { mblnMono = value; }
  bool blnMono() const { return mblnMono; }
  void blnOnewayShow(bool value);
  bool blnOnewayShow();

  // --- Data-folder properties ---
  void strData1(const std::string& value);
  std::string strData1();
  void strData2(const std::string& value);
  std::string strData2();
  void strData3(const std::string& value);
  std::string strData3();
  void strData4(const std::string& value);
  std::string strData4();
  void strStates0(const std::string& value);
  std::string strStates0();
  void strStates1(const std::string& value);
  std::string strStates1();

  // --- Map view and drawing (render/map_view.cpp) ---
  bool DrawMapFromCorners(PictureBox& picMap, double& dblDegX1, double& dblDegY1, double& dblDegX2,
                          double& dblDegY2);
  bool DrawMapFromCentre(PictureBox& picMap, double& dblDegX, double& dblDegY);
  bool ResizeMap(PictureBox& picMap, double& dblDegX1, double& dblDegY1, double& dblDegX2,
                 double& dblDegY2);
  bool ZoomIn(PictureBox& picMap);
  bool ZoomOut(PictureBox& picMap);
  bool ZoomAll(PictureBox& picMap);
  bool ZoomPan(PictureBox& picMap, std::int16_t& intPan);

  // --- Favourite views (render/favourites.cpp); never fail ---
  void AddToFavouriteViews(std::string& strL) noexcept;
  void SaveFavouriteViews(TextArray& strL) noexcept;
  void LoadFavouriteViews(TextArray& strFav) noexcept;

  // --- Special menu options (server/special_options.cpp) ---
  bool SpecialMenuOption(PictureBox& picMap, std::int16_t& intIndex);

  // --- For the server's own parts (overlays, search, control panel) ---
  // The engine control on the map form. Throws (error 91) before Initialize.
  MapEngine& Engine();
  frmStrato* MapForm() { return mfrmStrato.get(); }
  const Ports& ports() const { return ports_; }
  const ServerFolders& folders() const { return folders_; }
  HostEvents* HostCallbacks() { return mcEvents; }
  HostForm* HostMainForm() { return mfrmHost; }
  // The remembered picture box, nullptr until one is remembered.
  PictureBox* RememberedPicture() { return mpicMap; }
  SearchDialog* SearchDialogForm() { return mfrmSearch.get(); }
  std::int16_t LastFindType() const { return mintLastFindType; }
  const std::string& FavouritesFile() const { return mstrFavFile; }

  // The extent shown by the last paint.
  double mdblWest = 0, mdblEast = 0, mdblNorth = 0, mdblSouth = 0;
  // The mile-marker line: drawn on every paint while mblnLineShown is true.
  double mdblLine = 0;
  bool mblnLineShown = false;
  bool mblnLineIsLat = false;

  // Sizing prologue, whole (ScaleMode 3, size read, engine size applied) and its
  // step 3 alone.
  void SizingPrologue(PictureBox& picMap);
  void ApplyEngineSize(std::int32_t width, std::int32_t height);
  // The paint step: every statement attempted, ends with SignalInformation.
  // Paints nothing and tells the host nothing while blnControlOk is false.
  void PaintStep(PictureBox& picMap) noexcept;
  // Writes the map-list entry file for the extent shown; false when it could not.
  bool WriteMapListEntry();
  std::int32_t EngineWidth() const { return engine_width_; }
  std::int32_t EngineHeight() const { return engine_height_; }
  std::int32_t PaintedWidth() const { return painted_width_; }
  std::int32_t PaintedHeight() const { return painted_height_; }
  std::int32_t LandColourAtStart() const { return mlngLandColor; }

  // The Map-menu routines, also run by the search dialog's ZoomToFind.
  void ShowSearchDialog(PictureBox& picMap);
  void HideMileMarkerLine();

 private:
  void ApplySavedSettings();
  std::string EngineConfigPath() const;
  std::unique_ptr<ControlPanel> MakeControlPanel();

  // frmStrato::Events
  void Find(std::string& strL) override;
  void DirectBefore(DeviceContext /*hdc*/) override {}
  void Direct(DeviceContext /*hdc*/) override {}

  // SearchDialogEvents
  void Find(std::string& strP, std::int16_t& intFindType) override;
  void ZoomToFind(std::string& strTitle, double& dblLong, double& dblLat, bool& blnIsPlace,
                  double& dblLong2, double& dblLat2, double& dblL, bool& blnLIsLat) override;
  void ImUnloading() override {}

  // ControlPanelEvents
  void AboutCartex() override;
  void ImpMgrDialog() override;

  SearchContext MakeSearchContext();

  Ports ports_;
  EngineFactory engine_factory_;
  ServerParts parts_;
  ServerFolders folders_;
  bool terminated_ = false;

  std::string mstrCallsign;
  HostForm* mfrmHost = nullptr;
  HostEvents* mcEvents = nullptr;
  bool mblnControlOk = false;
  std::string mstrFavFile;
  std::unique_ptr<frmStrato> mfrmStrato;
  std::unique_ptr<SearchDialog> mfrmSearch;
  std::unique_ptr<ControlPanel> mcCpanel;
  PictureBox* mpicMap = nullptr;

  std::int32_t engine_width_ = 0, engine_height_ = 0;
  std::int32_t painted_width_ = 0, painted_height_ = 0;
  std::int32_t sea_colour_ = 0;
  bool first_paint_done_ = false;

  bool mblnMono = false;
  bool mblnHighContrastRds = false;
  bool mblnWhiteBackground = false;
  std::int32_t mlngLandColor = 0;
  std::string mstrOvlFile;
  std::string mstrUnderFile;
  std::int16_t mintLastFindType = FIND_ADDRESS;
};

}  // namespace k9
