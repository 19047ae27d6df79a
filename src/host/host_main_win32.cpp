// kestrel9-host.exe: the host application on Windows. It records its program
// folder in its per-user settings, creates the map server through COM by its
// ProgID and runs the same scripts as the POSIX host, printing the same lines.
// With no script, or with --window, it shows its main window with the map.
//
//   kestrel9-host [--host-folder DIR] [--program-files DIR] [--size WxH] [--png FILE]
//                 [--callsigns FILE] [--window] [SCRIPT | -]
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <objbase.h>
#include <ole2.h>

#include <cstdio>

#include <iostream>
#include <string>

#include "host/com_server_win32.h"
#include "host/host_options.h"
#include "host/host_window_win32.h"
#include "host/script.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace {

// COM for this thread: a single-threaded apartment, as a form-based host has.
class ComApartment {
 public:
  ComApartment() : ok_(SUCCEEDED(::OleInitialize(nullptr))) {}
  ~ComApartment() {
    if (ok_) ::OleUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

}  // namespace

int main(int argc, char** argv) {
  // Lines end in LF alone, as the POSIX host's do, so both outputs compare byte
  // for byte.
  ::_setmode(::_fileno(stdout), _O_BINARY);
  k9::host::HostOptions options;
  std::string error;
  if (!k9::host::ParseHostOptions(argc, argv, /*posix=*/false, &options, &error)) {
    if (!error.empty()) std::cerr << "kestrel9-host: " << error << '\n';
    std::cerr << k9::host::HostUsage(false);
    return error.empty() ? 0 : 2;
  }

  k9::FileSystem& fs = k9::FileSystem::Default();
  const std::optional<k9::host::HostInput> input = k9::host::LoadHostInput(fs, options, std::cerr);
  if (!input) return 2;

  ComApartment apartment;
  if (!apartment.ok()) {
    std::cerr << "kestrel9-host: COM cannot be initialised\n";
    return 1;
  }

  k9::Registry& registry = k9::Registry::Default();
  k9::host::RecordHostFolders(registry, fs, options, k9::System::Default().ModulePath(), "registry",
                              std::cerr);

  auto create = [](std::string* why) {
    return k9::host::CreateComServer(k9::kClsMapServProgId, why);
  };
  const int status = k9::host::RunWindowsHost(*input, options, create, fs, registry, std::cout);
  std::cout.flush();
  return status;
}
