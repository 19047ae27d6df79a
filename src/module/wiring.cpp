#include "module/wiring.h"

#include <memory>
#include <stdexcept>

namespace k9::module {

ServerWiring MakeWiring() {
  ServerWiring wiring{Ports::Default(), {}, {}};
  wiring.engine_factory = [](const std::string& prog_id) -> std::unique_ptr<MapEngine> {
    throw std::runtime_error("the map engine \"" + prog_id + "\" is not available");
  };
  return wiring;
}

}  // namespace k9::module
