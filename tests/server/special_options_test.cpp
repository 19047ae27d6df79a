#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "server/server_fixture.h"

namespace k9::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A search dialog that records what the server does with it.
class RecordingDialog : public SearchDialog {
 public:
  explicit RecordingDialog(std::vector<std::string>* log) : log_(log) {}
  std::int16_t WindowState() override { return state; }
  void WindowState(std::int16_t value) override {
    log_->push_back("dialog.WindowState=" + std::to_string(value));
    state = value;
  }
  void Show(std::intptr_t owner) override {
    log_->push_back("dialog.Show(" + std::to_string(owner) + ")");
  }
  int Width() override { return 6000; }
  int Height() override { return 4000; }
  void Move(int left, int top) override {
    log_->push_back("dialog.Move(" + std::to_string(left) + "," + std::to_string(top) + ")");
  }
  void Unload() override { log_->push_back("dialog.Unload"); }
  void AddToList(std::string& text, double&, double&, bool&, double&, double&, double&,
                 bool&) override {
    log_->push_back("dialog.AddToList(" + text + ")");
  }
  void ResultLbl(const std::string& caption) override {
    log_->push_back("dialog.ResultLbl(" + caption + ")");
  }
  std::int16_t state = 0;

 private:
  std::vector<std::string>* log_;
};

class RecordingRunner : public SearchRunner {
 public:
  void Find(SearchContext&, SearchDialog& dialog, std::string& strP,
            std::int16_t intFindType) override {
    std::string text = strP + "/" + std::to_string(intFindType);
    double d = 0;
    bool b = false;
    dialog.AddToList(text, d, d, b, d, d, d, b);
  }
  void EngineFoundItem(SearchContext&, SearchDialog& dialog, std::string& strL) override {
    std::string text = "engine:" + strL;
    double d = 0;
    bool b = false;
    dialog.AddToList(text, d, d, b, d, d, d, b);
  }
};

class SpecialOptionsTest : public ServerTest {
 protected:
  ServerParts SearchParts() {
    ServerParts parts;
    parts.search_dialog = [this](SearchDialogEvents& events) {
      dialog_events_ = &events;
      auto dialog = std::make_unique<RecordingDialog>(&log_);
      dialog_ = dialog.get();
      ++dialogs_made_;
      return dialog;
    };
    parts.search = std::make_shared<RecordingRunner>();
    return parts;
  }
  void Draw(clsMapServ& server) {
    double x1 = -110, y1 = 50, x2 = -90, y2 = 35;
    server.DrawMapFromCorners(picture_, x1, y1, x2, y2);
  }
  // Goes to a match as the dialog's ZoomToFind does.
  void ZoomToFind(std::string title, double x, double y, bool place, double x2, double y2,
                  double line, bool line_is_lat) {
    dialog_events_->ZoomToFind(title, x, y, place, x2, y2, line, line_is_lat);
  }

  SearchDialogEvents* dialog_events_ = nullptr;
  RecordingDialog* dialog_ = nullptr;
  int dialogs_made_ = 0;
};

TEST_F(SpecialOptionsTest, OutOfRangeOrBeforeInitializeDoesNothing) {
  {
    clsMapServ& server = Server(SearchParts());
    std::int16_t index = 0;
    EXPECT_FALSE(server.SpecialMenuOption(picture_, index));
    EXPECT_EQ(dialogs_made_, 0);
    Release();
  }
  log_.clear();
  clsMapServ& server = InitializedServer(SearchParts());
  for (std::int16_t index : {std::int16_t{-1}, std::int16_t{4}, std::int16_t{-32768}}) {
    EXPECT_FALSE(server.SpecialMenuOption(picture_, index));
  }
  EXPECT_THAT(log_, IsEmpty());
  EXPECT_EQ(server.RememberedPicture(), nullptr);
}

TEST_F(SpecialOptionsTest, SearchOpensOneDialogCentredAndRestoresItWhenMinimised) {
  clsMapServ& server = InitializedServer(SearchParts());
  std::int16_t index = 0;
  EXPECT_FALSE(server.SpecialMenuOption(picture_, index));
  EXPECT_EQ(server.RememberedPicture(), &picture_);
  EXPECT_THAT(log_, ElementsAre("dialog.Show(4660)", "dialog.Move(4680,3760)"));

  log_.clear();
  dialog_->state = 1;
  EXPECT_FALSE(server.SpecialMenuOption(picture_, index));
  EXPECT_EQ(dialogs_made_, 1);
  EXPECT_THAT(log_,
              ElementsAre("dialog.WindowState=0", "dialog.Show(4660)", "dialog.Move(4680,3760)"));
  EXPECT_EQ(server.SearchDialogForm(), dialog_);
}

TEST_F(SpecialOptionsTest, SearchWithoutTheSearchPartFails) {
  clsMapServ& server = InitializedServer();
  std::int16_t index = 0;
  EXPECT_ANY_THROW(server.SpecialMenuOption(picture_, index));
}

TEST_F(SpecialOptionsTest, FindRunsTheSearchAndEngineItemsOnlyForAddressSearches) {
  clsMapServ& server = InitializedServer(SearchParts());
  std::int16_t index = 0;
  server.SpecialMenuOption(picture_, index);
  log_.clear();

  std::string query = "60601";
  std::int16_t type = FIND_ADDRESS;
  dialog_events_->Find(query, type);
  engine().RaiseFoundItem("1 Main St");
  type = FIND_STATE;
  dialog_events_->Find(query, type);
  engine().RaiseFoundItem("ignored");
  EXPECT_EQ(server.LastFindType(), FIND_STATE);
  EXPECT_THAT(log_, ElementsAre("dialog.AddToList(60601/0)", "engine.FoundText?",
                                "dialog.AddToList(engine:1 Main St)", "dialog.AddToList(60601/3)",
                                "engine.FoundText?"));
}

TEST_F(SpecialOptionsTest, ZoomToAPointSetsTheZoomLevelAndCentres) {
  clsMapServ& server = InitializedServer(SearchParts());
  std::int16_t index = 0;
  server.SpecialMenuOption(picture_, index);
  log_.clear();

  ZoomToFind("Springfield", -89.6, 39.8, true, 0, 0, 0, false);
  EXPECT_THAT(engine().CallsStartingWith("ZoomLevel"), ElementsAre("ZoomLevel=12"));
  EXPECT_THAT(engine().CallsStartingWith("CentreView"), ElementsAre("CentreView(-89.6,39.8)"));
  EXPECT_THAT(events_.calls().front(), "SignalSuspend(true)");
  EXPECT_THAT(events_.calls().back(), "SignalSpecialRedraw(Springfield)");
  EXPECT_EQ(events_.informations().size(), 1u);

  engine().ClearCalls();
  ZoomToFind("1 Main St", -87, 41, false, 0, 0, 0, false);
  EXPECT_THAT(engine().CallsStartingWith("ZoomLevel"), ElementsAre("ZoomLevel=15"));
}

TEST_F(SpecialOptionsTest, AMileMarkerMatchLeavesALineUntilItIsHidden) {
  struct LineLayers : MapLayers {
    int drawn = 0;
    void PrepareEngineSettingsFile(clsMapServ&) override {}
    void ApplyOverlay(clsMapServ&) override {}
    void ApplyUnderlay(clsMapServ&) override {}
    void ZoomUnderlay(clsMapServ&) override {}
    void DrawMileMarkerLine(clsMapServ&, PictureBox&) override { ++drawn; }
  };
  ServerParts parts = SearchParts();
  auto layers = std::make_shared<LineLayers>();
  parts.layers = layers;
  clsMapServ& server = InitializedServer(std::move(parts));
  std::int16_t index = 0;
  server.SpecialMenuOption(picture_, index);

  ZoomToFind("I-80 MM 100", -90, 42, false, -89, 41, 41.5, true);
  EXPECT_THAT(engine().CallsStartingWith("SetViewCorners"),
              ElementsAre("SetViewCorners(-90,42,-89,41)"));
  EXPECT_TRUE(server.mblnLineShown);
  EXPECT_TRUE(server.mblnLineIsLat);
  EXPECT_EQ(server.mdblLine, 41.5);
  EXPECT_EQ(layers->drawn, 1);

  // A rectangle without a line keeps the old line.
  ZoomToFind("Box", -91, 43, false, -88, 40, 0, false);
  EXPECT_EQ(server.mdblLine, 41.5);
  EXPECT_EQ(layers->drawn, 2);

  events_.ClearCalls();
  index = 1;
  EXPECT_FALSE(server.SpecialMenuOption(picture_, index));
  EXPECT_FALSE(server.mblnLineShown);
  EXPECT_EQ(layers->drawn, 2);
  EXPECT_FALSE(form_.entry(1).visible);
  EXPECT_EQ(events_.calls().front(), "SignalSuspend(true)");
  EXPECT_EQ(events_.calls().back(), "SignalSpecialRedraw(Stratomap V9 Server)");

  // Hiding again, with no line shown, does nothing at all.
  events_.ClearCalls();
  engine().ClearCalls();
  EXPECT_FALSE(server.SpecialMenuOption(picture_, index));
  EXPECT_THAT(events_.calls(), IsEmpty());
  EXPECT_THAT(engine().calls(), IsEmpty());
}

TEST_F(SpecialOptionsTest, ZoomOptionsRepaintWithSuspendAndNoSpecialRedraw) {
  struct ZoomLayers : MapLayers {
    int zooms = 0;
    void PrepareEngineSettingsFile(clsMapServ&) override {}
    void ApplyOverlay(clsMapServ&) override {}
    void ApplyUnderlay(clsMapServ&) override {}
    void ZoomUnderlay(clsMapServ&) override { ++zooms; }
    void DrawMileMarkerLine(clsMapServ&, PictureBox&) override {}
  };
  ServerParts parts;
  auto layers = std::make_shared<ZoomLayers>();
  parts.layers = layers;
  clsMapServ& server = InitializedServer(std::move(parts));

  std::int16_t index = 2;
  EXPECT_TRUE(server.SpecialMenuOption(picture_, index));
  EXPECT_EQ(layers->zooms, 1);
  EXPECT_EQ(server.RememberedPicture(), &picture_);
  index = 3;
  EXPECT_TRUE(server.SpecialMenuOption(picture_, index));
  EXPECT_THAT(engine().CallsStartingWith("ZoomToOverlay"), ElementsAre("ZoomToOverlay()"));
  EXPECT_THAT(
      events_.calls(),
      ElementsAre("SignalSuspend(true)", "SignalInformation(-118,-78,54,24,Stratomap V9 Server)",
                  "SignalSuspend(true)", "SignalInformation(-118,-78,54,24,Stratomap V9 Server)"));
}

TEST_F(SpecialOptionsTest, ReleaseUnloadsTheSearchDialogEvenWhenTheEngineFails) {
  InitializedServer(SearchParts());
  std::int16_t index = 0;
  Server().SpecialMenuOption(picture_, index);
  engine().FailOn("SaveConfig");
  log_.clear();
  Release();
  EXPECT_EQ(log_.back(), "dialog.Unload");
}

}  // namespace
}  // namespace k9::testing
