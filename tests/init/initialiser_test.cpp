#include <gtest/gtest.h>

#include "common/text.h"
#include "init/init_fixture.h"
#include "init/init_messages.h"
#include "platform/file_system.h"

namespace k9::init::testing {
namespace {

constexpr char kMessageA[] =
    "You appear to be installing Kestrel9 on a PC on which Harrier32 has never been run. To "
    "complete the installation, you must manually copy !!Kestrel9.INF from the Kestrel9 program "
    "folder to the Harrier32\\Maps folder.";
constexpr char kMessageB[] =
    "!!Kestrel9.INF should be in the Kestrel9 program folder, but it cannot be found. You must "
    "manually copy !!Kestrel9.INF into your Harrier32 Maps folder.";
constexpr char kMessageC[] =
    "To use Kestrel9, select 'Stratomap V9 Server' in the Harrier32 'Load A Map' list.";
constexpr char kParagraph[] =
    "A copy of Kestrel for Stratomap V5 has been found on your system. If you no longer wish to "
    "use this old version of Kestrel, then delete !!Kestrel.INF in the Harrier32 Maps folder. If "
    "you installed Kestrel for Stratomap V5 as a separate application, and not as part of the "
    "Harrier32 installation, then, if you wish, you can uninstall it from Control Panel, "
    "Add/Remove Programs - it will be listed as Kestrel.";

TEST(InitMessages, AreTheTextsTheUserIsPromised) {
  EXPECT_STREQ(kMessageCaption, "Initialise Kestrel9");
  EXPECT_STREQ(kMessageHostNeverRun, kMessageA);
  EXPECT_STREQ(kMessageEntryFileMissing, kMessageB);
  EXPECT_EQ(DoneMessage(false), kMessageC);
  EXPECT_EQ(DoneMessage(true), std::string(kMessageC) + "\r\n\r\n" + kParagraph);
}

using Initialiser_ = InitialiserTest;

TEST_F(Initialiser_, HostNeverRunShowsMessageAAndCopiesNothing) {
  ShipEntryFile();
  EXPECT_EQ(RunOnce(), Outcome::kHostNeverRun);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].caption, "Initialise Kestrel9");
  EXPECT_EQ(messages_[0].text, kMessageA);
  EXPECT_FALSE(Exists(InHost(kEntryFileName)));
  EXPECT_FALSE(Exists(InServer(kNewSettingsName)));
}

TEST_F(Initialiser_, EmptyHostFolderCountsAsNeverRun) {
  ShipEntryFile();
  SetHostFolder("");
  EXPECT_EQ(RunOnce(), Outcome::kHostNeverRun);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, kMessageA);
}

TEST_F(Initialiser_, MissingEntryFileShowsMessageB) {
  SetHostFolder(HostFolderValue());
  EXPECT_EQ(RunOnce(), Outcome::kEntryFileMissing);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].caption, "Initialise Kestrel9");
  EXPECT_EQ(messages_[0].text, kMessageB);
  EXPECT_FALSE(Exists(InHost(kEntryFileName)));
}

TEST_F(Initialiser_, FreshMachineGetsTheEntryFileAndNoSettings) {
  SetHostFolder(HostFolderValue());
  ShipEntryFile();
  // An older entry file in the Maps folder is replaced.
  Write(InHost(kEntryFileName), "stale");
  EXPECT_EQ(RunOnce(), Outcome::kDone);
  EXPECT_EQ(Read(InHost(kEntryFileName)), kShippedEntryFile);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].caption, "Initialise Kestrel9");
  EXPECT_EQ(messages_[0].text, kMessageC);
  EXPECT_FALSE(Exists(InServer(kNewSettingsName)));
  EXPECT_FALSE(Exists(InServer(kNewFavouritesName)));
}

TEST_F(Initialiser_, HostFolderWithoutTrailingSeparatorStillFindsMaps) {
  SetHostFolder(host());
  ShipEntryFile();
  EXPECT_EQ(RunOnce(), Outcome::kDone);
  EXPECT_EQ(Read(InHost(kEntryFileName)), kShippedEntryFile);
}

TEST_F(Initialiser_, EarlierInstallationHandsOnSettingsAndFavourites) {
  SetHostFolder(HostFolderValue());
  ShipEntryFile();
  RegisterServerIn(earlier_);
  Write(InEarlier("kestrel9.ini"),
        "[SETUP]\r\nSHADE_MCD=FALSE\r\nSHADE_PLACE=False\r\nSHADE_COUNTY=1\r\n"
        "WHITE_BACKGROUND=True\r\nMONOCHROME=True\r\n[PATHS]\r\nDATA1=C:\\Data\r\n");
  Write(InEarlier("Kestrel6.FAV"), "fav line 1\r\nfav line 2\r\n");

  EXPECT_EQ(RunOnce(), Outcome::kDone);

  const std::string settings = InServer(kNewSettingsName);
  EXPECT_EQ(Setting(settings, "SHADE_MCD"), "FALSE");
  EXPECT_EQ(Setting(settings, "SHADE_PLACE"), "False");
  EXPECT_EQ(Setting(settings, "SHADE_COUNTY"), "1");
  EXPECT_EQ(Setting(settings, "SHADE_STATE"), "True");  // absent: the default
  EXPECT_EQ(Setting(settings, "WHITE_BACKGROUND"), "True");
  // Only the five display settings travel.
  EXPECT_EQ(Setting(settings, "MONOCHROME"), std::nullopt);
  EXPECT_EQ(Read(settings)->find("DATA1"), std::string::npos);
  EXPECT_EQ(Read(InServer(kNewFavouritesName)), "fav line 1\r\nfav line 2\r\n");
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, std::string(kMessageC) + "\r\n\r\n" + kParagraph);
}

TEST_F(Initialiser_, EarlierSettingsWithoutAnyKeyGiveTheDefaults) {
  SetHostFolder(HostFolderValue());
  ShipEntryFile();
  RegisterServerIn(earlier_);
  Write(InEarlier("KESTREL9.INI"), "[OTHER]\r\nX=1\r\n");  // any letter case is found

  EXPECT_EQ(RunOnce(), Outcome::kDone);

  const std::string settings = InServer(kNewSettingsName);
  for (const char* key : {"SHADE_MCD", "SHADE_PLACE", "SHADE_COUNTY", "SHADE_STATE"}) {
    EXPECT_EQ(Setting(settings, key), "True") << key;
  }
  EXPECT_EQ(Setting(settings, "WHITE_BACKGROUND"), "False");
  // No old favourites: none made up.
  EXPECT_FALSE(Exists(InServer(kNewFavouritesName)));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].text.find(kParagraph), std::string::npos);
}

TEST_F(Initialiser_, UnreadableBooleanIsNotHandedOn) {
  // The server would read the default in its place, so the default goes over.
  SetHostFolder(HostFolderValue());
  ShipEntryFile();
  RegisterServerIn(earlier_);
  Write(InEarlier("kestrel9.ini"), "[SETUP]\r\nSHADE_MCD=maybe\r\nSHADE_STATE=0\r\n");
  EXPECT_EQ(RunOnce(), Outcome::kDone);
  EXPECT_EQ(Setting(InServer(kNewSettingsName), "SHADE_MCD"), "True");
  EXPECT_EQ(Setting(InServer(kNewSettingsName), "SHADE_STATE"), "0");
}

TEST_F(Initialiser_, EarlierFolderWithoutSettingsCarriesNothing) {
  SetHostFolder(HostFolderValue());
  ShipEntryFile();
  RegisterServerIn(earlier_);
  Write(InEarlier("Kestrel6.FAV"), "fav\r\n");
  EXPECT_EQ(RunOnce(), Outcome::kDone);
  EXPECT_FALSE(Exists(InServer(kNewSettingsName)));
  EXPECT_FALSE(Exists(InServer(kNewFavouritesName)));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, kMessageC);
}

TEST_F(Initialiser_, RegistryNamingTheOwnFolderCarriesNothing) {
  SetHostFolder(HostFolderValue());
  ShipEntryFile();
  RegisterServerIn(server_);
  EXPECT_EQ(RunOnce(), Outcome::kDone);
  EXPECT_FALSE(Exists(InServer(kNewSettingsName)));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, kMessageC);
}

TEST_F(Initialiser_, SecondRunDoesNotCarrySettingsAgain) {
  SetHostFolder(HostFolderValue());
  ShipEntryFile();
  RegisterServerIn(earlier_);
  Write(InEarlier("kestrel9.ini"), "[SETUP]\r\nSHADE_MCD=FALSE\r\n");
  Write(InEarlier("Kestrel6.FAV"), "old\r\n");
  ASSERT_EQ(RunOnce(), Outcome::kDone);

  // Between the runs the user changes a setting and a favourite in the new folder.
  Write(InServer(kNewSettingsName), "[SETUP]\r\nSHADE_MCD=True\r\n");
  Write(InServer(kNewFavouritesName), "mine\r\n");
  Write(InHost(kEntryFileName), "rewritten by the server");
  EXPECT_EQ(RunOnce(), Outcome::kDone);

  EXPECT_EQ(Read(InServer(kNewSettingsName)), "[SETUP]\r\nSHADE_MCD=True\r\n");
  EXPECT_EQ(Read(InServer(kNewFavouritesName)), "mine\r\n");
  EXPECT_EQ(Read(InHost(kEntryFileName)), kShippedEntryFile);
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_NE(messages_[0].text, kMessageC);
  EXPECT_EQ(messages_[1].text, kMessageC);
}

TEST_F(Initialiser_, AFailedCarryOverRemovesWhatItWroteAndTheNextRunCarriesItAll) {
  SetHostFolder(HostFolderValue());
  ShipEntryFile();
  RegisterServerIn(earlier_);
  Write(InEarlier("kestrel9.ini"), "[SETUP]\r\nSHADE_MCD=FALSE\r\n");
  Write(InEarlier("Kestrel6.FAV"), "old\r\n");
  // The favourites cannot be copied, after the settings were written.
  struct FavouritesCopyFails : FileSystemWrapper {
    using FileSystemWrapper::FileSystemWrapper;
    bool CopyFileTo(const std::string& from, const std::string& to) override {
      if (FileNameOf(to) == kNewFavouritesName) return false;
      return FileSystemWrapper::CopyFileTo(from, to);
    }
  } failing(FileSystem::Default());
  fs_ = &failing;
  EXPECT_EQ(RunOnce(), Outcome::kDone);
  EXPECT_FALSE(Exists(InServer(kNewSettingsName)));
  EXPECT_FALSE(Exists(InServer(kNewFavouritesName)));

  fs_ = &FileSystem::Default();
  EXPECT_EQ(RunOnce(), Outcome::kDone);
  EXPECT_EQ(Setting(InServer(kNewSettingsName), "SHADE_MCD"), "FALSE");
  EXPECT_EQ(Read(InServer(kNewFavouritesName)), "old\r\n");
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[0].text, kMessageC);
  EXPECT_NE(messages_[1].text.find(kParagraph), std::string::npos);
}

TEST_F(Initialiser_, FavouritesAlreadyInTheNewFolderAreKeptWhileSettingsCarryOver) {
  SetHostFolder(HostFolderValue());
  ShipEntryFile();
  RegisterServerIn(earlier_);
  Write(InEarlier("kestrel9.ini"), "[SETUP]\r\nSHADE_MCD=FALSE\r\n");
  Write(InEarlier("Kestrel6.FAV"), "old\r\n");
  Write(InServer(kNewFavouritesName), "mine\r\n");
  EXPECT_EQ(RunOnce(), Outcome::kDone);
  EXPECT_EQ(Setting(InServer(kNewSettingsName), "SHADE_MCD"), "FALSE");
  EXPECT_EQ(Read(InServer(kNewFavouritesName)), "mine\r\n");
}

TEST_F(Initialiser_, HostWithoutMapsFolderEndsSilently) {
  std::filesystem::remove_all(host_ / "Maps");
  SetHostFolder(HostFolderValue());
  ShipEntryFile();
  RegisterServerIn(earlier_);
  Write(InEarlier("kestrel9.ini"), "[SETUP]\r\nSHADE_MCD=FALSE\r\n");
  EXPECT_EQ(RunOnce(), Outcome::kFailed);
  EXPECT_TRUE(messages_.empty());
  // The run ended before the settings step.
  EXPECT_FALSE(Exists(InServer(kNewSettingsName)));
}

TEST_F(Initialiser_, InprocServerFolderIsTheLibraryFolderWithItsSeparator) {
  Initialiser initialiser(ports());
  Register(kTestProgId, kTestClassId, "C:\\Program Files\\Kestrel9\\Kestrel9.dll");
  EXPECT_EQ(initialiser.InprocServerFolder(kTestProgId), "C:\\Program Files\\Kestrel9\\");
  Register(kTestProgId, kTestClassId, "Kestrel9.dll");  // no folder at all
  EXPECT_EQ(initialiser.InprocServerFolder(kTestProgId), "");
  Register(kTestProgId, kTestClassId, "");
  EXPECT_EQ(initialiser.InprocServerFolder(kTestProgId), "");
  EXPECT_EQ(initialiser.InprocServerFolder("Kestrel9Test.NotRegistered"), "");
}

}  // namespace
}  // namespace k9::init::testing
