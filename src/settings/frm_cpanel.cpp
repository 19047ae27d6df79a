#include "settings/frm_cpanel.h"

#include <stdexcept>

namespace k9 {

namespace {

struct MenuDesign {
  const char* name;
  const char* caption;
  MenuKind kind;
  int level;
};

// The menu bar in display order; the level gives the nesting.
constexpr MenuDesign kMenuDesign[] = {
    {"mnuOptions", "&Options", MenuKind::kSubmenu, 0},
    {"mnuDataPaths", "&Stratomap Data Paths", MenuKind::kSubmenu, 1},
    {"mnuEasySetup", "&Easy Setup", MenuKind::kCommand, 2},
    {"mnuData1", "Data&1", MenuKind::kCommand, 2},
    {"mnuData2", "Data&2", MenuKind::kCommand, 2},
    {"mnuData3", "Data&3", MenuKind::kCommand, 2},
    {"mnuData4", "Data&4", MenuKind::kCommand, 2},
    {"mnuStates", "&States", MenuKind::kCommand, 2},
    {"mnuBar1", "-", MenuKind::kSeparator, 1},
    {"mnuMonochromeMaps", "&Monochrome Maps", MenuKind::kCheck, 1},
    {"mnuWhiteBackground", "&White Background", MenuKind::kCheck, 1},
    {"mnuShowOneway", "Show &Oneway", MenuKind::kCheck, 1},
    {"mnuHighContrastRds", "Show &High Contrast Rds.", MenuKind::kCheck, 1},
    {"mnuZipCodes", "Show &Zip Codes", MenuKind::kCheck, 1},
    {"mnuBar2", "-", MenuKind::kSeparator, 1},
    {"mnuShadeMCD", "Shade MC&Ds", MenuKind::kCheck, 1},
    {"mnuShadePlaces", "Shade P&laces", MenuKind::kCheck, 1},
    {"mnuShadeCounties", "Shade &Counties", MenuKind::kCheck, 1},
    {"mnuShadeStates", "Shade &States", MenuKind::kCheck, 1},
    {"mnuOverlays", "O&verlays", MenuKind::kSubmenu, 0},
    {"mnuClearOverlay", "&Clear Overlay", MenuKind::kCommand, 1},
    {"mnuLoadOverlay", "&Load Overlay", MenuKind::kCommand, 1},
    {"mnuUnderlays", "&Underlays", MenuKind::kSubmenu, 0},
    {"mnuClearUnderlay", "&Clear Underlay", MenuKind::kCommand, 1},
    {"mnuUnderlayLoad", "&Load Underlay", MenuKind::kCommand, 1},
    {"mnuUnderlayMake", "&Make Underlay", MenuKind::kCommand, 1},
    {"mnuImpMgr", "&Import Mgr", MenuKind::kCommand, 0},
    {"mnuAbout", "&About", MenuKind::kCommand, 0},
    {"mnuHelp", "&Help", MenuKind::kCommand, 0},
    {"mnuExit", "E&xit", MenuKind::kCommand, 0},
};

}  // namespace

frmCpanel::frmCpanel(const CpanelContext& context, Events* events)
    : context_(context), events_(events), help_(context.ports) {
  std::vector<int> open_submenu;  // index of the open submenu per level
  for (const MenuDesign& design : kMenuDesign) {
    open_submenu.resize(static_cast<std::size_t>(design.level));
    const int parent = design.level == 0 ? -1 : open_submenu.back();
    menus_.push_back(MenuItem{design.name, design.caption, design.kind, parent});
    if (design.kind == MenuKind::kSubmenu)
      open_submenu.push_back(static_cast<int>(menus_.size() - 1));
  }
}

frmCpanel::~frmCpanel() { Unload(); }

std::optional<std::size_t> frmCpanel::Find(std::string_view name) const {
  for (std::size_t i = 0; i < menus_.size(); ++i) {
    if (menus_[i].name == name) return i;
  }
  return std::nullopt;
}

MenuItem& frmCpanel::Menu(std::string_view name) {
  const auto index = Find(name);
  if (!index) throw std::out_of_range("frmCpanel has no menu item " + std::string(name));
  return menus_[*index];
}

const MenuItem& frmCpanel::Menu(std::string_view name) const {
  return const_cast<frmCpanel*>(this)->Menu(name);
}

void frmCpanel::Load() {
  if (loaded_) return;
  hwnd_ = context_.view->Load(*this);
  loaded_ = true;
  help_.HelpInit(hwnd_);
  left_ = (context_.ports.system->ScreenWidthTwips() - Width()) / 2;
  top_ = (context_.ports.system->ScreenHeightTwips() - Height()) / 2;
}

void frmCpanel::Show() {
  Load();
  visible_ = true;
  context_.view->ShowModal(*this);
  visible_ = false;
}

void frmCpanel::Unload() {
  if (!loaded_) return;
  help_.HelpQuit();
  loaded_ = false;
  visible_ = false;
  context_.view->Unload(*this);
  hwnd_ = 0;
}

bool frmCpanel::Usable(std::size_t index) const {
  for (int i = static_cast<int>(index); i >= 0; i = menus_[static_cast<std::size_t>(i)].parent) {
    if (!menus_[static_cast<std::size_t>(i)].enabled) return false;
  }
  return true;
}

bool frmCpanel::Toggle(std::string_view name) {
  MenuItem& item = Menu(name);
  item.checked = !item.checked;
  return item.checked;
}

ViewableForm::ClickResult frmCpanel::Click(std::string_view control) {
  const auto index = Find(control);
  if (!index) return ClickResult::kNoSuchControl;
  if (!Usable(*index)) return ClickResult::kDisabled;

  // Without a controller the window still toggles its own check marks.
  Events none;
  Events& raise = events_ != nullptr ? *events_ : none;

  if (control == "mnuEasySetup") {
    raise.EasySetup();
  } else if (control == "mnuData1") {
    raise.Data1();
  } else if (control == "mnuData2") {
    raise.Data2();
  } else if (control == "mnuData3") {
    raise.Data3();
  } else if (control == "mnuData4") {
    raise.Data4();
  } else if (control == "mnuStates") {
    raise.States0();
  } else if (control == "mnuMonochromeMaps") {
    raise.Monochrome(Toggle(control));
  } else if (control == "mnuWhiteBackground" || control == "mnuHighContrastRds") {
    // Applied by the controller when the window closes.
    Toggle(control);
  } else if (control == "mnuShowOneway") {
    raise.OnewayShow(Toggle(control));
  } else if (control == "mnuZipCodes") {
    raise.ShowZipCodes(Toggle(control));
  } else if (control == "mnuShadeMCD") {
    raise.ShadeMCD(Toggle(control));
  } else if (control == "mnuShadePlaces") {
    raise.ShadePlaces(Toggle(control));
  } else if (control == "mnuShadeCounties") {
    raise.ShadeCounties(Toggle(control));
  } else if (control == "mnuShadeStates") {
    raise.ShadeStates(Toggle(control));
  } else if (control == "mnuClearOverlay") {
    // The stored file stays: a later Load Overlay starts at it.
    std::string none_file;
    raise.OvlFile(none_file);
  } else if (control == "mnuLoadOverlay") {
    // A cancelled chooser changes nothing: Clear Overlay is there for clearing.
    if (context_.overlay_chooser != nullptr) {
      if (auto chosen = context_.overlay_chooser->Choose(ovl_file_, true, ChooserHelp())) {
        ovl_file_ = *chosen;
        std::string file = ovl_file_;
        raise.OvlFile(file);
      }
    }
  } else if (control == "mnuClearUnderlay") {
    std::string none_file;
    raise.UnderFile(none_file);
  } else if (control == "mnuUnderlayLoad") {
    if (context_.overlay_chooser != nullptr) {
      if (auto chosen = context_.overlay_chooser->Choose(under_file_, false, ChooserHelp())) {
        under_file_ = *chosen;
        std::string file = under_file_;
        raise.UnderFile(file);
      }
    }
  } else if (control == "mnuUnderlayMake") {
    if (context_.underlay_maker != nullptr) context_.underlay_maker->MakeUnderlay(*this);
  } else if (control == "mnuImpMgr") {
    raise.ImpMgrDialog();
  } else if (control == "mnuAbout") {
    ShowAbout();
  } else if (control == "mnuHelp") {
    help_.ShowHelpContext(kHelpContextId);
  } else if (control == "mnuExit") {
    Hide();
  }
  // Submenus and separators do nothing of their own.
  return ClickResult::kDone;
}

std::vector<FormControl> frmCpanel::Controls() const {
  std::vector<FormControl> controls;
  controls.reserve(menus_.size());
  for (const MenuItem& item : menus_) {
    FormControl::Kind kind = FormControl::Kind::kCommand;
    switch (item.kind) {
      case MenuKind::kSubmenu:
        kind = FormControl::Kind::kSubmenu;
        break;
      case MenuKind::kCommand:
        kind = FormControl::Kind::kCommand;
        break;
      case MenuKind::kCheck:
        kind = FormControl::Kind::kCheck;
        break;
      case MenuKind::kSeparator:
        kind = FormControl::Kind::kSeparator;
        break;
    }
    controls.push_back({item.name, item.caption, kind, item.parent, item.checked, item.enabled});
  }
  return controls;
}

OverlayChooser::ContextHelp frmCpanel::ChooserHelp() {
  return [this](std::uint32_t context) { help_.ShowHelpContext(context); };
}

bool frmCpanel::Help() {
  help_.ShowHelpContext(kHelpContextId);
  return true;
}

void frmCpanel::ShowAbout() {
  frmAbout about(*context_.view, this);
  about.Parent(this);
  about.cmdAboutCartexEnabled(Menu("mnuOptions").enabled);
  about.Show();
  about.Unload();
}

void frmCpanel::AboutCartex() {
  if (events_ != nullptr) events_->AboutCartex();
}

}  // namespace k9
