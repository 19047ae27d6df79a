// Our profile reader and writer side by side with the system's own private-profile
// functions (GetPrivateProfileStringA, WritePrivateProfileStringA) on the same
// files: every read must give the same count and text, and the same sequence of
// writes must leave files that read the same. Our letter case, which the name
// matching uses, beside the ANSI functions' own.
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/profile.h"
#include "common/text.h"
#include "platform/file_system.h"

namespace k9 {
namespace {

struct Query {
  const char* section;
  std::optional<std::string> key;  // nullopt: the section's key list
  const char* default_value;
  std::size_t size;
};

struct Answer {
  std::size_t count;
  std::string text;
  bool operator==(const Answer&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Answer& a) {
  std::string shown;
  for (char c : a.text) {
    if (c == '\0') {
      shown += "\\0";
    } else if (c == '\r') {
      shown += "\\r";
    } else if (c == '\n') {
      shown += "\\n";
    } else {
      shown += c;
    }
  }
  return out << a.count << " \"" << shown << "\"";
}

class ProfileDifferentialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH + 1];
    ASSERT_NE(::GetTempPathA(sizeof temp, temp), 0u);
    folder_ = std::string(temp) + "k9prof-" + std::to_string(::GetCurrentProcessId()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
    ASSERT_TRUE(::CreateDirectoryA(folder_.c_str(), nullptr) ||
                ::GetLastError() == ERROR_ALREADY_EXISTS);
  }
  void TearDown() override {
    for (const std::string& file : files_) ::DeleteFileA(file.c_str());
    ::RemoveDirectoryA(folder_.c_str());
  }

  // A new file for each use: the system caches profile files by name.
  std::string NewFile(const std::string& contents) {
    std::string path = folder_ + "\\f" + std::to_string(files_.size()) + ".ini";
    files_.push_back(path);
    std::ofstream(path, std::ios::binary) << contents;
    return path;
  }

  static std::string Raw(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }

  static Answer Ours(const std::string& path, const Query& q) {
    std::string buffer(q.size, '\xAA');
    std::size_t count =
        ReadProfileValue(FileSystem::Default(), path, q.section,
                         q.key ? std::optional<std::string_view>(*q.key) : std::nullopt,
                         q.default_value, buffer.data(), q.size);
    return Answer{count, buffer.substr(0, count)};
  }

  static Answer Theirs(const std::string& path, const Query& q) {
    std::string buffer(q.size, '\xAA');
    DWORD count =
        ::GetPrivateProfileStringA(q.section, q.key ? q.key->c_str() : nullptr, q.default_value,
                                   buffer.data(), static_cast<DWORD>(q.size), path.c_str());
    return Answer{count, buffer.substr(0, count)};
  }

  void ExpectSameReads(const std::string& ours_path, const std::string& theirs_path,
                       const std::vector<Query>& queries) {
    for (const Query& q : queries) {
      SCOPED_TRACE(std::string("[") + q.section + "] " + (q.key ? *q.key : "<key list>"));
      EXPECT_EQ(Ours(ours_path, q), Theirs(theirs_path, q));
    }
  }

  std::string folder_;
  std::vector<std::string> files_;
};

Query Get(const char* section, const char* key, const char* default_value = "dflt",
          std::size_t size = 500) {
  return Query{section, std::string(key), default_value, size};
}
Query Keys(const char* section, std::size_t size = 500) {
  return Query{section, std::nullopt, "", size};
}

TEST_F(ProfileDifferentialTest, ReadsAgreeOnSectionsKeysWhiteSpaceCommentsAndQuotes) {
  const std::string file =
      "; comment\r\nTop=1\r\n[Setup]\r\nMono=True\r\n  Zip \t=\t 12345 \r\nmono=second\r\n"
      ";Hidden=1\r\nBare\r\nEmpty=\r\nQuoted=\"a b\"\r\nSingle='x'\r\nOpen=\"open\r\n"
      "Mixed=\"a'\r\nTwoPairs=\"\"\"\"\r\nKeptQuotes=\"\"\r\n[SETUP]\r\nLater=1\r\n"
      "[Other]\r\nMono=3\r\n[Tabs]\r\n\tKey\t=\tvalue\t\r\n";
  const std::string path = NewFile(file);
  ExpectSameReads(path, path,
                  {Get("Setup", "Mono"),
                   Get("SETUP", "MONO"),
                   Get("setup", "zip"),
                   Get(" Setup ", " Zip "),
                   Get("Setup", "Later"),
                   Get("Setup", ";Hidden"),
                   Get("Setup", "Hidden"),
                   Get("Setup", "Bare"),
                   Get("Setup", "Empty"),
                   Get("Setup", "Quoted"),
                   Get("Setup", "Single"),
                   Get("Setup", "Open"),
                   Get("Setup", "Mixed"),
                   Get("Setup", "TwoPairs"),
                   Get("Setup", "KeptQuotes"),
                   Get("Other", "mono"),
                   Get("Tabs", "Key"),
                   Get("Missing", "Mono"),
                   Get("Setup", "Missing", "d  "),
                   Get("Setup", "Missing", "\"q\""),
                   Get("Setup", "Missing", ""),
                   Keys("Setup"),
                   Keys("Other"),
                   Keys("Missing")});
}

TEST_F(ProfileDifferentialTest, ReadsAgreeOnLineEndsAndBufferLimits) {
  const std::string lf = NewFile("[S]\nA=1\nB=2");
  const std::string no_end = NewFile("[S]\r\nA=1\r\nB=2");
  const std::string big =
      NewFile("[S]\r\nLong=" + std::string(600, 'x') + "\r\nAlpha=1\r\nBravo=2\r\nCharlie=3\r\n");
  ExpectSameReads(lf, lf, {Get("S", "A"), Get("S", "B"), Keys("S")});
  ExpectSameReads(no_end, no_end, {Get("S", "B"), Keys("S")});
  ExpectSameReads(big, big,
                  {Get("S", "Long"), Get("S", "Long", "", 10), Get("S", "Alpha", "", 1),
                   Keys("S", 10), Keys("S", 12), Keys("S", 3)});
  const std::string cr_only = NewFile("[S]\rA=1\rB=2\r");
  const std::string mixed = NewFile("[S]\nA=1\nB=2\rC=3\r\n[T]\rD=4");
  ExpectSameReads(cr_only, cr_only, {Get("S", "A"), Get("S", "B"), Keys("S")});
  ExpectSameReads(mixed, mixed,
                  {Get("S", "B"), Get("S", "C"), Get("T", "D"), Keys("S"), Keys("T")});
  const std::string missing = folder_ + "\\never-written.ini";
  ExpectSameReads(missing, missing, {Get("S", "A"), Keys("S")});
}

TEST_F(ProfileDifferentialTest, TheSameWritesLeaveFilesThatReadTheSame) {
  const std::string initial =
      "; settings\r\n[Setup]\r\nMono=False\r\n  Zip = 1\r\n\r\n[Other]\r\nKeep=yes\r\n"
      "[Gone]\r\nX=1\r\n";
  const std::string ours = NewFile(initial);
  const std::string theirs = NewFile(initial);
  struct Write {
    const char* section;
    const char* key;    // nullptr: delete the section
    const char* value;  // nullptr: delete the key
  };
  const std::vector<Write> writes = {
      {"setup", "MONO", "True"},
      {"Setup", "Zip", "02134"},
      {"Setup", "New", "v"},
      {"Setup", "Blank", "\"\""},
      {"Fresh", "K", "1"},
      {"Other", "Keep", nullptr},
      {"Gone", nullptr, nullptr},
      {"Setup", "Padded", "\" x \""},
      {"Other", "Added", "after delete"},
  };
  for (const Write& w : writes) {
    WriteProfileValue(FileSystem::Default(), ours, w.section,
                      w.key ? std::optional<std::string_view>(w.key) : std::nullopt,
                      w.value ? std::optional<std::string_view>(w.value) : std::nullopt);
    ::WritePrivateProfileStringA(w.section, w.key, w.value, theirs.c_str());
  }
  ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, theirs.c_str());  // flush
  // Read both files through the system's reader, so only the files differ.
  for (const Query& q :
       {Get("Setup", "Mono"), Get("Setup", "Zip"), Get("Setup", "New"), Get("Setup", "Blank"),
        Get("Setup", "Padded"), Get("Fresh", "K"), Get("Other", "Keep"), Get("Other", "Added"),
        Get("Gone", "X"), Keys("Setup"), Keys("Other"), Keys("Gone"), Keys("Fresh")}) {
    SCOPED_TRACE(std::string("[") + q.section + "] " + (q.key ? *q.key : "<key list>"));
    EXPECT_EQ(Theirs(ours, q), Theirs(theirs, q));
    EXPECT_EQ(Ours(ours, q), Theirs(theirs, q));
  }
  if (Raw(ours) != Raw(theirs)) {
    // Not a failure: the system may lay out untouched lines its own way.
    std::cout << "Files differ in layout.\n--- ours\n"
              << Raw(ours) << "\n--- system\n"
              << Raw(theirs) << "\n";
  }
}

// Names match, and the server upper- and lower-cases text, as the ANSI functions
// do in code page 1252, the character set the files are written in.
TEST(CaseFoldingDifferential, AgreesWithTheAnsiFunctionsForEveryByte) {
  if (::GetACP() != 1252) GTEST_SKIP() << "the ANSI code page is " << ::GetACP();
  for (int c = 1; c < 256; ++c) {
    char upper[2] = {static_cast<char>(c), 0};
    char lower[2] = {static_cast<char>(c), 0};
    ::CharUpperBuffA(upper, 1);
    ::CharLowerBuffA(lower, 1);
    const std::string byte(1, static_cast<char>(c));
    EXPECT_EQ(ToUpper(byte), std::string(upper, 1)) << "byte " << c;
    EXPECT_EQ(ToLower(byte), std::string(lower, 1)) << "byte " << c;
  }
}

}  // namespace
}  // namespace k9

#endif  // _WIN32
