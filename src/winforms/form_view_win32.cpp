#include "winforms/form_view_win32.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "winforms/window_support_win32.h"

namespace k9::winforms {

namespace detail {

// A loaded form's window. Control i of the form's list has the command id
// kFirstControlId + i, whether it is a menu entry or a child window.
struct FormWindow {
  ViewableForm* form = nullptr;
  HWND hwnd = nullptr;
  std::vector<FormControl> controls;
  std::vector<HWND> children;  // per control; null for menu entries
  int default_id = 0;          // the button Enter presses, 0 for none
  HBITMAP picture = nullptr;   // the form's picture, owned; null for none
};

}  // namespace detail

namespace {

using detail::FormWindow;
using Kind = FormControl::Kind;

constexpr int kFirstControlId = 1000;
constexpr int kMargin = 12;
constexpr int kGap = 8;
constexpr int kButtonHeight = 26;
constexpr int kMinButtonWidth = 88;
constexpr int kMinClientWidth = 240;

bool IsMenuEntry(Kind kind) {
  return kind == Kind::kSubmenu || kind == Kind::kCommand || kind == Kind::kCheck ||
         kind == Kind::kSeparator;
}

bool HasMenu(const std::vector<FormControl>& controls) {
  return std::any_of(controls.begin(), controls.end(),
                     [](const FormControl& control) { return IsMenuEntry(control.kind); });
}

// The menu bar for the form's menu entries; null when it has none. An entry whose
// parent is not a submenu listed before it is left out.
HMENU BuildMenu(const std::vector<FormControl>& controls) {
  if (!HasMenu(controls)) return nullptr;
  HMENU bar = ::CreateMenu();
  std::vector<HMENU> popups(controls.size(), nullptr);
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const FormControl& control = controls[i];
    if (!IsMenuEntry(control.kind)) continue;
    HMENU into = bar;
    if (control.parent >= 0) {
      const auto parent = static_cast<std::size_t>(control.parent);
      if (parent >= i || popups[parent] == nullptr) continue;
      into = popups[parent];
    }
    const UINT state = control.enabled ? MF_ENABLED : MF_GRAYED;
    const auto id = static_cast<UINT_PTR>(kFirstControlId + static_cast<int>(i));
    switch (control.kind) {
      case Kind::kSubmenu:
        popups[i] = ::CreatePopupMenu();
        ::AppendMenuA(into, MF_POPUP | state, reinterpret_cast<UINT_PTR>(popups[i]),
                      control.caption.c_str());
        break;
      case Kind::kSeparator:
        ::AppendMenuA(into, MF_SEPARATOR, 0, nullptr);
        break;
      default:
        ::AppendMenuA(into, MF_STRING | state | (control.checked ? MF_CHECKED : MF_UNCHECKED), id,
                      control.caption.c_str());
        break;
    }
  }
  return bar;
}

FormWindow* FromHwnd(HWND hwnd) {
  return reinterpret_cast<FormWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

// The caption's extent in the dialog font, access-key marks left out.
SIZE TextExtent(HWND hwnd, const std::string& caption) {
  std::string shown;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    shown += caption[i];
  }
  SIZE size{0, 16};
  HDC dc = ::GetDC(hwnd);
  if (dc == nullptr) return size;
  HGDIOBJ old = ::SelectObject(dc, static_cast<HFONT>(detail::DialogFont()));
  if (!shown.empty())
    ::GetTextExtentPoint32A(dc, shown.c_str(), static_cast<int>(shown.size()), &size);
  TEXTMETRICA metrics{};
  if (::GetTextMetricsA(dc, &metrics)) size.cy = metrics.tmHeight;
  ::SelectObject(dc, old);
  ::ReleaseDC(hwnd, dc);
  return size;
}

bool Sized(const FormPlacement& placement) {
  return (placement.client_width > 0 && placement.client_height > 0) ||
         (placement.width > 0 && placement.height > 0);
}

// Puts the window where the form wants it, at the size it asks for: the client
// area's when it gives one (whatever the frame, title and menu bar take), else the
// whole window's. Does nothing for a form that leaves this to the view.
void Place(HWND hwnd, const FormPlacement& placement) {
  const int x = detail::TwipsToPixelsX(placement.left);
  const int y = detail::TwipsToPixelsY(placement.top);
  constexpr UINT kFlags = SWP_NOZORDER | SWP_NOACTIVATE;
  if (placement.client_width > 0 && placement.client_height > 0) {
    const int width = detail::TwipsToPixelsX(placement.client_width);
    const int height = detail::TwipsToPixelsY(placement.client_height);
    RECT outer{0, 0, width, height};
    ::AdjustWindowRectEx(&outer, static_cast<DWORD>(::GetWindowLongPtrA(hwnd, GWL_STYLE)),
                         ::GetMenu(hwnd) != nullptr,
                         static_cast<DWORD>(::GetWindowLongPtrA(hwnd, GWL_EXSTYLE)));
    const int outer_width = outer.right - outer.left;
    const int outer_height = outer.bottom - outer.top;
    ::SetWindowPos(hwnd, nullptr, x, y, outer_width, outer_height, kFlags);
    // A menu bar too wide for one line takes more than the estimate allowed.
    RECT client{};
    ::GetClientRect(hwnd, &client);
    const int more_width = width - (client.right - client.left);
    const int more_height = height - (client.bottom - client.top);
    if (more_width != 0 || more_height != 0) {
      ::SetWindowPos(hwnd, nullptr, 0, 0, outer_width + more_width, outer_height + more_height,
                     kFlags | SWP_NOMOVE);
    }
  } else if (placement.width > 0 && placement.height > 0) {
    ::SetWindowPos(hwnd, nullptr, x, y, detail::TwipsToPixelsX(placement.width),
                   detail::TwipsToPixelsY(placement.height), kFlags);
  }
}

// Labels stacked and centred at the top, buttons in a centred row below them.
// Without a size from the form the window is fitted around them.
void LayOut(FormWindow& window) {
  HWND hwnd = window.hwnd;
  int text_width = 0;
  int row_width = 0;
  int label_height = 0;
  int labels = 0;
  std::vector<int> widths(window.controls.size(), 0);
  for (std::size_t i = 0; i < window.controls.size(); ++i) {
    if (window.children[i] == nullptr) continue;
    const SIZE extent = TextExtent(hwnd, window.controls[i].caption);
    if (window.controls[i].kind == Kind::kLabel) {
      widths[i] = extent.cx;
      text_width = std::max(text_width, static_cast<int>(extent.cx));
      label_height = std::max(label_height, static_cast<int>(extent.cy) + 4);
      ++labels;
    } else {
      widths[i] = std::max(kMinButtonWidth, static_cast<int>(extent.cx) + 24);
      row_width += widths[i] + (row_width > 0 ? kGap : 0);
    }
  }

  const FormPlacement placement = window.form->Placement();
  RECT client{};
  if (Sized(placement)) {
    Place(hwnd, placement);
    ::GetClientRect(hwnd, &client);
  } else {
    const int buttons_top = kMargin + labels * label_height + (labels > 0 ? 2 * kGap : 0);
    client = RECT{0, 0, std::max({kMinClientWidth, text_width, row_width}) + 2 * kMargin,
                  buttons_top + (row_width > 0 ? kButtonHeight + kMargin : 0)};
    RECT outer = client;
    ::AdjustWindowRectEx(&outer, static_cast<DWORD>(::GetWindowLongPtrA(hwnd, GWL_STYLE)),
                         ::GetMenu(hwnd) != nullptr,
                         static_cast<DWORD>(::GetWindowLongPtrA(hwnd, GWL_EXSTYLE)));
    ::SetWindowPos(hwnd, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  }

  const int width = client.right - client.left;
  int y = kMargin;
  int x = (width - row_width) / 2;
  const int buttons_top = kMargin + labels * label_height + (labels > 0 ? 2 * kGap : 0);
  for (std::size_t i = 0; i < window.controls.size(); ++i) {
    HWND child = window.children[i];
    if (child == nullptr) continue;
    if (window.controls[i].kind == Kind::kLabel) {
      ::MoveWindow(child, kMargin, y, width - 2 * kMargin, label_height, FALSE);
      y += label_height;
    } else {
      ::MoveWindow(child, x, buttons_top, widths[i], kButtonHeight, FALSE);
      x += widths[i] + kGap;
    }
  }
}

// Shows the model's current state: caption, menu bar, captions and enabled state
// of labels and buttons.
void Refresh(FormWindow& window) {
  window.controls = window.form->Controls();
  ::SetWindowTextA(window.hwnd, window.form->Caption().c_str());
  if (HasMenu(window.controls)) {
    HMENU old = ::GetMenu(window.hwnd);
    ::SetMenu(window.hwnd, BuildMenu(window.controls));
    if (old != nullptr) ::DestroyMenu(old);
    ::DrawMenuBar(window.hwnd);
  }
  const std::size_t count = std::min(window.controls.size(), window.children.size());
  for (std::size_t i = 0; i < count; ++i) {
    HWND child = window.children[i];
    if (child == nullptr) continue;
    ::SetWindowTextA(child, window.controls[i].caption.c_str());
    ::EnableWindow(child, window.controls[i].enabled ? TRUE : FALSE);
  }
}

void Choose(HWND hwnd, FormWindow& window, int id) {
  if (id == IDCANCEL) {  // Escape
    window.form->SystemClose();
    return;
  }
  if (id == IDOK) id = window.default_id;  // Enter
  const int index = id - kFirstControlId;
  if (index < 0 || static_cast<std::size_t>(index) >= window.controls.size()) return;
  const FormControl& control = window.controls[static_cast<std::size_t>(index)];
  if (control.kind == Kind::kSubmenu || control.kind == Kind::kSeparator ||
      control.kind == Kind::kLabel) {
    return;
  }
  const std::string name = control.name;
  window.form->Click(name);
  // The handler may have unloaded the form and so destroyed this window.
  if (!::IsWindow(hwnd)) return;
  if (FormWindow* still = FromHwnd(hwnd)) Refresh(*still);
}

// The form's picture for the window: the named bitmap resource of the module
// holding this code, kept as a DIB section so its colours do not depend on the
// display's. Null when the form has none or the module lacks it.
HBITMAP LoadPicture(const std::string& name) {
  if (name.empty()) return nullptr;
  const auto instance = static_cast<HINSTANCE>(detail::ThisModule());
  if (::FindResourceA(instance, name.c_str(), reinterpret_cast<LPCSTR>(RT_BITMAP)) == nullptr) {
    return nullptr;
  }
  return static_cast<HBITMAP>(
      ::LoadImageA(instance, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

// Draws the picture over the whole client area, which the form sized to it (at
// another screen resolution the picture is scaled to fit). False when it could
// not be drawn, so the plain background is painted instead.
bool PaintPicture(HWND hwnd, HBITMAP picture, HDC dc) {
  BITMAP info{};
  if (dc == nullptr || ::GetObjectA(picture, sizeof info, &info) == 0) return false;
  RECT client{};
  ::GetClientRect(hwnd, &client);
  HDC source = ::CreateCompatibleDC(dc);
  if (source == nullptr) return false;
  HGDIOBJ old = ::SelectObject(source, picture);
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  const bool same_size = width == info.bmWidth && height == info.bmHeight;
  const int old_mode = ::SetStretchBltMode(dc, same_size ? COLORONCOLOR : HALFTONE);
  if (!same_size) ::SetBrushOrgEx(dc, 0, 0, nullptr);  // as halftone scaling wants
  const BOOL drawn =
      ::StretchBlt(dc, 0, 0, width, height, source, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
  if (old_mode != 0) ::SetStretchBltMode(dc, old_mode);
  ::SelectObject(source, old);
  ::DeleteDC(source);
  return drawn != FALSE;
}

LRESULT CALLBACK FormWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* window =
        static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    window->hwnd = hwnd;
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
  }
  FormWindow* window = FromHwnd(hwnd);
  if (window == nullptr) return ::DefWindowProcA(hwnd, message, wparam, lparam);
  switch (message) {
    case WM_COMMAND:
      // Menu choices and accelerators carry no control; of a control's
      // notifications only a click counts.
      if (lparam != 0 && HIWORD(wparam) != BN_CLICKED) break;
      Choose(hwnd, *window, LOWORD(wparam));
      return 0;
    case WM_CLOSE:
      window->form->SystemClose();
      return 0;
    case DM_GETDEFID:
      if (window->default_id != 0) return MAKELRESULT(window->default_id, DC_HASDEFID);
      return 0;
    case WM_ERASEBKGND:
      if (window->picture != nullptr &&
          PaintPicture(hwnd, window->picture, reinterpret_cast<HDC>(wparam))) {
        return 1;
      }
      break;
    case WM_NCDESTROY:
      if (window->picture != nullptr) ::DeleteObject(window->picture);
      window->picture = nullptr;
      window->hwnd = nullptr;
      ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return ::DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace

Win32FormView::Win32FormView() = default;

Win32FormView::~Win32FormView() {
  for (auto& [form, window] : windows_) {
    if (window->hwnd != nullptr && ::IsWindow(window->hwnd)) ::DestroyWindow(window->hwnd);
  }
}

std::intptr_t Win32FormView::Load(ViewableForm& form) {
  std::unique_ptr<FormWindow>& slot = windows_[&form];
  if (slot && slot->hwnd != nullptr) return reinterpret_cast<std::intptr_t>(slot->hwnd);

  if (!detail::RegisterWindowClass(kWindowClass, reinterpret_cast<void*>(&FormWindowProc), true)) {
    windows_.erase(&form);
    return 0;
  }
  slot = std::make_unique<FormWindow>();
  FormWindow& window = *slot;
  window.form = &form;
  window.controls = form.Controls();

  const bool menu_form = HasMenu(window.controls);
  const DWORD style = menu_form ? WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX
                                : WS_POPUP | WS_CAPTION | WS_SYSMENU;
  const DWORD ex_style = WS_EX_CONTROLPARENT | (menu_form ? 0 : WS_EX_DLGMODALFRAME);
  HWND owner = showing_.empty() ? ::GetActiveWindow() : static_cast<HWND>(showing_.back());
  HMENU menu = BuildMenu(window.controls);
  const auto instance = static_cast<HINSTANCE>(detail::ThisModule());
  HWND hwnd =
      ::CreateWindowExA(ex_style, kWindowClass, form.Caption().c_str(), style, CW_USEDEFAULT,
                        CW_USEDEFAULT, 320, 200, owner, menu, instance, &window);
  if (hwnd == nullptr) {
    if (menu != nullptr) ::DestroyMenu(menu);
    windows_.erase(&form);
    return 0;
  }

  window.picture = LoadPicture(form.Picture());
  window.children.assign(window.controls.size(), nullptr);
  for (std::size_t i = 0; i < window.controls.size(); ++i) {
    const FormControl& control = window.controls[i];
    const auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + i));
    HWND child = nullptr;
    if (control.kind == Kind::kLabel) {
      child = ::CreateWindowExA(0, "STATIC", control.caption.c_str(),
                                WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX, 0, 0, 10, 10, hwnd,
                                id, instance, nullptr);
    } else if (control.kind == Kind::kButton) {
      const bool is_default = window.default_id == 0 && control.enabled;
      child = ::CreateWindowExA(
          0, "BUTTON", control.caption.c_str(),
          WS_CHILD | WS_VISIBLE | WS_TABSTOP | (is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0,
          0, 10, 10, hwnd, id, instance, nullptr);
      if (child != nullptr && is_default) window.default_id = kFirstControlId + static_cast<int>(i);
      if (child != nullptr && !control.enabled) ::EnableWindow(child, FALSE);
    }
    if (child != nullptr)
      ::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(detail::DialogFont()), FALSE);
    window.children[i] = child;
  }
  LayOut(window);
  return reinterpret_cast<std::intptr_t>(hwnd);
}

void Win32FormView::ShowModal(ViewableForm& form) {
  if (WindowOf(form) == 0 && Load(form) == 0) {
    // No window can be made: leave rather than wait for input that cannot come.
    form.SystemClose();
    return;
  }
  FormWindow& window = *windows_.at(&form);
  HWND hwnd = window.hwnd;
  Refresh(window);

  const FormPlacement placement = form.Placement();
  RECT rect{};
  ::GetWindowRect(hwnd, &rect);
  HWND owner = ::GetWindow(hwnd, GW_OWNER);
  if (Sized(placement)) {
    Place(hwnd, placement);
  } else {
    const detail::Point at =
        detail::CentreOn(owner, rect.right - rect.left, rect.bottom - rect.top);
    ::SetWindowPos(hwnd, nullptr, at.x, at.y, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
  }

  showing_.push_back(hwnd);
  {
    detail::ModalScope modal(hwnd, owner);
    ::ShowWindow(hwnd, SW_SHOW);
    ::SetActiveWindow(hwnd);
    if (window.default_id != 0) ::SetFocus(::GetDlgItem(hwnd, window.default_id));
    detail::RunModalLoop(
        hwnd, [&form] { return form.Visible(); }, ::GetMenu(hwnd) == nullptr,
        [&form] { form.Help(); });
  }
  showing_.pop_back();
  // The loop also ends when the application quits or the window went away under
  // the form (its owner was destroyed): the user can no longer act on it, which
  // is a system close.
  if (form.Visible()) form.SystemClose();
  if (::IsWindow(hwnd)) ::ShowWindow(hwnd, SW_HIDE);
}

void Win32FormView::Unload(ViewableForm& form) {
  auto found = windows_.find(&form);
  if (found == windows_.end()) return;
  std::unique_ptr<FormWindow> window = std::move(found->second);
  windows_.erase(found);
  if (window->hwnd != nullptr && ::IsWindow(window->hwnd)) ::DestroyWindow(window->hwnd);
}

std::intptr_t Win32FormView::WindowOf(const ViewableForm& form) const {
  auto found = windows_.find(&form);
  if (found == windows_.end() || found->second->hwnd == nullptr) return 0;
  return reinterpret_cast<std::intptr_t>(found->second->hwnd);
}

}  // namespace k9::winforms
