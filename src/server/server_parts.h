// ServerParts bundles the parts of the server that clsMapServ creates or calls but
// that are built on their own: the control panel controller, the search dialog and
// search routine, and the overlay, underlay and mile-marker steps of the paint.
// The module that creates clsMapServ fills it in; tests fill in fakes. Every member
// may be left empty: the server then does without that part (see each member).
//
// The parts reach the server's state through the clsMapServ reference they are
// handed; its "for the server's own parts" section lists what they may use.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/ports.h"
#include "server/host_port.h"
#include "server/search_port.h"
#include "settings/settings_file.h"

namespace k9 {

class clsMapServ;

// Events the control panel controller raises into the server, while its
// ShowControlPanel runs.
class ControlPanelEvents {
 public:
  virtual ~ControlPanelEvents() = default;
  virtual void AboutCartex() = 0;
  virtual void ImpMgrDialog() = 0;
};

// The control panel controller (clsCpanel) as the server uses it. The server makes
// one for the start-up load (LoadIni only) and one for each ShowControlPanel call,
// and drops each when done.
class ControlPanel {
 public:
  virtual ~ControlPanel() = default;
  // Reads every setting into `out` (outputs 1 to 17 of LoadIni), running the data
  // path setup when the folders are not configured or `setup_request` is true.
  virtual void LoadIni(settings::SavedSettings& out, bool setup_request) = 0;
  // The server whose property puts the panel calls. Set before ShowControlPanel.
  virtual void Parent(clsMapServ* server) = 0;
  // Shows the panel modally; returns when the user has closed it.
  virtual void ShowControlPanel() = 0;
};

// Makes a controller whose events go to `events` (not owned, outlives it).
using ControlPanelFactory =
    std::function<std::unique_ptr<ControlPanel>(ControlPanelEvents& events, const Ports& ports)>;

// The overlay, underlay and mile-marker steps that run inside the server's own
// routines. Each is called with the server it works for.
class MapLayers {
 public:
  virtual ~MapLayers() = default;
  // Step 10 of Initialize: prepare the engine settings file for the current
  // overlay and underlay, before the engine loads it.
  virtual void PrepareEngineSettingsFile(clsMapServ& server) = 0;
  // Step 2 of the paint step: give the engine the current overlay, then the
  // current underlay. A throw skips the step and the paint goes on.
  virtual void ApplyOverlay(clsMapServ& server) = 0;
  virtual void ApplyUnderlay(clsMapServ& server) = 0;
  // The user chose the overlay (`overlay` true) or underlay file `path`: give it
  // to the engine now. "" when taken; otherwise the engine's reason, with the
  // engine showing what it showed before. Without a part, every choice is taken.
  virtual std::string TryChoice(clsMapServ& /*server*/, bool /*overlay*/,
                                const std::string& /*path*/) {
    return "";
  }
  // "Zoom Underlay": set the engine's view from the current underlay's extent
  // file; leaves the view as it was when there is none.
  virtual void ZoomUnderlay(clsMapServ& server) = 0;
  // Step 10 of the paint step, when a mile-marker line is pending: draw it over
  // the map in `picMap` (and show host menu entry 1).
  virtual void DrawMileMarkerLine(clsMapServ& server, PictureBox& picMap) = 0;
};

struct ServerParts {
  // clsCpanel. Empty: the start-up load reads the settings file without a data
  // path setup, and ShowControlPanel fails.
  ControlPanelFactory control_panel;
  // The help context number of the control panel window, read from a frmCpanel
  // made for the purpose. Empty: 30, the window's design value.
  std::function<std::int32_t()> control_panel_help_context;
  // frmSearch and the lookups. Empty: the "Search" option fails.
  SearchDialogFactory search_dialog;
  std::shared_ptr<SearchRunner> search;
  // Overlays, underlays and the mile-marker line. Empty: the steps do nothing.
  std::shared_ptr<MapLayers> layers;
};

}  // namespace k9
