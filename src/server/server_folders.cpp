#include "server/server_folders.h"

#include "common/text.h"

namespace k9 {

ServerFolders ServerFolders::FromModulePath(std::string_view module_path) {
  ServerFolders folders;
  folders.server_folder = FolderOf(module_path);
  folders.base_name = BaseNameOf(module_path);
  return folders;
}

std::string ServerFolders::InServerFolder(std::string_view name) const {
  return JoinPath(server_folder, name);
}

}  // namespace k9
