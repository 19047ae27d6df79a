#include "render/favourites.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "server/server_fixture.h"
#include "support/fake_file_system.h"

namespace k9::testing {
namespace {

using ::testing::ElementsAre;

constexpr char kFile[] = "/srv/k9/Kestrel9.FAV";

class FavouritesTest : public ::testing::Test {
 protected:
  FavouritesTest() { fs_.AddDirectory("/srv/k9"); }
  FakeFileSystem fs_;
};

TEST_F(FavouritesTest, AppendCreatesAOneLineFileThenAddsLines) {
  EXPECT_TRUE(AppendFavourite(fs_, kFile, "Home, -87.6,41.8"));
  EXPECT_EQ(fs_.Contents(kFile), "Home, -87.6,41.8\r\n");
  EXPECT_TRUE(AppendFavourite(fs_, kFile, ""));
  EXPECT_EQ(fs_.Contents(kFile), "Home, -87.6,41.8\r\n\r\n");
}

TEST_F(FavouritesTest, AppendKeepsALastLineWithoutCrlfApart) {
  fs_.AddFile(kFile, "first\r\nsecond");
  EXPECT_TRUE(AppendFavourite(fs_, kFile, "third"));
  EXPECT_EQ(fs_.Contents(kFile), "first\r\nsecond\r\nthird\r\n");
}

TEST_F(FavouritesTest, RoundTripKeepsEntriesExactly) {
  const TextArray saved{true, 0, {" lead blank", "a,b,,c", "", "tail blank ", "x\ty"}};
  EXPECT_TRUE(SaveFavourites(fs_, kFile, saved));
  EXPECT_EQ(fs_.Contents(kFile), " lead blank\r\na,b,,c\r\n\r\ntail blank \r\nx\ty\r\n");
  TextArray loaded{true, 3, {"old"}};
  EXPECT_TRUE(LoadFavourites(fs_, kFile, loaded));
  EXPECT_EQ(loaded, saved);
}

TEST_F(FavouritesTest, LoadAcceptsEveryLineEndAndALastLineWithoutOne) {
  fs_.AddFile(kFile, "a\r\nb\nc\rd\r\n\r\ne");
  TextArray loaded;
  EXPECT_TRUE(LoadFavourites(fs_, kFile, loaded));
  EXPECT_EQ(loaded, (TextArray{true, 0, {"a", "b", "c", "d", "", "e"}}));
}

TEST_F(FavouritesTest, NoFileOrNoLinesLeavesTheArrayAsPassed) {
  const TextArray passed{true, 2, {"keep", "me"}};
  TextArray loaded = passed;
  EXPECT_FALSE(LoadFavourites(fs_, kFile, loaded));
  EXPECT_EQ(loaded, passed);
  fs_.AddFile(kFile, "");
  EXPECT_FALSE(LoadFavourites(fs_, kFile, loaded));
  EXPECT_EQ(loaded, passed);
  fs_.FailReadsOf(kFile);
  fs_.AddFile(kFile, "x\r\n");
  EXPECT_FALSE(LoadFavourites(fs_, kFile, loaded));
  EXPECT_EQ(loaded, passed);
}

TEST_F(FavouritesTest, SavingAnEmptyArrayLeavesAnEmptyFile) {
  fs_.AddFile(kFile, "old\r\n");
  EXPECT_TRUE(SaveFavourites(fs_, kFile, TextArray{true, 0, {}}));
  EXPECT_EQ(fs_.Contents(kFile), "");
}

TEST_F(FavouritesTest, ANeverDimensionedArrayEmptiesTheFileAndTheWalkStartsAtZero) {
  // A host that deleted its last favourite hands over an array never dimensioned.
  fs_.AddFile(kFile, "old\r\n");
  EXPECT_TRUE(SaveFavourites(fs_, kFile, TextArray{}));
  EXPECT_EQ(fs_.Contents(kFile), "");
  TextArray loaded;
  EXPECT_FALSE(LoadFavourites(fs_, kFile, loaded));
  EXPECT_FALSE(loaded.allocated);

  // Elements below 0 are no favourites; an array wholly below 0 leaves none.
  EXPECT_TRUE(SaveFavourites(fs_, kFile, TextArray{true, -2, {"m2", "m1", "a", "b"}}));
  EXPECT_EQ(fs_.Contents(kFile), "a\r\nb\r\n");
  EXPECT_TRUE(SaveFavourites(fs_, kFile, TextArray{true, -3, {"m3", "m2"}}));
  EXPECT_EQ(fs_.Contents(kFile), "");
}

TEST_F(FavouritesTest, ASaveThatCannotCompleteKeepsTheFileTheUserHad) {
  fs_.AddFile(kFile, "old\r\n");
  // Starting above 0, or an upper bound past 32767 (wherever the array starts).
  EXPECT_FALSE(SaveFavourites(fs_, kFile, TextArray{true, 1, {"a"}}));
  TextArray too_many{true, 0, std::vector<std::string>(kMaxFavourites + 1, "v")};
  EXPECT_FALSE(SaveFavourites(fs_, kFile, too_many));
  too_many.lower = -1;
  too_many.items.push_back("v");
  EXPECT_FALSE(SaveFavourites(fs_, kFile, too_many));
  // A write that fails.
  fs_.FailWritesTo(kFile);
  EXPECT_FALSE(SaveFavourites(fs_, kFile, TextArray{true, 0, {"new"}}));
  EXPECT_FALSE(AppendFavourite(fs_, kFile, "new"));
  EXPECT_EQ(fs_.Contents(kFile), "old\r\n");
}

TEST_F(FavouritesTest, TheLimitIs32768Entries) {
  TextArray full{true, 0, {}};
  for (int i = 0; i < kMaxFavourites; ++i) full.items.push_back("view " + std::to_string(i));
  EXPECT_TRUE(SaveFavourites(fs_, kFile, full));
  TextArray loaded;
  EXPECT_TRUE(LoadFavourites(fs_, kFile, loaded));
  EXPECT_EQ(loaded, full);

  // Loading stops after the 32768th line.
  AppendFavourite(fs_, kFile, "one too many");
  EXPECT_TRUE(LoadFavourites(fs_, kFile, loaded));
  EXPECT_EQ(loaded.items.size(), static_cast<std::size_t>(kMaxFavourites));
  EXPECT_EQ(loaded.items.back(), "view 32767");
}

class FavouriteMembersTest : public ServerTest {};

TEST_F(FavouriteMembersTest, MembersUseTheFileBesideTheServerAndNeverFail) {
  clsMapServ& server = InitializedServer();
  std::string entry = "Chicago,-87.6,41.8,-87.5,41.9";
  server.AddToFavouriteViews(entry);
  TextArray loaded;
  server.LoadFavouriteViews(loaded);
  EXPECT_THAT(loaded.items, ElementsAre(entry));

  TextArray saved{true, 0, {"a", "b"}};
  server.SaveFavouriteViews(saved);
  EXPECT_EQ(fs_.Contents("/srv/k9/Kestrel9.FAV"), "a\r\nb\r\n");

  fs_.FailAllWrites(true);
  server.AddToFavouriteViews(entry);
  server.SaveFavouriteViews(saved);
  EXPECT_EQ(fs_.Contents("/srv/k9/Kestrel9.FAV"), "a\r\nb\r\n");

  // Deleting every favourite: none come back.
  fs_.FailAllWrites(false);
  TextArray none;
  server.SaveFavouriteViews(none);
  TextArray reloaded;
  server.LoadFavouriteViews(reloaded);
  EXPECT_FALSE(reloaded.allocated);
}

TEST_F(FavouriteMembersTest, BeforeInitializeTheMembersDoNothing) {
  clsMapServ& server = Server();
  std::string entry = "x";
  server.AddToFavouriteViews(entry);
  TextArray loaded;
  server.LoadFavouriteViews(loaded);
  EXPECT_FALSE(loaded.allocated);
  EXPECT_EQ(fs_.write_count(), 0);
}

}  // namespace
}  // namespace k9::testing
