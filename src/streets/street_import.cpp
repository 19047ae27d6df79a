#include "streets/street_import.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <optional>
#include <unordered_map>

#include <osmium/handler.hpp>
#include <osmium/handler/node_locations_for_ways.hpp>
#include <osmium/index/map/flex_mem.hpp>
#include <osmium/io/pbf_input.hpp>
#include <osmium/thread/pool.hpp>
#include <osmium/visitor.hpp>
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <osmium/index/map/sparse_file_array.hpp>
#include <osmium/io/any_compression.hpp>
#include <osmium/io/xml_input.hpp>
#endif

#include "platform/file_ops.h"
#include "platform/file_system.h"
#include "streets/street_data.h"

namespace k9::streets {
namespace fs = std::filesystem;

namespace {

constexpr const char* kExtensions[] = {".osm.pbf", ".osm.bz2", ".osm.gz", ".osm", ".pbf"};

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string FileName(const std::string& path) {
  const auto sep = path.find_last_of("/\\");
  return sep == std::string::npos ? path : path.substr(sep + 1);
}

// The extension the extract is read by, or "" when it is no OpenStreetMap file.
std::string ExtractKind(const std::string& path) {
  const std::string lower = Lower(FileName(path));
  for (const char* ext : kExtensions) {
    const std::size_t n = std::strlen(ext);
    if (lower.size() > n && lower.compare(lower.size() - n, n, ext) == 0) return ext;
  }
  return "";
}

bool Supported(const std::string& kind) {
#ifdef _WIN32
  return kind == ".osm.pbf" || kind == ".pbf";
#else
  return !kind.empty();
#endif
}

std::string Sentence(std::string text) {
  while (!text.empty() && (text.back() == '.' || text.back() == ' ' || text.back() == '\n'))
    text.pop_back();
  return text + ".";
}

std::string DataSetPath(const std::string& folder, const std::string& name) {
  return (fs::path(folder) / (name + kDataSetExtension)).string();
}

std::string DateText(std::int64_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &t);
#else
  localtime_r(&t, &tm);
#endif
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M", &tm);
  return buf;
}

bool Yes(const char* v) {
  return v != nullptr &&
         (std::strcmp(v, "yes") == 0 || std::strcmp(v, "1") == 0 || std::strcmp(v, "true") == 0);
}
bool NotNo(const char* v) { return v != nullptr && std::strcmp(v, "no") != 0; }

std::uint32_t LeadingNumber(const std::string& s) {
  std::uint64_t n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') break;
    n = std::min<std::uint64_t>(n * 10 + static_cast<std::uint64_t>(c - '0'), 1u << 30);
  }
  return static_cast<std::uint32_t>(n);
}

// Builds the data set from the objects the reader hands over.
class Collector : public osmium::handler::Handler {
 public:
  DataSetContents contents;
  bool saw_way = false;

  void node(const osmium::Node& node) {
    const char* number = node.tags()["addr:housenumber"];
    if (number == nullptr || !node.location().valid()) return;
    AddressPoint a = Fields(node.tags());
    a.number = Intern(number);
    a.pos = {static_cast<float>(node.location().lon()), static_cast<float>(node.location().lat())};
    // Interpolation ways take their end numbers from their end nodes.
    numbered_nodes_[node.id()] = a;
    if (a.street != kNoString) contents.addresses.push_back(a);
  }

  void way(const osmium::Way& way) {
    saw_way = true;
    const osmium::TagList& tags = way.tags();
    if (const char* highway = tags["highway"]) {
      if (const auto road_class = ClassOfHighway(highway)) AddStreet(way, *road_class);
    }
    if (const char* kind = tags["addr:interpolation"]) {
      AddInterpolation(way, kind);
      return;
    }
    const char* number = tags["addr:housenumber"];
    if (number == nullptr || tags["addr:street"] == nullptr) return;
    double x = 0, y = 0;
    std::size_t n = 0;
    const auto& nodes = way.nodes();
    // A closed ring repeats its first node: count it once.
    const std::size_t count = nodes.size() > 1 && nodes.front().ref() == nodes.back().ref()
                                  ? nodes.size() - 1
                                  : nodes.size();
    for (std::size_t i = 0; i < count; ++i) {
      if (!nodes[i].location().valid()) continue;
      x += nodes[i].location().lon();
      y += nodes[i].location().lat();
      ++n;
    }
    if (n == 0) return;
    AddressPoint a = Fields(tags);
    a.number = Intern(number);
    a.pos = {static_cast<float>(x / n), static_cast<float>(y / n)};
    contents.addresses.push_back(a);
  }

 private:
  std::uint32_t Intern(const char* utf8) {
    std::string text = Utf8ToWindows1252(utf8);
    const auto [it, added] =
        interned_.try_emplace(std::move(text), static_cast<std::uint32_t>(contents.strings.size()));
    if (added) contents.strings.push_back(it->first);
    return it->second;
  }
  std::uint32_t InternIf(const char* utf8) { return utf8 == nullptr ? kNoString : Intern(utf8); }

  AddressPoint Fields(const osmium::TagList& tags) {
    AddressPoint a;
    a.street = InternIf(tags["addr:street"]);
    a.city = InternIf(tags["addr:city"]);
    a.zip = InternIf(tags["addr:postcode"]);
    a.state = InternIf(tags["addr:state"]);
    return a;
  }

  std::vector<GeoPoint> Points(const osmium::Way& way) {
    std::vector<GeoPoint> points;
    points.reserve(way.nodes().size());
    for (const osmium::NodeRef& ref : way.nodes()) {
      // Nodes outside the extract have no location: the way keeps what is inside.
      if (!ref.location().valid()) continue;
      points.push_back(
          {static_cast<float>(ref.location().lon()), static_cast<float>(ref.location().lat())});
    }
    return points;
  }

  void AddStreet(const osmium::Way& way, RoadClass road_class) {
    Street s;
    s.points = Points(way);
    if (s.points.size() < 2) return;
    const osmium::TagList& tags = way.tags();
    s.road_class = road_class;
    const char* oneway = tags["oneway"];
    if (Yes(oneway))
      s.flags |= kOneway;
    else if (oneway != nullptr &&
             (std::strcmp(oneway, "-1") == 0 || std::strcmp(oneway, "reverse") == 0))
      s.flags |= kOnewayReverse;
    else if (oneway == nullptr &&
             (road_class == RoadClass::kMotorway || Yes(tags["junction"]) ||
              (tags["junction"] != nullptr && std::strcmp(tags["junction"], "roundabout") == 0)))
      s.flags |= kOneway;
    if (NotNo(tags["bridge"])) s.flags |= kBridge;
    if (NotNo(tags["tunnel"])) s.flags |= kTunnel;
    if (const char* name = tags["name"]) s.name = Utf8ToWindows1252(name);
    if (const char* ref = tags["ref"]) s.ref = Utf8ToWindows1252(ref);
    if (road_class == RoadClass::kMotorway) contents.area.has_motorways = true;
    contents.streets.push_back(std::move(s));
  }

  void AddInterpolation(const osmium::Way& way, const char* kind) {
    const auto& nodes = way.nodes();
    if (nodes.size() < 2) return;
    const auto first = numbered_nodes_.find(nodes.front().ref());
    const auto last = numbered_nodes_.find(nodes.back().ref());
    if (first == numbered_nodes_.end() || last == numbered_nodes_.end()) return;
    InterpolationWay w;
    w.kind = std::strcmp(kind, "odd") == 0    ? Interpolation::kOdd
             : std::strcmp(kind, "even") == 0 ? Interpolation::kEven
                                              : Interpolation::kAll;
    if (std::strcmp(kind, "alphabetic") == 0) return;
    w.first_number = LeadingNumber(contents.strings[first->second.number]);
    w.last_number = LeadingNumber(contents.strings[last->second.number]);
    const AddressPoint own = Fields(way.tags());
    auto pick = [](std::uint32_t a, std::uint32_t b, std::uint32_t c) {
      return a != kNoString ? a : b != kNoString ? b : c;
    };
    w.street = pick(own.street, first->second.street, last->second.street);
    w.city = pick(own.city, first->second.city, last->second.city);
    w.zip = pick(own.zip, first->second.zip, last->second.zip);
    w.state = pick(own.state, first->second.state, last->second.state);
    w.points = Points(way);
    if (w.street == kNoString || w.points.size() < 2 || w.first_number == w.last_number) return;
    contents.interpolations.push_back(std::move(w));
  }

  std::unordered_map<std::string, std::uint32_t> interned_;
  std::unordered_map<osmium::object_id_type, AddressPoint> numbered_nodes_;
};

double Distance2(GeoPoint a, GeoPoint b, double coslat) {
  const double dx = (a.x - b.x) * coslat, dy = a.y - b.y;
  return dx * dx + dy * dy;
}

// One entry per stretch of ways of the same name (ways within about 300 m of
// each other), at the point of the stretch nearest its centre.
void FindNamedStreets(DataSetContents& c) {
  std::unordered_map<std::string, std::vector<std::uint32_t>> by_name;
  std::unordered_map<std::string, std::uint32_t> string_index;
  for (std::uint32_t i = 0; i < c.strings.size(); ++i) string_index.emplace(c.strings[i], i);
  for (std::uint32_t i = 0; i < c.streets.size(); ++i)
    if (!c.streets[i].name.empty()) by_name[c.streets[i].name].push_back(i);
  constexpr double kNear = 0.003;
  for (auto& [name, members] : by_name) {
    std::vector<std::uint32_t> parent(members.size());
    std::iota(parent.begin(), parent.end(), 0u);
    auto root = [&](std::uint32_t i) {
      while (parent[i] != i) i = parent[i] = parent[parent[i]];
      return i;
    };
    std::vector<Box> boxes;
    for (std::uint32_t m : members) {
      const Street& s = c.streets[m];
      Box b{s.points[0].x, s.points[0].y, s.points[0].x, s.points[0].y};
      for (const GeoPoint& p : s.points) {
        b.west = std::min<double>(b.west, p.x);
        b.east = std::max<double>(b.east, p.x);
        b.south = std::min<double>(b.south, p.y);
        b.north = std::max<double>(b.north, p.y);
      }
      boxes.push_back(b);
    }
    for (std::size_t i = 0; i < members.size(); ++i) {
      for (std::size_t j = i + 1; j < members.size(); ++j) {
        const Box& a = boxes[i];
        const Box grown{a.west - kNear, a.south - kNear, a.east + kNear, a.north + kNear};
        if (grown.Intersects(boxes[j]))
          parent[root(static_cast<std::uint32_t>(i))] = root(static_cast<std::uint32_t>(j));
      }
    }
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> groups;
    for (std::size_t i = 0; i < members.size(); ++i)
      groups[root(static_cast<std::uint32_t>(i))].push_back(i);
    auto found = string_index.find(name);
    std::uint32_t name_index;
    if (found == string_index.end()) {
      name_index = static_cast<std::uint32_t>(c.strings.size());
      c.strings.push_back(name);
      string_index.emplace(name, name_index);
    } else {
      name_index = found->second;
    }
    for (const auto& [group_root, group] : groups) {
      NamedStreet ns;
      ns.name = name_index;
      ns.box = boxes[group[0]];
      double sx = 0, sy = 0;
      std::size_t n = 0;
      for (std::size_t i : group) {
        const Box& b = boxes[i];
        ns.box.west = std::min(ns.box.west, b.west);
        ns.box.south = std::min(ns.box.south, b.south);
        ns.box.east = std::max(ns.box.east, b.east);
        ns.box.north = std::max(ns.box.north, b.north);
        for (const GeoPoint& p : c.streets[members[i]].points) {
          sx += p.x;
          sy += p.y;
          ++n;
        }
      }
      const GeoPoint centre{static_cast<float>(sx / n), static_cast<float>(sy / n)};
      const double coslat = std::cos(centre.y * 3.14159265358979 / 180);
      double best = -1;
      for (std::size_t i : group) {
        for (const GeoPoint& p : c.streets[members[i]].points) {
          const double d = Distance2(p, centre, coslat);
          if (best < 0 || d < best) {
            best = d;
            ns.middle = p;
          }
        }
      }
      c.named_streets.push_back(ns);
    }
  }
}

void ComputeBox(DataSetContents& c) {
  bool first = true;
  auto grow = [&](GeoPoint p) {
    if (first) {
      c.area.box = {p.x, p.y, p.x, p.y};
      first = false;
      return;
    }
    c.area.box.west = std::min<double>(c.area.box.west, p.x);
    c.area.box.east = std::max<double>(c.area.box.east, p.x);
    c.area.box.south = std::min<double>(c.area.box.south, p.y);
    c.area.box.north = std::max<double>(c.area.box.north, p.y);
  };
  for (const Street& s : c.streets)
    for (const GeoPoint& p : s.points) grow(p);
  for (const AddressPoint& a : c.addresses) grow(a.pos);
  for (const InterpolationWay& w : c.interpolations)
    for (const GeoPoint& p : w.points) grow(p);
}

class Progressor {
 public:
  Progressor(ImportObserver* observer, std::uint64_t total) : observer_(observer), total_(total) {}
  void Tell(const std::string& phase, std::uint64_t bytes, std::uint64_t objects, bool force) {
    if (observer_ == nullptr) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && phase == phase_ && now - last_ < std::chrono::milliseconds(200)) return;
    last_ = now;
    phase_ = phase;
    ImportProgress p;
    p.bytes_read = bytes;
    p.bytes_total = total_;
    p.objects = objects;
    p.phase = phase;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    if (total_ > 0 && bytes > 0 && elapsed > 0.5)
      p.seconds_left = elapsed * static_cast<double>(total_ - std::min(bytes, total_)) /
                       static_cast<double>(bytes);
    observer_->Progress(p);
  }
  bool Cancelled() { return observer_ != nullptr && observer_->Cancelled(); }

 private:
  ImportObserver* observer_;
  std::uint64_t total_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point last_{};
  std::string phase_;
};

struct Cancelled {};

template <typename Index>
void ReadExtract(const std::string& path, Index& index, Collector& collector,
                 Progressor& progress) {
  osmium::handler::NodeLocationsForWays<Index> locations(index);
  locations.ignore_errors();
  // A pool of the import's own rather than osmium's process-wide one: inside a DLL
  // that one's threads would be joined while the DLL is unloaded, under the loader
  // lock they need to end, and the host would never exit.
  osmium::thread::Pool pool;
  osmium::io::Reader reader(osmium::io::File(path),
                            osmium::osm_entity_bits::node | osmium::osm_entity_bits::way, pool);
  std::uint64_t objects = 0;
  while (osmium::memory::Buffer buffer = reader.read()) {
    objects += static_cast<std::uint64_t>(
        std::distance(buffer.begin<osmium::OSMObject>(), buffer.end<osmium::OSMObject>()));
    osmium::apply(buffer, locations, collector);
    progress.Tell(collector.saw_way ? "Reading ways" : "Reading nodes", reader.offset(), objects,
                  false);
    if (progress.Cancelled()) {
      reader.close();
      throw Cancelled{};
    }
  }
  reader.close();
  if (objects == 0) throw std::runtime_error("it holds no OpenStreetMap objects");
}

#ifndef _WIN32
// A node index in a file of the store folder that no one else sees: it is
// unlinked at once, so a killed import leaves nothing behind.
class HiddenFile {
 public:
  explicit HiddenFile(const std::string& folder) {
    std::string pattern = (fs::path(folder) / ".k9-nodes-XXXXXX").string();
    fd_ = ::mkstemp(pattern.data());
    if (fd_ < 0) throw std::runtime_error("no node index file can be made in " + folder);
    ::unlink(pattern.c_str());
  }
  ~HiddenFile() { ::close(fd_); }
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};
#endif

bool UseDiskIndex(const ImportOptions& options, std::uint64_t bytes) {
  switch (options.node_index) {
    case ImportOptions::NodeIndex::kMemory:
      return false;
    case ImportOptions::NodeIndex::kDisk:
      return true;
    case ImportOptions::NodeIndex::kAuto:
      break;
  }
  return bytes >= options.disk_index_from;
}

}  // namespace

std::optional<RoadClass> ClassOfHighway(const char* highway) {
  static const std::pair<const char*, RoadClass> kClasses[] = {
      {"motorway", RoadClass::kMotorway},
      {"trunk", RoadClass::kTrunk},
      {"primary", RoadClass::kPrimary},
      {"secondary", RoadClass::kSecondary},
      {"tertiary", RoadClass::kTertiary},
      {"motorway_link", RoadClass::kMotorwayLink},
      {"trunk_link", RoadClass::kTrunkLink},
      {"primary_link", RoadClass::kPrimaryLink},
      {"secondary_link", RoadClass::kSecondaryLink},
      {"tertiary_link", RoadClass::kTertiaryLink},
      {"unclassified", RoadClass::kUnclassified},
      {"road", RoadClass::kUnclassified},  // a road whose kind no mapper has told yet
      {"residential", RoadClass::kResidential},
      {"living_street", RoadClass::kLivingStreet},
      {"service", RoadClass::kService},
      {"track", RoadClass::kPath},
      {"path", RoadClass::kPath},
      {"footway", RoadClass::kPath},
      {"cycleway", RoadClass::kPath},
      {"bridleway", RoadClass::kPath},
      {"steps", RoadClass::kPath},
      {"pedestrian", RoadClass::kPath},
  };
  for (const auto& [name, road_class] : kClasses)
    if (std::strcmp(name, highway) == 0) return road_class;
  return std::nullopt;
}

std::string AreaNameOf(const std::string& extract) {
  std::string name = FileName(extract);
  const std::string kind = ExtractKind(extract);
  if (!kind.empty()) name.resize(name.size() - kind.size());
  for (char& c : name) {
    const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_' || c == '.';
    if (!safe) c = '_';
  }
  while (!name.empty() && name.front() == '.') name.erase(0, 1);
  return name.empty() ? "area" : name;
}

ImportOutcome ImportExtract(const std::string& store_folder, const std::string& extract,
                            ImportObserver* observer) {
  return ImportExtract(store_folder, extract, observer, ImportOptions{});
}

ImportOutcome ImportExtract(const std::string& store_folder, const std::string& extract,
                            ImportObserver* observer,
                            [[maybe_unused]] const ImportOptions& options) {
  ImportOutcome out;
  // Temporaries of an import that was killed.
  std::error_code ec;
  if (fs::is_directory(store_folder, ec))
    FileSystem::Default().RemoveStaleTemporaryFiles(store_folder);
  const std::string file = FileName(extract);
  out.area = AreaNameOf(extract);
  const std::string kind = ExtractKind(extract);
  if (kind.empty()) {
    out.message =
        file + " is not an OpenStreetMap extract: the import takes these files: " K9_EXTRACT_FORMS
               ".";
    return out;
  }
  if (!Supported(kind)) {
    out.message = file + " cannot be imported here: this build reads .osm.pbf extracts only.";
    return out;
  }
  const std::uint64_t bytes = fs::file_size(extract, ec);
  if (ec || !fs::is_regular_file(extract, ec)) {
    out.message = file + " cannot be read: " + (ec ? ec.message() : "it is no file") + ".";
    return out;
  }
  fs::create_directories(store_folder, ec);
  if (!fs::is_directory(store_folder, ec)) {
    out.message = "The street data folder " + store_folder + " cannot be made.";
    return out;
  }

  Progressor progress(observer, kind == ".osm.pbf" || kind == ".pbf" || kind == ".osm" ? bytes : 0);
  progress.Tell("Reading nodes", 0, 0, true);
  Collector collector;
  try {
#ifndef _WIN32
    if (UseDiskIndex(options, bytes)) {
      HiddenFile index_file(store_folder);
      osmium::index::map::SparseFileArray<osmium::unsigned_object_id_type, osmium::Location> index(
          index_file.fd());
      ReadExtract(extract, index, collector, progress);
    } else
#endif
    {
      (void)&UseDiskIndex;
      osmium::index::map::FlexMem<osmium::unsigned_object_id_type, osmium::Location> index;
      ReadExtract(extract, index, collector, progress);
    }
  } catch (const Cancelled&) {
    out.cancelled = true;
    out.message = "The import of " + file + " was cancelled; the street data is as it was.";
    return out;
  } catch (const std::bad_alloc&) {
    out.message = "There is not enough memory to import " + file + ".";
    return out;
  } catch (const std::exception& e) {
    out.message = Sentence(file + " is damaged or cut short: " + e.what());
    return out;
  }
  DataSetContents& contents = collector.contents;
  if (contents.streets.empty() && contents.addresses.empty() && contents.interpolations.empty()) {
    out.message = file + " holds no streets or addresses to import.";
    return out;
  }
  progress.Tell("Indexing streets", bytes, 0, true);
  contents.area.name = out.area;
  contents.created = static_cast<std::int64_t>(std::time(nullptr));
  ComputeBox(contents);
  FindNamedStreets(contents);
  if (progress.Cancelled()) {
    out.cancelled = true;
    out.message = "The import of " + file + " was cancelled; the street data is as it was.";
    return out;
  }

  progress.Tell("Writing the street data", bytes, 0, true);
  const DataSetEncoder encoder(contents);
  const std::string target = DataSetPath(store_folder, out.area);
  FileOps& ops = FileOps::Default();
  FileResult result = ops.CheckSpace(store_folder, encoder.size());
  FileOps::TempFile temp;
  if (result) result = ops.CreateTemp(store_folder, target, &temp);
  if (result) {
    bool cancelled = false;
    encoder.Write([&](std::string_view piece) {
      if (progress.Cancelled()) {
        cancelled = true;
        return false;
      }
      result = ops.Write(temp, piece);
      return result.ok();
    });
    if (result && !cancelled) result = ops.Flush(temp);
    if (result && !cancelled) result = ops.Rename(temp, target);
    if (cancelled || !result) ops.Discard(temp);
    if (cancelled) {
      out.cancelled = true;
      out.message = "The import of " + file + " was cancelled; the street data is as it was.";
      return out;
    }
  }
  if (!result) {
    out.message = "The import of " + file + " failed: " + DescribeFileProblem(result.For(target));
    return out;
  }
  out.ok = true;
  out.message = "Imported " + file + " as \"" + out.area +
                "\": " + std::to_string(contents.streets.size()) + " streets, " +
                std::to_string(contents.addresses.size()) + " addresses, " +
                std::to_string(contents.interpolations.size()) + " interpolation ways.";
  return out;
}

std::vector<StoredArea> ListAreas(const std::string& store_folder) {
  std::vector<StoredArea> out;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(store_folder, ec)) {
    const fs::path& p = entry.path();
    if (p.extension() != kDataSetExtension || !entry.is_regular_file(ec)) continue;
    const std::string name = p.stem().string();
    if (name.empty() || name.front() == '.') continue;
    StoredArea area;
    area.name = name;
    area.bytes = entry.file_size(ec);
    std::int64_t created = 0;
    if (ReadDataSetHeader(p.string(), &area.box, &created)) area.date = DateText(created);
    out.push_back(std::move(area));
  }
  std::sort(out.begin(), out.end(),
            [](const StoredArea& a, const StoredArea& b) { return a.name < b.name; });
  return out;
}

bool RemoveArea(const std::string& store_folder, const std::string& name, std::string* error) {
  const std::string path = DataSetPath(store_folder, name);
  std::error_code ec;
  if (name.empty() || name.find_first_of("/\\") != std::string::npos ||
      !fs::is_regular_file(path, ec)) {
    *error = "No imported area is named \"" + name + "\".";
    return false;
  }
  if (!fs::remove(path, ec) || ec) {
    *error = "The imported area \"" + name + "\" cannot be removed: " + ec.message() + ".";
    return false;
  }
  return true;
}

}  // namespace k9::streets
