// Initialiser is the logic of InitKestrel9, the program that an installation of
// the map server runs once from the server's program folder. It places the
// map-list entry file "!!Kestrel9.INF" in the host's Maps folder so that the host
// lists the server among its maps, carries the display settings and favourite
// views of an earlier installation over to the new folder, and tells the user in
// one message box what to do next.
//
// Everything outside the program (files, registry, message box, the program's own
// path) is reached through the Ports it is given, so tests run it against
// temporary folders and a temporary registry store.
#pragma once

#include <string>

#include "platform/ports.h"

namespace k9::init {

// What a run ended with. The values are the program's exit status.
enum class Outcome : int {
  kDone = 0,              // entry file placed, closing message shown
  kFailed = 1,            // an error ended the run; nothing was shown
  kHostNeverRun = 2,      // no host program folder; the user was told to copy by hand
  kEntryFileMissing = 3,  // no entry file beside the program; the user was told to copy by hand
};

// Where the host keeps its program folder among its per-user settings.
inline constexpr char kHostApp[] = "Corvid Works";
inline constexpr char kHostSection[] = "Harrier32";
inline constexpr char kHostFolderKey[] = "Program Folder";

// The server's ProgID, through which an earlier installation is found.
inline constexpr char kServerProgId[] = "Kestrel9.clsMapServ";

inline constexpr char kEntryFileName[] = "!!Kestrel9.INF";
inline constexpr char kNewSettingsName[] = "Kestrel9.INI";
inline constexpr char kNewFavouritesName[] = "Kestrel9.FAV";
inline constexpr char kOldSettingsName[] = "kestrel9.ini";
inline constexpr char kOldFavouritesName[] = "Kestrel6.FAV";

class Initialiser {
 public:
  // The own folder is the folder of ports.system->ModulePath(). Every pointer in
  // `ports` must stay valid for the life of the object.
  explicit Initialiser(const Ports& ports);

  Initialiser(const Initialiser&) = delete;
  Initialiser& operator=(const Initialiser&) = delete;

  // The entry routine: places the entry file, carries settings over and shows
  // exactly one message box, or none when an error ends the run. Never throws.
  Outcome Run();

  // Carries the SETUP display settings, and the favourites, of the earlier
  // installation named in the registry over to the own folder. True when they
  // were carried over. Does nothing and returns false when the own folder
  // already holds a settings file, when no earlier installation or no settings
  // file in it is found, and on any failure; a failure removes what this call
  // had written, so the next run tries again from the start. Never throws.
  bool CarryOverSettings();

  // The folder, ending with its separator, of the in-process server library that
  // the registry names for `prog_id`, or "" when the registry names none. Never
  // throws.
  std::string InprocServerFolder(const std::string& prog_id);

  // The program's own folder, without a trailing separator ("" when unknown).
  const std::string& own_folder() const { return own_folder_; }

 private:
  bool WriteCarriedSettings(const std::string& old_file, const std::string& new_file);

  Ports ports_;
  std::string own_folder_;
};

}  // namespace k9::init
