// The POSIX registry file and the other POSIX ports: the store survives a writer
// killed at any moment, refuses to overwrite what it cannot read, and serves keys
// and values as the registry does.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "platform/posix/file_registry.h"
#include "platform/registry_image.h"
#include "platform/system.h"
#include "posix_test_folder.h"

namespace k9 {
namespace {

RegValue Text(const std::string& text) { return RegValue{kRegSz, text + '\0'}; }

class FileRegistryTest : public testing::TempFolderTest {
 protected:
  std::string StorePath() const { return Path("state/registry.reg"); }
};

TEST_F(FileRegistryTest, ValuesAndKeysPersistInRegedit4Text) {
  std::unique_ptr<Registry> reg = NewFileRegistry(StorePath());
  EXPECT_FALSE(reg->QueryValue(RegRoot::kClassesRoot, "Kestrel9.clsMapServ\\CLSID", ""));
  ASSERT_TRUE(
      reg->SetValue(RegRoot::kClassesRoot, "Kestrel9.clsMapServ\\CLSID", "", Text("{ABC}")));
  ASSERT_TRUE(reg->SetValue(RegRoot::kCurrentUser, "Software\\K9", "Count",
                            RegValue{kRegDword, std::string("\x05\0\0\0", 4)}));
  EXPECT_EQ(ReadRaw("state/registry.reg"),
            "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\Kestrel9.clsMapServ]\r\n\r\n"
            "[HKEY_CLASSES_ROOT\\Kestrel9.clsMapServ\\CLSID]\r\n@=\"{ABC}\"\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software]\r\n\r\n[HKEY_CURRENT_USER\\Software\\K9]\r\n"
            "\"Count\"=dword:00000005\r\n");

  // A second registry object (as another process would) sees the same store.
  std::unique_ptr<Registry> other = NewFileRegistry(StorePath());
  std::optional<RegValue> clsid =
      other->QueryValue(RegRoot::kClassesRoot, "KESTREL9.CLSMAPSERV\\clsid", "");
  ASSERT_TRUE(clsid);
  EXPECT_EQ(clsid->data, std::string("{ABC}") + '\0');
  EXPECT_EQ(other->EnumerateSubkeys(RegRoot::kCurrentUser, "Software"),
            std::vector<std::string>{"K9"});
  EXPECT_EQ(other->EnumerateValues(RegRoot::kCurrentUser, "Software\\K9"),
            std::vector<std::string>{"Count"});
  EXPECT_FALSE(other->DeleteKey(RegRoot::kCurrentUser, "Software"));
  EXPECT_TRUE(other->DeleteValue(RegRoot::kCurrentUser, "Software\\K9", "count"));
  EXPECT_FALSE(other->DeleteValue(RegRoot::kCurrentUser, "Software\\K9", "count"));
  EXPECT_TRUE(other->DeleteKey(RegRoot::kCurrentUser, "Software\\K9"));
  EXPECT_FALSE(reg->KeyExists(RegRoot::kCurrentUser, "Software\\K9"));
  EXPECT_FALSE(reg->EnumerateValues(RegRoot::kCurrentUser, "Software\\K9"));
}

TEST_F(FileRegistryTest, DamagedStoreIsReadAsFarAsPossibleButNeverOverwritten) {
  std::filesystem::create_directory(Path("state"));
  const std::string damaged =
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"Good\"=\"1\"\r\n\"Bad\"=what\r\n";
  WriteRaw("state/registry.reg", damaged);
  std::unique_ptr<Registry> reg = NewFileRegistry(StorePath());
  EXPECT_TRUE(reg->QueryValue(RegRoot::kLocalMachine, "A", "Good"));
  EXPECT_FALSE(reg->SetValue(RegRoot::kLocalMachine, "A", "New", Text("x")));
  EXPECT_FALSE(reg->CreateKey(RegRoot::kLocalMachine, "B"));
  EXPECT_EQ(ReadRaw("state/registry.reg"), damaged);
}

TEST_F(FileRegistryTest, NamesThatCannotBeStoredAreRefused) {
  std::unique_ptr<Registry> reg = NewFileRegistry(StorePath());
  EXPECT_FALSE(reg->SetValue(RegRoot::kLocalMachine, "A\r\n[HKEY_USERS\\X]", "v", Text("1")));
  EXPECT_FALSE(reg->SetValue(RegRoot::kLocalMachine, "A", "v\n", Text("1")));
  EXPECT_FALSE(reg->SetValue(static_cast<RegRoot>(7), "A", "v", Text("1")));
  EXPECT_FALSE(reg->KeyExists(RegRoot::kLocalMachine, "A"));
}

TEST_F(FileRegistryTest, WriterKilledMidWriteLeavesACompleteStore) {
  std::unique_ptr<Registry> reg = NewFileRegistry(StorePath());
  ASSERT_TRUE(reg->SetValue(RegRoot::kCurrentUser, "Big", "Data", Text(std::string(1, 'a'))));
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Rewrites a large store over and over until killed; after the first
    // rewrite it tells the parent, which kills it while it is still writing.
    std::unique_ptr<Registry> writer = NewFileRegistry(StorePath());
    for (int round = 0;; ++round) {
      const std::string fill(200000, static_cast<char>('b' + round % 20));
      if (!writer->SetValue(RegRoot::kCurrentUser, "Big", "Data", Text(fill))) ::_exit(1);
      if (round == 0 && ::write(ready[1], "r", 1) != 1) ::_exit(1);
    }
  }
  ::close(ready[1]);
  char signal_byte = 0;
  ASSERT_EQ(::read(ready[0], &signal_byte, 1), 1);
  ::close(ready[0]);
  ::kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));

  // Whatever the moment, the store reads as one whole earlier version...
  RegistryImage image;
  ASSERT_TRUE(image.Parse(ReadRaw("state/registry.reg")));
  std::optional<RegValue> value = reg->QueryValue(RegRoot::kCurrentUser, "Big", "Data");
  ASSERT_TRUE(value);
  ASSERT_EQ(value->data.size(), 200001u);
  EXPECT_EQ(value->data.find_first_not_of(value->data[0]), 200000u);
  // ...and the lock the writer held is free again.
  EXPECT_TRUE(reg->SetValue(RegRoot::kCurrentUser, "Big", "Data", Text("after")));
  EXPECT_EQ(reg->QueryValue(RegRoot::kCurrentUser, "Big", "Data")->data, Text("after").data);
}

TEST_F(FileRegistryTest, DefaultStoreFollowsTheEnvironmentVariable) {
  const char* old = std::getenv("KESTREL9_REGISTRY");
  const std::string saved = old ? old : "";
  ::setenv("KESTREL9_REGISTRY", Path("env.reg").c_str(), 1);
  EXPECT_EQ(DefaultRegistryFilePath(), Path("env.reg"));
  std::unique_ptr<Registry> reg = NewFileRegistry("");
  ASSERT_TRUE(reg->CreateKey(RegRoot::kUsers, "X"));
  EXPECT_NE(ReadRaw("env.reg").find("[HKEY_USERS\\X]"), std::string::npos);
  if (old) {
    ::setenv("KESTREL9_REGISTRY", saved.c_str(), 1);
  } else {
    ::unsetenv("KESTREL9_REGISTRY");
  }
}

TEST(PosixSystem, ModuleIsThisProgramAndTheScreenIsFixed) {
  System& system = System::Default();
  char self[PATH_MAX];
  ASSERT_NE(::realpath("/proc/self/exe", self), nullptr);
  EXPECT_EQ(system.ModulePath(), self);
  EXPECT_EQ(system.ScreenWidthTwips(), 1024 * kTwipsPerPixel);
  EXPECT_EQ(system.ScreenHeightTwips(), 768 * kTwipsPerPixel);
  system.OpenNamedMutex("Kestrel9");  // nothing to open, nothing to fail
  ::setenv("K9_TEST_VALUE", "v", 1);
  EXPECT_EQ(system.GetEnv("K9_TEST_VALUE"), "v");
  EXPECT_EQ(system.GetEnv("K9_TEST_UNSET_VALUE"), std::nullopt);
}

TEST(ExpandEnvironment, ReplacesKnownNamesAndLeavesTheRestAsWritten) {
  ::setenv("K9_A", "alpha", 1);
  ::setenv("K9_B", "", 1);
  EXPECT_EQ(ExpandEnvironment("%K9_A%\\x"), "alpha\\x");
  EXPECT_EQ(ExpandEnvironment("[%K9_B%]"), "[]");
  EXPECT_EQ(ExpandEnvironment("%K9_NONE%%K9_A%"), "%K9_NONE%alpha");
  EXPECT_EQ(ExpandEnvironment("100% %K9_A%"), "100% alpha");
  EXPECT_EQ(ExpandEnvironment("50%%"), "50%%");
  EXPECT_EQ(ExpandEnvironment("open %K9_A"), "open %K9_A");
  EXPECT_EQ(ExpandEnvironment(""), "");
}

}  // namespace
}  // namespace k9

#endif  // _WIN32
