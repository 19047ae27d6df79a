#include "host/activation.h"

#include <cstdio>

#include "common/text.h"

namespace k9::host {
namespace {

constexpr char kRoot[] = "HKEY_CLASSES_ROOT\\";

std::string HexResult(HResult hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

}  // namespace

std::string RegistryText(const RegValue& value) {
  std::string text = value.data;
  while (!text.empty() && text.back() == '\0') text.pop_back();
  if (value.type == kRegExpandSz) text = ExpandEnvironment(text);
  return text;
}

bool ReadRegistration(Registry& registry, const std::string& prog_id, Registration* out,
                      std::string* error) {
  const std::string clsid_key = prog_id + "\\CLSID";
  const std::optional<RegValue> clsid_value =
      registry.QueryValue(RegRoot::kClassesRoot, clsid_key, "");
  if (!clsid_value || RegistryText(*clsid_value).empty()) {
    *error = "\"" + prog_id + "\" is not registered: " + kRoot + clsid_key + " is missing";
    return false;
  }
  const std::string clsid_text = RegistryText(*clsid_value);
  const std::optional<Guid> clsid = ParseGuid(clsid_text);
  if (!clsid) {
    *error = std::string(kRoot) + clsid_key + " holds \"" + clsid_text +
             "\", which is not a class identifier";
    return false;
  }
  const std::string server_key = "CLSID\\" + GuidToString(*clsid) + "\\InprocServer32";
  const std::optional<RegValue> server_value =
      registry.QueryValue(RegRoot::kClassesRoot, server_key, "");
  if (!server_value || RegistryText(*server_value).empty()) {
    *error = "\"" + prog_id + "\" is registered without a library: " + kRoot + server_key +
             " is missing";
    return false;
  }
  out->clsid = *clsid;
  out->library = RegistryText(*server_value);
  return true;
}

MapServerObject* CreateObjectByProgId(Registry& registry, const std::string& prog_id,
                                      std::string* error) {
  Registration registration;
  if (!ReadRegistration(registry, prog_id, &registration, error)) return nullptr;
  const std::string server_key =
      std::string(kRoot) + "CLSID\\" + GuidToString(registration.clsid) + "\\InprocServer32";
  std::string load_error;
  // The process keeps the library (see SharedLibrary): a failed creation below
  // leaves it loaded and reachable, as COM keeps a server it loaded.
  SharedLibrary* library = SharedLibrary::Load(registration.library, &load_error);
  if (library == nullptr) {
    *error = "the registration of \"" + prog_id + "\" is stale: " + server_key + " names " +
             registration.library + ", which cannot be loaded (" + load_error + ")";
    return nullptr;
  }
  auto get_class_object =
      reinterpret_cast<DllGetClassObjectFn>(library->Symbol("DllGetClassObject"));
  if (get_class_object == nullptr) {
    *error = registration.library + " (named by " + server_key +
             ") is not an in-process server: it has no DllGetClassObject";
    return nullptr;
  }
  void* factory_pointer = nullptr;
  const HResult got = get_class_object(&registration.clsid, &kIidClassFactory, &factory_pointer);
  if (got != kSOk || factory_pointer == nullptr) {
    *error = registration.library + " has no class " + GuidToString(registration.clsid) +
             " (DllGetClassObject returned " + HexResult(got) + "); the registration under " +
             server_key + " does not match the library";
    return nullptr;
  }
  auto* factory = static_cast<ClassFactory*>(factory_pointer);
  MapServerObject* object = nullptr;
  const HResult made = factory->CreateInstance(kIidClsMapServ, &object);
  factory->Release();
  if (made != kSOk || object == nullptr) {
    *error = "the class object of \"" + prog_id + "\" could not make an instance (" +
             HexResult(made) + ")";
    return nullptr;
  }
  return object;
}

}  // namespace k9::host
