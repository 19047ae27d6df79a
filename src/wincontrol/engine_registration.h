// The registry values that make the reference engine's control creatable by its
// ProgID "Cartex71.Cartex": the ProgID with its class, and the class with its
// library, threading model and control mark. Kestrel9Engine.dll's
// DllRegisterServer writes them and the Windows package is made from the same
// list, so installing and registering give the same keys. No OS API here: the
// package's build tool runs on the build machine.
#pragma once

#include <string>
#include <vector>

#include "platform/registry.h"

namespace k9::wincontrol {

// The class of the reference engine's COM object.
inline constexpr char kEngineClsidText[] = "{6EB68C83-E256-4220-9B91-FA4884D79692}";

// Every value that registration writes for the library at `library_path`.
std::vector<RegistryEntry> EngineRegistrationEntries(const std::string& library_path);

// The keys that belong to the engine's registration, each with everything below
// it: the class, then the ProgID. The ProgID is the mapping product's own; where
// another class owns it, unregistering leaves it alone and the Windows package
// does not write it.
std::vector<std::string> EngineRegistrationRoots();

}  // namespace k9::wincontrol
