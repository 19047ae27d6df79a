// Ports bundles the platform ports that a part of the system uses, so that the
// server, the initialiser and tests can hand one object around. Every pointer is
// non-null; Default() gives the platform's implementations, and tests substitute
// fakes for any of them.
#pragma once

#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace k9 {

struct Ports {
  FileSystem* fs;
  Registry* registry;
  Dialogs* dialogs;
  System* system;

  static Ports Default() {
    return Ports{&FileSystem::Default(), &Registry::Default(), &Dialogs::Default(),
                 &System::Default()};
  }
};

}  // namespace k9
