// RegistryImage is a registry held in memory, with its REGEDIT4 text form. It is
// the store behind the file-backed registry and is platform-neutral, so the file
// format is the same (and tested) everywhere.
//
// Key paths are full paths that begin with a root name, as in
// "HKEY_CURRENT_USER\Software\x". Keys and value names match without regard to case and keep the
// case they were created with. Every ancestor of a key is itself a key.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace k9 {

struct RegistryValueEntry {
  std::string name;  // "" for the key's default value
  RegValue value;
};

struct RegistryKeyEntry {
  std::string path;
  std::vector<RegistryValueEntry> values;  // in the order they were first written

  const RegistryValueEntry* FindValue(std::string_view name) const;
  RegistryValueEntry* FindValue(std::string_view name);
  void SetValue(const std::string& name, const RegValue& value);
  bool RemoveValue(std::string_view name);
};

// The root's name as REGEDIT4 writes it ("HKEY_CURRENT_USER").
std::string RootName(RegRoot root);

// Root name + "\" + key with leading and trailing "\" removed, or "" when the key
// path cannot be stored (an empty component, or a CR, LF or NUL in it).
std::string FullKeyPath(RegRoot root, const std::string& key);

// True when a value name can be stored in REGEDIT4 text (no CR, LF or NUL).
bool IsStorableValueName(std::string_view name);

class RegistryImage {
 public:
  // Replaces the contents with the keys read from REGEDIT4 text. Returns false
  // when the text is not a complete, well-formed REGEDIT4 file (no "REGEDIT4"
  // first line, a line that cannot be read, an unknown root); the image then
  // holds whatever lines could be read, and `bad_line` (when given) the number
  // of the first line that could not be read (0 when all could). Empty text is
  // an empty, valid registry.
  bool Parse(std::string_view text, int* bad_line = nullptr);

  // The REGEDIT4 text of the image, keys in sorted order, lines ended by CRLF.
  std::string Format() const;

  // The key, or nullptr. A root name alone is always a key.
  const RegistryKeyEntry* Find(const std::string& path) const;
  RegistryKeyEntry* Find(const std::string& path);
  bool Exists(const std::string& path) const;

  // The key, created with its missing ancestors. An existing component keeps
  // its stored case.
  RegistryKeyEntry& Create(const std::string& path);

  // Removes a key that has no subkeys. False when it is missing, has subkeys or is a root.
  bool Remove(const std::string& path);

  // Names (the last component, as stored) of the key's direct subkeys, sorted
  // without regard to case.
  std::vector<std::string> Subkeys(const std::string& path) const;

 private:
  static std::string SortKey(std::string_view path);
  bool ParseLine(std::string_view line, RegistryKeyEntry** current);

  // Keyed by SortKey(path), which orders parents before children.
  std::map<std::string, RegistryKeyEntry> keys_;
};

}  // namespace k9
