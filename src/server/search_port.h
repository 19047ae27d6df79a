// The seam between the server object and the search: the search dialog (frmSearch)
// as the server uses it, the events the dialog raises into the server, and the
// routine that answers a search. The server owns the dialog from its first
// "Search" option until its release; the dialog and the search routine are
// supplied by the search part through ServerParts (server/server_parts.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/ports.h"
#include "server/engine_port.h"
#include "server/host_port.h"
#include "server/server_folders.h"

namespace k9 {

// Events the search dialog raises into the server, all synchronous.
class SearchDialogEvents {
 public:
  virtual ~SearchDialogEvents() = default;
  // Run a search for the trimmed query `strP` of kind `intFindType` (FIND_TYPES);
  // the handler calls the dialog's AddToList once per match before returning.
  virtual void Find(std::string& strP, std::int16_t& intFindType) = 0;
  // Go to the chosen match (a point when dblLong2 and dblLat2 are both 0, else the
  // box from (dblLong, dblLat) to (dblLong2, dblLat2)); a non-zero dblL asks for
  // the mile-marker line along latitude (blnLIsLat) or longitude dblL.
  virtual void ZoomToFind(std::string& strTitle, double& dblLong, double& dblLat, bool& blnIsPlace,
                          double& dblLong2, double& dblLat2, double& dblL, bool& blnLIsLat) = 0;
  // The dialog is being destroyed.
  virtual void ImUnloading() = 0;
};

// The search dialog, as the server and the search routine use it.
class SearchDialog {
 public:
  virtual ~SearchDialog() = default;

  // Window state: 0 normal, 1 minimised, 2 maximised.
  virtual std::int16_t WindowState() = 0;
  virtual void WindowState(std::int16_t state) = 0;
  // Shows the dialog modeless, owned by the window `owner` (0 for none).
  virtual void Show(std::intptr_t owner) = 0;
  // Size and position in twips.
  virtual int Width() = 0;
  virtual int Height() = 0;
  virtual void Move(int left, int top) = 0;
  // Destroys the dialog; it raises ImUnloading.
  virtual void Unload() = 0;

  // Adds one match to the result list.
  virtual void AddToList(std::string& strText, double& dblLong, double& dblLat, bool& blnIsPlace,
                         double& dblLong2, double& dblLat2, double& dblL, bool& blnLIsLat) = 0;
  // Sets the caption of the result label.
  virtual void ResultLbl(const std::string& caption) = 0;
};

// Creates the search dialog with its events connected to `events`.
using SearchDialogFactory =
    std::function<std::unique_ptr<SearchDialog>(SearchDialogEvents& events)>;

// What a search may use of the server: the engine, the host's callback object,
// the folders (the gazetteer files lie in the server folder) and the ports.
struct SearchContext {
  MapEngine& engine;
  HostEvents* host_events;  // nullptr before Initialize
  const ServerFolders& folders;
  Ports ports;
};

// Answers searches: the server's handlers of the dialog's Find and of the
// engine's found-item notification call it.
class SearchRunner {
 public:
  virtual ~SearchRunner() = default;
  // Runs the search of kind `intFindType` for `strP`, filling `dialog`.
  virtual void Find(SearchContext& context, SearchDialog& dialog, std::string& strP,
                    std::int16_t intFindType) = 0;
  // One address match reported by the engine (only while the last search was an
  // address search).
  virtual void EngineFoundItem(SearchContext& context, SearchDialog& dialog, std::string& strL) = 0;
};

}  // namespace k9
