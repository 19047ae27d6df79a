// The Win32 registry port against the real registry: what the port writes, the
// system's own functions read back byte for byte, and the other way round.
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/registry.h"

namespace k9 {
namespace {

class Win32RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    key_ = "Software\\Kestrel9 Tests\\" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name());
    ::RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str());
  }
  void TearDown() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str()); }

  // The value as the system reports it, or type kRegNone when it is missing.
  RegValue RawQuery(const std::string& key, const std::string& name) {
    RegValue value;
    HKEY handle;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
      return value;
    }
    DWORD type = 0, size = 4096;
    value.data.assign(size, '\0');
    if (::RegQueryValueExA(handle, name.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(value.data.data()), &size) == ERROR_SUCCESS) {
      value.type = type;
      value.data.resize(size);
    } else {
      value.data.clear();
    }
    ::RegCloseKey(handle);
    return value;
  }

  Registry& registry_ = Registry::Default();
  std::string key_;
};

TEST_F(Win32RegistryTest, EveryValueTypeReachesTheSystemRegistryUnchanged) {
  const RegValue values[] = {
      {kRegSz, std::string("C:\\Maps\\Kestrel9\0", 17)},
      {kRegExpandSz, std::string("%SystemRoot%\\x\0", 15)},
      {kRegMultiSz, std::string("one\0two\0\0", 9)},
      {kRegBinary, std::string("\x00\x01\xff\x7f", 4)},
      {kRegDword, std::string("\x78\x56\x34\x12", 4)},
      {kRegDwordBigEndian, std::string("\x12\x34\x56\x78", 4)},
  };
  int n = 0;
  for (const RegValue& value : values) {
    std::string name = "v" + std::to_string(n++);
    ASSERT_TRUE(registry_.SetValue(RegRoot::kCurrentUser, key_, name, value)) << name;
    RegValue raw = RawQuery(key_, name);
    EXPECT_EQ(raw.type, value.type) << name;
    EXPECT_EQ(raw.data, value.data) << name;
    std::optional<RegValue> back = registry_.QueryValue(RegRoot::kCurrentUser, key_, name);
    ASSERT_TRUE(back.has_value()) << name;
    EXPECT_EQ(back->type, value.type) << name;
    EXPECT_EQ(back->data, value.data) << name;
  }
}

TEST_F(Win32RegistryTest, ReadsValuesTheSystemWroteIncludingTheDefaultValue) {
  HKEY handle;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, (key_ + "\\Sub").c_str(), 0, nullptr, 0, KEY_WRITE,
                              nullptr, &handle, nullptr),
            ERROR_SUCCESS);
  const char text[] = "Program Folder";
  DWORD number = 26001;
  ::RegSetValueExA(handle, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
  ::RegSetValueExA(handle, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
  ::RegCloseKey(handle);

  // Case and separators of the path do not matter, as in the real registry.
  std::optional<RegValue> text_value =
      registry_.QueryValue(RegRoot::kCurrentUser, "\\" + key_ + "\\SUB\\", "");
  ASSERT_TRUE(text_value.has_value());
  EXPECT_EQ(text_value->type, kRegSz);
  EXPECT_EQ(text_value->data, std::string(text, sizeof text));
  std::optional<RegValue> number_value =
      registry_.QueryValue(RegRoot::kCurrentUser, key_ + "\\Sub", "number");
  ASSERT_TRUE(number_value.has_value());
  EXPECT_EQ(number_value->data, std::string("\x91\x65\x00\x00", 4));
  EXPECT_FALSE(registry_.QueryValue(RegRoot::kCurrentUser, key_ + "\\Sub", "Missing"));
  EXPECT_FALSE(registry_.QueryValue(RegRoot::kCurrentUser, key_ + "\\Missing", ""));
}

TEST_F(Win32RegistryTest, LongValuesAreReadWhole) {
  RegValue big{kRegBinary, std::string(100000, '\x5a')};
  ASSERT_TRUE(registry_.SetValue(RegRoot::kCurrentUser, key_, "Big", big));
  std::optional<RegValue> back = registry_.QueryValue(RegRoot::kCurrentUser, key_, "Big");
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->data, big.data);
}

TEST_F(Win32RegistryTest, KeysAreCreatedWithParentsAndDeletedOnlyWithoutSubkeys) {
  ASSERT_TRUE(registry_.CreateKey(RegRoot::kCurrentUser, key_ + "\\A\\B"));
  EXPECT_TRUE(registry_.KeyExists(RegRoot::kCurrentUser, key_ + "\\a"));
  EXPECT_TRUE(registry_.CreateKey(RegRoot::kCurrentUser, key_ + "\\A\\B"));  // already there

  EXPECT_FALSE(registry_.DeleteKey(RegRoot::kCurrentUser, key_ + "\\A"));  // still has B
  EXPECT_TRUE(registry_.KeyExists(RegRoot::kCurrentUser, key_ + "\\A\\B"));
  ASSERT_TRUE(registry_.SetValue(RegRoot::kCurrentUser, key_ + "\\A\\B", "x",
                                 RegValue{kRegSz, std::string("y\0", 2)}));
  EXPECT_TRUE(registry_.DeleteKey(RegRoot::kCurrentUser, key_ + "\\A\\B"));  // with its values
  EXPECT_TRUE(registry_.DeleteKey(RegRoot::kCurrentUser, key_ + "\\A"));
  EXPECT_FALSE(registry_.KeyExists(RegRoot::kCurrentUser, key_ + "\\A"));
  EXPECT_FALSE(registry_.DeleteKey(RegRoot::kCurrentUser, key_ + "\\A"));
  EXPECT_FALSE(registry_.DeleteKey(RegRoot::kCurrentUser, ""));  // a root stays
  EXPECT_TRUE(registry_.KeyExists(RegRoot::kCurrentUser, ""));
}

TEST_F(Win32RegistryTest, PathsAndNamesTheFileStoreRejectsAreRejectedHereToo) {
  RegValue value{kRegSz, std::string("x\0", 2)};
  EXPECT_FALSE(registry_.CreateKey(RegRoot::kCurrentUser, key_ + "\\\\Empty"));
  EXPECT_FALSE(registry_.SetValue(RegRoot::kCurrentUser, key_, "two\nlines", value));
  EXPECT_FALSE(registry_.KeyExists(RegRoot::kCurrentUser, key_));
}

TEST_F(Win32RegistryTest, ValuesAndSubkeysAreEnumeratedAndDeleted) {
  ASSERT_TRUE(
      registry_.SetValue(RegRoot::kCurrentUser, key_, "First", RegValue{kRegDword, "1234"}));
  ASSERT_TRUE(
      registry_.SetValue(RegRoot::kCurrentUser, key_, "Second", RegValue{kRegDword, "5678"}));
  ASSERT_TRUE(registry_.CreateKey(RegRoot::kCurrentUser, key_ + "\\beta"));
  ASSERT_TRUE(registry_.CreateKey(RegRoot::kCurrentUser, key_ + "\\Alpha"));

  std::optional<std::vector<std::string>> values =
      registry_.EnumerateValues(RegRoot::kCurrentUser, key_);
  ASSERT_TRUE(values.has_value());
  EXPECT_EQ(*values, (std::vector<std::string>{"First", "Second"}));
  std::optional<std::vector<std::string>> subkeys =
      registry_.EnumerateSubkeys(RegRoot::kCurrentUser, key_);
  ASSERT_TRUE(subkeys.has_value());
  EXPECT_EQ(*subkeys, (std::vector<std::string>{"Alpha", "beta"}));

  EXPECT_TRUE(registry_.DeleteValue(RegRoot::kCurrentUser, key_, "FIRST"));
  EXPECT_FALSE(registry_.DeleteValue(RegRoot::kCurrentUser, key_, "First"));
  EXPECT_EQ(RawQuery(key_, "First").type, kRegNone);
  EXPECT_EQ(*registry_.EnumerateValues(RegRoot::kCurrentUser, key_),
            std::vector<std::string>{"Second"});
  EXPECT_FALSE(registry_.EnumerateValues(RegRoot::kCurrentUser, key_ + "\\Missing"));
  EXPECT_FALSE(registry_.EnumerateSubkeys(RegRoot::kCurrentUser, key_ + "\\Missing"));
}

TEST_F(Win32RegistryTest, ClassesRootAndLocalMachineAreTheSystemRoots) {
  // Registration writes below HKEY_CLASSES_ROOT; what the port writes there the
  // system finds under the same root.
  std::string progid = "Kestrel9Tests.Class";
  ::RegDeleteTreeA(HKEY_CLASSES_ROOT, progid.c_str());
  ASSERT_TRUE(registry_.SetValue(RegRoot::kClassesRoot, progid + "\\CLSID", "",
                                 RegValue{kRegSz, std::string("{x}\0", 4)}));
  HKEY handle;
  ASSERT_EQ(::RegOpenKeyExA(HKEY_CLASSES_ROOT, (progid + "\\CLSID").c_str(), 0, KEY_READ, &handle),
            ERROR_SUCCESS);
  ::RegCloseKey(handle);
  EXPECT_TRUE(registry_.DeleteKey(RegRoot::kClassesRoot, progid + "\\CLSID"));
  EXPECT_TRUE(registry_.DeleteKey(RegRoot::kClassesRoot, progid));
  EXPECT_FALSE(registry_.KeyExists(RegRoot::kClassesRoot, progid));
  EXPECT_TRUE(registry_.KeyExists(RegRoot::kLocalMachine, "Software\\Microsoft\\Windows"));
}

TEST(Win32ExpandEnvironmentTest, ExpandsKnownNamesAndLeavesUnknownOnes) {
  ::SetEnvironmentVariableA("K9_EXPAND_TEST", "C:\\Data");
  EXPECT_EQ(ExpandEnvironment("%K9_EXPAND_TEST%\\x"), "C:\\Data\\x");
  EXPECT_EQ(ExpandEnvironment("%K9_NO_SUCH_NAME%\\x"), "%K9_NO_SUCH_NAME%\\x");
  EXPECT_EQ(ExpandEnvironment(""), "");
  std::string longer(5000, 'a');
  ::SetEnvironmentVariableA("K9_EXPAND_TEST", longer.c_str());
  EXPECT_EQ(ExpandEnvironment("<%K9_EXPAND_TEST%>"), "<" + longer + ">");
  ::SetEnvironmentVariableA("K9_EXPAND_TEST", nullptr);
}

}  // namespace
}  // namespace k9

#endif  // _WIN32
