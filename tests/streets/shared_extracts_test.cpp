// The import and the address search against the real extracts in ../shared/osm.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include <osmium/handler.hpp>
#include <osmium/handler/node_locations_for_ways.hpp>
#include <osmium/index/map/flex_mem.hpp>
#include <osmium/io/pbf_input.hpp>
#ifndef _WIN32
#include <osmium/io/any_compression.hpp>
#include <osmium/io/xml_input.hpp>
#endif
#include <osmium/visitor.hpp>

#include "../engine/engine_test_support.h"
#include "engine/search.h"
#include "streets/street_import.h"
#include "streets/street_store.h"
#include "street_test_support.h"

namespace k9::streets {
namespace {

namespace fs = std::filesystem;

void SetStoreVariable(const char* value) {
#ifdef _WIN32
  _putenv_s("KESTREL9_STREETS", value);
#else
  if (*value == '\0')
    ::unsetenv("KESTREL9_STREETS");
  else
    ::setenv("KESTREL9_STREETS", value, 1);
#endif
}

// ../shared/osm beside the project folder (or beside the folder that holds a
// worktree of it).
std::string SharedFolder() {
  const std::string beside = std::string(K9_SOURCE_DIR) + "/../shared/osm";
  if (std::filesystem::is_directory(beside)) return beside;
  return std::string(K9_SOURCE_DIR) + "/../../shared/osm";
}

std::vector<std::string> Extracts() {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(SharedFolder(), ec)) {
    const std::string name = e.path().filename().string();
#ifdef _WIN32
    // Windows builds read .osm.pbf only.
    if (name.size() < 8 || name.compare(name.size() - 8, 8, ".osm.pbf") != 0) continue;
#endif
    if (name.find(".osm") != std::string::npos) out.push_back(e.path().string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

struct AddressObject {
  std::string number, street, city, zip;
  double x = 0, y = 0;
};

// Every address object of an extract, read independently of the import.
struct AddressReader : osmium::handler::Handler {
  std::vector<AddressObject> found;
  void Add(const osmium::TagList& t, double x, double y) {
    const char* n = t["addr:housenumber"];
    const char* s = t["addr:street"];
    if (n == nullptr || s == nullptr) return;
    found.push_back({n, Utf8ToWindows1252(s), t["addr:city"] ? t["addr:city"] : "",
                     t["addr:postcode"] ? t["addr:postcode"] : "", x, y});
  }
  void node(const osmium::Node& n) {
    if (n.location().valid()) Add(n.tags(), n.location().lon(), n.location().lat());
  }
  void way(const osmium::Way& w) {
    if (w.tags()["addr:interpolation"] != nullptr) return;
    double x = 0, y = 0;
    int k = 0;
    const auto& nodes = w.nodes();
    const std::size_t count = nodes.size() > 1 && nodes.front().ref() == nodes.back().ref()
                                  ? nodes.size() - 1
                                  : nodes.size();
    for (std::size_t i = 0; i < count; ++i) {
      if (!nodes[i].location().valid()) continue;
      x += nodes[i].location().lon();
      y += nodes[i].location().lat();
      ++k;
    }
    if (k > 0) Add(w.tags(), x / k, y / k);
  }
};

std::vector<AddressObject> ReadAddresses(const std::string& path) {
  osmium::index::map::FlexMem<osmium::unsigned_object_id_type, osmium::Location> index;
  osmium::handler::NodeLocationsForWays<decltype(index)> locations(index);
  locations.ignore_errors();
  AddressReader reader;
  osmium::io::Reader in(path, osmium::osm_entity_bits::node | osmium::osm_entity_bits::way);
  osmium::apply(in, locations, reader);
  in.close();
  return reader.found;
}

double Metres(double x1, double y1, double x2, double y2) {
  const double coslat = std::cos((y1 + y2) / 2 * 3.14159265358979 / 180);
  return std::hypot((x1 - x2) * coslat * 111320, (y1 - y2) * 110540);
}

double NearestMetres(const std::vector<std::string>& records, double x, double y) {
  double best = 1e9;
  for (const std::string& r : records) {
    const auto comma = r.rfind(',');
    const auto tab = r.rfind('\t');
    if (comma == std::string::npos || tab == std::string::npos) continue;
    best = std::min(best,
                    Metres(std::atof(r.c_str() + tab + 1), std::atof(r.c_str() + comma + 1), x, y));
  }
  return best;
}

class SharedExtracts : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Extracts().empty())
      GTEST_SKIP() << "The shared OpenStreetMap extracts (" << SharedFolder()
                   << ") are missing; the real-data street tests are skipped.";
  }
};

TEST_F(SharedExtracts, NineteenOfTwentyAddressesAreFoundByNumberStreetAndPlaceOrZipWithin50m) {
  const auto data = engine::testing::LoadShippedData();
  for (const std::string& extract : Extracts()) {
    testing::ScratchFolder store;
    const ImportOutcome outcome = ImportExtract(store.Path(), extract, nullptr);
    ASSERT_TRUE(outcome.ok) << outcome.message;
    StreetStore streets(store.Path());
    streets.Refresh();
    const auto objects = ReadAddresses(extract);
    std::size_t found = 0;
    std::vector<std::string> missed;
    for (const AddressObject& a : objects) {
      std::vector<std::string> queries;
      const std::string start = a.number + " " + a.street;
      if (!a.city.empty()) queries.push_back(start + ", " + a.city);
      if (!a.zip.empty()) queries.push_back(start + ", " + a.zip);
      if (queries.empty()) queries.push_back(start);
      bool hit = false;
      for (const std::string& q : queries)
        hit = hit || NearestMetres(engine::FindAddressRecords(*data, &streets, q), a.x, a.y) <= 50;
      found += hit;
      if (!hit && missed.size() < 5) missed.push_back(queries[0]);
    }
    if (objects.empty()) continue;
    const double rate = static_cast<double>(found) / objects.size();
    EXPECT_GE(rate, 0.95) << extract << ": " << found << " of " << objects.size()
                          << ", missed e.g. " << ::testing::PrintToString(missed);
  }
}

TEST_F(SharedExtracts, FleetStreetInBaltimoreIsFoundThroughTheEngineAndAStoreChangeIsNoticed) {
  const std::string baltimore = SharedFolder() + "/baltimore.osm.pbf";
  if (!fs::exists(baltimore)) GTEST_SKIP() << baltimore << " is missing.";
  testing::ScratchFolder store;
  SetStoreVariable(store.Path().c_str());
  engine::ReferenceEngine e(FileSystem::Default());
  engine::testing::UseShippedData(e);
  engine::testing::Recorder found(&e);
  e.SetEvents(&found);
  EXPECT_EQ(e.Streets().layer(), nullptr);
  // Imported by another process meanwhile, as k9-engine-import does.
  ASSERT_TRUE(ImportExtract(store.Path(), baltimore, nullptr).ok);
  ASSERT_GE(e.FindAddress("1407 Fleet Street, Baltimore, MD"), 1);
  const std::string& record = found.items.front();
  EXPECT_EQ(record.substr(0, 33), "Fleet St\tBALTIMORE\t1407\tMD\t21224\t");
  double x = 0, y = 0;
  for (const AddressObject& a : ReadAddresses(baltimore))
    if (a.number == "1407" && a.street.find("Fleet") != std::string::npos) x = a.x, y = a.y;
  EXPECT_LE(NearestMetres({record}, x, y), 30);
  ASSERT_NE(e.Streets().layer(), nullptr);
  EXPECT_EQ(e.Streets().layer()->Areas().at(0).name, "baltimore");
  // A place query still finds the place first.
  found.items.clear();
  e.FindAddress("Baltimore, MD");
  ASSERT_FALSE(found.items.empty());
  EXPECT_EQ(found.items[0].substr(0, 11), "\tBALTIMORE\t");

  std::string error;
  ASSERT_TRUE(RemoveArea(store.Path(), "baltimore", &error));
  EXPECT_EQ(e.Streets().layer(), nullptr);
  SetStoreVariable("");
}

}  // namespace
}  // namespace k9::streets
