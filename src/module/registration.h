// The registry keys that make the server library creatable by its ProgID, as a
// self-registering in-process server writes them: the ProgID with its class
// identifier, the class with its library path, and the type library and
// interface entries. The Windows package writes the same list (src/installer
// builds it from here), so installing and registering give the same keys.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace k9::module {

// The type library platform of a Windows library whose pointers have
// `pointer_size` bytes: "win64" for 8, else "win32".
inline const char* TypeLibPlatform(std::size_t pointer_size) {
  return pointer_size == 8 ? "win64" : "win32";
}

// Every value that registration writes for the library at `library_path`. The
// type library's file is registered under `typelib_platform`: "win32" for a
// 32-bit library (and on POSIX), "win64" for a 64-bit one.
std::vector<RegistryEntry> RegistrationEntries(const std::string& library_path,
                                               const std::string& typelib_platform = "win32");

// The keys that unregistration removes with everything below them.
std::vector<std::string> RegistrationRoots();

// Writes the entries. False when any write fails.
bool RegisterServer(Registry& registry, const std::string& library_path,
                    const std::string& typelib_platform = "win32");

// Removes the keys, deepest first. A key that is already gone is not an error;
// false only when a key that exists cannot be removed.
bool UnregisterServer(Registry& registry);

}  // namespace k9::module
