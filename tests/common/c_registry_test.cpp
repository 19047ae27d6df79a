// cRegistry: reading by stored type with the Default fallback, writing by
// ValueType, the key operations, and error 26001 with its exact descriptions.
#include "common/c_registry.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "common/error.h"
#include "support/fake_registry.h"
#include "support/fake_system.h"
#include "support/fake_file_system.h"

namespace k9 {
namespace {

using Bytes = std::vector<std::uint8_t>;

class CRegistryTest : public ::testing::Test {
 protected:
  CRegistryTest() : system_("C:\\Program Files\\Init\\InitKestrel9.exe") {}

  Ports ports() { return Ports{&fs_, &registry_, &Dialogs::Default(), &system_}; }

  cRegistry At(std::uint32_t root, const std::string& section, const std::string& name = "") {
    cRegistry reg(ports());
    reg.ClassKey(root);
    reg.SectionKey(section);
    reg.ValueKey(name);
    return reg;
  }

  void Store(const std::string& key, const std::string& name, std::uint32_t type,
             std::string data) {
    ASSERT_TRUE(registry_.SetValue(RegRoot::kLocalMachine, key, name, RegValue{type, data}));
  }

  // The description of the ComError that `action` raises, after checking its number and source.
  template <typename Action>
  std::string ErrorOf(Action action) {
    try {
      action();
    } catch (const ComError& error) {
      EXPECT_EQ(error.number(), 26001);
      EXPECT_EQ(error.source(), "InitKestrel9.cRegistry");
      return error.description();
    }
    ADD_FAILURE() << "no error raised";
    return "";
  }

  testing::FakeFileSystem fs_;
  testing::FakeRegistry registry_;
  testing::FakeSystem system_;
};

constexpr std::uint32_t kHklm = HKEY_LOCAL_MACHINE_VALUE;

TEST_F(CRegistryTest, ReadsEachStoredTypeAndCopiesItIntoValueType) {
  Store("Soft", "", kRegSz, std::string("C:\\Program Files\0", 17));
  Store("Soft", "Multi", kRegMultiSz, std::string("a\0bc\0\0", 6));
  Store("Soft", "Num", kRegDword, std::string("\x78\x56\x34\x12", 4));
  Store("Soft", "Big", kRegDwordBigEndian, std::string("\x12\x34\x56\x78", 4));
  Store("Soft", "Bin", kRegBinary, std::string("\x00\xff\x10", 3));
  Store("Soft", "Odd", 11, std::string("\x01\x02", 2));

  cRegistry reg = At(kHklm, "soft");
  EXPECT_EQ(reg.Value(), RegistryData(std::string("C:\\Program Files")));
  EXPECT_EQ(reg.ValueType(), kRegSz);
  reg.ValueKey("multi");
  EXPECT_EQ(reg.Value(), RegistryData(std::string("a\0bc\0", 5)));
  EXPECT_EQ(reg.ValueType(), kRegMultiSz);
  reg.ValueKey("Num");
  EXPECT_EQ(reg.Value(), RegistryData(std::int32_t{0x12345678}));
  reg.ValueKey("Big");
  EXPECT_EQ(reg.Value(), RegistryData(std::int32_t{0x12345678}));
  EXPECT_EQ(reg.ValueType(), kRegDwordBigEndian);
  reg.ValueKey("Bin");
  EXPECT_EQ(reg.Value(), RegistryData(Bytes{0x00, 0xff, 0x10}));
  reg.ValueKey("Odd");
  EXPECT_EQ(reg.Value(), RegistryData(Bytes{0x01, 0x02}));
  EXPECT_EQ(reg.ValueType(), 11u);
}

TEST_F(CRegistryTest, ExpandableStringComesBackWithVariablesFilledIn) {
#ifdef _WIN32
  const char* root = std::getenv("SystemRoot");
  ASSERT_NE(root, nullptr);
  const std::string expected = std::string(root) + "\\Fonts %NO_SUCH_VAR_K9%";
#else
  ::setenv("SystemRoot", "C:\\Windows", 1);
  const std::string expected = "C:\\Windows\\Fonts %NO_SUCH_VAR_K9%";
#endif
  Store("Soft", "Path", kRegExpandSz, std::string("%SystemRoot%\\Fonts %NO_SUCH_VAR_K9%") + '\0');
  cRegistry reg = At(kHklm, "Soft", "Path");
  EXPECT_EQ(reg.Value(), RegistryData(expected));
  EXPECT_EQ(reg.ValueType(), kRegExpandSz);
}

TEST_F(CRegistryTest, MissingKeyOrValueGivesDefaultAndKeepsValueType) {
  Store("Soft", "There", kRegSz, std::string("x\0", 2));
  cRegistry reg = At(kHklm, "Nowhere", "There");
  reg.ValueType(kRegBinary);
  EXPECT_EQ(reg.Value(), RegistryData());
  reg.Default(std::string("fallback"));
  EXPECT_EQ(reg.Value(), RegistryData(std::string("fallback")));
  reg.SectionKey("Soft");
  reg.ValueKey("Absent");
  EXPECT_EQ(reg.Value(), RegistryData(std::string("fallback")));
  EXPECT_EQ(reg.ValueType(), kRegBinary);
  // An unknown root reads as missing too, rather than failing.
  cRegistry bad = At(0, "Soft", "There");
  EXPECT_EQ(bad.Value(), RegistryData());
}

TEST_F(CRegistryTest, WritingTextChoosesExpandableOnlyForAVariableReference) {
  cRegistry reg = At(kHklm, "New\\Key", "Plain");
  reg.ValueType(kRegExpandSz);
  reg.Value(std::string("50%% off"));
  EXPECT_EQ(registry_.QueryValue(RegRoot::kLocalMachine, "New\\Key", "Plain")->type, kRegSz);
  reg.ValueKey("Expand");
  reg.ValueType(kRegSz);
  reg.Value(std::string("%A%"));
  std::optional<RegValue> stored =
      registry_.QueryValue(RegRoot::kLocalMachine, "New\\Key", "Expand");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->type, kRegExpandSz);
  EXPECT_EQ(stored->data, std::string("%A%\0", 4));
  reg.ValueKey("Number");
  reg.Value(std::int32_t{7});
  EXPECT_EQ(registry_.QueryValue(RegRoot::kLocalMachine, "New\\Key", "Number")->data,
            std::string("7\0", 2));
}

TEST_F(CRegistryTest, WrittenNumbersAndBytesReadBackUnchanged) {
  cRegistry reg = At(kHklm, "Nums", "Le");
  reg.ValueType(kRegDword);
  reg.Value(std::int32_t{-2});
  EXPECT_EQ(reg.Value(), RegistryData(std::int32_t{-2}));
  reg.ValueKey("Be");
  reg.ValueType(kRegDwordBigEndian);
  reg.Value(std::int32_t{0x01020304});
  EXPECT_EQ(registry_.QueryValue(RegRoot::kLocalMachine, "Nums", "Be")->data,
            std::string("\x01\x02\x03\x04", 4));
  EXPECT_EQ(reg.Value(), RegistryData(std::int32_t{0x01020304}));
  reg.ValueKey("Bytes");
  reg.ValueType(kRegBinary);
  reg.Value(Bytes{1, 2, 3});
  EXPECT_EQ(reg.Value(), RegistryData(Bytes{1, 2, 3}));
}

TEST_F(CRegistryTest, WriteOfTheWrongKindOrAFailedStoreRaisesTheSetError) {
  cRegistry reg = At(kHklm, "Soft\\Sub", "Name");
  reg.ValueType(kRegDword);
  EXPECT_EQ(ErrorOf([&] { reg.Value(std::string("12")); }),
            "Failed to set registry value Key: '-2147483646',Section: 'Soft\\Sub',Key: 'Name' to "
            "value: '12'");
  reg.ValueType(kRegBinary);
  EXPECT_NE(ErrorOf([&] { reg.Value(std::int32_t{5}); }), "");
  reg.ValueType(kRegSz);
  registry_.fail_changes = true;
  EXPECT_EQ(ErrorOf([&] { reg.Value(std::string("x")); }),
            "Failed to set registry value Key: '-2147483646',Section: 'Soft\\Sub',Key: 'Name' to "
            "value: 'x'");
  EXPECT_FALSE(registry_.KeyExists(RegRoot::kLocalMachine, "Soft\\Sub"));
}

TEST_F(CRegistryTest, KeyOperationsSucceedOrRaiseWithTheirOwnDescriptions) {
  cRegistry reg = At(kHklm, "A\\B");
  EXPECT_FALSE(reg.KeyExists());
  EXPECT_TRUE(reg.CreateKey());
  EXPECT_TRUE(reg.KeyExists());
  EXPECT_TRUE(At(kHklm, "a").KeyExists());

  cRegistry parent = At(kHklm, "A");
  EXPECT_EQ(ErrorOf([&] { parent.DeleteKey(); }),
            "Failed to delete registry Key: '-2147483646',Section: 'A");
  EXPECT_TRUE(reg.DeleteKey());
  EXPECT_FALSE(reg.KeyExists());

  cRegistry missing = At(kHklm, "Gone", "V");
  EXPECT_EQ(ErrorOf([&] { missing.DeleteValue(); }),
            "Failed to open key '-2147483646',Section: 'Gone' for delete access");
  cRegistry value = At(kHklm, "A", "V");
  EXPECT_EQ(ErrorOf([&] { value.DeleteValue(); }),
            "Failed to delete registry Key: '-2147483646',Section: 'A',Key: 'V");
  Store("A", "V", kRegSz, std::string("1\0", 2));
  EXPECT_TRUE(value.DeleteValue());
  EXPECT_FALSE(registry_.QueryValue(RegRoot::kLocalMachine, "A", "V"));

  registry_.fail_changes = true;
  cRegistry fresh = At(kHklm, "C");
  EXPECT_EQ(ErrorOf([&] { fresh.CreateKey(); }), "Failed to create registry Key: 'C");
}

TEST_F(CRegistryTest, EnumerationsListNamesFromIndexOne) {
  Store("E", "First", kRegSz, std::string("1\0", 2));
  Store("E", "Second", kRegDword, std::string(4, '\0'));
  ASSERT_TRUE(registry_.CreateKey(RegRoot::kLocalMachine, "E\\Zeta"));
  ASSERT_TRUE(registry_.CreateKey(RegRoot::kLocalMachine, "E\\alpha"));
  cRegistry reg = At(kHklm, "E");
  std::vector<std::string> names;
  std::int32_t count = -1;
  ASSERT_TRUE(reg.EnumerateValues(&names, &count));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(names, (std::vector<std::string>{"", "First", "Second"}));
  ASSERT_TRUE(reg.EnumerateSections(&names, &count));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(names, (std::vector<std::string>{"", "alpha", "Zeta"}));

  cRegistry missing = At(kHklm, "None");
  EXPECT_FALSE(missing.EnumerateValues(&names, &count));
  EXPECT_EQ(count, 0);
  EXPECT_FALSE(missing.EnumerateSections(&names, &count));
}

}  // namespace
}  // namespace k9
