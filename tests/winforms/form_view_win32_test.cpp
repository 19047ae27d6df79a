// The control panel and its About box on real windows: the menu bar mirrors the
// model, menu choices, keys and buttons reach it, the window follows the checks
// the handlers change, nested modal forms disable the panel, and the window's
// life follows Load, ShowModal and Unload.
#include "winforms/form_view_win32.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "settings/data_path_setup.h"
#include "settings/frm_cpanel.h"
#include "support/fake_file_system.h"
#include "support/fake_registry.h"
#include "window_user.h"
#include "winforms/overlay_view_win32.h"
#include "support/fake_system.h"

namespace k9::testing {
namespace {

using winforms::Win32FormView;
using winforms::Win32OverlayView;

class RecordingEvents : public frmCpanel::Events {
 public:
  std::vector<std::string> log;
  void Data1() override { log.push_back("Data1"); }
  void EasySetup() override { log.push_back("EasySetup"); }
  void Monochrome(bool on) override {
    log.push_back(std::string("Monochrome ") + (on ? "1" : "0"));
  }
  void ShadeCounties(bool on) override {
    log.push_back(std::string("ShadeCounties ") + (on ? "1" : "0"));
  }
  void AboutCartex() override { log.push_back("AboutCartex"); }
  void OvlFile(std::string& file) override { log.push_back("OvlFile " + file); }
};

// The chooser as the server wires it: on the Win32 chooser view, owned by the
// host's main window rather than by the panel.
class ChooserOnWindows : public OverlayChooser {
 public:
  ChooserOnWindows(const Ports& ports, const ServerFolders& folders)
      : ports_(ports), folders_(folders) {}
  std::optional<std::string> Choose(const std::string& current_file, bool overlay,
                                    const ContextHelp& help) override {
    return ChooseOverlayFile(ports_, folders_, view_, current_file, overlay,
                             reinterpret_cast<std::intptr_t>(host), help);
  }
  HWND host = nullptr;

 private:
  Ports ports_;
  const ServerFolders& folders_;
  Win32OverlayView view_;
};

constexpr char kOverlays[] = "C:\\Srv\\Strato Overlays\\";

class ControlPanelWindowTest : public ::testing::Test {
 protected:
  ControlPanelWindowTest() {
    dialogs_.SetHelpSink(
        [this](const HeadlessDialogs::HelpRequest& request) { help_.push_back(request); });
    folders_.overlay_folder = kOverlays;
    for (const char* name : {"A.OVR", "B.OVR", "C.CAD"})
      fs_.AddFile(kOverlays + std::string(name), "");
    context_.ports = ports_;
    context_.view = &view_;
    context_.overlay_chooser = &chooser_;
    host_ = ::CreateWindowExA(0, "STATIC", "Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300,
                              nullptr, nullptr, nullptr, nullptr);
    chooser_.host = host_;
  }
  ~ControlPanelWindowTest() override { ::DestroyWindow(host_); }

  HWND Window(const frmCpanel& panel) { return reinterpret_cast<HWND>(view_.WindowOf(panel)); }

  FakeFileSystem fs_;
  FakeRegistry registry_;
  HeadlessDialogs dialogs_;
  FakeSystem system_{"C:\\Srv\\Kestrel9.dll"};
  Ports ports_{&fs_, &registry_, &dialogs_, &system_};
  ServerFolders folders_;
  ChooserOnWindows chooser_{ports_, folders_};
  Win32FormView view_;
  CpanelContext context_;
  RecordingEvents events_;
  std::vector<HeadlessDialogs::HelpRequest> help_;
  HWND host_ = nullptr;
};

TEST_F(ControlPanelWindowTest, LoadMakesAHiddenWindowWithTheModelsMenuBarAndUnloadDestroysIt) {
  frmCpanel panel(context_, &events_);
  panel.blnShadeStates(true);
  panel.Menu("mnuOptions").enabled = false;
  panel.Menu("mnuUnderlayMake").enabled = false;
  panel.Load();
  HWND hwnd = Window(panel);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(reinterpret_cast<HWND>(panel.hWnd()), hwnd);
  EXPECT_FALSE(::IsWindowVisible(hwnd));
  EXPECT_EQ(WindowUser::Text(hwnd), "Kestrel9 Control Panel");

  HMENU bar = ::GetMenu(hwnd);
  ASSERT_NE(bar, nullptr);
  std::vector<std::string> top;
  for (int i = 0; i < ::GetMenuItemCount(bar); ++i) {
    char caption[64] = {};
    ::GetMenuStringA(bar, static_cast<UINT>(i), caption, sizeof caption, MF_BYPOSITION);
    top.push_back(caption);
  }
  EXPECT_EQ(top, (std::vector<std::string>{"&Options", "O&verlays", "&Underlays", "&Import Mgr",
                                           "&About", "&Help", "E&xit"}));
  EXPECT_NE(::GetMenuState(bar, 0, MF_BYPOSITION) & MF_GRAYED, 0u);
  EXPECT_EQ(::GetMenuState(bar, 1, MF_BYPOSITION) & MF_GRAYED, 0u);
  HMENU options = ::GetSubMenu(bar, 0);
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(::GetMenuItemCount(options), 12);
  EXPECT_EQ(::GetMenuItemCount(::GetSubMenu(options, 0)), 6);
  EXPECT_NE(::GetMenuState(options, 1, MF_BYPOSITION) & MF_SEPARATOR, 0u);
  EXPECT_TRUE(WindowUser::MenuChecked(hwnd, {"&Options", "Shade &States"}));
  EXPECT_FALSE(WindowUser::MenuChecked(hwnd, {"&Options", "Shade &Counties"}));
  UINT id = 0;
  UINT state = 0;
  ASSERT_TRUE(WindowUser::FindMenuEntry(hwnd, {"&Underlays", "&Make Underlay"}, &id, &state));
  EXPECT_NE(state & MF_GRAYED, 0u);

  // The client area holds the 300 x 169 background, whatever the frame and the
  // menu bar take.
  RECT client{};
  ::GetClientRect(hwnd, &client);
  HDC screen = ::GetDC(nullptr);
  const int dpi_x = ::GetDeviceCaps(screen, LOGPIXELSX);
  const int dpi_y = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  EXPECT_EQ(client.right, ::MulDiv(300, dpi_x, 96));
  EXPECT_EQ(client.bottom, ::MulDiv(169, dpi_y, 96));

  panel.Unload();
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_EQ(view_.WindowOf(panel), 0);
}

TEST_F(ControlPanelWindowTest, MenuChoicesToggleChecksRaiseEventsAndTheCloseBoxEndsTheDisplay) {
  frmCpanel panel(context_, &events_);
  panel.blnMono(true);
  WindowUser::Drive([&] { panel.Show(); },
                    [](WindowUser& user) {
                      HWND hwnd =
                          user.WaitForWindow(Win32FormView::kWindowClass, "Kestrel9 Control Panel");
                      ASSERT_NE(hwnd, nullptr);
                      EXPECT_TRUE(::IsWindowEnabled(hwnd));
                      EXPECT_TRUE(WindowUser::MenuChecked(hwnd, {"&Options", "&Monochrome Maps"}));
                      WindowUser::Choose(hwnd, {"&Options", "Shade &Counties"});
                      EXPECT_TRUE(user.WaitUntil([&] {
                        return WindowUser::MenuChecked(hwnd, {"&Options", "Shade &Counties"});
                      }));
                      WindowUser::Choose(hwnd, {"&Options", "&Monochrome Maps"});
                      EXPECT_TRUE(user.WaitUntil([&] {
                        return !WindowUser::MenuChecked(hwnd, {"&Options", "&Monochrome Maps"});
                      }));
                      ::PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
                      EXPECT_TRUE(user.WaitUntil([&] { return !::IsWindowVisible(hwnd); }));
                    });
  EXPECT_EQ(events_.log, (std::vector<std::string>{"ShadeCounties 1", "Monochrome 0"}));
  EXPECT_TRUE(panel.Menu("mnuShadeCounties").checked);
  EXPECT_FALSE(panel.Menu("mnuMonochromeMaps").checked);
  // Closed but not unloaded: the window stays, hidden, until the controller unloads it.
  HWND hwnd = Window(panel);
  EXPECT_TRUE(::IsWindow(hwnd));
  EXPECT_FALSE(::IsWindowVisible(hwnd));
  panel.Unload();
  EXPECT_FALSE(::IsWindow(hwnd));
}

TEST_F(ControlPanelWindowTest, EntriesOfADisabledMenuDoNothingAndExitEndsTheDisplay) {
  frmCpanel panel(context_, &events_);
  panel.Menu("mnuOptions").enabled = false;
  WindowUser::Drive(
      [&] { panel.Show(); },
      [](WindowUser& user) {
        HWND hwnd = user.WaitForWindow(Win32FormView::kWindowClass, "Kestrel9 Control Panel");
        ASSERT_NE(hwnd, nullptr);
        // The entries still carry their commands, as a stray or
        // replayed message would.
        WindowUser::Choose(hwnd, {"&Options", "&Stratomap Data Paths", "Data&1"});
        WindowUser::Choose(hwnd, {"&Options", "&Stratomap Data Paths", "&Easy Setup"});
        WindowUser::Choose(hwnd, {"&Options", "Shade &Counties"});
        WindowUser::Choose(hwnd, {"E&xit"});
        EXPECT_TRUE(user.WaitUntil([&] { return !::IsWindowVisible(hwnd); }));
      });
  EXPECT_TRUE(events_.log.empty());
  EXPECT_FALSE(panel.Menu("mnuShadeCounties").checked);
}

TEST_F(ControlPanelWindowTest, AboutBoxIsModalOverThePanelAndF1OpensTheHelp) {
  frmCpanel panel(context_, &events_);
  WindowUser::Drive(
      [&] { panel.Show(); },
      [](WindowUser& user) {
        HWND hwnd = user.WaitForWindow(Win32FormView::kWindowClass, "Kestrel9 Control Panel");
        ASSERT_NE(hwnd, nullptr);
        WindowUser::Choose(hwnd, {"&About"});
        HWND about = user.WaitForWindow(Win32FormView::kWindowClass, "About Kestrel9");
        ASSERT_NE(about, nullptr);
        EXPECT_FALSE(::IsWindowEnabled(hwnd));
        EXPECT_EQ(::GetWindow(about, GW_OWNER), hwnd);
        EXPECT_NE(WindowUser::Child(about, "Strato9 server for Harrier32"), nullptr);
        EXPECT_NE(WindowUser::Child(about, "Version 1.0"), nullptr);
        HWND engine = WindowUser::Child(about, "About the &Map Engine...");
        ASSERT_NE(engine, nullptr);
        EXPECT_TRUE(::IsWindowEnabled(engine));
        WindowUser::Press(engine);
        // Enter presses OK, which ends the box; the panel is usable again.
        WindowUser::Key(about, VK_RETURN);
        EXPECT_TRUE(user.WaitUntil([&] { return !::IsWindow(about); }));
        EXPECT_TRUE(user.WaitUntil([&] { return ::IsWindowEnabled(hwnd) != FALSE; }));
        WindowUser::Key(hwnd, VK_F1);
        WindowUser::Choose(hwnd, {"E&xit"});
        EXPECT_TRUE(user.WaitUntil([&] { return !::IsWindowVisible(hwnd); }));
      });
  EXPECT_EQ(events_.log, std::vector<std::string>{"AboutCartex"});
  ASSERT_EQ(help_.size(), 1u);
  EXPECT_EQ(help_[0].file, "C:\\Srv\\Kestrel9.chm");
  EXPECT_EQ(help_[0].command, kHelpContext);
  EXPECT_EQ(help_[0].data, 30u);
  panel.Unload();
}

TEST_F(ControlPanelWindowTest, AboutBoxEngineButtonIsDisabledWithTheOptionsMenuAndEscapeCloses) {
  frmCpanel panel(context_, &events_);
  panel.Menu("mnuOptions").enabled = false;
  WindowUser::Drive(
      [&] { panel.Show(); },
      [](WindowUser& user) {
        HWND hwnd = user.WaitForWindow(Win32FormView::kWindowClass, "Kestrel9 Control Panel");
        ASSERT_NE(hwnd, nullptr);
        WindowUser::Choose(hwnd, {"&About"});
        HWND about = user.WaitForWindow(Win32FormView::kWindowClass, "About Kestrel9");
        ASSERT_NE(about, nullptr);
        HWND engine = WindowUser::Child(about, "About the &Map Engine...");
        ASSERT_NE(engine, nullptr);
        EXPECT_FALSE(::IsWindowEnabled(engine));
        WindowUser::Press(engine);
        WindowUser::Key(about, VK_ESCAPE);
        EXPECT_TRUE(user.WaitUntil([&] { return !::IsWindow(about); }));
        WindowUser::Choose(hwnd, {"E&xit"});
        EXPECT_TRUE(user.WaitUntil([&] { return !::IsWindowVisible(hwnd); }));
      });
  EXPECT_TRUE(events_.log.empty());
  panel.Unload();
}

TEST_F(ControlPanelWindowTest, QuittingTheApplicationClosesNestedFormsAndLeavesTheQuitForTheHost) {
  frmCpanel panel(context_, &events_);
  WindowUser::Drive(
      [&] { panel.Show(); },
      [](WindowUser& user) {
        HWND hwnd = user.WaitForWindow(Win32FormView::kWindowClass, "Kestrel9 Control Panel");
        ASSERT_NE(hwnd, nullptr);
        WindowUser::Choose(hwnd, {"&About"});
        HWND about = user.WaitForWindow(Win32FormView::kWindowClass, "About Kestrel9");
        ASSERT_NE(about, nullptr);
        ::PostThreadMessageA(::GetWindowThreadProcessId(hwnd, nullptr), WM_QUIT, 7, 0);
        EXPECT_TRUE(user.WaitUntil([&] { return !::IsWindowVisible(hwnd); }));
      });
  MSG quit;
  ASSERT_TRUE(::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 7u);
  EXPECT_FALSE(::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  panel.Unload();
}

TEST_F(ControlPanelWindowTest, LoadOverlayOpensTheChooserOverThePanelAndReportsTheChoice) {
  frmCpanel panel(context_, &events_);
  panel.strOvlFile(kOverlays + std::string("b.ovr"));
  WindowUser::Drive(
      [&] { panel.Show(); },
      [](WindowUser& user) {
        HWND hwnd = user.WaitForWindow(Win32FormView::kWindowClass, "Kestrel9 Control Panel");
        ASSERT_NE(hwnd, nullptr);
        WindowUser::Choose(hwnd, {"O&verlays", "&Load Overlay"});
        HWND chooser = user.WaitForWindow(Win32OverlayView::kWindowClass, "Overlays");
        ASSERT_NE(chooser, nullptr);
        EXPECT_FALSE(::IsWindowEnabled(hwnd));
        EXPECT_NE(WindowUser::Child(chooser, "Check the overlay file you wish to use"), nullptr);
        HWND list = WindowUser::ChildOfClass(chooser, WC_LISTVIEWA);
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(ListView_GetItemCount(list), 3);
        EXPECT_TRUE(ListView_GetCheckState(list, 1));
        // F1 in the chooser opens the panel's help at the chooser's topic.
        WindowUser::Key(list, VK_F1);
        // Checking another file leaves only that one checked.
        ListView_SetCheckState(list, 0, TRUE);
        EXPECT_TRUE(ListView_GetCheckState(list, 0));
        EXPECT_FALSE(ListView_GetCheckState(list, 1));
        WindowUser::Press(WindowUser::Child(chooser, "&Ok"));
        EXPECT_TRUE(user.WaitUntil([&] { return !::IsWindow(chooser); }));
        EXPECT_TRUE(user.WaitUntil([&] { return ::IsWindowEnabled(hwnd) != FALSE; }));

        // The next chooser starts at that choice; its close box is Cancel, which
        // keeps the choice.
        WindowUser::Choose(hwnd, {"O&verlays", "&Load Overlay"});
        chooser = user.WaitForWindow(Win32OverlayView::kWindowClass, "Overlays");
        ASSERT_NE(chooser, nullptr);
        list = WindowUser::ChildOfClass(chooser, WC_LISTVIEWA);
        EXPECT_TRUE(ListView_GetCheckState(list, 0));
        ::PostMessageA(chooser, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(user.WaitUntil([&] { return !::IsWindow(chooser); }));
        WindowUser::Choose(hwnd, {"E&xit"});
        EXPECT_TRUE(user.WaitUntil([&] { return !::IsWindowVisible(hwnd); }));
      });
  EXPECT_EQ(events_.log, (std::vector<std::string>{"OvlFile C:\\Srv\\Strato Overlays\\A.OVR"}));
  EXPECT_EQ(panel.stored_ovl_file(), "C:\\Srv\\Strato Overlays\\A.OVR");
  ASSERT_EQ(help_.size(), 1u);
  EXPECT_EQ(help_[0].file, "C:\\Srv\\Kestrel9.chm");
  EXPECT_EQ(help_[0].command, kHelpContext);
  EXPECT_EQ(help_[0].data, 70u);
  panel.Unload();
}

// What a window's background painting leaves: the pixels (0x00RRGGBB, top row
// first) that its WM_ERASEBKGND draws into a memory device context of the client
// area's size, and whether it said it erased.
struct Background {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  bool erased = false;
};

Background EraseInto(HWND hwnd) {
  Background out;
  RECT client{};
  ::GetClientRect(hwnd, &client);
  out.width = client.right;
  out.height = client.bottom;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = out.width;
  info.bmiHeader.biHeight = -out.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, dib);
  std::fill_n(static_cast<std::uint32_t*>(bits), out.width * out.height, 0x123456u);
  out.erased = ::SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) != 0;
  ::GdiFlush();
  const auto* first = static_cast<const std::uint32_t*>(bits);
  out.pixels.assign(first, first + out.width * out.height);
  for (std::uint32_t& pixel : out.pixels) pixel &= 0xFFFFFF;
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  ::DeleteObject(dib);
  return out;
}

// The committed picture file decoded by hand (a bottom-up 8-bit bitmap), so the
// window is compared with the file itself rather than with what Windows loads.
Background PictureFile() {
  std::ifstream in(K9_SOURCE_DIR "/data/forms/cpanel.bmp", std::ios::binary);
  const std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  auto u32 = [&file](std::size_t at) {
    return static_cast<std::uint32_t>(file[at] | file[at + 1] << 8 | file[at + 2] << 16 |
                                      file[at + 3] << 24);
  };
  Background out;
  if (file.size() < 54 + 1024) return out;
  out.width = static_cast<int>(u32(18));
  out.height = static_cast<int>(u32(22));
  const std::size_t offset = u32(10);
  const std::size_t stride = (static_cast<std::size_t>(out.width) + 3) / 4 * 4;
  if (offset + stride * static_cast<std::size_t>(out.height) > file.size()) return Background{};
  for (int y = 0; y < out.height; ++y) {
    const std::size_t row = offset + stride * static_cast<std::size_t>(out.height - 1 - y);
    for (int x = 0; x < out.width; ++x) {
      const std::size_t entry = 54 + 4 * std::size_t{file[row + static_cast<std::size_t>(x)]};
      out.pixels.push_back(
          static_cast<std::uint32_t>(file[entry + 2] << 16 | file[entry + 1] << 8 | file[entry]));
    }
  }
  return out;
}

// A form that names a picture this program does not carry.
class FormWithMissingPicture : public ViewableForm {
 public:
  std::string FormName() const override { return "frmMissing"; }
  bool Visible() const override { return false; }
  FormPlacement Placement() const override {
    return {0, 0, 0, 0, 200 * kTwipsPerPixel, 100 * kTwipsPerPixel};
  }
  std::string Picture() const override { return "NOSUCHPICTURE"; }
  ClickResult Click(std::string_view) override { return ClickResult::kNoSuchControl; }
  void SystemClose() override {}
};

TEST_F(ControlPanelWindowTest, PanelDrawsItsPictureAndAFormWithoutOneGetsThePlainBackground) {
  frmCpanel panel(context_, &events_);
  panel.Load();
  HWND hwnd = Window(panel);
  ASSERT_NE(hwnd, nullptr);
  const Background drawn = EraseInto(hwnd);
  const Background file = PictureFile();
  ASSERT_EQ(file.width, 300);
  ASSERT_EQ(file.height, 169);
  EXPECT_TRUE(drawn.erased);
  const std::uint32_t face = ::GetSysColor(COLOR_BTNFACE);
  const std::uint32_t face_rgb = (face & 0xFF) << 16 | (face & 0xFF00) | ((face >> 16) & 0xFF);
  if (drawn.width == file.width && drawn.height == file.height) {
    // At 96 dots per inch the client area is the picture, pixel for pixel.
    EXPECT_EQ(drawn.pixels, file.pixels);
  } else {
    // Scaled to another resolution: the picture still covers the whole area.
    EXPECT_EQ(std::count(drawn.pixels.begin(), drawn.pixels.end(), 0x123456u), 0);
    EXPECT_LT(std::count(drawn.pixels.begin(), drawn.pixels.end(), face_rgb),
              static_cast<std::ptrdiff_t>(drawn.pixels.size() / 2));
  }
  panel.Unload();

  FormWithMissingPicture plain;
  ASSERT_NE(view_.Load(plain), 0);
  const Background background = EraseInto(reinterpret_cast<HWND>(view_.WindowOf(plain)));
  EXPECT_TRUE(background.erased);
  ASSERT_FALSE(background.pixels.empty());
  EXPECT_EQ(std::count(background.pixels.begin(), background.pixels.end(), face_rgb),
            static_cast<std::ptrdiff_t>(background.pixels.size()));
  view_.Unload(plain);
}

// Answers the folder dialog after noting where its owner window stands.
class OwnerNotingDialogs : public HeadlessDialogs {
 public:
  std::optional<std::string> BrowseForFolder(const FolderRequest& request) override {
    const HWND owner = reinterpret_cast<HWND>(request.owner);
    owner_was_window = ::IsWindow(owner) != FALSE;
    owner_was_visible = ::IsWindowVisible(owner) != FALSE;
    ::GetWindowRect(owner, &owner_rect);
    return std::nullopt;
  }
  bool owner_was_window = false;
  bool owner_was_visible = true;
  RECT owner_rect{};
};

TEST(DataPathSetupWindow, TheFolderDialogsOwnerIsAHiddenWindowAQuarterIntoTheScreen) {
  FakeFileSystem fs;
  FakeRegistry registry;
  OwnerNotingDialogs dialogs;
  FakeSystem system{"C:\\Srv\\Kestrel9.dll"};
  Win32FormView view;
  DataPathSetup(Ports{&fs, &registry, &dialogs, &system}, view).BrowseDataFolder("", "Data1");
  EXPECT_TRUE(dialogs.owner_was_window);
  EXPECT_FALSE(dialogs.owner_was_visible);
  HDC screen = ::GetDC(nullptr);
  const int dpi_x = ::GetDeviceCaps(screen, LOGPIXELSX);
  const int dpi_y = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  EXPECT_EQ(dialogs.owner_rect.left, ::MulDiv(system.ScreenWidthTwips() / 4, dpi_x, 1440));
  EXPECT_EQ(dialogs.owner_rect.top, ::MulDiv(system.ScreenHeightTwips() / 4, dpi_y, 1440));
}

}  // namespace
}  // namespace k9::testing
