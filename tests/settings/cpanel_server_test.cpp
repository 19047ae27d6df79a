// The control panel as the server uses it: the start-up load with and without a
// data path setup, ShowControlPanel end to end, and the AboutCartex and
// ImpMgrDialog handlers reached from the panel's menus.
#include <gtest/gtest.h>

#include "common/cls_ini.h"
#include "server/server_fixture.h"
#include "settings/control_panel_part.h"

namespace k9::testing {
namespace {

class CpanelServerTest : public ServerTest {
 protected:
  CpanelServerTest() {
    dialogs_.SetMessageSink(
        [this](const HeadlessDialogs::Message& m) { messages_.push_back(m.text); });
  }

  ServerParts Parts() {
    ServerParts parts;
    ControlPanelTools tools;
    tools.view = &view_;
    AddControlPanel(parts, tools);
    return parts;
  }

  std::string Ini(const std::string& section, const std::string& key) {
    return clsIni(ports_).GetIniString(section, key, "<absent>").value_or("");
  }

  HeadlessFormView view_;
  std::vector<std::string> messages_;
};

TEST_F(CpanelServerTest, FirstStartWithoutSettingsFileRunsTheDataPathSetup) {
  std::string callsign = "G4ABC";
  Server(Parts()).Initialize(callsign, &events_, &form_);
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[0].rfind("You need to tell Kestrel9 the location", 0), 0u);
  EXPECT_EQ(dialogs_.folder_requests().size(), 1u);
}

TEST_F(CpanelServerTest, StartWithCompletePathsRunsNoSetupAndPutsTheFolders) {
  SetSettingsFile("[PATHS]\r\nDATA1=/m/d1\r\nDATA2=/m/d2\r\nDATA3=/m/d3\r\nSTATES0=/m/st\r\n");
  std::string callsign = "G4ABC";
  clsMapServ& server = Server(Parts());
  server.Initialize(callsign, &events_, &form_);
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(dialogs_.folder_requests().empty());
  EXPECT_EQ(server.strData1(), "/m/d1");
  EXPECT_EQ(server.strStates1(), "/m/st");
}

TEST_F(CpanelServerTest, PanelChangesTheServerAndRaisesAboutAndImportManagerIntoIt) {
  SetSettingsFile("[PATHS]\r\nDATA1=/m/d1\r\nDATA2=/m/d2\r\nDATA3=/m/d3\r\nSTATES0=/m/st\r\n");
  clsMapServ& server = InitializedServer(Parts());
  ASSERT_FALSE(server.blnZipCodes());
  for (const char* step : {"mnuZipCodes", "mnuMonochromeMaps", "mnuWhiteBackground", "mnuAbout",
                           "cmdAboutCartex", "cmdOK", "mnuImpMgr", "mnuExit"}) {
    view_.Queue(step);
  }
  server.ShowControlPanel();
  EXPECT_TRUE(server.blnZipCodes());
  EXPECT_TRUE(server.blnMono());
  EXPECT_TRUE(server.blnWhiteBackground());
  EXPECT_EQ(Ini("SETUP", "SHOW_ZIPCODES"), "True");
  EXPECT_EQ(Ini("SETUP", "MONOCHROME"), "True");
  EXPECT_EQ(Ini("SETUP", "WHITE_BACKGROUND"), "True");
  EXPECT_EQ(engine().CallsStartingWith("AboutBox").size(), 1u);
  EXPECT_EQ(engine().CallsStartingWith("ImportManager.Show").size(), 1u);
  EXPECT_TRUE(view_.steps().empty());
}

TEST_F(CpanelServerTest, PanelBeforeInitializeHasNoOptionsAndWritesNothing) {
  clsMapServ& server = Server(Parts());
  view_.Queue("mnuAbout");
  view_.Queue("cmdAboutCartex");  // disabled: the engine is not working
  view_.Queue("mnuExit");
  std::vector<std::string> reports;
  view_.SetReportSink([&](const std::string& text) { reports.push_back(text); });
  server.ShowControlPanel();
  EXPECT_EQ(reports, (std::vector<std::string>{"frmAbout: cmdAboutCartex is disabled"}));
  EXPECT_FALSE(fs_.Contents(InServer("Kestrel9.INI")).has_value());
}

TEST_F(CpanelServerTest, ServerReportsThePanelsHelpContext) {
  bool b = false;
  std::string help_file, short_name;
  std::int32_t topic = 0;
  TextArray captions;
  Server(Parts()).GetSupportedFeatures(b, b, b, b, b, help_file, topic, short_name, captions);
  EXPECT_EQ(topic, 30);
}

}  // namespace
}  // namespace k9::testing
