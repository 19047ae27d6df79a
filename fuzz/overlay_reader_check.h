// What every overlay reader's fuzz target checks: whatever a reader accepts
// becomes an overlay file the engine accepts.
#pragma once

#include <cstdlib>
#include <string>

#include "engine/overlay.h"
#include "overlay_import/readers.h"

inline void CheckReadOverlay(bool read, const k9::overlay_import::Imported& overlay) {
  if (!read) return;
  k9::engine::Overlay parsed;
  std::string error;
  if (!k9::engine::ParseOverlay(k9::overlay_import::WriteOvr(overlay, {overlay.held}), "OVR",
                                &parsed, &error))
    std::abort();
}
