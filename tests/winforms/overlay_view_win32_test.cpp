// The overlay and underlay chooser on a real window: modal to its owner, the
// list shows the files with their check boxes, Enter is Ok and Escape is Cancel,
// and the window is gone afterwards.
#include "winforms/overlay_view_win32.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "support/fake_file_system.h"
#include "support/fake_registry.h"
#include "window_user.h"
#include "support/fake_system.h"

namespace k9::testing {
namespace {

using winforms::Win32OverlayView;

constexpr char kUnderlays[] = "C:\\Srv\\Strato Underlays\\";

class OverlayWindowTest : public ::testing::Test {
 protected:
  OverlayWindowTest() {
    folders_.underlay_folder = kUnderlays;
    fs_.AddFile(kUnderlays + std::string("Roads.BMP"), "");
    fs_.AddFile(kUnderlays + std::string("Roads.SAT"), "");
    fs_.AddFile(kUnderlays + std::string("Loose.PNG"), "");  // no SAT file: not offered
    fs_.AddFile(kUnderlays + std::string("Town.JPG"), "");
    fs_.AddFile(kUnderlays + std::string("Town.SAT"), "");
    owner_ = ::CreateWindowExA(0, "STATIC", "Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300,
                               200, nullptr, nullptr, nullptr, nullptr);
  }
  ~OverlayWindowTest() override { ::DestroyWindow(owner_); }

  // Shows an underlay chooser for `current` while `script` acts on it; nullopt
  // when the user cancelled.
  std::optional<std::string> Choose(const std::string& current,
                                    const std::function<void(WindowUser&)>& script) {
    frmOverlay form(ports_, folders_);
    form.Form_Load();
    std::string file = current;
    form.Init(file, false);
    WindowUser::Drive([&] { view_.ShowModal(form, reinterpret_cast<std::intptr_t>(owner_)); },
                      script);
    EXPECT_TRUE(form.unloaded());
    if (!form.Accepted()) return std::nullopt;
    return form.strFile();
  }

  FakeFileSystem fs_;
  FakeRegistry registry_;
  HeadlessDialogs dialogs_;
  FakeSystem system_{"C:\\Srv\\Kestrel9.dll"};
  Ports ports_{&fs_, &registry_, &dialogs_, &system_};
  ServerFolders folders_;
  Win32OverlayView view_;
  HWND owner_ = nullptr;
};

TEST_F(OverlayWindowTest, CheckingAnItemAndPressingEnterChoosesIt) {
  const HWND owner = owner_;
  const std::optional<std::string> chosen = Choose("", [owner](WindowUser& user) {
    HWND chooser = user.WaitForWindow(Win32OverlayView::kWindowClass, "Underlays");
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(::GetWindow(chooser, GW_OWNER), owner);
    EXPECT_FALSE(::IsWindowEnabled(owner));
    EXPECT_NE(WindowUser::Child(chooser, "Check the underlay you wish to use"), nullptr);
    EXPECT_NE(WindowUser::Child(chooser, "&Cancel"), nullptr);
    HWND list = WindowUser::ChildOfClass(chooser, WC_LISTVIEWA);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(ListView_GetItemCount(list), 2);
    char text[64] = {};
    ListView_GetItemText(list, 1, 0, text, sizeof text);
    EXPECT_STREQ(text, "Town.JPG");
    EXPECT_FALSE(ListView_GetCheckState(list, 0));
    EXPECT_FALSE(ListView_GetCheckState(list, 1));
    ListView_SetCheckState(list, 1, TRUE);
    WindowUser::Key(chooser, VK_RETURN);
    EXPECT_TRUE(user.WaitUntil([&] { return !::IsWindow(chooser); }));
  });
  EXPECT_EQ(chosen, std::string(kUnderlays) + "Town.JPG");
  EXPECT_TRUE(::IsWindowEnabled(owner_));
}

TEST_F(OverlayWindowTest, UncheckingTheCurrentFileAndPressingOkChoosesNone) {
  const std::optional<std::string> chosen =
      Choose(kUnderlays + std::string("ROADS.bmp"), [](WindowUser& user) {
        HWND chooser = user.WaitForWindow(Win32OverlayView::kWindowClass, "Underlays");
        ASSERT_NE(chooser, nullptr);
        HWND list = WindowUser::ChildOfClass(chooser, WC_LISTVIEWA);
        ASSERT_NE(list, nullptr);
        EXPECT_TRUE(ListView_GetCheckState(list, 0));
        ListView_SetCheckState(list, 0, FALSE);
        WindowUser::Press(WindowUser::Child(chooser, "&Ok"));
        EXPECT_TRUE(user.WaitUntil([&] { return !::IsWindow(chooser); }));
      });
  EXPECT_EQ(chosen, "");
}

TEST_F(OverlayWindowTest, EscapeCancelsWhateverWasChecked) {
  const std::optional<std::string> chosen =
      Choose(kUnderlays + std::string("Roads.BMP"), [](WindowUser& user) {
        HWND chooser = user.WaitForWindow(Win32OverlayView::kWindowClass, "Underlays");
        ASSERT_NE(chooser, nullptr);
        HWND list = WindowUser::ChildOfClass(chooser, WC_LISTVIEWA);
        ASSERT_NE(list, nullptr);
        ListView_SetCheckState(list, 1, TRUE);
        EXPECT_FALSE(ListView_GetCheckState(list, 0));
        WindowUser::Key(chooser, VK_ESCAPE);
        EXPECT_TRUE(user.WaitUntil([&] { return !::IsWindow(chooser); }));
      });
  EXPECT_EQ(chosen, std::nullopt);
  EXPECT_TRUE(::IsWindowEnabled(owner_));
}

}  // namespace
}  // namespace k9::testing
