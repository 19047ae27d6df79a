#include "winforms/overlay_view_win32.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "winforms/window_support_win32.h"

namespace k9::winforms {

namespace {

constexpr int kPromptId = 100;
constexpr int kListId = 101;
constexpr int kMargin = 8;
constexpr int kPromptHeight = 20;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;

struct Chooser {
  frmOverlay* form = nullptr;
  HWND list = nullptr;
  bool syncing = false;  // the list's check boxes are being set from the model
};

Chooser* FromHwnd(HWND hwnd) {
  return reinterpret_cast<Chooser*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

// Shows the model's check marks in the list.
void SyncChecks(Chooser& chooser) {
  chooser.syncing = true;
  const int count = ListView_GetItemCount(chooser.list);
  for (int i = 0; i < count && static_cast<std::size_t>(i) < chooser.form->lstOvl.size(); ++i) {
    ListView_SetCheckState(
        chooser.list, i, chooser.form->lstOvl[static_cast<std::size_t>(i)].checked ? TRUE : FALSE);
  }
  chooser.syncing = false;
}

void ItemChanged(Chooser& chooser, const NMLISTVIEW& change) {
  if (chooser.syncing || change.iItem < 0 || (change.uChanged & LVIF_STATE) == 0) return;
  if (((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) == 0) return;
  // State image 2 is the checked box, 1 the empty one.
  const bool checked = (change.uNewState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
  chooser.form->lstOvl_ItemCheck(change.iItem, checked);
  SyncChecks(chooser);
}

LRESULT CALLBACK ChooserWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    ::SetWindowLongPtrA(
        hwnd, GWLP_USERDATA,
        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams));
  }
  Chooser* chooser = FromHwnd(hwnd);
  if (chooser == nullptr) return ::DefWindowProcA(hwnd, message, wparam, lparam);
  switch (message) {
    case WM_COMMAND:
      if (lparam != 0 && HIWORD(wparam) != BN_CLICKED) break;
      if (LOWORD(wparam) == IDOK) {
        chooser->form->cmdOk_Click();
      } else if (LOWORD(wparam) == IDCANCEL) {
        chooser->form->cmdCancel_Click();
      }
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header->idFrom == kListId && header->code == LVN_ITEMCHANGED) {
        ItemChanged(*chooser, *reinterpret_cast<const NMLISTVIEW*>(lparam));
      }
      break;
    }
    case WM_CLOSE:
      chooser->form->cmdCancel_Click();
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_NCDESTROY:
      ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return ::DefWindowProcA(hwnd, message, wparam, lparam);
}

HWND MakeChild(HWND parent, DWORD ex_style, const char* window_class, const std::string& text,
               DWORD style, int id) {
  HWND child =
      ::CreateWindowExA(ex_style, window_class, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0,
                        10, 10, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                        static_cast<HINSTANCE>(detail::ThisModule()), nullptr);
  if (child != nullptr) {
    ::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(detail::DialogFont()), FALSE);
  }
  return child;
}

// The prompt on top, the buttons at the bottom right, the list between them.
void LayOut(HWND hwnd, HWND prompt, HWND list, HWND ok, HWND cancel) {
  RECT client{};
  ::GetClientRect(hwnd, &client);
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  const int buttons_top = std::max(0, height - kMargin - kButtonHeight);
  const int list_top = kMargin + kPromptHeight + kMargin / 2;
  ::MoveWindow(prompt, kMargin, kMargin, width - 2 * kMargin, kPromptHeight, FALSE);
  ::MoveWindow(list, kMargin, list_top, width - 2 * kMargin,
               std::max(0, buttons_top - kMargin - list_top), FALSE);
  ::MoveWindow(cancel, width - kMargin - kButtonWidth, buttons_top, kButtonWidth, kButtonHeight,
               FALSE);
  ::MoveWindow(ok, width - 2 * (kMargin + kButtonWidth), buttons_top, kButtonWidth, kButtonHeight,
               FALSE);
  RECT list_client{};
  ::GetClientRect(list, &list_client);
  ListView_SetColumnWidth(list, 0, list_client.right - list_client.left);
}

}  // namespace

void Win32OverlayView::ShowModal(frmOverlay& form, std::intptr_t owner) {
  static const bool controls_ready = [] {
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
    return ::InitCommonControlsEx(&init) != FALSE;
  }();
  const bool class_ready =
      detail::RegisterWindowClass(kWindowClass, reinterpret_cast<void*>(&ChooserWindowProc), true);
  HWND owner_window = reinterpret_cast<HWND>(owner);
  if (owner_window == nullptr || !::IsWindow(owner_window)) owner_window = ::GetActiveWindow();

  Chooser chooser;
  chooser.form = &form;
  HWND hwnd = nullptr;
  if (controls_ready && class_ready) {
    hwnd = ::CreateWindowExA(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kWindowClass,
                             form.Caption.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU,
                             detail::TwipsToPixelsX(form.Left), detail::TwipsToPixelsY(form.Top),
                             detail::TwipsToPixelsX(form.Width),
                             detail::TwipsToPixelsY(form.Height), owner_window, nullptr,
                             static_cast<HINSTANCE>(detail::ThisModule()), &chooser);
  }
  if (hwnd == nullptr) {
    // Without a window the user cannot choose: that is the Cancel result.
    form.cmdCancel_Click();
    return;
  }

  HWND prompt = MakeChild(hwnd, 0, "STATIC", form.labPrompt, SS_LEFT | SS_NOPREFIX, kPromptId);
  chooser.list = MakeChild(
      hwnd, WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
      WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS, kListId);
  HWND ok =
      MakeChild(hwnd, 0, "BUTTON", frmOverlay::kOkCaption, WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK);
  HWND cancel = MakeChild(hwnd, 0, "BUTTON", frmOverlay::kCancelCaption, WS_TABSTOP | BS_PUSHBUTTON,
                          IDCANCEL);
  if (chooser.list != nullptr) {
    ListView_SetExtendedListViewStyle(chooser.list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    LVCOLUMNA column{};
    column.mask = LVCF_WIDTH;
    column.cx = 100;
    ::SendMessageA(chooser.list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    chooser.syncing = true;
    for (std::size_t i = 0; i < form.lstOvl.size(); ++i) {
      LVITEMA item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(i);
      item.pszText = const_cast<char*>(form.lstOvl[i].text.c_str());
      ::SendMessageA(chooser.list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    chooser.syncing = false;
    SyncChecks(chooser);
    LayOut(hwnd, prompt, chooser.list, ok, cancel);
  }

  {
    detail::ModalScope modal(hwnd, owner_window);
    ::ShowWindow(hwnd, SW_SHOW);
    ::SetActiveWindow(hwnd);
    ::SetFocus(chooser.list != nullptr ? chooser.list : ok);
    detail::RunModalLoop(
        hwnd, [&form] { return !form.unloaded(); }, true, [&form] { form.Help(); });
    // Leaving without a button (the window destroyed, the loop ended) is Cancel.
    if (!form.unloaded()) form.cmdCancel_Click();
  }
  if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
}

}  // namespace k9::winforms
