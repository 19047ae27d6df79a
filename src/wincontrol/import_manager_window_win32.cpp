#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "platform/ports.h"
#include "platform/win32/win32_util.h"
#include "wincontrol/import_manager_window.h"
#include "winforms/window_support_win32.h"

namespace k9::wincontrol {

namespace {

namespace support = winforms::detail;
using engine::ImportManagerModel;

constexpr int kListId = 200;
constexpr int kImportId = 201;
constexpr int kRemoveId = 202;
constexpr int kCloseId = 203;
constexpr int kCancelId = 204;
constexpr int kStatusId = 205;
constexpr int kProgressId = 206;
constexpr UINT kProgressMessage = WM_APP + 1;  // the worker's status changed
constexpr UINT kEndedMessage = WM_APP + 2;     // the worker's import ended

constexpr int kClientWidth = 600;
constexpr int kClientHeight = 320;
constexpr int kMargin = 8;
constexpr int kButtonWidth = 92;
constexpr int kButtonHeight = 26;
constexpr int kBarHeight = 20;
constexpr int kStatusHeight = 16;

constexpr char kHint[] = "Import... reads an OpenStreetMap extract (" K9_EXTRACT_FORMS
                         ") or converts an overlay file (.gpx, .kml, .kmz, .geojson, .json).";

struct Window {
  ImportManagerModel* model = nullptr;
  HWND hwnd = nullptr;
  HWND list = nullptr;
  HWND status = nullptr;
  HWND progress = nullptr;
  HWND import = nullptr;
  HWND remove = nullptr;
  HWND close = nullptr;
  HWND cancel = nullptr;
  bool done = false;
  bool closing = false;  // Close while importing: close once the import has stopped
  std::atomic<bool> progress_posted{false};
};

Window* FromHwnd(HWND hwnd) {
  return reinterpret_cast<Window*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

std::intptr_t Handle(HWND hwnd) { return reinterpret_cast<std::intptr_t>(hwnd); }

int SelectedRow(const Window& window) {
  return static_cast<int>(
      ::SendMessageA(window.list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

// Enabled and shown as the model's state says: while importing no other import
// and no removal, and the progress bar with Cancel in place of nothing.
void SyncState(Window& window) {
  const bool running = window.model->Running();
  ::EnableWindow(window.import, !running);
  ::EnableWindow(window.remove, !running && SelectedRow(window) >= 0);
  ::EnableWindow(window.cancel, window.model->Cancellable());
  ::ShowWindow(window.progress, running ? SW_SHOWNA : SW_HIDE);
  ::ShowWindow(window.cancel, running ? SW_SHOWNA : SW_HIDE);
  const ImportManagerModel::StatusLine status = window.model->Status();
  ::SendMessageA(window.progress, PBM_SETPOS, static_cast<WPARAM>(std::max(0, status.percent)), 0);
  const std::string text = status.text.empty() ? std::string(kHint) : status.text;
  char shown[1024] = {};
  ::GetWindowTextA(window.status, shown, sizeof shown);
  if (text != shown) ::SetWindowTextA(window.status, text.c_str());
  // A disabled button must not keep the focus, or the keyboard goes nowhere.
  HWND focus = ::GetFocus();
  if (focus != nullptr && !::IsWindowEnabled(focus)) ::SetFocus(window.list);
}

void SetCell(HWND list, int row, int column, const std::string& text) {
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  ::SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// The list as the model has it, the selection kept on the same row number.
void SyncList(Window& window) {
  const int selected = SelectedRow(window);
  ::SendMessageA(window.list, WM_SETREDRAW, FALSE, 0);
  ::SendMessageA(window.list, LVM_DELETEALLITEMS, 0, 0);
  const auto& rows = window.model->Rows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<char*>(rows[i].name.c_str());
    const int row = static_cast<int>(
        ::SendMessageA(window.list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    SetCell(window.list, row, 1, rows[i].area);
    SetCell(window.list, row, 2, rows[i].imported);
    SetCell(window.list, row, 3, rows[i].size);
  }
  if (!rows.empty()) {
    const int row = std::min(std::max(selected, 0), static_cast<int>(rows.size()) - 1);
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(window.list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&state));
  }
  ::SendMessageA(window.list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(window.list, nullptr, TRUE);
}

void Close(Window& window) {
  if (window.model->Running()) {
    // The import stops first, so closing never leaves it half-done.
    window.closing = true;
    window.model->Cancel();
    return;
  }
  window.done = true;
}

void RemoveSelected(Window& window) {
  const int row = SelectedRow(window);
  if (row < 0 || window.model->Running()) return;
  window.model->Remove(static_cast<std::size_t>(row), Handle(window.hwnd));
  SyncList(window);
  SyncState(window);
}

void Command(Window& window, int id) {
  switch (id) {
    case kImportId:
      if (window.model->Import(Handle(window.hwnd))) {
        ::SetFocus(window.cancel);
      }
      SyncState(window);
      break;
    case kRemoveId:
      RemoveSelected(window);
      break;
    case kCloseId:
      Close(window);
      break;
    case IDCANCEL:  // Escape: stops a running import, else closes
    case kCancelId:
      if (window.model->Running()) {
        window.model->Cancel();
      } else if (id == IDCANCEL) {
        Close(window);
      }
      break;
    default:
      break;
  }
}

LRESULT CALLBACK ImportManagerWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    ::SetWindowLongPtrA(
        hwnd, GWLP_USERDATA,
        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams));
  }
  Window* window = FromHwnd(hwnd);
  if (window == nullptr) return ::DefWindowProcA(hwnd, message, wparam, lparam);
  switch (message) {
    case WM_COMMAND:
      if (lparam != 0 && HIWORD(wparam) != BN_CLICKED) break;
      Command(*window, LOWORD(wparam));
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header->idFrom != kListId) break;
      if (header->code == LVN_ITEMCHANGED) {
        SyncState(*window);
      } else if (header->code == LVN_KEYDOWN &&
                 reinterpret_cast<const NMLVKEYDOWN*>(lparam)->wVKey == VK_DELETE) {
        RemoveSelected(*window);
      }
      break;
    }
    case kProgressMessage:
      window->progress_posted = false;
      SyncState(*window);
      return 0;
    case kEndedMessage:
      window->model->Finish(Handle(hwnd), [window] {
        SyncList(*window);
        SyncState(*window);
        ::UpdateWindow(window->hwnd);
      });
      SyncList(*window);
      SyncState(*window);
      if (window->closing && !window->model->Running()) window->done = true;
      return 0;
    case WM_CLOSE:
      Close(*window);
      return 0;
    case DM_GETDEFID:
      // Enter stops a running import, else closes.
      return MAKELRESULT(window->model->Running() ? kCancelId : kCloseId, DC_HASDEFID);
    case WM_NCDESTROY:
      ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return ::DefWindowProcA(hwnd, message, wparam, lparam);
}

HWND MakeChild(HWND parent, DWORD ex_style, const char* window_class, const char* text, DWORD style,
               int id, int x, int y, int width, int height) {
  HWND child = ::CreateWindowExA(ex_style, window_class, text, WS_CHILD | style, x, y, width,
                                 height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 static_cast<HINSTANCE>(support::ThisModule()), nullptr);
  if (child != nullptr) {
    ::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(support::DialogFont()), FALSE);
  }
  return child;
}

// The list on the left, the buttons in a column on its right; below the list the
// status line and the progress bar, with Cancel beside the bar.
bool MakeControls(Window& window) {
  HWND hwnd = window.hwnd;
  const int list_width = kClientWidth - 3 * kMargin - kButtonWidth;
  const int bar_top = kClientHeight - kMargin - kButtonHeight + (kButtonHeight - kBarHeight) / 2;
  const int status_top = bar_top - 6 - kStatusHeight * 2;
  const int list_height = status_top - 2 * kMargin;
  const int buttons_left = kMargin * 2 + list_width;
  window.list = MakeChild(hwnd, WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                          WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                          kListId, kMargin, kMargin, list_width, list_height);
  window.import =
      MakeChild(hwnd, 0, "BUTTON", kImportCaption, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                kImportId, buttons_left, kMargin, kButtonWidth, kButtonHeight);
  window.remove =
      MakeChild(hwnd, 0, "BUTTON", kRemoveCaption, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                kRemoveId, buttons_left, kMargin + kButtonHeight + 6, kButtonWidth, kButtonHeight);
  window.close = MakeChild(hwnd, 0, "BUTTON", kCloseCaption,
                           WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, kCloseId, buttons_left,
                           kMargin + 2 * (kButtonHeight + 6), kButtonWidth, kButtonHeight);
  window.status = MakeChild(hwnd, 0, "STATIC", "", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, kStatusId,
                            kMargin, status_top, kClientWidth - 2 * kMargin, kStatusHeight * 2);
  window.progress = MakeChild(hwnd, 0, PROGRESS_CLASSA, "", PBS_SMOOTH, kProgressId, kMargin,
                              bar_top, list_width, kBarHeight);
  window.cancel =
      MakeChild(hwnd, 0, "BUTTON", kCancelCaption, WS_TABSTOP | BS_PUSHBUTTON, kCancelId,
                buttons_left, kClientHeight - kMargin - kButtonHeight, kButtonWidth, kButtonHeight);
  if (window.list == nullptr || window.import == nullptr || window.remove == nullptr ||
      window.close == nullptr || window.status == nullptr || window.progress == nullptr ||
      window.cancel == nullptr) {
    return false;
  }
  ::SendMessageA(window.list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                 LVS_EX_FULLROWSELECT);
  const struct {
    const char* title;
    int width;
    int format;
  } columns[] = {{"Name", 120, LVCFMT_LEFT},
                 {"Area", 180, LVCFMT_LEFT},
                 {"Imported", 110, LVCFMT_LEFT},
                 {"Size", list_width - 120 - 180 - 110 - 4, LVCFMT_RIGHT}};
  for (int i = 0; i < 4; ++i) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = columns[i].format;
    column.cx = columns[i].width;
    column.pszText = const_cast<char*>(columns[i].title);
    ::SendMessageA(window.list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i),
                   reinterpret_cast<LPARAM>(&column));
  }
  ::SendMessageA(window.progress, PBM_SETRANGE32, 0, 100);
  return true;
}

}  // namespace

void Win32ImportManagerView::ShowModal(ImportManagerModel& model, std::intptr_t owner) {
  static const bool controls_ready = [] {
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX),
                              ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    return ::InitCommonControlsEx(&init) != FALSE;
  }();
  const bool class_ready = support::RegisterWindowClass(
      kImportManagerWindowClass, reinterpret_cast<void*>(&ImportManagerWindowProc), true);
  HWND owner_window = reinterpret_cast<HWND>(owner);
  if (owner_window == nullptr || !::IsWindow(owner_window)) owner_window = ::GetActiveWindow();
  if (!controls_ready || !class_ready) return;

  constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  RECT outer{0, 0, kClientWidth, kClientHeight};
  ::AdjustWindowRectEx(&outer, kStyle, FALSE, kExStyle);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  const support::Point at = support::CentreOn(owner_window, width, height);

  Window window;
  window.model = &model;
  window.hwnd = ::CreateWindowExA(
      kExStyle, kImportManagerWindowClass, engine::kImportManagerCaption, kStyle, at.x, at.y, width,
      height, owner_window, nullptr, static_cast<HINSTANCE>(support::ThisModule()), &window);
  if (window.hwnd == nullptr) return;
  HWND hwnd = window.hwnd;
  if (!MakeControls(window)) {
    ::DestroyWindow(hwnd);
    return;
  }
  // Progress comes from the worker thread: one message waits at a time, and the
  // window reads the newest status when it gets it.
  model.SetNotify([hwnd, &window](bool ended) {
    if (ended) {
      ::PostMessageA(hwnd, kEndedMessage, 0, 0);
    } else if (!window.progress_posted.exchange(true)) {
      ::PostMessageA(hwnd, kProgressMessage, 0, 0);
    }
  });
  SyncList(window);
  SyncState(window);
  {
    support::ModalScope modal(hwnd, owner_window);
    ::ShowWindow(hwnd, SW_SHOW);
    ::SetActiveWindow(hwnd);
    ::SetFocus(window.list);
    support::RunModalLoop(
        hwnd, [&window] { return !window.done; }, true,
        [&window] { window.model->Help(Handle(window.hwnd)); });
    // A loop ended from outside (WM_QUIT, the window destroyed) still stops the
    // import before the window goes, and no notice reaches it afterwards.
    model.Stop();
  }
  model.SetNotify(nullptr);
  if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
}

std::unique_ptr<EngineImportManager> MakeWindowsImportManager() {
  // Never destroyed and stateless: each Show() puts its own model on it.
  static auto* view = new Win32ImportManagerView;
  const Ports ports = Ports::Default();
  return engine::MakeImportManager(
      ports.dialogs,
      [ports] { return engine::MakeDefaultImportBackend(*ports.fs, *ports.registry); },
      AutomationMode() ? nullptr : view,
      [ports] { return engine::ServerHelpFile(*ports.registry, *ports.fs); });
}

}  // namespace k9::wincontrol
