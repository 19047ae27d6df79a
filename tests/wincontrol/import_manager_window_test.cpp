// The Import Manager's window under Wine, worked from a second thread as a user
// would: its list read back, Import..., the progress while the import runs,
// Cancel, Delete and Close.
#include "wincontrol/import_manager_window.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "../engine/fake_import_backend.h"
#include "../winforms/window_user.h"

namespace k9::wincontrol {
namespace {

using testing::AnsweringDialogs;
using testing::FakeImportBackend;
using testing::WindowUser;

std::vector<std::vector<std::string>> ListRows(HWND list) {
  std::vector<std::vector<std::string>> rows;
  const int count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    std::vector<std::string> cells;
    for (int column = 0; column < 4; ++column) {
      char text[256] = {};
      LVITEMA item{};
      item.iSubItem = column;
      item.pszText = text;
      item.cchTextMax = sizeof text;
      ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
      cells.emplace_back(text);
    }
    rows.push_back(cells);
  }
  return rows;
}

class ImportManagerWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    backend_.areas.push_back(
        {"maryland", {-79.49, 37.89, -75.05, 39.72}, "2026-12-01 10:00", 250u << 20});
    backend_.hold = true;
  }
  // Shows the window on this thread while `script` plays the user.
  void Drive(const std::function<void(WindowUser&, HWND window, HWND list)>& script) {
    engine::ImportManagerModel model(backend_, dialogs_, "");
    Win32ImportManagerView view;
    WindowUser::Drive([&] { view.ShowModal(model, 0); },
                      [&](WindowUser& user) {
                        HWND window =
                            user.WaitForWindow(kImportManagerWindowClass, "Import Manager");
                        ASSERT_NE(window, nullptr);
                        HWND list = WindowUser::ChildOfClass(window, WC_LISTVIEWA);
                        ASSERT_NE(list, nullptr);
                        script(user, window, list);
                      });
  }

  FakeImportBackend backend_;
  AnsweringDialogs dialogs_;
};

TEST_F(ImportManagerWindow, ImportsWithItsProgressBarListsTheNewAreaAndDeleteRemovesAfterAsking) {
  dialogs_.QueueFileAnswer("C:\\osm\\baltimore.osm.pbf");
  dialogs_.answers = {engine::kIdYes};
  Drive([&](WindowUser& user, HWND window, HWND list) {
    EXPECT_EQ(ListRows(list),
              (std::vector<std::vector<std::string>>{
                  {"maryland", "-79.49..-75.05, 37.89..39.72", "2026-12-01 10:00", "250.0 MB"}}));
    HWND progress = WindowUser::ChildOfClass(window, PROGRESS_CLASSA);
    HWND cancel = WindowUser::Child(window, kCancelCaption);
    HWND import = WindowUser::Child(window, kImportCaption);
    ASSERT_NE(progress, nullptr);
    ASSERT_NE(cancel, nullptr);
    EXPECT_FALSE(::IsWindowVisible(progress));

    WindowUser::Press(import);
    EXPECT_TRUE(user.WaitUntil([&] {
      return ::IsWindowVisible(progress) && ::SendMessageA(progress, PBM_GETPOS, 0, 0) == 25;
    }));
    EXPECT_TRUE(user.WaitUntil([&] {
      return WindowUser::Child(
                 window, "Reading ways: 5.0 of 20.0 MB, 1,234,567 objects, about 2 min left") !=
             nullptr;
    }));
    EXPECT_TRUE(::IsWindowVisible(cancel) && ::IsWindowEnabled(cancel));
    EXPECT_FALSE(::IsWindowEnabled(import));

    backend_.Release();
    EXPECT_TRUE(user.WaitUntil([&] { return ListRows(list).size() == 2; }));
    EXPECT_EQ(ListRows(list)[1][0], "baltimore");
    EXPECT_TRUE(user.WaitUntil([&] {
      return WindowUser::Child(
                 window, "Imported baltimore: 20,312 streets and 96,004 addresses.") != nullptr;
    }));
    EXPECT_FALSE(::IsWindowVisible(progress));
    EXPECT_TRUE(::IsWindowEnabled(import));

    // The first row is selected; Delete asks (Yes) and removes it.
    WindowUser::Key(list, VK_DELETE);
    EXPECT_TRUE(user.WaitUntil([&] { return ListRows(list).size() == 1; }));
    EXPECT_EQ(ListRows(list)[0][0], "baltimore");
    WindowUser::Press(WindowUser::Child(window, kCloseCaption));
  });
  EXPECT_EQ(backend_.removed, std::vector<std::string>{"maryland"});
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_NE(dialogs_.shown[0].text.find("Remove the street data of maryland?"), std::string::npos);
}

TEST_F(ImportManagerWindow, EscapeCancelsARunningImportAndCloseWaitsForItToStop) {
  dialogs_.QueueFileAnswer("C:\\osm\\baltimore.osm.pbf");
  dialogs_.QueueFileAnswer("C:\\osm\\delaware.osm.pbf");
  Drive([&](WindowUser& user, HWND window, HWND list) {
    HWND progress = WindowUser::ChildOfClass(window, PROGRESS_CLASSA);
    WindowUser::Press(WindowUser::Child(window, kImportCaption));
    ASSERT_TRUE(user.WaitUntil([&] { return ::IsWindowVisible(progress) != FALSE; }));
    WindowUser::Key(list, VK_ESCAPE);
    EXPECT_TRUE(user.WaitUntil([&] {
      return WindowUser::Child(window,
                               "The import of baltimore.osm.pbf was cancelled; the street "
                               "data is as it was.") != nullptr;
    }));
    EXPECT_TRUE(::IsWindow(window));  // Escape stopped the import, not the window

    WindowUser::Press(WindowUser::Child(window, kImportCaption));
    ASSERT_TRUE(user.WaitUntil([&] { return ::IsWindowVisible(progress) != FALSE; }));
    WindowUser::Press(WindowUser::Child(window, kCloseCaption));
    EXPECT_TRUE(user.WaitUntil([&] { return !::IsWindow(window); }));
  });
  EXPECT_EQ(backend_.areas.size(), 1u);  // neither import changed the store
}

}  // namespace
}  // namespace k9::wincontrol
