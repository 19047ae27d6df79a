#include "server/cls_map_serv.h"

#include <stdexcept>
#include <utility>

#include "common/app_settings.h"
#include "common/cls_ini.h"
#include "common/error.h"
#include "common/text.h"
#include "server/attempt.h"
#include "server/number_conversion.h"

namespace k9 {

namespace {

// Where the host keeps its program folder among its per-user settings.
constexpr char kHostApp[] = "Corvid Works";
constexpr char kHostSection[] = "Harrier32";
constexpr char kHostKey[] = "Program Folder";

constexpr char kOverlayFolderName[] = "Strato Overlays";
constexpr char kUnderlayFolderName[] = "Strato Underlays";

// The map form's size while the engine is configured, in twips.
constexpr int kMapFormSizeTwips = 200;

// The control panel window's help context number, when no part reports it.
constexpr std::int32_t kControlPanelHelpContext = 30;

// Creates `folder` when nothing of that name exists; returns it with a separator.
std::string EnsureFolder(FileSystem& fs, const std::string& folder) {
  if (!fs.DirectoryExists(folder) && !fs.FileExists(folder) && !fs.MakeDirectory(folder)) {
    throw ComError(75, kServerShortName, "Path/File access error: " + folder);
  }
  return folder + kPathSeparator;
}

}  // namespace

clsMapServ::clsMapServ(const Ports& ports, EngineFactory engine_factory, ServerParts parts)
    : ports_(ports), engine_factory_(std::move(engine_factory)), parts_(std::move(parts)) {
  folders_ = ServerFolders::FromModulePath(ports_.system->ModulePath());
  ports_.system->OpenNamedMutex(kServerMutexName);
}

clsMapServ::~clsMapServ() { Terminate(); }

std::string clsMapServ::EngineConfigPath() const {
  return folders_.InServerFolder(kEngineConfigName);
}

MapEngine& clsMapServ::Engine() {
  if (!mfrmStrato) {
    throw ComError(91, kServerShortName, "Object variable or With block variable not set");
  }
  return mfrmStrato->Strato();
}

void clsMapServ::Initialize(std::string& strCallsign, HostEvents* cMapServerEvents,
                            HostForm* frmT) {
  // 1-4: the host's objects, the host's program folder, the favourites file.
  mfrmHost = frmT;
  mcEvents = cMapServerEvents;
  folders_.host_folder = GetSetting(*ports_.registry, kHostApp, kHostSection, kHostKey, "");
  mstrCallsign = strCallsign;
  mstrFavFile = folders_.InServerFolder(folders_.base_name + ".FAV");
  // 5-6: the overlay and underlay folders beside the library.
  folders_.overlay_folder = EnsureFolder(*ports_.fs, folders_.InServerFolder(kOverlayFolderName));
  folders_.underlay_folder = EnsureFolder(*ports_.fs, folders_.InServerFolder(kUnderlayFolderName));
  // 7-9: the map form with the engine, small, in the bottom-right corner.
  mblnControlOk = true;
  mfrmStrato = std::make_unique<frmStrato>(engine_factory_, static_cast<frmStrato::Events*>(this));
  mfrmStrato->Load();
  mfrmStrato->Width(kMapFormSizeTwips);
  mfrmStrato->Height(kMapFormSizeTwips);
  mfrmStrato->Left(ports_.system->ScreenWidthTwips() - mfrmStrato->Width());
  mfrmStrato->Top(ports_.system->ScreenHeightTwips() - mfrmStrato->Height());
  // 10-13: the engine's settings file, prepared and loaded, then the saved settings.
  if (parts_.layers) parts_.layers->PrepareEngineSettingsFile(*this);
  MapEngine& engine = Engine();
  engine.PutMember(138, false);
  engine.LoadConfig(EngineConfigPath());
  ApplySavedSettings();
  // 14-16: shown while configured; the land colour as loaded; the control's size.
  mfrmStrato->Show();
  mlngLandColor = engine.LandColor();
  engine.SetMapSize(RoundToInt32(mfrmStrato->ControlWidth()),
                    RoundToInt32(mfrmStrato->ControlHeight()));
  // 17: start-up settings.
  engine.PutMember(149, std::int32_t{6});
  engine.PutMember(185, true);
  engine.EngineCommand(49156, -1);
  engine.EngineCommand(2, kSeaColour);
  engine.PutMember(167, true);
  engine.PutMember(165, std::int32_t{1});
  engine.PutMember(166, std::int32_t{kWhite});
  // 18-24.
  engine.LandColor(mblnWhiteBackground ? kWhite : kDefaultLandColour);
  engine.OverlayVisible(true);
  engine.UnderlayVisible(false);
  engine.Refresh();
  mfrmStrato->Hide();
  engine.CallMember(698);
  engine.SaveConfig(EngineConfigPath());
  engine.CallMember(91);
}

std::unique_ptr<ControlPanel> clsMapServ::MakeControlPanel() {
  if (!parts_.control_panel) return nullptr;
  std::unique_ptr<ControlPanel> panel =
      parts_.control_panel(static_cast<ControlPanelEvents&>(*this), ports_);
  if (!panel) throw std::runtime_error("The control panel cannot be created");
  return panel;
}

void clsMapServ::ApplySavedSettings() {
  settings::SavedSettings saved;
  if (std::unique_ptr<ControlPanel> loader = MakeControlPanel()) {
    loader->LoadIni(saved, false);
  } else {
    clsIni ini(ports_);
    settings::LoadIni(ini, saved, false, nullptr);
  }
  mblnMono = saved.monochrome;
  strData1(saved.data1);
  strData2(saved.data2);
  strData3(saved.data3);
  strData4(saved.data4);
  strStates0(saved.states0);
  strStates1(saved.states1);
  blnShadeMcd(saved.shade_mcd);
  blnShadeCounties(saved.shade_county);
  blnShadePlaces(saved.shade_place);
  blnShadeStates(saved.shade_state);
  blnWhiteBackground(saved.white_background);
  blnOnewayShow(saved.oneway_show);
  blnHighContrastRds(saved.high_contrast);
  blnZipCodes(saved.show_zipcodes);
  mstrOvlFile = saved.overlay;
  mstrUnderFile = saved.underlay;
}

void clsMapServ::GetSupportedFeatures(bool& blnDiagonalPan, bool& blnZoomIn, bool& blnZoomOut,
                                      bool& blnZoomAll, bool& blnControlPanel,
                                      std::string& strHelpFile, std::int32_t& lngHelpTopic,
                                      std::string& strServerShortName,
                                      TextArray& strSpecialOptionMenuCaption) {
  blnDiagonalPan = true;
  blnZoomIn = true;
  blnZoomOut = true;
  blnZoomAll = true;
  blnControlPanel = true;
  strHelpFile = folders_.InServerFolder("Kestrel6.HLP");
  lngHelpTopic = parts_.control_panel_help_context ? parts_.control_panel_help_context()
                                                   : kControlPanelHelpContext;
  strServerShortName = kServerShortName;
  strSpecialOptionMenuCaption.allocated = true;
  strSpecialOptionMenuCaption.lower = 0;
  strSpecialOptionMenuCaption.items = {"Search", "Hide Mile Marker Line", "Zoom Underlay",
                                       "Zoom Overlay"};
}

void clsMapServ::ShowControlPanel() {
  mcCpanel = MakeControlPanel();
  if (!mcCpanel) throw std::runtime_error("The control panel is not available");
  struct Release {
    std::unique_ptr<ControlPanel>& panel;
    ~Release() { panel.reset(); }
  } release{mcCpanel};
  mcCpanel->Parent(this);
  mcCpanel->ShowControlPanel();
}

// --- Display properties ---

std::optional<std::int32_t> clsMapServ::varMapBackColor() { return Engine().EngineCommand(0, 1); }

void clsMapServ::blnShadeMcd(bool value) { Engine().Shade_Mcd(value); }
bool clsMapServ::blnShadeMcd() { return Engine().Shade_Mcd(); }
void clsMapServ::blnShadeCounties(bool value) { Engine().Shade_Cnty(value); }
bool clsMapServ::blnShadeCounties() { return Engine().Shade_Cnty(); }
void clsMapServ::blnShadePlaces(bool value) { Engine().Shade_Plc(value); }
bool clsMapServ::blnShadePlaces() { return Engine().Shade_Plc(); }
void clsMapServ::blnShadeStates(bool value) { Engine().Shade_State(value); }
bool clsMapServ::blnShadeStates() { return Engine().Shade_State(); }
void clsMapServ::blnZipCodes(bool value) { Engine().ZipCodesShown(value); }
bool clsMapServ::blnZipCodes() { return Engine().ZipCodesShown(); }
void clsMapServ::blnOnewayShow(bool value) { Engine().OneWayShow(value); }
bool clsMapServ::blnOnewayShow() { return Engine().OneWayShow(); }

void clsMapServ::blnHighContrastRds(bool value) {
  Engine().EngineCommand(61182, value ? 1 : 0);
  mblnHighContrastRds = value;
}

void clsMapServ::blnWhiteBackground(bool value) {
  if (value == mblnWhiteBackground) return;
  // Without an engine the value is not taken: the server must not report a
  // background that the map does not have.
  MapEngine& engine = Engine();
  mblnWhiteBackground = value;
  const std::int32_t colour = value ? kWhite : mlngLandColor;
  mfrmStrato->Show();
  engine.LandColor(colour);
  engine.Refresh();
  mfrmStrato->Hide();
}

// --- Data-folder properties ---

void clsMapServ::strData1(const std::string& value) { Engine().Path_data1(value); }
std::string clsMapServ::strData1() { return Engine().Path_data1(); }
void clsMapServ::strData2(const std::string& value) { Engine().Path_data2(value); }
std::string clsMapServ::strData2() { return Engine().Path_data2(); }
void clsMapServ::strData3(const std::string& value) { Engine().Path_data3(value); }
std::string clsMapServ::strData3() { return Engine().Path_data3(); }
void clsMapServ::strData4(const std::string& value) { Engine().Path_data4(value); }
std::string clsMapServ::strData4() { return Engine().Path_data4(); }
void clsMapServ::strStates0(const std::string& value) { Engine().Path_states(value); }
std::string clsMapServ::strStates0() { return Engine().Path_states(); }
void clsMapServ::strStates1(const std::string& value) { Engine().Path_statesEx(value); }
std::string clsMapServ::strStates1() { return Engine().Path_statesEx(); }

// --- Events of the map form and the control panel ---

void clsMapServ::Find(std::string& strL) {
  if (mintLastFindType != FIND_ADDRESS || !parts_.search || !mfrmSearch) return;
  SearchContext context = MakeSearchContext();
  parts_.search->EngineFoundItem(context, *mfrmSearch, strL);
}

void clsMapServ::AboutCartex() {
  if (mblnControlOk) Engine().AboutBox();
}

void clsMapServ::ImpMgrDialog() {
  std::unique_ptr<EngineImportManager> manager = Engine().ImportManager();
  if (!manager) {
    // The user chose Import Mgr in the control panel: say why nothing opens.
    ports_.dialogs->ShowMessage(kNoImportManager, kComponentTitle, kMbOk | kMbIconInformation, 0);
    return;
  }
  manager->Show();
}

SearchContext clsMapServ::MakeSearchContext() {
  return SearchContext{Engine(), mcEvents, folders_, ports_};
}

// --- Release ---

void clsMapServ::Terminate() noexcept {
  if (terminated_) return;
  terminated_ = true;
  for (int index = 1; index <= 3; ++index) {
    Attempt([&] {
      if (!mfrmHost) throw std::runtime_error("no host form");
      mfrmHost->UnloadSpecialOption(index);
    });
  }
  if (mfrmStrato) {
    // An engine that never loaded is not created now: a fresh one would overwrite
    // the settings file with its defaults.
    Attempt([&] {
      if (mfrmStrato->Loaded()) mfrmStrato->Strato().SaveConfig(EngineConfigPath());
    });
    Attempt([&] { mfrmStrato->Unload(); });
    Attempt([&] { mfrmStrato.reset(); });
  }
  if (mfrmSearch) {
    Attempt([&] { mfrmSearch->Unload(); });
    Attempt([&] { mfrmSearch.reset(); });
  }
  mpicMap = nullptr;
}

}  // namespace k9
