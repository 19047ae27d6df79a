#include "settings/cls_cpanel.h"

#include <stdexcept>

#include "common/cls_ini.h"

namespace k9 {

using settings::kPaths;
using settings::kSetup;

clsCpanel::clsCpanel(const CpanelContext& context, Events* events)
    : context_(context), events_(events) {}

clsCpanel::~clsCpanel() = default;

bool clsCpanel::LoadIni(settings::SavedSettings& out, bool setup_request) {
  if (setup_request) {
    // Easy Setup: the folders are whatever the setup finds, nothing from before.
    out.data1 = out.data2 = out.data3 = out.data4 = out.states0 = out.states1 = "";
  }
  clsIni ini(context_.ports);
  return settings::LoadIni(ini, out, setup_request,
                           [this](settings::SavedSettings& found, bool easy) {
                             DataFolders folders{found.data1, found.data2,   found.data3,
                                                 found.data4, found.states0, found.states1};
                             if (!DataPathSetup(context_.ports, *context_.view).Run(easy, folders))
                               return false;
                             found.data1 = folders.data1;
                             found.data2 = folders.data2;
                             found.data3 = folders.data3;
                             found.data4 = folders.data4;
                             found.states0 = folders.states0;
                             found.states1 = folders.states1;
                             return true;
                           });
}

void clsCpanel::LoadIni(std::string& data1, std::string& data2, std::string& data3,
                        std::string& data4, std::string& states0, std::string& states1, bool& mono,
                        bool& shade_mcd, bool& shade_county, bool& shade_place, bool& shade_state,
                        bool& white_background, bool& oneway_show, bool& high_contrast,
                        bool& zip_codes, std::string& overlay, std::string& underlay,
                        bool setup_request) {
  settings::SavedSettings out;
  LoadIni(out, setup_request);
  data1 = out.data1;
  data2 = out.data2;
  data3 = out.data3;
  data4 = out.data4;
  states0 = out.states0;
  states1 = out.states1;
  mono = out.monochrome;
  shade_mcd = out.shade_mcd;
  shade_county = out.shade_county;
  shade_place = out.shade_place;
  shade_state = out.shade_state;
  white_background = out.white_background;
  oneway_show = out.oneway_show;
  high_contrast = out.high_contrast;
  zip_codes = out.show_zipcodes;
  overlay = out.overlay;
  underlay = out.underlay;
}

void clsCpanel::ShowControlPanel() {
  if (parent_ == nullptr) throw std::logic_error("clsCpanel::ShowControlPanel needs a Parent");
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
    SaveSetup(settings::kWhiteBackground, white_background);
    SaveSetup(settings::kHighContrast, high_contrast);
    SaveSetup(settings::kShowZipcodes, zip_codes);
  }

  window_->Unload();
  window_.reset();
}

void clsCpanel::SaveSetup(const char* key, bool value) {
  clsIni(context_.ports).SaveIniString(kSetup, key, value);
}

void clsCpanel::Monochrome(bool checked) {
  parent_->blnMono(checked);
  SaveSetup(settings::kMonochrome, checked);
}

void clsCpanel::ShadeMCD(bool checked) {
  parent_->blnShadeMcd(checked);
  SaveSetup(settings::kShadeMcd, checked);
}

void clsCpanel::ShadeCounties(bool checked) {
  parent_->blnShadeCounties(checked);
  SaveSetup(settings::kShadeCounty, checked);
}

void clsCpanel::ShadePlaces(bool checked) {
  parent_->blnShadePlaces(checked);
  SaveSetup(settings::kShadePlace, checked);
}

void clsCpanel::ShadeStates(bool checked) {
  parent_->blnShadeStates(checked);
  SaveSetup(settings::kShadeState, checked);
}

void clsCpanel::OnewayShow(bool checked) {
  parent_->blnOnewayShow(checked);
  SaveSetup(settings::kOnewayShow, checked);
}

void clsCpanel::ShowZipCodes(bool checked) {
  parent_->blnZipCodes(checked);
  SaveSetup(settings::kShowZipcodes, checked);
}

void clsCpanel::OvlFile(std::string& file) {
  parent_->strOvlFile(file);
  clsIni(context_.ports).SaveIniString(kSetup, settings::kOverlay, file);
}

void clsCpanel::UnderFile(std::string& file) {
  parent_->strUnderFile(file);
  clsIni(context_.ports).SaveIniString(kSetup, settings::kUnderlay, file);
}

std::string clsCpanel::BrowseFolderFor(const std::string& current, const char* label) {
  return DataPathSetup(context_.ports, *context_.view).BrowseDataFolder(current, label);
}

void clsCpanel::Data1() {
  const std::string chosen = BrowseFolderFor(parent_->strData1(), "Data1");
  if (chosen.empty()) return;
  parent_->strData1(chosen);
  clsIni(context_.ports).SaveIniString(kPaths, settings::kData1, chosen);
}

void clsCpanel::Data2() {
  const std::string chosen = BrowseFolderFor(parent_->strData2(), "Data2");
  if (chosen.empty()) return;
  parent_->strData2(chosen);
  clsIni(context_.ports).SaveIniString(kPaths, settings::kData2, chosen);
}

void clsCpanel::Data3() {
  const std::string chosen = BrowseFolderFor(parent_->strData3(), "Data3");
  if (chosen.empty()) return;
  parent_->strData3(chosen);
  clsIni(context_.ports).SaveIniString(kPaths, settings::kData3, chosen);
}

void clsCpanel::Data4() {
  const std::string chosen = BrowseFolderFor(parent_->strData4(), "Data4");
  if (chosen.empty()) return;
  parent_->strData4(chosen);
  clsIni(context_.ports).SaveIniString(kPaths, settings::kData4, chosen);
}

void clsCpanel::States0() {
  const std::string chosen = BrowseFolderFor(parent_->strStates0(), "States");
  if (chosen.empty()) return;
  parent_->strStates0(chosen);
  clsIni(context_.ports).SaveIniString(kPaths, settings::kStates0, chosen);
}

void clsCpanel::EasySetup() {
  settings::SavedSettings found;
  // A setup that did not complete leaves the server's folders alone: emptying
  // them would leave the map without its data until the host starts again.
  if (LoadIni(found, true)) {
    parent_->strData1(found.data1);
    parent_->strData2(found.data2);
    parent_->strData3(found.data3);
    parent_->strData4(found.data4);
    parent_->strStates0(found.states0);
  }
  // The supplementary states folder and the ZIP-code option are not put, and the
  // window's check marks stay as they are.
  parent_->blnMono(found.monochrome);
  parent_->blnShadeMcd(found.shade_mcd);
  parent_->blnShadeCounties(found.shade_county);
  parent_->blnShadePlaces(found.shade_place);
  parent_->blnShadeStates(found.shade_state);
  parent_->blnWhiteBackground(found.white_background);
  parent_->blnOnewayShow(found.oneway_show);
  parent_->blnHighContrastRds(found.high_contrast);
  parent_->strOvlFile(found.overlay);
  parent_->strUnderFile(found.underlay);
}

void clsCpanel::AboutCartex() {
  if (events_ != nullptr) events_->AboutCartex();
}

void clsCpanel::ImpMgrDialog() {
  if (events_ != nullptr) events_->ImpMgrDialog();
}

}  // namespace k9
