// The control panel shown through clsCpanel: preset from the server, each menu
// reaction changing the server and the settings file at once, the three check
// marks saved on close, the folder items, Easy Setup, overlays and underlays, the
// disabled Options menu, About, Import Mgr and Help.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <variant>

#include "settings/cpanel_fixture.h"

namespace k9::testing {
namespace {

using Puts = std::vector<std::string>;

// Plays menu names and checks against whatever form is showing; a name the
// showing form lacks closes it and is left for the form below.
class ScriptView : public FormView {
 public:
  using Step = std::variant<std::string, std::function<void()>>;
  std::deque<Step> steps;

  std::intptr_t Load(ViewableForm&) override { return 0; }
  void Unload(ViewableForm&) override {}
  void ShowModal(ViewableForm& form) override {
    while (form.Visible()) {
      if (steps.empty()) {
        form.SystemClose();
        return;
      }
      Step step = std::move(steps.front());
      steps.pop_front();
      if (auto* check = std::get_if<std::function<void()>>(&step)) {
        (*check)();
        continue;
      }
      const std::string& name = std::get<std::string>(step);
      if (name == "close") {
        form.SystemClose();
        return;
      }
      switch (form.Click(name)) {
        case ViewableForm::ClickResult::kDone:
          break;
        case ViewableForm::ClickResult::kDisabled:
          disabled.push_back(name);
          break;
        case ViewableForm::ClickResult::kNoSuchControl:
          steps.push_front(name);
          form.SystemClose();
          return;
      }
    }
  }
  std::vector<std::string> disabled;
};

class CpanelPanelTest : public CpanelTest {
 protected:
  void SetUp() override {
    parent_.flags["blnShadeMcd"] = true;
    parent_.flags["blnHighContrastRds"] = true;
    parent_.texts["strOvlFile"] = "C:\\Srv\\Strato Overlays\\a.OVR";
    parent_.texts["strUnderFile"] = "C:\\Srv\\Strato Underlays\\u.BMP";
  }

  void Click(std::string name) { script_.steps.push_back(std::move(name)); }
  // Runs `check` on the open panel after the steps queued before it.
  void Then(std::function<void()> check) { script_.steps.push_back(std::move(check)); }

  void Show() {
    CpanelContext ctx = context();
    ctx.view = &script_;
    clsCpanel panel(ctx, &events_);
    panel.Parent(&parent_);
    panel_ = &panel;
    parent_.puts.clear();
    panel.ShowControlPanel();
    panel_ = nullptr;
  }

  frmCpanel& Window() { return *panel_->window(); }
  const Puts& RealPuts() const { return parent_.puts; }

  ScriptView script_;

 private:
  clsCpanel* panel_ = nullptr;
};

TEST_F(CpanelPanelTest, PresetsCheckMarksFromTheServerAndEnablesOptions) {
  parent_.flags["blnZipCodes"] = true;
  Then([&] {
    EXPECT_TRUE(Window().Menu("mnuOptions").enabled);
    EXPECT_TRUE(Window().Menu("mnuShadeMCD").checked);
    EXPECT_TRUE(Window().Menu("mnuHighContrastRds").checked);
    EXPECT_TRUE(Window().Menu("mnuZipCodes").checked);
    EXPECT_FALSE(Window().Menu("mnuMonochromeMaps").checked);
    EXPECT_FALSE(Window().Menu("mnuShadeStates").checked);
    EXPECT_EQ(Window().stored_under_file(), "C:\\Srv\\Strato Underlays\\u.BMP");
  });
  Show();
}

TEST_F(CpanelPanelTest, EachOptionToggleChangesTheServerAndTheFileAtOnce) {
  struct Case {
    const char* item;
    const char* put;
    const char* key;
    const char* written;
  };
  const Case cases[] = {
      {"mnuMonochromeMaps", "blnMono=True", "MONOCHROME", "True"},
      {"mnuShadeMCD", "blnShadeMcd=False", "SHADE_MCD", "False"},
      {"mnuShadeCounties", "blnShadeCounties=True", "SHADE_COUNTY", "True"},
      {"mnuShadePlaces", "blnShadePlaces=True", "SHADE_PLACE", "True"},
      {"mnuShadeStates", "blnShadeStates=True", "SHADE_STATE", "True"},
      {"mnuShowOneway", "blnOnewayShow=True", "ONEWAY_SHOW", "True"},
      {"mnuZipCodes", "blnZipCodes=True", "SHOW_ZIPCODES", "True"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    Click(c.item);
    Then([&] {
      EXPECT_EQ(RealPuts().back(), c.put);
      EXPECT_EQ(Ini("SETUP", c.key), c.written);
    });
  }
  Show();
}

TEST_F(CpanelPanelTest, WhiteBackgroundAndHighContrastChangeOnlyWhenTheWindowCloses) {
  Click("mnuWhiteBackground");
  Click("mnuHighContrastRds");
  Then([&] {
    EXPECT_TRUE(RealPuts().empty());
    EXPECT_FALSE(fs_.Contents(kIni).has_value());
    EXPECT_TRUE(Window().Menu("mnuWhiteBackground").checked);
  });
  Click("mnuExit");
  Show();
  EXPECT_EQ(RealPuts(), (Puts{"blnWhiteBackground=True", "blnHighContrastRds=False"}));
  EXPECT_EQ(Ini("SETUP", "WHITE_BACKGROUND"), "True");
  EXPECT_EQ(Ini("SETUP", "HIGH_CONTRAST"), "False");
  EXPECT_EQ(Ini("SETUP", "SHOW_ZIPCODES"), "False");
}

TEST_F(CpanelPanelTest, ZipCodesAreSavedAgainOnClose) {
  Click("mnuZipCodes");
  Then([&] { EXPECT_EQ(Ini("SETUP", "SHOW_ZIPCODES"), "True"); });
  Then([&] { fs_.AddFile(kIni, "[SETUP]\r\nSHOW_ZIPCODES=stale\r\n"); });
  Show();
  EXPECT_EQ(Ini("SETUP", "SHOW_ZIPCODES"), "True");
}

TEST_F(CpanelPanelTest, SystemCloseKeepsTheUsersChoices) {
  Click("mnuWhiteBackground");
  Click("close");
  Click("mnuMonochromeMaps");  // after the close: never played
  Show();
  EXPECT_EQ(Ini("SETUP", "WHITE_BACKGROUND"), "True");
  EXPECT_FALSE(Ini("SETUP", "MONOCHROME").has_value());
  EXPECT_EQ(script_.steps.size(), 1u);
}

TEST_F(CpanelPanelTest, ChoosingADataFolderSetsTheServerAndTheKey) {
  parent_.texts["strData1"] = "C:\\MAPS\\DATA1";
  fs_.AddDirectory("C:\\MAPS\\DATA1");
  dialogs_.QueueFolderAnswer(std::string("E:\\NEW1"));
  dialogs_.QueueFolderAnswer(std::string("E:\\ST"));
  Click("mnuData1");
  Click("mnuStates");
  Click("mnuExit");
  Show();
  EXPECT_EQ(RealPuts(), (Puts{"strData1=E:\\NEW1", "strStates0=E:\\ST", "blnWhiteBackground=False",
                              "blnHighContrastRds=True"}));
  EXPECT_EQ(Ini("PATHS", "DATA1"), "E:\\NEW1");
  EXPECT_EQ(Ini("PATHS", "STATES0"), "E:\\ST");
  ASSERT_EQ(dialogs_.folder_requests().size(), 2u);
  EXPECT_EQ(dialogs_.folder_requests()[0].title, "Browse to the Stratomap V9 Data1 folder");
  EXPECT_EQ(dialogs_.folder_requests()[0].start_folder, "C:\\MAPS\\DATA1");
  EXPECT_EQ(dialogs_.folder_requests()[1].title, "Browse to the Stratomap V9 States folder");
  EXPECT_EQ(dialogs_.folder_requests()[1].start_folder, "");  // current folder missing
}

TEST_F(CpanelPanelTest, CancelledFolderDialogChangesNothing) {
  WriteIni("[PATHS]\r\nDATA3=C:\\OLD3\r\n");
  parent_.texts["strData3"] = "C:\\OLD3";
  Click("mnuData3");  // nothing queued for the dialog: cancelled
  Click("mnuData2");
  Click("mnuData4");
  Click("mnuExit");
  Show();
  EXPECT_EQ(parent_.texts["strData3"], "C:\\OLD3");
  EXPECT_EQ(Ini("PATHS", "DATA3"), "C:\\OLD3");
  EXPECT_EQ(RealPuts(), (Puts{"blnWhiteBackground=False", "blnHighContrastRds=True"}));
  ASSERT_EQ(dialogs_.folder_requests().size(), 3u);
  EXPECT_EQ(dialogs_.folder_requests()[1].title, "Browse to the Stratomap V9 Data2 folder");
  EXPECT_EQ(dialogs_.folder_requests()[2].title, "Browse to the Stratomap V9 Data4 folder");
}

TEST_F(CpanelPanelTest, EasySetupThatDoesNotCompleteKeepsTheServersFoldersAndTheFile) {
  WriteIni(
      "[PATHS]\r\nDATA1=a1\r\nDATA2=a2\r\nDATA3=a3\r\nDATA4=a4\r\nSTATES0=s0\r\n"
      "[SETUP]\r\nMONOCHROME=True\r\nSHADE_COUNTY=False\r\nSHOW_ZIPCODES=True\r\n"
      "OVERLAY=o.OVR\r\nUNDERLAY=u.BMP\r\n");
  const std::string before = RawIni();
  const Puts display_options{"blnMono=True",           "blnShadeMcd=True",
                             "blnShadeCounties=False", "blnShadePlaces=True",
                             "blnShadeStates=True",    "blnWhiteBackground=False",
                             "blnOnewayShow=False",    "blnHighContrastRds=True",
                             "strOvlFile=o.OVR",       "strUnderFile=u.BMP"};
  // First cancelled at the folder dialog, then a folder without MAP.INI.
  fs_.AddDirectory("C:\\Elsewhere");
  dialogs_.QueueFolderAnswer(std::nullopt);
  dialogs_.QueueFolderAnswer(std::string("C:\\Elsewhere"));
  Click("mnuEasySetup");
  Then([&] {
    EXPECT_EQ(RealPuts(), display_options);
    EXPECT_EQ(RawIni(), before);
    // The check marks are not refreshed.
    EXPECT_FALSE(Window().Menu("mnuMonochromeMaps").checked);
    parent_.puts.clear();
  });
  Click("mnuEasySetup");
  Then([&] {
    EXPECT_EQ(RealPuts(), display_options);
    EXPECT_EQ(RawIni(), before);
  });
  Show();
  EXPECT_EQ(parent_.texts.count("strData1"), 0u);
  EXPECT_EQ(Messages().size(), 4u);
}

TEST_F(CpanelPanelTest, EasySetupPutsTheOverlayReadFromTheFile) {
  WriteIni("[SETUP]\r\nOVERLAY=o.OVR\r\n");
  Click("mnuEasySetup");
  Click("mnuExit");
  Show();
  EXPECT_EQ(parent_.texts["strOvlFile"], "o.OVR");
  EXPECT_EQ(parent_.texts.count("strStates1"), 0u);
  EXPECT_EQ(parent_.flags.count("blnZipCodes") ? parent_.flags["blnZipCodes"] : false, false);
}

TEST_F(CpanelPanelTest, ClearOverlayWritesAnEmptyOverlayAndLoadStillStartsAtTheStoredFile) {
  chooser_.answers = {"C:\\Srv\\Strato Overlays\\b.OVR", "C:\\Srv\\Strato Overlays\\c.CAD"};
  Click("mnuClearOverlay");
  Then([&] {
    EXPECT_EQ(parent_.texts["strOvlFile"], "");
    EXPECT_NE(RawIni().find("OVERLAY=\"\"\r\n"), std::string::npos);
  });
  Click("mnuLoadOverlay");
  Click("mnuLoadOverlay");
  Click("mnuExit");
  Show();
  ASSERT_EQ(chooser_.calls.size(), 2u);
  EXPECT_EQ(chooser_.calls[0].current, "C:\\Srv\\Strato Overlays\\a.OVR");
  EXPECT_TRUE(chooser_.calls[0].overlay);
  // The second chooser starts at the file chosen the first time.
  EXPECT_EQ(chooser_.calls[1].current, "C:\\Srv\\Strato Overlays\\b.OVR");
  EXPECT_EQ(parent_.texts["strOvlFile"], "C:\\Srv\\Strato Overlays\\c.CAD");
  EXPECT_EQ(Ini("SETUP", "OVERLAY"), "C:\\Srv\\Strato Overlays\\c.CAD");
}

TEST_F(CpanelPanelTest, ACancelledChooserKeepsTheFileAndOkWithNoneCheckedClearsIt) {
  WriteIni("[SETUP]\r\nOVERLAY=C:\\Srv\\Strato Overlays\\a.OVR\r\n");
  const std::string before = RawIni();
  chooser_.answers = {std::nullopt, std::nullopt, ""};
  Click("mnuLoadOverlay");
  Click("mnuUnderlayLoad");
  Then([&] {
    ASSERT_EQ(chooser_.calls.size(), 2u);
    EXPECT_FALSE(chooser_.calls[1].overlay);
    EXPECT_EQ(chooser_.calls[1].current, "C:\\Srv\\Strato Underlays\\u.BMP");
    EXPECT_TRUE(RealPuts().empty());
    EXPECT_EQ(RawIni(), before);
  });
  Click("mnuUnderlayLoad");
  Then([&] {
    EXPECT_EQ(parent_.texts["strUnderFile"], "");
    EXPECT_NE(RawIni().find("UNDERLAY=\"\"\r\n"), std::string::npos);
  });
  Click("mnuExit");
  Show();
  EXPECT_EQ(parent_.texts["strOvlFile"], "C:\\Srv\\Strato Overlays\\a.OVR");
  EXPECT_EQ(RealPuts().front(), "strUnderFile=");
}

TEST_F(CpanelPanelTest, WithoutAWorkingEngineOptionsAreDisabledAndNothingIsWrittenBack) {
  parent_.control_ok = false;
  chooser_.answers = {"o.OVR"};
  Then([&] {
    EXPECT_FALSE(Window().Menu("mnuOptions").enabled);
    EXPECT_FALSE(Window().Menu("mnuShadeMCD").checked);  // design state, not preset
    EXPECT_EQ(Window().stored_ovl_file(), "");
  });
  Click("mnuMonochromeMaps");
  Click("mnuEasySetup");
  Click("mnuLoadOverlay");
  Click("mnuAbout");
  Click("cmdAboutCartex");
  Click("cmdOK");
  Click("mnuImpMgr");
  Click("mnuExit");
  Show();
  EXPECT_EQ(script_.disabled,
            (std::vector<std::string>{"mnuMonochromeMaps", "mnuEasySetup", "cmdAboutCartex"}));
  EXPECT_EQ(RealPuts(), (Puts{"strOvlFile=o.OVR"}));
  EXPECT_EQ(RawIni(), "[SETUP]\r\nOVERLAY=o.OVR\r\n");
  EXPECT_EQ(events_.raised, (std::vector<std::string>{"ImpMgrDialog"}));
  EXPECT_TRUE(Messages().empty());
}

TEST_F(CpanelPanelTest, AboutBoxEngineButtonAndImportManagerReachTheServer) {
  Click("mnuAbout");
  Click("cmdAboutCartex");
  Click("mnuImpMgr");  // closes the About box, then picked in the panel
  Click("mnuExit");
  Show();
  EXPECT_EQ(events_.raised, (std::vector<std::string>{"AboutCartex", "ImpMgrDialog"}));
  EXPECT_TRUE(script_.steps.empty());
}

TEST_F(CpanelPanelTest, HelpOpensContext30AndClosesWithThePanel) {
  Click("mnuHelp");
  Click("mnuExit");
  Show();
  ASSERT_EQ(help_.size(), 2u);
  EXPECT_EQ(help_[0].file, "C:\\Srv\\Kestrel9.chm");
  EXPECT_EQ(help_[0].command, 1u);
  EXPECT_EQ(help_[0].data, 30u);
  EXPECT_EQ(help_[1].command, 2u);
  EXPECT_EQ(help_[1].file, "C:\\Srv\\Kestrel9.chm");
}

TEST_F(CpanelPanelTest, HelpAskedForInTheChoosersOpensThePanelsHelpFileAtTheirContext) {
  chooser_.press_f1 = true;
  Click("mnuLoadOverlay");
  Click("mnuUnderlayLoad");
  Click("mnuExit");
  Show();
  ASSERT_EQ(help_.size(), 3u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(help_[i].file, "C:\\Srv\\Kestrel9.chm");
    EXPECT_EQ(help_[i].command, 1u);
    EXPECT_EQ(help_[i].data, 70u);
  }
  EXPECT_EQ(help_[2].command, 2u);  // closing the panel closes that help too
}

TEST(FrmCpanelTest, MenuTreeHasTheNamesCaptionsKindsAndNestingOfTheDesign) {
  frmCpanel window;
  std::vector<std::string> rows;
  for (const MenuItem& item : window.Menus()) {
    const std::string parent =
        item.parent < 0 ? "" : window.Menus()[static_cast<std::size_t>(item.parent)].name;
    const char* kinds[] = {"submenu", "command", "check", "separator"};
    rows.push_back(parent + ">" + item.name + " " + item.caption + " " +
                   kinds[static_cast<int>(item.kind)]);
    EXPECT_FALSE(item.checked);
    EXPECT_TRUE(item.enabled);
  }
  EXPECT_EQ(rows, (std::vector<std::string>{
                      ">mnuOptions &Options submenu",
                      "mnuOptions>mnuDataPaths &Stratomap Data Paths submenu",
                      "mnuDataPaths>mnuEasySetup &Easy Setup command",
                      "mnuDataPaths>mnuData1 Data&1 command",
                      "mnuDataPaths>mnuData2 Data&2 command",
                      "mnuDataPaths>mnuData3 Data&3 command",
                      "mnuDataPaths>mnuData4 Data&4 command",
                      "mnuDataPaths>mnuStates &States command",
                      "mnuOptions>mnuBar1 - separator",
                      "mnuOptions>mnuMonochromeMaps &Monochrome Maps check",
                      "mnuOptions>mnuWhiteBackground &White Background check",
                      "mnuOptions>mnuShowOneway Show &Oneway check",
                      "mnuOptions>mnuHighContrastRds Show &High Contrast Rds. check",
                      "mnuOptions>mnuZipCodes Show &Zip Codes check",
                      "mnuOptions>mnuBar2 - separator",
                      "mnuOptions>mnuShadeMCD Shade MC&Ds check",
                      "mnuOptions>mnuShadePlaces Shade P&laces check",
                      "mnuOptions>mnuShadeCounties Shade &Counties check",
                      "mnuOptions>mnuShadeStates Shade &States check",
                      ">mnuOverlays O&verlays submenu",
                      "mnuOverlays>mnuClearOverlay &Clear Overlay command",
                      "mnuOverlays>mnuLoadOverlay &Load Overlay command",
                      ">mnuUnderlays &Underlays submenu",
                      "mnuUnderlays>mnuClearUnderlay &Clear Underlay command",
                      "mnuUnderlays>mnuUnderlayLoad &Load Underlay command",
                      "mnuUnderlays>mnuUnderlayMake &Make Underlay command",
                      ">mnuImpMgr &Import Mgr command",
                      ">mnuAbout &About command",
                      ">mnuHelp &Help command",
                      ">mnuExit E&xit command",
                  }));
  EXPECT_EQ(window.Caption(), "Kestrel9 Control Panel");
  EXPECT_EQ(window.HelpContextID(), 30u);
}

TEST_F(CpanelTest, LoadingThePanelCentresItOnTheScreen) {
  frmCpanel window(context());
  window.Load();
  EXPECT_EQ(window.Left(), (1024 * kTwipsPerPixel - window.Width()) / 2);
  EXPECT_EQ(window.Top(), (768 * kTwipsPerPixel - window.Height()) / 2);
}

TEST_F(CpanelTest, HeadlessViewLeavesAStepForTheFormBelowAndReportsBadSteps) {
  view_.Queue("mnuAbout");
  view_.Queue("cmdAboutCartex");
  view_.Queue("mnuNoSuchThing");  // closes the About box, then reported by the panel
  view_.Queue("mnuZipCodes");
  view_.Queue("mnuExit");
  view_.Queue("mnuMonochromeMaps");  // left for a later display
  ShowPanel({});
  EXPECT_EQ(events_.raised, (std::vector<std::string>{"AboutCartex"}));
  EXPECT_EQ(view_reports_, (std::vector<std::string>{"frmCpanel: no control mnuNoSuchThing"}));
  EXPECT_EQ(parent_.flags["blnZipCodes"], true);
  EXPECT_EQ(view_.steps().size(), 1u);
}

TEST_F(CpanelTest, HeadlessViewClosesThePanelWhenStepsRunOut) {
  parent_.control_ok = false;
  ShowPanel({"mnuShadeStates"});
  EXPECT_EQ(view_reports_, (std::vector<std::string>{"frmCpanel: mnuShadeStates is disabled"}));
  EXPECT_TRUE(parent_.puts.empty());
}

}  // namespace
}  // namespace k9::testing
