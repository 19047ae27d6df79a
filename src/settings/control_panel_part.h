// The control panel as a part of the server: the ControlPanelFactory that the
// module creating clsMapServ puts into ServerParts, so that the server's start-up
// load and its ShowControlPanel run clsCpanel, and the help context number the
// server reports for the panel window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "server/server_parts.h"
#include "settings/cpanel_context.h"

namespace k9 {

// What the panel opens besides its own windows. Each tool is made for the server
// whose panel opens it, when the panel is shown; a missing one leaves its menu
// item doing nothing.
struct ControlPanelTools {
  FormView* view = nullptr;  // nullptr: FormView::Default()
  std::function<std::unique_ptr<OverlayChooser>(clsMapServ& server)> overlay_chooser;
  std::function<std::unique_ptr<UnderlayMaker>(clsMapServ& server)> underlay_maker;
};

ControlPanelFactory MakeControlPanelFactory(ControlPanelTools tools = {});

// The help context number of the control panel window, read from a window made
// for the purpose.
std::int32_t ControlPanelHelpContext();

// Fills the control panel members of `parts`.
void AddControlPanel(ServerParts& parts, ControlPanelTools tools = {});

}  // namespace k9
