// k9-engine-import [--store FOLDER] [--remove NAME] [--list] FILE...
//
// Imports OpenStreetMap extracts into the engine's street store (the same import
// the engine's Import Manager runs), removes imported areas and lists them. One
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

#include "streets/street_import.h"

namespace {

using k9::streets::ImportProgress;

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool EndsWith(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// Overlay files are imported by the overlay import; until it is linked in here,
// they are refused with that reason. The integrator replaces this body with the
// call into overlay_import, keeping the contract: true when imported, and a one
// sentence `message` either way.
bool IsOverlayFile(const std::string& path) {
  const std::string lower = Lower(path);
  for (const char* ext : {".gpx", ".kml", ".kmz", ".geojson", ".json"})
    if (EndsWith(lower, ext)) return true;
  return false;
}
bool ImportOverlayFile(const std::string& path, std::string* message) {
  *message = path + " is an overlay file; this build of k9-engine-import imports street data only.";
  return false;
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
  std::fprintf(stderr,
               "usage: k9-engine-import [--store FOLDER] [--remove NAME] [--list] FILE...\n"
               "Imports OpenStreetMap extracts (.osm.pbf, .osm, .osm.bz2, .osm.gz) into the "
               "street data folder\n(default %s).\n",
               k9::streets::DefaultStoreFolder().c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string store = k9::streets::DefaultStoreFolder();
  std::vector<std::string> removes, files;
  bool list = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--list") {
      list = true;
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
    if (IsOverlayFile(file)) {
      std::string message;
      all_ok = ImportOverlayFile(file, &message) && all_ok;
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
