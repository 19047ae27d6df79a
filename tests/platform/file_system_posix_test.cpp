// The POSIX file system: Windows-style paths and names that match without regard
// to case, and file replacement that never leaves a half-written file.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/file_system.h"
#include "platform/posix/path_case.h"
#include "posix_test_folder.h"

namespace k9 {
namespace {

class PosixFileSystemTest : public testing::TempFolderTest {
 protected:
  FileSystem& fs_ = FileSystem::Default();
};

TEST_F(PosixFileSystemTest, NamesMatchWithoutRegardToCaseAndBackslashesSeparate) {
  std::filesystem::create_directory(Path("Strato Overlays"));
  WriteRaw("Strato Overlays/Roads.OVR", "x");
  WriteRaw("Kestrel9.INI", "[S]\r\n");
  EXPECT_TRUE(fs_.FileExists(folder_ + "\\strato overlays\\ROADS.ovr"));
  EXPECT_TRUE(fs_.DirectoryExists(Path("STRATO OVERLAYS")));
  EXPECT_FALSE(fs_.FileExists(Path("strato overlays")));
  std::string contents;
  EXPECT_TRUE(fs_.ReadFile(Path("kestrel9.ini"), &contents));
  EXPECT_EQ(contents, "[S]\r\n");
  EXPECT_EQ(ResolvePathCase(folder_ + "\\STRATO overlays\\new.ovr"),
            folder_ + "/Strato Overlays/new.ovr");
}

TEST_F(PosixFileSystemTest, ReplacingAFileKeepsItsNameAndPermissions) {
  WriteRaw("Kestrel9.INI", "old");
  ::chmod(Path("Kestrel9.INI").c_str(), 0600);
  ASSERT_TRUE(fs_.WriteFileAtomic(Path("KESTREL9.ini"), "new"));
  EXPECT_EQ(Entries(), std::vector<std::string>{"Kestrel9.INI"});
  EXPECT_EQ(ReadRaw("Kestrel9.INI"), "new");
  struct stat st;
  ASSERT_EQ(::stat(Path("Kestrel9.INI").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(PosixFileSystemTest, FailedWriteLeavesNoFileAndNoTemporaryBehind) {
  EXPECT_FALSE(fs_.WriteFileAtomic(Path("missing/x.ini"), "data"));
  EXPECT_FALSE(fs_.WriteFileAtomic(Path(""), "data"));
  std::filesystem::create_directory(Path("AFolder"));
  // A folder of that name cannot be replaced by a file.
  EXPECT_FALSE(fs_.WriteFileAtomic(Path("afolder"), "data"));
  EXPECT_EQ(Entries(), std::vector<std::string>{"AFolder"});
  std::string contents = "stale";
  EXPECT_FALSE(fs_.ReadFile(Path("missing/x.ini"), &contents));
  EXPECT_EQ(contents, "");
  EXPECT_FALSE(fs_.ReadFile(Path("AFolder"), &contents));
}

TEST_F(PosixFileSystemTest, LeftoverTemporaryFileOfAKilledWriterDoesNotDisturbTheNextWrite) {
  WriteRaw("Kestrel9.INI", "[S]\r\nA=1\r\n");
  // What a writer killed before its rename leaves: a partial temporary file.
  WriteRaw(".k9-AbCdEf.tmp", "[S]\r\nA=");
  std::string contents;
  ASSERT_TRUE(fs_.ReadFile(Path("Kestrel9.INI"), &contents));
  EXPECT_EQ(contents, "[S]\r\nA=1\r\n");
  ASSERT_TRUE(fs_.WriteFileAtomic(Path("Kestrel9.INI"), "[S]\r\nA=2\r\n"));
  EXPECT_EQ(ReadRaw("Kestrel9.INI"), "[S]\r\nA=2\r\n");
  EXPECT_EQ(fs_.ListFiles(folder_, "*.INI"), std::vector<std::string>{"Kestrel9.INI"});
}

TEST_F(PosixFileSystemTest, ListFilesMatchesPatternsWithoutRegardToCaseAndSortsByName) {
  WriteRaw("b.ovr", "");
  WriteRaw("A.OVR", "");
  WriteRaw("c.cad", "");
  WriteRaw("noext", "");
  std::filesystem::create_directory(Path("dir.ovr"));
  EXPECT_EQ(fs_.ListFiles(folder_, "*.ovr"), (std::vector<std::string>{"A.OVR", "b.ovr"}));
  EXPECT_EQ(fs_.ListFiles(folder_, "*.*").size(), 4u);
  EXPECT_EQ(fs_.ListFiles(folder_, "?.CAD"), std::vector<std::string>{"c.cad"});
  EXPECT_TRUE(fs_.ListFiles(Path("nowhere"), "*.*").empty());
}

TEST_F(PosixFileSystemTest, FoldersCopiesAndRemovals) {
  EXPECT_TRUE(fs_.MakeDirectory(Path("Maps")));
  EXPECT_TRUE(fs_.MakeDirectory(Path("MAPS")));  // exists already, in another case
  EXPECT_FALSE(fs_.MakeDirectory(Path("a/b")));
  WriteRaw("Maps/src.inf", "entry");
  EXPECT_TRUE(fs_.CopyFileTo(Path("maps/SRC.inf"), Path("maps/copy.inf")));
  EXPECT_EQ(ReadRaw("Maps/copy.inf"), "entry");
  EXPECT_FALSE(fs_.CopyFileTo(Path("maps/none.inf"), Path("maps/copy.inf")));
  EXPECT_EQ(ReadRaw("Maps/copy.inf"), "entry");
  EXPECT_TRUE(fs_.RemoveFile(Path("MAPS/COPY.INF")));
  EXPECT_FALSE(fs_.RemoveFile(Path("Maps/copy.inf")));
  EXPECT_FALSE(fs_.RemoveFile(Path("Maps")));
}

}  // namespace
}  // namespace k9

#endif  // _WIN32
