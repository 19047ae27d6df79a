#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "streets/street_data.h"
#include "streets/street_import.h"
#include "streets/street_store.h"
#include "street_test_support.h"

namespace k9::streets {
namespace {

using testing::ScratchFolder;
using testing::TinyExtract;

// A few blocks: a one-way residential street with a bridge, a motorway, a
// footway, two addressed nodes, an addressed building and an interpolation way.
void WriteTown(const std::string& path) {
  TinyExtract x;
  x.Node(1, -76.60, 39.28);
  x.Node(2, -76.59, 39.28);
  x.Node(3, -76.58, 39.28);
  x.Node(4, -76.60, 39.29);
  x.Node(5, -76.58, 39.29);
  x.Node(10, -76.5999, 39.2801,
         {{"addr:housenumber", "1401"},
          {"addr:street", "East Fleet Street"},
          {"addr:city", "Baltimore"},
          {"addr:postcode", "21231"}});
  x.Node(11, -76.5901, 39.2801,
         {{"addr:housenumber", "1421"},
          {"addr:street", "East Fleet Street"},
          {"addr:city", "Baltimore"}});
  x.Node(20, -76.600, 39.2805);
  x.Node(21, -76.598, 39.2805);
  x.Node(22, -76.598, 39.2807);
  x.Node(23, -76.600, 39.2807);
  x.Node(30, -76.60, 39.2803, {{"addr:housenumber", "1400"}, {"addr:street", "East Fleet Street"}});
  x.Node(31, -76.58, 39.2803, {{"addr:housenumber", "1420"}, {"addr:street", "East Fleet Street"}});
  x.Way(100, {1, 2, 3},
        {{"highway", "residential"},
         {"name", "East Fleet Street"},
         {"oneway", "-1"},
         {"bridge", "yes"}});
  x.Way(101, {4, 5}, {{"highway", "motorway"}, {"ref", "I 95"}});
  x.Way(102, {1, 4}, {{"highway", "footway"}});
  x.Way(103, {2, 99}, {{"highway", "residential"}});  // its second node is outside the extract
  x.Way(104, {20, 21, 22, 23, 20},
        {{"building", "yes"}, {"addr:housenumber", "1402"}, {"addr:street", "East Fleet Street"}});
  x.Way(105, {30, 31}, {{"addr:interpolation", "even"}});
  x.Write(path);
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::vector<Street> AllStreets(const DataSet& set) {
  std::vector<Street> out;
  set.Visit({-180, -90, 180, 90}, RoadClass::kPath, [&](const Street& s) { out.push_back(s); });
  return out;
}

TEST(StreetImport, KeepsStreetsWithTheirClassFlagsAndNamesAndEveryAddressKind) {
  ScratchFolder store, input;
  WriteTown(input.Path("town.osm.pbf"));
  const ImportOutcome outcome = ImportExtract(store.Path(), input.Path("town.osm.pbf"), nullptr);
  ASSERT_TRUE(outcome.ok) << outcome.message;
  EXPECT_EQ(outcome.area, "town");
  std::string error;
  auto set = DataSet::Open(store.Path("town.k9s"), &error);
  ASSERT_TRUE(set) << error;
  EXPECT_TRUE(set->area().has_motorways);
  const auto streets = AllStreets(*set);
  ASSERT_EQ(streets.size(), 3u);  // the way with no second node inside is dropped
  auto find = [&](RoadClass c) {
    return *std::find_if(streets.begin(), streets.end(),
                         [&](const Street& s) { return s.road_class == c; });
  };
  EXPECT_EQ(find(RoadClass::kResidential).flags, kOnewayReverse | kBridge);
  EXPECT_EQ(find(RoadClass::kResidential).name, "East Fleet Street");
  EXPECT_EQ(find(RoadClass::kMotorway).flags, kOneway);  // implied
  EXPECT_EQ(find(RoadClass::kMotorway).ref, "I 95");
  EXPECT_EQ(find(RoadClass::kPath).points.size(), 2u);
  // A view far out reads only the major roads.
  std::size_t major = 0;
  set->Visit({-180, -90, 180, 90}, RoadClass::kTrunk, [&](const Street&) { ++major; });
  EXPECT_EQ(major, 1u);
  EXPECT_EQ(set->addresses().size(), 5u);  // four nodes and the building
  ASSERT_EQ(set->interpolations().size(), 1u);
  EXPECT_EQ(set->interpolations()[0].first_number, 1400u);
  EXPECT_EQ(set->interpolations()[0].kind, Interpolation::kEven);

  StreetStore s(store.Path());
  s.Refresh();
  auto find_one = [&](const char* text) {
    StreetQuery q;
    EXPECT_TRUE(ParseStreetQuery(text, &q)) << text;
    const auto records = s.Find(q, nullptr, 10);
    return records.empty() ? std::string() : records[0];
  };
  // The building's centre, abbreviated and in any case.
  EXPECT_EQ(find_one("1402 e fleet st"), "E Fleet St\t\t1402\t\t\t\t-76.59900,39.28060");
  EXPECT_EQ(find_one("1401 East Fleet Street, Baltimore, 21231"),
            "E Fleet St\tBALTIMORE\t1401\t\t21231\t\t-76.59990,39.28010");
  // On the interpolation way, halfway; between two known odd numbers.
  EXPECT_EQ(find_one("1410 Fleet Street"), "E Fleet St\t\t1410\t\t\t\t-76.59000,39.28030");
  EXPECT_EQ(find_one("1411 Fleet St, Baltimore"),
            "E Fleet St\tBALTIMORE\t1411\t\t21231\t\t-76.59500,39.28010");
  // No number: the street at its middle; a wildcard street.
  EXPECT_EQ(find_one("E Fl*t St"), "E Fleet St\t\t\t\t\t\t-76.59000,39.28000");
  EXPECT_EQ(find_one("1401 Fleet Street, Towson"), "");
}

class CancelAt : public ImportObserver {
 public:
  explicit CancelAt(std::string phase) : phase_(std::move(phase)) {}
  void Progress(const ImportProgress& p) override { now_ = p.phase; }
  bool Cancelled() override { return now_ == phase_; }

 private:
  std::string phase_, now_;
};

TEST(StreetImport, RefusesDamagedCutOrCancelledExtractsAndLeavesTheEarlierDataSet) {
  ScratchFolder store, input;
  WriteTown(input.Path("town.osm.pbf"));
  ASSERT_TRUE(ImportExtract(store.Path(), input.Path("town.osm.pbf"), nullptr).ok);
  const std::string before = ReadWhole(store.Path("town.k9s"));

  // The same extract cut short, and garbage under an extract's name.
  std::ifstream whole(input.Path("town.osm.pbf"), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(whole)), {});
  const std::string cut = input.Path("cut/town.osm.pbf");
  std::filesystem::create_directories(input.Path("cut"));
  std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() - 40);
  std::ofstream(input.Path("junk/town.osm.pbf"), std::ios::binary);
  std::filesystem::create_directories(input.Path("junk"));
  std::ofstream(input.Path("junk/town.osm.pbf"), std::ios::binary) << std::string(5000, 'x');
  std::ofstream(input.Path("notes.txt")) << "hello";

  for (const std::string& bad : {cut, input.Path("junk/town.osm.pbf")}) {
    const ImportOutcome o = ImportExtract(store.Path(), bad, nullptr);
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.message.rfind("town.osm.pbf is damaged or cut short: ", 0), 0u) << o.message;
  }
  EXPECT_EQ(
      ImportExtract(store.Path(), input.Path("notes.txt"), nullptr).message,
      "notes.txt is not an OpenStreetMap extract: the import takes these files: " K9_EXTRACT_FORMS
      ".");
  for (const char* phase : {"Reading ways", "Writing the street data"}) {
    CancelAt cancel(phase);
    const ImportOutcome o = ImportExtract(store.Path(), input.Path("town.osm.pbf"), &cancel);
    EXPECT_TRUE(o.cancelled) << phase;
  }
  // A temporary left by an import that was killed goes at the next import.
#ifdef _WIN32
  std::ofstream(store.Path("k9ab12.tmp")) << "partial";
#else
  std::ofstream(store.Path(".k9-abcdef.tmp")) << "partial";
#endif
  ImportExtract(store.Path(), input.Path("notes.txt"), nullptr);

  const std::string after = ReadWhole(store.Path("town.k9s"));
  EXPECT_EQ(after, before);
  EXPECT_EQ(store.Files(), std::vector<std::string>{"town.k9s"});
  ASSERT_EQ(ListAreas(store.Path()).size(), 1u);
  std::string error;
  EXPECT_TRUE(RemoveArea(store.Path(), "town", &error));
  EXPECT_FALSE(RemoveArea(store.Path(), "town", &error));
  EXPECT_EQ(error, "No imported area is named \"town\".");
}

TEST(StreetData, EveryCutOrFlippedByteIsAnErrorOrSkippedTileNeverACrash) {
  ScratchFolder store, input;
  WriteTown(input.Path("town.osm.pbf"));
  ImportOptions disk;
  disk.node_index = ImportOptions::NodeIndex::kDisk;  // the file-backed index gives the same
  ASSERT_TRUE(ImportExtract(store.Path(), input.Path("town.osm.pbf"), nullptr, disk).ok);
  std::ifstream in(store.Path("town.k9s"), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  std::string error;
  ASSERT_TRUE(DataSet::FromBytes(bytes, &error));
  for (std::size_t n = 0; n < bytes.size(); ++n)
    EXPECT_FALSE(DataSet::FromBytes(bytes.substr(0, n), &error)) << n;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::string damaged = bytes;
    damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
    auto set = DataSet::FromBytes(damaged, &error);
    if (!set) continue;
    // Only the tile bytes are left to their checksums, checked when read.
    std::string tile_error;
    EXPECT_FALSE(set->ReadAllTiles(&tile_error) && AllStreets(*set).size() == 3 &&
                 set->damaged_tiles() == 0 && damaged != bytes && i >= 48)
        << i;
  }
}

#ifndef _WIN32
TEST(StreetImportCommand, SaysOneSentencePerFileAndExitsWithOneWhenAnyFailed) {
  ScratchFolder store, input;
  WriteTown(input.Path("town.osm.pbf"));
  std::ofstream(input.Path("notes.txt")) << "hello";
  const std::string tool = std::string(K9_BINARY_DIR) + "/src/streets/k9-engine-import";
  auto run = [&](const std::string& args) {
    const std::string out = input.Path("out.txt");
    const int status = std::system(
        (tool + " --store '" + store.Path() + "' " + args + " > '" + out + "'").c_str());
    return std::make_pair(WEXITSTATUS(status), ReadWhole(out));
  };
  const auto [status, text] =
      run("'" + input.Path("town.osm.pbf") + "' '" + input.Path("notes.txt") + "'");
  EXPECT_EQ(status, 1);
  // Not a terminal: plain progress lines, then the result sentence of each file.
  EXPECT_NE(text.find("\nImported town.osm.pbf as \"town\": 3 streets, 5 addresses, 1 "
                      "interpolation ways.\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("notes.txt is not an OpenStreetMap extract"), std::string::npos);
  EXPECT_EQ(text.find('\r'), std::string::npos);
  const auto [list_status, list] = run("--list");
  EXPECT_EQ(list_status, 0);
  EXPECT_EQ(list.rfind("town\t", 0), 0u) << list;
  EXPECT_EQ(run("--remove town --remove town").first, 1);
}
#endif

}  // namespace
}  // namespace k9::streets
