#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "render/map_list_entry.h"
#include "server/server_fixture.h"

namespace k9::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::Not;

class MapViewTest : public ServerTest {
 protected:
  std::string EntryFile() const { return std::string(kHostFolder) + "/Maps/!!Kestrel9.INF"; }
};

// The whole paint step, in order, after the view call.
const std::vector<std::string> kFirstPaint = {
    "form.mnuMapSpecialOptions(1).Visible=false",
    "pic.BackColor=14727830",
    "pic.FillColor=14727830",
    "pic.FillStyle=0",
    "pic.Picture=Nothing",
    "pic.ScaleWidth?",
    "pic.ScaleHeight?",
    "pic.hDC?",
    "engine.ViewWest?",
    "engine.ViewEast?",
    "engine.ViewNorth?",
    "engine.ViewSouth?",
    "pic.DrawWidth?",
    "pic.DrawMode?",
    "pic.DrawStyle?",
    "engine.PaintToDC(dc,0,0,400,300,false,false,false)",
    "pic.DrawWidth=1",
    "pic.DrawMode=13",
    "pic.DrawStyle=0",
    "form.mnuMapSpecialOptions(1).Visible=false",
    "pic.Picture=Image",
    "host.SignalInformation(-110,-90,50,35,Stratomap V9 Server)",
};

TEST_F(MapViewTest, DrawMapFromCornersSizesSetsTheViewAndPaints) {
  clsMapServ& server = InitializedServer();
  double x1 = -110, y1 = 50, x2 = -90, y2 = 35;
  EXPECT_TRUE(server.DrawMapFromCorners(picture_, x1, y1, x2, y2));

  std::vector<std::string> expected = {"pic.ScaleMode=3", "pic.ScaleWidth?", "pic.ScaleHeight?",
                                       "engine.SetMapSize(400,300)",
                                       "engine.SetViewCorners(-110,50,-90,35)"};
  expected.insert(expected.end(), kFirstPaint.begin(), kFirstPaint.end());
  EXPECT_THAT(log_, ElementsAreArray(expected));
  EXPECT_EQ(server.RememberedPicture(), &picture_);
  EXPECT_EQ(picture_.ScaleMode(), 3);
  // The corners are not written back.
  EXPECT_EQ(x1, -110);
  EXPECT_EQ(y2, 35);
  // The engine's paint is the lasting picture.
  ASSERT_TRUE(picture_.has_picture());
  EXPECT_EQ(picture_.picture().pixels.front(), OleColorToPixel(0xAFFFFF));
  EXPECT_EQ(server.PaintedWidth(), 400);
  EXPECT_EQ(server.PaintedHeight(), 300);
}

TEST_F(MapViewTest, TheHostLearnsTheExtentTheEngineShowsNotTheOneAskedFor) {
  clsMapServ& server = InitializedServer();
  // A square request into a 4:3 picture: the engine widens it.
  double x1 = -100, y1 = 40, x2 = -90, y2 = 30;
  server.DrawMapFromCorners(picture_, x1, y1, x2, y2);
  ASSERT_EQ(events_.informations().size(), 1u);
  const auto& shown = events_.informations()[0];
  EXPECT_LT(shown.west, -100);
  EXPECT_GT(shown.east, -90);
  EXPECT_DOUBLE_EQ(shown.north, 40);
  EXPECT_DOUBLE_EQ(shown.south, 30);
  EXPECT_DOUBLE_EQ(server.mdblWest, shown.west);
  EXPECT_EQ(shown.title, "Stratomap V9 Server");
}

TEST_F(MapViewTest, ADegenerateRectangleDrawsTheWorldAndRemembersNoPicture) {
  clsMapServ& server = InitializedServer();
  for (auto corners : {std::array<double, 4>{5, 50, 5, 40}, std::array<double, 4>{1, 50, 9, 50}}) {
    engine().ClearCalls();
    EXPECT_TRUE(
        server.DrawMapFromCorners(picture_, corners[0], corners[1], corners[2], corners[3]));
    EXPECT_THAT(engine().CallsStartingWith("SetViewCorners"),
                ElementsAre("SetViewCorners(-160,80,160,-80)"));
  }
  EXPECT_EQ(server.RememberedPicture(), nullptr);
}

TEST_F(MapViewTest, AnUnchangedSizeCausesNoSetMapSize) {
  clsMapServ& server = InitializedServer();
  server.ZoomIn(picture_);
  server.ZoomOut(picture_);
  std::int16_t pan = -3;
  server.ZoomPan(picture_, pan);
  EXPECT_THAT(engine().CallsStartingWith("SetMapSize"), ElementsAre("SetMapSize(400,300)"));

  picture_.Resize(640, 480);
  double a = 0, b = 0, c = 0, d = 0;
  server.ResizeMap(picture_, a, b, c, d);
  EXPECT_THAT(engine().CallsStartingWith("SetMapSize"),
              ElementsAre("SetMapSize(400,300)", "SetMapSize(640,480)"));
  EXPECT_EQ(server.EngineWidth(), 640);
  EXPECT_EQ(server.EngineHeight(), 480);
}

TEST_F(MapViewTest, EachMemberMakesItsOneViewCall) {
  clsMapServ& server = InitializedServer();
  double x = -87.5, y = 41.75;
  std::int16_t pan = -2;
  double a = 1, b = 2, c = 3, d = 4;
  EXPECT_TRUE(server.DrawMapFromCentre(picture_, x, y));
  EXPECT_TRUE(server.ZoomIn(picture_));
  EXPECT_TRUE(server.ZoomOut(picture_));
  EXPECT_TRUE(server.ZoomAll(picture_));
  EXPECT_TRUE(server.ZoomPan(picture_, pan));
  EXPECT_TRUE(server.ResizeMap(picture_, a, b, c, d));
  std::vector<std::string> view_calls;
  for (const std::string& call : engine().calls()) {
    if (call.find('(') != std::string::npos && call.rfind("PaintToDC", 0) != 0 &&
        call.rfind("SetMapSize", 0) != 0) {
      view_calls.push_back(call);
    }
  }
  EXPECT_THAT(view_calls, ElementsAre("CentreView(-87.5,41.75)", "ZoomInStep()", "ZoomOutStep()",
                                      "SetViewCorners(-160,80,160,-80)", "PanStep(-2)"));
  EXPECT_EQ(events_.informations().size(), 6u);
  // Only DrawMapFromCorners remembers the picture box.
  EXPECT_EQ(server.RememberedPicture(), nullptr);
}

TEST_F(MapViewTest, APaintEndsWithSignalInformationEvenWhenStatementsFail) {
  clsMapServ& server = InitializedServer();
  engine().FailOn("PaintToDC");
  engine().FailOn("ViewNorth?");
  picture_.FailOn("BackColor=");
  picture_.FailOn("hDC?");
  form_.FailOn("Visible");
  double x1 = -110, y1 = 50, x2 = -90, y2 = 35;
  EXPECT_TRUE(server.DrawMapFromCorners(picture_, x1, y1, x2, y2));
  EXPECT_EQ(log_.back(), "host.SignalInformation(-110,-90,0,35,Stratomap V9 Server)");
  EXPECT_THAT(log_, Contains("pic.Picture=Image"));
  EXPECT_THAT(log_, Contains("engine.PaintToDC(0,0,0,400,300,false,false,false)"));
}

TEST_F(MapViewTest, MonochromeReachesThePaint) {
  clsMapServ& server = InitializedServer();
  server.blnMono(true);
  server.ZoomIn(picture_);
  EXPECT_THAT(engine().CallsStartingWith("PaintToDC"),
              ElementsAre("PaintToDC(dc,0,0,400,300,false,false,true)"));
}

TEST_F(MapViewTest, OnlyTheFirstPaintHidesTheMenuEntryBeforePainting) {
  clsMapServ& server = InitializedServer();
  server.ZoomIn(picture_);
  form_.ClearCalls();
  server.ZoomIn(picture_);
  // Only step 10 hides it now.
  EXPECT_THAT(form_.calls(), ElementsAre("mnuMapSpecialOptions(1).Visible=false"));
}

TEST_F(MapViewTest, APendingMileMarkerLineIsDrawnInsteadOfHidingItsEntry) {
  struct LineLayers : MapLayers {
    std::vector<std::string> steps;
    void PrepareEngineSettingsFile(clsMapServ&) override { steps.push_back("prepare"); }
    void ApplyOverlay(clsMapServ&) override { steps.push_back("overlay"); }
    void ApplyUnderlay(clsMapServ&) override { steps.push_back("underlay"); }
    void ZoomUnderlay(clsMapServ&) override { steps.push_back("zoom underlay"); }
    void DrawMileMarkerLine(clsMapServ& server, PictureBox& picture) override {
      steps.push_back("line " + std::to_string(server.mdblLine));
      picture.Line(0, 0, 1, 1, 0);
    }
  };
  auto layers = std::make_shared<LineLayers>();
  ServerParts parts;
  parts.layers = layers;
  clsMapServ& server = InitializedServer(std::move(parts));
  server.ZoomIn(picture_);
  server.mblnLineShown = true;
  server.mdblLine = 41;
  form_.ClearCalls();
  server.ZoomIn(picture_);
  EXPECT_THAT(layers->steps, ElementsAre("prepare", "overlay", "underlay", "overlay", "underlay",
                                         "line 41.000000"));
  EXPECT_THAT(form_.calls(), IsEmpty());
  EXPECT_EQ(picture_.lines().size(), 1u);
}

TEST_F(MapViewTest, WithoutTheControlNothingIsPaintedOrSignalledAndMembersReturnTrue) {
  clsMapServ& server = Server();
  double x1 = -110, y1 = 50, x2 = -90, y2 = 35, x = 0, y = 0;
  std::int16_t pan = 1;
  EXPECT_TRUE(server.DrawMapFromCorners(picture_, x1, y1, x2, y2));
  EXPECT_TRUE(server.DrawMapFromCentre(picture_, x, y));
  EXPECT_TRUE(server.ResizeMap(picture_, x1, y1, x2, y2));
  EXPECT_TRUE(server.ZoomIn(picture_));
  EXPECT_TRUE(server.ZoomOut(picture_));
  EXPECT_TRUE(server.ZoomAll(picture_));
  EXPECT_TRUE(server.ZoomPan(picture_, pan));
  EXPECT_FALSE(engine_made());
  EXPECT_THAT(events_.calls(), IsEmpty());
  EXPECT_FALSE(fs_.FileExists(EntryFile()));
  EXPECT_THAT(picture_.calls(), Not(Contains("Picture=Image")));
  EXPECT_EQ(picture_.ScaleMode(), 3);
}

TEST_F(MapViewTest, ASizeThatIsNotANumberFailsTheMemberBeforeAnyEngineCall) {
  clsMapServ& server = InitializedServer();
  struct HugePicture : FakePictureBox {
    using FakePictureBox::FakePictureBox;
    double ScaleWidth() override { return 1e12; }
  } huge(10, 10);
  EXPECT_ANY_THROW(server.ZoomIn(huge));
  EXPECT_THAT(engine().calls(), IsEmpty());
}

TEST_F(MapViewTest, EveryPaintBringsTheMapListEntryFileUpToDateWritingOnlyAChange) {
  clsMapServ& server = InitializedServer();
  double x1 = -110, y1 = 50, x2 = -90, y2 = 35;
  server.DrawMapFromCorners(picture_, x1, y1, x2, y2);
  EXPECT_EQ(fs_.Contents(EntryFile()),
            "110.00.00W,50.00.00N\r\n090.00.00W,35.00.00N\r\nStratomap V9 Server\r\n");
  // The same view again: the file already holds those bytes and is not written.
  const int writes = fs_.write_count();
  server.DrawMapFromCorners(picture_, x1, y1, x2, y2);
  EXPECT_EQ(fs_.write_count(), writes);
  server.ZoomOut(picture_);
  EXPECT_EQ(fs_.Contents(EntryFile()),
            "120.00.00W,57.30.00N\r\n080.00.00W,27.30.00N\r\nStratomap V9 Server\r\n");
  EXPECT_EQ(fs_.write_count(), writes + 1);
}

TEST_F(MapViewTest, AMapListEntryFileThatCannotBeWrittenStillEndsThePaint) {
  clsMapServ& server = InitializedServer();
  fs_.AddFile(EntryFile(), "old");
  fs_.FailWritesTo(EntryFile());
  server.ZoomIn(picture_);
  EXPECT_EQ(fs_.Contents(EntryFile()), "old");
  EXPECT_EQ(events_.informations().size(), 1u);
}

TEST_F(MapViewTest, WithoutAHostFolderNoMapListEntryFileIsWritten) {
  SetHostFolder("");
  clsMapServ& server = InitializedServer();
  const int writes = fs_.write_count();
  server.ZoomIn(picture_);
  EXPECT_EQ(fs_.write_count(), writes);
  EXPECT_EQ(events_.informations().size(), 1u);
}

}  // namespace
}  // namespace k9::testing
