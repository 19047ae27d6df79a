// The map engine port over an engine control: the control is created by its
// ProgID on a hidden window of its own, sited in a small OLE container, called by
// dispatch identifier, and its events (through its connection point) are passed
// on to the port's MapEngineEvents. This is how frmStrato holds the engine on
// Windows.
#pragma once

#include <memory>
#include <string>

#include "server/engine_factory.h"
#include "server/engine_port.h"

namespace k9::wincontrol {

// Creates the engine control registered under `prog_id` (an ActiveX control or
// any automation object answering the engine's dispatch identifiers). COM must be
// initialised on the calling thread (single-threaded apartment), and the engine is
// used on that thread only. Throws std::runtime_error naming the ProgID and the
// failure when the control is not registered or cannot be created.
//
// Failing engine calls throw std::runtime_error with the engine's own description.
std::unique_ptr<MapEngine> CreateEngineControl(const std::string& prog_id);

// The factory the Windows server is given: creates any ProgID through
// CreateEngineControl (frmStrato asks for "Cartex71.Cartex").
EngineFactory MakeEngineControlFactory();

}  // namespace k9::wincontrol
