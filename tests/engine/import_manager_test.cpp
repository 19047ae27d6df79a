#include "engine/import_manager.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "engine/reference_engine.h"
#include "fake_import_backend.h"

namespace k9::engine {
namespace {

using testing::AnsweringDialogs;
using testing::FakeImportBackend;

// The model with a way to wait for the worker's notifications, as a window's
// message loop would receive them.
class ImportManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    model_ = std::make_unique<ImportManagerModel>(backend_, dialogs_, "C:\\Kestrel9\\Kestrel9.chm");
    model_->SetNotify([this](bool ended) {
      std::lock_guard<std::mutex> lock(mutex_);
      ++notes_;
      ended_ = ended_ || ended;
      changed_.notify_all();
    });
  }
  void TearDown() override { model_.reset(); }
  // Waits until the worker said at least `notes` times that something changed.
  void WaitForNotes(int notes) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return notes_ >= notes; });
  }
  void WaitForEnd() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return ended_; });
    ended_ = false;
  }

  FakeImportBackend backend_;
  AnsweringDialogs dialogs_;
  std::unique_ptr<ImportManagerModel> model_;
  std::mutex mutex_;
  std::condition_variable changed_;
  int notes_ = 0;
  bool ended_ = false;
};

TEST(ImportManagerFormat, AreasSizesAndProgressReadAsTheListAndStatusLineShowThem) {
  EXPECT_EQ(FormatAreaBox({-76.7123, 39.2, -76.5289, 39.3719}), "-76.71..-76.53, 39.20..39.37");
  EXPECT_EQ(FormatSize(12900000), "12.3 MB");
  EXPECT_EQ(FormatSize(10), "0.1 MB");
  EXPECT_EQ(FormatSize(0), "0.0 MB");
  streets::ImportProgress progress{5 << 20, 20 << 20, 1234567, "Reading ways", 90};
  EXPECT_EQ(FormatProgress(progress),
            "Reading ways: 5.0 of 20.0 MB, 1,234,567 objects, about 2 min left");
  progress = {3 << 20, 0, 12, "", -1};
  EXPECT_EQ(FormatProgress(progress), "Importing: 3.0 MB, 12 objects");
}

TEST_F(ImportManagerTest, AnImportChosenInTheDialogRunsWithProgressAndListsTheNewArea) {
  backend_.hold = true;
  dialogs_.QueueFileAnswer("/data/baltimore.osm.pbf");
  ASSERT_TRUE(model_->Import(42));
  EXPECT_NE(dialogs_.file_requests().back().filter.find(K9_EXTRACT_PATTERNS), std::string::npos);
  EXPECT_NE(dialogs_.file_requests().back().filter.find("*.gpx;*.kml;*.kmz;*.geojson;*.json"),
            std::string::npos);
  EXPECT_EQ(dialogs_.file_requests().back().owner, 42);
  WaitForNotes(1);
  EXPECT_TRUE(model_->Running());
  EXPECT_TRUE(model_->Cancellable());
  EXPECT_FALSE(model_->Start("/data/other.osm.pbf"));  // one import at a time
  EXPECT_EQ(model_->Status().percent, 25);
  EXPECT_EQ(model_->Status().text,
            "Reading ways: 5.0 of 20.0 MB, 1,234,567 objects, about 2 min left");

  backend_.Release();
  WaitForEnd();
  EXPECT_FALSE(model_->Finish(42));
  ASSERT_EQ(model_->Rows().size(), 1u);
  EXPECT_EQ(model_->Rows()[0].name, "baltimore");
  EXPECT_EQ(model_->Rows()[0].area, "-76.71..-76.53, 39.20..39.37");
  EXPECT_EQ(model_->Rows()[0].imported, "2026-12-09 01:30");
  EXPECT_EQ(model_->Rows()[0].size, "12.3 MB");
  EXPECT_EQ(model_->Status().text, "Imported baltimore: 20,312 streets and 96,004 addresses.");
  EXPECT_TRUE(dialogs_.shown.empty());  // success needs no message box
}

TEST_F(ImportManagerTest, ACancelledImportSaysSoAndChangesNothing) {
  backend_.hold = true;
  ASSERT_TRUE(model_->Start("/data/maryland.osm.pbf"));
  WaitForNotes(1);
  model_->Cancel();
  WaitForEnd();
  EXPECT_FALSE(model_->Finish(0));
  EXPECT_TRUE(model_->Rows().empty());
  EXPECT_EQ(model_->Status().text,
            "The import of maryland.osm.pbf was cancelled; the street data is as it was.");
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(ImportManagerTest, AFailedImportTellsItsReasonInOneSentenceAlsoWhenTheImporterThrows) {
  backend_.fail_with = "baltimore.osm.pbf is truncated at byte 1048576";
  ASSERT_TRUE(model_->Start("/data/baltimore.osm.pbf"));
  WaitForEnd();
  model_->Finish(0);
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].text, "baltimore.osm.pbf is truncated at byte 1048576.");
  EXPECT_EQ(model_->Status().text, dialogs_.shown[0].text);

  backend_.throw_instead = true;
  backend_.fail_with = "the disk is full.";
  ASSERT_TRUE(model_->Start("/data/baltimore.osm.pbf"));
  WaitForEnd();
  model_->Finish(0);
  EXPECT_EQ(model_->Status().text, "The import of baltimore.osm.pbf failed: the disk is full.");
  EXPECT_TRUE(model_->Rows().empty());
}

TEST_F(ImportManagerTest, RemoveAsksFirstAndRemovesOnlyOnYes) {
  backend_.areas.push_back({"maryland", {-79.5, 37.9, -75.0, 39.7}, "2026-12-01 10:00", 1 << 20});
  model_->Refresh();
  dialogs_.answers = {7};  // No
  EXPECT_FALSE(model_->Remove(0, 0));
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_NE(dialogs_.shown[0].text.find("Remove the street data of maryland?"), std::string::npos);
  EXPECT_EQ(model_->Rows().size(), 1u);

  dialogs_.answers = {kIdYes};
  EXPECT_TRUE(model_->Remove(0, 0));
  EXPECT_EQ(backend_.removed, std::vector<std::string>{"maryland"});
  EXPECT_TRUE(model_->Rows().empty());
  EXPECT_EQ(model_->Status().text, "Removed maryland.");
  EXPECT_FALSE(model_->Remove(0, 0));  // no such row any more: nothing asked
  EXPECT_EQ(dialogs_.shown.size(), 2u);
}

TEST_F(ImportManagerTest, AnOverlayInTheWayIsReplacedOnlyWhenTheUserSaysSo) {
  backend_.overlays = {"track.OVR"};
  dialogs_.answers = {7};  // No
  ASSERT_TRUE(model_->Start("/data/track.gpx"));
  EXPECT_FALSE(model_->Cancellable());
  WaitForEnd();
  EXPECT_FALSE(model_->Finish(0));
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].text,
            "The overlay track.OVR already exists. Replace it with track.gpx?");
  EXPECT_EQ(model_->Status().text, "Nothing was imported: track.OVR is kept as it was.");
  EXPECT_FALSE(backend_.replaced);

  dialogs_.answers = {kIdYes};
  ASSERT_TRUE(model_->Start("/data/track.gpx"));
  WaitForEnd();
  EXPECT_TRUE(model_->Finish(0));  // Yes starts it again, replacing
  WaitForEnd();
  EXPECT_FALSE(model_->Finish(0));
  EXPECT_TRUE(backend_.replaced);
  EXPECT_EQ(model_->Status().text, "Imported track.gpx as the overlay track.OVR.");
}

TEST_F(ImportManagerTest, F1OpensTheImportManagersHelpPage) {
  model_->Help(7);
  ASSERT_EQ(dialogs_.help.size(), 1u);
  EXPECT_EQ(dialogs_.help[0].file, "C:\\Kestrel9\\Kestrel9.chm");
  EXPECT_EQ(dialogs_.help[0].data, kImportManagerHelpContext);
}

TEST(EngineImportManager, HeadlessItTellsWhatIsImportedAndHowToImportInOneMessage) {
  AnsweringDialogs dialogs;
  auto manager = MakeImportManager(
      &dialogs,
      [] {
        auto made = std::make_unique<FakeImportBackend>();
        made->areas.push_back(
            {"baltimore", {-76.71, 39.2, -76.53, 39.37}, "2026-12-09 01:30", 12900000});
        return made;
      },
      nullptr);
  manager->Show();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].caption, "Import Manager");
  for (const char* named : {"baltimore  (-76.71..-76.53, 39.20..39.37), imported 2026-12-09 01:30, "
                            "12.3 MB",
                            "k9-engine-import FILE", "Import Manager"}) {
    EXPECT_NE(dialogs.shown[0].text.find(named), std::string::npos) << named;
  }

  // The reference engine's own, over a build without the importer, lists none.
  dialogs.shown.clear();
  ReferenceEngine engine(FileSystem::Default(), &dialogs);
  engine.ImportManager()->Show();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_NE(dialogs.shown[0].text.find("k9-engine-import"), std::string::npos);
}

}  // namespace
}  // namespace k9::engine
