#include "wincontrol/engine_registration.h"

#include "server/engine_factory.h"

namespace k9::wincontrol {
namespace {

constexpr char kDescription[] = "Kestrel9 reference map engine";

std::string ClassKey() { return std::string("CLSID\\") + kEngineClsidText; }

}  // namespace

std::vector<RegistryEntry> EngineRegistrationEntries(const std::string& library_path) {
  const std::string prog_id = kEngineProgId;
  const std::string clsid = ClassKey();
  return {
      {prog_id, "", kDescription},
      {prog_id + "\\CLSID", "", kEngineClsidText},
      {clsid, "", kDescription},
      {clsid + "\\ProgID", "", prog_id},
      {clsid + "\\InprocServer32", "", library_path},
      {clsid + "\\InprocServer32", "ThreadingModel", "Apartment"},
      {clsid + "\\Control", "", ""},
  };
}

std::vector<std::string> EngineRegistrationRoots() { return {ClassKey(), kEngineProgId}; }

}  // namespace k9::wincontrol
