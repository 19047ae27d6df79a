// The command line and start-up of kestrel9-host, the same on every platform.
// Two things differ. The registry: the POSIX host names its registry store with
// --registry, while on Windows the system registry holds the registration and
// the option is refused. The window: only the Windows host has one, shown when
// no script is given or --window asks for it; the POSIX host reads standard
// input when no script is given and refuses --window.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "host/script.h"
#include "host/script_host.h"

namespace k9 {
class FileSystem;
class Registry;
}  // namespace k9

namespace k9::host {

struct HostOptions {
  std::string registry;  // only where the registry option is taken
  std::string host_folder;
  std::string program_files;
  int width = 800;
  int height = 600;
  std::string png;
  std::string script = "-";  // "-" for standard input, "" for none (the window alone)
  std::string callsigns;     // the station file callsign queries are answered from
  bool window = false;       // the host's main window is shown
};

// What the host runs: the script and the stations of --callsigns.
struct HostInput {
  Script script;
  std::vector<Station> stations;
};

// Reads "WxH", each side 1 to 16384. False (outputs untouched) otherwise.
bool ParseSize(const std::string& text, int* width, int* height);

// Reads the arguments after the program name, for the POSIX host (`posix`) or
// the Windows host. False with *error set for a bad command line, and false
// with an empty *error for --help.
bool ParseHostOptions(int argc, char** argv, bool posix, HostOptions* options, std::string* error);

// The usage text for the given platform's options.
const char* HostUsage(bool posix);

// `path` made absolute and normal; unchanged when that fails.
std::string AbsolutePath(const std::string& path);

// The script and the callsign file the options name, read and parsed; nullopt
// after writing the reason ("kestrel9-host: ...") to `errors`.
std::optional<HostInput> LoadHostInput(FileSystem& fs, const HostOptions& options,
                                       std::ostream& errors);

// What the host does before it creates the server: records its program folder
// (its own folder unless --host-folder names one) in its per-user settings and
// makes its Maps folder there, and writes ProgramFilesDir where --program-files
// names one. Problems are reported to `errors`, naming `store` ("registry" or
// "registry store"), and do not stop the host.
void RecordHostFolders(Registry& registry, FileSystem& fs, const HostOptions& options,
                       const std::string& module_path, const std::string& store,
                       std::ostream& errors);

// Releases the server if it still exists and saves the picture box where --png
// asks ("Error png: ..." on `out` when that fails).
void EndHost(ScriptHost& host, const HostOptions& options, FileSystem& fs, std::ostream& out);

// Plays the script against the server `create` makes, printing on `out`, then
// ends as EndHost does.
void RunHostScript(const HostInput& input, const HostOptions& options, ScriptHost::Creator create,
                   FileSystem& fs, std::ostream& out);

}  // namespace k9::host
