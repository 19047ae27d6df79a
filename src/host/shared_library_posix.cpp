// Loading shared libraries through the dynamic linker.
#include <dlfcn.h>

#include <memory>
#include <vector>

#include "host/activation.h"

namespace k9::host {

SharedLibrary* SharedLibrary::Load(const std::string& path, std::string* error) {
  // RTLD_LOCAL keeps the library's own copies of the shared code from being bound
  // to the host's; RTLD_NOW finds a missing symbol here, not in the middle of a call.
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = ::dlerror();
    if (error) *error = reason != nullptr ? reason : "unknown reason";
    return nullptr;
  }
  // Kept until the process ends, in a list that keeps them reachable.
  static std::vector<std::unique_ptr<SharedLibrary>>* loaded =
      new std::vector<std::unique_ptr<SharedLibrary>>;
  loaded->push_back(std::unique_ptr<SharedLibrary>(new SharedLibrary(handle, path)));
  return loaded->back().get();
}

void* SharedLibrary::Symbol(const char* name) const { return ::dlsym(handle_, name); }

}  // namespace k9::host
