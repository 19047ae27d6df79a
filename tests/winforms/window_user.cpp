#include "window_user.h"

#include <atomic>
#include <thread>
#include <vector>

namespace k9::testing {

namespace {

constexpr int kPollMs = 10;
constexpr int kGiveUpMs = 15000;

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

std::vector<HWND> ThreadWindows(DWORD thread) {
  std::vector<HWND> windows;
  ::EnumThreadWindows(thread, CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  ::GetClassNameA(window, name, sizeof name);
  return name;
}

}  // namespace

void WindowUser::Drive(const std::function<void()>& show,
                       const std::function<void(WindowUser&)>& script) {
  WindowUser user(::GetCurrentThreadId());
  std::atomic<bool> shown_done{false};
  std::thread driver([&] {
    script(user);
    // Close whatever the script left open, innermost first, until the display
    // has returned.
    while (!shown_done) {
      for (HWND window : ThreadWindows(user.thread_)) {
        if (::IsWindowVisible(window) && ::IsWindowEnabled(window)) {
          ::PostMessageA(window, WM_CLOSE, 0, 0);
        }
      }
      ::Sleep(50);
    }
  });
  show();
  shown_done = true;
  driver.join();
}

bool WindowUser::WaitUntil(const std::function<bool()>& condition) {
  for (int waited = 0; waited < kGiveUpMs; waited += kPollMs) {
    if (condition()) return true;
    ::Sleep(kPollMs);
  }
  return condition();
}

HWND WindowUser::WaitForWindow(const char* window_class, const std::string& caption) {
  HWND found = nullptr;
  WaitUntil([&] {
    for (HWND window : ThreadWindows(thread_)) {
      if (::IsWindowVisible(window) && ClassOf(window) == window_class && Text(window) == caption) {
        found = window;
        return true;
      }
    }
    return false;
  });
  return found;
}

bool WindowUser::HasWindowOfClass(const char* window_class) {
  for (HWND window : ThreadWindows(thread_)) {
    if (ClassOf(window) == window_class) return true;
  }
  return false;
}

std::string WindowUser::Text(HWND window) {
  char text[512] = {};
  ::GetWindowTextA(window, text, sizeof text);
  return text;
}

HWND WindowUser::Child(HWND parent, const std::string& text) {
  for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (Text(child) == text) return child;
  }
  return nullptr;
}

HWND WindowUser::ChildOfClass(HWND parent, const char* window_class) {
  for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == window_class) return child;
  }
  return nullptr;
}

bool WindowUser::FindMenuEntry(HWND window, std::initializer_list<std::string> path, UINT* id,
                               UINT* state) {
  HMENU menu = ::GetMenu(window);
  const std::string* last = path.end() - 1;
  for (const std::string* step = path.begin(); step != path.end(); ++step) {
    if (menu == nullptr) return false;
    const int count = ::GetMenuItemCount(menu);
    HMENU next = nullptr;
    bool found = false;
    for (int i = 0; i < count && !found; ++i) {
      char caption[256] = {};
      ::GetMenuStringA(menu, static_cast<UINT>(i), caption, sizeof caption, MF_BYPOSITION);
      if (*step != caption) continue;
      found = true;
      if (step == last) {
        *id = ::GetMenuItemID(menu, i);
        *state = ::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
      } else {
        next = ::GetSubMenu(menu, i);
      }
    }
    if (!found) return false;
    menu = next;
  }
  return true;
}

void WindowUser::Choose(HWND window, std::initializer_list<std::string> path) {
  UINT id = 0;
  UINT state = 0;
  if (FindMenuEntry(window, path, &id, &state)) {
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  }
}

bool WindowUser::MenuChecked(HWND window, std::initializer_list<std::string> path) {
  UINT id = 0;
  UINT state = 0;
  return FindMenuEntry(window, path, &id, &state) && (state & MF_CHECKED) != 0;
}

void WindowUser::Press(HWND button) {
  ::PostMessageA(::GetParent(button), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

void WindowUser::Key(HWND window, WPARAM key) {
  ::PostMessageA(window, WM_KEYDOWN, key, 1);
  ::PostMessageA(window, WM_KEYUP, key, 1 | (1u << 30) | (1u << 31));
}

}  // namespace k9::testing
