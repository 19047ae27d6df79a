// System on POSIX: a fixed screen, the module found through the dynamic linker,
// and no named mutexes (nothing else on this platform waits on them).
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <cstdlib>
#include <string>

#include "platform/system.h"

namespace k9 {

namespace {

constexpr int kScreenWidthPixels = 1024;
constexpr int kScreenHeightPixels = 768;

// The absolute form of `path`, or `path` itself when it cannot be resolved.
std::string Absolute(const char* path) {
  char resolved[PATH_MAX];
  if (::realpath(path, resolved) != nullptr) return resolved;
  return path;
}

class PosixSystem : public System {
 public:
  int ScreenWidthTwips() override { return kScreenWidthPixels * kTwipsPerPixel; }
  int ScreenHeightTwips() override { return kScreenHeightPixels * kTwipsPerPixel; }

  std::string ModulePath() override {
    // The object file holding this function is the module: the server library
    // when loaded into a host, the program itself when linked statically into it.
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&ModuleAnchor), &info) != 0 && info.dli_fname != nullptr &&
        info.dli_fname[0] != '\0') {
      return Absolute(info.dli_fname);
    }
    return Absolute("/proc/self/exe");
  }

  void OpenNamedMutex(const std::string& /*name*/) override {}

  std::optional<std::string> GetEnv(const std::string& name) override {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  }

 private:
  static void ModuleAnchor() {}
};

}  // namespace

System& System::Default() {
  static PosixSystem* system = new PosixSystem;  // never destroyed: used until exit
  return *system;
}

}  // namespace k9
