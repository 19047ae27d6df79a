#include "module/server_object.h"

#include <gtest/gtest.h>

#include <memory>

#include "host/picture_box.h"
#include "platform/dialogs.h"
#include "platform/posix/file_registry.h"
#include "support/fake_engine.h"
#include "support/fake_file_system.h"
#include "support/fake_host.h"
#include "support/fake_system.h"

namespace k9::module {
namespace {

// A ServerObject over a clsMapServ with the recording engine; the engine factory
// can be made to fail.
class ServerObjectTest : public ::testing::Test {
 protected:
  ServerObjectTest() {
    fs_.AddDirectory("/srv/Kestrel9");
    registry_ = NewFileRegistry(::testing::TempDir() + "/k9-server-object.reg");
    Ports ports{&fs_, registry_.get(), &dialogs_, &system_};
    EngineFactory factory = [this](const std::string&) -> std::unique_ptr<MapEngine> {
      if (fail_engine_) throw std::runtime_error("no engine here");
      auto engine = std::make_unique<testing::FakeEngine>();
      engine_ = engine.get();
      return engine;
    };
    object_ = new ServerObject(ServerWiring{ports, factory, {}});
  }
  ~ServerObjectTest() override {
    if (object_ != nullptr) object_->Release();
  }

  CallOutcome Call(const std::string& member, CallKind kind, std::vector<CallValue> args,
                   CallValue* result = nullptr) {
    return object_->Invoke(member, kind, args, result);
  }
  CallOutcome Initialize() {
    return Call(
        "Initialize", CallKind::kMethod,
        {std::string("K1ABC"), static_cast<HostEvents*>(&events_), static_cast<HostForm*>(&form_)});
  }

  testing::FakeFileSystem fs_;
  std::unique_ptr<Registry> registry_;
  HeadlessDialogs dialogs_;
  testing::FakeSystem system_{"/srv/Kestrel9/Kestrel9.so"};
  testing::FakeHostEvents events_;
  testing::FakeHostForm form_;
  testing::FakeEngine* engine_ = nullptr;
  bool fail_engine_ = false;
  ServerObject* object_ = nullptr;
};

TEST_F(ServerObjectTest, UnknownMembersAndWrongArgumentCountsFailWithTheirNumbers) {
  CallOutcome outcome = Call("blnFlying", CallKind::kPropertyGet, {});
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.number, 438);
  outcome = Call("ZoomIn", CallKind::kMethod, {});
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.number, 450);
  // A property get cannot be put.
  outcome = Call("blnControlOk", CallKind::kPropertyPut, {true});
  EXPECT_EQ(outcome.number, 438);
}

TEST_F(ServerObjectTest, MembersAreFoundInAnyCaseAndTextConvertsToTheParameterType) {
  ASSERT_TRUE(Call("BLNMONO", CallKind::kPropertyPut, {std::string("True")}).ok);
  CallValue result;
  ASSERT_TRUE(Call("blnmono", CallKind::kPropertyGet, {}, &result).ok);
  EXPECT_EQ(std::get<bool>(result), true);
  // A late-bound caller may read a property as a method.
  ASSERT_TRUE(Call("blnMono", CallKind::kMethod, {}, &result).ok);
  EXPECT_EQ(std::get<bool>(result), true);

  const CallOutcome bad = Call("blnMono", CallKind::kPropertyPut, {std::string("sometimes")});
  EXPECT_FALSE(bad.ok);
  EXPECT_EQ(bad.number, 13);
  ASSERT_TRUE(Call("varSeaColor", CallKind::kPropertyGet, {}, &result).ok);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(result));
}

TEST_F(ServerObjectTest, OutputsGoBackOnlyIntoArgumentsOfTheParameterType) {
  std::vector<CallValue> args{
      false,         false,      false, false, false, std::string(), std::string("7"),
      std::string(), TextArray{}};
  ASSERT_TRUE(object_->Invoke("GetSupportedFeatures", CallKind::kMethod, args, nullptr).ok);
  EXPECT_EQ(std::get<bool>(args[0]), true);
  EXPECT_EQ(std::get<std::string>(args[5]), "/srv/Kestrel9/Kestrel6.HLP");
  // The help topic was passed as text: the callee worked on a converted copy.
  EXPECT_EQ(std::get<std::string>(args[6]), "7");
  EXPECT_EQ(std::get<std::string>(args[7]), "Kestrel9");
  EXPECT_EQ(std::get<TextArray>(args[8]).items.size(), 4u);
}

TEST_F(ServerObjectTest, AFailingEngineIsAFailedCallNotAnException) {
  fail_engine_ = true;
  const CallOutcome outcome = Initialize();
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.description, "no engine here");
  CallValue result;
  ASSERT_TRUE(Call("blnControlOk", CallKind::kPropertyGet, {}, &result).ok);
  EXPECT_EQ(std::get<bool>(result), true) << "Initialize had got as far as step 7";
}

TEST_F(ServerObjectTest, DrawingNeedsAPictureBoxAndPaintsIntoIt) {
  ASSERT_TRUE(Initialize().ok);
  CallValue result;
  CallOutcome outcome = Call("DrawMapFromCorners", CallKind::kMethod,
                             {std::string("not a picture"), -107.0, 37.0, -93.0, 25.5}, &result);
  EXPECT_EQ(outcome.number, 13);
  host::RasterPictureBox picture(64, 48);
  outcome =
      Call("DrawMapFromCorners", CallKind::kMethod,
           {static_cast<PictureBox*>(&picture), std::string("-107"), 37.0, -93.0, 25.5}, &result);
  ASSERT_TRUE(outcome.ok) << outcome.description;
  EXPECT_EQ(std::get<bool>(result), true);
  EXPECT_EQ(picture.ScaleMode(), host::kScalePixels);
  ASSERT_EQ(events_.informations().size(), 1u);
  EXPECT_EQ(engine_->CallsStartingWith("SetViewCorners").size(), 1u);
}

TEST_F(ServerObjectTest, LiveObjectsCountsUntilRelease) {
  const int before = LiveObjects();
  ServerObject* second =
      new ServerObject(ServerWiring{Ports{&fs_, registry_.get(), &dialogs_, &system_}, {}, {}});
  EXPECT_EQ(LiveObjects(), before + 1);
  second->Release();
  EXPECT_EQ(LiveObjects(), before);
}

}  // namespace
}  // namespace k9::module
