// SearchDialogDriver works a search dialog the way a user would, for scripts
// (the stand-in host) and tests where no window exists: it clicks, types key by
// key through the dialog's key filters, and reads what the dialog shows. Actions
// on a control the user could not reach (hidden dialog, disabled button) are
// refused and return false.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "search/frm_search.h"

namespace k9 {

class SearchDialogDriver {
 public:
  explicit SearchDialogDriver(frmSearch& form) : form_(form) {}

  // Clicks the option button of search type `type` (0-5).
  bool ChooseType(std::int16_t type);
  // Selects the whole query and types `text` over it, key by key; keys the
  // dialog discards are dropped, and the text box's limit applies. "\r" presses Enter.
  bool Type(const std::string& text);
  // Presses one key in the query box (8 backspace, 13 Enter, others insert).
  bool PressKey(std::int16_t key_ascii);
  bool ClickFind();
  // Selects match `index` (from 0) in the list.
  bool Select(int index);
  bool ClickGoTo();
  bool DoubleClickList();
  bool PressEnterInList();
  bool PressEsc();
  bool ClickClose();
  bool ClickCloseBox();

  // What the dialog shows.
  std::vector<std::string> Items() const;
  std::string ResultLabel() const { return form_.ResultLblCaption(); }
  std::string Prompt() const { return form_.labPrompt(); }
  std::string Text() const { return form_.txtFind().text; }

 private:
  frmSearch& form_;
};

// The same hands for automation that holds the dialog only as the server's
// SearchDialog (the stand-in host's SearchFind and SearchGoTo). Each returns ""
// when done, else what stopped it.

// Chooses search type `type`, types `query` over the text and presses Find.
std::string AutomateSearchFind(SearchDialog* dialog, std::int16_t type, const std::string& query);
// Selects match `index` (from 0) and presses Go To.
std::string AutomateSearchGoTo(SearchDialog* dialog, std::int32_t index);
// The list's texts and the result label's caption (empty without a dialog).
std::vector<std::string> SearchListTexts(SearchDialog* dialog);
std::string SearchResultCaption(SearchDialog* dialog);

}  // namespace k9
