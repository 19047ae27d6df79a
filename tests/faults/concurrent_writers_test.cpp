// Many processes changing the same favourites file, settings file and registry
// store at once: with the update lock, every change survives; a process killed
// while it holds the lock does not keep it.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "common/profile.h"
#include "platform/file_system.h"
#include "platform/posix/file_registry.h"
#include "render/favourites.h"

namespace k9::testing {
namespace {

namespace fs = std::filesystem;

class ConcurrentWriters : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("k9-writers-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

  // Runs `work(i)` in `count` child processes at once and waits for them all.
  template <typename Work>
  void InChildren(int count, Work work) {
    std::vector<pid_t> children;
    for (int i = 0; i < count; ++i) {
      const pid_t pid = ::fork();
      ASSERT_GE(pid, 0);
      if (pid == 0) {
        work(i);
        ::_exit(0);
      }
      children.push_back(pid);
    }
    for (pid_t pid : children) {
      int status = 0;
      ASSERT_EQ(::waitpid(pid, &status, 0), pid);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
  }

  fs::path folder_;
};

TEST_F(ConcurrentWriters, EveryAddSettingAndRegistryValueOfEveryProcessSurvives) {
  constexpr int kProcesses = 8;
  constexpr int kRounds = 40;
  InChildren(kProcesses, [&](int process) {
    FileSystem& files = FileSystem::Default();
    const std::unique_ptr<Registry> store = NewFileRegistry(Path("registry.reg"));
    for (int round = 0; round < kRounds; ++round) {
      const std::string tag = std::to_string(process) + "." + std::to_string(round);
      if (!AppendFavourite(files, Path("Kestrel9.FAV"), "view " + tag)) ::_exit(1);
      if (!WriteProfileValue(files, Path("Kestrel9.INI"), "SETUP", "KEY" + tag, "v")) ::_exit(2);
      if (!store->SetValue(RegRoot::kCurrentUser, "Software\\K9", "V" + tag,
                           {kRegSz, std::string("1\0", 2)})) {
        ::_exit(3);
      }
    }
  });
  std::ifstream favourites(Path("Kestrel9.FAV"), std::ios::binary);
  std::set<std::string> views;
  for (std::string line; std::getline(favourites, line);) views.insert(line);
  EXPECT_EQ(views.size(), static_cast<std::size_t>(kProcesses * kRounds));
  std::ifstream ini(Path("Kestrel9.INI"), std::ios::binary);
  std::stringstream text;
  text << ini.rdbuf();
  const std::unique_ptr<Registry> store = NewFileRegistry(Path("registry.reg"));
  const auto values = store->EnumerateValues(RegRoot::kCurrentUser, "Software\\K9");
  ASSERT_TRUE(values);
  EXPECT_EQ(values->size(), static_cast<std::size_t>(kProcesses * kRounds));
  for (int process = 0; process < kProcesses; ++process) {
    for (int round = 0; round < kRounds; ++round) {
      const std::string tag = std::to_string(process) + "." + std::to_string(round);
      EXPECT_NE(text.str().find("KEY" + tag + "=v\r\n"), std::string::npos) << tag;
    }
  }
}

TEST_F(ConcurrentWriters, ALockHolderThatIsKilledLeavesTheLockFree) {
  std::ofstream(Path("Kestrel9.FAV")) << "x\r\n";
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t holder = ::fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    std::unique_ptr<FileLock> lock;
    if (!FileSystem::Default().LockForUpdate(Path("Kestrel9.FAV"), &lock)) ::_exit(1);
    if (::write(ready[1], "!", 1) != 1) ::_exit(2);
    ::pause();  // holds the lock until it is killed
    ::_exit(0);
  }
  char signal = 0;
  ASSERT_EQ(::read(ready[0], &signal, 1), 1);
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(AppendFavourite(FileSystem::Default(), Path("Kestrel9.FAV"), "y"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  ::close(ready[0]);
  ::close(ready[1]);
}

}  // namespace
}  // namespace k9::testing

#endif  // _WIN32
