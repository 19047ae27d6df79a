// Importing OpenStreetMap extracts into the street store: a folder of data sets,
// one per imported area, that the engine draws and searches. One import underneath
// both ways in (the k9-engine-import command and the engine's Import Manager).
//
// Every function here leaves the store as it was when it fails: a new data set
// replaces an old one only once it is complete on disk, so a damaged, truncated,
// cancelled or killed import changes nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "streets/street_layer.h"

namespace k9::streets {

// The per-user folder that holds the imported data sets: KESTREL9_STREETS when set,
// else on Windows %LOCALAPPDATA%\Kestrel9\Streets, elsewhere
// $XDG_DATA_HOME/kestrel9/streets (default ~/.local/share/kestrel9/streets). A user
// who is no administrator can write it; the engine finds it without any setting.
std::string DefaultStoreFolder();

// The forms of extract this build reads, for texts ("(.osm.pbf, .osm, ...)") and
// for an open-file dialog's pattern. Windows builds have zlib but not the bzip2 and
// XML readers the other forms need, so they read .osm.pbf only.
#ifdef _WIN32
#define K9_EXTRACT_FORMS ".osm.pbf"
#define K9_EXTRACT_PATTERNS "*.osm.pbf"
#else
#define K9_EXTRACT_FORMS ".osm.pbf, .osm, .osm.bz2, .osm.gz"
#define K9_EXTRACT_PATTERNS "*.osm.pbf;*.osm;*.osm.bz2;*.osm.gz"
#endif

// The class a way tagged highway=`value` is drawn as; nullopt for the values the map
// leaves out (proposed and unbuilt roads, platforms, corridors, ...).
std::optional<RoadClass> ClassOfHighway(const char* value);

struct ImportProgress {
  std::uint64_t bytes_read = 0;
  std::uint64_t bytes_total = 0;  // 0 when unknown (compressed input read as a stream)
  std::uint64_t objects = 0;      // nodes, ways and relations read so far
  std::string phase;              // what the import is doing, a few words ("Reading ways")
  double seconds_left = -1;       // estimate; negative when not known yet
};

// Told of the import's progress; asked whether to stop. Called on the importing
// thread, a few times a second at most.
class ImportObserver {
 public:
  virtual ~ImportObserver() = default;
  virtual void Progress(const ImportProgress& progress) = 0;
  // True stops the import; the store is left as it was.
  virtual bool Cancelled() = 0;
};

struct ImportOutcome {
  bool ok = false;
  bool cancelled = false;
  std::string area;     // the data set's name
  std::string message;  // one sentence for the user: what was imported, or why not
};

// Imports `extract` (one of K9_EXTRACT_FORMS) into `store_folder` as the
// data set named after the file; one of that name is replaced. `observer` may be
// nullptr.
ImportOutcome ImportExtract(const std::string& store_folder, const std::string& extract,
                            ImportObserver* observer);

// Where node locations are kept while ways are read: in memory, or in a hidden file
// of the store folder (bounded memory for a state-sized extract). kAuto takes the
// file for extracts of at least `disk_index_from` bytes (the file index is POSIX
// only; Windows builds keep them in memory).
struct ImportOptions {
  enum class NodeIndex { kAuto, kMemory, kDisk };
  NodeIndex node_index = NodeIndex::kAuto;
  std::uint64_t disk_index_from = 256ull << 20;
};
ImportOutcome ImportExtract(const std::string& store_folder, const std::string& extract,
                            ImportObserver* observer, const ImportOptions& options);

// The data set name an extract is imported as: its file name without the
// extension, with any character unsafe in a file name as "_".
std::string AreaNameOf(const std::string& extract);

struct StoredArea {
  std::string name;
  Box box;
  std::string date;  // when it was imported, "YYYY-MM-DD HH:MM"
  std::uint64_t bytes = 0;
};

// The data sets in `store_folder`, by name.
std::vector<StoredArea> ListAreas(const std::string& store_folder);

// Removes the data set `name`; false with *error (one sentence) when it cannot.
bool RemoveArea(const std::string& store_folder, const std::string& name, std::string* error);

}  // namespace k9::streets
