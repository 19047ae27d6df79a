#include "render/overlay_parts.h"

#include "render/overlay_layers.h"
#include "render/underlay_maker.h"
#include "server/cls_map_serv.h"
#include "settings/frm_cpanel.h"

namespace k9 {

namespace {

class ServerOverlayChooser : public OverlayChooser {
 public:
  ServerOverlayChooser(clsMapServ& server, frmOverlayView& view) : server_(server), view_(view) {}
  std::optional<std::string> Choose(const std::string& current_file, bool overlay,
                                    const ContextHelp& help) override {
    HostForm* host = server_.HostMainForm();
    return ChooseOverlayFile(server_.ports(), server_.folders(), view_, current_file, overlay,
                             host != nullptr ? host->hWnd() : 0, help);
  }

 private:
  clsMapServ& server_;
  frmOverlayView& view_;
};

class ServerUnderlayMaker : public UnderlayMaker {
 public:
  explicit ServerUnderlayMaker(clsMapServ& server) : server_(server) {}
  void MakeUnderlay(frmCpanel& window) override {
    MapImageUnderlayMaker maker(server_.ports(), server_.folders());
    maker.Run(window.hWnd());
  }

 private:
  clsMapServ& server_;
};

}  // namespace

void AddOverlayParts(ServerParts& parts, ControlPanelTools& tools, frmOverlayView& view) {
  parts.layers = MakeMapLayers();
  tools.overlay_chooser = [&view](clsMapServ& server) -> std::unique_ptr<OverlayChooser> {
    return std::make_unique<ServerOverlayChooser>(server, view);
  };
  tools.underlay_maker = [](clsMapServ& server) -> std::unique_ptr<UnderlayMaker> {
    return std::make_unique<ServerUnderlayMaker>(server);
  };
}

}  // namespace k9
