#include "render/overlay.h"

#include <gtest/gtest.h>

#include "common/cls_ini.h"
#include "support/fake_file_system.h"
#include "overlay_fakes.h"
#include "render/frm_overlay.h"

namespace k9::testing {
namespace {

constexpr char kOverlays[] = "C:\\K9\\Strato Overlays\\";
constexpr char kUnderlays[] = "C:\\K9\\Strato Underlays\\";

class OverlayTest : public ::testing::Test {
 protected:
  OverlayTest() {
    folders_.server_folder = "C:\\K9";
    folders_.base_name = "Kestrel9";
    folders_.overlay_folder = kOverlays;
    folders_.underlay_folder = kUnderlays;
    fs_.AddDirectory(kOverlays);
    fs_.AddDirectory(kUnderlays);
  }

  Ports ports() { return Ports{&fs_, &Registry::Default(), &dialogs_, &system_}; }

  frmOverlay& Chooser(std::string current, bool overlays) {
    form_ = std::make_unique<frmOverlay>(ports(), folders_);
    form_->Form_Load();
    form_->Init(current, overlays);
    return *form_;
  }

  static std::vector<std::string> Names(const frmOverlay& form) {
    std::vector<std::string> names;
    for (const auto& item : form.lstOvl) names.push_back(item.text + (item.checked ? "*" : ""));
    return names;
  }

  FakeFileSystem fs_;
  HeadlessDialogs dialogs_;
  FakeSystem system_{"C:\\K9\\Kestrel9.dll"};
  ServerFolders folders_;
  std::unique_ptr<frmOverlay> form_;
  OverlayRecordingEngine engine_;
  OverlayHostForm host_;
  OverlayState state_;
};

TEST_F(OverlayTest, OverlayChooserListsOvrThenCadFiles) {
  fs_.AddFile(std::string(kOverlays) + "roads.CAD", "");
  fs_.AddFile(std::string(kOverlays) + "zones.ovr", "");
  fs_.AddFile(std::string(kOverlays) + "notes.txt", "");
  frmOverlay& form = Chooser("", true);
  EXPECT_EQ(form.Caption, "Overlays");
  EXPECT_EQ(form.labPrompt, "Check the overlay file you wish to use");
  EXPECT_EQ(Names(form), (std::vector<std::string>{"zones.ovr", "roads.CAD"}));
  // Centred on the 1024 x 768 pixel screen.
  EXPECT_EQ(form.Left, (1024 * 15 - form.Width) / 2);
  EXPECT_EQ(form.Top, (768 * 15 - form.Height) / 2);
}

TEST_F(OverlayTest, UnderlayChooserListsOnlyImagesWithTheirSatFile) {
  fs_.AddFile(std::string(kUnderlays) + "a.bmp", "");
  fs_.AddFile(std::string(kUnderlays) + "a.SAT", "");
  fs_.AddFile(std::string(kUnderlays) + "b.png", "");
  fs_.AddFile(std::string(kUnderlays) + "c.JPG", "");
  fs_.AddFile(std::string(kUnderlays) + "c.sat", "");
  fs_.AddFile(std::string(kUnderlays) + "d.gif", "");
  fs_.AddFile(std::string(kUnderlays) + "d.SAT", "");
  frmOverlay& form = Chooser("", false);
  EXPECT_EQ(form.Caption, "Underlays");
  EXPECT_EQ(form.labPrompt, "Check the underlay you wish to use");
  EXPECT_EQ(Names(form), (std::vector<std::string>{"a.bmp", "d.gif", "c.JPG"}));
}

TEST_F(OverlayTest, EmptyOrMissingFolderListsNothingAndOkGivesNone) {
  folders_.overlay_folder = "C:\\K9\\Nowhere\\";
  frmOverlay& form = Chooser("C:\\K9\\Nowhere\\x.OVR", true);
  EXPECT_TRUE(form.lstOvl.empty());
  form.cmdOk_Click();
  EXPECT_TRUE(form.unloaded());
  EXPECT_EQ(form.strFile(), "");
}

TEST_F(OverlayTest, CurrentFileIsCheckedWhateverItsLetterCase) {
  fs_.AddFile(std::string(kOverlays) + "one.OVR", "");
  fs_.AddFile(std::string(kOverlays) + "two.OVR", "");
  frmOverlay& form = Chooser("c:\\k9\\strato overlays\\TWO.ovr", true);
  EXPECT_EQ(Names(form), (std::vector<std::string>{"one.OVR", "two.OVR*"}));
  form.cmdOk_Click();
  EXPECT_EQ(form.strFile(), std::string(kOverlays) + "two.OVR");
}

TEST_F(OverlayTest, AtMostOneItemIsChecked) {
  for (const char* name : {"1.OVR", "2.OVR", "3.OVR"})
    fs_.AddFile(kOverlays + std::string(name), "");
  frmOverlay& form = Chooser(std::string(kOverlays) + "1.OVR", true);
  form.lstOvl_ItemCheck(1, true);
  EXPECT_EQ(Names(form), (std::vector<std::string>{"1.OVR", "2.OVR*", "3.OVR"}));
  form.lstOvl_ItemCheck(1, false);
  EXPECT_EQ(Names(form), (std::vector<std::string>{"1.OVR", "2.OVR", "3.OVR"}));
  form.lstOvl_ItemCheck(7, true);  // no such item
  form.lstOvl_ItemCheck(2, true);
  form.cmdOk_Click();
  EXPECT_EQ(form.strFile(), std::string(kOverlays) + "3.OVR");
}

TEST_F(OverlayTest, CancelChoosesNothingEvenWithAnItemChecked) {
  fs_.AddFile(std::string(kOverlays) + "one.OVR", "");
  frmOverlay& form = Chooser(std::string(kOverlays) + "one.OVR", true);
  ASSERT_TRUE(form.lstOvl[0].checked);
  form.cmdCancel_Click();
  EXPECT_TRUE(form.unloaded());
  EXPECT_FALSE(form.Accepted());
  EXPECT_EQ(form.strFile(), "");
}

TEST_F(OverlayTest, ChooseOverlayFileRunsTheChooserOnTheView) {
  fs_.AddFile(std::string(kUnderlays) + "a.bmp", "");
  fs_.AddFile(std::string(kUnderlays) + "a.SAT", "");
  ScriptedOverlayView view;
  view.QueueAnswer("A.BMP");
  view.QueueAnswer("");
  view.QueueAnswer(std::nullopt);
  EXPECT_EQ(ChooseOverlayFile(ports(), folders_, view, "", false, 0),
            std::string(kUnderlays) + "a.bmp");
  // OK with the checks Init made keeps the current choice.
  EXPECT_EQ(ChooseOverlayFile(ports(), folders_, view, std::string(kUnderlays) + "a.bmp", false, 0),
            std::string(kUnderlays) + "a.bmp");
  // Cancel keeps the caller's file: the chooser reports no choice at all.
  EXPECT_EQ(ChooseOverlayFile(ports(), folders_, view, std::string(kUnderlays) + "a.bmp", false, 0),
            std::nullopt);
  ASSERT_EQ(view.shown().size(), 3u);
  EXPECT_TRUE(view.shown()[1][0].checked);
}

// A user who presses F1 in the chooser, then cancels.
class HelpPressingView : public frmOverlayView {
 public:
  void ShowModal(frmOverlay& form, std::intptr_t /*owner*/) override {
    answered.push_back(form.Help());
    form.cmdCancel_Click();
  }
  std::vector<bool> answered;
};

TEST_F(OverlayTest, F1InTheChooserAsksItsCallerForHelpAtContext70) {
  HelpPressingView view;
  std::vector<std::uint32_t> contexts;
  EXPECT_EQ(ChooseOverlayFile(ports(), folders_, view, "", true, 0,
                              [&contexts](std::uint32_t context) { contexts.push_back(context); }),
            std::nullopt);
  EXPECT_EQ(contexts, (std::vector<std::uint32_t>{70}));
  // A chooser given no way to open help says so and still runs.
  EXPECT_EQ(ChooseOverlayFile(ports(), folders_, view, "", false, 0), std::nullopt);
  EXPECT_EQ(view.answered, (std::vector<bool>{true, false}));
  EXPECT_EQ(contexts.size(), 1u);
}

TEST_F(OverlayTest, SameOverlayTwiceLoadsOnce) {
  const std::string file = std::string(kOverlays) + "one.OVR";
  fs_.AddFile(file, "");
  state_.ApplyOverlay(file, engine_, &host_, fs_);
  state_.ApplyOverlay(file, engine_, &host_, fs_);
  EXPECT_EQ(engine_.Count("LoadOverlay"), 1);
  EXPECT_TRUE(host_.enabled[kMenuZoomOverlay]);
}

TEST_F(OverlayTest, MissingOverlayPassesNoneAtEveryPaintUntilTheFileAppears) {
  const std::string file = std::string(kOverlays) + "later.OVR";
  for (int paint = 0; paint < 3; ++paint) state_.ApplyOverlay(file, engine_, &host_, fs_);
  EXPECT_EQ(engine_.calls,
            (std::vector<std::string>{"LoadOverlay()", "LoadOverlay()", "LoadOverlay()"}));
  EXPECT_FALSE(host_.enabled[kMenuZoomOverlay]);
  fs_.AddFile(file, "");
  state_.ApplyOverlay(file, engine_, &host_, fs_);
  EXPECT_EQ(engine_.calls.at(3), "LoadOverlay(" + file + ")");
  EXPECT_TRUE(host_.enabled[kMenuZoomOverlay]);
}

TEST_F(OverlayTest, FirstOverlayKeepsTheViewALaterOneZooms) {
  const std::string one = std::string(kOverlays) + "one.OVR";
  const std::string two = std::string(kOverlays) + "two.OVR";
  fs_.AddFile(one, "");
  fs_.AddFile(two, "");
  state_.ApplyOverlay(one, engine_, &host_, fs_);
  EXPECT_EQ(engine_.calls, (std::vector<std::string>{"LoadOverlay(" + one + ")"}));
  state_.ApplyOverlay(two, engine_, &host_, fs_);
  EXPECT_EQ(engine_.calls.back(), "ZoomToOverlay");
  // Clearing the overlay loads "" and does not zoom.
  state_.ApplyOverlay("", engine_, &host_, fs_);
  EXPECT_EQ(engine_.calls.back(), "LoadOverlay()");
  EXPECT_FALSE(host_.enabled[kMenuZoomOverlay]);
}

TEST_F(OverlayTest, OverlaySetAfterAnEmptyFirstPaintStillZooms) {
  // The applied-once flag is set by the first apply step even when it loads nothing.
  state_.ApplyOverlay("", engine_, &host_, fs_);
  EXPECT_TRUE(engine_.calls.empty());
  const std::string one = std::string(kOverlays) + "one.OVR";
  fs_.AddFile(one, "");
  state_.ApplyOverlay(one, engine_, &host_, fs_);
  EXPECT_EQ(engine_.Count("ZoomToOverlay"), 1);
}

TEST_F(OverlayTest, FailedOverlayLoadIsTriedAgainAtTheNextPaint) {
  const std::string one = std::string(kOverlays) + "one.OVR";
  fs_.AddFile(one, "");
  engine_.fail_load_overlay = true;
  EXPECT_ANY_THROW(state_.ApplyOverlay(one, engine_, &host_, fs_));
  EXPECT_EQ(state_.applied_overlay(), "");
  engine_.fail_load_overlay = false;
  state_.ApplyOverlay(one, engine_, &host_, fs_);
  EXPECT_EQ(state_.applied_overlay(), one);
}

TEST_F(OverlayTest, UnderlayIsMadeVisibleBeforeItsFileIsSet) {
  const std::string image = std::string(kUnderlays) + "a.bmp";
  fs_.AddFile(image, "");
  state_.ApplyUnderlay(image, engine_, &host_, fs_);
  state_.ApplyUnderlay(image, engine_, &host_, fs_);
  EXPECT_EQ(engine_.calls,
            (std::vector<std::string>{"UnderlayVisible(true)", "UnderlayFile(" + image + ")"}));
  EXPECT_TRUE(host_.enabled[kMenuZoomUnderlay]);
  state_.ApplyUnderlay(std::string(kUnderlays) + "gone.bmp", engine_, &host_, fs_);
  EXPECT_EQ(engine_.calls.at(2), "UnderlayVisible(false)");
  EXPECT_EQ(engine_.calls.at(3), "UnderlayFile()");
  EXPECT_FALSE(host_.enabled[kMenuZoomUnderlay]);
}

TEST_F(OverlayTest, ZoomUnderlayTakesTheViewFromTheSatFile) {
  const std::string image = std::string(kUnderlays) + "a.bmp";
  fs_.AddFile(std::string(kUnderlays) + "a.SAT", " -1.5, 51.5,1.25 , 51.25\r\nignored\r\n");
  ZoomToUnderlay(image, engine_, fs_);
  EXPECT_EQ(engine_.calls, (std::vector<std::string>{"SetViewCorners(-1.5,51.5,1.25,51.25)"}));
}

TEST_F(OverlayTest, ZoomUnderlayLeavesTheViewWhenTheSatFileIsUnusable) {
  const std::string image = std::string(kUnderlays) + "a.bmp";
  ZoomToUnderlay(image, engine_, fs_);  // no SAT file
  ZoomToUnderlay("", engine_, fs_);
  fs_.AddFile(std::string(kUnderlays) + "a.SAT", "-1.5, 51.5, 1.25\r\n");
  ZoomToUnderlay(image, engine_, fs_);
  fs_.AddFile(std::string(kUnderlays) + "a.SAT", "");
  ZoomToUnderlay(image, engine_, fs_);
  fs_.AddFile(std::string(kUnderlays) + "a.SAT", "1, 2, 3, 4, 5\r\n");
  ZoomToUnderlay(image, engine_, fs_);
  fs_.AddFile(std::string(kUnderlays) + "a.SAT", "1, 2, 3, 1e999\r\n");
  ZoomToUnderlay(image, engine_, fs_);
  fs_.AddFile(std::string(kUnderlays) + "a.SAT", std::string(4 << 20, '7') + ",\r\n");
  ZoomToUnderlay(image, engine_, fs_);
  EXPECT_TRUE(engine_.calls.empty());
}

TEST_F(OverlayTest, EngineSettingsShowTheUnderlayLayerOnlyWhenOneIsSaved) {
  const std::string cfg = "C:\\K9\\Cartex71.Cfg";
  fs_.AddFile(cfg, "[Visible]\r\nOVER=FALSE\r\nROADS=TRUE\r\n[Other]\r\nA=1\r\n");
  PrepareEngineSettings(ports(), folders_);
  clsIni ini(ports());
  EXPECT_EQ(ini.GetIniString("Visible", "OVER", "?", cfg), "TRUE");
  EXPECT_EQ(ini.GetIniString("Visible", "UNDER", "?", cfg), "FALSE");
  EXPECT_EQ(ini.GetIniString("Visible", "ROADS", "?", cfg), "TRUE");  // the engine's own stays
  EXPECT_EQ(ini.GetIniString("Other", "A", "?", cfg), "1");
  // The cfg file kept its spelling.
  EXPECT_EQ(fs_.StoredName("c:\\k9\\cartex71.cfg"), cfg);

  fs_.AddFile("C:\\K9\\Kestrel9.INI", "[SETUP]\r\nUNDERLAY=C:\\K9\\Strato Underlays\\a.bmp\r\n");
  PrepareEngineSettings(ports(), folders_);
  EXPECT_EQ(ini.GetIniString("Visible", "UNDER", "?", cfg), "TRUE");
}

TEST_F(OverlayTest, EngineSettingsPreparationFailsQuietly) {
  fs_.FailAllWrites(true);
  PrepareEngineSettings(ports(), folders_);
  EXPECT_FALSE(fs_.FileExists("C:\\K9\\cartex71.cfg"));
}

}  // namespace
}  // namespace k9::testing
