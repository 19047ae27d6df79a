#include "server/frm_strato.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/fake_engine.h"

namespace k9::testing {
namespace {

using ::testing::ElementsAre;

struct RecordingEvents : frmStrato::Events {
  std::vector<std::string> seen;
  void Find(std::string& text) override { seen.push_back("Find(" + text + ")"); }
  void FindPlace(std::string& text) override { seen.push_back("FindPlace(" + text + ")"); }
  void PaintBefore(DeviceContext dc) override {
    seen.push_back("PaintBefore " + std::to_string(dc));
  }
  void DirectBefore(DeviceContext dc) override {
    seen.push_back("DirectBefore " + std::to_string(dc));
  }
  void Direct(DeviceContext dc) override { seen.push_back("Direct " + std::to_string(dc)); }
};

class FrmStratoTest : public ::testing::Test {
 protected:
  EngineFactory Factory() {
    return [this](const std::string&) {
      auto engine = std::make_unique<FakeEngine>();
      engine_ = engine.get();
      ++made_;
      return engine;
    };
  }
  FakeEngine* engine_ = nullptr;
  int made_ = 0;
  RecordingEvents events_;
};

TEST_F(FrmStratoTest, LoadsOnFirstUseWithTheStartValuesAndOption149) {
  frmStrato form(Factory(), &events_);
  EXPECT_FALSE(form.Loaded());
  form.Strato();
  form.Strato();
  EXPECT_EQ(made_, 1);
  EXPECT_THAT(engine_->calls(), ElementsAre("PutMember(149,6)"));
  EXPECT_EQ(engine_->start_values().size(), frmStrato::StartValues().size());
  EXPECT_EQ(engine_->start_values().at("Load_Rail"), EngineValue{false});
  EXPECT_EQ(engine_->start_values().at("Kms"), EngineValue{804.66});
  EXPECT_EQ(engine_->start_values().at("UnderlayStyle"), EngineValue{std::string("UndUser")});
}

TEST_F(FrmStratoTest, PassesTheEngineNotificationsOnAsItsEvents) {
  frmStrato form(Factory(), &events_);
  form.Load();
  engine_->RaiseFoundItem("1 Main St");
  MapEngineEvents* notifications = engine_->events();
  ASSERT_NE(notifications, nullptr);
  notifications->PaintBefore(7);
  notifications->DirectBefore(8);
  notifications->Direct(9);
  EXPECT_THAT(events_.seen,
              ElementsAre("Find(1 Main St)", "PaintBefore 7", "DirectBefore 8", "Direct 9"));
}

TEST_F(FrmStratoTest, AnEngineThatCannotBeMadeLeavesTheFormUnloaded) {
  frmStrato form([](const std::string&) { return std::unique_ptr<MapEngine>(); }, &events_);
  EXPECT_ANY_THROW(form.Load());
  EXPECT_FALSE(form.Loaded());
  EXPECT_ANY_THROW(form.Show());
  EXPECT_FALSE(form.Visible());
}

TEST_F(FrmStratoTest, TheEnginesWindowFollowsTheFormOnceItHasASize) {
  frmStrato form(
      [this](const std::string& id) {
        auto engine = Factory()(id);
        static_cast<FakeEngine&>(*engine).set_has_form_window(true);
        return engine;
      },
      &events_);
  form.Left(100);  // no size yet: the window keeps its own
  form.Load();
  form.Width(200);
  form.Height(200);
  form.Top(300);
  form.Show();
  form.Hide();
  EXPECT_THAT(engine_->calls(), ElementsAre("PutMember(149,6)", "Window.Place(100,0,200,200)",
                                            "Window.Place(100,300,200,200)", "Window.Show(true)",
                                            "Window.Show(false)"));
}

TEST_F(FrmStratoTest, ShowHideAndUnload) {
  frmStrato form(Factory(), &events_);
  form.Show();
  EXPECT_TRUE(form.Visible());
  form.Hide();
  EXPECT_FALSE(form.Visible());
  form.Show();
  form.Unload();
  EXPECT_FALSE(form.Loaded());
  EXPECT_FALSE(form.Visible());
  form.Unload();
}

}  // namespace
}  // namespace k9::testing
