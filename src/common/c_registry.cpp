#include "common/c_registry.h"

#include <optional>

#include "common/error.h"
#include "common/text.h"

namespace k9 {

namespace {

RegRoot RootOf(std::uint32_t class_key) { return static_cast<RegRoot>(class_key); }

// The root as error texts give it: the 32-bit integer the key handle is, which
// is negative for the predefined roots (HKEY_LOCAL_MACHINE is -2147483646).
std::string RootText(std::uint32_t class_key) {
  return std::to_string(static_cast<std::int32_t>(class_key));
}

// A "%" followed, at least two characters later, by another "%" marks text
// with an environment-variable reference.
bool HasVariableReference(const std::string& text) {
  const std::size_t first = text.find('%');
  return first != std::string::npos && text.find('%', first + 2) != std::string::npos;
}

std::uint32_t LittleEndian32(const std::string& data) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4 && i < data.size(); ++i) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
  }
  return value;
}

std::string Bytes32(std::uint32_t value, bool big_endian) {
  std::string out(4, '\0');
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t at = big_endian ? 3 - i : i;
    out[at] = static_cast<char>((value >> (8 * i)) & 0xFFu);
  }
  return out;
}

std::uint32_t ReverseBytes(std::uint32_t value) {
  return ((value & 0xFFu) << 24) | ((value & 0xFF00u) << 8) | ((value >> 8) & 0xFF00u) |
         (value >> 24);
}

// The text a string read yields: the stored bytes less the last one (the
// terminating NUL), so a multi-string keeps its separating NULs.
std::string StoredText(const std::string& data) {
  return data.empty() ? std::string() : data.substr(0, data.size() - 1);
}

// The value as text, for writing a string value and for error descriptions.
std::string DataAsText(const RegistryData& value) {
  if (const std::string* text = std::get_if<std::string>(&value)) return *text;
  if (const std::int32_t* number = std::get_if<std::int32_t>(&value)) {
    return std::to_string(*number);
  }
  if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&value)) {
    return std::string(bytes->begin(), bytes->end());
  }
  return "";
}

}  // namespace

cRegistry::cRegistry(const Ports& ports) : ports_(ports) {}

void cRegistry::Raise(const std::string& description) const {
  throw ComError(kRegistryErrorNumber, BaseNameOf(ports_.system->ModulePath()) + ".cRegistry",
                 description);
}

bool cRegistry::KeyExists() { return ports_.registry->KeyExists(RootOf(class_key_), section_key_); }

bool cRegistry::CreateKey() {
  if (!ports_.registry->CreateKey(RootOf(class_key_), section_key_)) {
    Raise("Failed to create registry Key: '" + section_key_);
  }
  return true;
}

bool cRegistry::DeleteKey() {
  if (!ports_.registry->DeleteKey(RootOf(class_key_), section_key_)) {
    Raise("Failed to delete registry Key: '" + RootText(class_key_) + "',Section: '" +
          section_key_);
  }
  return true;
}

bool cRegistry::DeleteValue() {
  const std::string root = RootText(class_key_);
  if (!ports_.registry->KeyExists(RootOf(class_key_), section_key_)) {
    Raise("Failed to open key '" + root + "',Section: '" + section_key_ + "' for delete access");
  }
  if (!ports_.registry->DeleteValue(RootOf(class_key_), section_key_, value_key_)) {
    Raise("Failed to delete registry Key: '" + root + "',Section: '" + section_key_ + "',Key: '" +
          value_key_);
  }
  return true;
}

RegistryData cRegistry::Value() {
  std::optional<RegValue> stored =
      ports_.registry->QueryValue(RootOf(class_key_), section_key_, value_key_);
  if (!stored) return default_;
  value_type_ = stored->type;
  switch (stored->type) {
    case kRegSz:
    case kRegMultiSz:
      return StoredText(stored->data);
    case kRegExpandSz: {
      std::string text = StoredText(stored->data);
      // The expansion function sees a C string: it ends at the first NUL.
      const std::size_t nul = text.find('\0');
      if (nul != std::string::npos) text.resize(nul);
      return ExpandEnvironment(text);
    }
    case kRegDword:
      return static_cast<std::int32_t>(LittleEndian32(stored->data));
    case kRegDwordBigEndian:
      return static_cast<std::int32_t>(ReverseBytes(LittleEndian32(stored->data)));
    default:
      return std::vector<std::uint8_t>(stored->data.begin(), stored->data.end());
  }
}

void cRegistry::Value(const RegistryData& value) {
  RegValue stored;
  bool usable = true;
  switch (value_type_) {
    case kRegSz:
    case kRegExpandSz: {
      const std::string text = DataAsText(value);
      stored.type = HasVariableReference(text) ? kRegExpandSz : kRegSz;
      stored.data = text;
      stored.data.push_back('\0');
      break;
    }
    case kRegBinary:
      if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&value)) {
        stored.type = kRegBinary;
        stored.data.assign(bytes->begin(), bytes->end());
      } else {
        usable = false;
      }
      break;
    case kRegDword:
    case kRegDwordBigEndian:
      if (const std::int32_t* number = std::get_if<std::int32_t>(&value)) {
        stored.type = value_type_;
        // A big-endian number is stored most significant byte first, so that
        // reading it back gives the number that was written.
        stored.data =
            Bytes32(static_cast<std::uint32_t>(*number), value_type_ == kRegDwordBigEndian);
      } else {
        usable = false;
      }
      break;
    default:
      usable = false;  // no way to store this type from a Variant
      break;
  }
  if (!usable || !ports_.registry->SetValue(RootOf(class_key_), section_key_, value_key_, stored)) {
    Raise("Failed to set registry value Key: '" + RootText(class_key_) + "',Section: '" +
          section_key_ + "',Key: '" + value_key_ + "' to value: '" + DataAsText(value) + "'");
  }
}

bool cRegistry::EnumerateValues(std::vector<std::string>* names, std::int32_t* count) {
  names->clear();
  *count = 0;
  std::optional<std::vector<std::string>> found =
      ports_.registry->EnumerateValues(RootOf(class_key_), section_key_);
  if (!found) return false;
  names->reserve(found->size() + 1);
  names->emplace_back();
  for (std::string& name : *found) names->push_back(std::move(name));
  *count = static_cast<std::int32_t>(found->size());
  return true;
}

bool cRegistry::EnumerateSections(std::vector<std::string>* names, std::int32_t* count) {
  names->clear();
  *count = 0;
  std::optional<std::vector<std::string>> found =
      ports_.registry->EnumerateSubkeys(RootOf(class_key_), section_key_);
  if (!found) return false;
  names->reserve(found->size() + 1);
  names->emplace_back();
  for (std::string& name : *found) {
    const std::size_t nul = name.find('\0');
    if (nul != std::string::npos) name.resize(nul);
    names->push_back(std::move(name));
  }
  *count = static_cast<std::int32_t>(found->size());
  return true;
}

}  // namespace k9
