#include "common/cls_folder_browser.h"

namespace k9 {

namespace {
constexpr std::uint32_t kBifReturnOnlyFsDirs = 0x1;
constexpr std::uint32_t kBifDontGoBelowDomain = 0x2;
}  // namespace

std::string clsFolderBrowser::strFolder(const std::string& start_folder) {
  FolderRequest request;
  request.owner = owner_;
  request.title = title_;
  request.start_folder = start_folder;
  request.flags = kBifReturnOnlyFsDirs | (dont_go_below_domain_ ? kBifDontGoBelowDomain : 0u);
  return dialogs_.BrowseForFolder(request).value_or("");
}

}  // namespace k9
