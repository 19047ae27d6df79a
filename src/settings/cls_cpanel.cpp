#include "settings/cls_cpanel.h"

#include "common/cls_ini.h"
#include "common/error.h"
#include "common/text.h"

namespace k9 {

namespace {

constexpr char kSetup[] = "SETUP";
constexpr char kPaths[] = "PATHS";

}  // namespace

clsCpanel::clsCpanel(const CpanelContext& context, Events* events)
    : context_(context), events_(events) {}

clsCpanel::~clsCpanel() = default;

void clsCpanel::LoadIni(std::string& data1, std::string& data2, std::string& data3,
                        std::string& data4, std::string& states0, std::string& states1, bool& mono,
                        bool& shade_mcd, bool& shade_county, bool& shade_place, bool& shade_state,
                        bool& white_background, bool& oneway_show, bool& high_contrast,
                        bool& zip_codes, std::string& overlay, std::string& underlay,
                        bool setup_request) {
  clsIni ini(context_.ports);
  auto read_text = [&](const char* section, const char* key) {
    return ini.GetIniString(section, key, "").value_or("");
  };
  auto read_bool = [&](const char* key, bool default_value) {
    const std::string text =
        ini.GetIniString(kSetup, key, default_value ? "True" : "False").value_or("");
    try {
      return ToBoolean(text);
    } catch (const ConversionError&) {
      return default_value;
    }
  };

  mono = read_bool("MONOCHROME", false);
  shade_mcd = read_bool("SHADE_MCD", true);
  shade_county = read_bool("SHADE_COUNTY", true);
  shade_place = read_bool("SHADE_PLACE", true);
  shade_state = read_bool("SHADE_STATE", true);
  white_background = read_bool("WHITE_BACKGROUND", false);
  oneway_show = read_bool("ONEWAY_SHOW", false);
  high_contrast = read_bool("HIGH_CONTRAST", true);
  zip_codes = read_bool("SHOW_ZIPCODES", false);
  overlay = read_text(kSetup, "OVERLAY");
  underlay = read_text(kSetup, "UNDERLAY");

  DataFolders folders;
  if (!setup_request) {
    folders.data1 = read_text(kPaths, "DATA1");
    folders.data2 = read_text(kPaths, "DATA2");
    folders.data3 = read_text(kPaths, "DATA3");
    folders.data4 = read_text(kPaths, "DATA4");
    folders.states0 = read_text(kPaths, "STATES0");
    folders.states1 = read_text(kPaths, "STATES1");
  }
  const bool configured = !folders.data1.empty() && !folders.data2.empty() &&
                          !folders.data3.empty() && !folders.states0.empty();
  if (!setup_request && configured) {
    if (folders.states1.empty()) folders.states1 = folders.states0;
  } else {
    DataPathSetup(context_.ports, *context_.view).Run(setup_request, folders);
  }

  data1 = folders.data1;
  data2 = folders.data2;
  data3 = folders.data3;
  data4 = folders.data4;
  states0 = folders.states0;
  states1 = folders.states1;
}

void clsCpanel::ShowControlPanel() {
  window_ = std::make_unique<frmCpanel>(context_, static_cast<frmCpanel::Events*>(this));
  window_->Load();
  const bool control_ok = parent_->blnControlOk();
  if (control_ok) {
    window_->blnMono(parent_->blnMono());
    window_->blnShadeMcd(parent_->blnShadeMcd());
    window_->blnShadeCounties(parent_->blnShadeCounties());
    window_->blnShadePlaces(parent_->blnShadePlaces());
    window_->blnShadeStates(parent_->blnShadeStates());
    window_->blnWhiteBackground(parent_->blnWhiteBackground());
    window_->blnOnewayShow(parent_->blnOnewayShow());
    window_->blnHighContrastRds(parent_->blnHighContrastRds());
    window_->blnZipCodes(parent_->blnZipCodes());
    window_->Menu("mnuOptions").enabled = true;
    window_->strOvlFile(parent_->strOvlFile());
    window_->strUnderFile(parent_->strUnderFile());
  } else {
    window_->Menu("mnuOptions").enabled = false;
  }

  window_->Show();

  if (control_ok) {
    const bool white_background = window_->Menu("mnuWhiteBackground").checked;
    const bool high_contrast = window_->Menu("mnuHighContrastRds").checked;
    const bool zip_codes = window_->Menu("mnuZipCodes").checked;
    parent_->blnWhiteBackground(white_background);
    parent_->blnHighContrastRds(high_contrast);
    SaveSetup("WHITE_BACKGROUND", white_background);
    SaveSetup("HIGH_CONTRAST", high_contrast);
    SaveSetup("SHOW_ZIPCODES", zip_codes);
  }

  window_->Unload();
  window_.reset();
}

void clsCpanel::SaveSetup(const char* key, bool value) {
  clsIni(context_.ports).SaveIniString(kSetup, key, value);
}

void clsCpanel::Monochrome(bool checked) {
  parent_->blnMono(checked);
  SaveSetup("MONOCHROME", checked);
}

void clsCpanel::ShadeMCD(bool checked) {
  parent_->blnShadeMcd(checked);
  SaveSetup("SHADE_MCD", checked);
}

void clsCpanel::ShadeCounties(bool checked) {
  parent_->blnShadeCounties(checked);
  SaveSetup("SHADE_COUNTY", checked);
}

void clsCpanel::ShadePlaces(bool checked) {
  parent_->blnShadePlaces(checked);
  SaveSetup("SHADE_PLACE", checked);
}

void clsCpanel::ShadeStates(bool checked) {
  parent_->blnShadeStates(checked);
  SaveSetup("SHADE_STATE", checked);
}

void clsCpanel::OnewayShow(bool checked) {
  parent_->blnOnewayShow(checked);
  SaveSetup("ONEWAY_SHOW", checked);
}

void clsCpanel::ShowZipCodes(bool checked) {
  parent_->blnZipCodes(checked);
  SaveSetup("SHOW_ZIPCODES", checked);
}

void clsCpanel::OvlFile(std::string& file) {
  parent_->strOvlFile(file);
  clsIni(context_.ports).SaveIniString(kSetup, "OVERLAY", file);
}

void clsCpanel::UnderFile(std::string& file) {
  parent_->strUnderFile(file);
  clsIni(context_.ports).SaveIniString(kSetup, "UNDERLAY", file);
}

std::string clsCpanel::BrowseFolderFor(const std::string& current, const char* label) {
  return DataPathSetup(context_.ports, *context_.view).BrowseDataFolder(current, label);
}

void clsCpanel::Data1() {
  const std::string chosen = BrowseFolderFor(parent_->strData1(), "Data1");
  if (chosen.empty()) return;
  parent_->strData1(chosen);
  clsIni(context_.ports).SaveIniString(kPaths, "DATA1", chosen);
}

void clsCpanel::Data2() {
  const std::string chosen = BrowseFolderFor(parent_->strData2(), "Data2");
  if (chosen.empty()) return;
  parent_->strData2(chosen);
  clsIni(context_.ports).SaveIniString(kPaths, "DATA2", chosen);
}

void clsCpanel::Data3() {
  const std::string chosen = BrowseFolderFor(parent_->strData3(), "Data3");
  if (chosen.empty()) return;
  parent_->strData3(chosen);
  clsIni(context_.ports).SaveIniString(kPaths, "DATA3", chosen);
}

void clsCpanel::Data4() {
  const std::string chosen = BrowseFolderFor(parent_->strData4(), "Data4");
  if (chosen.empty()) return;
  parent_->strData4(chosen);
  clsIni(context_.ports).SaveIniString(kPaths, "DATA4", chosen);
}

void clsCpanel::States0() {
  const std::string chosen = BrowseFolderFor(parent_->strStates0(), "States");
  if (chosen.empty()) return;
  parent_->strStates0(chosen);
  clsIni(context_.ports).SaveIniString(kPaths, "STATES0", chosen);
}

void clsCpanel::EasySetup() {
  std::string data1, data2, data3, data4, states0, states1, overlay, underlay;
  bool mono = false, shade_mcd = false, shade_county = false, shade_place = false,
       shade_state = false, white_background = false, oneway_show = false, high_contrast = false,
       zip_codes = false;
  LoadIni(data1, data2, data3, data4, states0, states1, mono, shade_mcd, shade_county, shade_place,
          shade_state, white_background, oneway_show, high_contrast, zip_codes, overlay, underlay,
          true);
  // The supplementary states folder and the ZIP-code option are not put, and the
  // window's check marks stay as they are.
  parent_->strData1(data1);
  parent_->strData2(data2);
  parent_->strData3(data3);
  parent_->strData4(data4);
  parent_->strStates0(states0);
  parent_->blnMono(mono);
  parent_->blnShadeMcd(shade_mcd);
  parent_->blnShadeCounties(shade_county);
  parent_->blnShadePlaces(shade_place);
  parent_->blnShadeStates(shade_state);
  parent_->blnWhiteBackground(white_background);
  parent_->blnOnewayShow(oneway_show);
  parent_->blnHighContrastRds(high_contrast);
  parent_->strOvlFile(overlay);
  parent_->strUnderFile(underlay);
}

void clsCpanel::AboutCartex() {
  if (events_ != nullptr) events_->AboutCartex();
}

void clsCpanel::ImpMgrDialog() {
  if (events_ != nullptr) events_->ImpMgrDialog();
}

}  // namespace k9
