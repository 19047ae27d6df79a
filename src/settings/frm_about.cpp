#include "settings/frm_about.h"

namespace k9 {

frmAbout::~frmAbout() { Unload(); }

void frmAbout::Show() {
  if (!loaded_) {
    view_.Load(*this);
    loaded_ = true;
  }
  visible_ = true;
  view_.ShowModal(*this);
  visible_ = false;
}

void frmAbout::Unload() {
  if (!loaded_) return;
  loaded_ = false;
  visible_ = false;
  view_.Unload(*this);
}

std::vector<FormControl> frmAbout::Controls() const {
  using Kind = FormControl::Kind;
  return {
      {"lblTitle", kComponentTitle, Kind::kLabel},
      {"lblVersion", kVersion, Kind::kLabel},
      {kOkButton, kOkButtonCaption, Kind::kButton},
      {kEngineButton, kEngineButtonCaption, Kind::kButton, -1, false, engine_button_enabled_},
  };
}

ViewableForm::ClickResult frmAbout::Click(std::string_view control) {
  if (control == kEngineButton) {
    if (!engine_button_enabled_) return ClickResult::kDisabled;
    if (events_ != nullptr) events_->AboutCartex();
    return ClickResult::kDone;
  }
  if (control == kOkButton) {
    visible_ = false;
    return ClickResult::kDone;
  }
  return ClickResult::kNoSuchControl;
}

}  // namespace k9
