// The gazetteer files that ship beside the server: every line parses, the files
// are ordered the way the search relies on, and known places have their boxes.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/text.h"
#include "platform/file_system.h"
#include "search/gazetteer.h"
#include "search/search_text.h"
#include "search_fakes.h"

namespace k9 {
namespace {

std::string DataFile(const std::string& name) {
  std::ifstream in(std::string(K9_SOURCE_DIR) + "/data/" + name, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Lines of a shipped file: every line must end in CRLF.
std::vector<std::string> Lines(const std::string& contents) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < contents.size()) {
    const std::size_t end = contents.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "last line without CRLF";
    if (end == std::string::npos) break;
    lines.push_back(contents.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// True when the whole field is a decimal number.
bool IsNumber(const std::string& field) {
  if (field.empty()) return false;
  std::size_t i = field[0] == '-' ? 1 : 0;
  bool digits = false, dot = false;
  for (; i < field.size(); ++i) {
    if (field[i] >= '0' && field[i] <= '9') {
      digits = true;
    } else if (field[i] == '.' && !dot) {
      dot = true;
    } else {
      return false;
    }
  }
  return digits;
}

unsigned char FirstUpper(const std::string& line) {
  return static_cast<unsigned char>(ToUpper(line.substr(0, 1))[0]);
}

// Checks one state or county line and returns its fields.
std::vector<std::string> CheckBoxLine(const std::string& line) {
  const std::vector<std::string> f = Split(line, '\t');
  EXPECT_EQ(f.size(), 6u) << line;
  if (f.size() != 6) return f;
  for (int i = 2; i < 6; ++i) EXPECT_TRUE(IsNumber(f[i])) << line;
  EXPECT_LT(LeadingNumber(f[2]), LeadingNumber(f[3])) << line;
  EXPECT_LT(LeadingNumber(f[4]), LeadingNumber(f[5])) << line;
  EXPECT_LT(LeadingNumber(f[3]) - LeadingNumber(f[2]), 60) << line;
  return f;
}

TEST(ShippedData, StateFileHoldsEveryStateDistrictAndTerritoryInOrder) {
  const std::vector<std::string> lines = Lines(DataFile(kStateFileName));
  std::set<std::string> codes;
  unsigned char previous = 0;
  for (const std::string& line : lines) {
    const std::vector<std::string> f = CheckBoxLine(line);
    ASSERT_EQ(f.size(), 6u);
    EXPECT_EQ(f[0].size(), 2u) << line;
    EXPECT_EQ(f[0], ToUpper(f[0])) << line;
    // The search finds a state by name only under its abbreviation's letter.
    EXPECT_EQ(FirstUpper(f[0]), FirstUpper(f[1])) << line;
    EXPECT_GE(FirstUpper(line), previous) << line;
    previous = FirstUpper(line);
    codes.insert(f[0]);
  }
  EXPECT_EQ(lines.size(), 56u);
  for (const char* code :
       {"AK", "AL", "CA", "DC", "HI", "NY", "TX", "WY", "PR", "GU", "VI", "AS", "MP"}) {
    EXPECT_TRUE(codes.count(code)) << code;
  }
}

TEST(ShippedData, CountyFileHoldsEveryCountyOnceInOrderWithKnownStates) {
  std::set<std::string> states;
  for (const std::string& line : Lines(DataFile(kStateFileName))) {
    states.insert(Split(line, '\t')[0]);
  }
  const std::vector<std::string> lines = Lines(DataFile(kCountyFileName));
  std::set<std::string> seen;
  unsigned char previous = 0;
  for (const std::string& line : lines) {
    const std::vector<std::string> f = CheckBoxLine(line);
    ASSERT_EQ(f.size(), 6u);
    EXPECT_TRUE(states.count(f[1])) << line;
    EXPECT_TRUE(seen.insert(ToUpper(f[0]) + "," + f[1]).second) << "twice: " << line;
    EXPECT_GE(FirstUpper(line), previous) << line;
    previous = FirstUpper(line);
  }
  EXPECT_GT(lines.size(), 3200u);
  // A county and an independent city of the same name stay apart.
  for (const char* name : {"Baltimore,MD", "Baltimore city,MD", "St. Louis,MO", "St. Louis city,MO",
                           "Richmond,VA", "Richmond city,VA", "Fairfax,VA", "Fairfax city,VA"}) {
    EXPECT_TRUE(seen.count(ToUpper(Split(name, ',')[0]) + "," + Split(name, ',')[1])) << name;
  }
}

TEST(ShippedData, TexasHarrisCountyAndAlaskaHaveTheirCensusBoxes) {
  FileSystem& fs = FileSystem::Default();
  Gazetteer gazetteer(fs, std::string(K9_SOURCE_DIR) + "/data");
  GazetteerList texas = gazetteer.LoadStates("TX");
  ASSERT_EQ(texas.size(), 2u);
  EXPECT_NEAR(texas[1].west, -106.6456, 0.02);
  EXPECT_NEAR(texas[1].east, -93.5083, 0.02);
  EXPECT_NEAR(texas[1].south, 25.8374, 0.02);
  EXPECT_NEAR(texas[1].north, 36.5007, 0.02);

  const std::optional<GazetteerList> harris =
      FindCountiesIn(DataFile(kCountyFileName), "Harris, TX");
  ASSERT_TRUE(harris.has_value());
  // Harrison County also begins with HARRIS; the name is a prefix.
  ASSERT_EQ(harris->size(), 3u);
  const GazetteerEntry& county = (*harris)[1];
  EXPECT_EQ(county.name, "Harris, TX");
  EXPECT_EQ((*harris)[2].name, "Harrison, TX");
  EXPECT_NEAR(county.west, -95.9607, 0.02);
  EXPECT_NEAR(county.east, -94.9083, 0.02);
  EXPECT_NEAR(county.south, 29.4974, 0.02);
  EXPECT_NEAR(county.north, 30.1705, 0.02);

  // Names with accented letters (Windows-1252 in the file) are found in either case.
  for (const char* query : {"a\xF1"
                            "asco",
                            "A\xD1"
                            "ASCO, pr"}) {
    const std::optional<GazetteerList> found = FindCountiesIn(DataFile(kCountyFileName), query);
    ASSERT_TRUE(found.has_value());
    ASSERT_EQ(found->size(), 2u) << query;
    EXPECT_EQ((*found)[1].name,
              "A\xF1"
              "asco, PR");
  }

  // The Aleutians cross the 180th meridian: one continuous box west of -180.
  GazetteerList alaska = gazetteer.LoadStates("AK");
  ASSERT_EQ(alaska.size(), 2u);
  EXPECT_LT(alaska[1].west, -180);
  EXPECT_NEAR(alaska[1].east, -129.99, 0.05);
}

TEST(ShippedData, MileMarkerFileCoversTenInterstatesInFiveStatesInStateOrder) {
  const std::vector<std::string> lines = Lines(DataFile(kMileMarkerFileName));
  std::set<std::string> states, interstates;
  std::string previous;
  for (const std::string& line : lines) {
    const std::vector<std::string> f = Split(line, ',');
    ASSERT_EQ(f.size(), 6u) << line;
    ASSERT_GT(f[0].size(), 2u) << line;
    EXPECT_TRUE(f[1] == "NS" || f[1] == "EW") << line;
    for (int i : {2, 4}) {
      EXPECT_TRUE(IsAllDigits(f[i]) && !f[i].empty()) << line;
      EXPECT_LE(LeadingNumber(f[i]), 32767) << line;
    }
    EXPECT_NE(f[2], f[4]) << line;
    EXPECT_TRUE(IsNumber(f[3]) && IsNumber(f[5])) << line;
    const std::string state = f[0].substr(0, 2);
    EXPECT_GE(state, previous) << line;
    previous = state;
    states.insert(state);
    interstates.insert(f[0].substr(2));
  }
  EXPECT_GE(states.size(), 5u);
  EXPECT_GE(interstates.size(), 10u);
  EXPECT_TRUE(interstates.count("20"));

  FileSystem& fs = FileSystem::Default();
  Gazetteer gazetteer(fs, std::string(K9_SOURCE_DIR) + "/data");
  const MileMarkerFind find = gazetteer.LookUpMileMarker("TX", "20", "100");
  ASSERT_TRUE(find.found);
  EXPECT_FALSE(find.line_is_lat);
  EXPECT_GT(find.line, -104.0);  // between the I-10 junction and Louisiana
  EXPECT_LT(find.line, -93.5);
}

}  // namespace
}  // namespace k9
