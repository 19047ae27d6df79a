#include "render/frm_overlay.h"

#include "common/text.h"
#include "render/inf_file.h"

namespace k9 {

frmOverlay::frmOverlay(const Ports& ports, const ServerFolders& folders)
    : ports_(ports), folders_(folders) {}

void frmOverlay::Form_Load() {
  Left = (ports_.system->ScreenWidthTwips() - Width) / 2;
  Top = (ports_.system->ScreenHeightTwips() - Height) / 2;
}

void frmOverlay::Init(std::string& strFile, bool blnOvl) {
  lstOvl.clear();
  if (blnOvl) {
    Caption = "Overlays";
    labPrompt = "Check the overlay file you wish to use";
    folder_ = folders_.overlay_folder;
    if (!folder_.empty()) {
      for (const char* pattern : {"*.OVR", "*.CAD"}) {
        for (std::string& name : ports_.fs->ListFiles(folder_, pattern)) {
          lstOvl.push_back({std::move(name), false});
        }
      }
    }
  } else {
    Caption = "Underlays";
    labPrompt = "Check the underlay you wish to use";
    folder_ = folders_.underlay_folder;
    if (!folder_.empty()) {
      for (const char* pattern : {"*.BMP", "*.PNG", "*.GIF", "*.JPG"}) AddUnderlays(pattern);
    }
  }
  // Checking goes through the item-check rule, so even two names that differ only
  // in case (possible outside Windows) leave a single item checked.
  for (std::size_t i = 0; i < lstOvl.size(); ++i) {
    if (EqualsIgnoreCase(folder_ + lstOvl[i].text, strFile)) {
      lstOvl_ItemCheck(static_cast<int>(i), true);
    }
  }
}

void frmOverlay::AddUnderlays(const std::string& pattern) {
  for (std::string& name : ports_.fs->ListFiles(folder_, pattern)) {
    // An image without its SAT file cannot be placed on the map, so it is not offered.
    if (ports_.fs->FileExists(CompanionPath(folder_ + name, "SAT"))) {
      lstOvl.push_back({std::move(name), false});
    }
  }
}

void frmOverlay::lstOvl_ItemCheck(int index, bool checked) {
  if (index < 0 || static_cast<std::size_t>(index) >= lstOvl.size()) return;
  if (checked) {
    for (ListItem& item : lstOvl) item.checked = false;
  }
  lstOvl[static_cast<std::size_t>(index)].checked = checked;
}

void frmOverlay::cmdOk_Click() {
  for (const ListItem& item : lstOvl) {
    if (item.checked) chosen_ = folder_ + item.text;
  }
  accepted_ = true;
  unloaded_ = true;
}

void frmOverlay::cmdCancel_Click() { unloaded_ = true; }

bool frmOverlay::Help() {
  if (!help_) return false;
  help_(static_cast<std::uint32_t>(kHelpContextId));
  return true;
}

ScriptedOverlayView& DefaultScriptedOverlayView() {
  static ScriptedOverlayView view;
  return view;
}

frmOverlayView& frmOverlayView::Default() { return DefaultScriptedOverlayView(); }

void ScriptedOverlayView::ShowModal(frmOverlay& form, std::intptr_t /*owner*/) {
  shown_.push_back(form.lstOvl);
  std::optional<std::string> answer;
  if (!answers_.empty()) {
    answer = std::move(answers_.front());
    answers_.pop_front();
  }
  if (!answer) {
    form.cmdCancel_Click();
    return;
  }
  for (std::size_t i = 0; i < form.lstOvl.size() && !answer->empty(); ++i) {
    if (EqualsIgnoreCase(form.lstOvl[i].text, *answer)) {
      form.lstOvl_ItemCheck(static_cast<int>(i), true);
      break;
    }
  }
  form.cmdOk_Click();
}

std::optional<std::string> ChooseOverlayFile(const Ports& ports, const ServerFolders& folders,
                                             frmOverlayView& view, const std::string& current,
                                             bool blnOvl, std::intptr_t owner,
                                             frmOverlay::HelpRequest help) {
  frmOverlay form(ports, folders);
  form.SetHelp(std::move(help));
  form.Form_Load();
  std::string file = current;
  form.Init(file, blnOvl);
  view.ShowModal(form, owner);
  if (!form.Accepted()) return std::nullopt;
  return form.strFile();
}

}  // namespace k9
