// Build tool, run on the build machine: prints the registry values that
// registering Kestrel9.dll and Kestrel9Engine.dll writes, from the same lists their
// DllRegisterServer uses, so the Windows package writes exactly those.
//
//   k9-registry-entries POINTER_SIZE SERVER_LIBRARY ENGINE_LIBRARY
//
// POINTER_SIZE is 4 or 8 (the libraries' machine); the library paths are written
// into the values as given. One line per value, tab-separated:
//   value <TAB> server|engine <TAB> key <TAB> name <TAB> text
// then one line per key that the registration owns with everything below it:
//   root <TAB> server|engine <TAB> key
// and one line per ProgID that another product may own, with the class it names
// when it is the library's own:
//   shared <TAB> engine <TAB> ProgID <TAB> class
// and last where the host keeps its program folder, into whose Maps folder
// InitKestrel9 copies the map-list entry file (a key under HKEY_CURRENT_USER):
//   host <TAB> key <TAB> value name <TAB> entry file name
#include <cstdio>
#include <string>
#include <vector>

#include "common/app_settings.h"
#include "init/initialiser.h"
#include "module/registration.h"
#include "server/engine_factory.h"
#include "wincontrol/engine_registration.h"

namespace {

bool Printable(const std::string& text) {
  return text.find_first_of("\t\r\n") == std::string::npos;
}

bool PrintValues(const char* library, const std::vector<k9::RegistryEntry>& entries) {
  for (const k9::RegistryEntry& entry : entries) {
    if (!Printable(entry.key) || !Printable(entry.name) || !Printable(entry.value)) return false;
    std::printf("value\t%s\t%s\t%s\t%s\n", library, entry.key.c_str(), entry.name.c_str(),
                entry.value.c_str());
  }
  return true;
}

void PrintRoots(const char* library, const std::vector<std::string>& roots) {
  for (const std::string& root : roots) std::printf("root\t%s\t%s\n", library, root.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || (std::string(argv[1]) != "4" && std::string(argv[1]) != "8")) {
    std::fprintf(stderr, "usage: k9-registry-entries 4|8 SERVER_LIBRARY ENGINE_LIBRARY\n");
    return 2;
  }
  const std::size_t pointer_size = std::string(argv[1]) == "8" ? 8 : 4;
  const bool ok = PrintValues("server", k9::module::RegistrationEntries(
                                            argv[2], k9::module::TypeLibPlatform(pointer_size))) &&
                  PrintValues("engine", k9::wincontrol::EngineRegistrationEntries(argv[3]));
  if (!ok) {
    std::fprintf(stderr, "k9-registry-entries: a value holds a tab or a line break\n");
    return 1;
  }
  PrintRoots("server", k9::module::RegistrationRoots());
  PrintRoots("engine", k9::wincontrol::EngineRegistrationRoots());
  std::printf("shared\tengine\t%s\t%s\n", k9::kEngineProgId, k9::wincontrol::kEngineClsidText);
  std::printf("host\t%s\t%s\t%s\n",
              k9::AppSettingsKey(k9::init::kHostApp, k9::init::kHostSection).c_str(),
              k9::init::kHostFolderKey, k9::init::kEntryFileName);
  return 0;
}
