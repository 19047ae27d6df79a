// Small in-memory stand-ins for the System and Registry ports, for tests of the
// shared utilities. The registry keeps its keys in a RegistryImage, the same store
// the POSIX registry file uses, and can be told to fail every change.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/system.h"
#include "support/fake_registry.h"

namespace k9::testing {

class FakeSystem : public System {
 public:
  explicit FakeSystem(std::string module_path = "C:\\Apps\\Kestrel9\\Kestrel9.dll")
      : module_path_(std::move(module_path)) {}

  int ScreenWidthTwips() override { return 1024 * kTwipsPerPixel; }
  int ScreenHeightTwips() override { return 768 * kTwipsPerPixel; }
  std::string ModulePath() override { return module_path_; }
  void OpenNamedMutex(const std::string&) override {}
  std::optional<std::string> GetEnv(const std::string& name) override {
    auto it = env.find(name);
    if (it == env.end()) return std::nullopt;
    return it->second;
  }

  std::map<std::string, std::string> env;

 private:
  std::string module_path_;
};

}  // namespace k9::testing
