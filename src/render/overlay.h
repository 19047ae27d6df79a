// How the user's overlay and underlay choices reach the map engine.
//
// The server holds two requests, strOvlFile and strUnderFile (full paths, "" for
// none). Nothing happens when they are set: at every paint, OverlayState applies
// them to the engine, first the overlay, then the underlay, and sets the host's
// "Zoom Overlay" and "Zoom Underlay" menu entries to match. A request already
// applied is not looked at again, so a file that disappears after it was applied
// stays in the engine. A request naming a missing file is applied as "" (none)
// and checked again at every paint until the file appears or the request changes.
//
// Also here: preparing the engine's settings file at start, and the "Zoom
// Underlay" view change, which reads the underlay's SAT companion file.
#pragma once

#include <string>

#include "platform/ports.h"
#include "server/engine_port.h"
#include "server/host_port.h"
#include "server/server_folders.h"

namespace k9 {

// Indices of the host's special-option menu entries that this part drives.
inline constexpr int kMenuZoomUnderlay = 2;
inline constexpr int kMenuZoomOverlay = 3;

// The overlay and underlay as last given to the engine. One instance lives in the
// server object from its creation; the paint step calls the two apply steps.
class OverlayState {
 public:
  // Overlay apply step. Loads `strOvlFile` into the engine when it differs from
  // the applied overlay ("" when the file does not exist); every overlay loaded
  // after the first apply step also fits the view to the overlay. Then enables
  // menu entry 3 exactly when an overlay is applied. `host` may be nullptr.
  // A failing engine or host call throws and ends the step; the applied overlay
  // then stays as it was, so the next paint tries again.
  void ApplyOverlay(const std::string& strOvlFile, MapEngine& engine, HostForm* host,
                    FileSystem& fs);

  // Underlay apply step: as ApplyOverlay, with the engine's UnderlayVisible and
  // UnderlayFile, no zoom, and menu entry 2.
  void ApplyUnderlay(const std::string& strUnderFile, MapEngine& engine, HostForm* host,
                     FileSystem& fs);

  const std::string& applied_overlay() const { return applied_overlay_; }
  const std::string& applied_underlay() const { return applied_underlay_; }

 private:
  std::string applied_overlay_;
  std::string applied_underlay_;
  bool overlay_applied_once_ = false;
};

// Writes the two values the server keeps in the engine's settings file
// "cartex71.cfg" in the server folder, before the engine loads it: section
// "Visible", OVER = "TRUE", and UNDER = "TRUE" or "FALSE" as the saved UNDERLAY
// setting names a file or is empty. Any failure ends the preparation quietly.
void PrepareEngineSettings(const Ports& ports, const ServerFolders& folders);

// The view change of "Zoom Underlay": sets the engine's view to the corners in
// the SAT companion file of `strUnderFile`. Leaves the view alone when the file
// is missing, unreadable or its first line does not hold four numbers. Engine
// failures propagate.
void ZoomToUnderlay(const std::string& strUnderFile, MapEngine& engine, FileSystem& fs);

}  // namespace k9
