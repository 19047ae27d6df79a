// Entry points of the engine's DLL: class creation and self-registration under the
// ProgID "Cartex71.Cartex" (class, ProgID, in-process server with apartment
// threading, and the control mark).
#include <windows.h>
#include <olectl.h>
#include <oleauto.h>

#include <string>

#include "platform/win32/com_object.h"
#include "server/engine_factory.h"
#include "wincontrol/engine_members.h"
#include "wincontrol/engine_object.h"

namespace {

HMODULE g_module = nullptr;
LONG g_locks = 0;

constexpr wchar_t kDescription[] = L"Kestrel9 reference map engine";

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

std::wstring ProgId() { return k9::wincontrol::WideFromAnsi(k9::kEngineProgId); }
std::wstring ClassKey() { return std::wstring(L"CLSID\\") + k9::wincontrol::kEngineClsidText; }

bool SetText(const std::wstring& key_path, const wchar_t* name, const std::wstring& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key_path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  const LONG status =
      RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

// The class the ProgID names now, or "" when it names none.
std::wstring RegisteredClass() {
  wchar_t text[64] = {};
  LONG size = sizeof text;
  const std::wstring key = ProgId() + L"\\CLSID";
  if (RegQueryValueW(HKEY_CLASSES_ROOT, key.c_str(), text, &size) != ERROR_SUCCESS) return {};
  return text;
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
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameW(g_module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return SELFREG_E_CLASS;
  const std::wstring clsid = k9::wincontrol::kEngineClsidText;
  const std::wstring class_key = ClassKey();
  const bool ok = SetText(ProgId(), nullptr, kDescription) &&
                  SetText(ProgId() + L"\\CLSID", nullptr, clsid) &&
                  SetText(class_key, nullptr, kDescription) &&
                  SetText(class_key + L"\\ProgID", nullptr, ProgId()) &&
                  SetText(class_key + L"\\InprocServer32", nullptr, path) &&
                  SetText(class_key + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
                  SetText(class_key + L"\\Control", nullptr, L"");
  return ok ? S_OK : SELFREG_E_CLASS;
}

// Removes the class, and the ProgID while it still names this class: another
// product registered under the same ProgID since is left alone.
HRESULT STDAPICALLTYPE DllUnregisterServer() {
  const LONG class_status = RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKey().c_str());
  if (class_status == ERROR_SUCCESS) RegDeleteKeyW(HKEY_CLASSES_ROOT, ClassKey().c_str());
  if (_wcsicmp(RegisteredClass().c_str(), k9::wincontrol::kEngineClsidText) == 0) {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, ProgId().c_str());
    RegDeleteKeyW(HKEY_CLASSES_ROOT, ProgId().c_str());
  }
  return S_OK;
}

}  // extern "C"
