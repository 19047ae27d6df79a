// Creating the server the way COM does it, on a platform without COM: the ProgID
// names a class identifier, the class identifier names the library file
// (InprocServer32), the library is loaded and asked for its class object, and the
// class object makes the instance. Every step that fails says which registry key
// or file is at fault, so a missing or stale registration is easy to repair.
#pragma once

#include <string>

#include "module/map_server_object.h"
#include "platform/registry.h"

namespace k9::host {

// A loaded shared library. Libraries stay loaded until the process ends, as COM
// keeps in-process servers loaded until it is told that they may go, so objects
// and class factories never outlive their code.
class SharedLibrary {
 public:
  // Loads the library at `path`; nullptr (and *error set) when it cannot be loaded.
  // The result belongs to the process's list of loaded libraries: never delete it.
  static SharedLibrary* Load(const std::string& path, std::string* error);
  // The exported symbol `name`, or nullptr.
  void* Symbol(const char* name) const;
  const std::string& path() const { return path_; }

 private:
  SharedLibrary(void* handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  void* handle_;
  std::string path_;
};

// What a registration names for a ProgID.
struct Registration {
  Guid clsid;
  std::string library;  // the InprocServer32 path
};

// Reads HKCR\<prog_id>\CLSID and HKCR\CLSID\{...}\InprocServer32. False (and
// *error naming the key) when either is missing or malformed.
bool ReadRegistration(Registry& registry, const std::string& prog_id, Registration* out,
                      std::string* error);

// Creates an instance of the class registered for `prog_id`. nullptr (and *error
// set) when the registration is missing or stale, the library cannot be loaded
// or refuses to make the object. The caller releases the object.
MapServerObject* CreateObjectByProgId(Registry& registry, const std::string& prog_id,
                                      std::string* error);

// The text of a registry string value without its terminating NUL.
std::string RegistryText(const RegValue& value);

}  // namespace k9::host
