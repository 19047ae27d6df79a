// What the library puts into every server object it makes: the platform's ports,
// the reference map engine, and the server's parts (control panel, search,
// overlays and underlays).
#pragma once

#include "module/server_object.h"
#include "render/frm_overlay.h"
#include "search/frm_search.h"
#include "settings/form_view.h"

namespace k9::module {

// The views that put the server's forms on screen. Any left empty is the headless
// (or scripted) one, which is what tests, scripts and the POSIX library use. The
// views must outlive every server object made with them.
struct WiringViews {
  FormView* forms = nullptr;          // the control panel and the About box
  frmOverlayView* overlay = nullptr;  // the overlay and underlay chooser
  SearchViewFactory search;           // one view per search dialog
};

ServerWiring MakeWiring(const WiringViews& views = {});

}  // namespace k9::module
