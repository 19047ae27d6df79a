// The search dialog on a real window: a modeless top-level window, owned by the
// host's window, with the dialog's controls. Sync shows the form's state; the
// user's clicks and keys reach the form's handlers. The window is made when the
// form first shows itself loaded and goes away with Destroy (the form's Unload)
// or the view. No <windows.h> here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ports.h"
#include "search/frm_search.h"
#include "search/search_view.h"

namespace k9::winforms {

class Win32SearchView : public SearchView {
 public:
  // Control identifiers, for finding the controls with GetDlgItem. The option
  // buttons are kOptTypeId + index. None is IDOK or IDCANCEL, which the dialog
  // manager sends for Enter and Esc.
  enum ControlId : int {
    kLabel1Id = 100,
    kFrame1Id,
    kLabPromptId,
    kTxtFindId,
    kCmdFindId,
    kLstFindId,
    kCmdOkId,
    kResultLblId,
    kCmdCancelId,
    kOptTypeId = 120,
  };
  static constexpr char kWindowClass[] = "Kestrel9SearchDialog";
  static constexpr char kHelpLine[] = "Press F1 for help";
  static constexpr char kFrameCaption[] = "Search type";

  // `ports` opens the help file on F1.
  explicit Win32SearchView(const Ports& ports);
  ~Win32SearchView() override;

  void Attach(frmSearch& form) override;
  void Sync(const frmSearch& form) override;
  void Destroy() override;
  std::intptr_t hWnd() const override;

  // Handle of control `id` (0 when the window does not exist).
  std::intptr_t Control(int id) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Makes one Win32SearchView per search dialog.
SearchViewFactory Win32SearchViewFactory(const Ports& ports);

}  // namespace k9::winforms
