#include <gtest/gtest.h>

#include "settings/help_routines.h"
#include "settings/path_text.h"

namespace k9 {
namespace {

TEST(ParentFolderTest, DropsTheLastComponentButKeepsADriveRoot) {
  EXPECT_EQ(ParentFolder("C:\\MAPS\\DATA1"), "C:\\MAPS");
  EXPECT_EQ(ParentFolder("C:\\MAPS"), "C:\\");
  EXPECT_EQ(ParentFolder("D:\\STATES"), "D:\\");
  EXPECT_EQ(ParentFolder("/opt/maps/data1"), "/opt/maps");
}

TEST(ParentFolderTest, IsEmptyWithoutASeparatorOrWithOneInTheFirstTwoPlaces) {
  EXPECT_EQ(ParentFolder("DATA1"), "");
  EXPECT_EQ(ParentFolder(""), "");
  EXPECT_EQ(ParentFolder("\\DATA"), "");
  EXPECT_EQ(ParentFolder("A\\DATA"), "");
  EXPECT_EQ(ParentFolder("AB\\DATA"), "AB");
}

TEST(StripTrailingBackslashTest, RemovesOneSeparatorFromPathsOfFourOrMoreCharacters) {
  std::string states = "D:\\STATES\\";
  StripTrailingBackslash(states);
  EXPECT_EQ(states, "D:\\STATES");
  std::string root = "D:\\";
  StripTrailingBackslash(root);
  EXPECT_EQ(root, "D:\\");
  std::string doubled = "C:\\MAPS\\\\";
  StripTrailingBackslash(doubled);
  EXPECT_EQ(doubled, "C:\\MAPS\\");
  std::string plain = "C:\\MAPS";
  StripTrailingBackslash(plain);
  EXPECT_EQ(plain, "C:\\MAPS");
}

TEST(AppendToFolderTest, UsesTheFoldersOwnSeparatorAndNeverDoublesIt) {
  EXPECT_EQ(AppendToFolder("C:\\Program Files", "MAP.INI"), "C:\\Program Files\\MAP.INI");
  EXPECT_EQ(AppendToFolder("C:\\", "MAP.INI"), "C:\\MAP.INI");
  EXPECT_EQ(AppendToFolder("/opt/maps", "MAP.INI"), "/opt/maps/MAP.INI");
}

TEST(HelpFileForTest, AppendsTheHelpFileWithExactlyOneSeparator) {
  EXPECT_EQ(HelpFileFor("C:\\Srv"), "C:\\Srv\\Kestrel9.chm");
  EXPECT_EQ(HelpFileFor("C:\\"), "C:\\Kestrel9.chm");
  EXPECT_EQ(HelpFileFor("C:\\ "), "C:\\ Kestrel9.chm");
}

}  // namespace
}  // namespace k9
