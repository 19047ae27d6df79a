#include "search/search_driver.h"

#include <algorithm>

namespace k9 {

bool SearchDialogDriver::ChooseType(std::int16_t type) {
  if (!form_.Visible() || type < 0 || type >= frmSearch::kTypeCount) return false;
  form_.optType_Click(type);
  return true;
}

bool SearchDialogDriver::PressKey(std::int16_t key_ascii) {
  if (!form_.Visible()) return false;
  std::int16_t key = key_ascii;
  form_.txtFind_KeyPress(key);
  if (key == 0) return true;
  const frmSearch::TextBox& box = form_.txtFind();
  std::string text = box.text;
  const auto start = static_cast<std::size_t>(box.sel_start) < text.size()
                         ? static_cast<std::size_t>(box.sel_start)
                         : text.size();
  const std::size_t length =
      std::min(static_cast<std::size_t>(box.sel_length), text.size() - start);
  if (key == 8) {
    if (length > 0) {
      text.erase(start, length);
    } else if (start > 0) {
      text.erase(start - 1, 1);
    }
  } else if (key >= 32 && key <= 255) {
    text.erase(start, length);
    if (static_cast<int>(text.size()) >= box.max_length) return true;
    text.insert(start, 1, static_cast<char>(key));
  } else {
    return true;
  }
  form_.SetFindText(text);
  return true;
}

bool SearchDialogDriver::Type(const std::string& text) {
  if (!form_.Visible()) return false;
  form_.txtFind_GotFocus();
  for (char c : text) {
    const auto key = static_cast<std::int16_t>(c == '\r' ? 13 : static_cast<unsigned char>(c));
    PressKey(key);
  }
  return true;
}

bool SearchDialogDriver::ClickFind() {
  if (!form_.Visible() || !form_.cmdFind().enabled) return false;
  form_.cmdFind_Click();
  return true;
}

bool SearchDialogDriver::Select(int index) {
  const frmSearch::ListBox& list = form_.lstFind();
  if (!form_.Visible() || !list.enabled || index < 0 ||
      index >= static_cast<int>(list.items.size())) {
    return false;
  }
  form_.lstFind_Select(index);
  return true;
}

bool SearchDialogDriver::ClickGoTo() {
  if (!form_.Visible() || !form_.cmdOk().enabled) return false;
  form_.cmdOk_Click();
  return true;
}

bool SearchDialogDriver::DoubleClickList() {
  if (!form_.Visible() || !form_.lstFind().enabled) return false;
  form_.lstFind_DblClick();
  return true;
}

bool SearchDialogDriver::PressEnterInList() {
  if (!form_.Visible() || !form_.lstFind().enabled) return false;
  std::int16_t key = 13;
  form_.lstFind_KeyPress(key);
  return true;
}

bool SearchDialogDriver::PressEsc() {
  if (!form_.Visible()) return false;
  std::int16_t key = 27;
  form_.Form_KeyPress(key);
  return true;
}

bool SearchDialogDriver::ClickClose() {
  if (!form_.Visible()) return false;
  form_.cmdCancel_Click();
  return true;
}

bool SearchDialogDriver::ClickCloseBox() {
  if (!form_.Visible()) return false;
  form_.CloseBox();
  return true;
}

std::vector<std::string> SearchDialogDriver::Items() const {
  std::vector<std::string> items;
  for (const frmSearch::ListItem& item : form_.lstFind().items) items.push_back(item.text);
  return items;
}

namespace {

frmSearch* AsForm(SearchDialog* dialog) { return dynamic_cast<frmSearch*>(dialog); }

}  // namespace

std::string AutomateSearchFind(SearchDialog* dialog, std::int16_t type, const std::string& query) {
  frmSearch* form = AsForm(dialog);
  if (form == nullptr) return "the search dialog is not open";
  SearchDialogDriver driver(*form);
  if (!driver.ChooseType(type)) {
    return form->Visible() ? "there is no search type " + std::to_string(type)
                           : "the search dialog is hidden";
  }
  driver.Type(query);
  if (!driver.ClickFind()) return "Find is disabled: the query is empty";
  return "";
}

std::string AutomateSearchGoTo(SearchDialog* dialog, std::int32_t index) {
  frmSearch* form = AsForm(dialog);
  if (form == nullptr) return "the search dialog is not open";
  SearchDialogDriver driver(*form);
  if (!driver.Select(index)) return "there is no match " + std::to_string(index + 1);
  if (!driver.ClickGoTo()) return "Go To is disabled";
  return "";
}

std::vector<std::string> SearchListTexts(SearchDialog* dialog) {
  frmSearch* form = AsForm(dialog);
  if (form == nullptr) return {};
  return SearchDialogDriver(*form).Items();
}

std::string SearchResultCaption(SearchDialog* dialog) {
  frmSearch* form = AsForm(dialog);
  return form == nullptr ? "" : form->ResultLblCaption();
}

}  // namespace k9
