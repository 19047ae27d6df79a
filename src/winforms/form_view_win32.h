// Win32FormView puts the server's forms (the control panel, its About box) on
// real windows. It reads everything it shows from the form model: the caption,
// the menu bar (submenus, separators, check marks, disabled entries), labels and
// buttons, the placement, and the background picture (a bitmap resource of the
// module holding this code; plain background when the module has none). A menu
// choice or button press becomes form.Click(name), the close box
// form.SystemClose(), F1 form.Help(); after every click the window is refreshed
// from the model, since handlers change it.
//
// Threading: every call comes from the thread that owns the windows (the COM
// apartment's thread); ShowModal runs that thread's message loop until the form
// hides, and handlers may open further forms modally from inside it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "settings/form_view.h"

namespace k9::winforms {

namespace detail {
struct FormWindow;
}  // namespace detail

class Win32FormView : public FormView {
 public:
  // The window class of every form window.
  static constexpr char kWindowClass[] = "Kestrel9Form";

  Win32FormView();
  ~Win32FormView() override;  // destroys the windows of forms still loaded

  // Creates the window hidden, owned by the form showing modally on this view
  // (else the thread's active window). Loading a loaded form returns its window.
  std::intptr_t Load(ViewableForm& form) override;
  // Loads the form if needed, places and shows the window, disables the owner
  // and the thread's other windows, and runs the message loop until the form is
  // no longer visible; then hides the window.
  void ShowModal(ViewableForm& form) override;
  void Unload(ViewableForm& form) override;

  // The form's window, 0 when it has none.
  std::intptr_t WindowOf(const ViewableForm& form) const;

 private:
  std::map<const ViewableForm*, std::unique_ptr<detail::FormWindow>> windows_;
  std::vector<void*> showing_;  // windows in modal display, innermost last
};

}  // namespace k9::winforms
