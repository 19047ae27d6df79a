// frmAbout is the control panel's About box: the component's title and version,
// a button that opens the map engine's own About box, and an OK button. Its owner
// decides before showing it whether the engine button is usable.
#pragma once

#include <cstdint>
#include <string>

#include "server/component.h"
#include "settings/form_view.h"

namespace k9 {

class frmCpanel;

class frmAbout : public ViewableForm {
 public:
  class Events {
   public:
    virtual ~Events() = default;
    // The engine's About button was pressed.
    virtual void AboutCartex() {}
  };

  static constexpr char kCaption[] = "About Kestrel9";
  static constexpr char kVersion[] = "Version 1.0";
  static constexpr char kEngineButton[] = "cmdAboutCartex";
  static constexpr char kOkButton[] = "cmdOK";
  static constexpr char kEngineButtonCaption[] = "About the &Map Engine...";
  static constexpr char kOkButtonCaption[] = "OK";

  // `events` may be nullptr and is not owned.
  frmAbout(FormView& view, Events* events) : view_(view), events_(events) {}
  frmAbout(const frmAbout&) = delete;
  frmAbout& operator=(const frmAbout&) = delete;
  ~frmAbout() override;

  // The window the box belongs to (set before it is shown).
  void Parent(frmCpanel* parent) { parent_ = parent; }
  frmCpanel* Parent() const { return parent_; }

  // The engine's About button.
  bool cmdAboutCartexEnabled() const { return engine_button_enabled_; }
  void cmdAboutCartexEnabled(bool enabled) { engine_button_enabled_ = enabled; }

  std::string Caption() const override { return kCaption; }
  std::string lblVersion() const { return kVersion; }

  // Shows the box modally; returns when OK (or the system close) hid it.
  void Show();
  void Unload();

  // ViewableForm.
  std::string FormName() const override { return "frmAbout"; }
  bool Visible() const override { return visible_; }
  ClickResult Click(std::string_view control) override;
  void SystemClose() override { visible_ = false; }
  // The title and version labels, then OK and the engine's About button.
  std::vector<FormControl> Controls() const override;

 private:
  FormView& view_;
  Events* events_;
  frmCpanel* parent_ = nullptr;
  bool engine_button_enabled_ = true;
  bool loaded_ = false;
  bool visible_ = false;
};

}  // namespace k9
