// The System port for tests: a 1024 x 768 pixel screen, the module path the test
// names, the named mutexes opened (in order) and an environment of its own.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/system.h"

namespace k9::testing {

class FakeSystem : public System {
 public:
  explicit FakeSystem(std::string module_path) : module_path_(std::move(module_path)) {}

  int ScreenWidthTwips() override { return 1024 * kTwipsPerPixel; }
  int ScreenHeightTwips() override { return 768 * kTwipsPerPixel; }
  std::string ModulePath() override { return module_path_; }
  void OpenNamedMutex(const std::string& name) override { mutexes.push_back(name); }
  std::optional<std::string> GetEnv(const std::string& name) override {
    auto it = env.find(name);
    if (it == env.end()) return std::nullopt;
    return it->second;
  }

  std::vector<std::string> mutexes;
  std::map<std::string, std::string> env;

 private:
  std::string module_path_;
};

}  // namespace k9::testing
