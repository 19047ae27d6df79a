// The Windows host's main window, as a station-display host has one: the map in
// a picture box filling the client area, a Map menu with the server's entries,
// and a status bar with what the last paint showed. No <windows.h> here.
#pragma once

#include <ostream>

#include "host/host_options.h"
#include "host/script_host.h"

namespace k9 {
class FileSystem;
class Registry;
}  // namespace k9

namespace k9::host {

// Runs the Windows host. Its script runs inside the thread's message loop: the
// loop runs between commands and for `wait`, so the server's modeless windows
// paint and take input. With --window the main window is shown first; with an
// empty script the host then starts the server itself (create, Initialize,
// GetSupportedFeatures, the start view) and runs until the window is closed,
// otherwise it ends with the script (or when the window is closed), keeping the
// last view in its settings for the next start. Either way the server is
// released and the picture saved where --png asks. Returns the exit status.
int RunWindowsHost(const HostInput& input, const HostOptions& options, ScriptHost::Creator create,
                   FileSystem& fs, Registry& registry, std::ostream& out);

}  // namespace k9::host
