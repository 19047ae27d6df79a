#include "module/registration.h"

#include "common/text.h"
#include "module/map_server_object.h"
#include "server/dispatch_table.h"

namespace k9::module {
namespace {

// The proxy of every automation-compatible dual interface.
constexpr char kOleAutomationProxy[] = "{00020424-0000-0000-C000-000000000046}";

std::string ClassKey() { return std::string("CLSID\\") + kMapServClassGuid; }
std::string TypeLibKey() { return std::string("TypeLib\\") + kTypeLibGuid; }
std::string InterfaceKey() { return std::string("Interface\\") + kMapServInterfaceGuid; }

// Removes `key` and everything below it.
bool DeleteTree(Registry& registry, const std::string& key) {
  if (!registry.KeyExists(RegRoot::kClassesRoot, key)) return true;
  bool ok = true;
  if (auto subkeys = registry.EnumerateSubkeys(RegRoot::kClassesRoot, key)) {
    for (const std::string& subkey : *subkeys) ok = DeleteTree(registry, key + "\\" + subkey) && ok;
  }
  return registry.DeleteKey(RegRoot::kClassesRoot, key) && ok;
}

}  // namespace

std::vector<RegistryEntry> RegistrationEntries(const std::string& library_path,
                                               const std::string& typelib_platform) {
  const std::string prog_id = kMapServProgId;
  const std::string clsid = ClassKey();
  const std::string typelib = TypeLibKey() + "\\1.0";
  const std::string iface = InterfaceKey();
  return {
      {prog_id, "", prog_id},
      {prog_id + "\\CLSID", "", kMapServClassGuid},
      {clsid, "", prog_id},
      {clsid + "\\InprocServer32", "", library_path},
      {clsid + "\\InprocServer32", "ThreadingModel", "Apartment"},
      {clsid + "\\ProgID", "", prog_id},
      {clsid + "\\VersionIndependentProgID", "", prog_id},
      {clsid + "\\TypeLib", "", kTypeLibGuid},
      {clsid + "\\Implemented Categories\\{40FC6ED5-2438-11CF-A3DB-080036F12502}", "", ""},
      {typelib, "", "Kestrel9"},
      {typelib + "\\0\\" + typelib_platform, "", library_path},
      {typelib + "\\FLAGS", "", "0"},
      {typelib + "\\HELPDIR", "", FolderOf(library_path)},
      {iface, "", "_clsMapServ"},
      {iface + "\\ProxyStubClsid", "", kOleAutomationProxy},
      {iface + "\\ProxyStubClsid32", "", kOleAutomationProxy},
      {iface + "\\TypeLib", "", kTypeLibGuid},
      {iface + "\\TypeLib", "Version", "1.0"},
  };
}

std::vector<std::string> RegistrationRoots() {
  return {kMapServProgId, ClassKey(), TypeLibKey(), InterfaceKey()};
}

bool RegisterServer(Registry& registry, const std::string& library_path,
                    const std::string& typelib_platform) {
  return WriteClassesEntries(registry, RegistrationEntries(library_path, typelib_platform));
}

bool UnregisterServer(Registry& registry) {
  bool ok = true;
  for (const std::string& root : RegistrationRoots()) ok = DeleteTree(registry, root) && ok;
  return ok;
}

}  // namespace k9::module
