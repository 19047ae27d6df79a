// Entry points of the engine's DLL: class creation and self-registration under the
// ProgID "Cartex71.Cartex" (the values of wincontrol/engine_registration.h).
#include <windows.h>
#include <olectl.h>
#include <oleauto.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/win32/com_object.h"
#include "server/engine_factory.h"
#include "wincontrol/engine_members.h"
#include "wincontrol/engine_object.h"
#include "wincontrol/engine_registration.h"

namespace {

HMODULE g_module = nullptr;
LONG g_locks = 0;

class Factory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return k9::QueryInterfaceOver(iid, out,
                                  {{IID_IClassFactory, static_cast<IClassFactory*>(this)}});
  }
  // One static factory for the life of the DLL.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out != nullptr) *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return k9::wincontrol::CreateEngineObject(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock)
      InterlockedIncrement(&g_locks);
    else
      InterlockedDecrement(&g_locks);
    return S_OK;
  }
};

Factory g_factory;

// The class the ProgID names now, or "" when it names none.
std::string RegisteredClass() {
  const std::optional<k9::RegValue> value = k9::Registry::Default().QueryValue(
      k9::RegRoot::kClassesRoot, std::string(k9::kEngineProgId) + "\\CLSID", "");
  if (!value || value->type != k9::kRegSz) return {};
  return value->data.substr(0, value->data.find('\0'));
}

// Whether a registry key is the engine's ProgID or lies below it.
bool NamesProgId(const std::string& key) {
  const std::string prog_id = k9::kEngineProgId;
  return _stricmp(key.c_str(), prog_id.c_str()) == 0 ||
         (key.size() > prog_id.size() && key[prog_id.size()] == '\\' &&
          _strnicmp(key.c_str(), prog_id.c_str(), prog_id.size()) == 0);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (clsid != k9::wincontrol::kEngineClsid) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(iid, out);
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return k9::wincontrol::EngineObjectsAlive() || g_locks > 0 ? S_FALSE : S_OK;
}

HRESULT STDAPICALLTYPE DllRegisterServer() {
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(g_module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return SELFREG_E_CLASS;
  std::vector<k9::RegistryEntry> entries = k9::wincontrol::EngineRegistrationEntries(path);
  // The ProgID is the mapping product's own: where it names another class, that
  // product keeps it and only the reference engine's class is registered, as the
  // Windows package does.
  const std::string owner = RegisteredClass();
  if (!owner.empty() && _stricmp(owner.c_str(), k9::wincontrol::kEngineClsidText) != 0) {
    std::erase_if(entries, [](const k9::RegistryEntry& entry) { return NamesProgId(entry.key); });
  }
  const bool ok = k9::WriteClassesEntries(k9::Registry::Default(), entries);
  return ok ? S_OK : SELFREG_E_CLASS;
}

// Removes the class, and the ProgID while it still names this class: another
// product registered under the same ProgID since is left alone.
HRESULT STDAPICALLTYPE DllUnregisterServer() {
  const bool ours = _stricmp(RegisteredClass().c_str(), k9::wincontrol::kEngineClsidText) == 0;
  for (const std::string& root : k9::wincontrol::EngineRegistrationRoots()) {
    if (root == k9::kEngineProgId && !ours) continue;
    RegDeleteTreeA(HKEY_CLASSES_ROOT, root.c_str());
    RegDeleteKeyA(HKEY_CLASSES_ROOT, root.c_str());
  }
  return S_OK;
}

}  // extern "C"
