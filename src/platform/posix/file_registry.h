// The registry on POSIX: a REGEDIT4 text file shared by every process of the user.
#pragma once

#include <memory>
#include <string>

#include "platform/registry.h"

namespace k9 {

// A registry kept in the REGEDIT4 file at `path`; with "" the file is the one
// KESTREL9_REGISTRY names, else ~/.local/share/kestrel9/registry.reg, looked up
// again for every call.
//
// Every call reads the file afresh. Every change takes an advisory lock (the file
// name + ".lock"), re-reads, applies the change and replaces the file atomically,
// creating its folder when needed. A file that cannot be read as REGEDIT4 is
// never overwritten: reads see what could be read from it, and changes fail.
std::unique_ptr<Registry> NewFileRegistry(std::string path);

// The file the default registry uses now.
std::string DefaultRegistryFilePath();

}  // namespace k9
