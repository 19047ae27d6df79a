// What a long session watches in the host's own process: its memory and its GDI
// and USER objects, so that a leak shows as growth.
#pragma once

#include <string>

namespace k9::host {

// "private=BYTES working=BYTES gdi=N user=N counted=system|own": the private
// bytes (the commit charge where the system leaves them 0, as Wine does) and
// working set (GetProcessMemoryInfo), and the GDI and USER objects as
// GetGuiResources counts them ("system"), or, where it counts none (Wine has no
// such count), as this process counts them itself ("own": the GDI handles that
// GetObjectType knows, and the windows of this process and the menus that
// IsMenu knows, over every handle number).
std::string ProcessResources();

}  // namespace k9::host
