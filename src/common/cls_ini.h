// clsIni reads and writes profile (INI) files: "[section]" headers and key=value
// lines. Every settings access of the system goes through it. An instance holds
// nothing but its default file name; callers create a fresh one for each use.
//
// Reading and writing follow the observable rules of the Windows private-profile
// functions (see common/profile.h). Nothing is cached: each call reads or
// replaces the file. Writes return their outcome, which callers that only
// mirror the platform's functions may ignore, as those functions' callers do.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ports.h"

namespace k9 {

// A value to store: text as it is, a number in its decimal form, a Boolean as
// "True" or "False". Constructors are explicit about each kind so that a string
// literal never turns into a Boolean.
class IniValue {
 public:
  IniValue(std::string_view text) : text_(text) {}             // NOLINT: implicit by design
  IniValue(const char* text) : text_(text) {}                  // NOLINT
  IniValue(const std::string& text) : text_(text) {}           // NOLINT
  IniValue(bool value) : text_(value ? "True" : "False") {}    // NOLINT
  IniValue(int value) : text_(std::to_string(value)) {}        // NOLINT
  IniValue(long value) : text_(std::to_string(value)) {}       // NOLINT
  IniValue(long long value) : text_(std::to_string(value)) {}  // NOLINT
  IniValue(double value);                                      // NOLINT
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// The result of LoadAllKeysInSection: column 0 is empty, columns 1..n hold the
// key name (row 0) and its value (row 1). `allocated` is false when the instance
// had no file to read.
struct IniKeyTable {
  bool allocated = false;
  std::vector<std::array<std::string, 2>> columns;
};

class clsIni {
 public:
  // The default file is the running module's folder, its base name and ".INI".
  explicit clsIni(const Ports& ports = Ports::Default());

  FileResult DeleteSection(const std::string& section,
                           const std::optional<std::string>& file = std::nullopt);
  FileResult DeleteKey(const std::string& section, const std::string& key,
                       const std::optional<std::string>& file = std::nullopt);
  // -1 when the text, in upper case, is "TRUE", "YES", "1" or "ON"; 0 otherwise.
  static std::int16_t IsItTrue(std::string_view text);
  IniKeyTable LoadAllKeysInSection(const std::string& section,
                                   const std::optional<std::string>& file = std::nullopt);
  // Sets the default file (write-only property).
  void strIniName(const std::string& path) { ini_name_ = path; }
  static std::string TrueOrFalse(bool value) { return value ? "TRUE" : "FALSE"; }

  // The stored value (at most 499 characters, one pair of surrounding quotes
  // removed), or `default_value` when absent. nullopt (an empty Variant) when no
  // file is given and the default file name is empty.
  std::optional<std::string> GetIniString(const std::string& section, const std::string& key,
                                          const std::string& default_value,
                                          const std::optional<std::string>& file = std::nullopt);
  // Writes the value; an empty text is written as two double quotes. With no
  // file to write (no file given, empty default name) nothing happens: success.
  FileResult SaveIniString(const std::string& section, const std::string& key,
                           const IniValue& value,
                           const std::optional<std::string>& file = std::nullopt);
  // As GetIniString, but an absent key is written with the default first.
  std::optional<std::string> GetIniStringWriteDefault(
      const std::string& section, const std::string& key, const std::string& default_value,
      const std::optional<std::string>& file = std::nullopt);

  // The default file, for callers that build names beside it.
  const std::string& ini_name() const { return ini_name_; }

 private:
  const std::string* FileFor(const std::optional<std::string>& file) const;

  Ports ports_;
  std::string ini_name_;
};

}  // namespace k9
