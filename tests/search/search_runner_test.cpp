// The server's side of a search: dispatch by type, and how the engine's and the
// host's answers become matches.
#include "search/search_runner.h"

#include <gtest/gtest.h>

#include "search/search_text.h"
#include "search_fakes.h"
#include "server/find_types.h"
#include "server/server_folders.h"
#include "support/fake_file_system.h"

namespace k9 {
namespace {

using testing::CallsignHost;
using testing::FakeFileSystem;
using testing::FakeSystem;
using testing::Match;
using testing::RecordingDialog;
using testing::SearchEngine;

class SearchRunnerTest : public ::testing::Test {
 protected:
  SearchRunnerTest() {
    folders_.server_folder = "/srv/k9";
    fs_.AddFile("/srv/k9/statell.dat", "TX\tTexas\t-106\t-93\t25\t36\r\n");
    fs_.AddFile("/srv/k9/countyll.dat", "Harris\tTX\t-96\t-95\t29\t30\r\n");
    fs_.AddFile("/srv/k9/milemark.dat", "TX20,EW,90,97.5,110,96.5\r\n");
  }
  void Find(const std::string& query, std::int16_t type) {
    SearchContext context{engine_, &host_, folders_, ports_};
    std::string text = query;
    lookups_.Find(context, dialog_, text, type);
  }

  FakeFileSystem fs_;
  FakeSystem system_{"/srv/k9/Kestrel9.so"};
  Ports ports_{&fs_, nullptr, nullptr, &system_};
  ServerFolders folders_;
  SearchEngine engine_;
  CallsignHost host_;
  RecordingDialog dialog_;
  SearchLookups lookups_;
};

TEST_F(SearchRunnerTest, EachTypeGoesToItsSourceAndWritesTheResultLabel) {
  engine_.address_records = {"MAIN ST\tAUSTIN\t100\tTX\t78701\t\t-97.74,30.27"};
  // The engine's notifications reach the lookups through the server, as they would.
  engine_.on_found_item = [&] {
    SearchContext context{engine_, &host_, folders_, ports_};
    std::string record = engine_.FoundText();
    lookups_.EngineFoundItem(context, dialog_, record);
  };
  Find("100 Main St, Austin", FIND_ADDRESS);
  EXPECT_EQ(dialog_.captions, (std::vector<std::string>{"...", "Searching....", "1"}));
  EXPECT_EQ(engine_.calls().back(), "FindAddress(100 Main St, Austin)");
  EXPECT_EQ(lookups_.mintLastFindType(), FIND_ADDRESS);

  host_.callsign_answer = "N0CALL-1,-97.5,30.2";
  Find("N0CALL-1", FIND_CALLSIGN);
  Find("TX", FIND_STATE);
  Find("Harris", FIND_COUNTY);
  Find("TX,20,100", FIND_MILEMARKER);
  Find("anything", 9);
  std::vector<std::string> titles;
  for (const Match& m : dialog_.matches) titles.push_back(m.text);
  EXPECT_EQ(titles, (std::vector<std::string>{"100 Main St, Austin, TX, 78701", "N0CALL-1", "Texas",
                                              "Harris, TX", "TX, IS-20, Mile marker 100"}));
  EXPECT_EQ(dialog_.captions.back(), "...");
  EXPECT_EQ(host_.calls, std::vector<std::string>{"SignalCallsignData N0CALL-1"});
}

TEST_F(SearchRunnerTest, EngineNotificationsCountOnlyDuringAnAddressSearch) {
  std::string record = "MAIN ST\tAUSTIN\t100\tTX\t78701\t\t-97.74,30.27";
  SearchContext context{engine_, &host_, folders_, ports_};
  lookups_.EngineFoundItem(context, dialog_, record);  // before any search
  Find("TX", FIND_STATE);
  lookups_.EngineFoundItem(context, dialog_, record);
  EXPECT_EQ(dialog_.matches.size(), 1u);  // Texas only
  Find("Main", FIND_ADDRESS);
  lookups_.EngineFoundItem(context, dialog_, record);
  EXPECT_EQ(dialog_.matches.size(), 2u);
}

TEST_F(SearchRunnerTest, PhoneAnswerMustBeginWithTheTypedDigits) {
  engine_.phone_answer = "512555\tAUSTIN\tTRAVIS\tTX\t-97.74\t30.27";
  Find("512555", FIND_PHONE);
  Find("512", FIND_PHONE);
  Find("713555", FIND_PHONE);
  ASSERT_EQ(dialog_.matches.size(), 2u);
  const Match& m = dialog_.matches[0];
  EXPECT_EQ(m.text, "512555, Austin, Travis, TX");
  EXPECT_DOUBLE_EQ(m.lon, -97.74);
  EXPECT_DOUBLE_EQ(m.lat, 30.27);
  EXPECT_TRUE(m.is_place);
  EXPECT_EQ(m.lon2, 0);
  EXPECT_EQ(engine_.calls().back(), "FindPhone(713555)");
}

TEST_F(SearchRunnerTest, FailingEngineOrHostEndsTheSearchQuietly) {
  engine_.FailOn("FindAddress");
  engine_.FailOn("FindPhone");
  Find("Main", FIND_ADDRESS);
  Find("512555", FIND_PHONE);
  host_.fail = true;
  Find("N0CALL", FIND_CALLSIGN);
  EXPECT_TRUE(dialog_.matches.empty());
  EXPECT_EQ(dialog_.captions, (std::vector<std::string>{"...", "Searching....", "...", "..."}));
  // Before Initialize there is no host: a callsign search finds nothing.
  SearchContext context{engine_, nullptr, folders_, ports_};
  std::string query = "N0CALL";
  lookups_.Find(context, dialog_, query, FIND_CALLSIGN);
  EXPECT_TRUE(dialog_.matches.empty());
}

TEST(AddressResult, TitleAndPlaceFlagFollowTheRecordFields) {
  RecordingDialog dialog;
  AddAddressResult(dialog, "MAIN ST\tAUSTIN\t100\tTX\t78701\t\t-97.74,30.27");
  AddAddressResult(dialog, "\tAUSTIN\t\tTX\t\tx\t-97.7,30.2");  // a town
  AddAddressResult(dialog, "\t\t100\t\t\t\t1,2");               // only a house number
  AddAddressResult(dialog, "\t\t\t\t78701\t\t-97.7,30.2");      // only a ZIP
  AddAddressResult(dialog, "O'NEIL-SMITH RD\tSAN MARCOS\t\t\t\t\t3,4");
  ASSERT_EQ(dialog.matches.size(), 5u);
  EXPECT_EQ(dialog.matches[0].text, "100 Main St, Austin, TX, 78701");
  EXPECT_FALSE(dialog.matches[0].is_place);
  EXPECT_DOUBLE_EQ(dialog.matches[0].lon, -97.74);
  EXPECT_DOUBLE_EQ(dialog.matches[0].lat, 30.27);
  EXPECT_EQ(dialog.matches[1].text, "Austin, TX");
  EXPECT_TRUE(dialog.matches[1].is_place);
  EXPECT_EQ(dialog.matches[2].text, "100 ");  // the blank before the missing street stays
  EXPECT_FALSE(dialog.matches[2].is_place);
  EXPECT_EQ(dialog.matches[3].text, "78701");
  EXPECT_TRUE(dialog.matches[3].is_place);
  EXPECT_EQ(dialog.matches[4].text, "O'neil-smith Rd, San Marcos");
}

TEST(AddressResult, RecordsWithoutSevenFieldsOrAPositionCommaAddNothing) {
  RecordingDialog dialog;
  AddAddressResult(dialog, "MAIN ST\tAUSTIN\t100\tTX\t78701\t-97.74,30.27");
  AddAddressResult(dialog, "MAIN ST\tAUSTIN\t100\tTX\t78701\t\t-97.74 30.27");
  AddAddressResult(dialog, "");
  EXPECT_TRUE(dialog.matches.empty());
}

TEST(PhoneResult, NeedsSixFields) {
  RecordingDialog dialog;
  AddPhoneResult(dialog, "512555\tAUSTIN\tTRAVIS\tTX\t-97.74");
  EXPECT_TRUE(dialog.matches.empty());
}

TEST(CallsignResults, EntriesOfThreePartsBecomeMatchesInOrderAndOthersAreSkipped) {
  RecordingDialog dialog;
  AddCallsignResults(dialog, "N0CALL-1,-97.5,30.2\tBAD");
  ASSERT_EQ(dialog.matches.size(), 1u);
  EXPECT_EQ(dialog.matches[0].text, "N0CALL-1");
  EXPECT_DOUBLE_EQ(dialog.matches[0].lon, -97.5);
  EXPECT_DOUBLE_EQ(dialog.matches[0].lat, 30.2);
  EXPECT_FALSE(dialog.matches[0].is_place);
  AddCallsignResults(dialog, "b,1,2\ta,3,4,5\tc,x,y\t");
  ASSERT_EQ(dialog.matches.size(), 3u);
  EXPECT_EQ(dialog.matches[1].text, "b");
  EXPECT_EQ(dialog.matches[2].text, "c");
  EXPECT_EQ(dialog.matches[2].lon, 0);
}

TEST(ProperCase, UpperCasesTheFirstLetterAndEachLetterAfterABlank) {
  EXPECT_EQ(ProperCase("MAIN ST, AUSTIN"), "Main St, Austin");
  EXPECT_EQ(ProperCase("o'neil-SMITH  rd"), "O'neil-smith  Rd");
  EXPECT_EQ(ProperCase(" x"), " X");
  EXPECT_EQ(ProperCase(""), "");
  EXPECT_EQ(ProperCase("100 MAIN"), "100 Main");
  // Accented letters (Windows-1252) change case too.
  EXPECT_EQ(ProperCase("A\xD1"
                       "ASCO \xC9LAN \x9E"
                       "ABA"),
            "A\xF1"
            "asco \xC9lan \x8E"
            "aba");
}

}  // namespace
}  // namespace k9
