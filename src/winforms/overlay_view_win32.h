// Win32OverlayView shows the overlay and underlay chooser on a real window: the
// prompt, a list of the files with a check box each, and the "&Ok" and "&Cancel"
// buttons. Checking an item calls lstOvl_ItemCheck and the list then shows the
// model's checks again, so at most one stays checked; Ok and Cancel call their
// handlers; the close box and Escape are Cancel, Enter is Ok, F1 asks the form
// for help. The window is modal to its owner and runs until the form has unloaded.
#pragma once

#include <cstdint>

#include "render/frm_overlay.h"

namespace k9::winforms {

class Win32OverlayView : public frmOverlayView {
 public:
  // The chooser's window class.
  static constexpr char kWindowClass[] = "Kestrel9Chooser";

  void ShowModal(frmOverlay& form, std::intptr_t owner) override;
};

}  // namespace k9::winforms
