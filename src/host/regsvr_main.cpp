// kestrel9-regsvr: registers or unregisters an in-process server library, as
// regsvr32 does on Windows: it loads the library and calls its DllRegisterServer
// (or, with /u, DllUnregisterServer) entry point, which writes (or removes) the
// library's keys in the registry store named by KESTREL9_REGISTRY.
//
//   kestrel9-regsvr [/u] [/s] LIBRARY
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

#include "host/activation.h"
#include "module/map_server_object.h"
#include "platform/registry.h"

int main(int argc, char** argv) {
  bool unregister = false;
  bool silent = false;
  std::string library;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "/u" || arg == "-u" || arg == "/U") {
      unregister = true;
    } else if (arg == "/s" || arg == "-s" || arg == "/S") {
      silent = true;
    } else if (library.empty() && !arg.empty() && arg != "-h" && arg != "--help") {
      library = arg;
    } else {
      library.clear();
      break;
    }
  }
  if (library.empty()) {
    std::cerr << "usage: kestrel9-regsvr [/u] [/s] LIBRARY\n";
    return 2;
  }
  // The library records its own path, so load it by an absolute one.
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(library, ec);
  if (!ec) library = absolute.lexically_normal().string();

  std::string error;
  k9::host::SharedLibrary* loaded = k9::host::SharedLibrary::Load(library, &error);
  if (loaded == nullptr) {
    std::cerr << "kestrel9-regsvr: cannot load " << library << ": " << error << '\n';
    return 3;
  }
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  auto function = reinterpret_cast<k9::DllRegisterServerFn>(loaded->Symbol(entry));
  if (function == nullptr) {
    std::cerr << "kestrel9-regsvr: " << library << " has no entry point " << entry << '\n';
    return 4;
  }
  const k9::HResult hr = function();
  if (hr != k9::kSOk) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
    std::cerr << "kestrel9-regsvr: " << entry << " in " << library << " failed with " << code
              << '\n';
    // The usual cause is the registry store itself: say what is wrong with it.
    if (const k9::FileResult store = k9::Registry::Default().CheckStore(); !store) {
      std::cerr << "kestrel9-regsvr: " << k9::DescribeFileProblem(store) << '\n';
    }
    return 5;
  }
  if (!silent) std::cout << entry << " in " << library << " succeeded.\n";
  return 0;
}
