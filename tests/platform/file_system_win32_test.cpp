// The Win32 file system port on a real (Wine or Windows) file system.
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_system.h"

namespace k9 {
namespace {

// Names in `folder` as the system lists them, "." and ".." left out.
std::vector<std::string> RawNames(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
  return names;
}

class Win32FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH + 1];
    ASSERT_NE(::GetTempPathA(sizeof temp, temp), 0u);
    folder_ = std::string(temp) + "k9fs-" + std::to_string(::GetCurrentProcessId()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
    ASSERT_TRUE(fs_.MakeDirectory(folder_));
  }
  void TearDown() override {
    for (const std::string& name : RawNames(folder_)) {
      std::string path = folder_ + "\\" + name;
      ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!::DeleteFileA(path.c_str())) ::RemoveDirectoryA(path.c_str());
    }
    ::RemoveDirectoryA(folder_.c_str());
  }

  std::string Read(const std::string& path) {
    std::string contents;
    EXPECT_TRUE(fs_.ReadFile(path, &contents)) << path;
    return contents;
  }

  FileSystem& fs_ = FileSystem::Default();
  std::string folder_;
};

TEST_F(Win32FileSystemTest, ReplacingAFileKeepsItsStoredNameAndLeavesNoTemporaryFile) {
  ASSERT_TRUE(fs_.WriteFileAtomic(folder_ + "\\Kestrel9.INI", "[a]\r\nx=1\r\n"));
  ASSERT_TRUE(fs_.WriteFileAtomic(folder_ + "/kestrel9.ini", "[a]\r\nx=2\r\n"));
  EXPECT_EQ(RawNames(folder_), std::vector<std::string>{"Kestrel9.INI"});
  EXPECT_EQ(Read(folder_ + "\\KESTREL9.ini"), "[a]\r\nx=2\r\n");
}

TEST_F(Win32FileSystemTest, BytesSurviveTheRoundTripUnchanged) {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  bytes += std::string(200000, '\n');  // no text-mode translation, and more than one read
  ASSERT_TRUE(fs_.WriteFileAtomic(folder_ + "\\bytes.bin", bytes));
  EXPECT_EQ(Read(folder_ + "\\bytes.bin"), bytes);
  ASSERT_TRUE(fs_.WriteFileAtomic(folder_ + "\\empty.txt", ""));
  EXPECT_TRUE(fs_.FileExists(folder_ + "\\empty.txt"));
  EXPECT_EQ(Read(folder_ + "\\empty.txt"), "");
}

TEST_F(Win32FileSystemTest, AReadOnlyFileIsNeitherReplacedNorDamaged) {
  std::string path = folder_ + "\\locked.ini";
  ASSERT_TRUE(fs_.WriteFileAtomic(path, "old"));
  ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  const FileResult refused = fs_.WriteFileAtomic(path, "new");
  EXPECT_EQ(refused.fault(), FileFault::kReadOnly);
  EXPECT_EQ(refused.path(), path);
  EXPECT_EQ(Read(path), "old");
  EXPECT_EQ(RawNames(folder_), std::vector<std::string>{"locked.ini"});
}

TEST_F(Win32FileSystemTest, StaleTemporaryFilesGoUnlessAWriterHoldsThem) {
  for (const char* name : {"k9A1B2.tmp", "k9FFFF.tmp", "k9other.tmp", "Kestrel9.INI"}) {
    ASSERT_TRUE(fs_.WriteFileAtomic(folder_ + "\\" + name, "x"));
  }
  // A writer holds its temporary file without sharing until it renames it.
  HANDLE held = ::CreateFileA((folder_ + "\\k9FFFF.tmp").c_str(), GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(fs_.RemoveStaleTemporaryFiles(folder_), 1);
  ::CloseHandle(held);
  EXPECT_EQ(fs_.ListFiles(folder_, "*.*"),
            (std::vector<std::string>{"k9FFFF.tmp", "k9other.tmp", "Kestrel9.INI"}));
}

TEST_F(Win32FileSystemTest, TheUpdateLockWaitsForItsHolderAndOutlivesNoThread) {
  const std::string path = folder_ + "\\Kestrel9.FAV";
  std::unique_ptr<FileLock> first;
  ASSERT_TRUE(fs_.LockForUpdate(path, &first));
  std::atomic<bool> second_held = false;
  std::thread other([&] {
    std::unique_ptr<FileLock> second;
    second_held = fs_.LockForUpdate(folder_ + "/KESTREL9.fav", &second).ok();
  });
  ::Sleep(100);
  EXPECT_FALSE(second_held);
  first.reset();
  other.join();
  EXPECT_TRUE(second_held);
  // A thread (or process) that ends holding the lock leaves it to the next.
  std::thread([&] {
    std::unique_ptr<FileLock> kept;
    ASSERT_TRUE(fs_.LockForUpdate(path, &kept));
    kept.release();  // never released, as by a killed process
  }).join();
  std::unique_ptr<FileLock> after;
  EXPECT_TRUE(fs_.LockForUpdate(path, &after));
}

TEST_F(Win32FileSystemTest, WritingIntoAMissingFolderOrOverAFolderFails) {
  EXPECT_FALSE(fs_.WriteFileAtomic(folder_ + "\\missing\\x.ini", "x"));
  ASSERT_TRUE(fs_.MakeDirectory(folder_ + "\\sub"));
  EXPECT_FALSE(fs_.WriteFileAtomic(folder_ + "\\SUB", "x"));
  EXPECT_FALSE(fs_.WriteFileAtomic(folder_ + "\\sub\\", "x"));
  EXPECT_TRUE(fs_.DirectoryExists(folder_ + "\\Sub"));
  EXPECT_EQ(RawNames(folder_), std::vector<std::string>{"sub"});
  EXPECT_TRUE(RawNames(folder_ + "\\sub").empty());
}

TEST_F(Win32FileSystemTest, FilesAndFoldersAreToldApart) {
  ASSERT_TRUE(fs_.WriteFileAtomic(folder_ + "\\file.txt", "x"));
  ASSERT_TRUE(fs_.MakeDirectory(folder_ + "\\dir"));
  EXPECT_TRUE(fs_.MakeDirectory(folder_ + "\\DIR"));  // exists already: still true
  EXPECT_FALSE(fs_.MakeDirectory(folder_ + "\\file.txt"));
  EXPECT_FALSE(fs_.MakeDirectory(folder_ + "\\no\\such"));
  EXPECT_TRUE(fs_.FileExists(folder_ + "/FILE.TXT"));
  EXPECT_FALSE(fs_.FileExists(folder_ + "\\dir"));
  EXPECT_FALSE(fs_.DirectoryExists(folder_ + "\\file.txt"));
  EXPECT_FALSE(fs_.FileExists(""));
  std::string contents = "unchanged";
  EXPECT_FALSE(fs_.ReadFile(folder_ + "\\dir", &contents));
  EXPECT_EQ(contents, "");
  EXPECT_FALSE(fs_.RemoveFile(folder_ + "\\dir"));
  EXPECT_TRUE(fs_.RemoveFile(folder_ + "\\File.Txt"));
  EXPECT_FALSE(fs_.RemoveFile(folder_ + "\\file.txt"));
}

TEST_F(Win32FileSystemTest, ListingMatchesLongNamesOnlyAndSortsWithoutRegardToCase) {
  for (const char* name : {"b.OVR", "A.ovr", "c.ovrx", "readme", "d.CAD"}) {
    ASSERT_TRUE(fs_.WriteFileAtomic(folder_ + "\\" + name, "x"));
  }
  ASSERT_TRUE(fs_.MakeDirectory(folder_ + "\\e.ovr"));
  // "c.ovrx" has a short alias ending in ".OVR" on file systems that make them.
  EXPECT_EQ(fs_.ListFiles(folder_, "*.OVR"), (std::vector<std::string>{"A.ovr", "b.OVR"}));
  EXPECT_EQ(fs_.ListFiles(folder_ + "\\", "*.*"),
            (std::vector<std::string>{"A.ovr", "b.OVR", "c.ovrx", "d.CAD", "readme"}));
  EXPECT_TRUE(fs_.ListFiles(folder_ + "\\missing", "*.*").empty());
}

TEST_F(Win32FileSystemTest, CopyReplacesTheTargetWhole) {
  ASSERT_TRUE(fs_.WriteFileAtomic(folder_ + "\\from.fav", "new contents"));
  ASSERT_TRUE(fs_.WriteFileAtomic(folder_ + "\\to.fav", "older and longer contents"));
  EXPECT_TRUE(fs_.CopyFileTo(folder_ + "\\from.fav", folder_ + "\\to.fav"));
  EXPECT_EQ(Read(folder_ + "\\to.fav"), "new contents");
  EXPECT_FALSE(fs_.CopyFileTo(folder_ + "\\missing.fav", folder_ + "\\to.fav"));
  EXPECT_EQ(Read(folder_ + "\\to.fav"), "new contents");
}

}  // namespace
}  // namespace k9

#endif  // _WIN32
