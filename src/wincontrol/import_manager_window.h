// The engine's Import Manager on a window (Windows): the imported areas in a list
// view, Import..., Remove and Close, and while an import runs a progress bar, its
// status line and Cancel. Modal to its owner, with its own message loop; the
// import's worker thread posts its progress, so the window keeps painting.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/import_manager.h"
#include "server/engine_port.h"

namespace k9::wincontrol {

inline constexpr char kImportManagerWindowClass[] = "Kestrel9ImportManager";

// Button and control captions, as the window shows them.
inline constexpr char kImportCaption[] = "&Import...";
inline constexpr char kRemoveCaption[] = "&Remove";
inline constexpr char kCloseCaption[] = "&Close";
inline constexpr char kCancelCaption[] = "Cancel";

class Win32ImportManagerView final : public engine::ImportManagerView {
 public:
  // `owner` 0 makes the active window the owner.
  void ShowModal(engine::ImportManagerModel& model, std::intptr_t owner) override;
};

// What member 193 of Kestrel9Engine.dll answers: the Import Manager on its window,
// or under KESTREL9_AUTOMATION the headless one, over the default backend, with
// the server's help file for F1.
std::unique_ptr<EngineImportManager> MakeWindowsImportManager();

}  // namespace k9::wincontrol
