// The Win32 system and dialogs ports and the DIB-section device context.
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/text.h"
#include "platform/dialogs.h"
#include "platform/system.h"
#include "platform/win32/dib_section.h"
#include "platform/win32/dialogs_win32.h"

namespace k9 {
namespace {

TEST(Win32SystemTest, ScreenSizeIsInTwips) {
  System& system = System::Default();
  int width = ::GetSystemMetrics(SM_CXSCREEN);
  int height = ::GetSystemMetrics(SM_CYSCREEN);
  ASSERT_GT(width, 0);
  HDC screen = ::GetDC(nullptr);
  int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  EXPECT_EQ(system.ScreenWidthTwips(), width * (1440 / dpi));
  EXPECT_EQ(system.ScreenHeightTwips(), height * (1440 / dpi));
}

TEST(Win32SystemTest, ModulePathIsTheFileHoldingThisCode) {
  // The port is linked into this test program, so the module is the program.
  char own[MAX_PATH];
  DWORD n = ::GetModuleFileNameA(nullptr, own, MAX_PATH);
  ASSERT_GT(n, 0u);
  std::string path = System::Default().ModulePath();
  EXPECT_EQ(path, std::string(own, n));
  EXPECT_TRUE(EqualsIgnoreCase(FileNameOf(path), "k9_common_tests.exe")) << path;
}

TEST(Win32SystemTest, NamedMutexIsCreatedUnownedAndKept) {
  std::string name = "Kestrel9Test" + std::to_string(::GetCurrentProcessId());
  EXPECT_EQ(::OpenMutexA(SYNCHRONIZE, FALSE, name.c_str()), nullptr);
  System::Default().OpenNamedMutex(name);
  System::Default().OpenNamedMutex(name);  // a second call changes nothing
  HANDLE mutex = ::OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
  ASSERT_NE(mutex, nullptr);
  // Not owned by us, so waiting on it from here succeeds at once.
  EXPECT_EQ(::WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
  ::ReleaseMutex(mutex);
  ::CloseHandle(mutex);
}

TEST(Win32SystemTest, EnvironmentTellsUnsetFromEmpty) {
  System& system = System::Default();
  ::SetEnvironmentVariableA("K9_ENV_TEST", "value");
  EXPECT_EQ(system.GetEnv("K9_ENV_TEST"), "value");
  ::SetEnvironmentVariableA("K9_ENV_TEST", "");
  EXPECT_EQ(system.GetEnv("K9_ENV_TEST"), "");
  ::SetEnvironmentVariableA("K9_ENV_TEST", nullptr);
  EXPECT_EQ(system.GetEnv("K9_ENV_TEST"), std::nullopt);
  std::string longer(1000, 'x');
  ::SetEnvironmentVariableA("K9_ENV_TEST", longer.c_str());
  EXPECT_EQ(system.GetEnv("K9_ENV_TEST"), longer);
  ::SetEnvironmentVariableA("K9_ENV_TEST", nullptr);
}

// Under automation no dialog may open a window: a test would wait for ever.
TEST(Win32DialogsTest, AutomationModeAnswersEveryDialogHeadlessly) {
  ASSERT_TRUE(::SetEnvironmentVariableA("KESTREL9_AUTOMATION", "1"));
  EXPECT_EQ(&Dialogs::Default(), &DefaultHeadlessDialogs());

  HeadlessDialogs& headless = DefaultHeadlessDialogs();
  std::string seen;
  headless.SetMessageSink(
      [&](const HeadlessDialogs::Message& m) { seen = m.caption + ":" + m.text; });
  headless.QueueFileAnswer("C:\\maps\\a.inf");
  headless.QueueFolderAnswer("C:\\Program Files\\Harrier32");

  // The Win32 object itself defers to the headless one as well.
  std::unique_ptr<Dialogs> win32 = NewWin32Dialogs();
  EXPECT_EQ(win32->ShowMessage("text", "caption", kMbOk | kMbIconInformation, 0), kIdOk);
  EXPECT_EQ(seen, "caption:text");
  OpenFileRequest file_request;
  file_request.filter = "Map files|*.inf";
  EXPECT_EQ(win32->OpenFile(file_request), "C:\\maps\\a.inf");
  EXPECT_EQ(win32->OpenFile(file_request), std::nullopt);  // nothing queued: cancelled
  FolderRequest folder_request;
  folder_request.start_folder = "C:\\";
  EXPECT_EQ(win32->BrowseForFolder(folder_request), "C:\\Program Files\\Harrier32");
  EXPECT_EQ(win32->BrowseForFolder(folder_request), std::nullopt);
  EXPECT_FALSE(win32->ShowHelp("Kestrel9.hlp", 1, 10, 0));  // no help sink: not accepted
  headless.SetMessageSink(nullptr);
}

TEST(Win32DibSectionTest, GdiDrawsIntoPixelsWithTheRasterLayout) {
  DibSection dib;
  ASSERT_TRUE(dib.Create(4, 3, 0x00102030));
  EXPECT_EQ(dib.Pixel(3, 2), 0x00102030u);
  HDC dc = reinterpret_cast<HDC>(dib.dc());
  ASSERT_NE(dc, nullptr);
  ::SetPixel(dc, 1, 0, RGB(255, 0, 0));  // top row: rows run from the top
  RECT rect{0, 2, 2, 3};
  HBRUSH blue = ::CreateSolidBrush(RGB(0, 0, 255));
  ::FillRect(dc, &rect, blue);
  ::DeleteObject(blue);
  DibSection::Flush();
  EXPECT_EQ(dib.Pixel(1, 0), 0x00FF0000u);
  EXPECT_EQ(dib.Pixel(0, 2), 0x000000FFu);
  EXPECT_EQ(dib.Pixel(1, 2), 0x000000FFu);
  EXPECT_EQ(dib.Pixel(2, 2), 0x00102030u);

  Raster raster;
  dib.CopyTo(&raster);
  ASSERT_EQ(raster.width, 4);
  ASSERT_EQ(raster.height, 3);
  EXPECT_EQ(raster.Row(0)[1], 0x00FF0000u);
  raster.Row(1)[3] = OleColorToPixel(0x00E0BA96);
  dib.CopyFrom(raster);
  EXPECT_EQ(::GetPixel(dc, 3, 1), static_cast<COLORREF>(0x00E0BA96));
}

TEST(Win32DibSectionTest, SizesBelowOnePixelAreClamped) {
  DibSection dib;
  ASSERT_TRUE(dib.Create(0, -5));
  EXPECT_EQ(dib.width(), 1);
  EXPECT_EQ(dib.height(), 1);
  ASSERT_TRUE(dib.Create(640, 480));  // re-creating releases the old picture
  EXPECT_EQ(dib.width(), 640);
}

}  // namespace
}  // namespace k9

#endif  // _WIN32
