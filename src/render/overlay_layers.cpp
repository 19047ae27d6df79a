#include "render/overlay_layers.h"

#include "server/cls_map_serv.h"
#include "server/special_menu.h"

namespace k9 {

void OverlayLayers::PrepareEngineSettingsFile(clsMapServ& server) {
  PrepareEngineSettings(server.ports(), server.folders());
}

void OverlayLayers::ApplyOverlay(clsMapServ& server) {
  state_.ApplyOverlay(server.strOvlFile(), server.Engine(), server.HostMainForm(),
                      *server.ports().fs);
}

void OverlayLayers::ApplyUnderlay(clsMapServ& server) {
  state_.ApplyUnderlay(server.strUnderFile(), server.Engine(), server.HostMainForm(),
                       *server.ports().fs);
}

void OverlayLayers::ZoomUnderlay(clsMapServ& server) {
  ZoomToUnderlay(server.strUnderFile(), server.Engine(), *server.ports().fs);
}

void OverlayLayers::DrawMileMarkerLine(clsMapServ& server, PictureBox& picMap) {
  k9::DrawMileMarkerLine(server, picMap);
}

std::shared_ptr<MapLayers> MakeMapLayers() { return std::make_shared<OverlayLayers>(); }

}  // namespace k9
