// Registry is the port to a Windows-style registry: keys under the roots
// HKEY_CLASSES_ROOT, HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, each holding named
// values of a type (string, expandable string, binary, 32-bit number, big-endian
// 32-bit number, multi-string). Key paths use "\" and match without regard to case.
//
// On Windows the real registry is used. Elsewhere the store is a text file in
// REGEDIT4 format (KESTREL9_REGISTRY names it; the default is
// ~/.local/share/kestrel9/registry.reg) that is re-read for every call and
// replaced atomically on every change, so several processes may share it and a
// process killed mid-write never leaves it damaged.
//
// Implementations never throw: each method reports failure through its result.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace k9 {

// Root key handles, with the numeric values of the Windows API.
enum class RegRoot : std::uint32_t {
  kClassesRoot = 0x80000000u,
  kCurrentUser = 0x80000001u,
  kLocalMachine = 0x80000002u,
  kUsers = 0x80000003u,
};

// Value type codes, with the numeric values of the Windows API.
enum RegType : std::uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegDwordBigEndian = 5,
  kRegMultiSz = 7,
};

// A value as the registry stores it: its type and its raw bytes. String types
// include their terminating NUL (a multi-string its double NUL); a 32-bit
// number is four bytes, little-endian for kRegDword.
struct RegValue {
  std::uint32_t type = kRegNone;
  std::string data;
};

class Registry {
 public:
  Registry() = default;
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;
  virtual ~Registry();

  // The platform's registry. The result belongs to the library; never delete it.
  static Registry& Default();

  // True when the key exists.
  virtual bool KeyExists(RegRoot root, const std::string& key) = 0;

  // Creates the key and any missing parents. True when it exists afterwards.
  virtual bool CreateKey(RegRoot root, const std::string& key) = 0;

  // Deletes a key that has no subkeys, with its values. False when the key is
  // missing or still has subkeys.
  virtual bool DeleteKey(RegRoot root, const std::string& key) = 0;

  // The value `name` ("" for the key's default value), or nullopt when the key
  // or the value does not exist.
  virtual std::optional<RegValue> QueryValue(RegRoot root, const std::string& key,
                                             const std::string& name) = 0;

  // Writes the value, creating the key when needed. True on success.
  virtual bool SetValue(RegRoot root, const std::string& key, const std::string& name,
                        const RegValue& value) = 0;

  // Deletes the value. False when the key or the value is missing.
  virtual bool DeleteValue(RegRoot root, const std::string& key, const std::string& name) = 0;

  // Names of the key's values (respectively subkeys) in enumeration order, or
  // nullopt when the key does not exist.
  virtual std::optional<std::vector<std::string>> EnumerateValues(RegRoot root,
                                                                  const std::string& key) = 0;
  virtual std::optional<std::vector<std::string>> EnumerateSubkeys(RegRoot root,
                                                                   const std::string& key) = 0;
};

// One string value that a self-registering library writes under
// HKEY_CLASSES_ROOT. The libraries' registration and the Windows package are both
// made from lists of these, so the two write the same values.
struct RegistryEntry {
  std::string key;    // under HKEY_CLASSES_ROOT
  std::string name;   // "" for the key's default value
  std::string value;  // stored as a string value
};

// Writes every entry as a string value under HKEY_CLASSES_ROOT. False when any
// write fails (the others are still attempted).
bool WriteClassesEntries(Registry& registry, const std::vector<RegistryEntry>& entries);

// Expands %NAME% references from the process environment; an unknown name is
// left as written, as the Windows expansion function does.
std::string ExpandEnvironment(const std::string& text);

}  // namespace k9
