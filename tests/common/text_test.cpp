// Shared text helpers: lenient numbers, Boolean words, number formatting and paths.
#include "common/text.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/error.h"

namespace k9 {
namespace {

TEST(LeadingNumber, ReadsTheNumberAtTheStartAndZeroWhenThereIsNone) {
  EXPECT_EQ(LeadingNumber("12.5abc"), 12.5);
  EXPECT_EQ(LeadingNumber("  -3 N"), -3);
  EXPECT_EQ(LeadingNumber(".5"), 0.5);
  EXPECT_EQ(LeadingNumber("+7"), 7);
  EXPECT_EQ(LeadingNumber("1e3x"), 1000);
  EXPECT_EQ(LeadingNumber("2e"), 2);  // an exponent needs digits
  EXPECT_EQ(LeadingNumber("abc"), 0);
  EXPECT_EQ(LeadingNumber("-"), 0);
  EXPECT_EQ(LeadingNumber(""), 0);
  EXPECT_EQ(LeadingNumber("1,5"), 1);  // "," is never a decimal separator
  EXPECT_TRUE(std::isinf(LeadingNumber("1e999")));
  EXPECT_EQ(LeadingNumber("1e-999"), 0);
}

TEST(ToBoolean, AcceptsTrueFalseInAnyCaseOrANumberAndRejectsAnythingElse) {
  EXPECT_TRUE(ToBoolean("tRUE"));
  EXPECT_FALSE(ToBoolean("False"));
  EXPECT_TRUE(ToBoolean("-1"));
  EXPECT_TRUE(ToBoolean(" 2.5 "));
  EXPECT_FALSE(ToBoolean("0"));
  for (const char* bad : {"", "yes", "on", "1x", "T", "true1"}) {
    EXPECT_THROW(ToBoolean(bad), ConversionError) << bad;
  }
}

TEST(FormatNumber, WritesShortestFormWithADot) {
  EXPECT_EQ(FormatNumber(-12.5), "-12.5");
  EXPECT_EQ(FormatNumber(0.1), "0.1");
  EXPECT_EQ(FormatNumber(-0.0), "0");
  EXPECT_EQ(FormatNumber(123456789), "123456789");
  EXPECT_EQ(LeadingNumber(FormatNumber(1.0 / 3)), 1.0 / 3);
}

TEST(Paths, JoinNeitherDoublesNorDropsASeparator) {
  const std::string sep(1, kPathSeparator);
  EXPECT_EQ(JoinPath("C:\\a\\", "b.ini"), "C:\\a\\b.ini");
  EXPECT_EQ(JoinPath("C:\\a", "\\b.ini"), "C:\\a\\b.ini");
  EXPECT_EQ(JoinPath("C:\\a\\", "/b.ini"), "C:\\a\\b.ini");
  EXPECT_EQ(JoinPath("/a", "b"), "/a" + sep + "b");
  EXPECT_EQ(JoinPath("", "b"), "b");
  EXPECT_EQ(JoinPath("a", ""), "a");
}

TEST(Paths, FolderNameAndBaseNameAcceptBothSeparators) {
  EXPECT_EQ(FolderOf("C:\\Apps\\Kestrel9.dll"), "C:\\Apps");
  EXPECT_EQ(FolderOf("/usr/lib/libKestrel9.so"), "/usr/lib");
  EXPECT_EQ(FolderOf("C:\\x.ini"), "C:\\");
  EXPECT_EQ(FolderOf("/x"), "/");
  EXPECT_EQ(FolderOf("x.ini"), "");
  EXPECT_EQ(FileNameOf("a/b\\c.d"), "c.d");
  EXPECT_EQ(BaseNameOf("C:\\Apps\\Kestrel9.dll"), "Kestrel9");
  EXPECT_EQ(BaseNameOf("a.b.c"), "a.b");
  EXPECT_EQ(BaseNameOf("/x/.hidden"), ".hidden");
  EXPECT_EQ(BaseNameOf("/x.d/name"), "name");
}

TEST(TextHelpers, CaseSplitTrimAndLineEnds) {
  // Letters of Windows-1252 fold too; the signs between them and sharp s do not.
  EXPECT_EQ(ToUpper("ab\xE9z\xF7\xDF\xFF\x9A"), "AB\xC9Z\xF7\xDF\x9F\x8A");
  EXPECT_EQ(ToLower("A\xD1"
                    "ASCO\xD7\x8C"),
            "a\xF1"
            "asco\xD7\x9C");
  EXPECT_TRUE(EqualsIgnoreCase("Kestrel9.INI", "kestrel9.ini"));
  EXPECT_TRUE(EqualsIgnoreCase("Bayam\xF3n", "BAYAM\xD3N"));
  EXPECT_FALSE(EqualsIgnoreCase("a", "ab"));
  EXPECT_EQ(Trim(" \t x y\t "), "x y");
  EXPECT_EQ(Split("a,,b", ','), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(Split("", ','), (std::vector<std::string>{""}));
  EXPECT_EQ(ToCrlf("a\nb\r\nc\n"), "a\r\nb\r\nc\r\n");
}

}  // namespace
}  // namespace k9
