#include "module/help_report.h"

#include "platform/help_viewer.h"

namespace k9::module {

namespace {

struct HelpTopic {
  std::uint32_t context;
  const char* page;
};

#include "help_topics.inc"

}  // namespace

std::optional<HelpReport> ReportHelpRequest(const std::string& file, std::uint32_t command,
                                            std::uintptr_t data) {
  const HelpRoute route = RouteHelpRequest(file, command);
  switch (command) {
    case kHelpContext: {
      HelpReport report{file, static_cast<std::uint32_t>(data), ""};
      if (route.viewer != HelpViewer::kHtmlHelp) return report;
      for (const HelpTopic& topic : kHelpTopics) {
        if (topic.context == report.context) report.page = topic.page;
      }
      return report;
    }
    case kHelpContents:
    case kHelpFinder:
      return HelpReport{file, 0, route.viewer == HelpViewer::kHtmlHelp ? kHelpDefaultTopic : ""};
    default:
      return std::nullopt;
  }
}

}  // namespace k9::module
