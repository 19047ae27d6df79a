// clsIni: the default file, the no-file rules, and each member's own rules on top
// of the profile reader and writer (empty values, the write-default marker, the
// value and key-list buffers, Boolean words).
#include "common/cls_ini.h"

#include <gtest/gtest.h>

#include "common/profile.h"
#include "common/text.h"
#include "support/fake_registry.h"
#include "support/fake_system.h"
#include "support/fake_file_system.h"

namespace k9 {
namespace {

constexpr char kFile[] = "C:\\Apps\\Kestrel9\\Kestrel9.INI";

class ClsIniTest : public ::testing::Test {
 protected:
  ClsIniTest() { fs_.AddDirectory("C:\\Apps\\Kestrel9"); }

  Ports ports() { return Ports{&fs_, &registry_, &Dialogs::Default(), &system_}; }
  std::string FileText() { return fs_.Contents(kFile).value_or("<missing>"); }

  testing::FakeFileSystem fs_;
  testing::FakeRegistry registry_;
  testing::FakeSystem system_{"C:\\Apps\\Kestrel9\\Kestrel9.dll"};
};

TEST_F(ClsIniTest, DefaultFileIsNamedAfterTheRunningModuleInItsFolder) {
  clsIni ini(ports());
  EXPECT_EQ(ini.ini_name(), std::string("C:\\Apps\\Kestrel9") + kPathSeparator + "Kestrel9.INI");
  ini.SaveIniString("Setup", "Mono", true);
  // The fake file system matches "\" and "/" alike, so this is the same file.
  EXPECT_EQ(FileText(), "[Setup]\r\nMono=True\r\n");
}

TEST_F(ClsIniTest, WithoutAnyFileEveryMemberDoesNothing) {
  clsIni ini(ports());
  ini.strIniName("");
  ini.SaveIniString("S", "K", "v");
  ini.DeleteKey("S", "K");
  ini.DeleteSection("S");
  EXPECT_EQ(ini.GetIniString("S", "K", "default"), std::nullopt);
  EXPECT_EQ(ini.GetIniStringWriteDefault("S", "K", "default"), std::nullopt);
  EXPECT_FALSE(ini.LoadAllKeysInSection("S").allocated);
  EXPECT_EQ(fs_.write_count(), 0);
}

TEST_F(ClsIniTest, AFileArgumentWinsOverTheDefaultEvenWhenEmpty) {
  clsIni ini(ports());
  ini.strIniName("");
  ini.SaveIniString("S", "K", "v", std::string("C:\\Apps\\other.ini"));
  EXPECT_EQ(fs_.Contents("C:\\Apps\\other.ini"), "[S]\r\nK=v\r\n");
  // An empty path names no file: the read falls back to the default value.
  EXPECT_EQ(ini.GetIniString("S", "K", "d", std::string()), "d");
}

TEST_F(ClsIniTest, EmptyValueIsWrittenAsTwoQuotesAndReadsBackEmpty) {
  clsIni ini(ports());
  ini.SaveIniString("S", "K", "");
  EXPECT_EQ(FileText(), "[S]\r\nK=\"\"\r\n");
  EXPECT_EQ(ini.GetIniString("S", "K", "d"), "");
}

TEST_F(ClsIniTest, ValuesOfEveryKindAreWrittenAsText) {
  clsIni ini(ports());
  ini.SaveIniString("S", "Bool", false);
  ini.SaveIniString("S", "Int", 42);
  ini.SaveIniString("S", "Dbl", -12.5);
  EXPECT_EQ(FileText(), "[S]\r\nBool=False\r\nInt=42\r\nDbl=-12.5\r\n");
}

TEST_F(ClsIniTest, LongValueReadsBackAsItsFirst499Characters) {
  clsIni ini(ports());
  ini.SaveIniString("S", "K", std::string(600, 'z'));
  EXPECT_EQ(ini.GetIniString("S", "K", ""), std::string(499, 'z'));
}

TEST_F(ClsIniTest, WriteDefaultStoresAnAbsentKeyQuotingOuterBlanks) {
  clsIni ini(ports());
  EXPECT_EQ(ini.GetIniStringWriteDefault("S", "Pad", " x "), " x ");
  EXPECT_EQ(FileText(), "[S]\r\nPad=\" x \"\r\n");
  EXPECT_EQ(ini.GetIniStringWriteDefault("S", "Pad", "other"), " x ");
  EXPECT_EQ(ini.GetIniStringWriteDefault("S", "Plain", "y"), "y");
  EXPECT_EQ(ini.GetIniString("S", "Plain", ""), "y");
}

TEST_F(ClsIniTest, WriteDefaultTreatsTheMarkerValueAsAbsent) {
  fs_.AddFile(kFile, "[S]\r\nK=$!*%\r\n");
  clsIni ini(ports());
  EXPECT_EQ(ini.GetIniStringWriteDefault("S", "K", "fresh"), "fresh");
  EXPECT_EQ(FileText(), "[S]\r\nK=fresh\r\n");
}

TEST_F(ClsIniTest, FailedWritesAreSilentAndLeaveTheFileAsItWas) {
  fs_.AddFile(kFile, "[S]\r\nK=1\r\n");
  fs_.FailWritesTo(kFile);
  clsIni ini(ports());
  ini.SaveIniString("S", "K", "2");
  ini.DeleteSection("S");
  EXPECT_EQ(FileText(), "[S]\r\nK=1\r\n");
  EXPECT_EQ(ini.GetIniStringWriteDefault("S", "New", "d"), "d");
}

TEST_F(ClsIniTest, DeleteKeyAndDeleteSectionRemoveWhatTheyName) {
  fs_.AddFile(kFile, "[S]\r\nA=1\r\nB=2\r\n[T]\r\nC=3\r\n");
  clsIni ini(ports());
  ini.DeleteKey("s", "a");
  EXPECT_EQ(FileText(), "[S]\r\nB=2\r\n[T]\r\nC=3\r\n");
  ini.DeleteSection("T");
  EXPECT_EQ(FileText(), "[S]\r\nB=2\r\n");
}

TEST_F(ClsIniTest, LoadAllKeysFillsColumnsFromOneInFileOrder) {
  fs_.AddFile(kFile, "[S]\r\nB=\"two\"\r\n;x=0\r\nA=1\r\n[T]\r\nC=3\r\n");
  clsIni ini(ports());
  IniKeyTable table = ini.LoadAllKeysInSection("s");
  ASSERT_TRUE(table.allocated);
  ASSERT_EQ(table.columns.size(), 3u);
  EXPECT_EQ(table.columns[0][0], "");
  EXPECT_EQ(table.columns[1], (std::array<std::string, 2>{"B", "two"}));
  EXPECT_EQ(table.columns[2], (std::array<std::string, 2>{"A", "1"}));
  IniKeyTable none = ini.LoadAllKeysInSection("missing");
  EXPECT_TRUE(none.allocated);
  EXPECT_EQ(none.columns.size(), 1u);
}

TEST_F(ClsIniTest, LoadAllKeysYieldsOnlyTheNamesThatFitTheKeyBuffer) {
  // 120 names of 99 characters and a NUL each: 100 fit in 10000 characters, less
  // the two NULs that end the list, so the 100th is cut short.
  std::string text = "[S]\r\n";
  for (int i = 0; i < 120; ++i) {
    std::string name = std::to_string(1000 + i) + std::string(95, 'k');
    text += name + "=" + std::to_string(i) + "\r\n";
  }
  fs_.AddFile(kFile, text);
  clsIni ini(ports());
  IniKeyTable table = ini.LoadAllKeysInSection("S");
  ASSERT_EQ(table.columns.size(), 101u);
  EXPECT_EQ(table.columns[99][0], "1098" + std::string(95, 'k'));
  EXPECT_EQ(table.columns[99][1], "98");
  EXPECT_EQ(table.columns[100][0].size(), 98u);
  // The cut name is no key of the file, so its value reads as empty.
  EXPECT_EQ(table.columns[100][1], "");
}

TEST(ClsIniWords, IsItTrueAcceptsTheFourWordsInAnyCaseOnly) {
  for (const char* yes : {"on", "Yes", "1", "TRUE", "tRuE", "ON"}) {
    EXPECT_EQ(clsIni::IsItTrue(yes), -1) << yes;
  }
  for (const char* no : {"T", "-1", "", " yes", "0", "off", "Y", "2"}) {
    EXPECT_EQ(clsIni::IsItTrue(no), 0) << no;
  }
  EXPECT_EQ(clsIni::TrueOrFalse(true), "TRUE");
  EXPECT_EQ(clsIni::TrueOrFalse(false), "FALSE");
}

}  // namespace
}  // namespace k9
