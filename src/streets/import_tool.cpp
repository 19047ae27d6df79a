// k9-engine-import [--store FOLDER] [--overlays FOLDER] [--replace] [--remove NAME] [--list]
// FILE...
//
// Imports OpenStreetMap extracts into the engine's street store and GPX, KML, KMZ
// and GeoJSON files into overlays (the same imports the engine's Import Manager
// runs), removes imported areas and lists them. One
// result sentence per file; exit status 0 when everything asked for was done,
// else 1.
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define K9_ISATTY(f) _isatty(_fileno(f))
#else
#include <unistd.h>
#define K9_ISATTY(f) isatty(fileno(f))
#endif

#include "overlay_import/overlay_import.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "streets/street_import.h"

namespace {

using k9::streets::ImportProgress;

// Overlay files (GPX, KML, KMZ, GeoJSON) become overlays in the server's overlay
// folder: the one given, else the one beside the registered server.
bool ImportOverlay(const std::string& path, std::string folder, bool replace,
                   std::string* message) {
  if (folder.empty()) folder = k9::overlay_import::RegisteredOverlayFolder(k9::Registry::Default());
  if (folder.empty()) {
    *message = path +
               " was not imported: the map server is not registered, so its \"Strato Overlays\" "
               "folder is not known (name it with --overlays FOLDER).";
    return false;
  }
  const auto outcome =
      k9::overlay_import::ImportOverlayFile(k9::FileSystem::Default(), path, folder, replace);
  *message = outcome.message;
  using Status = k9::overlay_import::OverlayImportOutcome::Status;
  if (outcome.status == Status::kExists) {
    const std::string& ovr = outcome.overlay_path;
    *message = "The overlay " + ovr.substr(ovr.find_last_of("/\\") + 1) +
               " already exists and was left as it is; give --replace to replace it.";
  }
  return outcome.status == Status::kImported;
}

std::string Size(std::uint64_t bytes) {
  char buf[32];
  if (bytes >= (1u << 20))
    std::snprintf(buf, sizeof buf, "%.1f MB", static_cast<double>(bytes) / (1 << 20));
  else
    std::snprintf(buf, sizeof buf, "%llu KB",
                  static_cast<unsigned long long>((bytes + 1023) / 1024));
  return buf;
}

class LineObserver : public k9::streets::ImportObserver {
 public:
  LineObserver(std::string file, bool terminal) : file_(std::move(file)), terminal_(terminal) {}
  void Progress(const ImportProgress& p) override {
    std::string line = file_ + ": " + p.phase;
    if (p.bytes_total > 0) {
      char pct[16];
      std::snprintf(pct, sizeof pct, " %3d%%",
                    static_cast<int>(100.0 * static_cast<double>(p.bytes_read) /
                                     static_cast<double>(p.bytes_total)));
      line += std::string(pct) + " (" + Size(p.bytes_read) + " of " + Size(p.bytes_total) + ")";
    } else if (p.bytes_read > 0) {
      line += " (" + Size(p.bytes_read) + ")";
    }
    if (p.objects > 0) line += ", " + std::to_string(p.objects) + " objects";
    if (p.seconds_left >= 0)
      line += ", " + std::to_string(static_cast<long>(p.seconds_left + 0.5)) + " s left";
    if (terminal_) {
      // Pad over what a longer line before left on the terminal.
      const std::size_t width = line.size();
      if (line.size() < shown_) line.append(shown_ - line.size(), ' ');
      shown_ = width;
      std::printf("\r%s", line.c_str());
    } else {
      // Plain lines for a log: only when the phase changes.
      if (p.phase == last_phase_) return;
      last_phase_ = p.phase;
      std::printf("%s\n", line.c_str());
    }
    std::fflush(stdout);
  }
  bool Cancelled() override { return false; }
  void Finish() {
    if (terminal_ && shown_ > 0) std::printf("\r%s\r", std::string(shown_, ' ').c_str());
  }

 private:
  std::string file_;
  bool terminal_;
  std::size_t shown_ = 0;
  std::string last_phase_;
};

int Usage() {
  std::fprintf(
      stderr,
      "usage: k9-engine-import [--store FOLDER] [--overlays FOLDER] [--replace]\n"
      "                        [--remove NAME] [--list] FILE...\n"
      "Imports OpenStreetMap extracts (" K9_EXTRACT_FORMS
      ") into the street data folder\n(default %s), and GPX, KML, KMZ and GeoJSON files into "
      "overlays in the map server's\n\"Strato Overlays\" folder (--replace replaces an "
      "overlay of the same name).\n",
      k9::streets::DefaultStoreFolder().c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string store = k9::streets::DefaultStoreFolder();
  std::string overlays;
  std::vector<std::string> removes, files;
  bool list = false;
  bool replace = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--list") {
      list = true;
    } else if (arg == "--replace") {
      replace = true;
    } else if (arg == "--overlays" && i + 1 < argc) {
      overlays = argv[++i];
    } else if ((arg == "--remove" || arg == "--store") && i + 1 < argc) {
      (arg == "--remove" ? removes.emplace_back() : store) = argv[++i];
    } else if (arg == "--help" || arg == "-h" || (arg.size() > 1 && arg[0] == '-')) {
      return Usage();
    } else {
      files.push_back(arg);
    }
  }
  if (removes.empty() && files.empty() && !list) return Usage();

  bool all_ok = true;
  for (const std::string& name : removes) {
    std::string error;
    if (k9::streets::RemoveArea(store, name, &error)) {
      std::printf("Removed \"%s\".\n", name.c_str());
    } else {
      std::printf("%s\n", error.c_str());
      all_ok = false;
    }
  }
  const bool terminal = K9_ISATTY(stdout) != 0;
  for (const std::string& file : files) {
    if (k9::overlay_import::IsOverlaySource(file)) {
      std::string message;
      all_ok = ImportOverlay(file, overlays, replace, &message) && all_ok;
      std::printf("%s\n", message.c_str());
      continue;
    }
    LineObserver observer(file, terminal);
    const auto outcome = k9::streets::ImportExtract(store, file, &observer);
    observer.Finish();
    std::printf("%s\n", outcome.message.c_str());
    all_ok = outcome.ok && all_ok;
  }
  if (list) {
    const auto areas = k9::streets::ListAreas(store);
    if (areas.empty()) std::printf("No area is imported in %s.\n", store.c_str());
    for (const auto& a : areas) {
      std::printf("%s\t%s\t%.4f,%.4f,%.4f,%.4f\t%s\n", a.name.c_str(), a.date.c_str(), a.box.west,
                  a.box.south, a.box.east, a.box.north, Size(a.bytes).c_str());
    }
  }
  std::fflush(stdout);
  return all_ok ? 0 : 1;
}
