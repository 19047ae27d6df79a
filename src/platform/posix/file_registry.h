// The registry on POSIX: a REGEDIT4 text file shared by every process of the user.
#pragma once

#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/registry.h"

namespace k9 {

// A registry kept in the REGEDIT4 file at `path`; with "" the file is the one
// KESTREL9_REGISTRY names, else ~/.local/share/kestrel9/registry.reg, looked up
// again for every call.
//
// Every call reads the file afresh through `fs`. Every change takes the file
// system's update lock on the file, re-reads, applies the change and replaces
// the file atomically, creating its folder when needed. A file that cannot be
// read as REGEDIT4 is never overwritten: reads see what could be read from it,
// changes fail, and CheckStore names its first damaged line.
std::unique_ptr<Registry> NewFileRegistry(std::string path, FileSystem& fs = FileSystem::Default());

// The file the default registry uses now.
std::string DefaultRegistryFilePath();

}  // namespace k9
