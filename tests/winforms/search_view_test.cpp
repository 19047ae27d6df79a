// The search dialog on its real window, worked with window messages as a user's
// clicks and keys would send them: the form's handlers must run, and the window
// must show what the form holds afterwards.
#include "winforms/search_view_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/fake_system.h"
#include "support/fake_file_system.h"
#include "support/fake_registry.h"
#include "winforms/windows_views.h"

namespace k9::winforms {
namespace {

using Id = Win32SearchView::ControlId;

constexpr char kIni[] = "C:\\Apps\\Kestrel9\\Kestrel9.INI";

struct Match {
  std::string text;
  double lon, lat;
  bool is_place;
};

// Stands in for the server: answers Find with scripted matches through the
// dialog's AddToList and records what the dialog raises.
class ServerStandIn : public SearchDialogEvents {
 public:
  void Find(std::string& strP, std::int16_t& intFindType) override {
    finds.push_back(strP + "|" + std::to_string(intFindType));
    if (during_find) during_find();
    for (const Match& m : matches) {
      std::string text = m.text;
      double lon = m.lon, lat = m.lat, lon2 = 0, lat2 = 0, line = 0;
      bool place = m.is_place, line_is_lat = false;
      dialog->AddToList(text, lon, lat, place, lon2, lat2, line, line_is_lat);
    }
  }
  void ZoomToFind(std::string& strTitle, double& dblLong, double& dblLat, bool& blnIsPlace,
                  double& /*dblLong2*/, double& /*dblLat2*/, double& /*dblL*/,
                  bool& /*blnLIsLat*/) override {
    zooms.push_back(strTitle + "|" + std::to_string(dblLong) + "|" + std::to_string(dblLat) + "|" +
                    (blnIsPlace ? "place" : "street"));
    if (on_zoom) on_zoom();
  }
  void ImUnloading() override { ++unloads; }

  SearchDialog* dialog = nullptr;
  std::vector<Match> matches;
  std::vector<std::string> finds;
  std::vector<std::string> zooms;
  std::function<void()> on_zoom;
  std::function<void()> during_find;
  int unloads = 0;
};

class SearchWindowTest : public ::testing::Test {
 protected:
  SearchWindowTest() {
    fs_.AddDirectory("C:\\Apps\\Kestrel9");
    dialogs_.SetMessageSink(
        [this](const HeadlessDialogs::Message& m) { messages_.push_back(m.text); });
    dialogs_.SetHelpSink([this](const HeadlessDialogs::HelpRequest& r) { help_.push_back(r); });
    ports_ = Ports{&fs_, &registry_, &dialogs_, &system_};
  }
  ~SearchWindowTest() override {
    form_.reset();
    if (owner_ != nullptr) ::DestroyWindow(owner_);
  }

  // Makes the form on a Win32 view, settings holding search type `type`.
  void Make(int type = 0) {
    fs_.AddFile(kIni, "[SETUP]\r\nSEARCH_TYPE=" + std::to_string(type) + "\r\n");
    auto view = std::make_unique<Win32SearchView>(ports_);
    view_ = view.get();
    form_ = std::make_unique<frmSearch>(server_, ports_, std::move(view));
    server_.dialog = form_.get();
  }
  // Makes the form and shows it.
  void Open(int type = 0, std::intptr_t owner = 0) {
    Make(type);
    form_->Show(owner);
  }

  HWND Window() const { return reinterpret_cast<HWND>(view_->hWnd()); }
  HWND Item(int id) const { return reinterpret_cast<HWND>(view_->Control(id)); }
  std::string Text(int id) const {
    char buffer[512] = {};
    ::GetWindowTextA(Item(id), buffer, sizeof buffer);
    return buffer;
  }
  bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }
  void Click(int id) { ::SendMessageA(Item(id), BM_CLICK, 0, 0); }
  void Type(const std::string& keys, int id = Id::kTxtFindId) {
    for (char c : keys) ::SendMessageA(Item(id), WM_CHAR, static_cast<unsigned char>(c), 1);
  }
  void Paste(const std::string& text) {
    ::SendMessageA(Item(Id::kTxtFindId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  // What the list box holds, "text=item data" per item.
  std::vector<std::string> ListItems() const {
    std::vector<std::string> items;
    HWND list = Item(Id::kLstFindId);
    const auto count = ::SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      char buffer[256] = {};
      ::SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
      items.push_back(
          std::string(buffer) + "=" +
          std::to_string(::SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(i), 0)));
    }
    return items;
  }
  // A user's pick in the list: the list box changes its selection and tells its
  // parent.
  void PickListItem(int index) {
    HWND list = Item(Id::kLstFindId);
    ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageA(Window(), WM_COMMAND, MAKEWPARAM(Id::kLstFindId, LBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(list));
  }
  void DoubleClickList() {
    ::SendMessageA(Window(), WM_COMMAND, MAKEWPARAM(Id::kLstFindId, LBN_DBLCLK),
                   reinterpret_cast<LPARAM>(Item(Id::kLstFindId)));
  }
  // Posts a key as the keyboard would and runs the message loop until it is
  // handled, so the key takes the way of a real key through the host's loop.
  void PressKey(HWND target, WPARAM key) {
    ::PostMessageA(target, WM_KEYDOWN, key, 1);
    ::PostMessageA(target, WM_KEYUP, key, 0xC0000001);
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
  }
  std::string Setting() const {
    const auto contents = fs_.Contents(kIni);
    return contents ? *contents : "";
  }

  testing::FakeFileSystem fs_;
  testing::FakeRegistry registry_;
  testing::FakeSystem system_{"C:\\Apps\\Kestrel9\\Kestrel9.dll"};
  HeadlessDialogs dialogs_;
  Ports ports_{};
  std::vector<std::string> messages_;
  std::vector<HeadlessDialogs::HelpRequest> help_;
  ServerStandIn server_;
  std::unique_ptr<frmSearch> form_;
  Win32SearchView* view_ = nullptr;
  HWND owner_ = nullptr;
};

TEST_F(SearchWindowTest, ShowsTheFormOnAWindowOwnedByTheHost) {
  owner_ = ::CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                             nullptr, nullptr, nullptr);
  ASSERT_NE(owner_, nullptr);
  Open(2, reinterpret_cast<std::intptr_t>(owner_));

  ASSERT_NE(Window(), nullptr);
  EXPECT_TRUE(::IsWindowVisible(Window()));
  EXPECT_EQ(::GetWindow(Window(), GW_OWNER), owner_);
  char caption[64] = {};
  ::GetWindowTextA(Window(), caption, sizeof caption);
  EXPECT_STREQ(caption, "Kestrel Search");
  EXPECT_EQ(Text(Id::kLabel1Id), "Press F1 for help");
  EXPECT_EQ(Text(Id::kFrame1Id), "Search type");
  const char* const options[] = {"Address", "Phone", "Callsign", "State", "County", "Mile Marker"};
  for (int i = 0; i < frmSearch::kTypeCount; ++i) {
    EXPECT_EQ(Text(Id::kOptTypeId + i), options[i]);
    EXPECT_EQ(::SendMessageA(Item(Id::kOptTypeId + i), BM_GETCHECK, 0, 0),
              i == 2 ? BST_CHECKED : BST_UNCHECKED)
        << options[i];
  }
  EXPECT_EQ(Text(Id::kLabPromptId), "Input a callsign, with or without SSID.");
  EXPECT_EQ(::SendMessageA(Item(Id::kTxtFindId), EM_GETLIMITTEXT, 0, 0), 9);
  EXPECT_EQ(Text(Id::kCmdFindId), "&Find");
  EXPECT_EQ(Text(Id::kCmdOkId), "&Go To");
  EXPECT_EQ(Text(Id::kCmdCancelId), "&Close");
  EXPECT_FALSE(Enabled(Id::kCmdFindId));
  EXPECT_FALSE(Enabled(Id::kCmdOkId));
  EXPECT_TRUE(Enabled(Id::kCmdCancelId));

  // Position in twips, window in pixels; the window keeps the form's size.
  HDC screen = ::GetDC(nullptr);
  const int tpp = 1440 / ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  form_->Move(150 * tpp, 90 * tpp);
  RECT at{};
  ::GetWindowRect(Window(), &at);
  EXPECT_EQ(at.left, 150);
  EXPECT_EQ(at.top, 90);
  EXPECT_EQ(at.right - at.left, frmSearch::kWidthTwips / tpp);

  // An owner that is no window leaves the dialog unowned rather than failing.
  form_->Show(0x7FFF1234);
  EXPECT_EQ(::GetWindow(Window(), GW_OWNER), nullptr);
  EXPECT_TRUE(::IsWindowVisible(Window()));
}

TEST_F(SearchWindowTest, OptionClicksAndKeysReachTheHandlers) {
  Open(0);
  Paste("Austin");
  EXPECT_EQ(form_->txtFind().text, "Austin");
  EXPECT_TRUE(Enabled(Id::kCmdFindId));

  // Phone clears a text that is not digits, takes digits only and allows six.
  Click(Id::kOptTypeId + 1);
  EXPECT_EQ(form_->SearchType(), 1);
  EXPECT_EQ(::SendMessageA(Item(Id::kOptTypeId + 1), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(::SendMessageA(Item(Id::kOptTypeId + 0), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(Text(Id::kLabPromptId), "Input the area code and the next three digits.");
  EXPECT_EQ(Text(Id::kTxtFindId), "");
  EXPECT_FALSE(Enabled(Id::kCmdFindId));
  EXPECT_EQ(::SendMessageA(Item(Id::kTxtFindId), EM_GETLIMITTEXT, 0, 0), 6);
  Type("5x1-2");
  EXPECT_EQ(Text(Id::kTxtFindId), "512");
  EXPECT_EQ(form_->txtFind().text, "512");
  EXPECT_TRUE(Enabled(Id::kCmdFindId));
  Type("\b");
  EXPECT_EQ(form_->txtFind().text, "51");

  // Callsign turns the text and every typed letter to upper case; the focus
  // returns to the box with the whole text selected.
  Paste("n0call");
  Click(Id::kOptTypeId + 2);
  EXPECT_EQ(Text(Id::kTxtFindId), "N0CALL");
  EXPECT_EQ(form_->txtFind().sel_start, 0);
  EXPECT_EQ(form_->txtFind().sel_length, 6);
  DWORD from = 0, to = 0;
  ::SendMessageA(Item(Id::kTxtFindId), EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                 reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0u);
  EXPECT_EQ(to, 6u);
  ::SendMessageA(Item(Id::kTxtFindId), EM_SETSEL, 6, 6);
  Type("-9");
  EXPECT_EQ(form_->txtFind().text, "N0CALL-9");
  Type("x");
  EXPECT_EQ(Text(Id::kTxtFindId), "N0CALL-9X");

  // Enter in an empty box neither searches nor reaches the box.
  Paste("");
  Type("\r");
  EXPECT_TRUE(server_.finds.empty());
  EXPECT_EQ(Text(Id::kTxtFindId), "");
}

TEST_F(SearchWindowTest, FindListsTheMatchesAndGoToRaisesTheChosenOne) {
  Open(0);
  server_.matches = {{"Austin, TX", -97.7, 30.3, true},
                     {"Austin St", -95.4, 29.8, false},
                     {"Austin Ave", -96.1, 31.5, true}};
  Paste("  Austin ");
  // The pointer over the window is the hourglass while the server searches.
  HCURSOR during = nullptr;
  server_.during_find = [&] {
    ::SendMessageA(Window(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Window()),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    during = ::GetCursor();
  };
  Click(Id::kCmdFindId);
  server_.during_find = nullptr;
  EXPECT_EQ(during, ::LoadCursor(nullptr, IDC_WAIT));
  ::SendMessageA(Window(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Window()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(::GetCursor(), ::LoadCursor(nullptr, IDC_ARROW));
  ASSERT_EQ(server_.finds, std::vector<std::string>({"Austin|0"}));
  EXPECT_EQ(ListItems(),
            std::vector<std::string>({"Austin, TX=9999999", "Austin St=1", "Austin Ave=-2"}));
  EXPECT_EQ(::SendMessageA(Item(Id::kLstFindId), LB_GETCURSEL, 0, 0), 0);
  EXPECT_TRUE(Enabled(Id::kCmdOkId));
  EXPECT_TRUE(Enabled(Id::kLstFindId));

  Click(Id::kCmdOkId);
  PickListItem(2);
  EXPECT_EQ(form_->lstFind().list_index, 2);
  DoubleClickList();
  PickListItem(1);
  Type("\r", Id::kLstFindId);
  EXPECT_EQ(server_.zooms, std::vector<std::string>({"Austin, TX|-97.700000|30.300000|place",
                                                     "Austin Ave|-96.100000|31.500000|place",
                                                     "Austin St|-95.400000|29.800000|street"}));

  // Enter in the box searches again; with nothing found the list says so and
  // is disabled, and Go To with it does nothing.
  server_.matches.clear();
  Type("\r");
  EXPECT_EQ(server_.finds.size(), 2u);
  EXPECT_EQ(ListItems(), std::vector<std::string>({"Nothing found.=0"}));
  EXPECT_FALSE(Enabled(Id::kLstFindId));
  EXPECT_FALSE(Enabled(Id::kCmdOkId));
  DoubleClickList();
  EXPECT_EQ(server_.zooms.size(), 3u);

  // A leading wildcard is refused with a message and the list stays as it was.
  Paste("*Main");
  Click(Id::kCmdFindId);
  EXPECT_EQ(messages_, std::vector<std::string>(
                           {"The first character of the search text cannot be a wildcard."}));
  EXPECT_EQ(server_.finds.size(), 2u);
  EXPECT_EQ(ListItems(), std::vector<std::string>({"Nothing found.=0"}));

  // The server's status text shows in the result label.
  form_->ResultLbl("3 matches");
  EXPECT_EQ(Text(Id::kResultLblId), "3 matches");
}

TEST_F(SearchWindowTest, CloseEscAndTheCloseBoxHideAndKeepTheResults) {
  Open(0);
  server_.matches = {{"Austin, TX", -97.7, 30.3, true}};
  Click(Id::kOptTypeId + 4);
  Paste("Travis");
  Click(Id::kCmdFindId);

  Click(Id::kCmdCancelId);
  EXPECT_FALSE(form_->Visible());
  EXPECT_FALSE(::IsWindowVisible(Window()));
  EXPECT_NE(Setting().find("SEARCH_TYPE=4"), std::string::npos) << Setting();

  form_->Show(0);
  EXPECT_TRUE(::IsWindowVisible(Window()));
  EXPECT_EQ(Text(Id::kTxtFindId), "Travis");
  EXPECT_EQ(ListItems(), std::vector<std::string>({"Austin, TX=9999999"}));

  // Esc typed in the box or in the list closes the dialog.
  Type("\x1b");
  EXPECT_FALSE(form_->Visible());
  EXPECT_EQ(Text(Id::kTxtFindId), "Travis");
  form_->Show(0);
  Type("\x1b", Id::kLstFindId);
  EXPECT_FALSE(::IsWindowVisible(Window()));

  // The close box hides; the window and its contents stay for the next time.
  form_->Show(0);
  ::SendMessageA(Window(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(form_->Visible());
  EXPECT_TRUE(::IsWindow(Window()));
  EXPECT_FALSE(::IsWindowVisible(Window()));
  EXPECT_EQ(server_.unloads, 0);
}

TEST_F(SearchWindowTest, KeysThroughTheMessageLoopWorkAsInADialog) {
  Open(0);
  server_.matches = {{"Main St", -97.7, 30.3, false}};
  Paste("Main");
  // Enter in the box searches; the focus moves to the list.
  PressKey(Item(Id::kTxtFindId), VK_RETURN);
  EXPECT_EQ(server_.finds, std::vector<std::string>({"Main|0"}));
  EXPECT_EQ(Text(Id::kTxtFindId), "Main");
  EXPECT_EQ(::GetFocus(), Item(Id::kLstFindId));
  // Enter in the list goes to the match.
  PressKey(Item(Id::kLstFindId), VK_RETURN);
  EXPECT_EQ(server_.zooms.size(), 1u);
  // Tab moves on in tab order: list, Go To.
  PressKey(Item(Id::kLstFindId), VK_TAB);
  EXPECT_EQ(::GetFocus(), Item(Id::kCmdOkId));
  // F1 opens the help at the dialog's topic.
  PressKey(Item(Id::kCmdOkId), VK_F1);
  ASSERT_EQ(help_.size(), 1u);
  EXPECT_EQ(help_[0].file, "C:\\Apps\\Kestrel9\\Kestrel9.chm");
  EXPECT_EQ(help_[0].data, 40u);
  // Esc on a button closes the dialog.
  PressKey(Item(Id::kCmdOkId), VK_ESCAPE);
  EXPECT_FALSE(form_->Visible());
  EXPECT_FALSE(::IsWindowVisible(Window()));
}

TEST_F(SearchWindowTest, WindowStateFollowsTheFormAndTheUser) {
  // Minimised before it is first shown: the window's own first size notice
  // does not undo that.
  Make(0);
  form_->WindowState(1);
  form_->Show(0);
  EXPECT_EQ(form_->WindowState(), 1);
  EXPECT_TRUE(::IsIconic(Window()));
  EXPECT_TRUE(::IsWindowVisible(Window()));
  // The server restores a minimised dialog before showing it again.
  form_->WindowState(0);
  form_->Show(0);
  EXPECT_FALSE(::IsIconic(Window()));
  // The user minimises and restores the window.
  ::ShowWindow(Window(), SW_MINIMIZE);
  EXPECT_EQ(form_->WindowState(), 1);
  ::ShowWindow(Window(), SW_RESTORE);
  EXPECT_EQ(form_->WindowState(), 0);
}

TEST_F(SearchWindowTest, TheWindowGoesWithTheFormAndComesBackWithIt) {
  Open(3);
  HWND first = Window();
  ASSERT_NE(first, nullptr);
  form_->Unload();
  EXPECT_EQ(server_.unloads, 1);
  EXPECT_FALSE(::IsWindow(first));
  EXPECT_EQ(view_->hWnd(), 0);

  // Shown again, the form loads anew on a new window.
  form_->Show(0);
  ASSERT_NE(Window(), nullptr);
  EXPECT_TRUE(::IsWindowVisible(Window()));
  EXPECT_EQ(::SendMessageA(Item(Id::kOptTypeId + 3), BM_GETCHECK, 0, 0), BST_CHECKED);
  Click(Id::kOptTypeId + 5);
  EXPECT_EQ(form_->SearchType(), 5);

  HWND second = Window();
  form_.reset();
  EXPECT_FALSE(::IsWindow(second));
}

TEST_F(SearchWindowTest, AHandlerThatUnloadsTheDialogEndsTheKeySafely) {
  Open(0);
  server_.matches = {{"Main St", -97.7, 30.3, false}};
  Paste("Main");
  Click(Id::kCmdFindId);
  HWND window = Window();
  HWND list = Item(Id::kLstFindId);
  // The server unloads the dialog while it handles Go To, from Enter in the
  // list: the window goes, and the rest of the key finds no control to reach.
  server_.on_zoom = [this] { form_->Unload(); };
  Type("\r", Id::kLstFindId);
  EXPECT_EQ(server_.zooms.size(), 1u);
  EXPECT_EQ(server_.unloads, 1);
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_FALSE(::IsWindow(list));
  EXPECT_EQ(view_->hWnd(), 0);
  // The form goes on after its handler without a window until it is shown.
  server_.on_zoom = nullptr;
  form_->Show(0);
  EXPECT_TRUE(::IsWindowVisible(Window()));
  EXPECT_EQ(ListItems(), std::vector<std::string>({"Main St=0"}));
}

TEST_F(SearchWindowTest, TheDllGetsRealWindowsOnlyOutsideAutomation) {
  char saved[16] = {};
  const bool had = ::GetEnvironmentVariableA("KESTREL9_AUTOMATION", saved, sizeof saved) > 0;
  ::SetEnvironmentVariableA("KESTREL9_AUTOMATION", "1");
  EXPECT_FALSE(static_cast<bool>(WindowsViews().search));
  ::SetEnvironmentVariableA("KESTREL9_AUTOMATION", "0");
  const SearchViewFactory factory = WindowsViews().search;
  ::SetEnvironmentVariableA("KESTREL9_AUTOMATION", had ? saved : nullptr);
  ASSERT_TRUE(static_cast<bool>(factory));
  std::unique_ptr<SearchView> view = factory();
  EXPECT_NE(dynamic_cast<Win32SearchView*>(view.get()), nullptr);
}

}  // namespace
}  // namespace k9::winforms
