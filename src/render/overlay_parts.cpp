#include "render/overlay_parts.h"

#include "common/user_messages.h"

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
    const std::intptr_t owner = host != nullptr ? host->hWnd() : 0;
    std::optional<std::string> chosen = ChooseOverlayFile(server_.ports(), server_.folders(), view_,
                                                          current_file, overlay, owner, help);
    // A file the engine refuses never becomes the current choice: the user
    // hears why and, as after Cancel, the server keeps the file it has.
    MapLayers* layers = server_.Layers();
    if (!chosen || chosen->empty() || layers == nullptr) return chosen;
    const std::string why = layers->TryChoice(server_, overlay, *chosen);
    if (why.empty()) return chosen;
    TellUser(*server_.ports().dialogs,
             std::string(overlay ? kOverlayNotChanged : kUnderlayNotChanged) + " " + why, owner);
    return std::nullopt;
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
