// Plugs the search into the server: the search dialog (frmSearch) and the lookups
// (SearchLookups) as the server's search parts.
#pragma once

#include "platform/ports.h"
#include "search/frm_search.h"
#include "server/server_parts.h"

namespace k9 {

// Sets `parts.search_dialog` and `parts.search`. Dialogs are shown through views
// from `views` (headless when empty); `ports` reach the settings file and the
// message boxes.
void AddSearchParts(ServerParts& parts, const Ports& ports, SearchViewFactory views = {});

}  // namespace k9
