#include "winforms/search_view_win32.h"

#include <windows.h>

#include <climits>
#include <mutex>
#include <utility>

#include "settings/help_routines.h"

namespace k9::winforms {

namespace {

// Where a control sits in the client area, in twips.
struct Place {
  int left, top, width, height;
};

// The option buttons in two rows: Address, County, State / Phone, Mile Marker,
// Callsign; indexed by search type.
constexpr Place kOptPlaces[frmSearch::kTypeCount] = {
    {300, 570, 1700, 255},  {300, 870, 1700, 255},  {4100, 870, 1700, 255},
    {4100, 570, 1700, 255}, {2200, 570, 1700, 255}, {2200, 870, 1700, 255},
};
constexpr Place kLabel1Place{120, 60, 3000, 240};
constexpr Place kFramePlace{120, 330, 5940, 900};
constexpr Place kPromptPlace{120, 1320, 5940, 450};
constexpr Place kTxtFindPlace{120, 1830, 4680, 315};
constexpr Place kCmdFindPlace{4920, 1800, 1140, 375};
constexpr Place kLstFindPlace{120, 2310, 5940, 1770};
constexpr Place kCmdOkPlace{120, 4200, 1200, 375};
constexpr Place kResultPlace{1440, 4260, 3300, 255};
constexpr Place kCmdCancelPlace{4860, 4200, 1200, 375};

constexpr int kMinimized = 1;
constexpr int kMaximized = 2;

// Twips per pixel of the screen along LOGPIXELSX or LOGPIXELSY, in whole twips
// as the server's own screen size uses them.
int TwipsPerPixel(int axis) {
  HDC screen = ::GetDC(nullptr);
  const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, axis) : 0;
  if (screen != nullptr) ::ReleaseDC(nullptr, screen);
  if (dpi <= 0) return kTwipsPerPixel;
  const int tpp = 1440 / dpi;
  return tpp > 0 ? tpp : 1;
}

std::string WindowText(HWND window) {
  const int length = ::GetWindowTextLengthA(window);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = ::GetWindowTextA(window, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

// Sets a window's text only when it differs, so that an unchanged caption
// neither flickers nor raises a change notification.
void SetText(HWND window, const std::string& text) {
  if (window != nullptr && WindowText(window) != text) ::SetWindowTextA(window, text.c_str());
}

void SetEnabled(HWND window, bool enabled) {
  if (window != nullptr && (::IsWindowEnabled(window) != FALSE) != enabled) {
    ::EnableWindow(window, enabled ? TRUE : FALSE);
  }
}

HMODULE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&TwipsPerPixel), &module);
  return module;
}

// The process's search windows. The window class is registered for the first
// window and removed after the last, so a library that is unloaded and loaded
// again never finds its class pointing at the old code. The dialog keys (Tab,
// arrows, Esc, mnemonics) of a modeless window need the dialog manager in the
// message loop, which belongs to the host: a message hook on each thread with a
// search window runs it for that window.
struct Windows {
  std::mutex mutex;
  int class_users = 0;
  std::vector<HWND> windows;
  std::vector<std::pair<DWORD, HHOOK>> hooks;  // thread id, hook
};
Windows& AllWindows() {
  static Windows* all = new Windows;  // never destroyed: windows may outlive statics
  return *all;
}

bool IsSearchWindow(HWND window) {
  Windows& all = AllWindows();
  std::lock_guard<std::mutex> lock(all.mutex);
  for (HWND w : all.windows) {
    if (w == window) return true;
  }
  return false;
}

// The edit box's and list box's own window procedures, the same for every
// control of their class.
WNDPROC edit_class_proc = nullptr;
WNDPROC list_class_proc = nullptr;

// Enter belongs to the edit box and the list (their key handlers act on it),
// not to the dialog manager, which would turn it into a default-button press.
LRESULT WantEnter(WNDPROC proc, HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT code = ::CallWindowProcA(proc, window, message, wparam, lparam);
  const auto* msg = reinterpret_cast<const MSG*>(lparam);
  if (msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) {
    code |= DLGC_WANTMESSAGE;
  }
  return code;
}

}  // namespace

struct Win32SearchView::Impl {
  explicit Impl(const Ports& p) : ports(p) {}

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT ControlProc(WNDPROC proc, bool in_list, HWND window, UINT message, WPARAM wparam,
                             LPARAM lparam);
  static LRESULT CALLBACK KeyHook(int code, WPARAM wparam, LPARAM lparam);
  static Impl* FromWindow(HWND window) {
    return reinterpret_cast<Impl*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  }

  bool Create(const frmSearch& form);
  HWND AddControl(const char* window_class, const char* text, DWORD style, int id,
                  const Place& place);
  void Forget();
  void ReleaseClass();
  void DestroyWindow();
  void Sync(const frmSearch& form);
  void SyncList(const frmSearch::ListBox& list);
  void SyncShowState(const frmSearch& form);
  void SyncFocus(const frmSearch& form);
  void SyncPointer(int pointer);
  HWND FocusTarget(const frmSearch& form) const;

  LRESULT OnCommand(int id, int code);
  // Runs one of the form's handlers. A handler's exception must not cross the
  // window procedure. Returns false when the view was destroyed meanwhile (the
  // server's event handlers run inside): the caller then touches nothing of it.
  template <typename F>
  bool Run(F&& handler) {
    if (form == nullptr) return true;
    const std::shared_ptr<bool> still_alive = alive;
    try {
      handler(*form);
    } catch (...) {
      // The dialog stays as the handler left it.
    }
    return *still_alive;
  }
  // A key typed into the edit box or the list, through the form's key handler
  // first (Esc closes the dialog from any control), then the control's. Returns
  // the key to pass on, 0 to drop it, -1 when the view is gone.
  int FilterKey(int key, bool in_list);
  void ShowHelp();

  Ports ports;
  frmSearch* form = nullptr;
  std::shared_ptr<bool> alive = std::make_shared<bool>(true);

  HINSTANCE module = nullptr;
  HWND window = nullptr;
  HWND label1 = nullptr, frame = nullptr, prompt = nullptr, txt_find = nullptr, cmd_find = nullptr,
       lst_find = nullptr, cmd_ok = nullptr, result = nullptr, cmd_cancel = nullptr;
  HWND opt_type[frmSearch::kTypeCount] = {};
  int tpp_x = kTwipsPerPixel;
  int tpp_y = kTwipsPerPixel;

  // Set while Sync changes controls: their notifications are not the user's.
  bool syncing = false;
  // Set while the form takes a text the user typed: the caret stays where it is.
  bool taking_text = false;
  // Set when a handler may have moved the focus, or the window just appeared.
  bool apply_focus = false;
  HWND saved_focus = nullptr;

  // What the window shows, to change only what changed.
  std::vector<frmSearch::ListItem> shown_items;
  int shown_left = INT_MIN;
  int shown_top = INT_MIN;
  int shown_sel_start = -1;
  int shown_sel_length = -1;
  frmSearch::Control shown_focus = frmSearch::Control::kNone;
  int shown_pointer = frmSearch::kDefaultPointer;
};

LRESULT CALLBACK Win32SearchView::Impl::KeyHook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HC_ACTION && wparam == PM_REMOVE) {
    MSG* msg = reinterpret_cast<MSG*>(lparam);
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && msg->hwnd != nullptr) {
      HWND root = ::GetAncestor(msg->hwnd, GA_ROOT);
      if (root != nullptr && IsSearchWindow(root)) {
        if (msg->message == WM_KEYDOWN && msg->wParam == VK_F1) {
          ::SendMessageA(root, WM_HELP, 0, 0);
          msg->message = WM_NULL;
        } else if (::IsDialogMessageA(root, msg)) {
          msg->message = WM_NULL;
        }
      }
    }
  }
  return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

bool Win32SearchView::Impl::Create(const frmSearch& form) {
  module = ThisModule();
  Windows& all = AllWindows();
  {
    std::lock_guard<std::mutex> lock(all.mutex);
    if (all.class_users == 0) {
      // A class left by an earlier load of the library would call its old code.
      ::UnregisterClassA(kWindowClass, module);
      WNDCLASSEXA wc{};
      wc.cbSize = sizeof(wc);
      wc.lpfnWndProc = &WindowProc;
      wc.hInstance = module;
      wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
      wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
      wc.lpszClassName = kWindowClass;
      if (::RegisterClassExA(&wc) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return false;
      }
    }
    ++all.class_users;
  }

  tpp_x = TwipsPerPixel(LOGPIXELSX);
  tpp_y = TwipsPerPixel(LOGPIXELSY);
  HWND owner = reinterpret_cast<HWND>(form.Owner());
  if (owner != nullptr && ::IsWindow(owner) == FALSE) owner = nullptr;
  window = ::CreateWindowExA(
      WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME, kWindowClass, frmSearch::kCaption,
      // Not WS_CLIPCHILDREN: the "Search type" group box paints only its frame
      // and caption, so its inside must come from the dialog's own background.
      WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, form.Left() / tpp_x, form.Top() / tpp_y,
      frmSearch::kWidthTwips / tpp_x, frmSearch::kHeightTwips / tpp_y, owner, nullptr, module,
      this);
  if (window == nullptr) {
    ReleaseClass();
    return false;
  }
  shown_left = form.Left();
  shown_top = form.Top();

  // Creation order is tab order: the query, Find, the list, Go To, Close, then
  // the frame's option buttons. Each group starts with WS_GROUP, so the arrow
  // keys move among the option buttons only.
  const DWORD tab = WS_TABSTOP | WS_GROUP;
  txt_find = AddControl("EDIT", "", tab | ES_AUTOHSCROLL | WS_BORDER, kTxtFindId, kTxtFindPlace);
  cmd_find = AddControl("BUTTON", "", tab | BS_PUSHBUTTON, kCmdFindId, kCmdFindPlace);
  lst_find =
      AddControl("LISTBOX", "", tab | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                 kLstFindId, kLstFindPlace);
  cmd_ok = AddControl("BUTTON", "", tab | BS_PUSHBUTTON, kCmdOkId, kCmdOkPlace);
  cmd_cancel = AddControl("BUTTON", "", tab | BS_PUSHBUTTON, kCmdCancelId, kCmdCancelPlace);
  frame = AddControl("BUTTON", kFrameCaption, WS_GROUP | BS_GROUPBOX, kFrame1Id, kFramePlace);
  for (int i = 0; i < frmSearch::kTypeCount; ++i) {
    opt_type[i] = AddControl("BUTTON", "", (i == 0 ? tab : 0) | BS_RADIOBUTTON, kOptTypeId + i,
                             kOptPlaces[i]);
  }
  label1 = AddControl("STATIC", kHelpLine, WS_GROUP | SS_NOPREFIX, kLabel1Id, kLabel1Place);
  prompt = AddControl("STATIC", "", SS_NOPREFIX, kLabPromptId, kPromptPlace);
  result = AddControl("STATIC", "", SS_NOPREFIX | SS_CENTER, kResultLblId, kResultPlace);

  // The original procedures are kept before the controls can receive a message
  // through the new ones.
  if (txt_find != nullptr) {
    edit_class_proc = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(txt_find, GWLP_WNDPROC));
    ::SetWindowLongPtrA(txt_find, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditProc));
  }
  if (lst_find != nullptr) {
    list_class_proc = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(lst_find, GWLP_WNDPROC));
    ::SetWindowLongPtrA(lst_find, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListProc));
  }

  {
    std::lock_guard<std::mutex> lock(all.mutex);
    const DWORD thread = ::GetCurrentThreadId();
    bool hooked = false;
    for (const auto& [id, hook] : all.hooks) hooked = hooked || id == thread;
    if (!hooked) {
      HHOOK hook = ::SetWindowsHookExA(WH_GETMESSAGE, &KeyHook, nullptr, thread);
      if (hook != nullptr) all.hooks.emplace_back(thread, hook);
    }
    all.windows.push_back(window);
  }

  shown_items.clear();
  shown_sel_start = shown_sel_length = -1;
  shown_focus = frmSearch::Control::kNone;
  return true;
}

HWND Win32SearchView::Impl::AddControl(const char* window_class, const char* text, DWORD style,
                                       int id, const Place& place) {
  HWND control =
      ::CreateWindowExA(0, window_class, text, WS_CHILD | WS_VISIBLE | style, place.left / tpp_x,
                        place.top / tpp_y, place.width / tpp_x, place.height / tpp_y, window,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module, nullptr);
  if (control != nullptr) {
    ::SendMessageA(control, WM_SETFONT,
                   reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  }
  return control;
}

// The window is gone (destroyed by the view, or with its owner): the next Sync
// of a loaded form makes a new one.
void Win32SearchView::Impl::Forget() {
  if (window == nullptr) return;
  Windows& all = AllWindows();
  {
    std::lock_guard<std::mutex> lock(all.mutex);
    for (auto it = all.windows.begin(); it != all.windows.end(); ++it) {
      if (*it == window) {
        all.windows.erase(it);
        break;
      }
    }
    // The thread's hook goes with the thread's last search window.
    const DWORD thread = ::GetCurrentThreadId();
    bool thread_has_window = false;
    for (HWND w : all.windows) {
      thread_has_window = thread_has_window || ::GetWindowThreadProcessId(w, nullptr) == thread;
    }
    for (auto it = all.hooks.begin(); !thread_has_window && it != all.hooks.end(); ++it) {
      if (it->first == thread) {
        ::UnhookWindowsHookEx(it->second);
        all.hooks.erase(it);
        break;
      }
    }
    --all.class_users;
  }
  window = label1 = frame = prompt = txt_find = cmd_find = lst_find = cmd_ok = result = cmd_cancel =
      nullptr;
  for (HWND& opt : opt_type) opt = nullptr;
  saved_focus = nullptr;
}

// Called once the window is destroyed (a class with windows cannot go).
void Win32SearchView::Impl::ReleaseClass() {
  Windows& all = AllWindows();
  std::lock_guard<std::mutex> lock(all.mutex);
  if (all.class_users == 0) ::UnregisterClassA(kWindowClass, module);
}

void Win32SearchView::Impl::Sync(const frmSearch& form) {
  // Nothing to show before the form loads, nor after it unloads.
  if (window == nullptr && !form.Loaded()) return;
  // Set before the window is made too: its first size and the controls' first
  // notifications are not the user's either.
  const bool was_syncing = syncing;
  syncing = true;
  if (window == nullptr && !Create(form)) {
    syncing = was_syncing;
    return;
  }

  HWND owner = reinterpret_cast<HWND>(form.Owner());
  if (owner != nullptr &&
      (::IsWindow(owner) == FALSE || owner == window || ::IsChild(window, owner) != FALSE)) {
    owner = nullptr;
  }
  if (::GetWindow(window, GW_OWNER) != owner) {
    ::SetWindowLongPtrA(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  }

  SetText(window, frmSearch::kCaption);
  for (int i = 0; i < frmSearch::kTypeCount; ++i) {
    SetText(opt_type[i], form.optType()[i].caption);
    ::SendMessageA(opt_type[i], BM_SETCHECK, form.optType()[i].value ? BST_CHECKED : BST_UNCHECKED,
                   0);
  }
  SetText(prompt, form.labPrompt());
  SetText(result, form.ResultLblCaption());

  const frmSearch::TextBox& txt = form.txtFind();
  ::SendMessageA(txt_find, EM_LIMITTEXT,
                 static_cast<WPARAM>(txt.max_length > 0 ? txt.max_length : 0), 0);
  SetText(txt_find, txt.text);
  if (taking_text) {
    // The user's own typing: the edit box already shows it, caret and all.
    shown_sel_start = txt.sel_start;
    shown_sel_length = txt.sel_length;
  } else if (txt.sel_start != shown_sel_start || txt.sel_length != shown_sel_length) {
    ::SendMessageA(txt_find, EM_SETSEL, txt.sel_start, txt.sel_start + txt.sel_length);
    shown_sel_start = txt.sel_start;
    shown_sel_length = txt.sel_length;
  }

  SetText(cmd_find, form.cmdFind().caption);
  SetText(cmd_ok, form.cmdOk().caption);
  SetText(cmd_cancel, form.cmdCancel().caption);
  SyncList(form.lstFind());

  // A control that loses its enabled state while it has the focus would leave
  // the keyboard nowhere: the focus goes back to the query.
  HWND focused = ::GetFocus();
  const std::pair<HWND, bool> enables[] = {{cmd_find, form.cmdFind().enabled},
                                           {lst_find, form.lstFind().enabled},
                                           {cmd_ok, form.cmdOk().enabled},
                                           {cmd_cancel, form.cmdCancel().enabled}};
  for (const auto& [control, enabled] : enables) {
    SetEnabled(control, enabled);
    if (!enabled && control == focused) ::SetFocus(txt_find);
  }

  if (const_cast<frmSearch&>(form).WindowState() == 0 &&
      (form.Left() != shown_left || form.Top() != shown_top)) {
    ::SetWindowPos(window, nullptr, form.Left() / tpp_x, form.Top() / tpp_y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    shown_left = form.Left();
    shown_top = form.Top();
  }
  SyncShowState(form);
  SyncFocus(form);
  SyncPointer(form.MousePointer());
  syncing = was_syncing;
}

void Win32SearchView::Impl::SyncList(const frmSearch::ListBox& list) {
  bool same = list.items.size() == shown_items.size();
  for (std::size_t i = 0; same && i < list.items.size(); ++i) {
    same = list.items[i].text == shown_items[i].text &&
           list.items[i].item_data == shown_items[i].item_data;
  }
  if (!same) {
    ::SendMessageA(lst_find, WM_SETREDRAW, FALSE, 0);
    ::SendMessageA(lst_find, LB_RESETCONTENT, 0, 0);
    for (const frmSearch::ListItem& item : list.items) {
      const LRESULT index =
          ::SendMessageA(lst_find, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.text.c_str()));
      if (index >= 0) {
        ::SendMessageA(lst_find, LB_SETITEMDATA, static_cast<WPARAM>(index),
                       static_cast<LPARAM>(item.item_data));
      }
    }
    ::SendMessageA(lst_find, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(lst_find, nullptr, TRUE);
    shown_items = list.items;
  }
  if (::SendMessageA(lst_find, LB_GETCURSEL, 0, 0) != list.list_index) {
    ::SendMessageA(lst_find, LB_SETCURSEL, static_cast<WPARAM>(list.list_index), 0);
  }
}

void Win32SearchView::Impl::SyncShowState(const frmSearch& form) {
  // The form's window state getter is not const; reading it changes nothing.
  const int state = const_cast<frmSearch&>(form).WindowState();
  if (!form.Visible()) {
    if (::IsWindowVisible(window) != FALSE) ::ShowWindow(window, SW_HIDE);
    return;
  }
  if (::IsWindowVisible(window) == FALSE) {
    ::ShowWindow(window, state == kMinimized   ? SW_SHOWMINIMIZED
                         : state == kMaximized ? SW_SHOWMAXIMIZED
                                               : SW_SHOWNORMAL);
    apply_focus = true;
    return;
  }
  const int shown_state = ::IsIconic(window) != FALSE   ? kMinimized
                          : ::IsZoomed(window) != FALSE ? kMaximized
                                                        : 0;
  if (shown_state != state) {
    ::ShowWindow(window, state == kMinimized   ? SW_MINIMIZE
                         : state == kMaximized ? SW_MAXIMIZE
                                               : SW_RESTORE);
    if (state != kMinimized) apply_focus = true;
  }
}

HWND Win32SearchView::Impl::FocusTarget(const frmSearch& form) const {
  switch (form.Focus()) {
    case frmSearch::Control::txtFind:
      return txt_find;
    case frmSearch::Control::cmdFind:
      return cmd_find;
    case frmSearch::Control::lstFind:
      return lst_find;
    case frmSearch::Control::cmdOk:
      return cmd_ok;
    case frmSearch::Control::cmdCancel:
      return cmd_cancel;
    case frmSearch::Control::optType:
      return opt_type[form.SearchType() >= 0 && form.SearchType() < frmSearch::kTypeCount
                          ? form.SearchType()
                          : 0];
    case frmSearch::Control::kNone:
      break;
  }
  return nullptr;
}

// The focus follows the form when the form moves it, when a handler that may
// move it ran, or when the window appears; otherwise it stays where the user
// put it.
void Win32SearchView::Impl::SyncFocus(const frmSearch& form) {
  if (form.Focus() != shown_focus) apply_focus = true;
  if (!apply_focus || !form.Visible() || ::IsIconic(window) != FALSE) return;
  apply_focus = false;
  shown_focus = form.Focus();
  HWND target = FocusTarget(form);
  if (target == nullptr || ::IsWindowEnabled(target) == FALSE) return;
  if (::GetFocus() != target) ::SetFocus(target);
  if (target == txt_find) {
    const frmSearch::TextBox& txt = form.txtFind();
    ::SendMessageA(txt_find, EM_SETSEL, static_cast<WPARAM>(txt.sel_start),
                   static_cast<LPARAM>(txt.sel_start + txt.sel_length));
    shown_sel_start = txt.sel_start;
    shown_sel_length = txt.sel_length;
  }
}

void Win32SearchView::Impl::SyncPointer(int pointer) {
  if (pointer == shown_pointer) return;
  shown_pointer = pointer;
  if (pointer == frmSearch::kHourglass) {
    // The search runs without a message loop, so the cursor is set at once.
    ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
    return;
  }
  POINT at{};
  if (::GetCursorPos(&at) != FALSE) {
    HWND under = ::WindowFromPoint(at);
    if (under != nullptr && ::GetAncestor(under, GA_ROOT) == window) {
      ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
    }
  }
}

int Win32SearchView::Impl::FilterKey(int key, bool in_list) {
  auto key_ascii = static_cast<std::int16_t>(key);
  if (!Run([&](frmSearch& f) { f.Form_KeyPress(key_ascii); })) return -1;
  if (key_ascii == 0) return 0;
  if (key_ascii == 13) apply_focus = true;  // Enter searches or goes to the match
  if (!Run([&](frmSearch& f) {
        if (in_list) {
          f.lstFind_KeyPress(key_ascii);
        } else {
          f.txtFind_KeyPress(key_ascii);
        }
      })) {
    return -1;
  }
  return key_ascii & 0xFF;
}

void Win32SearchView::Impl::ShowHelp() {
  try {
    HelpRoutines help(ports);
    help.HelpInit(reinterpret_cast<std::intptr_t>(window));
    help.ShowHelpContext(frmSearch::kHelpContextId);
  } catch (...) {
    // No help file, no help; the dialog stays.
  }
}

LRESULT Win32SearchView::Impl::OnCommand(int id, int code) {
  if (id >= kOptTypeId && id < kOptTypeId + frmSearch::kTypeCount) {
    if (code == BN_CLICKED) {
      apply_focus = true;
      Run([&](frmSearch& f) { f.optType_Click(static_cast<std::int16_t>(id - kOptTypeId)); });
    }
    return 0;
  }
  switch (id) {
    case kTxtFindId:
      if (code == EN_CHANGE) {
        const std::string text = WindowText(txt_find);
        taking_text = true;
        if (Run([&](frmSearch& f) { f.SetFindText(text); })) taking_text = false;
      } else if (code == EN_SETFOCUS) {
        // Entering the query selects all of it.
        if (Run([](frmSearch& f) { f.txtFind_GotFocus(); }) && form != nullptr) {
          const frmSearch::TextBox& txt = form->txtFind();
          ::SendMessageA(txt_find, EM_SETSEL, txt.sel_start, txt.sel_start + txt.sel_length);
          shown_sel_start = txt.sel_start;
          shown_sel_length = txt.sel_length;
        }
      }
      break;
    case kCmdFindId:
      if (code == BN_CLICKED) {
        apply_focus = true;
        Run([](frmSearch& f) { f.cmdFind_Click(); });
      }
      break;
    case kLstFindId:
      if (code == LBN_SELCHANGE) {
        const int index = static_cast<int>(::SendMessageA(lst_find, LB_GETCURSEL, 0, 0));
        Run([&](frmSearch& f) { f.lstFind_Select(index); });
      } else if (code == LBN_DBLCLK) {
        Run([](frmSearch& f) { f.lstFind_DblClick(); });
      }
      break;
    case kCmdOkId:
      if (code == BN_CLICKED) Run([](frmSearch& f) { f.cmdOk_Click(); });
      break;
    case kCmdCancelId:
      if (code == BN_CLICKED) Run([](frmSearch& f) { f.cmdCancel_Click(); });
      break;
    case IDCANCEL: {
      // Esc, as the dialog manager reports it from any control.
      std::int16_t key = 27;
      Run([&](frmSearch& f) { f.Form_KeyPress(key); });
      break;
    }
    default:
      break;
  }
  return 0;
}

LRESULT CALLBACK Win32SearchView::Impl::WindowProc(HWND window, UINT message, WPARAM wparam,
                                                   LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
    auto* self = static_cast<Impl*>(create->lpCreateParams);
    self->window = window;
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    return ::DefWindowProcA(window, message, wparam, lparam);
  }
  Impl* self = FromWindow(window);
  if (self == nullptr) return ::DefWindowProcA(window, message, wparam, lparam);

  switch (message) {
    case WM_COMMAND:
      if (self->syncing) return 0;
      return self->OnCommand(LOWORD(wparam), HIWORD(wparam));
    case WM_CLOSE:
      // The close box only hides the dialog.
      if (!self->syncing && self->form != nullptr) {
        self->Run([](frmSearch& f) { f.CloseBox(); });
      }
      return 0;
    case WM_SIZE:
      if (!self->syncing && self->form != nullptr) {
        const std::int16_t state = wparam == SIZE_MINIMIZED   ? kMinimized
                                   : wparam == SIZE_MAXIMIZED ? kMaximized
                                   : wparam == SIZE_RESTORED  ? 0
                                                              : -1;
        if (state >= 0 && state != self->form->WindowState()) {
          self->Run([&](frmSearch& f) { f.WindowState(state); });
        }
      }
      return 0;
    case WM_SETCURSOR:
      if (self->form != nullptr && self->form->MousePointer() == frmSearch::kHourglass) {
        ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_HELP:
      self->ShowHelp();
      return TRUE;
    case WM_ACTIVATE:
      // Keep the control that had the focus across a switch to another window.
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focused = ::GetFocus();
        if (focused != nullptr && ::IsChild(window, focused) != FALSE) self->saved_focus = focused;
      } else if (self->saved_focus != nullptr && ::IsWindow(self->saved_focus) != FALSE &&
                 ::IsWindowEnabled(self->saved_focus) != FALSE) {
        ::SetFocus(self->saved_focus);
        return 0;
      }
      break;
    case WM_NCDESTROY:
      self->Forget();
      ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wparam, lparam);
}

// A key for the edit box or the list goes through the form's handlers first;
// the control sees it as they leave it, or not at all.
LRESULT Win32SearchView::Impl::ControlProc(WNDPROC proc, bool in_list, HWND window, UINT message,
                                           WPARAM wparam, LPARAM lparam) {
  if (message == WM_GETDLGCODE) return WantEnter(proc, window, message, wparam, lparam);
  Impl* self = FromWindow(::GetParent(window));
  if (message == WM_CHAR && self != nullptr && !self->syncing) {
    const int key = self->FilterKey(static_cast<int>(wparam & 0xFF), in_list);
    // The handler may have closed the dialog's window, or the view itself.
    if (key <= 0 || ::IsWindow(window) == FALSE) return 0;
    wparam = static_cast<WPARAM>(key);
  }
  return ::CallWindowProcA(proc, window, message, wparam, lparam);
}

LRESULT CALLBACK Win32SearchView::Impl::EditProc(HWND window, UINT message, WPARAM wparam,
                                                 LPARAM lparam) {
  return ControlProc(edit_class_proc, false, window, message, wparam, lparam);
}

LRESULT CALLBACK Win32SearchView::Impl::ListProc(HWND window, UINT message, WPARAM wparam,
                                                 LPARAM lparam) {
  return ControlProc(list_class_proc, true, window, message, wparam, lparam);
}

Win32SearchView::Win32SearchView(const Ports& ports) : impl_(std::make_unique<Impl>(ports)) {}

void Win32SearchView::Impl::DestroyWindow() {
  if (window == nullptr) return;
  ::DestroyWindow(window);
  ReleaseClass();
}

Win32SearchView::~Win32SearchView() {
  *impl_->alive = false;
  impl_->DestroyWindow();
}

void Win32SearchView::Attach(frmSearch& form) { impl_->form = &form; }

void Win32SearchView::Sync(const frmSearch& form) { impl_->Sync(form); }

void Win32SearchView::Destroy() { impl_->DestroyWindow(); }

std::intptr_t Win32SearchView::hWnd() const {
  return reinterpret_cast<std::intptr_t>(impl_->window);
}

std::intptr_t Win32SearchView::Control(int id) const {
  if (impl_->window == nullptr) return 0;
  return reinterpret_cast<std::intptr_t>(::GetDlgItem(impl_->window, id));
}

SearchViewFactory Win32SearchViewFactory(const Ports& ports) {
  return
      [ports]() -> std::unique_ptr<SearchView> { return std::make_unique<Win32SearchView>(ports); };
}

}  // namespace k9::winforms
