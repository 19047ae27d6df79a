// LoadIni and the data path setup it runs: the start-up load, Easy Setup, the
// folder dialog's answers, "MAP.INI" missing, incomplete and complete, and what
// is written to section PATHS.
#include <gtest/gtest.h>

#include "settings/cpanel_fixture.h"

namespace k9::testing {
namespace {

constexpr char kStartupIntro[] =
    "You need to tell Kestrel9 the location of your Stratomap V9 data files.  In the next "
    "dialogue, please browse to your Stratomap V9 program folder, then click 'Ok'.";
constexpr char kEasyIntro[] =
    " In the next dialogue, please browse to your Stratomap V9 program folder, then click 'Ok'.";
constexpr char kNotConfigured[] =
    "Kestrel9 will not work properly until you configure the data directories. You will be "
    "prompted again the next time the server starts, or you can manually configure the "
    "directories using the Map, Control Panel menu option.";
constexpr char kStartupSuccess[] =
    "The map data paths have been successfully configured. If you need to change the map data "
    "paths in the future, please use the Map, 'Control Panel' menu option. Also, please note that "
    "Kestrel9 has a help file, which can be accessed both from the Control and from the Map, "
    "'Kestrel6 Help' menu option.";
constexpr char kEasySuccess[] = "The map data paths have been successfully configured.";

constexpr char kProduct[] = "C:\\Program Files\\Stratomap Wayfarer 9.0";
constexpr char kCompleteMapIni[] =
    "Data1Path=C:\\MAPS\\DATA1\\\r\nData2Path=C:\\MAPS\\DATA2\r\nData3Path=C:\\MAPS\\DATA3\r\n"
    "Data4Path=\r\nStatesPath=D:\\STATES\\\r\n";

struct Loaded {
  std::string data1, data2, data3, data4, states0, states1;
  bool mono = false, shade_mcd = false, shade_county = false, shade_place = false,
       shade_state = false, white_background = false, oneway_show = false, high_contrast = false,
       zip_codes = false;
  std::string overlay, underlay;
};

class LoadIniTest : public CpanelTest {
 protected:
  Loaded Load(bool setup_request, Loaded start = {}) {
    clsCpanel panel(context());
    Loaded r = start;
    panel.LoadIni(r.data1, r.data2, r.data3, r.data4, r.states0, r.states1, r.mono, r.shade_mcd,
                  r.shade_county, r.shade_place, r.shade_state, r.white_background, r.oneway_show,
                  r.high_contrast, r.zip_codes, r.overlay, r.underlay, setup_request);
    return r;
  }
};

TEST_F(LoadIniTest, FirstStartWithoutSettingsFileUsesDefaultsAndRunsTheSetup) {
  const Loaded r = Load(false);
  EXPECT_FALSE(r.mono);
  EXPECT_TRUE(r.shade_mcd);
  EXPECT_TRUE(r.shade_county);
  EXPECT_TRUE(r.shade_place);
  EXPECT_TRUE(r.shade_state);
  EXPECT_FALSE(r.white_background);
  EXPECT_FALSE(r.oneway_show);
  EXPECT_TRUE(r.high_contrast);
  EXPECT_FALSE(r.zip_codes);
  EXPECT_EQ(r.overlay, "");
  EXPECT_EQ(r.underlay, "");
  EXPECT_EQ(r.data1 + r.data2 + r.data3 + r.data4 + r.states0 + r.states1, "");
  // No queued folder answer: the dialog counts as cancelled.
  EXPECT_EQ(Messages(), (std::vector<std::string>{kStartupIntro, kNotConfigured}));
  ASSERT_EQ(dialogs_.folder_requests().size(), 1u);
  EXPECT_EQ(dialogs_.folder_requests()[0].title, "Browse to the Stratomap V9 program folder");
  EXPECT_EQ(dialogs_.folder_requests()[0].start_folder, "");
  EXPECT_FALSE(fs_.Contents(kIni).has_value());
}

TEST_F(LoadIniTest, CompletePathsNeedNoSetupAndLendStates0ToAnEmptyStates1) {
  WriteIni(
      "[PATHS]\r\nDATA1=C:\\M\\D1\r\nDATA2=C:\\M\\D2\r\nDATA3=C:\\M\\D3\r\nSTATES0=C:\\M\\ST\r\n"
      "[SETUP]\r\nMONOCHROME=1\r\nSHADE_MCD=false\r\nHIGH_CONTRAST=0\r\nSHOW_ZIPCODES=TRUE\r\n"
      "OVERLAY=C:\\Srv\\Strato Overlays\\a.OVR\r\nUNDERLAY=\"\"\r\n");
  const std::string before = RawIni();
  const Loaded r = Load(false);
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(dialogs_.folder_requests().empty());
  EXPECT_EQ(r.data1, "C:\\M\\D1");
  EXPECT_EQ(r.data4, "");
  EXPECT_EQ(r.states0, "C:\\M\\ST");
  EXPECT_EQ(r.states1, "C:\\M\\ST");
  EXPECT_TRUE(r.mono);
  EXPECT_FALSE(r.shade_mcd);
  EXPECT_FALSE(r.high_contrast);
  EXPECT_TRUE(r.zip_codes);
  EXPECT_TRUE(r.shade_state);  // absent: default
  EXPECT_EQ(r.overlay, "C:\\Srv\\Strato Overlays\\a.OVR");
  EXPECT_EQ(r.underlay, "");
  EXPECT_EQ(RawIni(), before);
}

TEST_F(LoadIniTest, AStoredStates1IsKept) {
  WriteIni("[PATHS]\r\nDATA1=a1\r\nDATA2=a2\r\nDATA3=a3\r\nSTATES0=s0\r\nSTATES1=s1\r\n");
  EXPECT_EQ(Load(false).states1, "s1");
}

TEST_F(LoadIniTest, AnUnreadableBooleanKeepsItsDefaultInsteadOfStoppingTheStart) {
  WriteIni(
      "[PATHS]\r\nDATA1=a1\r\nDATA2=a2\r\nDATA3=a3\r\nSTATES0=s0\r\n"
      "[SETUP]\r\nMONOCHROME=perhaps\r\nSHADE_STATE=yes please\r\nONEWAY_SHOW=True\r\n");
  const Loaded r = Load(false);
  EXPECT_FALSE(r.mono);
  EXPECT_TRUE(r.shade_state);
  EXPECT_TRUE(r.oneway_show);
}

TEST_F(LoadIniTest, ProgramFolderFromTheRegistryIsTheStartFolderOnlyWithMapIni) {
  SetProgramFiles("C:\\Program Files");
  Load(false);
  ASSERT_EQ(dialogs_.folder_requests().size(), 1u);
  EXPECT_EQ(dialogs_.folder_requests()[0].start_folder, "");

  AddMapIni(kProduct, kCompleteMapIni);
  Load(false);
  ASSERT_EQ(dialogs_.folder_requests().size(), 2u);
  EXPECT_EQ(dialogs_.folder_requests()[1].start_folder, kProduct);
}

TEST_F(LoadIniTest, TheFolderDialogsHiddenOwnerStandsAQuarterIntoTheScreen) {
  // Where the view puts each window it loads.
  struct PlacingView : HeadlessFormView {
    std::intptr_t Load(ViewableForm& form) override {
      placed.emplace_back(form.FormName(), form.Placement());
      return 0x77;
    }
    std::vector<std::pair<std::string, FormPlacement>> placed;
  } view;
  DataPathSetup(ports(), view).BrowseDataFolder("", "Data1");
  ASSERT_EQ(view.placed.size(), 1u);
  EXPECT_EQ(view.placed[0].first, "frmDummy");
  EXPECT_EQ(view.placed[0].second.left, 256 * kTwipsPerPixel);
  EXPECT_EQ(view.placed[0].second.top, 192 * kTwipsPerPixel);
  EXPECT_GT(view.placed[0].second.width, 0);
  ASSERT_EQ(dialogs_.folder_requests().size(), 1u);
  EXPECT_EQ(dialogs_.folder_requests()[0].owner, 0x77);
}

TEST_F(LoadIniTest, StartUpSetupWithCompleteMapIniSavesTheFoldersAndSaysSo) {
  AddMapIni(kProduct, kCompleteMapIni);
  fs_.AddDirectory("C:\\MAPS\\States");
  dialogs_.QueueFolderAnswer(std::string(kProduct));
  const Loaded r = Load(false);

  EXPECT_EQ(Messages(), (std::vector<std::string>{kStartupIntro, kStartupSuccess}));
  EXPECT_EQ(r.data1, "C:\\MAPS\\DATA1");
  EXPECT_EQ(r.data2, "C:\\MAPS\\DATA2");
  EXPECT_EQ(r.data3, "C:\\MAPS\\DATA3");
  EXPECT_EQ(r.data4, "");
  EXPECT_EQ(r.states0, "D:\\STATES");
  // Parents C:\MAPS and D:\ differ and C:\MAPS\States exists.
  EXPECT_EQ(r.states1, "C:\\MAPS\\States");
  EXPECT_EQ(RawIni(),
            "[PATHS]\r\nDATA1=C:\\MAPS\\DATA1\r\nDATA2=C:\\MAPS\\DATA2\r\nDATA3=C:\\MAPS\\DATA3\r\n"
            "DATA4=\"\"\r\nSTATES0=D:\\STATES\r\n");
}

TEST_F(LoadIniTest, SupplementaryStatesFolderFallsBackToTheStatesFolder) {
  AddMapIni(kProduct, kCompleteMapIni);
  dialogs_.QueueFolderAnswer(std::string(kProduct) + "\\");
  EXPECT_EQ(Load(false).states1, "D:\\STATES");
}

TEST_F(LoadIniTest, SupplementaryStatesFolderIsTheStatesFolderWhenParentsMatchInUpperCase) {
  AddMapIni(kProduct,
            "Data1Path=C:\\MAPS\\DATA1\r\nData2Path=x\r\nData3Path=y\r\n"
            "StatesPath=C:\\maps\\STATES\r\n");
  fs_.AddDirectory("C:\\MAPS\\States");
  dialogs_.QueueFolderAnswer(std::string(kProduct));
  EXPECT_EQ(Load(false).states1, "C:\\maps\\STATES");
}

TEST_F(LoadIniTest, DriveRootStatesFolderKeepsItsBackslash) {
  AddMapIni(kProduct,
            "Data1Path=C:\\D1\r\nData2Path=C:\\D2\r\nData3Path=C:\\D3\r\nStatesPath=D:\\\r\n");
  dialogs_.QueueFolderAnswer(std::string(kProduct));
  EXPECT_EQ(Load(false).states0, "D:\\");
}

TEST_F(LoadIniTest, CancelledAtStartUpKeepsTheFoldersReadAndWritesNothing) {
  WriteIni("[PATHS]\r\nDATA1=C:\\M\\D1\r\nSTATES1=C:\\M\\S1\r\n");
  const std::string before = RawIni();
  const Loaded r = Load(false);
  EXPECT_EQ(Messages(), (std::vector<std::string>{kStartupIntro, kNotConfigured}));
  EXPECT_EQ(r.data1, "C:\\M\\D1");
  EXPECT_EQ(r.states1, "C:\\M\\S1");
  EXPECT_EQ(RawIni(), before);
}

TEST_F(LoadIniTest, FolderWithoutMapIniIsRefusedAndNothingIsWritten) {
  fs_.AddDirectory("C:\\Elsewhere");
  dialogs_.QueueFolderAnswer(std::string("C:\\Elsewhere"));
  Load(false);
  EXPECT_EQ(Messages(), (std::vector<std::string>{
                            kStartupIntro,
                            std::string("The directory you selected does not contain MAP.INI. ") +
                                kNotConfigured}));
  EXPECT_FALSE(fs_.Contents(kIni).has_value());
}

TEST_F(LoadIniTest, IncompleteMapIniIsReportedButItsValuesAreStillSaved) {
  WriteIni("[PATHS]\r\nSTATES1=C:\\OLD\r\n");
  AddMapIni(kProduct,
            "Data1Path=C:\\MAPS\\DATA1\r\nData3Path=C:\\MAPS\\DATA3\r\nStatesPath=D:\\S\r\n");
  dialogs_.QueueFolderAnswer(std::string(kProduct));
  const Loaded r = Load(false);
  EXPECT_EQ(Messages(), (std::vector<std::string>{
                            kStartupIntro,
                            std::string("MAP.INI does not contain all the required data directory "
                                        "information. ") +
                                kNotConfigured}));
  EXPECT_EQ(r.data2, "");
  EXPECT_EQ(r.states1, "C:\\OLD");  // keeps what it held
  EXPECT_EQ(Ini("PATHS", "DATA1"), "C:\\MAPS\\DATA1");
  EXPECT_NE(RawIni().find("DATA2=\"\"\r\n"), std::string::npos);
  EXPECT_EQ(Ini("PATHS", "STATES0"), "D:\\S");
  EXPECT_EQ(Ini("PATHS", "STATES1"), "C:\\OLD");
}

TEST_F(LoadIniTest, EasySetupIgnoresSavedPathsAndEndsWithTheShortSentence) {
  WriteIni(
      "[PATHS]\r\nDATA1=a1\r\nDATA2=a2\r\nDATA3=a3\r\nSTATES0=s0\r\nSTATES1=s1\r\n"
      "[SETUP]\r\nMONOCHROME=True\r\n");
  AddMapIni(kProduct, kCompleteMapIni);
  dialogs_.QueueFolderAnswer(std::string(kProduct));
  const Loaded r = Load(true);
  EXPECT_EQ(Messages(), (std::vector<std::string>{kEasyIntro, kEasySuccess}));
  EXPECT_TRUE(r.mono);
  EXPECT_EQ(r.data1, "C:\\MAPS\\DATA1");
  EXPECT_EQ(r.states1, "D:\\STATES");
  EXPECT_EQ(Ini("PATHS", "DATA1"), "C:\\MAPS\\DATA1");
  EXPECT_EQ(Ini("PATHS", "STATES1"), "s1");  // never written
}

TEST_F(LoadIniTest, EasySetupCancelledGivesEmptyFoldersAndKeepsTheFile) {
  WriteIni("[PATHS]\r\nDATA1=a1\r\nDATA2=a2\r\nDATA3=a3\r\nSTATES0=s0\r\n");
  const std::string before = RawIni();
  Loaded start;
  start.data1 = "left over";
  const Loaded r = Load(true, start);
  EXPECT_EQ(Messages(), (std::vector<std::string>{kEasyIntro, kNotConfigured}));
  EXPECT_EQ(r.data1 + r.data2 + r.data3 + r.data4 + r.states0 + r.states1, "");
  EXPECT_EQ(RawIni(), before);
}

}  // namespace
}  // namespace k9::testing
