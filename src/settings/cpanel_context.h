// What the control panel needs from outside itself: the platform ports, the view
// that puts its windows on screen, and the two tools of the overlays part that
// its Underlays and Overlays menus open. The server object fills one of these
// when it creates a controller.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/ports.h"
#include "settings/form_view.h"

namespace k9 {

class frmCpanel;

// The overlay and underlay chooser: opens a new chooser dialog filled for
// `current_file` (overlay mode when `overlay` is true, underlay mode otherwise),
// shows it modally, unloads it and returns its strFile: the file the user chose,
// or "" when the user pressed OK with none checked; nullopt when the user
// cancelled. F1 in the chooser calls `help` with the chooser's help context
// number, so its help opens in the panel's file.
class OverlayChooser {
 public:
  using ContextHelp = std::function<void(std::uint32_t context)>;

  virtual ~OverlayChooser() = default;
  virtual std::optional<std::string> Choose(const std::string& current_file, bool overlay,
                                            const ContextHelp& help) = 0;
};

// The underlay maker, run from the control panel window that owns its dialogs.
class UnderlayMaker {
 public:
  virtual ~UnderlayMaker() = default;
  virtual void MakeUnderlay(frmCpanel& window) = 0;
};

struct CpanelContext {
  Ports ports = Ports::Default();
  FormView* view = &FormView::Default();
  // Not owned; while one is missing its menu items do nothing.
  OverlayChooser* overlay_chooser = nullptr;
  UnderlayMaker* underlay_maker = nullptr;
};

}  // namespace k9
