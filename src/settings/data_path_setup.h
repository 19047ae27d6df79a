// The data path setup finds the mapping product's data folders. The user browses
// to the product's program folder; its "MAP.INI" names the folders, which are
// checked, derived (the supplementary states folder), reported to the user and
// saved in section PATHS of the settings file. The controller runs it from
// LoadIni when the saved folders are incomplete at start-up and when the user
// chooses Easy Setup; the browsing routines also serve the panel's items that
// change one folder at a time.
#pragma once

#include <string>

#include "platform/ports.h"
#include "server/component.h"
#include "settings/form_view.h"

namespace k9 {

// The six folders of section PATHS, as the setup reads and derives them.
struct DataFolders {
  std::string data1;
  std::string data2;
  std::string data3;
  std::string data4;
  std::string states0;
  std::string states1;  // the supplementary states folder
};

class DataPathSetup {
 public:
  // `view` puts the hidden owner window of the folder dialog in place.
  DataPathSetup(const Ports& ports, FormView& view) : ports_(ports), view_(view) {}

  // Runs the setup. `easy_setup` is false for the start-up run, true when the user
  // chose Easy Setup; the messages differ. `folders` holds on entry what the
  // caller has (at start-up the values read from PATHS) and on return what the
  // setup found. True when the folders were read from "MAP.INI" and saved (even
  // when some were missing there); false when the user cancelled or chose a
  // folder without "MAP.INI", which leaves `folders` as it was and writes nothing.
  bool Run(bool easy_setup, DataFolders& folders);

  // Shows the folder dialog with `prompt`, opened at `start_folder` ("" for the
  // dialog's default); the chosen folder, or "" when the user cancelled.
  std::string BrowseFolder(const std::string& prompt, const std::string& start_folder);

  // Lets the user pick the folder `label` ("Data1" ... "Data4", "States"), opened
  // at `current_folder` when that folder exists; the chosen folder or "".
  std::string BrowseDataFolder(const std::string& current_folder, const std::string& label);

 private:
  void Tell(const std::string& text);
  std::string StartFolder();

  Ports ports_;
  FormView& view_;
};

}  // namespace k9
