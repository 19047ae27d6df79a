// SearchView puts the search dialog on screen. The dialog (frmSearch) keeps every
// control's state itself; after each change it asks its view to show that state.
// A Win32 view builds a real window from it and turns the user's clicks and keys
// into calls of the dialog's handlers; the headless view shows nothing, and
// scripts and tests work the dialog through SearchDialogDriver instead.
#pragma once

#include <cstdint>

namespace k9 {

class frmSearch;

class SearchView {
 public:
  SearchView() = default;
  SearchView(const SearchView&) = delete;
  SearchView& operator=(const SearchView&) = delete;
  virtual ~SearchView() = default;

  // The dialog this view shows; called once, by the dialog, as it is made. A
  // view that takes the user's actions keeps it to call the handlers.
  virtual void Attach(frmSearch& /*form*/) {}
  // Shows the dialog's current state: visibility, owner, position, window
  // state, captions, texts, list, enabled flags, focus and mouse pointer.
  virtual void Sync(const frmSearch& form) = 0;
  // The dialog is being destroyed: the window goes away.
  virtual void Destroy() = 0;
  // The window's handle, owner of the dialog's message boxes (0 for none).
  virtual std::intptr_t hWnd() const = 0;
};

// Shows nothing; counts the updates so tests can see that the form asked.
class HeadlessSearchView : public SearchView {
 public:
  void Sync(const frmSearch& /*form*/) override { ++sync_count_; }
  void Destroy() override { destroyed_ = true; }
  std::intptr_t hWnd() const override { return 0; }

  int sync_count() const { return sync_count_; }
  bool destroyed() const { return destroyed_; }

 private:
  int sync_count_ = 0;
  bool destroyed_ = false;
};

}  // namespace k9
