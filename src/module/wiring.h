// What the library puts into every server object it makes: the platform's ports,
// the reference map engine, and the server's parts (control panel, search,
// overlays and underlays).
#pragma once

#include "module/server_object.h"

namespace k9::module {

ServerWiring MakeWiring();

}  // namespace k9::module
