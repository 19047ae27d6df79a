// The COM class object and objects of clsMapServ. No <windows.h> here.
#pragma once

#include <functional>

#include "module/map_server_object.h"

struct _GUID;

namespace k9::com {

// Makes the server object behind each new COM object (the caller releases it).
using ServerMaker = std::function<MapServerObject*()>;

// DllGetClassObject for clsMapServ: the class factory for `clsid`, as `iid`.
// An HRESULT, with CLASS_E_CLASSNOTAVAILABLE for any other class.
long GetMapServClassObject(const _GUID& clsid, const _GUID& iid, void** object, ServerMaker maker);

// True while an object or a lock keeps the library loaded.
bool MapServObjectsAlive();

}  // namespace k9::com
