// Attempt runs one statement of a routine that must always finish (the paint
// step, the object's termination): a statement that fails is skipped and the
// routine goes on with the next one. Every such routine goes through this one
// helper so that "skip a failing statement" means the same everywhere.
#pragma once

#include <utility>

namespace k9 {

// Runs `statement`; any exception it throws is swallowed. Returns true when the
// statement finished without one.
template <typename Statement>
bool Attempt(Statement&& statement) noexcept {
  try {
    std::forward<Statement>(statement)();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace k9
