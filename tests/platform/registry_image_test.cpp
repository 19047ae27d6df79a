// The REGEDIT4 store: what it reads, what it writes, and that every value type
// survives a round trip through its text form.
#include "platform/registry_image.h"

#include <gtest/gtest.h>

namespace k9 {
namespace {

RegValue Value(std::uint32_t type, std::string data) { return RegValue{type, std::move(data)}; }

TEST(RegistryImage, EveryValueTypeSurvivesARoundTripThroughText) {
  RegistryImage image;
  ASSERT_TRUE(image.Parse(""));
  RegistryKeyEntry& key = image.Create("HKEY_LOCAL_MACHINE\\Software\\K9 \"Test\"");
  key.SetValue("", Value(kRegSz, std::string("C:\\Path \"quoted\"") + '\0'));
  key.SetValue("Expand", Value(kRegExpandSz, std::string("%TEMP%\\x\0", 9)));
  key.SetValue("Multi", Value(kRegMultiSz, std::string("a\0b\0\0", 5)));
  key.SetValue("Num", Value(kRegDword, std::string("\x01\x00\x00\x80", 4)));
  key.SetValue("Big", Value(kRegDwordBigEndian, std::string("\x00\x00\x00\x05", 4)));
  key.SetValue("Bin", Value(kRegBinary, std::string(200, '\xfe')));
  key.SetValue("Empty", Value(kRegBinary, ""));
  key.SetValue("Line\"Break", Value(kRegSz, std::string("a\r\nb\0", 5)));
  key.SetValue("NoNul", Value(kRegSz, "abc"));
  image.Create("HKEY_CLASSES_ROOT\\Kestrel9.clsMapServ\\CLSID")
      .SetValue("", Value(kRegSz, std::string("{1234}\0", 7)));

  const std::string text = image.Format();
  EXPECT_EQ(text.rfind("REGEDIT4\r\n", 0), 0u);
  EXPECT_NE(text.find("\"Num\"=dword:80000001\r\n"), std::string::npos);
  EXPECT_NE(text.find("@=\"C:\\\\Path \\\"quoted\\\"\"\r\n"), std::string::npos);

  RegistryImage reread;
  ASSERT_TRUE(reread.Parse(text));
  EXPECT_EQ(reread.Format(), text);
  const RegistryKeyEntry* back = reread.Find("hkey_local_machine\\SOFTWARE\\k9 \"test\"");
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->values.size(), key.values.size());
  for (std::size_t i = 0; i < key.values.size(); ++i) {
    EXPECT_EQ(back->values[i].name, key.values[i].name);
    EXPECT_EQ(back->values[i].value.type, key.values[i].value.type) << key.values[i].name;
    EXPECT_EQ(back->values[i].value.data, key.values[i].value.data) << key.values[i].name;
  }
}

TEST(RegistryImage, KeysMatchWithoutRegardToCaseAndKeepTheirFirstSpelling) {
  RegistryImage image;
  image.Parse("");
  image.Create("HKEY_CURRENT_USER\\Software\\Kestrel");
  image.Create("HKEY_CURRENT_USER\\SOFTWARE\\kestrel\\Sub");
  EXPECT_EQ(image.Find("HKEY_CURRENT_USER\\software\\KESTREL\\sub")->path,
            "HKEY_CURRENT_USER\\Software\\Kestrel\\Sub");
  EXPECT_TRUE(image.Exists("HKEY_CURRENT_USER\\Software"));  // ancestors are keys
  EXPECT_TRUE(image.Exists("HKEY_USERS"));
  EXPECT_EQ(image.Subkeys("HKEY_CURRENT_USER\\Software"), std::vector<std::string>{"Kestrel"});
}

TEST(RegistryImage, RemoveTakesOnlyKeysWithoutSubkeys) {
  RegistryImage image;
  image.Parse("");
  image.Create("HKEY_CURRENT_USER\\A\\B");
  EXPECT_FALSE(image.Remove("HKEY_CURRENT_USER\\A"));
  EXPECT_FALSE(image.Remove("HKEY_CURRENT_USER\\Missing"));
  EXPECT_FALSE(image.Remove("HKEY_CURRENT_USER"));
  EXPECT_TRUE(image.Remove("HKEY_CURRENT_USER\\a\\b"));
  EXPECT_TRUE(image.Remove("HKEY_CURRENT_USER\\A"));
  EXPECT_FALSE(image.Exists("HKEY_CURRENT_USER\\A"));
}

TEST(RegistryImage, ReadsWhatRegeditWritesIncludingWrappedHexAndDeletions) {
  const std::string text =
      "REGEDIT4\n\n; comment\n[HKEY_LOCAL_MACHINE\\A]\n\"Bin\"=hex:01,02,\\\n  03 , 04\n"
      "\"Gone\"=\"x\"\n\"Gone\"=-\n[HKEY_LOCAL_MACHINE\\A\\Old]\n[-HKEY_LOCAL_MACHINE\\A\\Old]\n";
  RegistryImage image;
  ASSERT_TRUE(image.Parse(text));
  const RegistryKeyEntry* key = image.Find("HKEY_LOCAL_MACHINE\\A");
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->values.size(), 1u);
  EXPECT_EQ(key->values[0].value.data, std::string("\x01\x02\x03\x04", 4));
  EXPECT_FALSE(image.Exists("HKEY_LOCAL_MACHINE\\A\\Old"));
}

TEST(RegistryImage, DamagedTextIsReportedAndKeepsWhatCouldBeRead) {
  RegistryImage image;
  EXPECT_FALSE(image.Parse("Windows Registry Editor Version 5.00\r\n"));
  EXPECT_FALSE(image.Parse("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"V\"=\"1\"\r\n\"W\"=\"cut"));
  EXPECT_NE(image.Find("HKEY_LOCAL_MACHINE\\A")->FindValue("v"), nullptr);
  EXPECT_EQ(image.Find("HKEY_LOCAL_MACHINE\\A")->FindValue("W"), nullptr);
  for (const char* bad : {"REGEDIT4\n[HKEY_NOWHERE\\A]\n", "REGEDIT4\n\"V\"=\"1\"\n",
                          "REGEDIT4\n[HKEY_USERS\\A]\n\"V\"=dword:123456789\n",
                          "REGEDIT4\n[HKEY_USERS\\A]\n\"V\"=hex:1\n",
                          "REGEDIT4\n[HKEY_USERS\\A]\n\"V\"=hex:01,\\\n"}) {
    EXPECT_FALSE(image.Parse(bad)) << bad;
  }
}

TEST(RegistryImage, KeyPathsThatCannotBeStoredAreRefused) {
  EXPECT_EQ(FullKeyPath(RegRoot::kClassesRoot, "\\A\\B\\"), "HKEY_CLASSES_ROOT\\A\\B");
  EXPECT_EQ(FullKeyPath(RegRoot::kClassesRoot, ""), "HKEY_CLASSES_ROOT");
  EXPECT_EQ(FullKeyPath(RegRoot::kClassesRoot, "A\\\\B"), "");
  EXPECT_EQ(FullKeyPath(RegRoot::kClassesRoot, "A\nB"), "");
  EXPECT_EQ(FullKeyPath(static_cast<RegRoot>(0), "A"), "");
  EXPECT_FALSE(IsStorableValueName(std::string("a\0b", 3)));
  EXPECT_TRUE(IsStorableValueName("a \"b\""));
}

}  // namespace
}  // namespace k9
