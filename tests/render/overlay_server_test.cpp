// The overlay, underlay and mile-marker parts working inside the server object:
// the paint step, the special menu options and Initialize.
#include <gtest/gtest.h>

#include "common/app_settings.h"
#include "common/cls_ini.h"
#include "overlay_fakes.h"
#include "render/overlay_layers.h"
#include "server/cls_map_serv.h"
#include "server/special_menu.h"
#include "support/fake_file_system.h"

namespace k9::testing {
namespace {

constexpr char kUnderlays[] = "C:\\K9\\Strato Underlays\\";
constexpr char kOverlays[] = "C:\\K9\\Strato Overlays\\";

class OverlayServerTest : public ::testing::Test {
 protected:
  OverlayServerTest() {
    fs_.AddDirectory("C:\\K9");
    fs_.AddDirectory("C:\\Harrier32\\Maps");
    SaveSetting(registry_, "Corvid Works", "Harrier32", "Program Folder", "C:\\Harrier32\\");
    ServerParts parts;
    parts.layers = MakeMapLayers();
    server_ = std::make_unique<clsMapServ>(
        Ports{&fs_, &registry_, &dialogs_, &system_},
        [this](const std::string&) {
          auto engine = std::make_unique<OverlayRecordingEngine>();
          engine_ = engine.get();
          return engine;
        },
        parts);
  }

  void Initialize() {
    std::string callsign = "G0ABC";
    server_->Initialize(callsign, &events_, &host_);
    engine_->calls.clear();
  }

  bool Draw(double west, double north, double east, double south) {
    return server_->DrawMapFromCorners(picture_, west, north, east, south);
  }

  bool Option(std::int16_t index) { return server_->SpecialMenuOption(picture_, index); }

  void SetLatitudeLine(double line) {
    server_->mdblLine = line;
    server_->mblnLineIsLat = true;
    server_->mblnLineShown = true;
  }

  FakeFileSystem fs_;
  FakeRegistry registry_;
  HeadlessDialogs dialogs_;
  FakeSystem system_{"C:\\K9\\Kestrel9.dll"};
  OverlayHostEvents events_;
  OverlayHostForm host_;
  OverlayPictureBox picture_;
  OverlayRecordingEngine* engine_ = nullptr;
  std::unique_ptr<clsMapServ> server_;
};

TEST_F(OverlayServerTest, OptionsOutOfRangeOrBeforeInitializeDoNothing) {
  EXPECT_FALSE(Option(2));
  EXPECT_EQ(engine_, nullptr);  // no engine made
  Initialize();
  EXPECT_FALSE(Option(4));
  EXPECT_FALSE(Option(-1));
  EXPECT_TRUE(engine_->calls.empty());
  EXPECT_TRUE(events_.signals.empty());
  EXPECT_EQ(picture_.scale_mode, 1);
}

TEST_F(OverlayServerTest, InitializePreparesTheEngineSettingsFile) {
  fs_.AddFile("C:\\K9\\Kestrel9.INI", "[SETUP]\r\nUNDERLAY=C:\\K9\\Strato Underlays\\a.bmp\r\n");
  Initialize();
  clsIni ini(Ports{&fs_, &registry_, &dialogs_, &system_});
  EXPECT_EQ(ini.GetIniString("Visible", "OVER", "?", "C:\\K9\\cartex71.cfg"), "TRUE");
  EXPECT_EQ(ini.GetIniString("Visible", "UNDER", "?", "C:\\K9\\cartex71.cfg"), "TRUE");
}

TEST_F(OverlayServerTest, PaintsApplyTheChoicesAndSetTheMenuEntries) {
  Initialize();
  const std::string overlay = std::string(kOverlays) + "roads.OVR";
  const std::string underlay = std::string(kUnderlays) + "a.bmp";
  fs_.AddFile(overlay, "");
  fs_.AddFile(underlay, "");
  server_->strOvlFile(overlay);
  server_->strUnderFile(underlay);
  EXPECT_TRUE(engine_->calls.empty());  // nothing before the next paint
  ASSERT_TRUE(Draw(-5, 55, 2, 50));
  ASSERT_TRUE(Draw(-5, 55, 2, 50));
  EXPECT_EQ(engine_->Count("LoadOverlay(" + overlay + ")"), 1);
  EXPECT_EQ(engine_->Count("ZoomToOverlay"), 0);  // the first overlay keeps the view
  EXPECT_EQ(engine_->Count("UnderlayFile(" + underlay + ")"), 1);
  EXPECT_TRUE(host_.enabled[2]);
  EXPECT_TRUE(host_.enabled[3]);
  server_->strOvlFile("");
  server_->strUnderFile("");
  ASSERT_TRUE(Draw(-5, 55, 2, 50));
  EXPECT_FALSE(host_.enabled[2]);
  EXPECT_FALSE(host_.enabled[3]);
}

TEST_F(OverlayServerTest, ZoomUnderlayRepaintsWithTheSatViewOrTheOldOne) {
  Initialize();
  const std::string underlay = std::string(kUnderlays) + "a.bmp";
  fs_.AddFile(underlay, "");
  fs_.AddFile(std::string(kUnderlays) + "a.SAT", "-1.5, 51.5, 1.25, 51.25\r\n");
  server_->strUnderFile(underlay);
  EXPECT_TRUE(Option(2));
  EXPECT_EQ(picture_.scale_mode, 3);
  EXPECT_EQ(engine_->Count("SetViewCorners(-1.5,51.5,1.25,51.25)"), 1);
  EXPECT_EQ(events_.signals,
            (std::vector<std::string>{"SignalSuspend(true)", "SignalInformation"}));

  fs_.AddFile(std::string(kUnderlays) + "a.SAT", "-1.5, 51.5, 1.25\r\n");
  engine_->calls.clear();
  EXPECT_TRUE(Option(2));
  EXPECT_EQ(engine_->Count("SetViewCorners"), 0);
  EXPECT_EQ(engine_->Count("PaintToDC"), 1);
}

TEST_F(OverlayServerTest, ZoomOverlayFitsTheViewToTheOverlay) {
  Initialize();
  EXPECT_TRUE(Option(3));
  EXPECT_EQ(engine_->Count("ZoomToOverlay"), 1);
  EXPECT_EQ(engine_->Count("PaintToDC"), 1);
  EXPECT_EQ(events_.signals.front(), "SignalSuspend(true)");
}

TEST_F(OverlayServerTest, LatitudeLineOnTheNorthEdgeIsDrawnYellowThenBlack) {
  Initialize();
  picture_.draw_width = 3;
  picture_.draw_mode = 7;
  SetLatitudeLine(55);
  ASSERT_TRUE(Draw(-5, 55, 2, 50));
  ASSERT_EQ(picture_.lines.size(), 2u);
  const auto& yellow = picture_.lines[0];
  const auto& black = picture_.lines[1];
  EXPECT_EQ(yellow.colour, 0x00FFFF);
  EXPECT_EQ(yellow.width, 5);
  EXPECT_EQ(yellow.mode, 13);
  EXPECT_EQ(black.colour, 0);
  EXPECT_EQ(black.width, 1);
  EXPECT_EQ(yellow.x1, -5);
  EXPECT_EQ(yellow.y1, 55);
  EXPECT_EQ(yellow.x2, 2);
  EXPECT_EQ(yellow.y2, 55);
  // The pen is restored and the box keeps the degree scale.
  EXPECT_EQ(picture_.draw_width, 3);
  EXPECT_EQ(picture_.draw_mode, 7);
  EXPECT_EQ(picture_.scale_left, -5);
  EXPECT_EQ(picture_.scale_top, 55);
  EXPECT_EQ(picture_.scale_width, 7);
  EXPECT_EQ(picture_.scale_height, -5);
  EXPECT_TRUE(host_.visible[1]);
}

TEST_F(OverlayServerTest, LatitudeLineAMillionthOutsideIsNotDrawn) {
  Initialize();
  SetLatitudeLine(55.000001);
  ASSERT_TRUE(Draw(-5, 55, 2, 50));
  EXPECT_TRUE(picture_.lines.empty());
  EXPECT_FALSE(host_.visible[1]);
  SetLatitudeLine(50);  // the south edge
  ASSERT_TRUE(Draw(-5, 55, 2, 50));
  EXPECT_EQ(picture_.lines.size(), 2u);
}

TEST_F(OverlayServerTest, LongitudeLineRunsFromNorthToSouthEdge) {
  Initialize();
  server_->mdblLine = -1.25;
  server_->mblnLineIsLat = false;
  server_->mblnLineShown = true;
  picture_.draw_width = 0;  // no pen width a picture box accepts: not put back
  ASSERT_TRUE(Draw(-5, 55, 2, 50));
  ASSERT_EQ(picture_.lines.size(), 2u);
  EXPECT_EQ(picture_.lines[1].x1, -1.25);
  EXPECT_EQ(picture_.lines[1].y1, 55);
  EXPECT_EQ(picture_.lines[1].x2, -1.25);
  EXPECT_EQ(picture_.lines[1].y2, 50);
  EXPECT_EQ(picture_.draw_width, 1);
}

TEST_F(OverlayServerTest, LineStaysAcrossPaintsUntilHidden) {
  Initialize();
  // Hiding with no line does nothing at all.
  EXPECT_FALSE(Option(1));
  EXPECT_TRUE(events_.signals.empty());
  EXPECT_TRUE(engine_->calls.empty());

  SetLatitudeLine(52);
  ASSERT_TRUE(Draw(-5, 55, 2, 50));
  ASSERT_TRUE(Draw(-6, 54, 1, 51));
  EXPECT_EQ(picture_.lines.size(), 2u);  // drawn again on the new map
  EXPECT_TRUE(host_.visible[1]);

  events_.signals.clear();
  EXPECT_FALSE(Option(1));
  EXPECT_FALSE(server_->mblnLineShown);
  EXPECT_TRUE(picture_.lines.empty());
  EXPECT_FALSE(host_.visible[1]);
  EXPECT_EQ(events_.signals,
            (std::vector<std::string>{"SignalSuspend(true)", "SignalInformation",
                                      "SignalSpecialRedraw(Stratomap V9 Server)"}));
}

}  // namespace
}  // namespace k9::testing
