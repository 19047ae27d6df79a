// The street import against a plain libosmium read of the same file (the floor)
// and against `osmium cat` (Debian osmium-tool), on columbus.osm.pbf of the shared
// extracts and on a synthetic street grid the benchmark writes; address search
// per query over Baltimore and over the grid.
//
// K9_BENCH_GRID_NODES sets the grid's node count (default 20 million).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <osmium/builder/osm_object_builder.hpp>
#include <osmium/handler.hpp>
#include <osmium/handler/node_locations_for_ways.hpp>
#include <osmium/index/map/flex_mem.hpp>
#include <osmium/io/pbf_input.hpp>
#include <osmium/io/pbf_output.hpp>
#include <osmium/io/writer.hpp>
#include <osmium/visitor.hpp>

#include "engine/reference_engine.h"
#include "engine/search.h"
#include "platform/file_system.h"
#include "streets/street_import.h"
#include "streets/street_store.h"

namespace {

namespace fs = std::filesystem;
using namespace k9;

// ../shared/osm beside the project folder (or beside the folder that holds a
// worktree of it).
std::string SharedFolder() {
  const std::string beside = std::string(K9_SOURCE_DIR) + "/../shared/osm";
  if (std::filesystem::is_directory(beside)) return beside;
  return std::string(K9_SOURCE_DIR) + "/../../shared/osm";
}

std::string Shared(const char* name) { return SharedFolder() + "/" + name; }

std::string Scratch(const char* name) {
  const fs::path p = fs::temp_directory_path() / "k9-street-bench" / name;
  fs::create_directories(p.parent_path());
  return p.string();
}

double MegabytesPerSecond(const std::string& file, double seconds) {
  return static_cast<double>(fs::file_size(file)) / (1 << 20) / seconds;
}

// A square grid of streets: every node an intersection, every row and column a
// named street, one address node in ten.
const std::string& SyntheticGrid() {
  static std::string path;
  if (!path.empty()) return path;
  const char* env = std::getenv("K9_BENCH_GRID_NODES");
  const long long nodes = env ? std::atoll(env) : 20000000LL;
  const int side = static_cast<int>(std::sqrt(static_cast<double>(nodes)));
  path = Scratch(("grid-" + std::to_string(side) + ".osm.pbf").c_str());
  if (fs::exists(path)) return path;
  osmium::io::Writer writer(osmium::io::File(path, "pbf"), osmium::io::overwrite::allow);
  osmium::memory::Buffer buffer(1 << 20, osmium::memory::Buffer::auto_grow::yes);
  auto flush = [&](bool force) {
    if (force || buffer.committed() > (1 << 24)) {
      writer(std::move(buffer));
      buffer = osmium::memory::Buffer(1 << 20, osmium::memory::Buffer::auto_grow::yes);
    }
  };
  auto id = [&](int r, int c) { return static_cast<std::int64_t>(r) * side + c + 1; };
  for (int r = 0; r < side; ++r) {
    for (int c = 0; c < side; ++c) {
      {
        osmium::builder::NodeBuilder b(buffer);
        b.set_id(id(r, c)).set_version(1).set_location(
            osmium::Location(-100.0 + c * 0.0005, 35.0 + r * 0.0005));
        b.set_user("");
        if (c % 10 == 5) {
          osmium::builder::TagListBuilder t(b);
          t.add_tag("addr:housenumber", std::to_string(c * 2).c_str());
          t.add_tag("addr:street", ("Row " + std::to_string(r) + " Street").c_str());
        }
      }
      buffer.commit();
    }
    flush(false);
  }
  std::int64_t way = 1;
  for (int line = 0; line < 2 * side; ++line) {
    {
      osmium::builder::WayBuilder b(buffer);
      b.set_id(way++).set_version(1);
      b.set_user("");
      {
        osmium::builder::WayNodeListBuilder wn(b);
        for (int k = 0; k < side; ++k)
          wn.add_node_ref(osmium::NodeRef(line < side ? id(line, k) : id(k, line - side)));
      }
      osmium::builder::TagListBuilder t(b);
      t.add_tag("highway", line % 10 == 0 ? "primary" : "residential");
      t.add_tag(
          "name",
          ((line < side ? "Row " : "Column ") + std::to_string(line % side) + " Street").c_str());
    }
    buffer.commit();
    flush(false);
  }
  flush(true);
  writer.close();
  return path;
}

void Import(benchmark::State& state, const std::string& file) {
  if (!fs::exists(file)) return state.SkipWithError((file + " is missing").c_str());
  const std::string store = Scratch("store");
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    const auto outcome = streets::ImportExtract(store, file, nullptr);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (!outcome.ok) return state.SkipWithError(outcome.message.c_str());
    state.counters["MB_per_s"] = MegabytesPerSecond(file, s);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024;
}

struct Count : osmium::handler::Handler {
  std::uint64_t ways = 0;
  void way(const osmium::Way&) { ++ways; }
};

void PlainRead(benchmark::State& state, const std::string& file) {
  if (!fs::exists(file)) return state.SkipWithError((file + " is missing").c_str());
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    osmium::index::map::FlexMem<osmium::unsigned_object_id_type, osmium::Location> index;
    osmium::handler::NodeLocationsForWays<decltype(index)> locations(index);
    locations.ignore_errors();
    Count count;
    osmium::io::Reader reader(file, osmium::osm_entity_bits::node | osmium::osm_entity_bits::way);
    osmium::apply(reader, locations, count);
    reader.close();
    benchmark::DoNotOptimize(count.ways);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.counters["MB_per_s"] = MegabytesPerSecond(file, s);
  }
}

void OsmiumCat(benchmark::State& state, const std::string& file) {
  if (std::system("command -v osmium >/dev/null 2>&1") != 0)
    return state.SkipWithError("osmium-tool is not installed: apt-get install osmium-tool");
  if (!fs::exists(file)) return state.SkipWithError((file + " is missing").c_str());
  const std::string out = Scratch("cat.osm.pbf");
  const std::string command = "osmium cat --overwrite -o '" + out + "' '" + file + "'";
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) return state.SkipWithError("osmium cat failed");
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.SetIterationTime(s);
    state.counters["MB_per_s"] = MegabytesPerSecond(file, s);
  }
}

void BM_ImportColumbus(benchmark::State& s) { Import(s, Shared("columbus.osm.pbf")); }
void BM_PlainReadColumbus(benchmark::State& s) { PlainRead(s, Shared("columbus.osm.pbf")); }
void BM_OsmiumCatColumbus(benchmark::State& s) { OsmiumCat(s, Shared("columbus.osm.pbf")); }
void BM_ImportGrid(benchmark::State& s) { Import(s, SyntheticGrid()); }
void BM_PlainReadGrid(benchmark::State& s) { PlainRead(s, SyntheticGrid()); }
void BM_OsmiumCatGrid(benchmark::State& s) { OsmiumCat(s, SyntheticGrid()); }
BENCHMARK(BM_ImportGrid)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PlainReadGrid)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_OsmiumCatGrid)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();
BENCHMARK(BM_ImportColumbus)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainReadColumbus)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OsmiumCatColumbus)->Unit(benchmark::kMillisecond)->UseManualTime();

void Search(benchmark::State& state, const std::string& file, const char* query) {
  if (!fs::exists(file)) return state.SkipWithError((file + " is missing").c_str());
  const std::string store = Scratch(("search-" + fs::path(file).stem().string()).c_str());
  if (!fs::exists(fs::path(store) / (streets::AreaNameOf(file) + ".k9s")) &&
      !streets::ImportExtract(store, file, nullptr).ok)
    return state.SkipWithError("the import failed");
  const std::string data = std::string(K9_SOURCE_DIR) + "/data/engine";
  const auto map_data =
      engine::LoadMapData(FileSystem::Default(), {data + "/states", data + "/us", data + "/world"});
  streets::StreetStore st(store);
  st.Refresh();
  for (auto _ : state) {
    const auto records = engine::FindAddressRecords(*map_data, &st, query);
    if (records.empty()) return state.SkipWithError("nothing found");
    benchmark::DoNotOptimize(records.data());
  }
}
void BM_SearchBaltimore(benchmark::State& s) {
  Search(s, Shared("baltimore.osm.pbf"), "1407 Fleet Street, Baltimore, MD");
}
void BM_SearchGrid(benchmark::State& s) { Search(s, SyntheticGrid(), "1010 Row 77 St"); }
BENCHMARK(BM_SearchBaltimore)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SearchGrid)->Unit(benchmark::kMicrosecond);

}  // namespace
