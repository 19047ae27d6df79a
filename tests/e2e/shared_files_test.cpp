// The server's files as a user meets them on a real install: one the user made
// read-only, and ten hosts changing the same files at once.
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "e2e_fixture.h"

namespace k9::e2e {
namespace {

using SharedFiles = InstalledTree;

TEST_F(SharedFiles, AReadOnlyFavouritesFileStaysAsItWasAndTheAddSaysWhy) {
  ConfigureDataFolders();
  std::ofstream(Path("Kestrel9/Kestrel9.FAV"), std::ios::binary) << "Texas\r\n";
  ASSERT_EQ(::chmod(Path("Kestrel9/Kestrel9.FAV").c_str(), 0444), 0);
  const RunResult run = Host("create\ninitialize K1ABC\nfavourite add Austin\nfavourite load\n");
  EXPECT_EQ(run.exit_code, 0);
  // The file's permission bits decide, for the superuser too.
  EXPECT_NE(std::find(run.lines.begin(), run.lines.end(),
                      "MessageBox \"Strato9 server for Harrier32\" \"Kestrel9 could not add the "
                      "favourite view. The file \"" +
                          Path("Kestrel9/Kestrel9.FAV") + "\" is read-only.\""),
            run.lines.end())
      << ::testing::PrintToString(run.lines);
  EXPECT_EQ(LinesStartingWith(run.lines, "Favourite"),
            std::vector<std::string>{"Favourite 0 \"Texas\""});
  EXPECT_EQ(Read("Kestrel9/Kestrel9.FAV"), "Texas\r\n");
}

TEST_F(SharedFiles, TenHostsAtOnceLoseNoFavouriteAndNoSetting) {
  ConfigureDataFolders();
  // Each host adds one view; seven of them also switch one option each.
  const char* toggles[] = {"mnuMonochromeMaps", "mnuShadeMCD",    "mnuShadeCounties",
                           "mnuShadePlaces",    "mnuShadeStates", "mnuShowOneway",
                           "mnuZipCodes"};
  std::ofstream launch(Path("launch.sh"));
  launch << "cd '" << Path("") << "'\nexport KESTREL9_REGISTRY='" << Path("registry.reg") << "'\n";
  for (int host = 0; host < 10; ++host) {
    const std::string name = "host" + std::to_string(host);
    std::ofstream(Path(name + ".k9"))
        << "create\ninitialize K1ABC\nfavourite add \"View of host " << host << "\"\n"
        << (host < 7 ? std::string("panel ") + toggles[host] + "\n" : "") << "release\n";
    launch << "Harrier32/kestrel9-host " << name << ".k9 >" << name << ".out 2>&1 &\n";
  }
  launch << "wait\n";
  launch.close();
  ASSERT_EQ(std::system(("bash '" + Path("launch.sh") + "'").c_str()), 0);

  std::set<std::string> views;
  std::istringstream lines(Read("Kestrel9/Kestrel9.FAV"));
  for (std::string line; std::getline(lines, line);) views.insert(line);
  EXPECT_EQ(views.size(), 10u) << Read("Kestrel9/Kestrel9.FAV");
  const std::string ini = Read("Kestrel9/Kestrel9.INI");
  for (const char* setting :
       {"MONOCHROME=True", "SHADE_MCD=False", "SHADE_COUNTY=False", "SHADE_PLACE=False",
        "SHADE_STATE=False", "ONEWAY_SHOW=True", "SHOW_ZIPCODES=True"}) {
    EXPECT_NE(ini.find(setting), std::string::npos) << setting << " lost:\n" << ini;
  }
  for (int host = 0; host < 10; ++host) {
    const std::string out = Read("host" + std::to_string(host) + ".out");
    EXPECT_EQ(out.find("MessageBox"), std::string::npos) << out;
  }
}

}  // namespace
}  // namespace k9::e2e
