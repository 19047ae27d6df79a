// The library's four exported entry points, with the meaning and result codes of
// an in-process COM server's: self-registration under the store named by
// KESTREL9_REGISTRY, the class object of clsMapServ, and whether the library may
// be unloaded.
#include <atomic>
#include <new>

#include "module/map_server_object.h"
#include "module/registration.h"
#include "module/server_object.h"
#include "module/wiring.h"
#include "platform/registry.h"
#include "platform/system.h"

#if defined(__GNUC__)
#define K9_EXPORT extern "C" __attribute__((visibility("default")))
#else
#define K9_EXPORT extern "C"
#endif

namespace k9::module {
namespace {

std::atomic<int> g_factories{0};

class MapServClassFactory : public ClassFactory {
 public:
  MapServClassFactory() { ++g_factories; }
  ~MapServClassFactory() override { --g_factories; }

  HResult CreateInstance(const Guid& iid, MapServerObject** object) override {
    if (object == nullptr) return kEPointer;
    *object = nullptr;
    if (!(iid == kIidClsMapServ)) return kENoInterface;
    try {
      *object = new ServerObject(MakeWiring());
      return kSOk;
    } catch (const std::bad_alloc&) {
      return kEOutOfMemory;
    } catch (...) {
      return kEFail;
    }
  }

  void Release() override { delete this; }
};

}  // namespace
}  // namespace k9::module

K9_EXPORT k9::HResult DllRegisterServer() {
  try {
    const std::string path = k9::System::Default().ModulePath();
    return k9::module::RegisterServer(k9::Registry::Default(), path) ? k9::kSOk
                                                                     : k9::kSelfRegEClass;
  } catch (...) {
    return k9::kSelfRegEClass;
  }
}

K9_EXPORT k9::HResult DllUnregisterServer() {
  try {
    return k9::module::UnregisterServer(k9::Registry::Default()) ? k9::kSOk : k9::kSelfRegEClass;
  } catch (...) {
    return k9::kSelfRegEClass;
  }
}

K9_EXPORT k9::HResult DllGetClassObject(const k9::Guid* clsid, const k9::Guid* iid, void** object) {
  if (object == nullptr || clsid == nullptr || iid == nullptr) return k9::kEPointer;
  *object = nullptr;
  if (!(*clsid == k9::kClsidClsMapServ)) return k9::kClassENotAvailable;
  if (!(*iid == k9::kIidClassFactory)) return k9::kENoInterface;
  try {
    *object = static_cast<k9::ClassFactory*>(new k9::module::MapServClassFactory);
    return k9::kSOk;
  } catch (...) {
    return k9::kEOutOfMemory;
  }
}

K9_EXPORT k9::HResult DllCanUnloadNow() {
  return k9::module::LiveObjects() == 0 && k9::module::g_factories.load() == 0 ? k9::kSOk
                                                                               : k9::kSFalse;
}
