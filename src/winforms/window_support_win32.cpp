#include "winforms/window_support_win32.h"

#include <windows.h>

#include <algorithm>

namespace k9::winforms::detail {

void* ThisModule() {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCSTR>(&ThisModule), &module)) {
    module = ::GetModuleHandleA(nullptr);
  }
  return module;
}

bool RegisterWindowClass(const char* name, void* window_proc, bool dialog_background) {
  const HINSTANCE instance = static_cast<HINSTANCE>(ThisModule());
  const WNDPROC proc = reinterpret_cast<WNDPROC>(window_proc);
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExA(instance, name, &existing)) {
    if (existing.lpfnWndProc == proc) return true;
    ::UnregisterClassA(name, instance);
  }
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(
      static_cast<INT_PTR>((dialog_background ? COLOR_BTNFACE : COLOR_APPWORKSPACE) + 1));
  wc.lpszClassName = name;
  return ::RegisterClassExA(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

namespace {

int ScreenDpi(int axis) {
  HDC screen = ::GetDC(nullptr);
  int dpi = screen != nullptr ? ::GetDeviceCaps(screen, axis) : 0;
  if (screen != nullptr) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

}  // namespace

int TwipsToPixelsX(int twips) { return ::MulDiv(twips, ScreenDpi(LOGPIXELSX), 1440); }
int TwipsToPixelsY(int twips) { return ::MulDiv(twips, ScreenDpi(LOGPIXELSY), 1440); }

void* DialogFont() { return ::GetStockObject(DEFAULT_GUI_FONT); }

namespace {

struct Collect {
  HWND modal;
  std::vector<void*>* disabled;
};

BOOL CALLBACK DisableThreadWindow(HWND window, LPARAM param) {
  auto* collect = reinterpret_cast<Collect*>(param);
  if (window != collect->modal && ::IsWindowVisible(window) && ::IsWindowEnabled(window)) {
    ::EnableWindow(window, FALSE);
    collect->disabled->push_back(window);
  }
  return TRUE;
}

}  // namespace

ModalScope::ModalScope(void* modal, void* owner) {
  Collect collect{static_cast<HWND>(modal), &disabled_};
  ::EnumThreadWindows(::GetCurrentThreadId(), DisableThreadWindow,
                      reinterpret_cast<LPARAM>(&collect));
  // The owner may be a window of the host on another thread, or a hidden one.
  HWND owner_window = static_cast<HWND>(owner);
  if (owner_window != nullptr && owner_window != modal && ::IsWindow(owner_window) &&
      ::IsWindowEnabled(owner_window)) {
    ::EnableWindow(owner_window, FALSE);
    disabled_.push_back(owner_window);
  }
}

ModalScope::~ModalScope() {
  for (auto it = disabled_.rbegin(); it != disabled_.rend(); ++it) {
    HWND window = static_cast<HWND>(*it);
    if (::IsWindow(window)) ::EnableWindow(window, TRUE);
  }
}

void RunModalLoop(void* window, const std::function<bool()>& running, bool dialog_keys,
                  const std::function<void()>& help) {
  HWND hwnd = static_cast<HWND>(window);
  while (running() && ::IsWindow(hwnd)) {
    MSG msg;
    const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_F1 &&
        (msg.hwnd == hwnd || ::IsChild(hwnd, msg.hwnd))) {
      if (help) help();
      continue;
    }
    if (dialog_keys && ::IsDialogMessageA(hwnd, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}

Point CentreOn(void* owner, int width, int height) {
  RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  RECT around = area;
  HWND owner_window = static_cast<HWND>(owner);
  if (owner_window != nullptr && ::IsWindow(owner_window) && ::IsWindowVisible(owner_window)) {
    ::GetWindowRect(owner_window, &around);
  }
  int x = around.left + (around.right - around.left - width) / 2;
  int y = around.top + (around.bottom - around.top - height) / 2;
  x = std::max(static_cast<int>(area.left), std::min(x, static_cast<int>(area.right) - width));
  y = std::max(static_cast<int>(area.top), std::min(y, static_cast<int>(area.bottom) - height));
  return {x, y};
}

}  // namespace k9::winforms::detail
