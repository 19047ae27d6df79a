// The registry keys that make the server library creatable by its ProgID, as a
// self-registering in-process server writes them: the ProgID with its class
// identifier, the class with its library path, and the type library and
// interface entries.
#pragma once

#include <string>
#include <vector>

#include "platform/registry.h"

namespace k9::module {

struct RegistryEntry {
  std::string key;    // under HKEY_CLASSES_ROOT
  std::string name;   // "" for the key's default value
  std::string value;  // stored as a string value
};

// Every value that registration writes for the library at `library_path`.
std::vector<RegistryEntry> RegistrationEntries(const std::string& library_path);

// The keys that unregistration removes with everything below them.
std::vector<std::string> RegistrationRoots();

// Writes the entries. False when any write fails.
bool RegisterServer(Registry& registry, const std::string& library_path);

// Removes the keys, deepest first. A key that is already gone is not an error;
// false only when a key that exists cannot be removed.
bool UnregisterServer(Registry& registry);

}  // namespace k9::module
