// The search dialog as a user meets it: search types and their text rules, key
// filters, the Find sequence and its messages, the refinement of "Place, ST",
// item data, Go To, the stored search type, and closing.
#include "search/frm_search.h"

#include <gtest/gtest.h>

#include <memory>

#include "search/search_driver.h"
#include "search/search_runner.h"
#include "search/search_text.h"
#include "search_fakes.h"
#include "server/find_types.h"
#include "server/server_folders.h"
#include "support/fake_file_system.h"

namespace k9 {
namespace {

using testing::FakeFileSystem;
using testing::FakeSystem;
using testing::SearchEngine;
using Items = std::vector<std::string>;

constexpr char kIni[] = "/srv/k9/Kestrel9.INI";

// One ZoomToFind call.
struct Zoom {
  std::string title;
  double lon, lat;
  bool is_place;
  double lon2, lat2, line;
  bool line_is_lat;
};

// Stands in for the server: answers Find with the real lookups (or with scripted
// matches) and records ZoomToFind.
class ServerStandIn : public SearchDialogEvents {
 public:
  ServerStandIn(FakeFileSystem& fs, const Ports& ports) : ports_(ports) {
    (void)fs;
    folders_.server_folder = "/srv/k9";
  }
  void Find(std::string& strP, std::int16_t& intFindType) override {
    finds.push_back(strP + "|" + std::to_string(intFindType));
    if (scripted) {
      scripted(strP);
      return;
    }
    SearchContext context{engine, nullptr, folders_, ports_};
    lookups.Find(context, *dialog, strP, intFindType);
  }
  void ZoomToFind(std::string& strTitle, double& dblLong, double& dblLat, bool& blnIsPlace,
                  double& dblLong2, double& dblLat2, double& dblL, bool& blnLIsLat) override {
    zooms.push_back({strTitle, dblLong, dblLat, blnIsPlace, dblLong2, dblLat2, dblL, blnLIsLat});
    if (on_zoom) on_zoom();
    if (fail_zoom) throw std::runtime_error("no picture box");
  }
  void ImUnloading() override { ++unloads; }

  SearchDialog* dialog = nullptr;
  SearchEngine engine;
  SearchLookups lookups;
  std::function<void(const std::string&)> scripted;
  std::function<void()> on_zoom;
  std::vector<std::string> finds;
  std::vector<Zoom> zooms;
  bool fail_zoom = false;
  int unloads = 0;

 private:
  Ports ports_;
  ServerFolders folders_;
};

class FrmSearchTest : public ::testing::Test {
 protected:
  FrmSearchTest() {
    fs_.AddFile("/srv/k9/statell.dat",
                "TN\tTennessee\t-90\t-81\t34\t36\r\nTX\tTexas\t-106\t-93\t25\t36\r\n");
    fs_.AddFile("/srv/k9/countyll.dat",
                "Harris\tGA\t-85\t-84\t32\t33\r\nHarris\tTX\t-96\t-95\t29\t30\r\n");
    fs_.AddFile("/srv/k9/milemark.dat", "TX20,EW,90,97.5,110,96.5\r\n");
    dialogs_.SetMessageSink([this](const HeadlessDialogs::Message& m) {
      messages_.push_back(m.caption + ": " + m.text);
    });
  }
  // Creates and shows the dialog, as the server's first "Search" does.
  frmSearch& Open() {
    auto view = std::make_unique<HeadlessSearchView>();
    view_ = view.get();
    form_ = std::make_unique<frmSearch>(server_, ports_, std::move(view));
    server_.dialog = form_.get();
    form_->Show(0x1234);
    driver_ = std::make_unique<SearchDialogDriver>(*form_);
    return *form_;
  }
  // Types `text` into a dialog of type `type` and presses Find.
  void Search(std::int16_t type, const std::string& text) {
    driver_->ChooseType(type);
    driver_->Type(text);
    driver_->ClickFind();
  }
  std::optional<std::string> Ini() { return fs_.Contents(kIni); }

  FakeFileSystem fs_;
  FakeSystem system_{"/srv/k9/Kestrel9.so"};
  HeadlessDialogs dialogs_;
  Ports ports_{&fs_, nullptr, &dialogs_, &system_};
  std::vector<std::string> messages_;
  ServerStandIn server_{fs_, ports_};
  HeadlessSearchView* view_ = nullptr;
  std::unique_ptr<frmSearch> form_;
  std::unique_ptr<SearchDialogDriver> driver_;
};

TEST_F(FrmSearchTest, OpensWithItsControlsAndTheStoredSearchType) {
  fs_.AddFile(kIni, "[SETUP]\r\nSEARCH_TYPE=4\r\n");
  frmSearch& form = Open();
  EXPECT_STREQ(frmSearch::kCaption, "Kestrel Search");
  EXPECT_EQ(frmSearch::kHelpContextId, 40);
  EXPECT_TRUE(form.Visible());
  EXPECT_EQ(form.Owner(), 0x1234);
  EXPECT_EQ(form.SearchType(), FIND_COUNTY);
  EXPECT_TRUE(form.optType()[4].value);
  EXPECT_FALSE(form.optType()[0].value);
  EXPECT_EQ(form.optType()[5].caption, "Mile Marker");
  EXPECT_EQ(form.labPrompt(),
            "Input County, State Abbreviation, separated by a comma. State Abbreviation can be "
            "omitted.");
  EXPECT_EQ(form.txtFind().max_length, 80);
  EXPECT_FALSE(form.cmdFind().enabled);
  EXPECT_FALSE(form.cmdOk().enabled);
  EXPECT_EQ(form.cmdFind().caption, "&Find");
  EXPECT_EQ(form.cmdOk().caption, "&Go To");
  EXPECT_EQ(form.cmdCancel().caption, "&Close");
  EXPECT_EQ(form.ResultLblCaption(), "");
  EXPECT_EQ(form.Focus(), frmSearch::Control::txtFind);
  EXPECT_GT(view_->sync_count(), 0);
}

TEST_F(FrmSearchTest, AStoredSearchTypeOutsideZeroToFiveOpensAsAddress) {
  for (const char* stored : {"6", "-1", "abc", "", "5.5", "99999", "3x"}) {
    SCOPED_TRACE(stored);
    form_.reset();  // the old dialog saves its type as it ends
    fs_.AddFile(kIni, std::string("[SETUP]\r\nSEARCH_TYPE=") + stored + "\r\n");
    EXPECT_EQ(Open().SearchType(), FIND_ADDRESS);
    EXPECT_TRUE(form_->optType()[0].value);
  }
  form_.reset();
  fs_.AddFile(kIni, "[SETUP]\r\nSEARCH_TYPE= 4.5 \r\n");  // a half rounds to even
  EXPECT_EQ(Open().SearchType(), FIND_COUNTY);
}

TEST_F(FrmSearchTest, SwitchingTypeSetsPromptAndLimitAndAdaptsTheText) {
  frmSearch& form = Open();
  driver_->Type("Austin");
  driver_->ChooseType(FIND_PHONE);
  EXPECT_EQ(driver_->Text(), "");
  EXPECT_EQ(form.labPrompt(), "Input the area code and the next three digits.");
  EXPECT_EQ(form.txtFind().max_length, 6);
  EXPECT_FALSE(form.cmdFind().enabled);

  form.SetFindText("5125");
  driver_->ChooseType(FIND_ADDRESS);
  driver_->ChooseType(FIND_PHONE);
  EXPECT_EQ(driver_->Text(), "5125");
  form.SetFindText("51255512");
  driver_->ChooseType(FIND_PHONE);
  EXPECT_EQ(driver_->Text(), "");

  form.SetFindText("n0call-9");
  driver_->ChooseType(FIND_CALLSIGN);
  EXPECT_EQ(driver_->Text(), "N0CALL-9");
  EXPECT_EQ(form.txtFind().max_length, 9);
  form.SetFindText("n0call-910");
  driver_->ChooseType(FIND_CALLSIGN);
  EXPECT_EQ(driver_->Text(), "");

  form.SetFindText("Harris, TX");
  driver_->ChooseType(FIND_COUNTY);
  EXPECT_EQ(driver_->Text(), "Harris, TX");
  driver_->ChooseType(FIND_STATE);
  EXPECT_EQ(driver_->Text(), "");
  EXPECT_EQ(form.txtFind().max_length, 25);

  for (const char* kept : {"TX,20,100", "TX,20,"}) {
    form.SetFindText(kept);
    driver_->ChooseType(FIND_MILEMARKER);
    EXPECT_EQ(driver_->Text(), kept);
  }
  form.SetFindText("TX, 20, 100");
  driver_->ChooseType(FIND_MILEMARKER);
  EXPECT_EQ(driver_->Text(), "");
  EXPECT_EQ(form.txtFind().max_length, 40);
  EXPECT_EQ(form.labPrompt(),
            "Input State, Interstate Number, Mile Marker Number, separated by commas. E.g. "
            "TX,20,100");

  // A text longer than the new limit goes, even when the type keeps it otherwise.
  form.SetFindText(std::string(30, 'a'));
  driver_->ChooseType(FIND_STATE);
  EXPECT_EQ(driver_->Text(), "");
  // The focus moves to the text, which is selected whole.
  form.SetFindText("Texas");
  driver_->ChooseType(FIND_STATE);
  EXPECT_EQ(form.Focus(), frmSearch::Control::txtFind);
  EXPECT_EQ(form.txtFind().sel_start, 0);
  EXPECT_EQ(form.txtFind().sel_length, 5);
}

TEST_F(FrmSearchTest, KeyFiltersOfPhoneAndCallsignAndTheTextLimit) {
  Open();
  driver_->ChooseType(FIND_PHONE);
  driver_->Type("5a1-2 55\b5x");
  EXPECT_EQ(driver_->Text(), "51255");
  driver_->ChooseType(FIND_CALLSIGN);
  driver_->Type("n0call-9zz");
  EXPECT_EQ(driver_->Text(), "N0CALL-9Z");  // 9 characters at most
  driver_->ChooseType(FIND_ADDRESS);
  driver_->Type("main St");
  EXPECT_EQ(driver_->Text(), "main St");

  EXPECT_EQ(IsDigitKey('7'), '7');
  EXPECT_EQ(IsDigitKey(8), 8);
  EXPECT_EQ(IsDigitKey(13), 13);
  EXPECT_EQ(IsDigitKey(14), 0);
  EXPECT_EQ(IsDigitKey('-'), 0);
  EXPECT_EQ(UpperCaseKey('q'), 'Q');
  EXPECT_EQ(UpperCaseKey('-'), '-');
  EXPECT_EQ(UpperCaseKey(0xE9), 0xE9);
}

TEST_F(FrmSearchTest, FindIsEnabledOnlyForTextAndEnterInAnEmptyBoxDoesNothing) {
  frmSearch& form = Open();
  driver_->Type("   ");
  EXPECT_FALSE(form.cmdFind().enabled);
  driver_->PressKey(13);
  EXPECT_EQ(driver_->Text(), "   ");  // no line break inserted
  EXPECT_TRUE(server_.finds.empty());
  driver_->Type(" TX ");
  EXPECT_TRUE(form.cmdFind().enabled);
  driver_->ChooseType(FIND_STATE);
  driver_->PressKey(13);
  EXPECT_EQ(server_.finds, Items{"TX|3"});  // trimmed
  EXPECT_EQ(driver_->Text(), " TX ");
}

TEST_F(FrmSearchTest, LeadingWildcardsAndMalformedMileMarkersAreRefusedWithAMessage) {
  frmSearch& form = Open();
  Search(FIND_STATE, "TX");
  ASSERT_EQ(driver_->Items(), Items{"Texas"});
  Search(FIND_ADDRESS, "*Main");
  Search(FIND_ADDRESS, " ?ain");
  driver_->ChooseType(FIND_MILEMARKER);
  form.SetFindText("TX,20,1a");
  driver_->ClickFind();
  EXPECT_EQ(
      messages_,
      (Items{"Strato9 server for Harrier32: The first character of the search text cannot "
             "be a wildcard.",
             "Strato9 server for Harrier32: The first character of the search text cannot "
             "be a wildcard.",
             "Strato9 server for Harrier32: That format is incorrect, please read the help."}));
  EXPECT_EQ(server_.finds, Items{"TX|3"});
  EXPECT_EQ(driver_->Items(), Items{"Texas"});  // the list keeps what it had
  EXPECT_EQ(form.Focus(), frmSearch::Control::txtFind);
  EXPECT_EQ(form.MousePointer(), frmSearch::kDefaultPointer);

  Search(FIND_ADDRESS, "Ma*n");
  EXPECT_EQ(server_.finds.back(), "Ma*n|0");
}

TEST_F(FrmSearchTest, ASearchWithMatchesSelectsTheFirstAndEnablesGoTo) {
  frmSearch& form = Open();
  Search(FIND_STATE, "T");
  EXPECT_EQ(driver_->Items(), (Items{"Tennessee", "Texas"}));
  EXPECT_EQ(form.lstFind().list_index, 0);
  EXPECT_TRUE(form.lstFind().enabled);
  EXPECT_TRUE(form.cmdOk().enabled);
  EXPECT_EQ(form.Focus(), frmSearch::Control::lstFind);
  EXPECT_EQ(form.MousePointer(), frmSearch::kDefaultPointer);
  EXPECT_EQ(form.ResultLblCaption(), "...");
  EXPECT_EQ(form.Results().size(), 2u);
}

TEST_F(FrmSearchTest, ASearchWithoutMatchesShowsNothingFoundDisabled) {
  frmSearch& form = Open();
  Search(FIND_STATE, "T");
  Search(FIND_STATE, "Q");
  EXPECT_EQ(driver_->Items(), Items{"Nothing found."});
  EXPECT_FALSE(form.lstFind().enabled);
  EXPECT_FALSE(form.cmdOk().enabled);
  EXPECT_TRUE(form.Results().empty());
  EXPECT_FALSE(driver_->Select(0));
  form.cmdOk_Click();
  EXPECT_TRUE(server_.zooms.empty());
  // The next search enables the list again.
  Search(FIND_STATE, "TX");
  EXPECT_TRUE(form.lstFind().enabled);
}

TEST_F(FrmSearchTest, OneMatchForPlaceCommaStateTakesThePositionOfTheSameTextFoundWithoutState) {
  frmSearch& form = Open();
  server_.scripted = [this](const std::string& query) {
    std::string text = "Austin, TX";
    if (query == "Austin, TX") {
      double lon = -97.0, lat = 30.0, zero = 0;
      bool place = true, no = false;
      form_->AddToList(text, lon, lat, place, zero, zero, zero, no);
    } else {
      std::string other = "Austin, MN";
      double lon1 = -92.9, lat1 = 43.6, lon2 = -97.74, lat2 = 30.27, zero = 0;
      bool place = true, no = false;
      form_->AddToList(other, lon1, lat1, place, zero, zero, zero, no);
      form_->AddToList(text, lon2, lat2, place, zero, zero, zero, no);
    }
  };
  Search(FIND_ADDRESS, "Austin, TX");
  EXPECT_EQ(server_.finds, (Items{"Austin, TX|0", "Austin|0"}));
  EXPECT_EQ(driver_->Items(), Items{"Austin, TX"});  // the second search lists nothing
  ASSERT_EQ(form.Results().size(), 1u);
  EXPECT_DOUBLE_EQ(form.Results()[0].dblLong, -97.74);
  EXPECT_DOUBLE_EQ(form.Results()[0].dblLat, 30.27);
  EXPECT_TRUE(form.CollectMode());
  EXPECT_EQ(form.lstFind().items[0].item_data, 9999999);

  // The next search switches collect mode off again.
  server_.scripted = nullptr;
  Search(FIND_STATE, "TX");
  EXPECT_FALSE(form.CollectMode());
}

TEST_F(FrmSearchTest, NoRefinementForTwoMatchesForALongStatePartOrWithoutASameTextMatch) {
  frmSearch& form = Open();
  Search(FIND_COUNTY, "Harris");
  Search(FIND_COUNTY, "Harris, Texas");
  EXPECT_EQ(server_.finds, (Items{"Harris|4", "Harris, Texas|4"}));
  // "Harris, TX" finds one county; the search for "Harris" lists "Harris, GA" and
  // "Harris, TX", and the one with the same text gives the same position.
  Search(FIND_COUNTY, "Harris, TX");
  EXPECT_EQ(server_.finds.back(), "Harris|4");
  EXPECT_DOUBLE_EQ(form.Results()[0].dblLong, -96.02);
  // No same-text match: the first position stands.
  server_.scripted = [this](const std::string& query) {
    std::string text = query == "Austin, TX" ? "Austin, TX" : "Austin city, TX";
    double lon = query == "Austin, TX" ? -97.0 : -1.0, lat = 30.0, zero = 0;
    bool no = false;
    form_->AddToList(text, lon, lat, no, zero, zero, zero, no);
  };
  Search(FIND_ADDRESS, "Austin, TX");
  EXPECT_DOUBLE_EQ(form.Results()[0].dblLong, -97.0);
}

TEST_F(FrmSearchTest, ItemDataMarksPlacesAndGoToDecodesIt) {
  EXPECT_EQ(EncodeItemData(0, false), 0);
  EXPECT_EQ(EncodeItemData(0, true), 9999999);
  EXPECT_EQ(EncodeItemData(2, true), -2);
  EXPECT_EQ(EncodeItemData(2, false), 2);
  EXPECT_EQ(DecodeItemData(9999999).index, 0);
  EXPECT_TRUE(DecodeItemData(9999999).is_place);
  EXPECT_EQ(DecodeItemData(-2).index, 2);
  EXPECT_TRUE(DecodeItemData(-2).is_place);
  EXPECT_FALSE(DecodeItemData(0).is_place);

  frmSearch& form = Open();
  server_.scripted = [this](const std::string&) {
    const bool places[] = {true, false, true};
    for (int i = 0; i < 3; ++i) {
      std::string text = "m" + std::to_string(i);
      double lon = -90 - i, lat = 30 + i, lon2 = 0, lat2 = 0, line = 0;
      bool place = places[i], lislat = false;
      form_->AddToList(text, lon, lat, place, lon2, lat2, line, lislat);
    }
  };
  Search(FIND_ADDRESS, "m");
  EXPECT_EQ(form.lstFind().items[0].item_data, 9999999);
  EXPECT_EQ(form.lstFind().items[1].item_data, 1);
  EXPECT_EQ(form.lstFind().items[2].item_data, -2);

  driver_->ClickGoTo();
  driver_->Select(2);
  driver_->DoubleClickList();
  driver_->Select(1);
  driver_->PressEnterInList();
  ASSERT_EQ(server_.zooms.size(), 3u);
  EXPECT_EQ(server_.zooms[0].title, "m0");
  EXPECT_TRUE(server_.zooms[0].is_place);
  EXPECT_DOUBLE_EQ(server_.zooms[0].lon, -90);
  EXPECT_EQ(server_.zooms[1].title, "m2");
  EXPECT_TRUE(server_.zooms[1].is_place);
  EXPECT_DOUBLE_EQ(server_.zooms[1].lat, 32);
  EXPECT_EQ(server_.zooms[2].title, "m1");
  EXPECT_FALSE(server_.zooms[2].is_place);
  EXPECT_TRUE(form.Visible());  // the dialog stays open for another choice
}

TEST_F(FrmSearchTest, GoToHandsOverTheBoxAndTheMileMarkerLine) {
  Open();
  Search(FIND_MILEMARKER, "TX,20,100");
  ASSERT_EQ(driver_->Items(), Items{"TX, IS-20, Mile marker 100"});
  driver_->ClickGoTo();
  ASSERT_EQ(server_.zooms.size(), 1u);
  const Zoom& z = server_.zooms[0];
  EXPECT_DOUBLE_EQ(z.lon, -103.5);
  EXPECT_DOUBLE_EQ(z.lat, 36);
  EXPECT_DOUBLE_EQ(z.lon2, -90.5);
  EXPECT_DOUBLE_EQ(z.lat2, 25);
  EXPECT_DOUBLE_EQ(z.line, -97);
  EXPECT_FALSE(z.line_is_lat);
  EXPECT_FALSE(z.is_place);
}

TEST_F(FrmSearchTest, AFailingGoToLeavesTheDialogUsable) {
  frmSearch& form = Open();
  Search(FIND_STATE, "TX");
  server_.fail_zoom = true;
  driver_->ClickGoTo();
  EXPECT_EQ(server_.zooms.size(), 1u);
  EXPECT_EQ(form.MousePointer(), frmSearch::kDefaultPointer);
  EXPECT_TRUE(form.cmdOk().enabled);
}

// A host may let the server go from inside its callback; the server then destroys
// the dialog while the dialog's own handler is still running. The handler must
// stop there (the sanitizer build catches any use of the freed dialog).
TEST_F(FrmSearchTest, AServerThatEndsDuringFindOrGoToEndsTheDialogSafely) {
  Open();
  server_.scripted = [this](const std::string&) { form_.reset(); };
  Search(FIND_STATE, "TX");
  EXPECT_EQ(form_, nullptr);
  EXPECT_EQ(server_.finds.size(), 1u);

  Open();
  server_.scripted = nullptr;
  Search(FIND_STATE, "TX");
  server_.on_zoom = [this] { form_.reset(); };
  driver_->ClickGoTo();
  EXPECT_EQ(form_, nullptr);
  EXPECT_EQ(server_.zooms.size(), 1u);
}

TEST_F(FrmSearchTest, CloseEscAndTheCloseBoxHideAndSaveTheTypeAndReopenAsLeft) {
  frmSearch& form = Open();
  Search(FIND_STATE, "TX");
  driver_->ClickClose();
  EXPECT_FALSE(form.Visible());
  EXPECT_NE(Ini()->find("SEARCH_TYPE=3"), std::string::npos);
  EXPECT_FALSE(driver_->ClickFind());  // a hidden dialog takes no clicks

  form.Show(0x1234);
  driver_->ChooseType(FIND_COUNTY);
  driver_->PressEsc();
  EXPECT_FALSE(form.Visible());
  EXPECT_NE(Ini()->find("SEARCH_TYPE=4"), std::string::npos);

  form.Show(0x1234);
  driver_->ChooseType(FIND_STATE);
  EXPECT_TRUE(form.CloseBox());  // the close request is cancelled
  EXPECT_FALSE(form.Visible());
  EXPECT_TRUE(form.Loaded());
  EXPECT_NE(Ini()->find("SEARCH_TYPE=3"), std::string::npos);
  EXPECT_EQ(server_.unloads, 0);

  // Shown again: no reload, the last query and results are there.
  fs_.AddFile(kIni, "[SETUP]\r\nSEARCH_TYPE=5\r\n");
  form.Show(0x1234);
  EXPECT_EQ(form.SearchType(), FIND_STATE);
  EXPECT_EQ(driver_->Text(), "TX");
  EXPECT_EQ(driver_->Items(), Items{"Texas"});
}

TEST_F(FrmSearchTest, UnloadSavesRaisesImUnloadingAndTheEndSavesAgain) {
  frmSearch& form = Open();
  driver_->ChooseType(FIND_CALLSIGN);
  form.Unload();
  EXPECT_EQ(server_.unloads, 1);
  EXPECT_TRUE(view_->destroyed());
  EXPECT_FALSE(form.Loaded());
  EXPECT_NE(Ini()->find("SEARCH_TYPE=2"), std::string::npos);
  fs_.AddFile(kIni, "");
  form_.reset();
  EXPECT_NE(Ini()->find("SEARCH_TYPE=2"), std::string::npos);
}

TEST_F(FrmSearchTest, AFailingSearchShowsWhatItFoundOrNothingFound) {
  Open();
  server_.scripted = [](const std::string&) { throw std::runtime_error("engine gone"); };
  Search(FIND_ADDRESS, "Main");
  EXPECT_EQ(driver_->Items(), Items{"Nothing found."});
  EXPECT_EQ(form_->MousePointer(), frmSearch::kDefaultPointer);
}

TEST_F(FrmSearchTest, AutomationWorksTheDialogAndSaysWhatStoppedIt) {
  EXPECT_EQ(AutomateSearchFind(nullptr, FIND_STATE, "TX"), "the search dialog is not open");
  Open();
  EXPECT_EQ(AutomateSearchFind(form_.get(), FIND_STATE, "TX"), "");
  EXPECT_EQ(SearchListTexts(form_.get()), Items{"Texas"});
  EXPECT_EQ(SearchResultCaption(form_.get()), "...");
  EXPECT_EQ(AutomateSearchGoTo(form_.get(), 1), "there is no match 2");
  EXPECT_EQ(AutomateSearchGoTo(form_.get(), 0), "");
  EXPECT_EQ(server_.zooms.size(), 1u);
  EXPECT_EQ(AutomateSearchFind(form_.get(), 7, "TX"), "there is no search type 7");
  EXPECT_EQ(AutomateSearchFind(form_.get(), FIND_PHONE, "abc"),
            "Find is disabled: the query is empty");
  driver_->ClickClose();
  EXPECT_EQ(AutomateSearchFind(form_.get(), FIND_STATE, "TX"), "the search dialog is hidden");
}

TEST(SearchQuery, MileMarkerFormatAndStateQualification) {
  EXPECT_TRUE(IsMileMarkerFormat("TX,20,100"));
  EXPECT_TRUE(IsMileMarkerFormat("TX,20,"));
  EXPECT_TRUE(IsMileMarkerFormat("Te xas,35E,0"));
  EXPECT_FALSE(IsMileMarkerFormat("TX, 20, 100"));
  EXPECT_FALSE(IsMileMarkerFormat("TX,20,100,1"));
  EXPECT_FALSE(IsMileMarkerFormat("TX,20"));
  EXPECT_FALSE(IsMileMarkerFormat("TX,20,1.5"));
  EXPECT_TRUE(IsAllDigits(""));
  EXPECT_FALSE(IsAllDigits("1 2"));

  EXPECT_TRUE(SplitStateQualified("Austin, TX").qualified);
  EXPECT_EQ(SplitStateQualified("Austin , TX ").first_part, "Austin ");
  EXPECT_FALSE(SplitStateQualified("Austin, Texas").qualified);
  EXPECT_FALSE(SplitStateQualified("Austin, TX, 78701").qualified);
  EXPECT_FALSE(SplitStateQualified("Austin").qualified);
}

}  // namespace
}  // namespace k9
