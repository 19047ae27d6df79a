// Plugs the overlays and underlays into the server object and its control panel:
// the map layers part that the paint step, Initialize and the special options
// call, and the two tools the control panel's Overlays and Underlays menus open
// (the chooser and the underlay maker).
#pragma once

#include "render/frm_overlay.h"
#include "server/server_parts.h"
#include "settings/control_panel_part.h"

namespace k9 {

// Sets parts.layers and the chooser and maker of `tools`. The chooser is shown
// on `view`, which must outlive every server made with these parts.
void AddOverlayParts(ServerParts& parts, ControlPanelTools& tools,
                     frmOverlayView& view = frmOverlayView::Default());

}  // namespace k9
