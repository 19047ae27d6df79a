// The help routines of the control panel: they remember which window owns the
// help viewer and which help file the component uses, open that file at a
// context number, and close the viewer again when the panel goes away.
//
// The owner and the file are the state of one control panel window's help, so
// the window keeps one HelpRoutines object rather than the process keeping them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/help_viewer.h"
#include "platform/ports.h"

namespace k9 {

inline constexpr char kHelpFileName[] = "Kestrel9.chm";

class HelpRoutines {
 public:
  explicit HelpRoutines(const Ports& ports) : ports_(ports) {}

  // Remembers `owner` as the owner of help windows and sets the help file to the
  // application folder (the folder of the running module) followed by
  // "Kestrel9.chm", with one separator between them.
  void HelpInit(std::intptr_t owner);
  // Opens the help file at `context`.
  void ShowHelpContext(std::uint32_t context);
  // Asks the help viewer to close its windows for this file.
  void HelpQuit();

  const std::string& help_file() const { return help_file_; }
  std::intptr_t owner() const { return owner_; }

 private:
  Ports ports_;
  std::intptr_t owner_ = 0;
  std::string help_file_;
};

// The help file's full name for an application folder: "Kestrel9.chm" joined to
// the folder, where a folder that (trimmed of blanks) already ends with a
// separator gets only the name.
std::string HelpFileFor(const std::string& app_folder);

}  // namespace k9
