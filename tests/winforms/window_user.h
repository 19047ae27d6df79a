// A user at the screen, for the Win32 view tests: a second thread that finds the
// windows of the thread under test and acts on them with the messages that
// clicks and keys produce, while that thread runs the modal display.
//
// Waiting for a window is a loop with a generous limit, only so that a broken
// view fails the test instead of hanging it. When the script is over (or gave
// up), anything still shown is closed, so the display always returns.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>

namespace k9::testing {

class WindowUser {
 public:
  // Runs `show` on this thread and `script` on a second one; returns when both
  // are done.
  static void Drive(const std::function<void()>& show,
                    const std::function<void(WindowUser&)>& script);

  // The visible top-level window of the thread under test with that class and
  // caption; nullptr when none appeared.
  HWND WaitForWindow(const char* window_class, const std::string& caption);
  // True once `condition` holds; false when it never did.
  bool WaitUntil(const std::function<bool()>& condition);
  // True when the thread under test has a window of that class (shown or not).
  bool HasWindowOfClass(const char* window_class);

  // The child of `parent` with that text (a label or button caption), or nullptr.
  static HWND Child(HWND parent, const std::string& text);
  // The child of `parent` of that window class, or nullptr.
  static HWND ChildOfClass(HWND parent, const char* window_class);
  static std::string Text(HWND window);

  // The menu entry reached through the captions from the menu bar down; its
  // command id and its state flags (MF_CHECKED, MF_GRAYED, ...). Returns false
  // when the path leads nowhere.
  static bool FindMenuEntry(HWND window, std::initializer_list<std::string> path, UINT* id,
                            UINT* state);
  // Picks the menu entry as a click on it would (nothing for a missing entry).
  static void Choose(HWND window, std::initializer_list<std::string> path);
  static bool MenuChecked(HWND window, std::initializer_list<std::string> path);
  // A click on the button.
  static void Press(HWND button);
  // A key press on the window.
  static void Key(HWND window, WPARAM key);

 private:
  explicit WindowUser(DWORD thread) : thread_(thread) {}
  DWORD thread_;
};

}  // namespace k9::testing
