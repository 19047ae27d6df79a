// FormView is the port that puts a form on screen. A form of the system is a
// model: its caption, menu items and buttons with their check marks and enabled
// state are plain data, and its event handlers are member functions. The view
// only shows that model and turns the user's actions into calls of Click and
// SystemClose; it holds no state of the form.
//
// Modal display: the form marks itself visible and calls ShowModal, which returns
// once the form is no longer visible (its own code hid it, or a system close did).
// Handlers run inside ShowModal, on the caller's thread, and may show further
// forms modally from there.
//
// HeadlessFormView is the view for tests and the stand-in host: it plays a queue
// of steps (control names) against whatever form is showing, so a script can open
// the control panel, pick menu items in order, press buttons in the About box and
// leave. A step that names no control of the showing form closes that form and is
// left for the form below it; with no steps left the showing form is closed by a
// system close. A modal display therefore never waits for input that cannot come.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace k9 {

// One control of a form as a view shows it: a menu entry, a button or a label.
struct FormControl {
  enum class Kind { kSubmenu, kCommand, kCheck, kSeparator, kButton, kLabel };

  std::string name;
  std::string caption;  // "&" marks the access key
  Kind kind = Kind::kCommand;
  int parent = -1;  // menu entries: index of the submenu holding it, -1 on the menu bar
  bool checked = false;
  bool enabled = true;
};

// Where a form wants its window, in twips. A client size, where given, sizes the
// inside of the window and the outer size is only what the form expects it to
// come to; with no size at all the view fits the window to its controls and
// centres it on its owner.
struct FormPlacement {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int client_width = 0;
  int client_height = 0;
};

// What a view can do with a form.
class ViewableForm {
 public:
  enum class ClickResult { kDone, kNoSuchControl, kDisabled };

  virtual ~ViewableForm() = default;
  virtual std::string FormName() const = 0;
  virtual bool Visible() const = 0;
  virtual std::string Caption() const { return ""; }
  // The controls in display order, with their current state; a view reads them
  // again after every click, since handlers change check marks and captions.
  virtual std::vector<FormControl> Controls() const { return {}; }
  virtual FormPlacement Placement() const { return {}; }
  // The name of the bitmap resource the window shows as its picture, drawn from
  // the client area's top-left corner; "" for none. A view that cannot find it
  // leaves the background plain.
  virtual std::string Picture() const { return ""; }
  // The user asked for help (F1); false when the form has none.
  virtual bool Help() { return false; }
  // Does what the user's choice of the named menu item or button does. A disabled
  // control (or one inside a disabled menu) cannot be chosen and does nothing.
  virtual ClickResult Click(std::string_view control) = 0;
  // The window's system close command (the title bar's close button).
  virtual void SystemClose() = 0;
};

class FormView {
 public:
  FormView() = default;
  FormView(const FormView&) = delete;
  FormView& operator=(const FormView&) = delete;
  virtual ~FormView();

  // The view forms use unless they are given another: the process's headless
  // view. A platform with real windows installs its own with SetDefault.
  static FormView& Default();
  static void SetDefault(FormView* view);  // nullptr restores the headless view

  // Creates the form's window, hidden, and returns its handle (0 where forms
  // have no window of their own).
  virtual std::intptr_t Load(ViewableForm& form) = 0;
  // Shows the loaded form modally, owned by no window; returns once it is hidden.
  virtual void ShowModal(ViewableForm& form) = 0;
  // Destroys the form's window. Safe for a form that was never loaded.
  virtual void Unload(ViewableForm& form) = 0;
};

class HeadlessFormView : public FormView {
 public:
  // A report of a step that could not be played ("frmCpanel: mnuData1 is disabled").
  using ReportSink = std::function<void(const std::string&)>;

  // The step name that closes the showing form by its system close command.
  static constexpr std::string_view kCloseStep = "close";

  void Queue(std::string step) { steps_.push_back(std::move(step)); }
  void ClearSteps() { steps_.clear(); }
  const std::deque<std::string>& steps() const { return steps_; }
  void SetReportSink(ReportSink sink) { report_ = std::move(sink); }

  std::intptr_t Load(ViewableForm& form) override;
  void ShowModal(ViewableForm& form) override;
  void Unload(ViewableForm& form) override;

 private:
  void Report(const std::string& text);

  std::deque<std::string> steps_;
  ReportSink report_;
  int depth_ = 0;  // modal displays running, for telling an outer form's step from a bad one
};

// The process's headless view; the stand-in host queues its steps here.
HeadlessFormView& DefaultHeadlessFormView();

}  // namespace k9
