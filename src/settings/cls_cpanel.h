// clsCpanel stands between the server object, the settings file and the control
// panel window. It loads the saved settings at start-up (running the data path
// setup when the data folders are not configured), shows the control panel
// modally and turns each of the window's events into a change of the server
// (through the server's own property puts) and of the settings file, at once. It
// passes on the two requests only the server can serve as its own events.
//
// The server makes a new controller for each use: one for the start-up load, one
// for each ShowControlPanel call, released when the call returns.
#pragma once

#include <memory>
#include <string>

#include "settings/cpanel_context.h"
#include "settings/cpanel_parent.h"
#include "settings/data_path_setup.h"
#include "settings/frm_cpanel.h"
#include "settings/settings_file.h"

namespace k9 {

class clsCpanel : private frmCpanel::Events {
 public:
  // Events raised to the server while the window is open.
  class Events {
   public:
    virtual ~Events() = default;
    virtual void AboutCartex() {}
    virtual void ImpMgrDialog() {}
  };

  // `events` may be nullptr and is not owned.
  explicit clsCpanel(const CpanelContext& context = CpanelContext(), Events* events = nullptr);
  clsCpanel(const clsCpanel&) = delete;
  clsCpanel& operator=(const clsCpanel&) = delete;
  ~clsCpanel() override;

  // The server object whose members the panel reads and sets. Not owned; must
  // outlive ShowControlPanel.
  void Parent(CpanelParent* parent) { parent_ = parent; }

  // Reads the display options, the overlay and the underlay from section SETUP
  // into the outputs. With `setup_request` false (start-up) it then reads the
  // folders from section PATHS and, when DATA1, DATA2, DATA3 or STATES0 is empty,
  // runs the data path setup; with `setup_request` true (Easy Setup) it runs the
  // setup straight away and the folders are what the setup found ("" when none).
  // A Boolean value that cannot be read as one keeps the option's default, so a
  // damaged settings file never stops the server from starting.
  void LoadIni(std::string& data1, std::string& data2, std::string& data3, std::string& data4,
               std::string& states0, std::string& states1, bool& mono, bool& shade_mcd,
               bool& shade_county, bool& shade_place, bool& shade_state, bool& white_background,
               bool& oneway_show, bool& high_contrast, bool& zip_codes, std::string& overlay,
               std::string& underlay, bool setup_request);
  // The same, with outputs 1 to 17 in one record. True when the folders were
  // found (complete in the file, or by a setup that completed); false when the
  // setup was cancelled or the chosen folder held no "MAP.INI".
  bool LoadIni(settings::SavedSettings& out, bool setup_request);

  // Shows the control panel modally, preset from the server, and returns when the
  // user has closed it. REQUIRES: Parent has been set.
  void ShowControlPanel();

  // The window while ShowControlPanel runs, else nullptr.
  frmCpanel* window() { return window_.get(); }

 private:
  // frmCpanel::Events.
  void EasySetup() override;
  void Data1() override;
  void Data2() override;
  void Data3() override;
  void Data4() override;
  void States0() override;
  void Monochrome(bool checked) override;
  void AboutCartex() override;
  void ImpMgrDialog() override;
  void ShowZipCodes(bool checked) override;
  void ShadeCounties(bool checked) override;
  void ShadeMCD(bool checked) override;
  void ShadePlaces(bool checked) override;
  void ShadeStates(bool checked) override;
  void OnewayShow(bool checked) override;
  void OvlFile(std::string& file) override;
  void UnderFile(std::string& file) override;

  void SaveSetup(const char* key, bool value);
  // Browses for one folder starting at `current`; the chosen folder or "".
  std::string BrowseFolderFor(const std::string& current, const char* label);

  CpanelContext context_;
  Events* events_;
  CpanelParent* parent_ = nullptr;
  std::unique_ptr<frmCpanel> window_;
};

}  // namespace k9
