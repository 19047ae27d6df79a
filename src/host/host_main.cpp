// kestrel9-host: plays the host application. It records its program folder in its
// per-user settings, creates the map server by its ProgID, and runs a script of
// host actions from a file or standard input, printing every callback.
//
//   kestrel9-host [--registry FILE] [--host-folder DIR] [--program-files DIR]
//                 [--size WxH] [--png FILE] [--callsigns FILE] [SCRIPT | -]
#include <cstdlib>
#include <iostream>
#include <string>

#include "common/text.h"
#include "host/activation.h"
#include "host/host_options.h"
#include "host/script.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/system.h"

int main(int argc, char** argv) {
  k9::host::HostOptions options;
  std::string error;
  if (!k9::host::ParseHostOptions(argc, argv, /*posix=*/true, &options, &error)) {
    if (!error.empty()) std::cerr << "kestrel9-host: " << error << '\n';
    std::cerr << k9::host::HostUsage(true);
    return error.empty() ? 0 : 2;
  }
  // Before anything touches the registry: the server loaded into this process
  // reads the same variable, so both share the one store.
  if (!options.registry.empty())
    ::setenv("KESTREL9_REGISTRY", k9::host::AbsolutePath(options.registry).c_str(), 1);

  k9::FileSystem& fs = k9::FileSystem::Default();
  const std::optional<k9::host::HostInput> input = k9::host::LoadHostInput(fs, options, std::cerr);
  if (!input) return 2;

  k9::Registry& registry = k9::Registry::Default();
  k9::host::RecordHostFolders(registry, fs, options, k9::System::Default().ModulePath(),
                              "registry store", std::cerr);

  k9::host::RunHostScript(
      *input, options,
      [&registry](std::string* why) {
        return k9::host::CreateObjectByProgId(registry, k9::kClsMapServProgId, why);
      },
      fs, std::cout);
  std::cout.flush();
  return 0;
}
