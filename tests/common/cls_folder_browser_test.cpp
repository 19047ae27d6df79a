// clsFolderBrowser over the dialogs port: what it asks for and what it returns.
#include "common/cls_folder_browser.h"

#include <gtest/gtest.h>

namespace k9 {
namespace {

TEST(ClsFolderBrowser, AsksForFileSystemFoldersWithOwnerTitleAndStartFolder) {
  HeadlessDialogs dialogs;
  dialogs.QueueFolderAnswer(std::string("C:\\Maps\\Data"));
  clsFolderBrowser browser(dialogs);
  browser.lnghWndOwner(0x1234);
  browser.strTitle("Where is the data?");
  EXPECT_EQ(browser.strFolder("C:\\Maps"), "C:\\Maps\\Data");
  ASSERT_EQ(dialogs.folder_requests().size(), 1u);
  const FolderRequest& request = dialogs.folder_requests().back();
  EXPECT_EQ(request.owner, 0x1234);
  EXPECT_EQ(request.title, "Where is the data?");
  EXPECT_EQ(request.start_folder, "C:\\Maps");
  EXPECT_EQ(request.flags, 1u);
}

TEST(ClsFolderBrowser, DontGoBelowDomainAddsItsFlag) {
  HeadlessDialogs dialogs;
  clsFolderBrowser browser(dialogs);
  browser.blnDontGoBelowDomain(true);
  browser.strFolder();
  EXPECT_EQ(dialogs.folder_requests().back().flags, 3u);
  EXPECT_EQ(dialogs.folder_requests().back().start_folder, "");
}

TEST(ClsFolderBrowser, CancelOrNoAnswerGivesEmptyText) {
  HeadlessDialogs dialogs;
  dialogs.QueueFolderAnswer(std::nullopt);
  clsFolderBrowser browser(dialogs);
  EXPECT_EQ(browser.strFolder("C:\\x"), "");
  // Nothing queued: the headless dialog counts as cancelled instead of blocking.
  EXPECT_EQ(browser.strFolder("C:\\x"), "");
}

TEST(HeadlessDialogs, MessagesGoToTheSinkAndFileAnswersComeInOrder) {
  HeadlessDialogs dialogs;
  std::vector<HeadlessDialogs::Message> seen;
  dialogs.SetMessageSink([&](const HeadlessDialogs::Message& m) { seen.push_back(m); });
  EXPECT_EQ(dialogs.ShowMessage("Hello", "Caption", kMbOk | kMbIconInformation, 0), kIdOk);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].caption, "Caption");
  EXPECT_EQ(seen[0].text, "Hello");

  dialogs.QueueFileAnswer(std::string("a.bmp"));
  dialogs.QueueFileAnswer(std::nullopt);
  OpenFileRequest request;
  request.title = "Open";
  EXPECT_EQ(dialogs.OpenFile(request), "a.bmp");
  EXPECT_EQ(dialogs.OpenFile(request), std::nullopt);
  EXPECT_EQ(dialogs.OpenFile(request), std::nullopt);
  EXPECT_EQ(dialogs.file_requests().size(), 3u);

  EXPECT_FALSE(dialogs.ShowHelp("x.hlp", 1, 7, 0));  // nobody to show it to
  std::uintptr_t context = 0;
  dialogs.SetHelpSink([&](const HeadlessDialogs::HelpRequest& r) { context = r.data; });
  EXPECT_TRUE(dialogs.ShowHelp("x.hlp", 1, 7, 0));
  EXPECT_EQ(context, 7u);
}

}  // namespace
}  // namespace k9
