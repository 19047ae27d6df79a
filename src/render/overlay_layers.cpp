#include "render/overlay_layers.h"

#include "server/cls_map_serv.h"
#include "server/special_menu.h"

namespace k9 {

void OverlayLayers::PrepareEngineSettingsFile(clsMapServ& server) {
  PrepareEngineSettings(server.ports(), server.folders());
}

namespace {

// A request refused at a paint is told once, however often the map is drawn.
void TellRefused(clsMapServ& server, const char* what, const std::string& path,
                 const LayerRefused& refused) {
  server.TellOnce(what, FileResult::Failure(FileFault::kDamaged, path, refused.what()),
                  std::string(what) + " " + refused.what());
}

}  // namespace

void OverlayLayers::ApplyOverlay(clsMapServ& server) {
  try {
    state_.ApplyOverlay(server.strOvlFile(), server.Engine(), server.HostMainForm(),
                        *server.ports().fs);
  } catch (const LayerRefused& refused) {
    TellRefused(server, kOverlayNotShown, server.strOvlFile(), refused);
  }
}

void OverlayLayers::ApplyUnderlay(clsMapServ& server) {
  try {
    state_.ApplyUnderlay(server.strUnderFile(), server.Engine(), server.HostMainForm(),
                         *server.ports().fs);
  } catch (const LayerRefused& refused) {
    TellRefused(server, kUnderlayNotShown, server.strUnderFile(), refused);
  }
}

std::string OverlayLayers::TryChoice(clsMapServ& server, bool overlay, const std::string& path) {
  if (!server.blnControlOk()) return "";
  return overlay ? state_.TryOverlay(path, server.Engine(), *server.ports().fs)
                 : state_.TryUnderlay(path, server.Engine(), *server.ports().fs);
}

void OverlayLayers::ZoomUnderlay(clsMapServ& server) {
  ZoomToUnderlay(server.strUnderFile(), server.Engine(), *server.ports().fs);
}

void OverlayLayers::DrawMileMarkerLine(clsMapServ& server, PictureBox& picMap) {
  k9::DrawMileMarkerLine(server, picMap);
}

std::shared_ptr<MapLayers> MakeMapLayers() { return std::make_shared<OverlayLayers>(); }

}  // namespace k9
