// The server's map layers part: the overlay and underlay apply steps of every
// paint, the engine settings preparation at start, "Zoom Underlay", and the
// mile-marker line. The module that creates clsMapServ puts MakeMapLayers() into
// its ServerParts.
#pragma once

#include <memory>

#include "render/overlay.h"
#include "server/server_parts.h"

namespace k9 {

class OverlayLayers : public MapLayers {
 public:
  void PrepareEngineSettingsFile(clsMapServ& server) override;
  void ApplyOverlay(clsMapServ& server) override;
  void ApplyUnderlay(clsMapServ& server) override;
  std::string TryChoice(clsMapServ& server, bool overlay, const std::string& path) override;
  void ZoomUnderlay(clsMapServ& server) override;
  void DrawMileMarkerLine(clsMapServ& server, PictureBox& picMap) override;

  const OverlayState& state() const { return state_; }

 private:
  OverlayState state_;
};

std::shared_ptr<MapLayers> MakeMapLayers();

}  // namespace k9
