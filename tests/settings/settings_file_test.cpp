#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include "server/server_fixture.h"

namespace k9::testing {
namespace {

class SettingsFileTest : public ServerTest {
 protected:
  std::optional<std::string> File() { return fs_.Contents(InServer("Kestrel9.INI")); }
};

TEST_F(SettingsFileTest, NoFileGivesTheDefaultsAndAnUnconfiguredServer) {
  clsIni ini(ports_);
  settings::SavedSettings loaded;
  loaded.data1 = "stale";
  bool setup_ran = false;
  settings::LoadIni(ini, loaded, false, [&](settings::SavedSettings&, bool request) {
    setup_ran = true;
    EXPECT_FALSE(request);
    return false;
  });
  EXPECT_EQ(loaded, settings::SavedSettings{});
  EXPECT_TRUE(setup_ran);
  EXPECT_FALSE(File().has_value());
}

TEST_F(SettingsFileTest, ConfiguredFoldersSkipTheSetupAndFillStates1FromStates0) {
  SetSettingsFile(
      "[PATHS]\r\nDATA1=C:\\D1\r\nDATA2=C:\\D2\r\nDATA3=C:\\D3\r\nDATA4=\"\"\r\n"
      "STATES0=C:\\ST\r\n");
  clsIni ini(ports_);
  settings::SavedSettings loaded;
  bool setup_ran = false;
  settings::LoadIni(ini, loaded, false,
                    [&](settings::SavedSettings&, bool) { return setup_ran = true; });
  EXPECT_FALSE(setup_ran);
  EXPECT_EQ(loaded.data4, "");
  EXPECT_EQ(loaded.states1, "C:\\ST");
  // The file itself is not changed.
  EXPECT_EQ(File()->find("STATES1"), std::string::npos);
}

TEST_F(SettingsFileTest, EasySetupReadsNoPaths) {
  SetSettingsFile("[PATHS]\r\nDATA1=C:\\D1\r\n[SETUP]\r\nMONOCHROME=true\r\n");
  clsIni ini(ports_);
  settings::SavedSettings loaded;
  settings::LoadIni(ini, loaded, true, [&](settings::SavedSettings&, bool request) {
    EXPECT_TRUE(request);
    return true;
  });
  EXPECT_EQ(loaded.data1, "");
  EXPECT_TRUE(loaded.monochrome);
}

TEST_F(SettingsFileTest, BooleansReadAsTextOrNumberAndBadOnesAsTheDefault) {
  SetSettingsFile(
      "[SETUP]\r\nMONOCHROME=1\r\nSHADE_MCD=0\r\nSHADE_COUNTY=false\r\n"
      "SHADE_PLACE=yes\r\nWHITE_BACKGROUND=TRUE\r\nONEWAY_SHOW=-2\r\n"
      "HIGH_CONTRAST=\"\"\r\nSHOW_ZIPCODES=tRuE\r\n");
  clsIni ini(ports_);
  settings::SavedSettings loaded;
  settings::ReadSetupSection(ini, loaded);
  EXPECT_TRUE(loaded.monochrome);
  EXPECT_FALSE(loaded.shade_mcd);
  EXPECT_FALSE(loaded.shade_county);
  EXPECT_TRUE(loaded.shade_place);  // "yes" is no Boolean: the default
  EXPECT_TRUE(loaded.shade_state);
  EXPECT_TRUE(loaded.white_background);
  EXPECT_TRUE(loaded.oneway_show);
  EXPECT_TRUE(loaded.high_contrast);  // empty: the default
  EXPECT_TRUE(loaded.show_zipcodes);
}

TEST_F(SettingsFileTest, WritesUseTheFileForms) {
  clsIni ini(ports_);
  settings::WriteBoolean(ini, settings::kSetup, settings::kMonochrome, true);
  settings::WriteText(ini, settings::kSetup, settings::kOverlay, "");
  settings::WriteText(ini, settings::kPaths, settings::kData1, "C:\\MAPS");
  settings::WriteSearchType(ini, 5);
  EXPECT_EQ(File(),
            "[SETUP]\r\nMONOCHROME=True\r\nOVERLAY=\"\"\r\nSEARCH_TYPE=5\r\n"
            "[PATHS]\r\nDATA1=C:\\MAPS\r\n");
  settings::SavedSettings loaded;
  settings::ReadSetupSection(ini, loaded);
  EXPECT_EQ(loaded.overlay, "");
  EXPECT_TRUE(loaded.monochrome);
  EXPECT_EQ(settings::ReadSearchType(ini), 5);
}

TEST_F(SettingsFileTest, SearchTypeReadsAsOneOfTheSixTypesOrZero) {
  clsIni ini(ports_);
  EXPECT_EQ(settings::ReadSearchType(ini), 0);
  for (auto [text, expected] : std::vector<std::pair<std::string, int>>{{"3", 3},
                                                                        {" 4 ", 4},
                                                                        {"2.5", 2},
                                                                        {"5.4", 5},
                                                                        {"6", 0},
                                                                        {"-1", 0},
                                                                        {"abc", 0},
                                                                        {"70000", 0},
                                                                        {"", 0}}) {
    SetSettingsFile("[SETUP]\r\nSEARCH_TYPE=" + text + "\r\n");
    EXPECT_EQ(settings::ReadSearchType(ini), expected) << text;
  }
}

}  // namespace
}  // namespace k9::testing
