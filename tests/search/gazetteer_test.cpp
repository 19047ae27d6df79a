// State, county and mile-marker lookups over small gazetteer files, and what
// damaged files do.
#include "search/gazetteer.h"

#include <gtest/gtest.h>

#include <string>

#include "support/fake_file_system.h"
#include "search_fakes.h"

namespace k9 {
namespace {

using testing::FakeFileSystem;
using testing::Match;
using testing::RecordingDialog;

constexpr char kFolder[] = "/srv/k9";

const char kStates[] =
    "TN\tTennessee\t-90.3\t-81.6\t34.9\t36.7\r\n"
    "TX\tTexas\t-106.6\t-93.5\t25.8\t36.5\r\n"
    "UT\tUtah\t-114.1\t-109.0\t36.9\t42.0\r\n";

const char kCounties[] =
    "Harris\tGA\t-85.2\t-84.7\t32.6\t32.9\r\n"
    "Harris\tTX\t-95.96\t-94.91\t29.50\t30.17\r\n"
    "Harrison\tMS\t-89.3\t-88.9\t30.2\t30.7\r\n"
    "Hays\tTX\t-98.3\t-97.7\t29.8\t30.4\r\n"
    "Travis\tTX\t-98.2\t-97.4\t30.0\t30.6\r\n";

class GazetteerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs_.AddFile("/srv/k9/statell.dat", kStates);
    fs_.AddFile("/srv/k9/countyll.dat", kCounties);
    fs_.AddFile("/srv/k9/milemark.dat", "TX20,EW,90,97.5,110,96.5\r\n");
  }
  std::vector<std::string> StateNames(const std::string& query) {
    std::vector<std::string> names;
    GazetteerList list = gazetteer_.LoadStates(query);
    EXPECT_FALSE(list.empty());
    for (std::size_t i = 1; i < list.size(); ++i) names.push_back(list[i].name);
    return names;
  }
  std::vector<std::string> Titles(const RecordingDialog& dialog) {
    std::vector<std::string> titles;
    for (const Match& m : dialog.matches) titles.push_back(m.text);
    return titles;
  }

  FakeFileSystem fs_;
  Gazetteer gazetteer_{fs_, kFolder};
};

using Names = std::vector<std::string>;

TEST_F(GazetteerTest, StateSearchMatchesAbbreviationOrNamePrefixAndExactAbbreviationWinsAlone) {
  EXPECT_EQ(StateNames("TX"), Names{"Texas"});
  EXPECT_EQ(StateNames("tx"), Names{"Texas"});
  EXPECT_EQ(StateNames("T"), (Names{"Tennessee", "Texas"}));
  EXPECT_EQ(StateNames("Tex"), Names{"Texas"});
  EXPECT_EQ(StateNames("Te"), (Names{"Tennessee", "Texas"}));
  EXPECT_EQ(StateNames("Utah"), Names{"Utah"});
  EXPECT_EQ(StateNames("Q"), Names{});
}

TEST_F(GazetteerTest, StateEntryIsTakenFromTheLineAsWritten) {
  GazetteerList list = gazetteer_.LoadStates("texas");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].name, "");
  EXPECT_EQ(list[1].name, "Texas");
  EXPECT_EQ(list[1].code, "TX");
  EXPECT_DOUBLE_EQ(list[1].west, -106.6);
  EXPECT_DOUBLE_EQ(list[1].east, -93.5);
  EXPECT_DOUBLE_EQ(list[1].south, 25.8);
  EXPECT_DOUBLE_EQ(list[1].north, 36.5);
}

TEST_F(GazetteerTest, StateAndCountyBoxesAreWidenedByOneFiftiethOnEverySide) {
  fs_.AddFile("/srv/k9/statell.dat", "BX\tBox\t-100\t-90\t30\t40\r\n");
  fs_.AddFile("/srv/k9/countyll.dat", "Box\tBX\t-100\t-90\t30\t40\r\n");
  RecordingDialog dialog;
  gazetteer_.FindState("BX", dialog);
  gazetteer_.FindCounty("Box", dialog);
  ASSERT_EQ(dialog.matches.size(), 2u);
  EXPECT_EQ(dialog.matches[0].text, "Box");
  EXPECT_EQ(dialog.matches[1].text, "Box, BX");
  for (const Match& m : dialog.matches) {
    EXPECT_DOUBLE_EQ(m.lon, -100.2);
    EXPECT_DOUBLE_EQ(m.lat, 40.2);
    EXPECT_DOUBLE_EQ(m.lon2, -89.8);
    EXPECT_DOUBLE_EQ(m.lat2, 29.8);
    EXPECT_FALSE(m.is_place);
    EXPECT_EQ(m.line, 0);
  }
}

TEST_F(GazetteerTest, CountySearchTakesANamePrefixAndAnExactStateAbbreviation) {
  RecordingDialog all, texas, spelled, spaced;
  gazetteer_.FindCounty("Harris", all);
  gazetteer_.FindCounty("Harris, TX", texas);
  gazetteer_.FindCounty("Harris, Texas", spelled);
  gazetteer_.FindCounty("harris ,tx", spaced);
  EXPECT_EQ(Titles(all), (Names{"Harris, GA", "Harris, TX", "Harrison, MS"}));
  EXPECT_EQ(Titles(texas), Names{"Harris, TX"});
  EXPECT_EQ(Titles(spelled), Names{});
  EXPECT_EQ(Titles(spaced), Names{"Harris, TX"});
}

TEST_F(GazetteerTest, MileMarkerOnAnEastWestSegmentGivesALongitudeLineAndTheTitle) {
  RecordingDialog dialog;
  gazetteer_.FindMileMarker("TX,20,100", dialog);
  ASSERT_EQ(dialog.matches.size(), 1u);
  const Match& m = dialog.matches[0];
  EXPECT_EQ(m.text, "TX, IS-20, Mile marker 100");
  EXPECT_DOUBLE_EQ(m.line, -97.0);
  EXPECT_FALSE(m.line_is_lat);
  // Texas's box (13.1 degrees wide), unwidened, centred on the line.
  EXPECT_NEAR(m.lon, -97.0 - 6.55, 1e-9);
  EXPECT_NEAR(m.lon2, -97.0 + 6.55, 1e-9);
  EXPECT_DOUBLE_EQ(m.lat, 36.5);
  EXPECT_DOUBLE_EQ(m.lat2, 25.8);
  EXPECT_FALSE(m.is_place);
}

TEST_F(GazetteerTest, MileMarkerOnANorthSouthSegmentGivesALatitudeLine) {
  const MileMarkerFind find = LookUpMileMarkerIn("TX20,NS,90,97.5,110,96.5\r\n", "TX", "20", "100");
  EXPECT_TRUE(find.found);
  EXPECT_TRUE(find.line_is_lat);
  EXPECT_DOUBLE_EQ(find.line, 97.0);
}

TEST_F(GazetteerTest, BothSegmentEndsCountAndEitherMarkerMayComeFirst) {
  const char forward[] = "TX20,EW,90,97.5,110,96.5";
  const char backward[] = "TX20,EW,110,96.5,90,97.5";
  for (const char* file : {forward, backward}) {
    SCOPED_TRACE(file);
    EXPECT_DOUBLE_EQ(LookUpMileMarkerIn(file, "TX", "20", "90").line, -97.5);
    EXPECT_DOUBLE_EQ(LookUpMileMarkerIn(file, "TX", "20", "110").line, -96.5);
    EXPECT_DOUBLE_EQ(LookUpMileMarkerIn(file, "TX", "20", "100").line, -97.0);
    EXPECT_FALSE(LookUpMileMarkerIn(file, "TX", "20", "89").found);
    EXPECT_FALSE(LookUpMileMarkerIn(file, "TX", "20", "111").found);
  }
}

TEST_F(GazetteerTest, MileMarkerLookupKeepsToItsStateAndInterstate) {
  const char file[] =
      "OK35,NS,0,33.7,236,37.0\n"
      "TX10,EW,0,106.6,880,93.7\n"
      "TX20,EW,0,103.8,636,94.0\n"
      "TX35E,NS,0,32.0,97,33.0\n"
      "UT15,NS,0,37.0,400,42.0\n";
  EXPECT_DOUBLE_EQ(LookUpMileMarkerIn(file, "TX", "20", "0").line, -103.8);
  EXPECT_DOUBLE_EQ(LookUpMileMarkerIn(file, "TX", "35E", "0").line, 32.0);
  EXPECT_FALSE(LookUpMileMarkerIn(file, "TX", "35", "0").found);
  EXPECT_FALSE(LookUpMileMarkerIn(file, "TX", "15", "0").found);
  EXPECT_FALSE(LookUpMileMarkerIn(file, "OK", "20", "0").found);
}

TEST_F(GazetteerTest, MileMarkerStateMayBeNamedByPrefixAndLetteredRoutesGetNoPrefix) {
  fs_.AddFile("/srv/k9/milemark.dat",
              "TN40,EW,0,90.1,455,81.7\r\nTX20,EW,90,97.5,110,96.5\r\nTX35E,NS,0,32.0,97,33.0\r\n");
  RecordingDialog t, lettered;
  gazetteer_.FindMileMarker("t, 20 ,100", t);
  gazetteer_.FindMileMarker("texas,35e,10", lettered);
  EXPECT_EQ(Titles(t), Names{"TX, IS-20, Mile marker 100"});
  EXPECT_EQ(Titles(lettered), Names{"TX, 35E, Mile marker 10"});
}

TEST(CentreBoxOnLine, KeepsTheBoxSizeAndCapsAtThePolesAndTheAntimeridian) {
  GazetteerEntry box{"", "", -100, -90, 40, 30};
  CentreBoxOnLine(box, -50, false);
  EXPECT_DOUBLE_EQ(box.west, -55);
  EXPECT_DOUBLE_EQ(box.east, -45);
  EXPECT_DOUBLE_EQ(box.north, 40);
  CentreBoxOnLine(box, 88, true);
  EXPECT_DOUBLE_EQ(box.north, 90);
  EXPECT_DOUBLE_EQ(box.south, 83);
  CentreBoxOnLine(box, 178, false);
  EXPECT_DOUBLE_EQ(box.east, 180);
  EXPECT_DOUBLE_EQ(box.west, 173);
  CentreBoxOnLine(box, -89, true);
  EXPECT_DOUBLE_EQ(box.south, -90);
  CentreBoxOnLine(box, -179, false);
  EXPECT_DOUBLE_EQ(box.west, -180);
}

// Damaged and unusual files.

TEST_F(GazetteerTest, MissingFilesFindNothing) {
  FakeFileSystem empty;
  Gazetteer none(empty, kFolder);
  RecordingDialog dialog;
  none.FindState("TX", dialog);
  none.FindCounty("Harris", dialog);
  none.FindMileMarker("TX,20,100", dialog);
  EXPECT_TRUE(dialog.matches.empty());
  EXPECT_EQ(none.LoadStates("TX").size(), 1u);
}

TEST_F(GazetteerTest, AnUnreadableStateFileFindsNothing) {
  fs_.FailReadsOf("/srv/k9/statell.dat");
  RecordingDialog dialog;
  gazetteer_.FindMileMarker("TX,20,100", dialog);
  EXPECT_TRUE(dialog.matches.empty());
}

TEST(GazetteerDamage, AShortStateLineEndsTheReadingAndKeepsWhatWasFound) {
  const char file[] = "TN\tTennessee\t-90\t-81\t34\t36\nTX\tTexas\t-106\nTZ\tTzland\t1\t2\t3\t4\n";
  GazetteerList list = LoadStatesFrom(file, "T");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].name, "Tennessee");
  // A line of another letter is never split, so its shape does not matter.
  EXPECT_EQ(LoadStatesFrom("AB\nTX\tTexas\t1\t2\t3\t4\n", "TX").size(), 2u);
  // A line of the query's letter with a single field ends the reading too.
  EXPECT_EQ(LoadStatesFrom("TQ\nTX\tTexas\t1\t2\t3\t4\n", "TX").size(), 1u);
}

TEST(GazetteerDamage, AShortMatchingCountyLineEndsTheSearchWithNoMatchesAtAll) {
  const char file[] = "Harris\tGA\t1\t2\t3\t4\nHarris\tTX\t1\nHays\tTX\t1\t2\t3\t4\n";
  EXPECT_FALSE(FindCountiesIn(file, "Harris").has_value());
  // Short lines that do not match are passed over.
  const std::optional<GazetteerList> hays = FindCountiesIn(file, "Hays");
  ASSERT_TRUE(hays.has_value());
  EXPECT_EQ(hays->size(), 2u);
}

TEST(GazetteerDamage, MileMarkerLinesWithOtherThanSixFieldsAreSkipped) {
  const char file[] = "TX20,EW,90,97.5,110\nTX20,EW,90,97.5,110,96.5,7\nTX20,EW,90,97.5,110,96.5\n";
  EXPECT_DOUBLE_EQ(LookUpMileMarkerIn(file, "TX", "20", "100").line, -97.0);
}

TEST(GazetteerDamage, MarkerNumbersOutsideTheSixteenBitRangeEndTheLookupAsNotFound) {
  EXPECT_FALSE(
      LookUpMileMarkerIn("TX20,EW,0,97.5,40000,96.5\nTX20,EW,0,97.5,110,96.5\n", "TX", "20", "100")
          .found);
  EXPECT_FALSE(LookUpMileMarkerIn("TX20,EW,0,97.5,110,96.5\n", "TX", "20", "32768").found);
  EXPECT_TRUE(LookUpMileMarkerIn("TX20,EW,0,97.5,32767,96.5\n", "TX", "20", "32767").found);
  EXPECT_FALSE(LookUpMileMarkerIn("TX20,EW,0,97.5,1e999,96.5\n", "TX", "20", "5").found);
}

TEST(GazetteerDamage, ASegmentOfOneMarkerThatHoldsTheMarkerEndsTheLookup) {
  const char file[] = "TX20,EW,100,97.5,100,96.5\nTX20,EW,90,97.5,110,96.5\n";
  EXPECT_FALSE(LookUpMileMarkerIn(file, "TX", "20", "100").found);
  EXPECT_TRUE(LookUpMileMarkerIn(file, "TX", "20", "95").found);
}

TEST(GazetteerDamage, EmptyFilesFindNothing) {
  EXPECT_EQ(LoadStatesFrom("", "TX").size(), 1u);
  ASSERT_TRUE(FindCountiesIn("", "Harris").has_value());
  EXPECT_EQ(FindCountiesIn("", "Harris")->size(), 1u);
  EXPECT_FALSE(LookUpMileMarkerIn("", "TX", "20", "100").found);
}

TEST(GazetteerDamage, LinesMayEndInCrOnlyOrLfOnlyAndTheLastNeedsNoEnd) {
  const char cr[] = "TN\tTennessee\t1\t2\t3\t4\rTX\tTexas\t5\t6\t7\t8";
  const char lf[] = "TN\tTennessee\t1\t2\t3\t4\nTX\tTexas\t5\t6\t7\t8";
  for (const char* file : {cr, lf}) {
    GazetteerList list = LoadStatesFrom(file, "TX");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_DOUBLE_EQ(list[1].north, 8);
  }
  EXPECT_TRUE(LookUpMileMarkerIn("TX20,EW,90,97.5,110,96.5", "TX", "20", "100").found);
}

TEST(GazetteerDamage, AFileWithoutLineEndsIsOneLine) {
  // Everything after the sixth tab lands in the north field, read leniently.
  GazetteerList list = LoadStatesFrom("TX\tTexas\t1\t2\t3\t4 TY\tTy\t1\t2\t3\t4", "T");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_DOUBLE_EQ(list[1].north, 4);
}

TEST(GazetteerDamage, AOneMegabyteLineIsReadWithoutHarm) {
  const std::string huge(1 << 20, 'T');
  const std::string states = huge + "\nTX\tTexas\t1\t2\t3\t4\n";
  EXPECT_EQ(LoadStatesFrom(states, "TX").size(), 1u);  // the long line has one field
  const std::string counties = "H" + std::string(1 << 20, 'x') + "\tTX\t1\t2\t3\t4\n";
  const std::optional<GazetteerList> found = FindCountiesIn(counties, "H");
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->size(), 2u);
  const std::string markers = "TX20," + std::string(1 << 20, '9') + ",90,97.5,110,96.5\n";
  EXPECT_TRUE(LookUpMileMarkerIn(markers, "TX", "20", "100").found);
}

TEST(GazetteerDamage, NumbersAreReadLenientlyAndEmptyQueriesFindNothing) {
  GazetteerList list = LoadStatesFrom("TX\tTexas\t-106.5W\tabc\t25,8\t\n", "TX");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_DOUBLE_EQ(list[1].west, -106.5);
  EXPECT_DOUBLE_EQ(list[1].east, 0);
  EXPECT_DOUBLE_EQ(list[1].south, 25);
  EXPECT_DOUBLE_EQ(list[1].north, 0);
  EXPECT_EQ(LoadStatesFrom("TX\tTexas\t1\t2\t3\t4\n", "").size(), 1u);
  EXPECT_EQ(FindCountiesIn("Harris\tTX\t1\t2\t3\t4\n", "")->size(), 1u);
}

}  // namespace
}  // namespace k9
