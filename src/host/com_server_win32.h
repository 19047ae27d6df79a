// The server as a real COM client sees it: created by ProgID through the COM
// runtime and called late-bound, by member name, every argument passed by
// reference inside a Variant, as a compiled host's late-bound calls pass their
// variables. The host's own objects (callback object, main form, picture box)
// cross as IDispatch objects that answer by member name too.
// No <windows.h> here.
#pragma once

#include <string>

#include "module/map_server_object.h"

namespace k9::host {

// Creates the object registered for `prog_id` (CLSIDFromProgID, then
// CoCreateInstance of an in-process server). nullptr, with *error saying which
// step failed, when it cannot be made. COM must be initialised on this thread.
// The object's Automation() side works the server's own dialogs, control panel
// and search dialog through the library's private automation interface; a
// server without it refuses those steps.
MapServerObject* CreateComServer(const std::string& prog_id, std::string* error);

}  // namespace k9::host
