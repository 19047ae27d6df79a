// System is the port to the few process-wide facts and services the system needs
// besides files, registry and dialogs: the screen size, the module that holds the
// running code, named mutexes and environment variables.
#pragma once

#include <optional>
#include <string>

namespace k9 {

inline constexpr int kTwipsPerPixel = 15;  // at the usual 96 dots per inch

class System {
 public:
  System() = default;
  System(const System&) = delete;
  System& operator=(const System&) = delete;
  virtual ~System();

  static System& Default();

  // Screen size in twips (a POSIX implementation reports a fixed 1024x768 screen).
  virtual int ScreenWidthTwips() = 0;
  virtual int ScreenHeightTwips() = 0;

  // Full path of the module (shared library or program) that contains this code:
  // the server library inside a host, the initialiser's own program otherwise.
  virtual std::string ModulePath() = 0;

  // Opens or creates the named mutex without owning it. The handle is kept for the
  // life of the process. A no-op where named mutexes do not exist.
  virtual void OpenNamedMutex(const std::string& name) = 0;

  // The environment variable's value, or nullopt when it is not set.
  virtual std::optional<std::string> GetEnv(const std::string& name) = 0;
};

}  // namespace k9
