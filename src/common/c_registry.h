// cRegistry reads and writes registry values and keys. The caller sets the
// location (ClassKey, SectionKey, ValueKey, ValueType) and then reads or writes
// Value or calls a key operation. Failures of the key and value operations raise
// ComError 26001 with a description naming root, section and value; reading a
// missing value is no failure and gives Default.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/ports.h"

namespace k9 {

// What Value reads and writes: nothing (an empty Variant), text, a 32-bit number
// or a byte array.
using RegistryData =
    std::variant<std::monostate, std::string, std::int32_t, std::vector<std::uint8_t>>;

inline constexpr long kRegistryErrorNumber = 26001;
inline constexpr std::uint32_t HKEY_CLASSES_ROOT_VALUE = 0x80000000u;
inline constexpr std::uint32_t HKEY_CURRENT_USER_VALUE = 0x80000001u;
inline constexpr std::uint32_t HKEY_LOCAL_MACHINE_VALUE = 0x80000002u;

class cRegistry {
 public:
  explicit cRegistry(const Ports& ports = Ports::Default());

  bool KeyExists();
  bool CreateKey();
  bool DeleteKey();
  bool DeleteValue();
  RegistryData Value();
  void Value(const RegistryData& value);
  // Names into *names (index 0 unused, so names run from 1 to *count).
  bool EnumerateValues(std::vector<std::string>* names, std::int32_t* count);
  bool EnumerateSections(std::vector<std::string>* names, std::int32_t* count);

  std::uint32_t ValueType() const { return value_type_; }
  void ValueType(std::uint32_t type) { value_type_ = type; }
  std::uint32_t ClassKey() const { return class_key_; }
  void ClassKey(std::uint32_t root) { class_key_ = root; }
  const std::string& SectionKey() const { return section_key_; }
  void SectionKey(const std::string& key) { section_key_ = key; }
  const std::string& ValueKey() const { return value_key_; }
  void ValueKey(const std::string& name) { value_key_ = name; }
  const RegistryData& Default() const { return default_; }
  void Default(const RegistryData& value) { default_ = value; }

 private:
  [[noreturn]] void Raise(const std::string& description) const;

  Ports ports_;
  std::uint32_t value_type_ = 0;
  std::uint32_t class_key_ = 0;
  std::string section_key_;
  std::string value_key_;
  RegistryData default_;
};

}  // namespace k9
