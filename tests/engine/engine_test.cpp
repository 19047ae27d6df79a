#include "engine/reference_engine.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <stdexcept>

#include "engine/search.h"
#include "engine_test_support.h"
#include "platform/raster.h"

namespace k9::engine {
namespace {

using testing::DataDir;
using testing::ReadAddressRecord;
using testing::Recorder;
using testing::ScratchDir;

class EngineTest : public ::testing::Test {
 protected:
  // One read of the shipped data serves every test: engines share what is loaded.
  static void SetUpTestSuite() { shared_ = testing::LoadShippedData(); }
  static void TearDownTestSuite() { shared_.reset(); }
  EngineTest() { testing::UseShippedData(engine); }
  static inline std::shared_ptr<const MapData> shared_;
  ReferenceEngine engine{FileSystem::Default()};
};

TEST_F(EngineTest, ShippedDataLoadsWithoutErrors) {
  const MapData& d = engine.Data();
  EXPECT_TRUE(d.errors.empty()) << d.errors.front();
  EXPECT_GE(d.states.features.size(), 50u);
  EXPECT_GE(d.counties.features.size(), 3000u);
  EXPECT_GE(d.world.features.size(), 200u);
  EXPECT_GT(d.places.size(), 10000u);
  EXPECT_GT(d.zips.size(), 30000u);
  EXPECT_GT(d.phone.size(), 200u);
  EXPECT_FALSE(d.roads.empty());
  EXPECT_GT(d.cities.size(), 20000u);
  EXPECT_GT(d.countries.size(), 200u);
  EXPECT_FALSE(d.us_borders.features.empty());
  EXPECT_FALSE(d.world_borders.features.empty());
  for (const auto& band : d.water) EXPECT_FALSE(band.features.empty());
}

TEST_F(EngineTest, PopulatedPlacesAreFoundByStateOrCountry) {
  Recorder rec(&engine);
  engine.SetEvents(&rec);
  auto title_of = [&](const char* q) {
    rec.items.clear();
    engine.FindAddress(q);
    return rec.items.empty() ? std::string() : ReadAddressRecord(rec.items[0]).title;
  };
  EXPECT_EQ(title_of("Paris, France"), "Paris, France");
  EXPECT_EQ(title_of("london, gb"), "London, United Kingdom");
  // A state code first, a country when that state has no such place.
  EXPECT_EQ(title_of("Toronto, CA"), "Toronto, Canada");
  EXPECT_EQ(title_of("Paris, TX"), "Paris, TX");
  // A place the ZIP table does not name, and a name alone reaching the world too.
  EXPECT_EQ(title_of("Cedar Park, TX"), "Cedar Park, TX");
  rec.items.clear();
  engine.FindAddress("Paris");
  EXPECT_NE(
      std::find_if(rec.items.begin(), rec.items.end(),
                   [](const std::string& r) { return r.find("France") != std::string::npos; }),
      rec.items.end());
  EXPECT_EQ(title_of("Nowhere, France"), "");
}

TEST_F(EngineTest, PlaceAndZipSearchesRaiseRecordsTheServerReadsAsAustin) {
  Recorder rec(&engine);
  engine.SetEvents(&rec);
  ASSERT_EQ(engine.FindAddress("Austin, TX"), 1);
  ASSERT_EQ(rec.items.size(), 1u);
  auto m = ReadAddressRecord(rec.items[0]);
  ASSERT_TRUE(m.ok);
  EXPECT_EQ(m.title, "Austin, TX");
  EXPECT_TRUE(m.place);
  EXPECT_NEAR(m.x, -97.74, 0.2);
  EXPECT_NEAR(m.y, 30.27, 0.2);
  EXPECT_EQ(engine.FoundText(), rec.items[0]);

  rec.items.clear();
  ASSERT_EQ(engine.FindAddress("78701"), 1);
  m = ReadAddressRecord(rec.items.at(0));
  EXPECT_EQ(m.title, "Austin, TX, 78701");
  EXPECT_TRUE(m.place);
  EXPECT_NEAR(m.x, -97.74, 0.05);

  // The other spellings of the same place.
  for (const char* q : {"austin tx", " AUSTIN , tx ", "Aus?in, TX", "Austin, TX, 78701",
                        "100 Congress Ave, Austin, TX"}) {
    rec.items.clear();
    EXPECT_EQ(engine.FindAddress(q), 1) << q;
    ASSERT_EQ(rec.items.size(), 1u) << q;
    EXPECT_EQ(ReadAddressRecord(rec.items[0]).title.rfind("Austin, TX", 0), 0u) << q;
  }
}

TEST_F(EngineTest, AddressSearchWildcardsStatesAndMisses) {
  Recorder rec(&engine);
  engine.SetEvents(&rec);
  const int springfields = engine.FindAddress("Springfield");
  EXPECT_GT(springfields, 5);  // one per state that has one
  EXPECT_EQ(rec.items.size(), static_cast<std::size_t>(springfields));
  rec.items.clear();
  EXPECT_EQ(engine.FindAddress("Springfield, IL"), 1);
  const int zips = engine.FindAddress("7870?");
  EXPECT_GE(zips, 5);
  for (std::size_t i = 1; i < rec.items.size(); ++i)
    EXPECT_EQ(testing::SplitTabs(rec.items[i])[4].substr(0, 4), "7870");
  rec.items.clear();
  for (const char* q : {"", "   ", ",,,", "TX", "Nowhere At All, ZZ", "00000", "123 Main St"}) {
    EXPECT_EQ(engine.FindAddress(q), 0) << q;
  }
  EXPECT_TRUE(rec.items.empty());
  EXPECT_LE(engine.FindAddress("*"), static_cast<std::int32_t>(kMaxAddressMatches));
}

TEST_F(EngineTest, PhoneSearchAnswersAustinForItsPrefixInTheServersLayout) {
  Recorder rec(&engine);
  engine.SetEvents(&rec);
  EXPECT_EQ(engine.FindPhone("512472"), 1);
  const std::string answer = engine.FoundPlaceText();
  ASSERT_EQ(answer.rfind("512472", 0), 0u) << answer;
  const auto f = testing::SplitTabs(answer);
  ASSERT_GE(f.size(), 6u);
  EXPECT_EQ(testing::ProperCase(f[0] + ", " + f[1] + ", " + f[2]) + ", " + f[3],
            "512472, Austin, Travis, TX");
  EXPECT_NEAR(std::stod(f[4]), -97.74, 0.2);
  EXPECT_NEAR(std::stod(f[5]), 30.27, 0.2);
  EXPECT_EQ(rec.places, std::vector<std::string>{answer});

  // Typed with punctuation or a whole number, the answer still begins with the text.
  for (const char* q : {"(512) 472", "512-472-1234", "1 512 472 0000"}) {
    engine.FindPhone(q);
    EXPECT_EQ(engine.FoundPlaceText().rfind(q, 0), 0u) << q;
  }
  for (const char* q : {"", "512", "999999", "512100", "abc472", "512472x"}) {
    EXPECT_EQ(engine.FindPhone(q), 0) << q;
    EXPECT_EQ(engine.FoundPlaceText(), "") << q;
  }
}

TEST_F(EngineTest, ViewMembersCoverTheRequestAndZoomRoundTrips) {
  engine.SetMapSize(1024, 768);
  engine.SetViewCorners(-106.7, 36.5, -93.5, 25.8);
  EXPECT_LE(engine.ViewWest(), -106.7);
  EXPECT_GE(engine.ViewEast(), -93.5);
  EXPECT_GE(engine.ViewNorth(), 36.5);
  EXPECT_LE(engine.ViewSouth(), 25.8);
  EXPECT_NEAR((engine.ViewWest() + engine.ViewEast()) / 2, (-106.7 - 93.5) / 2, 1e-9);
  const double w = engine.ViewWest(), n = engine.ViewNorth();
  engine.ZoomInStep();
  EXPECT_GT(engine.ViewWest(), w);
  engine.ZoomOutStep();
  EXPECT_NEAR(engine.ViewWest(), w, 1e-9);
  EXPECT_NEAR(engine.ViewNorth(), n, 1e-9);

  const double span = engine.ViewNorth() - engine.ViewSouth();
  engine.CentreView(-97.74, 30.27);
  EXPECT_NEAR(engine.ViewNorth() - engine.ViewSouth(), span, 1e-9);
  engine.ZoomLevel(12);
  EXPECT_NEAR((engine.ViewNorth() + engine.ViewSouth()) / 2, 30.27, 1e-9);
  engine.PanStep(6);
  EXPECT_NEAR(engine.ViewWest(), -97.74, 1e-9);  // half a view east
  EXPECT_THROW(engine.PanStep(5), std::invalid_argument);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_THROW(engine.SetViewCorners(nan, 1, 2, 0), std::invalid_argument);
  EXPECT_THROW(engine.CentreView(0, std::numeric_limits<double>::infinity()),
               std::invalid_argument);
  EXPECT_THROW(engine.SetMapSize(0, 0), std::invalid_argument);
  EXPECT_THROW(engine.SetMapSize(-10, 100), std::invalid_argument);
  EXPECT_EQ(engine.view().width(), 1024);
}

TEST_F(EngineTest, CommandsColoursAndNumberedMembers) {
  engine.EngineCommand(2, 14727830);
  EXPECT_EQ(engine.EngineCommand(0, 1), 14727830);
  engine.EngineCommand(61182, 1);
  EXPECT_TRUE(engine.high_contrast());
  engine.EngineCommand(61182, 0);
  EXPECT_FALSE(engine.high_contrast());
  EXPECT_EQ(engine.EngineCommand(49156, -1), 0);
  EXPECT_THROW(engine.EngineCommand(12345, 0), std::invalid_argument);
  engine.LandColor(0xAFFFFF);
  EXPECT_EQ(engine.LandColor(), 0xAFFFFF);

  engine.PutMember(138, false);
  engine.PutMember(149, 6);
  engine.PutMember(166, 0xFFFFFF);
  EXPECT_EQ(std::get<std::int32_t>(*engine.Member(149)), 6);
  EXPECT_FALSE(std::get<bool>(*engine.Member(138)));
  EXPECT_THROW(engine.PutMember(1, 0), std::invalid_argument);
  EXPECT_NO_THROW(engine.CallMember(698));
  EXPECT_NO_THROW(engine.CallMember(91));
  EXPECT_THROW(engine.CallMember(2), std::invalid_argument);

  engine.SetStartValue("Shade_State", true);
  engine.SetStartValue("Coords", std::string("anything"));
  EXPECT_TRUE(engine.Shade_State());
  EXPECT_EQ(std::get<std::string>(*engine.StartValue("Coords")), "anything");
}

TEST_F(EngineTest, SettingsFileKeepsOptionsHonoursVisibleKeysAndOtherEntries) {
  ScratchDir dir;
  const std::string cfg = dir.Write("Cartex71.Cfg",
                                    "[Visible]\r\nOVER=TRUE\r\nUNDER=FALSE\r\n"
                                    "[Mine]\r\nKeep=me\r\n");
  engine.Shade_Cnty(true);
  engine.ZipCodesShown(true);
  engine.EngineCommand(2, 0x123456);
  engine.LandColor(0xFFFFFF);
  engine.SetMapSize(800, 600);
  engine.SetViewCorners(-98, 31, -97, 30);
  engine.PutMember(kMemberSaveView, true);
  engine.OverlayVisible(false);
  engine.SaveConfig(cfg);
  const std::string text = testing::ReadAll(cfg);
  EXPECT_NE(text.find("Keep=me"), std::string::npos);
  EXPECT_NE(text.find("OVER=FALSE"), std::string::npos);
  // Saved again unchanged, a read-only file is left alone; a change is refused.
  namespace fs = std::filesystem;
  const fs::perms write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  fs::permissions(cfg, write, fs::perm_options::remove);
  EXPECT_NO_THROW(engine.SaveConfig(cfg));
  engine.Shade_Cnty(false);
  EXPECT_THROW(engine.SaveConfig(cfg), std::runtime_error);
  fs::permissions(cfg, write, fs::perm_options::add);
  engine.Shade_Cnty(true);

  ReferenceEngine other{FileSystem::Default()};
  other.SetMapSize(800, 600);
  other.LoadConfig(cfg);
  EXPECT_TRUE(other.Shade_Cnty());
  EXPECT_TRUE(other.ZipCodesShown());
  EXPECT_FALSE(other.Shade_State());
  EXPECT_EQ(other.EngineCommand(0, 1), 0x123456);
  EXPECT_EQ(other.LandColor(), 0xFFFFFF);
  EXPECT_FALSE(other.OverlayVisible());
  EXPECT_EQ(other.Path_states(), engine.Path_states());
  EXPECT_NEAR(other.ViewWest(), engine.ViewWest(), 1e-6);
  EXPECT_NEAR(other.ViewNorth(), engine.ViewNorth(), 1e-6);

  // The server's own keys are honoured, damaged values are ignored, a missing file
  // leaves the defaults.
  dir.Write("b.cfg",
            "[Visible]\r\nOVER=FALSE\r\nUNDER=TRUE\r\n[View]\r\nCentreX=nan\r\n"
            "CentreY=junk\r\nScale=-1\r\n[Options]\r\nLandColor=blue\r\n");
  ReferenceEngine third{FileSystem::Default()};
  const double w = third.ViewWest();
  third.LoadConfig(dir.Path("b.cfg"));
  EXPECT_FALSE(third.OverlayVisible());
  EXPECT_TRUE(third.UnderlayVisible());
  EXPECT_DOUBLE_EQ(third.ViewWest(), w);
  EXPECT_NO_THROW(third.LoadConfig(dir.Path("missing.cfg")));
  EXPECT_THROW(third.SaveConfig(dir.Path("no/such/folder/x.cfg")), std::runtime_error);
}

TEST_F(EngineTest, FactoryMakesTheEngineForItsProgIdOnly) {
  const EngineFactory factory =
      MakeReferenceEngineFactory(Ports{&FileSystem::Default(), nullptr, nullptr, nullptr});
  EXPECT_NE(factory(kEngineProgId), nullptr);
  EXPECT_NE(factory("cartex71.cartex"), nullptr);
  EXPECT_EQ(factory("Other.Engine"), nullptr);
}

TEST(EngineData, DamagedAndMissingFilesLeaveLayersEmptyWithAClearError) {
  ScratchDir dir;
  std::string states = testing::ReadAll(DataDir() + "/states/states.k9m");
  dir.Write("states.k9m", states.substr(0, states.size() / 2));
  dir.Write("places.txt", "AUSTIN\tTX\tTRAVIS\tnot-a-number\t30\t1\r\n");
  dir.Write("phone.k9p", "garbage");
  dir.Write("cities.txt", "# header\r\nParis\tFR\t\t2.3\t48.8\t-5\r\n");
  ReferenceEngine e{FileSystem::Default()};
  e.Path_data1(dir.folder());
  const auto& errors = e.DataErrors();
  ASSERT_EQ(errors.size(), 4u);
  EXPECT_NE(errors[0].find("states.k9m"), std::string::npos);
  EXPECT_NE(errors[1].find("places.txt: places: line 1"), std::string::npos);
  EXPECT_NE(errors[2].find("phone.k9p"), std::string::npos);
  EXPECT_NE(errors[3].find("cities.txt: cities: line 2"), std::string::npos);
  EXPECT_TRUE(e.Data().states.features.empty());
  EXPECT_EQ(e.FindAddress("Austin"), 0);
  EXPECT_EQ(e.FindPhone("512472"), 0);
}

TEST(EngineData, MissingFoldersAndDataAreToldOnceAndTheMapSaysSo) {
  HeadlessDialogs dialogs;
  std::vector<std::string> told;
  dialogs.SetMessageSink([&](const HeadlessDialogs::Message& m) { told.push_back(m.text); });
  ScratchDir dir;
  ReferenceEngine e{FileSystem::Default(), &dialogs};
  e.Refresh();  // no folder set yet: the server's data path setup speaks for that
  EXPECT_TRUE(told.empty());
  e.Path_data1(dir.folder());
  e.Path_data2(dir.Path("gone"));
  e.Path_data3(dir.Path("gone"));  // named once all the same
  e.Refresh();
  e.Refresh();
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0],
            "The map engine cannot use all of its map data; maps are drawn without what is "
            "missing:\r\nThe map data folder \"" +
                dir.Path("gone") +
                "\" does not exist.\r\nNo map data file is in the map data folders.");
#ifndef _WIN32  // where a device context is a Raster
  // Instead of a plain sea the map carries a notice in a white box.
  Raster raster;
  raster.Resize(600, 200);
  e.PaintToDC(ToDeviceContext(&raster), 0, 0, 600, 200, false, false, false);
  EXPECT_GT(std::count(raster.pixels.begin(), raster.pixels.end(), 0xFFFFFFu), 1000);
#endif
}

TEST(EngineData, LayerBoxesOffTheEarthAreRefused) {
  auto layer_with_box = [](float west, float south, float east, float north) {
    std::string bytes("K9MAP1\0\0", 8);
    auto u32 = [&](std::uint32_t v) {
      for (int i = 0; i < 4; ++i) bytes += static_cast<char>(v >> (8 * i) & 0xFF);
    };
    auto f32 = [&](float f) {
      std::uint32_t v;
      std::memcpy(&v, &f, 4);
      u32(v);
    };
    u32(kLevels);
    u32(1);
    u32(0);  // empty name
    u32(0);  // empty code
    f32(west);
    f32(south);
    f32(east);
    f32(north);
    for (int l = 0; l < kLevels; ++l) u32(0);  // no rings
    return bytes;
  };
  PolygonLayer layer;
  std::string error;
  EXPECT_TRUE(ParsePolygonLayer(layer_with_box(-100, 30, -90, 40), &layer, &error)) << error;
  EXPECT_EQ(layer.Query({-95, 35, -94, 36}).size(), 1u);
  // Found by fuzzing: a huge box overflowed the index's cell numbers.
  EXPECT_FALSE(ParsePolygonLayer(layer_with_box(-4.5e14f, 0, 0, 1), &layer, &error));
  EXPECT_FALSE(ParsePolygonLayer(layer_with_box(-100, -95, -90, 40), &layer, &error));
  EXPECT_FALSE(ParsePolygonLayer(layer_with_box(-90, 30, -100, 40), &layer, &error));
  EXPECT_TRUE(layer.features.empty());
}

TEST(EngineData, LayerReaderSurvivesTruncationAndFlippedBytes) {
  const std::string bytes = testing::ReadAll(DataDir() + "/states/states.k9m");
  ASSERT_GT(bytes.size(), 1000u);
  std::mt19937 rng(7);
  PolygonLayer layer;
  std::string error;
  ASSERT_TRUE(ParsePolygonLayer(bytes, &layer, &error)) << error;
  for (int i = 0; i < 60; ++i) {
    std::string damaged = bytes.substr(0, rng() % bytes.size());
    EXPECT_FALSE(ParsePolygonLayer(damaged, &layer, &error));
    EXPECT_TRUE(layer.features.empty());
  }
  for (int i = 0; i < 60; ++i) {
    std::string damaged = bytes;
    for (int k = 0; k < 4; ++k) damaged[rng() % damaged.size()] = static_cast<char>(rng());
    ParsePolygonLayer(damaged, &layer, &error);  // any outcome but a crash
  }
  const std::string phone = testing::ReadAll(DataDir() + "/us/phone.k9p");
  std::unordered_map<int, PhoneArea> areas;
  for (int i = 0; i < 100; ++i) {
    std::string damaged = phone;
    for (int k = 0; k < 4; ++k) damaged[rng() % damaged.size()] = static_cast<char>(rng());
    ParsePhone(damaged.substr(0, rng() % damaged.size()), 100, &areas, &error);
  }
}

}  // namespace
}  // namespace k9::engine
