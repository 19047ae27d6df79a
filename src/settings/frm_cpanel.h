// frmCpanel is the control panel window. Its whole user interface is its menu bar;
// it keeps the menu check marks and the current overlay and underlay file, and
// hands every choice to its controller as an event. Besides that it opens the
// overlay and underlay chooser, the underlay maker, the About box and the help.
//
// The window is created, preset, shown modally and unloaded by the controller.
// Exit and the system close command both only hide it, so its check marks still
// hold the user's choices when the controller reads them after the display.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/cpanel_context.h"
#include "settings/frm_about.h"
#include "settings/help_routines.h"

namespace k9 {

enum class MenuKind { kSubmenu, kCommand, kCheck, kSeparator };

struct MenuItem {
  std::string name;
  std::string caption;
  MenuKind kind;
  int parent;  // index of the submenu it belongs to, -1 on the menu bar
  bool checked = false;
  bool enabled = true;
};

class frmCpanel : public ViewableForm, private frmAbout::Events {
 public:
  // Events raised to the controller. A Boolean argument is the item's new check state.
  class Events {
   public:
    virtual ~Events() = default;
    virtual void EasySetup() {}
    virtual void Data1() {}
    virtual void Data2() {}
    virtual void Data3() {}
    virtual void Data4() {}
    virtual void States0() {}
    virtual void Monochrome(bool /*checked*/) {}
    virtual void AboutCartex() {}
    virtual void ImpMgrDialog() {}
    virtual void ShowZipCodes(bool /*checked*/) {}
    virtual void ShadeCounties(bool /*checked*/) {}
    virtual void ShadeMCD(bool /*checked*/) {}
    virtual void ShadePlaces(bool /*checked*/) {}
    virtual void ShadeStates(bool /*checked*/) {}
    virtual void OnewayShow(bool /*checked*/) {}
    virtual void OvlFile(std::string& /*file*/) {}
    virtual void UnderFile(std::string& /*file*/) {}
  };

  static constexpr char kCaption[] = "Kestrel9 Control Panel";
  static constexpr std::uint32_t kHelpContextId = 30;
  // The client area fits the 300 x 169 pixel background picture; the window adds
  // its frame, title bar and menu bar.
  static constexpr int kClientWidthTwips = 300 * kTwipsPerPixel;
  static constexpr int kClientHeightTwips = 169 * kTwipsPerPixel;
  // The background picture's bitmap resource in the server library.
  static constexpr char kPictureResource[] = "CPANEL";
  static constexpr int kWidthTwips = kClientWidthTwips + 8 * kTwipsPerPixel;
  static constexpr int kHeightTwips = kClientHeightTwips + (8 + 23 + 20) * kTwipsPerPixel;

  // `events` may be nullptr and is not owned.
  explicit frmCpanel(const CpanelContext& context = CpanelContext(), Events* events = nullptr);
  frmCpanel(const frmCpanel&) = delete;
  frmCpanel& operator=(const frmCpanel&) = delete;
  ~frmCpanel() override;

  // Loads the window: sets up help with the window as owner and centres it on
  // the screen. Does nothing when already loaded.
  void Load();
  // Shows the window modally; returns when it has been hidden.
  void Show();
  void Hide() { visible_ = false; }
  // Closes the help viewer and destroys the window. Safe when not loaded.
  void Unload();
  bool Loaded() const { return loaded_; }

  std::string Caption() const override { return kCaption; }
  std::uint32_t HelpContextID() const { return kHelpContextId; }
  std::intptr_t hWnd() const { return hwnd_; }
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return kWidthTwips; }
  int Height() const { return kHeightTwips; }

  // Check-mark properties (set only).
  void blnMono(bool value) { Menu("mnuMonochromeMaps").checked = value; }
  void blnShadeCounties(bool value) { Menu("mnuShadeCounties").checked = value; }
  void blnShadeMcd(bool value) { Menu("mnuShadeMCD").checked = value; }
  void blnShadePlaces(bool value) { Menu("mnuShadePlaces").checked = value; }
  void blnOnewayShow(bool value) { Menu("mnuShowOneway").checked = value; }
  void blnShadeStates(bool value) { Menu("mnuShadeStates").checked = value; }
  void blnWhiteBackground(bool value) { Menu("mnuWhiteBackground").checked = value; }
  void blnHighContrastRds(bool value) { Menu("mnuHighContrastRds").checked = value; }
  void blnZipCodes(bool value) { Menu("mnuZipCodes").checked = value; }

  // The current overlay and underlay file, where the chooser starts.
  void strOvlFile(const std::string& file) { ovl_file_ = file; }
  void strUnderFile(const std::string& file) { under_file_ = file; }
  const std::string& stored_ovl_file() const { return ovl_file_; }
  const std::string& stored_under_file() const { return under_file_; }

  // The menu tree in display order.
  const std::vector<MenuItem>& Menus() const { return menus_; }
  // The item of that name; throws std::out_of_range for a name the window lacks.
  MenuItem& Menu(std::string_view name);
  const MenuItem& Menu(std::string_view name) const;

  // ViewableForm.
  std::string FormName() const override { return "frmCpanel"; }
  bool Visible() const override { return visible_; }
  ClickResult Click(std::string_view control) override;
  void SystemClose() override { Hide(); }
  std::vector<FormControl> Controls() const override;
  FormPlacement Placement() const override {
    return {left_, top_, Width(), Height(), kClientWidthTwips, kClientHeightTwips};
  }
  std::string Picture() const override { return kPictureResource; }
  // F1 opens the help file where the Help entry does.
  bool Help() override;

 private:
  std::optional<std::size_t> Find(std::string_view name) const;
  bool Usable(std::size_t index) const;
  bool Toggle(std::string_view name);
  void ShowAbout();
  // Help for the chooser the panel opens: the panel's own help file and owner.
  OverlayChooser::ContextHelp ChooserHelp();

  // frmAbout::Events.
  void AboutCartex() override;

  CpanelContext context_;
  Events* events_;
  HelpRoutines help_;
  std::vector<MenuItem> menus_;
  std::string ovl_file_;
  std::string under_file_;
  std::intptr_t hwnd_ = 0;
  int left_ = 0;
  int top_ = 0;
  bool loaded_ = false;
  bool visible_ = false;
};

}  // namespace k9
