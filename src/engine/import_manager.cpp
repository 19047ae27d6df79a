#include "engine/import_manager.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <utility>

namespace k9::engine {

const char kImportFileFilter[] =
    "Extracts and overlay files|" K9_EXTRACT_PATTERNS
    ";*.gpx;*.kml;*.kmz;*.geojson;*.json|"
    "OpenStreetMap extracts (" K9_EXTRACT_FORMS ")|" K9_EXTRACT_PATTERNS
    "|"
    "Overlay files (*.gpx, *.kml, *.kmz, *.geojson, *.json)|*.gpx;*.kml;*.kmz;*.geojson;*.json|"
    "All files (*.*)|*.*";

namespace {

std::string Printf(const char* format, double a, double b) {
  char text[64];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

// The file's name without its folder, for sentences.
std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// 1234567 as "1,234,567".
std::string Grouped(std::uint64_t n) {
  std::string digits = std::to_string(n);
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) {
    digits.insert(static_cast<std::size_t>(i), ",");
  }
  return digits;
}

// A sentence ends with one full stop, whatever the text it came from had.
std::string Sentence(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\r')) {
    text.pop_back();
  }
  if (!text.empty() && text.back() != '.' && text.back() != '!' && text.back() != '?') {
    text += '.';
  }
  return text;
}

}  // namespace

std::string FormatAreaBox(const streets::Box& box) {
  return Printf("%.2f..%.2f, ", box.west, box.east) + Printf("%.2f..%.2f", box.south, box.north);
}

std::string FormatSize(std::uint64_t bytes) {
  double megabytes = static_cast<double>(bytes) / (1024.0 * 1024.0);
  if (bytes > 0 && megabytes < 0.1) megabytes = 0.1;
  return Printf("%.1f MB", megabytes, 0);
}

std::string FormatProgress(const streets::ImportProgress& progress) {
  std::string text = progress.phase.empty() ? "Importing" : progress.phase;
  const double mb = 1024.0 * 1024.0;
  if (progress.bytes_total > 0) {
    text += Printf(": %.1f of %.1f MB", static_cast<double>(progress.bytes_read) / mb,
                   static_cast<double>(progress.bytes_total) / mb);
  } else {
    text += Printf(": %.1f MB", static_cast<double>(progress.bytes_read) / mb, 0);
  }
  text += ", " + Grouped(progress.objects) + " objects";
  if (progress.seconds_left >= 0) {
    const long seconds = std::lround(progress.seconds_left);
    if (seconds < 60) {
      text += ", about " + std::to_string(seconds < 1 ? 1 : seconds) + " s left";
    } else {
      text += ", about " + std::to_string((seconds + 30) / 60) + " min left";
    }
  }
  return text;
}

// Hands the backend's progress to the model and the user's Cancel to the backend.
class ImportManagerModel::Observer final : public streets::ImportObserver {
 public:
  explicit Observer(ImportManagerModel& model) : model_(model) {}
  void Progress(const streets::ImportProgress& progress) override {
    int percent = -1;
    if (progress.bytes_total > 0) {
      percent = static_cast<int>(
          std::min<std::uint64_t>(100, progress.bytes_read * 100 / progress.bytes_total));
    }
    model_.SetStatus(percent, FormatProgress(progress));
  }
  bool Cancelled() override { return model_.cancel_; }

 private:
  ImportManagerModel& model_;
};

ImportManagerModel::ImportManagerModel(ImportBackend& backend, Dialogs& dialogs,
                                       std::string help_file)
    : backend_(backend), dialogs_(dialogs), help_file_(std::move(help_file)) {
  Refresh();
}

ImportManagerModel::~ImportManagerModel() { Stop(); }

void ImportManagerModel::Stop() {
  cancel_ = true;
  if (worker_.joinable()) worker_.join();
}

void ImportManagerModel::Refresh() {
  rows_.clear();
  std::vector<streets::StoredArea> areas;
  try {
    areas = backend_.ListAreas();
  } catch (const std::exception&) {
    // An unreadable store lists nothing; the next import says what is wrong.
  }
  for (const streets::StoredArea& area : areas) {
    rows_.push_back({area.name, FormatAreaBox(area.box), area.date, FormatSize(area.bytes)});
  }
}

bool ImportManagerModel::Import(std::intptr_t owner) {
  if (running_) return false;
  OpenFileRequest request;
  request.owner = owner;
  request.title = "Import an OpenStreetMap extract or an overlay file";
  request.filter = kImportFileFilter;
  request.flags = 0x1000 | 0x800 | 0x4;  // OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY
  const std::optional<std::string> path = dialogs_.OpenFile(request);
  if (!path || path->empty()) return false;
  return Start(*path);
}

bool ImportManagerModel::Start(const std::string& path, bool replace_overlay) {
  if (running_) return false;
  if (worker_.joinable()) worker_.join();
  bool overlay = false;
  try {
    overlay = backend_.IsOverlaySource(path);
  } catch (const std::exception&) {
  }
  overlay_ = overlay;
  path_ = path;
  cancel_ = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = false;
    outcome_ = {};
    overlay_outcome_ = {};
    status_ = {overlay ? -1 : 0,
               (overlay ? "Converting " : "Starting the import of ") + FileName(path) + "..."};
  }
  running_ = true;
  worker_ = std::thread(&ImportManagerModel::Run, this, path, overlay, replace_overlay);
  return true;
}

void ImportManagerModel::Run(std::string path, bool overlay, bool replace) {
  streets::ImportOutcome outcome;
  ImportBackend::OverlayOutcome overlay_outcome;
  try {
    if (overlay) {
      overlay_outcome = backend_.ImportOverlay(path, replace);
    } else {
      Observer observer(*this);
      outcome = backend_.ImportExtract(path, &observer);
    }
  } catch (const std::exception& e) {
    const std::string why = Sentence(e.what());
    outcome = {};
    outcome.message = "The import of " + FileName(path) + " failed: " + why;
    overlay_outcome = {};
    overlay_outcome.message = outcome.message;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    outcome_ = std::move(outcome);
    overlay_outcome_ = std::move(overlay_outcome);
    ended_ = true;
  }
  // Running() turns false only after the outcome is in place, so a view that
  // sees the end finds what to tell.
  running_ = false;
  if (notify_) notify_(true);
}

void ImportManagerModel::SetStatus(int percent, std::string text) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    status_ = {percent, std::move(text)};
  }
  if (notify_) notify_(false);
}

void ImportManagerModel::Cancel() {
  if (running_) cancel_ = true;
}

ImportManagerModel::StatusLine ImportManagerModel::Status() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return status_;
}

bool ImportManagerModel::Finish(std::intptr_t owner, const std::function<void()>& shown) {
  if (worker_.joinable()) worker_.join();
  bool ended = false;
  streets::ImportOutcome outcome;
  ImportBackend::OverlayOutcome overlay_outcome;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::swap(ended, ended_);
    outcome = outcome_;
    overlay_outcome = overlay_outcome_;
  }
  if (!ended) return running_;
  Refresh();
  const std::string name = FileName(path_);
  std::string told;
  bool failed = false;
  if (overlay_) {
    using Status = ImportBackend::OverlayStatus;
    if (overlay_outcome.status == Status::kExists) {
      if (shown) shown();
      const std::string ovr =
          FileName(overlay_outcome.overlay_path.empty() ? name : overlay_outcome.overlay_path);
      const int answer = dialogs_.ShowMessage(
          "The overlay " + ovr + " already exists. Replace it with " + name + "?",
          kImportManagerCaption, kMbYesNo | kMbIconQuestion, owner);
      if (answer == kIdYes) return Start(path_, true);
      told = "Nothing was imported: " + ovr + " is kept as it was.";
    } else if (overlay_outcome.status == Status::kImported) {
      told = overlay_outcome.message.empty()
                 ? "Imported " + name + " as the overlay " +
                       FileName(overlay_outcome.overlay_path) +
                       "; choose it with Load Overlay in the control panel."
                 : Sentence(overlay_outcome.message);
    } else {
      failed = true;
      told = overlay_outcome.message.empty() ? name + " could not be imported as an overlay."
                                             : Sentence(overlay_outcome.message);
    }
  } else if (outcome.ok) {
    told = outcome.message.empty() ? "Imported " + name + "." : Sentence(outcome.message);
  } else if (outcome.cancelled) {
    told = "The import of " + name + " was cancelled; the street data is as it was.";
  } else {
    failed = true;
    told = outcome.message.empty()
               ? "The import of " + name + " failed; the street data is as it was."
               : Sentence(outcome.message);
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    status_ = {-1, told};
  }
  if (shown) shown();
  if (failed) dialogs_.ShowMessage(told, kImportManagerCaption, kMbOk | kMbIconExclamation, owner);
  return false;
}

bool ImportManagerModel::Remove(std::size_t row, std::intptr_t owner) {
  if (running_ || row >= rows_.size()) return false;
  const std::string name = rows_[row].name;
  const int answer = dialogs_.ShowMessage(
      "Remove the street data of " + name + "? The map no longer draws its streets.",
      kImportManagerCaption, kMbYesNo | kMbIconQuestion, owner);
  if (answer != kIdYes) return false;
  std::string error;
  bool removed = false;
  try {
    removed = backend_.RemoveArea(name, &error);
  } catch (const std::exception& e) {
    error = e.what();
  }
  Refresh();
  std::string told = removed ? "Removed " + name + "."
                             : (error.empty() ? name + " could not be removed." : Sentence(error));
  {
    std::lock_guard<std::mutex> lock(mutex_);
    status_ = {-1, told};
  }
  if (!removed)
    dialogs_.ShowMessage(told, kImportManagerCaption, kMbOk | kMbIconExclamation, owner);
  return removed;
}

void ImportManagerModel::Help(std::intptr_t owner) {
  // HELP_CONTEXT; with no help file there is nothing to open, and F1 does nothing.
  if (!help_file_.empty()) dialogs_.ShowHelp(help_file_, 0x1, kImportManagerHelpContext, owner);
}

std::string HeadlessImportManagerText(const std::vector<ImportedAreaRow>& rows) {
  std::string text;
  if (rows.empty()) {
    text = "No street data is imported yet.\r\n";
  } else {
    text = "Imported street data:\r\n";
    for (const ImportedAreaRow& row : rows) {
      text += "  " + row.name + "  (" + row.area + "), imported " + row.imported + ", " + row.size +
              "\r\n";
    }
  }
  text += "\r\nImport an OpenStreetMap extract (" K9_EXTRACT_FORMS
          ") with the command k9-engine-import FILE, or on Windows with the Import Manager of the "
          "control panel.";
  return text;
}

std::string ServerHelpFile(Registry& registry, FileSystem& fs) {
  auto text = [&registry](const std::string& key) -> std::string {
    const std::optional<RegValue> value = registry.QueryValue(RegRoot::kClassesRoot, key, "");
    if (!value || (value->type != kRegSz && value->type != kRegExpandSz)) return "";
    std::string data = value->data;
    while (!data.empty() && data.back() == '\0') data.pop_back();
    return data;
  };
  const std::string clsid = text("Kestrel9.clsMapServ\\CLSID");
  if (clsid.empty()) return "";
  const std::string library = text("CLSID\\" + clsid + "\\InprocServer32");
  const std::size_t slash = library.find_last_of("\\/");
  if (slash == std::string::npos) return "";
  const std::string file = library.substr(0, slash + 1) + "Kestrel9.chm";
  return fs.FileExists(file) ? file : "";
}

namespace {

class ImportManager final : public EngineImportManager {
 public:
  ImportManager(Dialogs* dialogs, std::function<std::unique_ptr<ImportBackend>()> backend,
                ImportManagerView* view, std::function<std::string()> help_file)
      : dialogs_(dialogs),
        backend_(std::move(backend)),
        view_(view),
        help_file_(std::move(help_file)) {}

  void Show() override {
    if (dialogs_ == nullptr || !backend_) return;
    std::unique_ptr<ImportBackend> backend = backend_();
    if (backend == nullptr) return;
    ImportManagerModel model(*backend, *dialogs_, help_file_ ? help_file_() : "");
    if (view_ == nullptr) {
      dialogs_->ShowMessage(HeadlessImportManagerText(model.Rows()), kImportManagerCaption,
                            kMbOk | kMbIconInformation, 0);
      return;
    }
    view_->ShowModal(model, 0);
  }

 private:
  Dialogs* dialogs_;
  std::function<std::unique_ptr<ImportBackend>()> backend_;
  ImportManagerView* view_;
  std::function<std::string()> help_file_;
};

}  // namespace

std::unique_ptr<EngineImportManager> MakeImportManager(
    Dialogs* dialogs, std::function<std::unique_ptr<ImportBackend>()> backend,
    ImportManagerView* view, std::function<std::string()> help_file) {
  return std::make_unique<ImportManager>(dialogs, std::move(backend), view, std::move(help_file));
}

std::unique_ptr<EngineImportManager> MakeImportManager(Dialogs* dialogs) {
  return MakeImportManager(
      dialogs, [] { return MakeDefaultImportBackend(FileSystem::Default(), Registry::Default()); },
      nullptr);
}

}  // namespace k9::engine
