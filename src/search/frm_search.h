// frmSearch is the search dialog: the user picks a kind of search, types a query
// and presses Find; the dialog checks and normalises the query and raises Find to
// the server, which fills the result list through AddToList before Find returns.
// "Go To" raises ZoomToFind with the chosen match. The dialog searches nothing by
// itself.
//
// The dialog is modeless and long-lived: the server creates it on the first
// "Search", closing only hides it (query and results stay), and the server
// destroys it at its own end. The kind of search is kept in the settings file
// (SETUP / SEARCH_TYPE) from one session to the next.
//
// Controls are plain data here; the event handlers are the member functions
// named after them. A SearchView shows the state on screen.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ports.h"
#include "search/search_view.h"
#include "server/search_port.h"

namespace k9 {

// One match of the result table: a point (dblLat2 and dblLong2 both 0) or a box
// from (dblLong, dblLat) north-west to (dblLong2, dblLat2) south-east, and the
// mile-marker line (dblL, 0 for none) along a latitude (blnLIsLat) or longitude.
struct SearchResult {
  double dblLat = 0;
  double dblLong = 0;
  double dblLat2 = 0;
  double dblLong2 = 0;
  double dblL = 0;
  bool blnLIsLat = false;
};

// A list item's data for match `index`: the index, its negative for a place, and
// 9999999 for a place at index 0 (which -0 could not mark).
std::int32_t EncodeItemData(std::int32_t index, bool is_place);
struct DecodedItem {
  std::int32_t index = 0;
  bool is_place = false;
};
DecodedItem DecodeItemData(std::int32_t item_data);

class frmSearch : public SearchDialog {
 public:
  static constexpr char kCaption[] = "Kestrel Search";
  static constexpr int kHelpContextId = 40;
  static constexpr char kNothingFound[] = "Nothing found.";
  static constexpr char kWildcardMessage[] =
      "The first character of the search text cannot be a wildcard.";
  static constexpr char kFormatMessage[] = "That format is incorrect, please read the help.";
  static constexpr int kTypeCount = 6;
  // Design size, in twips.
  static constexpr int kWidthTwips = 6300;
  static constexpr int kHeightTwips = 5400;
  // Mouse pointers.
  static constexpr int kDefaultPointer = 0;
  static constexpr int kHourglass = 11;
  // What a list item holds besides its text.
  struct ListItem {
    std::string text;
    std::int32_t item_data = 0;
  };
  struct TextBox {
    std::string text;
    int max_length = 80;
    int sel_start = 0;
    int sel_length = 0;
  };
  struct Button {
    std::string caption;
    bool enabled = true;
  };
  struct OptionButton {
    std::string caption;
    bool value = false;
  };
  struct ListBox {
    std::vector<ListItem> items;
    int list_index = -1;  // selected item, -1 for none
    bool enabled = true;
  };
  enum class Control { kNone, txtFind, cmdFind, lstFind, cmdOk, cmdCancel, optType };

  // Prompt, text limit of the search type `type` (0-5).
  static std::string PromptFor(std::int16_t type);
  static int TextLimitFor(std::int16_t type);

  // `events` receives Find, ZoomToFind and ImUnloading; `view` shows the dialog
  // (headless when null). The form loads when first shown.
  frmSearch(SearchDialogEvents& events, const Ports& ports, std::unique_ptr<SearchView> view);
  frmSearch(const frmSearch&) = delete;
  frmSearch& operator=(const frmSearch&) = delete;
  // Saves the search type once more when the form was ever loaded.
  ~frmSearch() override;

  // SearchDialog
  std::int16_t WindowState() override { return window_state_; }
  void WindowState(std::int16_t state) override;
  void Show(std::intptr_t owner) override;
  int Width() override { return kWidthTwips; }
  int Height() override { return kHeightTwips; }
  void Move(int left, int top) override;
  void Unload() override;
  void AddToList(std::string& strText, double& dblLong, double& dblLat, bool& blnIsPlace,
                 double& dblLong2, double& dblLat2, double& dblL, bool& blnLIsLat) override;
  void ResultLbl(const std::string& caption) override;

  // Event handlers, as the user's actions reach them.
  void optType_Click(std::int16_t index);
  // Filters one key typed into txtFind; a key set to 0 is discarded.
  void txtFind_KeyPress(std::int16_t& KeyAscii);
  // Replaces the query text (what typing, pasting or a view's edit control does)
  // and runs the change handler.
  void SetFindText(const std::string& text);
  void txtFind_GotFocus();
  void cmdFind_Click();
  // Selects list item `index` (-1 for none); out-of-range indexes are ignored.
  void lstFind_Select(int index);
  void lstFind_DblClick();
  void lstFind_KeyPress(std::int16_t& KeyAscii);
  void cmdOk_Click();
  void cmdCancel_Click();
  // A key pressed anywhere in the dialog (Esc closes it).
  void Form_KeyPress(std::int16_t& KeyAscii);
  // The window's close box: hides instead of closing. Returns true (cancel).
  bool CloseBox();

  // The steps of the dialog, public so the server and tests reach them.
  void SelectSearchType(std::int16_t index);
  void LoadSearchType();
  void SaveSearchType();

  // State, for views, drivers and tests.
  bool Loaded() const { return loaded_; }
  bool Visible() const { return visible_; }
  std::intptr_t Owner() const { return owner_; }
  int Left() const { return left_; }
  int Top() const { return top_; }
  std::int16_t SearchType() const { return search_type_; }
  const std::string& labPrompt() const { return prompt_; }
  const std::string& ResultLblCaption() const { return result_caption_; }
  const TextBox& txtFind() const { return txt_find_; }
  const Button& cmdFind() const { return cmd_find_; }
  const Button& cmdOk() const { return cmd_ok_; }
  const Button& cmdCancel() const { return cmd_cancel_; }
  const ListBox& lstFind() const { return lst_find_; }
  const std::array<OptionButton, kTypeCount>& optType() const { return opt_type_; }
  const std::vector<SearchResult>& Results() const { return results_; }
  bool CollectMode() const { return collect_mode_; }
  Control Focus() const { return focus_; }
  int MousePointer() const { return mouse_pointer_; }

 private:
  struct CollectSlot {
    std::string text;
    double lon = 0;
    double lat = 0;
  };

  void EnsureLoaded();
  void SetFocus(Control control);
  void SetPrompt();
  void ShowMessage(const std::string& text);
  void Sync();

  SearchDialogEvents& events_;
  // Cleared by the destructor. A handler that raises an event checks it after the
  // event returns: the server may have ended, and destroyed this dialog, meanwhile
  // (a host that lets the server go from inside its callback).
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  Ports ports_;
  std::unique_ptr<SearchView> view_;

  bool loaded_ = false;
  bool ever_loaded_ = false;
  bool visible_ = false;
  std::intptr_t owner_ = 0;
  std::int16_t window_state_ = 0;
  int left_ = 0;
  int top_ = 0;
  int mouse_pointer_ = kDefaultPointer;
  Control focus_ = Control::kNone;

  std::int16_t search_type_ = 0;
  std::string prompt_ = "Search help";
  std::string result_caption_;
  TextBox txt_find_;
  Button cmd_find_{"&Find", false};
  Button cmd_ok_{"&Go To", false};
  Button cmd_cancel_{"&Close", true};
  ListBox lst_find_;
  std::array<OptionButton, kTypeCount> opt_type_;

  std::vector<SearchResult> results_;
  bool collect_mode_ = false;
  std::vector<CollectSlot> collect_;
};

// Makes search dialogs with their events connected, each shown through a view
// from `views` (headless when `views` is empty).
using SearchViewFactory = std::function<std::unique_ptr<SearchView>()>;
SearchDialogFactory MakeSearchDialogFactory(const Ports& ports, SearchViewFactory views = {});

}  // namespace k9
