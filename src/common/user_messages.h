// How the server tells the user something: a message box with the information
// icon, one OK button and the component's title as caption. Here too the words
// for a failure that lost something the user did (the action, then the file and
// the reason), and the memory that keeps work repeated at every paint from
// saying the same thing more than once.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <tuple>

#include "platform/dialogs.h"
#include "platform/file_result.h"

namespace k9 {

// Caption of every message of the component.
inline constexpr char kComponentTitle[] = "Strato9 server for Harrier32";

// What could not be done, the first sentence of each failure message; the
// reason (DescribeFileProblem) follows.
inline constexpr char kFavouriteNotAdded[] = "Kestrel9 could not add the favourite view.";
inline constexpr char kFavouritesNotSaved[] = "Kestrel9 could not save the favourite views.";
inline constexpr char kFavouritesNotRead[] = "Kestrel9 could not read the favourite views.";
inline constexpr char kMapListNotUpdated[] =
    "Kestrel9 could not update its entry in the Harrier32 map list.";
inline constexpr char kSettingNotSaved[] = "Kestrel9 could not save its settings.";
// Follows the reason when a setting could not be saved.
inline constexpr char kSettingKeptUntilClose[] =
    "The change lasts only until Harrier32 closes the map.";
inline constexpr char kEngineSettingsNotSaved[] =
    "Kestrel9 could not save the map engine's settings.";
// An overlay or underlay the map engine refused; the engine's reason follows.
inline constexpr char kOverlayNotChanged[] = "Kestrel9 has kept the overlay it had.";
inline constexpr char kUnderlayNotChanged[] = "Kestrel9 has kept the underlay it had.";
inline constexpr char kOverlayNotShown[] = "Kestrel9 cannot show the overlay.";
inline constexpr char kUnderlayNotShown[] = "Kestrel9 cannot show the underlay.";

// Shows `text` in the component's message box.
void TellUser(Dialogs& dialogs, const std::string& text, std::intptr_t owner = 0);

// "`what` `reason` `then`": what could not be done, DescribeFileProblem(result),
// and what follows from it ("" for nothing).
std::string FileProblemMessage(const std::string& what, const FileResult& result,
                               const std::string& then = "");

// Remembers the causes already told: a failure (the same action, file and
// fault) is told once, until the action succeeds again and Forget clears it.
class ToldOnce {
 public:
  // True the first time this cause of `action` is offered since it was last
  // forgotten; false for a success.
  bool First(const std::string& action, const FileResult& result);
  // The action worked: its causes may be told again should they return.
  void Forget(const std::string& action);

 private:
  std::set<std::tuple<std::string, std::string, FileFault, int>> told_;
};

}  // namespace k9
