#include "settings/help_routines.h"

#include "common/text.h"
#include "settings/path_text.h"

namespace k9 {

std::string HelpFileFor(const std::string& app_folder) {
  const std::string folder = Trim(app_folder);
  if (!folder.empty() && IsPathSeparator(folder.back())) return app_folder + kHelpFileName;
  return AppendToFolder(app_folder, kHelpFileName);
}

void HelpRoutines::HelpInit(std::intptr_t owner) {
  owner_ = owner;
  help_file_ = HelpFileFor(FolderOf(ports_.system->ModulePath()));
}

void HelpRoutines::ShowHelpContext(std::uint32_t context) {
  ports_.dialogs->ShowHelp(help_file_, kHelpContext, context, owner_);
}

void HelpRoutines::HelpQuit() { ports_.dialogs->ShowHelp(help_file_, kHelpQuit, 0, owner_); }

}  // namespace k9
