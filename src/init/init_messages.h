// The texts InitKestrel9 shows the user. They are shown in one information
// message box with an OK button; the parts of each text are joined with nothing
// between them, each part carrying its own trailing blank where one is needed.
#pragma once

#include <string>

namespace k9::init {

inline constexpr char kMessageCaption[] = "Initialise Kestrel9";

// The host has never run on this machine, so its Maps folder is unknown.
inline constexpr char kMessageHostNeverRun[] =
    "You appear to be installing Kestrel9 on a PC on which "
    "Harrier32 has never been run. To complete the installation, "
    "you must manually copy !!Kestrel9.INF from the Kestrel9 "
    "program folder to the Harrier32\\Maps folder.";

// The map-list entry file is not beside the program.
inline constexpr char kMessageEntryFileMissing[] =
    "!!Kestrel9.INF should be in the Kestrel9 program folder, "
    "but it cannot be found. You must manually copy !!Kestrel9.INF "
    "into your Harrier32 Maps folder.";

// Installation done.
inline constexpr char kMessageDone[] =
    "To use Kestrel9, select 'Stratomap V9 Server' "
    "in the Harrier32 'Load A Map' list.";

// Appended to kMessageDone, after two line breaks, when settings were carried
// over from an earlier installation.
inline constexpr char kOldVersionParagraph[] =
    "A copy of Kestrel for Stratomap V5 has been found on your system. "
    "If you no longer wish to use this old version of Kestrel, then delete !!Kestrel.INF "
    "in the Harrier32 Maps folder. If you installed Kestrel for Stratomap V5 as a separate "
    "application, and not as part of the Harrier32 installation, then, if you wish, you can "
    "uninstall it from Control Panel, Add/Remove Programs - it will be listed as Kestrel.";

// The closing message, with the old-version paragraph when `carried_over`.
inline std::string DoneMessage(bool carried_over) {
  std::string text = kMessageDone;
  if (carried_over) {
    text += "\r\n\r\n";
    text += kOldVersionParagraph;
  }
  return text;
}

}  // namespace k9::init
