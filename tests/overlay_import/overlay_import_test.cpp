#include "overlay_import/overlay_import.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "engine/overlay.h"
#include "engine/reference_engine.h"
#include "common/text.h"
#include "platform/raster.h"
#include "support/fake_registry.h"

namespace k9::overlay_import {
namespace {

namespace fs = std::filesystem;
using Status = OverlayImportOutcome::Status;

std::string Data(const std::string& name) {
  return std::string(K9_SOURCE_DIR) + "/tests/overlay_import/data/" + name;
}

class OverlayImportTest : public ::testing::Test {
 protected:
  OverlayImportTest() {
    std::random_device rd;
    root_ = fs::temp_directory_path() / ("k9-overlay-import-" + std::to_string(rd()));
    fs::create_directories(root_ / "Strato Overlays");
  }
  ~OverlayImportTest() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  std::string Folder() const { return (root_ / "Strato Overlays").string(); }
  std::string Source(const std::string& name, const std::string& bytes) const {
    std::ofstream((root_ / name).string(), std::ios::binary) << bytes;
    return (root_ / name).string();
  }
  // Every file of the overlay folder with its bytes.
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(Folder())) {
      std::ifstream in(e.path(), std::ios::binary);
      files[e.path().filename().string()] = {std::istreambuf_iterator<char>(in), {}};
    }
    return files;
  }
  OverlayImportOutcome Import(const std::string& source, bool replace = false) {
    return ImportOverlayFile(FileSystem::Default(), source, Folder(), replace);
  }
  fs::path root_;
};

#ifndef _WIN32
// Paints the overlay alone, fitted to the view as ZoomToOverlay fits it.
class Painted {
 public:
  explicit Painted(const std::string& overlay) {
    engine_.SetMapSize(600, 450);
    engine_.LoadOverlay(overlay);
    engine_.OverlayVisible(true);
    engine_.ZoomToOverlay();
    raster_.Resize(600, 450, 0);
    engine_.PaintToDC(ToDeviceContext(&raster_), 0, 0, 600, 450, false, false, false);
  }
  // True when a pixel within one pixel of the place has colour `rgb`.
  bool Near(double lon, double lat, std::uint32_t rgb) {
    const engine::Point p = engine_.view().ToPixel(lon, lat);
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        const int x = static_cast<int>(p.x) + dx, y = static_cast<int>(p.y) + dy;
        if (x >= 0 && y >= 0 && x < 600 && y < 450 && (raster_.Row(y)[x] & 0xFFFFFF) == rgb)
          return true;
      }
    return false;
  }

 private:
  engine::ReferenceEngine engine_{FileSystem::Default()};
  Raster raster_;
};

TEST_F(OverlayImportTest, RealFilesImportIntoOverlaysThatDrawWhereTheirSourcesSay) {
  struct Case {
    const char* file;
    const char* held;
    double lon, lat;  // a point of the source
    std::uint32_t colour;
  } cases[] = {
      // The first track point of the run, in the track's colour.
      {"route-1.1.gpx", "1 track of 7,745 points", 0.731330, 51.376730, 0xD01010},
      // LineStyle cc4488ff, width 10.
      {"simplestyle_linestring.kml", "1 placemark (1 line)", 0, 1, 0xFF8844},
      // PolyStyle 7fff44ff inside the ring 100,0 .. 101,1 (away from the centre, where the
      // engine without map data says so).
      {"simplestyle_polygon.kml", "1 placemark (1 polygon)", 100.2, 0.8, 0xFF44FF},
      {"polygon.kmz", "1 placemark (1 polygon)", 100.2, 0.8, 0xFF44FF},
      // The feature collection's line, in the default pen.
      {"featurecollection.geojson", "3 features (1 point, 1 line, 1 polygon)", 103, 1, 0xC00000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string source = Source(c.file, [&] {
      std::ifstream in(Data(c.file), std::ios::binary);
      return std::string(std::istreambuf_iterator<char>(in), {});
    }());
    const OverlayImportOutcome outcome = Import(source);
    ASSERT_EQ(outcome.status, Status::kImported) << outcome.message;
    EXPECT_NE(outcome.message.find(c.held), std::string::npos) << outcome.message;
    std::string text;
    ASSERT_TRUE(FileSystem::Default().ReadFile(outcome.overlay_path, &text));
    EXPECT_EQ(text.rfind(std::string("; from ") + c.file + ": " + c.held, 0), 0u) << text;
    engine::Overlay overlay;
    std::string error;
    ASSERT_TRUE(engine::ParseOverlay(text, "OVR", &overlay, &error)) << error;
    Painted painted(outcome.overlay_path);
    EXPECT_TRUE(painted.Near(c.lon, c.lat, c.colour));
  }
  // The chooser lists what was written.
  EXPECT_EQ(FileSystem::Default().ListFiles(Folder(), "*.OVR").size(), 5u);
}

TEST_F(OverlayImportTest, HolesStayEmptyAndEveryGpxPointIsKept) {
  const std::string kml = Source("holes.kml", R"(<?xml version="1.0"?>
<kml xmlns="http://www.opengis.net/kml/2.2"><Document>
<Style id="blue"><PolyStyle><color>ffff0000</color></PolyStyle></Style>
<StyleMap id="map"><Pair><key>normal</key><styleUrl>#blue</styleUrl></Pair></StyleMap>
<Folder><Placemark><styleUrl>#map</styleUrl><MultiGeometry><Polygon>
<outerBoundaryIs><LinearRing><coordinates>-98,30 -96,30 -96,32 -98,32 -98,30</coordinates></LinearRing></outerBoundaryIs>
<innerBoundaryIs><LinearRing><coordinates>-97.5,30.5 -96.5,30.5 -96.5,31.5 -97.5,31.5 -97.5,30.5</coordinates></LinearRing></innerBoundaryIs>
</Polygon><Point><coordinates>-99,33</coordinates></Point></MultiGeometry><name>Ring</name></Placemark></Folder>
</Document></kml>)");
  const OverlayImportOutcome outcome = Import(kml);
  ASSERT_EQ(outcome.status, Status::kImported) << outcome.message;
  Painted painted(outcome.overlay_path);
  EXPECT_TRUE(painted.Near(-97.75, 31, 0x0000FF));  // the ring's fill
  EXPECT_FALSE(painted.Near(-97, 31, 0x0000FF));    // its hole
  std::string text;
  FileSystem::Default().ReadFile(outcome.overlay_path, &text);
  EXPECT_NE(text.find("POINT -99,33 Ring"), std::string::npos) << text;

  std::string gpx = "<gpx version=\"1.0\"><trk><trkseg>";
  for (int i = 0; i < 100000; ++i)
    gpx += "<trkpt lat=\"30." + std::to_string(i) + "\" lon=\"-97\"/>";
  gpx += "</trkseg></trk><wpt lat=\"30\" lon=\"-97\"><name>Start</name></wpt></gpx>";
  const OverlayImportOutcome big = Import(Source("big.gpx", gpx));
  ASSERT_EQ(big.status, Status::kImported) << big.message;
  EXPECT_NE(big.message.find("1 track of 100,000 points, 1 waypoint"), std::string::npos);
  engine::Overlay overlay;
  std::string error;
  FileSystem::Default().ReadFile(big.overlay_path, &text);
  ASSERT_TRUE(engine::ParseOverlay(text, "OVR", &overlay, &error)) << error;
  EXPECT_EQ(overlay.items[0].points.size(), 100000u);
}
#endif

TEST_F(OverlayImportTest, BadInputIsRefusedWithItsReasonAndChangesNothing) {
  Source("keep.geojson", R"({"type":"Point","coordinates":[-97,30]})");
  ASSERT_EQ(Import((root_ / "keep.geojson").string()).status, Status::kImported);
  const auto before = Snapshot();
  std::string zip_without_kml;
  {
    std::ifstream in(Data("polygon.kmz"), std::ios::binary);
    zip_without_kml.assign(std::istreambuf_iterator<char>(in), {});
    for (std::size_t at = zip_without_kml.find("doc.kml"); at != std::string::npos;
         at = zip_without_kml.find("doc.kml", at + 1))
      zip_without_kml.replace(at, 7, "doc.txt");
  }
  struct Case {
    const char* name;
    std::string bytes;
    const char* reason;
  } cases[] = {
      {"empty.gpx", "", "the file is empty"},
      {"json.gpx", "{\"type\":\"Point\"}", "not a GPX file"},
      {"kml.gpx", "<kml/>", "its first element is <kml>, not <gpx>"},
      {"broken.kml", "<kml>\n<Placemark>\n</kml>", "line 3: the XML is malformed (mismatched tag)"},
      {"broken.geojson", "{\"type\":\n\"Feature\",,}", "line 2: the JSON is malformed"},
      {"text.kmz", "plain text", "not a KMZ file"},
      {"nokml.kmz", zip_without_kml, "holds no KML file"},
      {"far.gpx", "<gpx>\n<wpt lat=\"30\" lon=\"200\"/></gpx>", "line 2: <wpt> lies off the earth"},
      {"far.kml",
       "<kml><Placemark><Point><coordinates>-97,95</coordinates></Point></Placemark></kml>",
       "off the earth"},
      {"far.geojson", R"({"type":"Feature","properties":{"name":"Tower"},
          "geometry":{"type":"Point","coordinates":[-97,-91]}})",
       "the feature (\"Tower\") has the position [-97, -91], which lies off the earth"},
      {"nothing.gpx", "<gpx><metadata/></gpx>", "no track, route or waypoint"},
      {"nothing.geojson", R"({"type":"FeatureCollection","features":[]})", "no geometry"},
      {"other.json", R"({"name":"package"})", "not GeoJSON"},
      {"keep.kml", "<kml><Document/></kml>", "no placemark"},
  };
  for (const Case& c : cases) {
    const OverlayImportOutcome outcome = Import(Source(c.name, c.bytes), true);
    EXPECT_EQ(outcome.status, Status::kFailed) << c.name;
    EXPECT_EQ(outcome.message.rfind(std::string(c.name) + " cannot be imported: ", 0), 0u)
        << outcome.message;
    EXPECT_NE(outcome.message.find(c.reason), std::string::npos) << outcome.message;
    EXPECT_EQ(outcome.message.find('.', outcome.message.size() - 1), outcome.message.size() - 1);
  }
  // A good file of an existing overlay's name needs the user's agreement.
  const OverlayImportOutcome again =
      Import(Source("keep.geojson", R"({"type":"Point","coordinates":[-90,35]})"));
  EXPECT_EQ(again.status, Status::kExists);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(Import((root_ / "keep.geojson").string(), true).status, Status::kImported);
  EXPECT_NE(Snapshot(), before);
}

TEST(RegisteredOverlayFolder, IsBesideTheRegisteredServerLibrary) {
  testing::FakeRegistry registry;
  EXPECT_EQ(RegisteredOverlayFolder(registry), "");
  const std::string clsid = "{D407ACA1-0000-0000-0000-000000000000}";
  registry.SetValue(RegRoot::kClassesRoot, "Kestrel9.clsMapServ\\CLSID", "",
                    RegValue{kRegSz, clsid + std::string(1, '\0')});
  registry.SetValue(
      RegRoot::kClassesRoot, "CLSID\\" + clsid + "\\InprocServer32", "",
      RegValue{kRegSz, std::string("C:\\Program Files\\Kestrel9\\Kestrel9.dll") + '\0'});
  EXPECT_EQ(RegisteredOverlayFolder(registry),
            JoinPath("C:\\Program Files\\Kestrel9", "Strato Overlays"));
}

}  // namespace
}  // namespace k9::overlay_import
