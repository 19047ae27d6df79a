// A temporary installation for the initialiser's tests: a server folder (the
// program's own), a host folder with its Maps folder, a folder for an earlier
// installation, a registry store of their own (on Windows the real registry,
// with every touched value restored afterwards) and recording message boxes.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "init/initialiser.h"
#include "platform/ports.h"

namespace k9::init::testing {

// Reports a chosen module path; everything else is fixed.
class FakeSystem : public System {
 public:
  int ScreenWidthTwips() override { return 1024 * kTwipsPerPixel; }
  int ScreenHeightTwips() override { return 768 * kTwipsPerPixel; }
  std::string ModulePath() override { return module_path; }
  void OpenNamedMutex(const std::string&) override {}
  std::optional<std::string> GetEnv(const std::string& name) override;

  std::string module_path;
};

// Remembers the given values and the keys above them, and on destruction puts
// the values back and deletes the keys that did not exist before.
class RegistryGuard {
 public:
  struct Place {
    RegRoot root;
    std::string key;
    std::string name;
  };
  RegistryGuard(Registry& registry, std::vector<Place> places);
  ~RegistryGuard();
  RegistryGuard(const RegistryGuard&) = delete;
  RegistryGuard& operator=(const RegistryGuard&) = delete;

 private:
  struct Saved {
    Place place;
    std::optional<RegValue> value;
  };
  Registry& registry_;
  std::vector<Saved> values_;
  std::vector<std::pair<RegRoot, std::string>> new_keys_;
};

class InitialiserTest : public ::testing::Test {
 protected:
  // ProgIDs the tests of InprocServerFolder register besides the server's own.
  static constexpr char kTestProgId[] = "Kestrel9Test.InitTest";
  static constexpr char kTestClassId[] = "{5D1C2E7A-93B4-4F0E-A6C1-7E2B9D4F1A30}";

  void SetUp() override;
  void TearDown() override;

  Ports ports() { return Ports{fs_, &Registry::Default(), &dialogs_, &system_}; }
  Outcome RunOnce();

  // Folder paths as the platform writes them, without a trailing separator.
  std::string server() const { return server_.string(); }
  std::string host() const { return host_.string(); }
  std::string earlier() const { return earlier_.string(); }
  std::string InHost(const std::string& name) const { return (host_ / "Maps" / name).string(); }
  std::string InServer(const std::string& name) const { return (server_ / name).string(); }
  std::string InEarlier(const std::string& name) const { return (earlier_ / name).string(); }

  // The host folder as the host stores it: with a trailing separator.
  std::string HostFolderValue() const;
  // The host's "Program Folder" setting.
  void SetHostFolder(const std::string& value);
  // Puts the shipped entry file beside the program.
  void ShipEntryFile();
  // Registers `prog_id` with `class_id` and the library path.
  void Register(const std::string& prog_id, const std::string& class_id,
                const std::string& library);
  // Registers the server's ProgID with a library in `folder`.
  void RegisterServerIn(const std::filesystem::path& folder);

  static void Write(const std::string& path, const std::string& contents);
  static std::optional<std::string> Read(const std::string& path);
  static bool Exists(const std::string& path) { return std::filesystem::exists(path); }
  // The SETUP value in the settings file, or nullopt when the key is absent.
  std::optional<std::string> Setting(const std::string& file, const std::string& key);

  std::filesystem::path root_, server_, host_, earlier_;
  FakeSystem system_;
  HeadlessDialogs dialogs_;
  std::vector<HeadlessDialogs::Message> messages_;
  FileSystem* fs_ = &FileSystem::Default();
  std::optional<RegistryGuard> guard_;
};

// The entry file as it ships and as tests place it beside the program.
extern const char kShippedEntryFile[];

}  // namespace k9::init::testing
