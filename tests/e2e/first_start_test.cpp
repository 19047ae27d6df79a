// A first start with an empty server folder: the data path setup runs through the
// host's queued folder answer and configures the data folders from MAP.INI.
#include "e2e_fixture.h"

namespace k9::e2e {
namespace {

constexpr char kTitle[] = "Strato9 server for Harrier32";
constexpr char kNotConfigured[] =
    "Kestrel9 will not work properly until you configure the data directories. You will be "
    "prompted again the next time the server starts, or you can manually configure the "
    "directories using the Map, Control Panel menu option.";

std::string Box(const std::string& text) {
  return std::string("MessageBox \"") + kTitle + "\" \"" + text + "\"";
}

using FirstStart = InstalledTree;

TEST_F(FirstStart, AnsweredFolderDialogConfiguresTheDataFoldersFromMapIni) {
  ASSERT_FALSE(Exists("Kestrel9/Kestrel9.INI"));
  const RunResult run =
      Host(FirstStartScript() + "get strData1\nget strStates0\nget blnControlOk\n");
  ASSERT_EQ(run.exit_code, 0) << run.error;
  const std::vector<std::string> expected = {
      Box("You need to tell Kestrel9 the location of your Stratomap V9 data files.  In the next "
          "dialogue, please browse to your Stratomap V9 program folder, then click 'Ok'."),
      Box("The map data paths have been successfully configured. If you need to change the map "
          "data paths in the future, please use the Map, 'Control Panel' menu option. Also, "
          "please note that Kestrel9 has a help file, which can be accessed both from the "
          "Control and from the Map, 'Kestrel6 Help' menu option."),
      "strData1 = \"" + engine_folder_ + "/us\"",
      "strStates0 = \"" + engine_folder_ + "/states\"",
      "blnControlOk = True",
      "Menu 1 Unloaded",
      "Menu 2 Unloaded",
      "Menu 3 Unloaded",
  };
  EXPECT_EQ(run.lines, expected);

  const std::string ini = Read("Kestrel9/Kestrel9.INI");
  EXPECT_NE(ini.find("[PATHS]\r\nDATA1=" + engine_folder_ + "/us\r\nDATA2=" + engine_folder_ +
                     "/world\r\nDATA3=" + engine_folder_ +
                     "/us\r\nDATA4=\"\"\r\nSTATES0=" + engine_folder_ + "/states\r\n"),
            std::string::npos)
      << ini;
  // The engine settings file, under the name it was first written with.
  EXPECT_TRUE(Exists("Kestrel9/Cartex71.Cfg") || Exists("Kestrel9/cartex71.cfg"));
  EXPECT_TRUE(Exists("Kestrel9/Strato Overlays"));
  EXPECT_TRUE(Exists("Kestrel9/Strato Underlays"));

  // The next start finds the folders and asks nothing.
  const RunResult again = Host("create\ninitialize K1ABC\nget strData2\n");
  EXPECT_EQ(LinesStartingWith(again.lines, "MessageBox").size(), 0u);
  EXPECT_EQ(LinesStartingWith(again.lines, "strData2 = ")[0],
            "strData2 = \"" + engine_folder_ + "/world\"");
}

TEST_F(FirstStart, CancelledOrWrongFolderLeavesTheSettingsUnconfiguredAndAsksAgain) {
  const RunResult cancelled = Host("create\nanswer folder cancel\ninitialize K1ABC\n");
  ASSERT_EQ(cancelled.exit_code, 0) << cancelled.error;
  ASSERT_GE(cancelled.lines.size(), 2u);
  EXPECT_EQ(cancelled.lines[1], Box(kNotConfigured));
  EXPECT_EQ(Read("Kestrel9/Kestrel9.INI").find("DATA1="), std::string::npos);

  const RunResult wrong =
      Host("create\nanswer folder \"" + Path("Harrier32") + "\"\ninitialize K1ABC\n");
  ASSERT_GE(wrong.lines.size(), 2u);
  EXPECT_EQ(
      wrong.lines[1],
      Box(std::string("The directory you selected does not contain MAP.INI. ") + kNotConfigured));
}

TEST_F(FirstStart, TheProgramFilesFolderOfTheRegistryIsWhereTheSetupLooks) {
  // With ProgramFilesDir set, the setup still asks, and the queued answer is used;
  // the engine folder under it holds MAP.INI, so it is the dialog's start folder.
  const RunResult run = Host(FirstStartScript(), {"--program-files", Path("Program Files")});
  ASSERT_EQ(run.exit_code, 0) << run.error;
  EXPECT_NE(Read("registry.reg").find("\"ProgramFilesDir\"=\"" + Path("Program Files") + "\""),
            std::string::npos);
  EXPECT_EQ(LinesStartingWith(run.lines, "MessageBox").size(), 2u);
  EXPECT_NE(Read("Kestrel9/Kestrel9.INI").find("DATA1="), std::string::npos);
}

}  // namespace
}  // namespace k9::e2e
