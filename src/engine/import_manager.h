// The reference engine's import manager (engine member 193): its dialog tells the
// user what the engine takes in from outside, its two overlay formats, and how to
// bring such a file to the map.
#pragma once

#include <memory>

#include "platform/dialogs.h"
#include "server/engine_port.h"

namespace k9::engine {

// The dialog's caption and text.
inline constexpr char kImportManagerCaption[] = "Import Manager";
extern const char kImportManagerText[];

// Shows its dialog through `dialogs`; nullptr shows nothing.
std::unique_ptr<EngineImportManager> MakeImportManager(Dialogs* dialogs);

}  // namespace k9::engine
