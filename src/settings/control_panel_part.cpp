#include "settings/control_panel_part.h"

#include "server/cls_map_serv.h"
#include "settings/cls_cpanel.h"

namespace k9 {

namespace {

// The server's members as the panel's Parent.
class MapServParent : public CpanelParent {
 public:
  explicit MapServParent(clsMapServ& server) : s_(server) {}

  bool blnControlOk() override { return s_.blnControlOk(); }
  bool blnMono() override { return s_.blnMono(); }
  void blnMono(bool value) override { s_.blnMono(value); }
  bool blnShadeMcd() override { return s_.blnShadeMcd(); }
  void blnShadeMcd(bool value) override { s_.blnShadeMcd(value); }
  bool blnShadeCounties() override { return s_.blnShadeCounties(); }
  void blnShadeCounties(bool value) override { s_.blnShadeCounties(value); }
  bool blnShadePlaces() override { return s_.blnShadePlaces(); }
  void blnShadePlaces(bool value) override { s_.blnShadePlaces(value); }
  bool blnShadeStates() override { return s_.blnShadeStates(); }
  void blnShadeStates(bool value) override { s_.blnShadeStates(value); }
  bool blnWhiteBackground() override { return s_.blnWhiteBackground(); }
  void blnWhiteBackground(bool value) override { s_.blnWhiteBackground(value); }
  bool blnOnewayShow() override { return s_.blnOnewayShow(); }
  void blnOnewayShow(bool value) override { s_.blnOnewayShow(value); }
  bool blnHighContrastRds() override { return s_.blnHighContrastRds(); }
  void blnHighContrastRds(bool value) override { s_.blnHighContrastRds(value); }
  bool blnZipCodes() override { return s_.blnZipCodes(); }
  void blnZipCodes(bool value) override { s_.blnZipCodes(value); }
  std::string strOvlFile() override { return s_.strOvlFile(); }
  void strOvlFile(const std::string& value) override { s_.strOvlFile(value); }
  std::string strUnderFile() override { return s_.strUnderFile(); }
  void strUnderFile(const std::string& value) override { s_.strUnderFile(value); }
  std::string strData1() override { return s_.strData1(); }
  void strData1(const std::string& value) override { s_.strData1(value); }
  std::string strData2() override { return s_.strData2(); }
  void strData2(const std::string& value) override { s_.strData2(value); }
  std::string strData3() override { return s_.strData3(); }
  void strData3(const std::string& value) override { s_.strData3(value); }
  std::string strData4() override { return s_.strData4(); }
  void strData4(const std::string& value) override { s_.strData4(value); }
  std::string strStates0() override { return s_.strStates0(); }
  void strStates0(const std::string& value) override { s_.strStates0(value); }
  void strStates1(const std::string& value) override { s_.strStates1(value); }

 private:
  clsMapServ& s_;
};

// clsCpanel behind the server's ControlPanel seam.
class CpanelPart : public ControlPanel, private clsCpanel::Events {
 public:
  CpanelPart(ControlPanelEvents& events, const Ports& ports, const ControlPanelTools& tools)
      : events_(events), tools_(tools) {
    context_.ports = ports;
    context_.view = tools.view != nullptr ? tools.view : &FormView::Default();
  }

  void LoadIni(settings::SavedSettings& out, bool setup_request) override {
    clsCpanel(context_, this).LoadIni(out, setup_request);
  }

  void Parent(clsMapServ* server) override {
    server_ = server;
    parent_ = server != nullptr ? std::make_unique<MapServParent>(*server) : nullptr;
  }

  void ShowControlPanel() override {
    CpanelContext context = context_;
    std::unique_ptr<OverlayChooser> chooser;
    std::unique_ptr<UnderlayMaker> maker;
    if (server_ != nullptr && tools_.overlay_chooser) chooser = tools_.overlay_chooser(*server_);
    if (server_ != nullptr && tools_.underlay_maker) maker = tools_.underlay_maker(*server_);
    context.overlay_chooser = chooser.get();
    context.underlay_maker = maker.get();
    clsCpanel panel(context, this);
    panel.Parent(parent_.get());
    panel.ShowControlPanel();
  }

 private:
  void AboutCartex() override { events_.AboutCartex(); }
  void ImpMgrDialog() override { events_.ImpMgrDialog(); }

  ControlPanelEvents& events_;
  ControlPanelTools tools_;
  CpanelContext context_;
  clsMapServ* server_ = nullptr;
  std::unique_ptr<MapServParent> parent_;
};

}  // namespace

ControlPanelFactory MakeControlPanelFactory(ControlPanelTools tools) {
  return [tools](ControlPanelEvents& events, const Ports& ports) -> std::unique_ptr<ControlPanel> {
    return std::make_unique<CpanelPart>(events, ports, tools);
  };
}

std::int32_t ControlPanelHelpContext() {
  const frmCpanel window;
  return static_cast<std::int32_t>(window.HelpContextID());
}

void AddControlPanel(ServerParts& parts, ControlPanelTools tools) {
  parts.control_panel = MakeControlPanelFactory(std::move(tools));
  parts.control_panel_help_context = ControlPanelHelpContext;
}

}  // namespace k9
