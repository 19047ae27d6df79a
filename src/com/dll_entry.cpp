// The four exported entry points of Kestrel9.dll.
#include <windows.h>
#include <oaidl.h>
#include <olectl.h>

#include "com/map_serv_com.h"
#include "module/registration.h"
#include "module/server_object.h"
#include "module/wiring.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "server/dispatch_table.h"
#include "wincontrol/engine_control.h"
#include "winforms/windows_views.h"

extern "C" {

HRESULT STDAPICALLTYPE DllRegisterServer() {
  try {
    const std::string path = k9::System::Default().ModulePath();
    k9::Registry& registry = k9::Registry::Default();
    if (path.empty() ||
        !k9::module::RegisterServer(registry, path, k9::module::TypeLibPlatform(sizeof(void*)))) {
      return SELFREG_E_CLASS;
    }
    return S_OK;
  } catch (...) {
    return SELFREG_E_CLASS;
  }
}

HRESULT STDAPICALLTYPE DllUnregisterServer() {
  try {
    return k9::module::UnregisterServer(k9::Registry::Default()) ? S_OK : SELFREG_E_CLASS;
  } catch (...) {
    return SELFREG_E_CLASS;
  }
}

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  try {
    return k9::com::GetMapServClassObject(clsid, iid, object, [] {
      // On Windows the map form holds the engine as a control created by its
      // ProgID, whichever engine is registered under it.
      k9::module::ServerWiring wiring = k9::module::MakeWiring(k9::winforms::WindowsViews());
      wiring.engine_factory = k9::wincontrol::MakeEngineControlFactory();
      return static_cast<k9::MapServerObject*>(new k9::module::ServerObject(std::move(wiring)));
    });
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return k9::com::MapServObjectsAlive() ? S_FALSE : S_OK; }

}  // extern "C"
