// The POSIX file system: Windows-style paths and names that match without regard
// to case, and file replacement that never leaves a half-written file.
#ifndef _WIN32

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

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
  EXPECT_EQ(fs_.WriteFileAtomic(Path("missing/x.ini"), "data").fault(), FileFault::kNoFolder);
  EXPECT_FALSE(fs_.WriteFileAtomic(Path(""), "data"));
  std::filesystem::create_directory(Path("AFolder"));
  // A folder of that name cannot be replaced by a file.
  const FileResult folder = fs_.WriteFileAtomic(Path("afolder"), "data");
  EXPECT_EQ(folder.fault(), FileFault::kIsFolder);
  EXPECT_EQ(folder.path(), Path("AFolder"));
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

TEST_F(PosixFileSystemTest, AFileWithoutWriteBitsIsRefusedForEveryUserAndStaysAsItWas) {
  WriteRaw("Kestrel9.FAV", "old");
  ::chmod(Path("Kestrel9.FAV").c_str(), 0444);
  const FileResult refused = fs_.WriteFileAtomic(Path("kestrel9.fav"), "new");
  EXPECT_EQ(refused.fault(), FileFault::kReadOnly);
  EXPECT_EQ(refused.path(), Path("Kestrel9.FAV"));  // named as it is on disk
  EXPECT_EQ(DescribeFileProblem(refused),
            "The file \"" + Path("Kestrel9.FAV") + "\" is read-only.");
  EXPECT_EQ(ReadRaw("Kestrel9.FAV"), "old");
  EXPECT_EQ(Entries(), std::vector<std::string>{"Kestrel9.FAV"});
}

TEST_F(PosixFileSystemTest, ASymbolicLinkIsWrittenThroughToTheFileItNames) {
  std::filesystem::create_directory(Path("real"));
  WriteRaw("real/settings.ini", "old");
  std::filesystem::create_symlink("real/settings.ini", Path("Kestrel9.INI"));
  std::filesystem::create_symlink(Path("real/new.ini"), Path("dangling.ini"));
  ASSERT_TRUE(fs_.WriteFileAtomic(Path("Kestrel9.INI"), "new"));
  ASSERT_TRUE(fs_.WriteFileAtomic(Path("dangling.ini"), "made"));
  EXPECT_TRUE(std::filesystem::is_symlink(Path("Kestrel9.INI")));
  EXPECT_EQ(ReadRaw("real/settings.ini"), "new");
  EXPECT_EQ(ReadRaw("real/new.ini"), "made");
}

TEST_F(PosixFileSystemTest, StaleTemporaryFilesGoUnlessAWriterHoldsThem) {
  WriteRaw(".k9-AbCdEf.tmp", "killed mid-way");
  WriteRaw(".k9-HeLd00.tmp", "being written");
  WriteRaw(".k9-other.tmp", "not of our naming");
  WriteRaw("Kestrel9.INI", "kept");
  const int held = ::open(Path(".k9-HeLd00.tmp").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  EXPECT_EQ(fs_.RemoveStaleTemporaryFiles(folder_), 1);
  ::close(held);
  EXPECT_EQ(Entries(),
            (std::vector<std::string>{".k9-HeLd00.tmp", ".k9-other.tmp", "Kestrel9.INI"}));
}

TEST_F(PosixFileSystemTest, TheUpdateLockSerialisesHoldersOfTheFileAndOfAFileNotYetMade) {
  for (const char* name : {"Kestrel9.FAV", "New.FAV"}) {
    SCOPED_TRACE(name);
    if (std::string(name) == "Kestrel9.FAV") WriteRaw(name, "");
    std::unique_ptr<FileLock> first;
    ASSERT_TRUE(fs_.LockForUpdate(Path(name), &first));
    std::atomic<bool> second_held = false;
    std::thread other([&] {
      std::unique_ptr<FileLock> second;
      second_held = fs_.LockForUpdate(Path(name), &second).ok();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(second_held);  // still waiting
    first.reset();
    other.join();
    EXPECT_TRUE(second_held);
  }
  std::unique_ptr<FileLock> none;
  EXPECT_EQ(fs_.LockForUpdate(Path("nowhere/x.FAV"), &none).fault(), FileFault::kNoFolder);
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
