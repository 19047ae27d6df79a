// Which viewer opens a help file, and with which of its commands. Callers ask
// for help with WinHelp commands; WinHelp cannot read compiled HTML help
// (".chm"), so such a file goes to HTML Help with the matching command, and
// every other file stays with WinHelp. Decided apart from the Win32 calls so it
// can be checked everywhere.
#pragma once

#include <cstdint>
#include <string_view>

namespace k9 {

// WinHelp commands, with the values of the Windows API.
inline constexpr std::uint32_t kHelpContext = 0x0001;   // HELP_CONTEXT
inline constexpr std::uint32_t kHelpQuit = 0x0002;      // HELP_QUIT
inline constexpr std::uint32_t kHelpContents = 0x0003;  // HELP_CONTENTS
inline constexpr std::uint32_t kHelpFinder = 0x000B;    // HELP_FINDER

// HTML Help commands, with the values of the Windows API.
inline constexpr std::uint32_t kHhDisplayTopic = 0x0000;  // HH_DISPLAY_TOPIC
inline constexpr std::uint32_t kHhHelpContext = 0x000F;   // HH_HELP_CONTEXT
inline constexpr std::uint32_t kHhCloseAll = 0x0012;      // HH_CLOSE_ALL

enum class HelpViewer {
  kWinHelp,
  kHtmlHelp,
  kNone,  // a command the file's viewer has no counterpart for: the request fails
};

struct HelpRoute {
  HelpViewer viewer;
  std::uint32_t command;  // the viewer's own command
};

// The viewer for `file` (".chm" in any letter case goes to HTML Help) and the
// command that does what `winhelp_command` asks.
HelpRoute RouteHelpRequest(std::string_view file, std::uint32_t winhelp_command);

}  // namespace k9
