// The profile reader and writer against the rules of the Windows private-profile
// functions: how files are read (sections, keys, white space, comments, line ends,
// quotes, buffer limits) and how writes change them (only the line concerned,
// atomically, never on a file that could not be read).
#include "common/profile.h"

#include <gtest/gtest.h>

#include <string>

#include "support/fake_file_system.h"

namespace k9 {
namespace {

std::string Read(std::string_view contents, std::string_view section, std::string_view key,
                 std::string_view default_value = "none", std::size_t size = 500) {
  std::string buffer(size, '\xAA');
  buffer.resize(ReadProfileText(contents, section, key, default_value, buffer.data(), size));
  return buffer;
}

// The key list of a section as the read function yields it, without the final NUL.
std::string KeyNames(std::string_view contents, std::string_view section, std::size_t size = 500) {
  std::string buffer(size, '\xAA');
  buffer.resize(ReadProfileText(contents, section, std::nullopt, "", buffer.data(), size));
  return buffer;
}

std::string Edit(std::string_view contents, std::string_view section,
                 std::optional<std::string_view> key, std::optional<std::string_view> value) {
  return EditProfileText(contents, section, key, value).value_or(std::string(contents));
}

TEST(ProfileRead, SectionsAndKeysMatchWithoutRegardToCaseAndTheFirstMatchWins) {
  const std::string file =
      "[Setup]\r\nMono=1\r\nmono=2\r\n[SETUP]\r\nZip=9\r\n[Other]\r\nMono=3\r\n";
  EXPECT_EQ(Read(file, "setup", "MONO"), "1");
  // The second "[SETUP]" is never consulted: only the first matching section counts.
  EXPECT_EQ(Read(file, "Setup", "Zip"), "none");
  EXPECT_EQ(Read(file, "other", "mono"), "3");
  // Letters of the 8-bit code page fold too.
  EXPECT_EQ(Read("[\xC4rger]\nK\xE9y=v\n", "\xE4RGER", "k\xC9Y"), "v");
}

TEST(ProfileRead, WhiteSpaceIsTrimmedAroundNamesValuesAndTheEqualsSign) {
  const std::string file = "  [Setup]  \n\t Mono \t=\t on \t\n";
  EXPECT_EQ(Read(file, " Setup ", " Mono "), "on");
  EXPECT_EQ(Read(file, "Setup", "Mono"), "on");
}

TEST(ProfileRead, CommentsBlankLinesAndKeysWithoutEqualsReadAsAbsent) {
  const std::string file = "[S]\n;Mono=1\n\nFlag\nFlag=2\n";
  EXPECT_EQ(Read(file, "S", "Mono"), "none");
  // Only a name that itself starts with ";" finds the comment, as on Windows.
  EXPECT_EQ(Read(file, "S", ";Mono"), "1");
  // A bare "Flag" line is the first match and has no value, so the key is absent.
  EXPECT_EQ(Read(file, "S", "Flag"), "none");
}

TEST(ProfileRead, LinesBeforeTheFirstHeaderFormTheUnnamedSection) {
  EXPECT_EQ(Read("Top=1\n[S]\nTop=2\n", "", "Top"), "1");
  EXPECT_EQ(Read("[S]\nTop=2\n", "", "Top"), "none");
}

TEST(ProfileRead, LineEndsMayBeCrlfLfOrCrAndTheLastLineNeedsNone) {
  EXPECT_EQ(Read("[S]\r\nA=1\r\nB=2", "S", "B"), "2");
  EXPECT_EQ(Read("[S]\nA=1\nB=2\n", "S", "A"), "1");
  EXPECT_EQ(Read("[S]\rA=1\rB=2\r", "S", "B"), "2");
  EXPECT_EQ(Read("[S]\r\nA=1\r\n", "S", "A"), "1");  // no CR left on the value
}

TEST(ProfileWrite, FilesWithLoneCrLineEndsKeepTheirLinesWhenWritten) {
  // A write adds a CRLF line; the lines around it must split as before.
  const std::string cr_only = Edit("[S]\rA=1\r", "S", "B", "2");
  EXPECT_EQ(Read(cr_only, "S", "A"), "1");
  EXPECT_EQ(Read(cr_only, "S", "B"), "2");
  const std::string mixed = Edit("[S]\nA=1\nB=2\rC=3", "S", "C", "new");
  EXPECT_EQ(mixed, "[S]\nA=1\nB=2\rC=new\r\n");
  EXPECT_EQ(Read(mixed, "S", "B"), "2");
}

TEST(ProfileRead, MissingFileSectionOrKeyGivesTheDefaultWithoutTrailingBlanks) {
  EXPECT_EQ(Read("", "S", "A", "dflt"), "dflt");
  EXPECT_EQ(Read("[S]\nA=1\n", "T", "A", "dflt  "), "dflt");
  EXPECT_EQ(Read("[S]\nA=1\n", "S", "B", "\"q\""), "q");
}

TEST(ProfileRead, OnePairOfMatchingQuotesIsRemoved) {
  const std::string file =
      "[S]\nD=\"a b\"\nS='x'\nTwo=\"\"\"\"\nOdd=\"open\nMixed=\"a'\nEmpty=\"\"\n";
  EXPECT_EQ(Read(file, "S", "D"), "a b");
  EXPECT_EQ(Read(file, "S", "S"), "x");
  EXPECT_EQ(Read(file, "S", "Two"), "\"\"");
  EXPECT_EQ(Read(file, "S", "Odd"), "\"open");
  EXPECT_EQ(Read(file, "S", "Mixed"), "\"a'");
  EXPECT_EQ(Read(file, "S", "Empty"), "");
}

TEST(ProfileRead, ValuesAreCutToTheBufferLessOne) {
  const std::string file = "[S]\nLong=" + std::string(600, 'x') + "\n";
  EXPECT_EQ(Read(file, "S", "Long", "", 500), std::string(499, 'x'));
  EXPECT_EQ(Read(file, "S", "Long", "", 1), "");
  char untouched = 'u';
  EXPECT_EQ(ReadProfileText(file, "S", "Long", "", &untouched, 0), 0u);
  EXPECT_EQ(untouched, 'u');
}

TEST(ProfileRead, KeyListHoldsNamesWithValuesInFileOrder) {
  const std::string file = "[S]\nB=1\n;C=2\nbare\nA=\n[T]\nX=1\n";
  EXPECT_EQ(KeyNames(file, "s"), std::string("B\0A\0", 4));
  EXPECT_EQ(KeyNames(file, "missing"), "");
}

TEST(ProfileRead, KeyListThatDoesNotFitIsCutAndEndsWithTwoNuls) {
  const std::string file = "[S]\nAlpha=1\nBravo=2\n";
  std::string buffer(10, '\xAA');
  std::size_t count = ReadProfileText(file, "S", std::nullopt, "", buffer.data(), buffer.size());
  EXPECT_EQ(count, 8u);
  EXPECT_EQ(buffer, std::string("Alpha\0Br\0\0", 10));
}

TEST(ProfileRead, BinaryGarbageAndHugeLinesReadWithoutHarm) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage.push_back(static_cast<char>((i * 131) & 0xFF));
  EXPECT_EQ(Read(garbage + "\n[S]\nA=1\n", "S", "A"), "1");
  const std::string huge = "[S]\nBig=" + std::string(1 << 20, 'y') + "\nA=2";
  EXPECT_EQ(Read(huge, "S", "A"), "2");
  EXPECT_EQ(Read(huge, "S", "Big").size(), 499u);
  // A NUL inside a stored value ends it, as it ends a C string.
  EXPECT_EQ(Read(std::string("[S]\nA=ab\0cd\n", 12), "S", "A"), "ab");
}

TEST(ProfileWrite, ChangesOnlyTheLineOfTheKeyAndKeepsEverythingElse) {
  const std::string file = "; note\n[S]\n  a = 1 ; old\nB=2\n\n[T]\nA=3";
  EXPECT_EQ(Edit(file, "s", "A", "new"), "; note\n[S]\na=new\r\nB=2\n\n[T]\nA=3");
  // Writing what is stored already changes nothing.
  EXPECT_FALSE(EditProfileText("[S]\r\nA=1\r\n", "S", "A", "1"));
}

TEST(ProfileWrite, NewKeyFollowsTheSectionsLastKeyAndNewSectionGoesAtTheEnd) {
  EXPECT_EQ(Edit("[S]\nA=1\n\n[T]\n", "S", "B", "2"), "[S]\nA=1\nB=2\r\n\n[T]\n");
  EXPECT_EQ(Edit("[S]\n[T]\n", "S", "B", "2"), "[S]\nB=2\r\n[T]\n");
  EXPECT_EQ(Edit("[S]\nA=1", "S", "B", "2"), "[S]\nA=1\r\nB=2\r\n");
  EXPECT_EQ(Edit("[S]", "S", "B", "2"), "[S]\r\nB=2\r\n");
  EXPECT_EQ(Edit("[S]\nA=1", "New", "K", "v"), "[S]\nA=1\r\n[New]\r\nK=v\r\n");
  EXPECT_EQ(Edit("", "New", "K", "v"), "[New]\r\nK=v\r\n");
}

TEST(ProfileWrite, DeletingRemovesTheFirstMatchingKeyOrTheWholeSection) {
  const std::string file = "[S]\nA=1\nB=2\n[T]\nA=3\n";
  EXPECT_EQ(Edit(file, "S", "a", std::nullopt), "[S]\nB=2\n[T]\nA=3\n");
  EXPECT_EQ(Edit(file, "s", std::nullopt, std::nullopt), "[T]\nA=3\n");
  EXPECT_FALSE(EditProfileText(file, "S", "Z", std::nullopt));
  EXPECT_FALSE(EditProfileText(file, "Z", std::nullopt, std::nullopt));
}

TEST(ProfileWrite, TextThatWouldChangeTheFilesStructureIsRefusedAndTheFileIsLeftAlone) {
  testing::FakeFileSystem fs;
  fs.AddFile("C:\\k\\a.ini", "[S]\r\nA=1\r\n");
  EXPECT_FALSE(WriteProfileValue(fs, "C:\\k\\a.ini", "S", "A", std::string_view("x\r\n[T]")));
  EXPECT_FALSE(WriteProfileValue(fs, "C:\\k\\a.ini", "S\n", "A", std::string_view("x")));
  EXPECT_FALSE(WriteProfileValue(fs, "C:\\k\\a.ini", "S", "A\n", std::string_view("x")));
  // Key names that would read back as a section, a comment or another key.
  for (const char* key : {"[T]", " ;A", "A=B"}) {
    EXPECT_FALSE(WriteProfileValue(fs, "C:\\k\\a.ini", "S", key, std::string_view("x"))) << key;
  }
  EXPECT_EQ(fs.Contents("C:\\k\\a.ini"), "[S]\r\nA=1\r\n");
  EXPECT_EQ(fs.write_count(), 0);
}

TEST(ProfileFile, MissingFileIsCreatedAndAMissingFolderFailsCleanly) {
  testing::FakeFileSystem fs;
  fs.AddDirectory("C:\\k");
  EXPECT_TRUE(WriteProfileValue(fs, "c:\\K\\new.ini", "S", "A", std::string_view("1")));
  EXPECT_EQ(fs.Contents("C:\\k\\new.ini"), "[S]\r\nA=1\r\n");
  EXPECT_FALSE(WriteProfileValue(fs, "C:\\nowhere\\x.ini", "S", "A", std::string_view("1")));
  EXPECT_FALSE(fs.FileExists("C:\\nowhere\\x.ini"));
  EXPECT_EQ(ReadProfileString(fs, "C:\\nowhere\\x.ini", "S", "A", "d", 500), "d");
}

TEST(ProfileFile, FileThatCannotBeReadOrWrittenIsNeverReplaced) {
  testing::FakeFileSystem fs;
  fs.AddFile("C:\\k\\a.ini", "[S]\r\nA=1\r\n");
  fs.FailReadsOf("C:\\k\\a.ini");
  EXPECT_FALSE(WriteProfileValue(fs, "C:\\k\\a.ini", "S", "B", std::string_view("2")));
  testing::FakeFileSystem ro;
  ro.AddFile("C:\\k\\a.ini", "[S]\r\nA=1\r\n");
  ro.FailWritesTo("C:\\k\\a.ini");
  EXPECT_FALSE(WriteProfileValue(ro, "C:\\k\\a.ini", "S", "B", std::string_view("2")));
  EXPECT_EQ(ro.Contents("C:\\k\\a.ini"), "[S]\r\nA=1\r\n");
  EXPECT_EQ(fs.Contents("C:\\k\\a.ini"), "[S]\r\nA=1\r\n");
}

}  // namespace
}  // namespace k9
