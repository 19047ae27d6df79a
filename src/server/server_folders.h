// ServerFolders holds the folders the whole server library works with: its own
// folder (where the library file lies) and base name, the host's program folder,
// and the overlay and underlay folders beside the library. The server object owns
// the one instance and hands it to the parts that read it; nothing else keeps a
// copy that could drift.
#pragma once

#include <string>
#include <string_view>

namespace k9 {

struct ServerFolders {
  // Folder of the server's library file, without a trailing separator.
  std::string server_folder;
  // The library file's name without extension ("Kestrel9").
  std::string base_name;
  // gstrHostFolder: the host's program folder, no trailing separator; "" until
  // Initialize has read it.
  std::string host_folder;
  // gstrOverlayFolder and gstrUnderlayFolder: "Strato Overlays" and "Strato
  // Underlays" beside the library, each ending in a separator; "" until
  // Initialize has set them.
  std::string overlay_folder;
  std::string underlay_folder;

  // The folder and base name of `module_path`; the other folders stay empty.
  static ServerFolders FromModulePath(std::string_view module_path);

  // `name` inside the server folder.
  std::string InServerFolder(std::string_view name) const;
};

}  // namespace k9
