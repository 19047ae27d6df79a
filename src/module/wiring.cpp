#include "module/wiring.h"

#include "engine/reference_engine.h"
#include "render/overlay_parts.h"
#include "search/search_parts.h"
#include "settings/control_panel_part.h"

namespace k9::module {

ServerWiring MakeWiring(const WiringViews& views) {
  ServerWiring wiring{Ports::Default(), {}, {}};
  wiring.engine_factory = engine::MakeReferenceEngineFactory(wiring.ports);
  ControlPanelTools tools;
  tools.view = views.forms;
  AddOverlayParts(wiring.parts, tools,
                  views.overlay != nullptr ? *views.overlay : frmOverlayView::Default());
  AddControlPanel(wiring.parts, tools);
  AddSearchParts(wiring.parts, wiring.ports, views.search);
  return wiring;
}

}  // namespace k9::module
