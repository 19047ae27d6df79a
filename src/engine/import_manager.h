// The reference engine's import manager (engine member 193): the street data sets
// imported from OpenStreetMap extracts, importing another extract or an overlay
// file, and removing a data set.
//
// ImportManagerModel is what the Import Manager window shows and does, without the
// window: the listed areas, the user's actions, and the import running on a worker
// thread with its progress and Cancel. The window (Windows) is an ImportManagerView
// over it; without one (Linux, and Windows under KESTREL9_AUTOMATION) Show() tells
// the user in one message what is imported and how to import more.
//
// The model reaches the street store and the overlay importer through the
// ImportBackend port, so it is tested with a fake; MakeDefaultImportBackend() is the
// real one.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "server/engine_port.h"
#include "streets/street_import.h"

namespace k9::engine {

inline constexpr char kImportManagerCaption[] = "Import Manager";

// Message box styles and answers beyond those of platform/dialogs.h, with the
// values of the Windows API.
inline constexpr std::uint32_t kMbYesNo = 0x4;
inline constexpr std::uint32_t kMbIconQuestion = 0x20;
inline constexpr std::uint32_t kMbIconExclamation = 0x30;
inline constexpr int kIdYes = 6;

// The open-file dialog's filter: extracts and overlay files together first.
extern const char kImportFileFilter[];

// The help context of the Import Manager's page in the server's help file.
inline constexpr std::uint32_t kImportManagerHelpContext = 80;

// What the model needs from the street store and the overlay importer. Called on
// the worker thread for imports, on the window's thread otherwise; never at once.
class ImportBackend {
 public:
  ImportBackend() = default;
  ImportBackend(const ImportBackend&) = delete;
  ImportBackend& operator=(const ImportBackend&) = delete;
  virtual ~ImportBackend() = default;

  // The imported areas, by name.
  virtual std::vector<streets::StoredArea> ListAreas() = 0;
  // Imports an OpenStreetMap extract; `observer` hears the progress and may cancel.
  virtual streets::ImportOutcome ImportExtract(const std::string& file,
                                               streets::ImportObserver* observer) = 0;
  // False with *error (one sentence) when the area could not be removed.
  virtual bool RemoveArea(const std::string& name, std::string* error) = 0;

  // True for the files the overlay importer takes (GPX, KML, KMZ, GeoJSON).
  virtual bool IsOverlaySource(const std::string& path) = 0;
  enum class OverlayStatus { kImported, kExists, kFailed };
  struct OverlayOutcome {
    OverlayStatus status = OverlayStatus::kFailed;
    std::string overlay_path;  // the .OVR written, or the one in the way (kExists)
    std::string message;       // one sentence for the user
  };
  // Converts an overlay file into the server's overlay folder; an .OVR of that
  // name is replaced only when `replace` is true (else kExists).
  virtual OverlayOutcome ImportOverlay(const std::string& path, bool replace) = 0;
};

// The backend over the street store (streets::DefaultStoreFolder()) and the
// server's registered overlay folder.
std::unique_ptr<ImportBackend> MakeDefaultImportBackend(FileSystem& fs, Registry& registry);

// One row of the list, as shown.
struct ImportedAreaRow {
  std::string name;
  std::string area;      // "W..E, S..N" in degrees
  std::string imported;  // "YYYY-MM-DD HH:MM"
  std::string size;      // "12.3 MB"
};

// "-76.71..-76.53, 39.20..39.37": west..east, south..north, two decimals.
std::string FormatAreaBox(const streets::Box& box);
// Megabytes with one decimal ("0.1 MB" at least for a non-empty data set).
std::string FormatSize(std::uint64_t bytes);
// The progress as one status line: phase, megabytes read, objects, time left.
std::string FormatProgress(const streets::ImportProgress& progress);

class ImportManagerModel {
 public:
  // `help_file` is the server's help file ("" when none was found).
  ImportManagerModel(ImportBackend& backend, Dialogs& dialogs, std::string help_file = "");
  ImportManagerModel(const ImportManagerModel&) = delete;
  ImportManagerModel& operator=(const ImportManagerModel&) = delete;
  // Cancels a running import and waits for it to end.
  ~ImportManagerModel();

  // Called from the worker thread whenever the status changed, and once when the
  // import has ended; the window posts itself a message, which then calls
  // Status() or Finish() on its own thread. Set before the first import.
  using Notify = std::function<void(bool ended)>;
  void SetNotify(Notify notify) { notify_ = std::move(notify); }

  // The list, as last read from the backend.
  const std::vector<ImportedAreaRow>& Rows() const { return rows_; }
  void Refresh();

  // Import...: asks for a file (owned by `owner`) and starts importing it. False
  // when the user cancelled the dialog or an import is already running.
  bool Import(std::intptr_t owner);
  // Starts importing `path` on the worker thread (an overlay file when the
  // backend says it is one). False while another import runs.
  bool Start(const std::string& path, bool replace_overlay = false);
  // Asks the running import to stop; the store is left as it was.
  void Cancel();
  // Cancels and waits for the worker to end, telling nothing (the window is going).
  void Stop();
  bool Running() const { return running_; }
  // Only extracts can be stopped half-way; an overlay converts in one go.
  bool Cancellable() const { return running_ && !overlay_; }

  // Called on the window's thread once the worker said the import ended: joins
  // it, refreshes the list and tells the outcome (a failure also in a message
  // box); an overlay in the way is replaced only when the user says so, which
  // starts the import again. `shown` runs once the list and status are up to
  // date, before any message box, so the window behind it shows them. Returns
  // true while an import still runs afterwards.
  bool Finish(std::intptr_t owner, const std::function<void()>& shown = {});

  struct StatusLine {
    int percent = -1;  // 0..100, or -1 when unknown (no bar position)
    std::string text;  // the progress while running, else the last outcome
  };
  StatusLine Status() const;

  // Remove: asks before removing the area of that row. True when it was removed.
  bool Remove(std::size_t row, std::intptr_t owner);

  // F1: the Import Manager's page of the server's help file, if there is one.
  void Help(std::intptr_t owner);

 private:
  class Observer;
  void Run(std::string path, bool overlay, bool replace);
  void SetStatus(int percent, std::string text);

  ImportBackend& backend_;
  Dialogs& dialogs_;
  std::string help_file_;
  Notify notify_;
  std::vector<ImportedAreaRow> rows_;

  std::thread worker_;
  std::atomic<bool> running_{false};
  std::atomic<bool> cancel_{false};
  bool overlay_ = false;
  std::string path_;  // of the running or last import

  mutable std::mutex mutex_;  // guards what the worker writes below
  StatusLine status_;
  bool ended_ = false;
  streets::ImportOutcome outcome_;
  ImportBackend::OverlayOutcome overlay_outcome_;
};

// Puts the model on screen: modal to `owner` (or the active window), returning
// when the user closed it.
class ImportManagerView {
 public:
  virtual ~ImportManagerView() = default;
  virtual void ShowModal(ImportManagerModel& model, std::intptr_t owner) = 0;
};

// The headless Show(): the imported areas and how to import more, in one message.
std::string HeadlessImportManagerText(const std::vector<ImportedAreaRow>& rows);

// The server's help file ("Kestrel9.chm" beside the registered server library),
// or "" when it is not registered or the file is missing.
std::string ServerHelpFile(Registry& registry, FileSystem& fs);

// The import manager member 193 answers: each Show() makes a model over a backend
// from `backend` and puts it on `view`, or without a view tells the user in one
// message box. `dialogs` must outlive it.
std::unique_ptr<EngineImportManager> MakeImportManager(
    Dialogs* dialogs, std::function<std::unique_ptr<ImportBackend>()> backend,
    ImportManagerView* view, std::function<std::string()> help_file = {});

// The reference engine's: headless, over the default backend on the platform's
// file system and registry; nullptr dialogs shows nothing.
std::unique_ptr<EngineImportManager> MakeImportManager(Dialogs* dialogs);

}  // namespace k9::engine
