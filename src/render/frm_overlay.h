// frmOverlay is the chooser in which the user picks one overlay file from the
// overlays folder, or one underlay image from the underlays folder. It is a form
// model: its controls are plain data, its event handlers are member functions, and
// a view (frmOverlayView) puts it on screen and calls the handlers as the user acts.
//
// Use: a new form for each choice; Init fills it, the view shows it modally, and
// strFile then holds the chosen full path. OK with nothing checked chooses ""
// (no file), which the control panel applies like any other choice; Cancel
// chooses nothing, and the caller keeps the file it had.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ports.h"
#include "server/server_folders.h"

namespace k9 {

class frmOverlay {
 public:
  static constexpr int kHelpContextId = 70;
  // Opens help at a context number; the chooser's owner decides which file.
  using HelpRequest = std::function<void(std::uint32_t context)>;
  // Design size of the window, in twips.
  static constexpr int kDesignWidthTwips = 4680;
  static constexpr int kDesignHeightTwips = 4440;

  // One entry of lstOvl: a bare file name and its check box.
  struct ListItem {
    std::string text;
    bool checked = false;
  };

  // Reads the two folders from `folders`, which must outlive the form.
  frmOverlay(const Ports& ports, const ServerFolders& folders);
  frmOverlay(const frmOverlay&) = delete;
  frmOverlay& operator=(const frmOverlay&) = delete;

  // Centres the window on the screen.
  void Form_Load();

  // Fills the form for overlays (`blnOvl` true) or underlays, and checks the item
  // whose full path equals `strFile` without regard to case.
  void Init(std::string& strFile, bool blnOvl);

  // The full path the user chose; "" until OK ran with an item checked.
  const std::string& strFile() const { return chosen_; }
  // True once OK has closed the form; false after Cancel or before either.
  bool Accepted() const { return accepted_; }

  // The user checked or unchecked item `index` (0-based). Checking one item
  // unchecks every other, so at most one is ever checked. Out-of-range indices
  // are ignored.
  void lstOvl_ItemCheck(int index, bool checked);
  void cmdOk_Click();
  void cmdCancel_Click();
  // What F1 does: asks for help at kHelpContextId. False when the form was
  // given no way to open help.
  bool Help();
  void SetHelp(HelpRequest help) { help_ = std::move(help); }

  // Controls and window state, as the view shows them.
  std::string Caption;
  std::string labPrompt;
  std::vector<ListItem> lstOvl;
  static constexpr char kOkCaption[] = "&Ok";
  static constexpr char kCancelCaption[] = "&Cancel";
  int Left = 0;
  int Top = 0;
  int Width = kDesignWidthTwips;
  int Height = kDesignHeightTwips;
  // True once OK or Cancel has unloaded the form.
  bool unloaded() const { return unloaded_; }

 private:
  void AddUnderlays(const std::string& pattern);

  Ports ports_;
  const ServerFolders& folders_;
  std::string folder_;
  std::string chosen_;
  bool accepted_ = false;
  bool unloaded_ = false;
  HelpRequest help_;
};

// Puts a frmOverlay on screen modally and runs it until it unloads. A user who
// closes the window without a button gets the Cancel result.
class frmOverlayView {
 public:
  frmOverlayView() = default;
  frmOverlayView(const frmOverlayView&) = delete;
  frmOverlayView& operator=(const frmOverlayView&) = delete;
  virtual ~frmOverlayView() = default;

  virtual void ShowModal(frmOverlay& form, std::intptr_t owner) = 0;

  // The view the product uses: the scripted one below (it answers from its queue).
  static frmOverlayView& Default();
};

// Answers each showing from a queue filled beforehand, as a script or test would
// act: an item name checks that item and presses OK, "" presses OK with the
// checks as Init left them, nullopt (and an empty queue) presses Cancel.
class ScriptedOverlayView : public frmOverlayView {
 public:
  void QueueAnswer(std::optional<std::string> answer) { answers_.push_back(std::move(answer)); }
  void ShowModal(frmOverlay& form, std::intptr_t owner) override;
  // The items of the forms shown so far, newest last.
  const std::vector<std::vector<frmOverlay::ListItem>>& shown() const { return shown_; }

 private:
  std::deque<std::optional<std::string>> answers_;
  std::vector<std::vector<frmOverlay::ListItem>> shown_;
};

// The scripted view behind frmOverlayView::Default(), for hosts and scripts that
// queue the user's answers.
ScriptedOverlayView& DefaultScriptedOverlayView();

// What the control panel's "Load overlay" and "Load underlay" entries do: a new
// chooser, filled with `current`, shown modally on `view` and read. Returns the
// new choice ("" clears it), or nullopt when the user cancelled. F1 in the
// chooser calls `help`, when given.
std::optional<std::string> ChooseOverlayFile(const Ports& ports, const ServerFolders& folders,
                                             frmOverlayView& view, const std::string& current,
                                             bool blnOvl, std::intptr_t owner,
                                             frmOverlay::HelpRequest help = {});

}  // namespace k9
