#include "init/init_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "common/app_settings.h"
#include "common/cls_ini.h"

namespace k9::init::testing {

const char kShippedEntryFile[] =
    "100.00.00W,40.00.00N\r\n090.00.00W,30.00.00N\r\nStratomap V9 Server\r\n";

namespace {

std::string SettingsKey() {
  return std::string("Software\\VB and VBA Program Settings\\") + kHostApp + "\\" + kHostSection;
}

// Every key from the root down to `key`: "A", "A\B", "A\B\C".
std::vector<std::string> KeyAndParents(const std::string& key) {
  std::vector<std::string> keys;
  for (std::size_t at = key.find('\\'); at != std::string::npos; at = key.find('\\', at + 1)) {
    keys.push_back(key.substr(0, at));
  }
  keys.push_back(key);
  return keys;
}

}  // namespace

std::optional<std::string> FakeSystem::GetEnv(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

RegistryGuard::RegistryGuard(Registry& registry, std::vector<Place> places) : registry_(registry) {
  for (Place& place : places) {
    for (const std::string& key : KeyAndParents(place.key)) {
      const bool seen = std::any_of(new_keys_.begin(), new_keys_.end(), [&](const auto& entry) {
        return entry.first == place.root && entry.second == key;
      });
      if (!seen && !registry_.KeyExists(place.root, key)) new_keys_.emplace_back(place.root, key);
    }
    std::optional<RegValue> value = registry_.QueryValue(place.root, place.key, place.name);
    values_.push_back(Saved{std::move(place), std::move(value)});
  }
  // Deepest first, so each key is empty of subkeys when its turn comes.
  std::sort(new_keys_.begin(), new_keys_.end(),
            [](const auto& a, const auto& b) { return a.second.size() > b.second.size(); });
}

RegistryGuard::~RegistryGuard() {
  for (const Saved& saved : values_) {
    if (saved.value) {
      registry_.SetValue(saved.place.root, saved.place.key, saved.place.name, *saved.value);
    } else {
      registry_.DeleteValue(saved.place.root, saved.place.key, saved.place.name);
    }
  }
  for (const auto& [root, key] : new_keys_) registry_.DeleteKey(root, key);
}

void InitialiserTest::SetUp() {
  std::random_device random;
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  root_ = std::filesystem::temp_directory_path() /
          ("k9init-" + std::string(info->name()) + "-" + std::to_string(random()));
  server_ = root_ / "server";
  host_ = root_ / "host";
  earlier_ = root_ / "earlier";
  std::filesystem::create_directories(server_);
  std::filesystem::create_directories(host_ / "Maps");
  std::filesystem::create_directories(earlier_);
#ifndef _WIN32
  setenv("KESTREL9_REGISTRY", (root_ / "registry.reg").string().c_str(), 1);
#endif
  Registry& registry = Registry::Default();
  guard_.emplace(registry, std::vector<RegistryGuard::Place>{
                               {RegRoot::kCurrentUser, SettingsKey(), kHostFolderKey},
                               {RegRoot::kClassesRoot, std::string(kServerProgId) + "\\CLSID", ""},
                               {RegRoot::kClassesRoot, std::string(kTestProgId) + "\\CLSID", ""},
                               {RegRoot::kClassesRoot,
                                std::string("CLSID\\") + kTestClassId + "\\InprocServer32", ""},
                           });
  // Earlier values would make a test depend on the machine it runs on.
  registry.DeleteValue(RegRoot::kCurrentUser, SettingsKey(), kHostFolderKey);
  registry.DeleteValue(RegRoot::kClassesRoot, std::string(kServerProgId) + "\\CLSID", "");
  registry.DeleteValue(RegRoot::kClassesRoot, std::string(kTestProgId) + "\\CLSID", "");

  system_.module_path = (server_ / "InitKestrel9").string();
  dialogs_.SetMessageSink(
      [this](const HeadlessDialogs::Message& message) { messages_.push_back(message); });
}

void InitialiserTest::TearDown() {
  guard_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

Outcome InitialiserTest::RunOnce() {
  Initialiser initialiser(ports());
  return initialiser.Run();
}

void InitialiserTest::SetHostFolder(const std::string& value) {
  ASSERT_TRUE(SaveSetting(Registry::Default(), kHostApp, kHostSection, kHostFolderKey, value));
}

std::string InitialiserTest::HostFolderValue() const {
  return host_.string() + static_cast<char>(std::filesystem::path::preferred_separator);
}

void InitialiserTest::ShipEntryFile() { Write(InServer(kEntryFileName), kShippedEntryFile); }

void InitialiserTest::Register(const std::string& prog_id, const std::string& class_id,
                               const std::string& library) {
  auto text = [](const std::string& value) { return RegValue{kRegSz, value + '\0'}; };
  Registry& registry = Registry::Default();
  ASSERT_TRUE(registry.SetValue(RegRoot::kClassesRoot, prog_id + "\\CLSID", "", text(class_id)));
  ASSERT_TRUE(registry.SetValue(RegRoot::kClassesRoot, "CLSID\\" + class_id + "\\InprocServer32",
                                "", text(library)));
}

void InitialiserTest::RegisterServerIn(const std::filesystem::path& folder) {
  Register(kServerProgId, kTestClassId, (folder / "Kestrel9.dll").string());
}

void InitialiserTest::Write(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
  ASSERT_TRUE(out.good()) << path;
}

std::optional<std::string> InitialiserTest::Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

std::optional<std::string> InitialiserTest::Setting(const std::string& file,
                                                    const std::string& key) {
  clsIni ini(ports());
  ini.strIniName(file);
  std::optional<std::string> value = ini.GetIniString("SETUP", key, "<absent>");
  if (value == "<absent>") return std::nullopt;
  return value;
}

}  // namespace k9::init::testing
