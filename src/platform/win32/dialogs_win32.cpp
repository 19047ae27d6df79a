#include "platform/win32/dialogs_win32.h"

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "platform/help_viewer.h"
#include "platform/win32/win32_util.h"

namespace k9 {

namespace {

constexpr UINT kBffmInitialized = 1;        // BFFM_INITIALIZED
constexpr UINT kBffmSetSelectionA = 0x466;  // BFFM_SETSELECTIONA

HWND Window(std::intptr_t handle) { return reinterpret_cast<HWND>(handle); }

// Opens the folder browser on the start folder: the callback data is the
// address of the folder's zero-terminated text.
int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM /*param*/, LPARAM data) {
  if (message == kBffmInitialized) ::SendMessageA(dialog, kBffmSetSelectionA, TRUE, data);
  return 0;
}

// HTML Help lives in hhctrl.ocx, loaded on the first compiled help file shown
// and kept to the end of the process, since its help windows outlive the call.
// No import library is needed.
using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
std::atomic<bool> html_help_loaded{false};

HtmlHelpFunction HtmlHelpEntry() {
  static const HtmlHelpFunction entry = [] {
    HMODULE library = ::LoadLibraryA("hhctrl.ocx");
    if (library == nullptr) return HtmlHelpFunction{nullptr};
    FARPROC found = ::GetProcAddress(library, "HtmlHelpA");
    if (found == nullptr) return HtmlHelpFunction{nullptr};
    html_help_loaded = true;
    return reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void (*)()>(found));
  }();
  return entry;
}

// True when HTML Help took the request. Without hhctrl.ocx nothing can show
// the file, which is a failed request; closing when HTML Help never opened
// anything has nothing to do.
bool ShowHtmlHelp(HWND owner, const std::string& file, std::uint32_t command, std::uintptr_t data) {
  if (command == kHhCloseAll) {
    if (!html_help_loaded) return true;
    HtmlHelpEntry()(nullptr, nullptr, kHhCloseAll, 0);
    return true;
  }
  HtmlHelpFunction html_help = HtmlHelpEntry();
  if (html_help == nullptr) return false;
  return html_help(owner, file.c_str(), command, static_cast<DWORD_PTR>(data)) != nullptr;
}

class Win32Dialogs : public Dialogs {
 public:
  int ShowMessage(const std::string& text, const std::string& caption, std::uint32_t style,
                  std::intptr_t owner) override {
    if (AutomationMode()) return DefaultHeadlessDialogs().ShowMessage(text, caption, style, owner);
    return ::MessageBoxA(Window(owner), text.c_str(), caption.c_str(), style);
  }

  std::optional<std::string> OpenFile(const OpenFileRequest& request) override {
    if (AutomationMode()) return DefaultHeadlessDialogs().OpenFile(request);
    // The filter arrives with "|" between its parts; the dialog wants NULs and a
    // double NUL at the end.
    std::string filter = request.filter;
    std::replace(filter.begin(), filter.end(), '|', '\0');
    filter.append(2, '\0');
    std::string initial = NativePath(request.initial_folder);
    std::vector<char> file(MAX_PATH * 4, '\0');

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Window(request.owner);
    ofn.lpstrFilter = request.filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = initial.empty() ? nullptr : initial.c_str();
    ofn.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
    ofn.Flags = request.flags;
    if (!::GetOpenFileNameA(&ofn)) return std::nullopt;
    return std::string(file.data());
  }

  std::optional<std::string> BrowseForFolder(const FolderRequest& request) override {
    if (AutomationMode()) return DefaultHeadlessDialogs().BrowseForFolder(request);
    std::string title = request.title;
    BROWSEINFOA info{};
    info.hwndOwner = Window(request.owner);
    info.pidlRoot = nullptr;  // the tree starts at the desktop
    info.pszDisplayName = nullptr;
    info.lpszTitle = title.c_str();
    info.ulFlags = request.flags;
    // The start folder lives in a zero-filled block that the callback selects.
    HLOCAL start = nullptr;
    if (!request.start_folder.empty()) {
      std::string folder = NativePath(request.start_folder);
      start = ::LocalAlloc(LPTR, folder.size() + 1);
      if (start != nullptr) {
        std::copy(folder.begin(), folder.end(), static_cast<char*>(start));
        info.lpfn = BrowseCallback;
        info.lParam = reinterpret_cast<LPARAM>(start);
      }
    }
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderA(&info);
    if (start != nullptr) ::LocalFree(start);
    if (chosen == nullptr) return std::nullopt;
    char path[MAX_PATH + 1] = {};
    BOOL found = ::SHGetPathFromIDListA(chosen, path);
    ::CoTaskMemFree(chosen);
    if (!found || path[0] == '\0') return std::nullopt;  // a virtual item: no folder chosen
    return std::string(path);
  }

  bool ShowHelp(const std::string& file, std::uint32_t command, std::uintptr_t data,
                std::intptr_t owner) override {
    if (AutomationMode()) return DefaultHeadlessDialogs().ShowHelp(file, command, data, owner);
    const HelpRoute route = RouteHelpRequest(file, command);
    switch (route.viewer) {
      case HelpViewer::kHtmlHelp:
        return ShowHtmlHelp(Window(owner), file, route.command, data);
      case HelpViewer::kWinHelp:
        return ::WinHelpA(Window(owner), file.empty() ? nullptr : file.c_str(), route.command,
                          static_cast<ULONG_PTR>(data)) != 0;
      case HelpViewer::kNone:
        break;
    }
    return false;
  }
};

}  // namespace

std::unique_ptr<Dialogs> NewWin32Dialogs() { return std::make_unique<Win32Dialogs>(); }

Dialogs& Dialogs::Default() {
  if (AutomationMode()) return DefaultHeadlessDialogs();
  static Dialogs* dialogs = NewWin32Dialogs().release();  // never destroyed: used until exit
  return *dialogs;
}

}  // namespace k9
