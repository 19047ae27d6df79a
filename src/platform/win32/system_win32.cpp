// System on Windows.
#include <windows.h>

#include <mutex>
#include <set>
#include <string>

#include "platform/system.h"
#include "platform/win32/win32_util.h"

namespace k9 {

namespace {

// Twips per pixel of the screen: 1440 twips make an inch.
int TwipsPerPixel(int axis) {
  int dpi = 0;
  if (HDC screen = ::GetDC(nullptr); screen != nullptr) {
    dpi = ::GetDeviceCaps(screen, axis);
    ::ReleaseDC(nullptr, screen);
  }
  return dpi > 0 ? 1440 / dpi : kTwipsPerPixel;
}

class Win32System : public System {
 public:
  int ScreenWidthTwips() override {
    return ::GetSystemMetrics(SM_CXSCREEN) * TwipsPerPixel(LOGPIXELSX);
  }
  int ScreenHeightTwips() override {
    return ::GetSystemMetrics(SM_CYSCREEN) * TwipsPerPixel(LOGPIXELSY);
  }

  std::string ModulePath() override {
    // The module that holds this very function: the server library inside a
    // host, the program itself when the port is linked into a program.
    HMODULE module = nullptr;
    if (!::GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&ModuleMarker), &module)) {
      return std::string();
    }
    std::string path(MAX_PATH, '\0');
    for (;;) {
      DWORD n = ::GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
      if (n == 0) return std::string();
      if (n < path.size()) {
        path.resize(n);
        return path;
      }
      if (path.size() >= 32768) return std::string();  // longer than any Windows path
      path.resize(path.size() * 2);                    // cut short: try a larger buffer
    }
  }

  void OpenNamedMutex(const std::string& name) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (opened_.count(name) != 0) return;
    // Never owned and never closed: the mutex only announces that the process
    // runs the server, for installers that look for it.
    if (::CreateMutexA(nullptr, FALSE, name.c_str()) != nullptr) opened_.insert(name);
  }

  std::optional<std::string> GetEnv(const std::string& name) override { return Win32GetEnv(name); }

 private:
  static void ModuleMarker() {}

  std::mutex mutex_;
  std::set<std::string> opened_;
};

}  // namespace

System& System::Default() {
  static Win32System* system = new Win32System;  // never destroyed: used until exit
  return *system;
}

}  // namespace k9
