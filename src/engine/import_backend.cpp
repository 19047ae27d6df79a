// The import manager's backend over the real street store and overlay importer.
// Not built yet: it is listed in CMake (in place of import_backend_unavailable.cpp)
// once src/streets implements street_import.h and src/overlay_import exists.
#include <memory>

#include "engine/import_manager.h"
#include "overlay_import/overlay_import.h"
#include "streets/street_import.h"

namespace k9::engine {

namespace {

class StoreBackend final : public ImportBackend {
 public:
  StoreBackend(FileSystem& fs, Registry& registry)
      : fs_(fs), registry_(registry), store_(streets::DefaultStoreFolder()) {}

  std::vector<streets::StoredArea> ListAreas() override { return streets::ListAreas(store_); }
  streets::ImportOutcome ImportExtract(const std::string& file,
                                       streets::ImportObserver* observer) override {
    return streets::ImportExtract(store_, file, observer);
  }
  bool RemoveArea(const std::string& name, std::string* error) override {
    return streets::RemoveArea(store_, name, error);
  }

  bool IsOverlaySource(const std::string& path) override {
    return overlay_import::IsOverlaySource(path);
  }
  OverlayOutcome ImportOverlay(const std::string& path, bool replace) override {
    // Read at each import: the server's folder may have been set up meanwhile.
    const std::string folder = overlay_import::RegisteredOverlayFolder(registry_);
    OverlayOutcome outcome;
    if (folder.empty()) {
      outcome.message =
          "The server's \"Strato Overlays\" folder is not known: register the map server first.";
      return outcome;
    }
    const overlay_import::OverlayImportOutcome got =
        overlay_import::ImportOverlayFile(fs_, path, folder, replace);
    switch (got.status) {
      case overlay_import::OverlayImportOutcome::Status::kImported:
        outcome.status = OverlayStatus::kImported;
        break;
      case overlay_import::OverlayImportOutcome::Status::kExists:
        outcome.status = OverlayStatus::kExists;
        break;
      default:
        outcome.status = OverlayStatus::kFailed;
        break;
    }
    outcome.overlay_path = got.overlay_path;
    outcome.message = got.message;
    return outcome;
  }

 private:
  FileSystem& fs_;
  Registry& registry_;
  std::string store_;
};

}  // namespace

std::unique_ptr<ImportBackend> MakeDefaultImportBackend(FileSystem& fs, Registry& registry) {
  return std::make_unique<StoreBackend>(fs, registry);
}

}  // namespace k9::engine
