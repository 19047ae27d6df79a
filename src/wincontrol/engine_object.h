// The reference engine's COM object, for the engine's own DLL.
#pragma once

struct _GUID;

namespace k9::wincontrol {

// The engine's class (ProgID "Cartex71.Cartex") and its event interface; the same
// values as kEngineClsidText (engine_registration.h) and kEngineEventsIidText.
extern const _GUID kEngineClsid;
extern const _GUID kEngineEventsIid;

// Creates an engine object and returns its interface `iid` (an HRESULT).
long CreateEngineObject(const _GUID& iid, void** out);

// True while any engine object is alive.
bool EngineObjectsAlive();

}  // namespace k9::wincontrol
