// The import manager's backend while the engine is built without the street
// importer: it lists nothing and refuses every import with the reason, so the
// Import Manager never reports an import that did not happen.
// import_backend.cpp replaces this file once the importers are part of the build.
#include <memory>

#include "engine/import_manager.h"

namespace k9::engine {

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
  if (text.size() < end.size()) return false;
  for (std::size_t i = 0; i < end.size(); ++i) {
    const char a = text[text.size() - end.size() + i];
    if ((a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) != end[i]) return false;
  }
  return true;
}

class UnavailableBackend final : public ImportBackend {
 public:
  std::vector<streets::StoredArea> ListAreas() override { return {}; }
  streets::ImportOutcome ImportExtract(const std::string&, streets::ImportObserver*) override {
    streets::ImportOutcome outcome;
    outcome.message = "This build of the map engine cannot import OpenStreetMap extracts.";
    return outcome;
  }
  bool RemoveArea(const std::string& name, std::string* error) override {
    if (error != nullptr) *error = "There is no imported area named " + name + ".";
    return false;
  }
  bool IsOverlaySource(const std::string& path) override {
    for (const char* end : {".gpx", ".kml", ".kmz", ".geojson", ".json"}) {
      if (EndsWith(path, end)) return true;
    }
    return false;
  }
  OverlayOutcome ImportOverlay(const std::string&, bool) override {
    OverlayOutcome outcome;
    outcome.message = "This build of the map engine cannot convert overlay files.";
    return outcome;
  }
};

}  // namespace

std::unique_ptr<ImportBackend> MakeDefaultImportBackend(FileSystem&, Registry&) {
  return std::make_unique<UnavailableBackend>();
}

}  // namespace k9::engine
