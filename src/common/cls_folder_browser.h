// clsFolderBrowser asks the user for a folder: the caller sets an owner window
// and a prompt, then reads strFolder with an optional start folder and gets the
// chosen file-system folder, or "" when the user cancelled.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dialogs.h"

namespace k9 {

class clsFolderBrowser {
 public:
  explicit clsFolderBrowser(Dialogs& dialogs = Dialogs::Default()) : dialogs_(dialogs) {}

  void lnghWndOwner(std::intptr_t owner) { owner_ = owner; }
  void blnDontGoBelowDomain(bool value) { dont_go_below_domain_ = value; }
  void strTitle(const std::string& title) { title_ = title; }

  // Shows the dialog modally; the chosen folder, or "" when cancelled.
  std::string strFolder(const std::string& start_folder = "");

 private:
  Dialogs& dialogs_;
  std::intptr_t owner_ = 0;
  bool dont_go_below_domain_ = false;
  std::string title_;
};

}  // namespace k9
