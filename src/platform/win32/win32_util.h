// Small helpers shared by the Win32 port implementations. No <windows.h> here:
// callers include it themselves.
#pragma once

#include <optional>
#include <string>

namespace k9 {

// `path` with every "/" turned into "\", the separator every Win32 function accepts.
std::string NativePath(const std::string& path);

// The environment variable's value from the process environment block (which
// SetEnvironmentVariable and _putenv both change), or nullopt when it is unset.
std::optional<std::string> Win32GetEnv(const std::string& name);

// True when KESTREL9_AUTOMATION is set to anything but "" or "0": dialogs that
// would block then answer the headless way.
bool AutomationMode();

}  // namespace k9
