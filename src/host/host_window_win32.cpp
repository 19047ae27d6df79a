#include "host/host_window_win32.h"

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include "common/app_settings.h"
#include "common/text.h"
#include "platform/dialogs.h"
#include "platform/help_viewer.h"
#include "platform/registry.h"
#include "host/process_resources_win32.h"

namespace k9::host {
namespace {

constexpr char kMainClass[] = "Kestrel9Host";
constexpr char kPictureClass[] = "Kestrel9HostPicture";
constexpr char kTitle[] = "Harrier32";
// The host user's callsign, handed to Initialize; the server keeps it only.
constexpr char kCallsign[] = "N0CALL";
// Where the host keeps its last view: "west,north,east,south".
constexpr char kSettingsApp[] = "Corvid Works";
constexpr char kSettingsSection[] = "Harrier32";
constexpr char kViewKey[] = "Map View";

// Menu command identifiers.
enum : UINT {
  kStartView = 100,
  kZoomIn,
  kZoomOut,
  kZoomAll,
  kControlPanel,
  kAddFavourite,
  kHelp,
  kExit,
  kPanBase = 200,        // + the pan code, 1 to 9
  kOptionBase = 300,     // + the special option's index
  kFavouriteBase = 1000  // + the favourite's index
};
constexpr std::size_t kMostFavouritesShown = 500;

struct PanEntry {
  const char* caption;
  int code;
  bool diagonal;
};
// Codes follow the numeric keypad; the keys are where they sit on it.
constexpr PanEntry kPans[] = {
    {"&North\tUp", 8, false},       {"&South\tDown", 2, false},
    {"&West\tLeft", 4, false},      {"&East\tRight", 6, false},
    {"North-W&est\tHome", 7, true}, {"North-E&ast\tPage Up", 9, true},
    {"South-We&st\tEnd", 1, true},  {"South-Ea&st\tPage Down", 3, true},
};

int PanCodeOfKey(WPARAM key) {
  switch (key) {
    case VK_UP:
      return 8;
    case VK_DOWN:
      return 2;
    case VK_LEFT:
      return 4;
    case VK_RIGHT:
      return 6;
    case VK_HOME:
      return 7;
    case VK_PRIOR:
      return 9;
    case VK_END:
      return 1;
    case VK_NEXT:
      return 3;
    default:
      return 0;
  }
}

// A rectangle as "west,north,east,south", the way favourites and the last view
// are kept.
struct View {
  double west = 0, north = 0, east = 0, south = 0;
};

std::string ViewText(const View& v) {
  return SixDecimals(v.west) + "," + SixDecimals(v.north) + "," + SixDecimals(v.east) + "," +
         SixDecimals(v.south);
}

// Reads the last four comma-separated numbers of `text`; what comes before them
// is the name. False when they are not numbers.
bool ParseView(const std::string& text, View* view, std::string* name) {
  const std::vector<std::string> fields = Split(text, ',');
  if (fields.size() < 4) return false;
  const std::size_t first = fields.size() - 4;
  double values[4];
  for (std::size_t i = 0; i < 4; ++i) {
    const auto value = ParseDecimal(Trim(fields[first + i]));
    if (!value) return false;
    values[i] = *value;
  }
  *view = View{values[0], values[1], values[2], values[3]};
  if (name != nullptr) {
    name->clear();
    for (std::size_t i = 0; i < first; ++i) *name += (i > 0 ? "," : "") + fields[i];
  }
  return true;
}

// The script host of a Windows program: between commands, and for `wait`, it
// runs the thread's message loop, so the server's modeless windows paint and
// take input while a script runs. A WM_QUIT ends the script.
class PumpingHost : public ScriptHost {
 public:
  PumpingHost(Creator create, std::ostream& out, FileSystem& fs, const HostOptions& options)
      : ScriptHost(std::move(create), out, fs, options.width, options.height) {}

 protected:
  bool Pump() override {
    MSG message;
    while (!quit_ && ::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quit_ = true;
        break;
      }
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
    if (!quit_) AfterEvents();
    return !quit_;
  }
  void Wait(int milliseconds) override {
    const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    while (Pump()) {
      const ULONGLONG now = ::GetTickCount64();
      if (now >= end) break;
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
  }
  // Runs after each round of events.
  virtual void AfterEvents() {}
  std::string ProcessResources() override { return host::ProcessResources(); }

  bool quit_ = false;
};

class HostWindow final : public PumpingHost {
 public:
  HostWindow(Creator create, std::ostream& out, FileSystem& fs, Registry& registry,
             const HostOptions& options)
      : PumpingHost(std::move(create), out, fs, options), registry_(registry) {}
  ~HostWindow() override {
    if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
  }

  // Makes the window, sized so that the picture box has its pixel size, and
  // shows it. False when Windows refuses.
  bool Open();
  // What a host does when it starts: creates the server, initialises it, asks
  // for its features and draws the start view.
  void Start();
  // The message loop, until the window is closed.
  void Loop();
  // Keeps the last view, releases the server, and destroys the window.
  void Close();

  // HostEvents and HostForm: printed as the script host prints them, and shown.
  void SignalInformation(double& west, double& east, double& north, double& south,
                         const std::string& title) override;
  void SignalSpecialRedraw(const std::string& title) override;
  void SetSpecialOptionVisible(int index, bool visible) override;
  void SetSpecialOptionEnabled(int index, bool enabled) override;
  void UnloadSpecialOption(int index) override;
  std::intptr_t hWnd() override { return reinterpret_cast<std::intptr_t>(hwnd_); }

  // The window procedures of the two window classes.
  static LRESULT CALLBACK MainProc(HWND hwnd, UINT message, WPARAM w, LPARAM l);
  static LRESULT CALLBACK PictureProc(HWND hwnd, UINT message, WPARAM w, LPARAM l);

 protected:
  void AfterEvents() override;
  void ReportError(const std::string& line) override { Status(0, line); }

 private:
  struct OptionState {
    bool visible = true;
    bool enabled = true;
    bool loaded = true;
  };

  LRESULT OnMain(UINT message, WPARAM w, LPARAM l);
  void PaintPicture(HWND hwnd);

  // Runs one host action as its script command would.
  void Do(std::vector<std::string> words);
  void Command(UINT id);
  void StartView();
  void AddFavourite();
  // Draws the map centred on a point of the picture box.
  void CentreOn(int x, int y);
  void FillMapMenu();
  OptionState& Option(int index);
  void Status(int part, const std::string& text);
  // Places the picture box and status bar in the client area.
  void Layout();
  // Between events: the window follows a size the script gave the picture box,
  // and the box follows the window's size (ResizeMap once a map is shown).
  void Settle();
  void FitWindowToBox();

  Registry& registry_;
  HWND hwnd_ = nullptr;
  HWND picture_ = nullptr;
  HWND status_ = nullptr;
  HMENU map_menu_ = nullptr;
  bool shown_ = false;  // a paint has been reported
  View view_;
  std::string redraw_title_;  // what the server last moved the map to
  SIZE wanted_{0, 0};         // the picture box window's size; applied by Settle
  SIZE box_size_{0, 0};       // the size the window and the picture box agree on
  std::vector<OptionState> options_;
  std::vector<std::string> favourites_;
};

bool RegisterClasses() {
  static bool done = false;
  if (done) return true;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  WNDCLASSEXA main{};
  main.cbSize = sizeof main;
  main.lpfnWndProc = HostWindow::MainProc;
  main.hInstance = ::GetModuleHandleA(nullptr);
  main.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  main.hIcon = ::LoadIconA(nullptr, MAKEINTRESOURCEA(32512));      // IDI_APPLICATION
  main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  main.lpszClassName = kMainClass;
  WNDCLASSEXA picture = main;
  picture.style = CS_DBLCLKS;
  picture.lpfnWndProc = HostWindow::PictureProc;
  picture.hIcon = nullptr;
  picture.hbrBackground = nullptr;
  picture.lpszClassName = kPictureClass;
  done = ::RegisterClassExA(&main) != 0 && ::RegisterClassExA(&picture) != 0;
  return done;
}

bool HostWindow::Open() {
  if (!RegisterClasses()) return false;
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  HMENU bar = ::CreateMenu();
  map_menu_ = ::CreatePopupMenu();
  ::AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(map_menu_), "&Map");
  FillMapMenu();
  hwnd_ = ::CreateWindowExA(0, kMainClass, kTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                            CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, bar, instance, this);
  if (hwnd_ == nullptr) return false;
  picture_ = ::CreateWindowExA(0, kPictureClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 1, 1, hwnd_,
                               nullptr, instance, this);
  status_ = ::CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0,
                              0, 0, hwnd_, nullptr, instance, nullptr);
  if (picture_ == nullptr || status_ == nullptr) return false;
  FitWindowToBox();
  Status(0, "No map yet");
  ::ShowWindow(hwnd_, SW_SHOW);
  ::UpdateWindow(hwnd_);
  ::SetFocus(hwnd_);
  return true;
}

void HostWindow::Start() {
  Do({"create"});
  if (!HasObject()) return;
  Do({"initialize", kCallsign});
  Do({"features"});
  StartView();
}

void HostWindow::StartView() {
  View view;
  const std::string saved = GetSetting(registry_, kSettingsApp, kSettingsSection, kViewKey);
  if (ParseView(saved, &view, nullptr)) {
    Do({"draw", SixDecimals(view.west), SixDecimals(view.north), SixDecimals(view.east),
        SixDecimals(view.south)});
  } else {
    Do({"zoomall"});
  }
}

void HostWindow::Loop() {
  MSG message;
  while (!quit_ && ::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
    Settle();
  }
}

void HostWindow::AfterEvents() {
  Settle();
  if (picture_ != nullptr) ::InvalidateRect(picture_, nullptr, FALSE);
}

void HostWindow::Close() {
  if (shown_) SaveSetting(registry_, kSettingsApp, kSettingsSection, kViewKey, ViewText(view_));
  Release();
  if (hwnd_ != nullptr) ::DestroyWindow(std::exchange(hwnd_, nullptr));
}

void HostWindow::Do(std::vector<std::string> words) {
  RunCommand(ScriptCommand{0, std::move(words)});
  if (picture_ != nullptr) ::InvalidateRect(picture_, nullptr, FALSE);
}

void HostWindow::Command(UINT id) {
  if (id >= kFavouriteBase) {
    View view;
    const std::size_t index = id - kFavouriteBase;
    if (index < favourites_.size() && ParseView(favourites_[index], &view, nullptr)) {
      Do({"draw", SixDecimals(view.west), SixDecimals(view.north), SixDecimals(view.east),
          SixDecimals(view.south)});
    }
  } else if (id >= kOptionBase) {
    Do({"option", std::to_string(id - kOptionBase)});
  } else if (id >= kPanBase) {
    Do({"pan", std::to_string(id - kPanBase)});
  } else if (id == kStartView) {
    StartView();
  } else if (id == kZoomIn) {
    Do({"zoomin"});
  } else if (id == kZoomOut) {
    Do({"zoomout"});
  } else if (id == kZoomAll) {
    Do({"zoomall"});
  } else if (id == kControlPanel) {
    Do({"panel"});
  } else if (id == kAddFavourite) {
    AddFavourite();
  } else if (id == kHelp) {
    // As a host opens the help its map server names: the file and topic of
    // GetSupportedFeatures.
    const HostFeatures& f = features();
    if (!Dialogs::Default().ShowHelp(f.help_file, kHelpContext,
                                     static_cast<std::uintptr_t>(f.help_topic), hWnd())) {
      Line("Error help: cannot open " + f.help_file);
      Status(0, "The help file cannot be opened: " + f.help_file);
    }
  } else if (id == kExit) {
    ::PostMessageA(hwnd_, WM_CLOSE, 0, 0);
  }
}

void HostWindow::AddFavourite() {
  if (!shown_) return;
  std::string name = redraw_title_;
  if (name.empty()) {
    const double x = (view_.west + view_.east) / 2, y = (view_.north + view_.south) / 2;
    char centre[96];
    std::snprintf(centre, sizeof centre, "View at %.2f %c %.2f %c", y < 0 ? -y : y,
                  y < 0 ? 'S' : 'N', x < 0 ? -x : x, x < 0 ? 'W' : 'E');
    name = centre;
  }
  Do({"favourite", "add", name + "," + ViewText(view_)});
}

void HostWindow::CentreOn(int x, int y) {
  const RasterPictureBox& box = picture_box();
  if (!shown_ || !HasObject() || box.PixelWidth() < 1 || box.PixelHeight() < 1) return;
  // The engine's projection is linear across the picture in both directions.
  const double longitude = view_.west + (view_.east - view_.west) * x / box.PixelWidth();
  const double latitude = view_.north - (view_.north - view_.south) * y / box.PixelHeight();
  Do({"centre", SixDecimals(longitude), SixDecimals(latitude)});
}

HostWindow::OptionState& HostWindow::Option(int index) {
  if (index >= static_cast<int>(options_.size())) options_.resize(index + 1);
  return options_[index];
}

// The Map menu, made again each time it opens, from what the server said.
void HostWindow::FillMapMenu() {
  while (::GetMenuItemCount(map_menu_) > 0) ::DeleteMenu(map_menu_, 0, MF_BYPOSITION);
  const HostFeatures& f = features();
  const bool ready = HasObject() && shown_;
  const UINT state = ready ? MF_ENABLED : MF_GRAYED;
  ::AppendMenuA(map_menu_, MF_STRING | state, kStartView, "&Start View");
  ::AppendMenuA(map_menu_, MF_SEPARATOR, 0, nullptr);
  if (f.zoom_in) ::AppendMenuA(map_menu_, MF_STRING | state, kZoomIn, "Zoom &In\t+");
  if (f.zoom_out) ::AppendMenuA(map_menu_, MF_STRING | state, kZoomOut, "Zoom &Out\t-");
  if (f.zoom_all) ::AppendMenuA(map_menu_, MF_STRING | state, kZoomAll, "Zoom &All");
  HMENU pan = ::CreatePopupMenu();
  for (const PanEntry& entry : kPans) {
    if (!entry.diagonal || f.diagonal_pan) {
      ::AppendMenuA(pan, MF_STRING | state, kPanBase + entry.code, entry.caption);
    }
  }
  ::AppendMenuA(map_menu_, MF_POPUP | state, reinterpret_cast<UINT_PTR>(pan), "&Pan");
  if (!f.captions.empty()) ::AppendMenuA(map_menu_, MF_SEPARATOR, 0, nullptr);
  for (std::size_t i = 0; i < f.captions.size(); ++i) {
    const OptionState& option = Option(static_cast<int>(i));
    if (!option.loaded || !option.visible) continue;
    ::AppendMenuA(map_menu_, MF_STRING | (ready && option.enabled ? MF_ENABLED : MF_GRAYED),
                  kOptionBase + i, f.captions[i].c_str());
  }
  ::AppendMenuA(map_menu_, MF_SEPARATOR, 0, nullptr);
  if (f.control_panel) {
    ::AppendMenuA(map_menu_, MF_STRING | state, kControlPanel, "&Control Panel...");
  }
  favourites_ = HasObject() ? LoadFavourites().items : std::vector<std::string>();
  HMENU favourites = ::CreatePopupMenu();
  ::AppendMenuA(favourites, MF_STRING | state, kAddFavourite, "&Add Current View");
  if (!favourites_.empty()) ::AppendMenuA(favourites, MF_SEPARATOR, 0, nullptr);
  for (std::size_t i = 0; i < favourites_.size() && i < kMostFavouritesShown; ++i) {
    View view;
    std::string name;
    const bool usable = ParseView(favourites_[i], &view, &name);
    if (name.empty()) name = favourites_[i];
    ::AppendMenuA(favourites, MF_STRING | (ready && usable ? MF_ENABLED : MF_GRAYED),
                  kFavouriteBase + i, name.c_str());
  }
  ::AppendMenuA(map_menu_, MF_POPUP | (HasObject() ? MF_ENABLED : MF_GRAYED),
                reinterpret_cast<UINT_PTR>(favourites), "&Favourite Views");
  if (!f.help_file.empty()) {
    ::AppendMenuA(map_menu_, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(map_menu_, MF_STRING, kHelp, (BaseNameOf(f.help_file) + " &Help").c_str());
  }
  ::AppendMenuA(map_menu_, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuA(map_menu_, MF_STRING, kExit, "E&xit");
}

void HostWindow::Status(int part, const std::string& text) {
  if (status_ != nullptr) {
    ::SendMessageA(status_, SB_SETTEXTA, static_cast<WPARAM>(part),
                   reinterpret_cast<LPARAM>(text.c_str()));
  }
}

void HostWindow::Layout() {
  if (hwnd_ == nullptr || status_ == nullptr) return;
  ::SendMessageA(status_, WM_SIZE, 0, 0);
  RECT client, bar;
  ::GetClientRect(hwnd_, &client);
  ::GetWindowRect(status_, &bar);
  const int width = client.right;
  const int height = client.bottom - (bar.bottom - bar.top);
  int parts[2] = {width > 320 ? width - 160 : width / 2, -1};
  ::SendMessageA(status_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
  ::MoveWindow(picture_, 0, 0, width, height > 0 ? height : 0, TRUE);
}

void HostWindow::Settle() {
  if (hwnd_ == nullptr || quit_ || ::IsIconic(hwnd_)) return;
  RasterPictureBox& box = picture_box();
  if (box.PixelWidth() != box_size_.cx || box.PixelHeight() != box_size_.cy) {
    FitWindowToBox();  // the script sized the box
  } else if (wanted_.cx >= 1 && wanted_.cy >= 1 &&
             (wanted_.cx != box_size_.cx || wanted_.cy != box_size_.cy)) {
    box_size_ = wanted_;
    box.Resize(box_size_.cx, box_size_.cy);
    if (shown_ && HasObject()) Do({"resize"});
  }
}

void HostWindow::FitWindowToBox() {
  RasterPictureBox& box = picture_box();
  box_size_ = SIZE{box.PixelWidth(), box.PixelHeight()};
  RECT bar;
  ::GetWindowRect(status_, &bar);
  RECT frame{0, 0, box_size_.cx, box_size_.cy + (bar.bottom - bar.top)};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrA(hwnd_, GWL_STYLE)), TRUE, 0);
  ::SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void HostWindow::SignalInformation(double& west, double& east, double& north, double& south,
                                   const std::string& title) {
  ScriptHost::SignalInformation(west, east, north, south, title);
  shown_ = true;
  view_ = View{west, north, east, south};
  redraw_title_.clear();
  char extent[160];
  std::snprintf(extent, sizeof extent, "W %.4f  E %.4f  N %.4f  S %.4f", west, east, north, south);
  Status(0, extent);
  Status(1, title);
  if (picture_ != nullptr) {
    ::InvalidateRect(picture_, nullptr, FALSE);
    ::UpdateWindow(picture_);
  }
}

void HostWindow::SignalSpecialRedraw(const std::string& title) {
  ScriptHost::SignalSpecialRedraw(title);
  redraw_title_ = title;
  Status(1, title);
}

void HostWindow::SetSpecialOptionVisible(int index, bool visible) {
  ScriptHost::SetSpecialOptionVisible(index, visible);
  if (index >= 0) Option(index).visible = visible;
}

void HostWindow::SetSpecialOptionEnabled(int index, bool enabled) {
  ScriptHost::SetSpecialOptionEnabled(index, enabled);
  if (index >= 0) Option(index).enabled = enabled;
}

void HostWindow::UnloadSpecialOption(int index) {
  ScriptHost::UnloadSpecialOption(index);
  if (index >= 0) Option(index).loaded = false;
}

void HostWindow::PaintPicture(HWND hwnd) {
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(hwnd, &paint);
  const Raster& image = picture_box().Image();
  RECT client;
  ::GetClientRect(hwnd, &client);
  if (image.width > 0 && image.height > 0) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;  // top-down, as the raster lies
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    ::SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(image.width), static_cast<DWORD>(image.height),
                        0, 0, 0, static_cast<UINT>(image.height), image.pixels.data(), &info,
                        DIB_RGB_COLORS);
  }
  // Whatever the picture does not cover (the box is being resized).
  HBRUSH background = ::GetSysColorBrush(COLOR_APPWORKSPACE);
  RECT right{image.width, 0, client.right, client.bottom};
  RECT below{0, image.height, image.width, client.bottom};
  if (right.left < right.right) ::FillRect(dc, &right, background);
  if (below.top < below.bottom) ::FillRect(dc, &below, background);
  ::EndPaint(hwnd, &paint);
}

LRESULT CALLBACK HostWindow::PictureProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<CREATESTRUCTA*>(l);
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<HostWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      if (self != nullptr) {
        self->PaintPicture(hwnd);
        return 0;
      }
      break;
    case WM_SIZE:
      if (self != nullptr) self->wanted_ = SIZE{LOWORD(l), HIWORD(l)};
      return 0;
    case WM_LBUTTONDOWN:
      ::SetFocus(::GetParent(hwnd));
      return 0;
    case WM_LBUTTONDBLCLK:
      if (self != nullptr)
        self->CentreOn(static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l)));
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(hwnd, message, w, l);
}

LRESULT CALLBACK HostWindow::MainProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<CREATESTRUCTA*>(l);
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<HostWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self == nullptr || self->hwnd_ != hwnd) return ::DefWindowProcA(hwnd, message, w, l);
  return self->OnMain(message, w, l);
}

LRESULT HostWindow::OnMain(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_SIZE:
      Layout();
      return 0;
    case WM_INITMENUPOPUP:
      if (reinterpret_cast<HMENU>(w) == map_menu_) FillMapMenu();
      return 0;
    case WM_COMMAND:
      if (HIWORD(w) == 0 && l == 0) Command(LOWORD(w));
      return 0;
    case WM_KEYDOWN:
      if (const int code = PanCodeOfKey(w); code != 0 && HasObject() && shown_) {
        Do({"pan", std::to_string(code)});
        return 0;
      }
      break;
    case WM_CHAR:
      if (HasObject() && shown_ && (w == '+' || w == '=')) Do({"zoomin"});
      if (HasObject() && shown_ && w == '-') Do({"zoomout"});
      return 0;
    case WM_CLOSE:
      // The window stays until the server is released: the server's own
      // windows (the search dialog) are owned by it.
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(hwnd_, message, w, l);
}

}  // namespace

int RunWindowsHost(const HostInput& input, const HostOptions& options, ScriptHost::Creator create,
                   FileSystem& fs, Registry& registry, std::ostream& out) {
  if (!options.window) {
    PumpingHost host(std::move(create), out, fs, options);
    host.SetStations(input.stations);
    host.Run(input.script);
    EndHost(host, options, fs, out);
    return 0;
  }
  HostWindow window(std::move(create), out, fs, registry, options);
  window.SetStations(input.stations);
  if (!window.Open()) {
    out << "Error window: the host's window cannot be made\n";
    return 1;
  }
  if (input.script.commands.empty()) {
    window.Start();
    window.Loop();
  } else {
    window.Run(input.script);
  }
  window.Close();
  EndHost(window, options, fs, out);
  return 0;
}

}  // namespace k9::host
