// The end-to-end scripts both hosts run (the Windows host's tests run the same
// files): each script's output lines against its expected file, on a configured
// install of its own (scripts in one test share it, as they do there), with the
// files and settings the scripts leave checked here.
#include <filesystem>
#include <fstream>

#include "e2e_fixture.h"

namespace k9::e2e {
namespace {

class Scripts : public InstalledTree {
 protected:
  void SetUp() override {
    InstalledTree::SetUp();
    ConfigureDataFolders();
  }
};

TEST_F(Scripts, TheMainJobGivesItsLines) {
  ExpectScript("main_job");
  EXPECT_TRUE(Exists("main_job.png"));
}

TEST_F(Scripts, CallsBeforeCreateAndAResizedPictureBoxGiveTheirLines) {
  ExpectScript("resize");
  EXPECT_TRUE(Exists("resize.png"));
}

TEST_F(Scripts, TheServerDialogsReachedByTheHostGiveTheirLines) { ExpectScript("dialogs"); }

TEST_F(Scripts, TheDemoTourGivesItsLines) {
  ExpectScript(std::string(K9_DEMO_DIR) + "/tour.k9");
  EXPECT_TRUE(Exists("tour.png"));
  // The last search type is kept.
  const std::string ini = Read("Kestrel9/Kestrel9.INI");
  EXPECT_NE(ini.find("SEARCH_TYPE=2"), std::string::npos) << ini;
}

TEST_F(Scripts, FavouritesAreSavedBesideTheServerAndLoadedBack) {
  ExpectScript("favourites");
  // The last step deleted them all.
  EXPECT_EQ(Read("Kestrel9/Kestrel9.FAV"), "");
}

TEST_F(Scripts, ControlPanelChoicesChangeTheServerAndAreSavedAtOnce) {
  ExpectScript("control_panel");
  const std::string ini = Read("Kestrel9/Kestrel9.INI");
  EXPECT_NE(ini.find("SHADE_STATE=False"), std::string::npos) << ini;
  EXPECT_NE(ini.find("MONOCHROME=True"), std::string::npos) << ini;
  // The next start applies what was saved.
  ExpectScript("control_panel_again");
}

TEST_F(Scripts, ACancelledOverlayChooserKeepsTheOverlayAndClearingClearsIt) {
  ExpectScript("overlay_chooser");
  const std::string ini = Read("Kestrel9/Kestrel9.INI");
  EXPECT_NE(ini.find("OVERLAY=\"\""), std::string::npos) << ini;
}

TEST_F(Scripts, FailedCallsArePrintedAndTheScriptGoesOn) {
  const RunResult run = ExpectScript("failed_calls");
  EXPECT_EQ(LinesStartingWith(run.lines, "Error").size(), 3u);
}

TEST_F(Scripts, AMalformedScriptRunsNothing) {
  ExpectScript("malformed");
  EXPECT_FALSE(Exists("Kestrel9/Cartex71.Cfg") || Exists("Kestrel9/cartex71.cfg"));
}

}  // namespace
}  // namespace k9::e2e
