// How the user's overlay and underlay choices reach the map engine.
//
// The server holds two requests, strOvlFile and strUnderFile (full paths, "" for
// none). Nothing happens when they are set: at every paint, OverlayState applies
// them to the engine, first the overlay, then the underlay, and sets the host's
// "Zoom Overlay" and "Zoom Underlay" menu entries to match. A request already
// applied is not looked at again, so a file that disappears after it was applied
// stays in the engine. A request naming a missing file is applied as "" (none)
// and checked again at every paint until the file appears or the request changes.
// A request whose file the engine refuses (a damaged overlay or underlay) is
// applied as none and not offered again until the request changes or the user
// chooses it anew, so a broken file costs one failure, not one per paint.
//
// When the user chooses a file in the control panel, TryOverlay and TryUnderlay
// give it to the engine at once: a file the engine refuses is never taken as the
// current choice, and the user hears why while still at the chooser.
//
// Also here: preparing the engine's settings file at start, and the "Zoom
// Underlay" view change, which reads the underlay's SAT companion file.
#pragma once

#include <stdexcept>
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

  // A request the engine refused makes ApplyOverlay throw LayerRefused once,
  // with the engine's reason; the overlay is then none.
  //
  // Underlay apply step: as ApplyOverlay, with the engine's UnderlayVisible and
  // UnderlayFile, no zoom, and menu entry 2.
  void ApplyUnderlay(const std::string& strUnderFile, MapEngine& engine, HostForm* host,
                     FileSystem& fs);

  // Gives the chosen overlay file to the engine now, as the next apply step
  // would (zooming to it after the first apply step); the menu entry follows at
  // that step. "" when the engine took it, or when there is nothing to try (no
  // file, or no such file: the apply step deals with those); otherwise the
  // engine's reason, with the engine given back what it showed before.
  std::string TryOverlay(const std::string& path, MapEngine& engine, FileSystem& fs);
  std::string TryUnderlay(const std::string& path, MapEngine& engine, FileSystem& fs);

  const std::string& applied_overlay() const { return applied_overlay_; }
  const std::string& applied_underlay() const { return applied_underlay_; }

 private:
  std::string applied_overlay_;
  std::string applied_underlay_;
  // Requests the engine refused, left alone until the request changes.
  std::string refused_overlay_;
  std::string refused_underlay_;
  bool overlay_applied_once_ = false;
};

// The engine refused an overlay or underlay file; what() is its reason.
class LayerRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
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
