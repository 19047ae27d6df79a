// What the Win32 views of the server's forms share: the module the window classes
// belong to, twips to pixels, and the modal display (the owner and the thread's
// other windows disabled, a message loop that runs until the form is done).
// Handles are passed as void* so this header needs no <windows.h>.
#pragma once

#include <functional>
#include <vector>

namespace k9::winforms::detail {

// The module holding this code: the DLL when linked into it, else the program.
// Window classes are registered with it, so they work inside the DLL too.
void* ThisModule();

// Registers a window class of this module with the given window procedure (a
// WNDPROC). A class of that name left by an earlier load of the module, with
// another procedure, is replaced. False when registration failed.
bool RegisterWindowClass(const char* name, void* window_proc, bool dialog_background);

// Screen pixels for a length in twips, across and down.
int TwipsToPixelsX(int twips);
int TwipsToPixelsY(int twips);

// The font child controls use.
void* DialogFont();

// While it lives, every visible, enabled top-level window of this thread except
// `modal`, and `owner`, are disabled, as a modal window wants. Ends by enabling
// them again, before the modal window hides, so activation returns to the owner.
class ModalScope {
 public:
  ModalScope(void* modal, void* owner);
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;
  ~ModalScope();

 private:
  std::vector<void*> disabled_;
};

// Runs the thread's message loop while `running()` holds and `window` exists.
// `dialog_keys` gives the window the dialog keyboard (Tab, Enter = default
// button, Escape = IDCANCEL). F1 aimed at the window or its controls calls
// `help` instead of reaching them. A WM_QUIT ends the loop and is posted again
// for the loops further out.
void RunModalLoop(void* window, const std::function<bool()>& running, bool dialog_keys,
                  const std::function<void()>& help);

// The point that centres a window of the given size on `owner` (on the screen
// when there is none), kept on the screen.
struct Point {
  int x;
  int y;
};
Point CentreOn(void* owner, int width, int height);

}  // namespace k9::winforms::detail
