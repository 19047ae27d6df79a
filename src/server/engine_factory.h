// EngineFactory creates the map engine control that the hidden map form holds.
// The server is handed one at construction: the product passes a factory that
// creates the real engine by its ProgID, tests pass one that makes a fake.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "server/engine_port.h"

namespace k9 {

// The ProgID under which the map engine control is created.
inline constexpr char kEngineProgId[] = "Cartex71.Cartex";

// Returns a new engine for `prog_id`, or nullptr (or throws) when none can be
// created. The caller owns the result.
using EngineFactory = std::function<std::unique_ptr<MapEngine>(const std::string& prog_id)>;

}  // namespace k9
