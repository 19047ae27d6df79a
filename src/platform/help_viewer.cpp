#include "platform/help_viewer.h"

#include <cctype>

namespace k9 {

namespace {

bool IsCompiledHtmlHelp(std::string_view file) {
  constexpr std::string_view kExtension = ".chm";
  if (file.size() < kExtension.size()) return false;
  const std::string_view tail = file.substr(file.size() - kExtension.size());
  for (std::size_t i = 0; i < kExtension.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(tail[i])) != kExtension[i]) return false;
  }
  return true;
}

}  // namespace

HelpRoute RouteHelpRequest(std::string_view file, std::uint32_t winhelp_command) {
  if (!IsCompiledHtmlHelp(file)) return {HelpViewer::kWinHelp, winhelp_command};
  switch (winhelp_command) {
    case kHelpContext:
      return {HelpViewer::kHtmlHelp, kHhHelpContext};
    case kHelpQuit:
      return {HelpViewer::kHtmlHelp, kHhCloseAll};
    case kHelpContents:
    case kHelpFinder:
      return {HelpViewer::kHtmlHelp, kHhDisplayTopic};
    default:
      return {HelpViewer::kNone, winhelp_command};
  }
}

}  // namespace k9
