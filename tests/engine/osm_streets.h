// Streets of a real OpenStreetMap extract in a MemoryStreetLayer, for the street
// drawing's pictures and benchmarks: every highway=* way the map shows, with its
// class (as the import gives it), name, ref, one-way and bridge/tunnel flags. The extracts live
// beside the project folder (shared/osm) and are never part of it.
#pragma once

#include <osmium/handler.hpp>
#include <osmium/handler/node_locations_for_ways.hpp>
#include <osmium/index/map/flex_mem.hpp>
#include <osmium/io/pbf_input.hpp>
#include <osmium/visitor.hpp>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "streets/street_data.h"
#include "streets/street_import.h"
#include "streets/street_layer.h"

namespace k9::engine::testing {

// The folder of the shared extracts: KESTREL9_OSM_DIR, else shared/osm beside the
// project folder or beside the folder holding it; "" when there is none.
inline std::string OsmFolder(const std::string& source_dir) {
  if (const char* env = std::getenv("KESTREL9_OSM_DIR"); env != nullptr && *env != 0) return env;
  for (const char* up : {"/../shared/osm", "/../../shared/osm"}) {
    const std::filesystem::path p = source_dir + up;
    if (std::filesystem::is_directory(p)) return std::filesystem::canonical(p).string();
  }
  return "";
}

// Reads the streets of an .osm.pbf file into one area named `name`; nullptr when
// the file cannot be read.
inline std::unique_ptr<streets::MemoryStreetLayer> ReadOsmStreets(const std::string& path,
                                                                  const std::string& name) {
  using Index = osmium::index::map::FlexMem<osmium::unsigned_object_id_type, osmium::Location>;
  struct Handler : osmium::handler::Handler {
    std::vector<streets::Street> out;
    bool motorways = false;
    void way(const osmium::Way& w) {
      const char* highway = w.tags()["highway"];
      if (highway == nullptr) return;
      const auto c = streets::ClassOfHighway(highway);
      if (!c) return;
      streets::Street s;
      s.road_class = *c;
      if (const char* v = w.tags()["name"]) s.name = streets::Utf8ToWindows1252(v);
      if (const char* v = w.tags()["ref"]) s.ref = streets::Utf8ToWindows1252(v);
      auto is = [&](const char* key, std::initializer_list<const char*> values) {
        const char* v = w.tags()[key];
        if (v == nullptr) return false;
        for (const char* x : values)
          if (std::strcmp(v, x) == 0) return true;
        return false;
      };
      if (is("oneway", {"yes", "true", "1"}) ||
          (w.tags()["oneway"] == nullptr &&
           (*c == streets::RoadClass::kMotorway || is("junction", {"roundabout"}))))
        s.flags |= streets::kOneway;
      if (is("oneway", {"-1", "reverse"})) s.flags |= streets::kOnewayReverse;
      if (w.tags()["bridge"] != nullptr && !is("bridge", {"no"})) s.flags |= streets::kBridge;
      if (w.tags()["tunnel"] != nullptr && !is("tunnel", {"no"})) s.flags |= streets::kTunnel;
      for (const osmium::NodeRef& n : w.nodes())
        if (n.location().valid())
          s.points.push_back(
              {static_cast<float>(n.location().lon()), static_cast<float>(n.location().lat())});
      if (s.points.size() < 2) return;
      motorways = motorways || *c == streets::RoadClass::kMotorway;
      out.push_back(std::move(s));
    }
  };
  try {
    Index index;
    osmium::handler::NodeLocationsForWays<Index> locations(index);
    locations.ignore_errors();
    Handler handler;
    osmium::io::Reader reader(path, osmium::osm_entity_bits::node | osmium::osm_entity_bits::way);
    osmium::apply(reader, locations, handler);
    reader.close();
    if (handler.out.empty()) return nullptr;
    streets::StreetArea area{name, {}, handler.motorways};
    area.box = {handler.out[0].points[0].x, handler.out[0].points[0].y, handler.out[0].points[0].x,
                handler.out[0].points[0].y};
    for (const auto& s : handler.out)
      for (const auto& p : s.points) {
        area.box.west = std::min<double>(area.box.west, p.x);
        area.box.east = std::max<double>(area.box.east, p.x);
        area.box.south = std::min<double>(area.box.south, p.y);
        area.box.north = std::max<double>(area.box.north, p.y);
      }
    auto layer = std::make_unique<streets::MemoryStreetLayer>();
    layer->Add(std::move(area), std::move(handler.out));
    return layer;
  } catch (const std::exception&) {
    return nullptr;
  }
}

}  // namespace k9::engine::testing
