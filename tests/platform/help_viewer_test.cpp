// Which viewer a help request goes to, and on Windows that the dialogs port
// routes without blocking: headless in automation mode, and the requests HTML
// Help cannot serve answered without a window.
#include "platform/help_viewer.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <memory>
#include <vector>

#include "platform/dialogs.h"
#include "platform/win32/dialogs_win32.h"
#endif

namespace k9 {
namespace {

TEST(HelpViewerTest, CompiledHelpGoesToHtmlHelpWithTheMatchingCommand) {
  for (const char* file : {"Kestrel9.chm", "C:\\Kestrel9\\KESTREL9.CHM", "help.Chm"}) {
    const HelpRoute context = RouteHelpRequest(file, kHelpContext);
    EXPECT_EQ(context.viewer, HelpViewer::kHtmlHelp) << file;
    EXPECT_EQ(context.command, kHhHelpContext) << file;
    const HelpRoute quit = RouteHelpRequest(file, kHelpQuit);
    EXPECT_EQ(quit.viewer, HelpViewer::kHtmlHelp);
    EXPECT_EQ(quit.command, kHhCloseAll);
    EXPECT_EQ(RouteHelpRequest(file, kHelpContents).command, kHhDisplayTopic);
    EXPECT_EQ(RouteHelpRequest(file, kHelpFinder).command, kHhDisplayTopic);
  }
  // A WinHelp command with no HTML Help counterpart (HELP_KEY) fails rather than
  // reaching HTML Help as some other command.
  EXPECT_EQ(RouteHelpRequest("Kestrel9.chm", 0x0101).viewer, HelpViewer::kNone);
}

TEST(HelpViewerTest, OtherFilesStayWithWinHelpAndTheirCommand) {
  for (const char* file : {"Kestrel6.HLP", "", "chm", "notes.chm.txt", "C:\\chm\\help.hlp"}) {
    const HelpRoute route = RouteHelpRequest(file, kHelpContext);
    EXPECT_EQ(route.viewer, HelpViewer::kWinHelp) << file;
    EXPECT_EQ(route.command, kHelpContext) << file;
  }
  EXPECT_EQ(RouteHelpRequest("Kestrel6.HLP", 0x0101).command, 0x0101u);
}

#ifdef _WIN32
TEST(HelpViewerTest, TheWin32DialogsRouteCompiledHelpWithoutBlocking) {
  std::unique_ptr<Dialogs> dialogs = NewWin32Dialogs();
  HeadlessDialogs& headless = DefaultHeadlessDialogs();

  // Automation mode: the headless dialogs see the request as it was made.
  ASSERT_TRUE(::SetEnvironmentVariableA("KESTREL9_AUTOMATION", "1"));
  std::vector<HeadlessDialogs::HelpRequest> seen;
  headless.SetHelpSink([&](const HeadlessDialogs::HelpRequest& r) { seen.push_back(r); });
  EXPECT_TRUE(dialogs->ShowHelp("Kestrel9.chm", kHelpContext, 1001, 0));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].file, "Kestrel9.chm");
  EXPECT_EQ(seen[0].command, kHelpContext);
  EXPECT_EQ(seen[0].data, 1001u);
  headless.SetHelpSink(nullptr);

  // Outside automation mode, requests that open no window: a command HTML Help
  // lacks fails, and closing before HTML Help showed anything has nothing to do.
  ASSERT_TRUE(::SetEnvironmentVariableA("KESTREL9_AUTOMATION", nullptr));
  EXPECT_FALSE(dialogs->ShowHelp("Kestrel9.chm", 0x0101, 0, 0));
  EXPECT_TRUE(dialogs->ShowHelp("Kestrel9.chm", kHelpQuit, 0, 0));
  ASSERT_TRUE(::SetEnvironmentVariableA("KESTREL9_AUTOMATION", "1"));
}
#endif

}  // namespace
}  // namespace k9
