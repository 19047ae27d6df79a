#include "search/frm_search.h"

#include <utility>

#include "common/cls_ini.h"
#include "common/text.h"
#include "search/search_text.h"
#include "settings/settings_file.h"
#include "server/component.h"
#include "server/find_types.h"

namespace k9 {

namespace {

constexpr std::int32_t kPlaceAtIndexZero = 9999999;
constexpr int kSelectAllLength = 32767;

struct TypeInfo {
  const char* caption;
  const char* prompt;
  int limit;
};

// Indexed by search type. Each prompt is two strings joined with nothing between.
constexpr TypeInfo kTypes[frmSearch::kTypeCount] = {
    {"Address",
     "Input Street Address, Place, State, Zip "
     "separated by commas. Any of the fields can be omitted.",
     80},
    {"Phone", "Input the area code and the next three digits.", 6},
    {"Callsign", "Input a callsign, with or without SSID.", 9},
    {"State", "Input a state name or a two letter state abbreviation.", 25},
    {"County",
     "Input County, State Abbreviation, separated by a comma. "
     "State Abbreviation can be omitted.",
     80},
    {"Mile Marker",
     "Input State, Interstate Number, Mile Marker Number, "
     "separated by commas. E.g. TX,20,100",
     40},
};

bool ValidType(std::int16_t type) { return type >= 0 && type < frmSearch::kTypeCount; }

}  // namespace

std::int32_t EncodeItemData(std::int32_t index, bool is_place) {
  if (!is_place) return index;
  return index == 0 ? kPlaceAtIndexZero : -index;
}

DecodedItem DecodeItemData(std::int32_t item_data) {
  if (item_data == kPlaceAtIndexZero) return {0, true};
  if (item_data < 0) return {-item_data, true};
  return {item_data, false};
}

std::string frmSearch::PromptFor(std::int16_t type) {
  return ValidType(type) ? kTypes[type].prompt : "";
}

int frmSearch::TextLimitFor(std::int16_t type) { return ValidType(type) ? kTypes[type].limit : 80; }

frmSearch::frmSearch(SearchDialogEvents& events, const Ports& ports,
                     std::unique_ptr<SearchView> view)
    : events_(events), ports_(ports), view_(std::move(view)) {
  if (!view_) view_ = std::make_unique<HeadlessSearchView>();
  for (int i = 0; i < kTypeCount; ++i) opt_type_[i].caption = kTypes[i].caption;
  view_->Attach(*this);
}

frmSearch::~frmSearch() {
  *alive_ = false;
  if (!ever_loaded_) return;
  try {
    SaveSearchType();
  } catch (...) {
    // Nothing can be reported from here; the setting keeps its last value.
  }
}

void frmSearch::EnsureLoaded() {
  if (loaded_) return;
  loaded_ = true;
  ever_loaded_ = true;
  LoadSearchType();
  for (int i = 0; i < kTypeCount; ++i) opt_type_[i].value = i == search_type_;
  SelectSearchType(search_type_);
}

void frmSearch::Sync() { view_->Sync(*this); }

void frmSearch::WindowState(std::int16_t state) {
  EnsureLoaded();
  window_state_ = state;
  Sync();
}

void frmSearch::Show(std::intptr_t owner) {
  EnsureLoaded();
  owner_ = owner;
  visible_ = true;
  if (focus_ == Control::kNone) SetFocus(Control::txtFind);
  Sync();
}

void frmSearch::Move(int left, int top) {
  EnsureLoaded();
  left_ = left;
  top_ = top;
  Sync();
}

void frmSearch::Unload() {
  if (!loaded_) return;
  SaveSearchType();
  events_.ImUnloading();
  loaded_ = false;
  visible_ = false;
  view_->Destroy();
}

void frmSearch::AddToList(std::string& strText, double& dblLong, double& dblLat, bool& blnIsPlace,
                          double& dblLong2, double& dblLat2, double& dblL, bool& blnLIsLat) {
  if (collect_mode_) {
    collect_.push_back(CollectSlot{strText, dblLong, dblLat});
    return;
  }
  const auto index = static_cast<std::int32_t>(lst_find_.items.size());
  results_.push_back(SearchResult{dblLat, dblLong, dblLat2, dblLong2, dblL, blnLIsLat});
  lst_find_.items.push_back(ListItem{strText, EncodeItemData(index, blnIsPlace)});
  Sync();
}

void frmSearch::ResultLbl(const std::string& caption) {
  result_caption_ = caption;
  Sync();
}

void frmSearch::SetFocus(Control control) {
  if (!visible_) return;
  focus_ = control;
  if (control == Control::txtFind) txtFind_GotFocus();
}

void frmSearch::SetPrompt() { prompt_ = PromptFor(search_type_); }

void frmSearch::ShowMessage(const std::string& text) {
  ports_.dialogs->ShowMessage(text, kComponentTitle, kMbOk | kMbIconInformation, view_->hWnd());
}

void frmSearch::LoadSearchType() {
  clsIni ini(ports_);
  search_type_ = settings::ReadSearchType(ini);
}

void frmSearch::SaveSearchType() {
  clsIni ini(ports_);
  settings::WriteSearchType(ini, search_type_);
}

void frmSearch::optType_Click(std::int16_t index) {
  if (!ValidType(index)) return;
  EnsureLoaded();
  for (int i = 0; i < kTypeCount; ++i) opt_type_[i].value = i == index;
  SelectSearchType(index);
  Sync();
}

void frmSearch::SelectSearchType(std::int16_t index) {
  if (!ValidType(index)) return;
  search_type_ = index;
  SetPrompt();
  std::string text = txt_find_.text;
  switch (index) {
    case FIND_CALLSIGN:
      text = ToUpper(text);
      break;
    case FIND_PHONE:
      if (text.size() > 6 || !IsAllDigits(text)) text.clear();
      break;
    case FIND_STATE:
      if (text.find(',') != std::string::npos) text.clear();
      break;
    case FIND_MILEMARKER:
      if (!IsMileMarkerFormat(text)) text.clear();
      break;
    default:
      break;
  }
  txt_find_.max_length = kTypes[index].limit;
  if (static_cast<int>(text.size()) > txt_find_.max_length) text.clear();
  if (text != txt_find_.text) SetFindText(text);
  SetFocus(Control::txtFind);
}

void frmSearch::txtFind_KeyPress(std::int16_t& KeyAscii) {
  if (KeyAscii == 13) {
    KeyAscii = 0;
    if (!Trim(txt_find_.text).empty()) cmdFind_Click();
    return;
  }
  if (search_type_ == FIND_CALLSIGN) {
    KeyAscii = UpperCaseKey(KeyAscii);
  } else if (search_type_ == FIND_PHONE) {
    KeyAscii = IsDigitKey(KeyAscii);
  }
}

void frmSearch::SetFindText(const std::string& text) {
  txt_find_.text = text;
  txt_find_.sel_start = static_cast<int>(text.size());
  txt_find_.sel_length = 0;
  cmd_find_.enabled = !Trim(txt_find_.text).empty();
  Sync();
}

void frmSearch::txtFind_GotFocus() {
  txt_find_.sel_start = 0;
  const int length = static_cast<int>(txt_find_.text.size());
  txt_find_.sel_length = length < kSelectAllLength ? length : kSelectAllLength;
}

void frmSearch::cmdFind_Click() {
  EnsureLoaded();
  std::string query = Trim(txt_find_.text);
  if (query.empty()) return;
  if (query[0] == '?' || query[0] == '*') {
    ShowMessage(kWildcardMessage);
    SetFocus(Control::txtFind);
    Sync();
    return;
  }
  if (search_type_ == FIND_MILEMARKER && !IsMileMarkerFormat(query)) {
    ShowMessage(kFormatMessage);
    SetFocus(Control::txtFind);
    Sync();
    return;
  }
  mouse_pointer_ = kHourglass;
  const StateQualified qualified = SplitStateQualified(query);
  lst_find_.items.clear();
  lst_find_.list_index = -1;
  results_.clear();
  cmd_ok_.enabled = false;
  lst_find_.enabled = true;
  collect_mode_ = false;
  Sync();

  std::int16_t type = search_type_;
  const std::shared_ptr<const bool> alive = alive_;
  try {
    events_.Find(query, type);
  } catch (...) {
    // A failed search shows what it found before failing, or "Nothing found.".
  }
  if (!*alive) return;

  if (lst_find_.items.empty()) {
    lst_find_.items.push_back(ListItem{kNothingFound, 0});
    lst_find_.enabled = false;
    mouse_pointer_ = kDefaultPointer;
    Sync();
    return;
  }

  if (lst_find_.items.size() == 1 && qualified.qualified) {
    // One match for "Place, ST": the same search without the state part lists the
    // place with its own position, which is then preferred for the match.
    collect_.assign(1, CollectSlot{});
    collect_mode_ = true;
    std::string first_part = qualified.first_part;
    std::int16_t second_type = search_type_;
    try {
      events_.Find(first_part, second_type);
    } catch (...) {
      // The first search's position stands.
    }
    if (!*alive) return;
    for (std::size_t i = 1; i < collect_.size(); ++i) {
      if (collect_[i].text == lst_find_.items[0].text) {
        results_[0].dblLat = collect_[i].lat;
        results_[0].dblLong = collect_[i].lon;
        break;
      }
    }
  }

  lst_find_.list_index = 0;
  SetFocus(Control::lstFind);
  cmd_ok_.enabled = true;
  mouse_pointer_ = kDefaultPointer;
  Sync();
}

void frmSearch::lstFind_Select(int index) {
  if (index < -1 || index >= static_cast<int>(lst_find_.items.size())) return;
  lst_find_.list_index = index;
  Sync();
}

void frmSearch::lstFind_DblClick() { cmdOk_Click(); }

void frmSearch::lstFind_KeyPress(std::int16_t& KeyAscii) {
  if (KeyAscii == 13) {
    KeyAscii = 0;
    cmdOk_Click();
  }
}

void frmSearch::cmdOk_Click() {
  const int selected = lst_find_.list_index;
  if (selected < 0 || selected >= static_cast<int>(lst_find_.items.size())) return;
  const ListItem& item = lst_find_.items[selected];
  const DecodedItem decoded = DecodeItemData(item.item_data);
  // Only items added by a search carry an entry ("Nothing found." has none).
  if (decoded.index < 0 || decoded.index >= static_cast<std::int32_t>(results_.size())) return;
  const SearchResult& r = results_[decoded.index];
  std::string title = item.text;
  double lon = r.dblLong, lat = r.dblLat, lon2 = r.dblLong2, lat2 = r.dblLat2, line = r.dblL;
  bool is_place = decoded.is_place, line_is_lat = r.blnLIsLat;
  mouse_pointer_ = kHourglass;
  Sync();
  const std::shared_ptr<const bool> alive = alive_;
  try {
    events_.ZoomToFind(title, lon, lat, is_place, lon2, lat2, line, line_is_lat);
  } catch (...) {
    // The map stays where it was; the dialog stays usable.
  }
  if (!*alive) return;
  mouse_pointer_ = kDefaultPointer;
  Sync();
}

void frmSearch::cmdCancel_Click() {
  SaveSearchType();
  visible_ = false;
  Sync();
}

void frmSearch::Form_KeyPress(std::int16_t& KeyAscii) {
  if (KeyAscii == 27) {
    KeyAscii = 0;
    cmdCancel_Click();
  }
}

bool frmSearch::CloseBox() {
  SaveSearchType();
  visible_ = false;
  Sync();
  return true;
}

SearchDialogFactory MakeSearchDialogFactory(const Ports& ports, SearchViewFactory views) {
  return [ports, views](SearchDialogEvents& events) -> std::unique_ptr<SearchDialog> {
    return std::make_unique<frmSearch>(events, ports, views ? views() : nullptr);
  };
}

}  // namespace k9
