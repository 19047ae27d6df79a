#include "common/cls_ini.h"

#include <cstring>

#include "common/profile.h"
#include "common/text.h"

namespace k9 {

namespace {

// Buffer sizes of the platform read calls; a value is cut to one less.
constexpr std::size_t kValueBufferSize = 500;
constexpr std::size_t kKeyListBufferSize = 10000;

// Returned by the read when a key is absent; no sensible stored value looks like it.
constexpr char kAbsentMarker[] = "$!*%";

// White space the reader trims from a value's ends.
bool IsTrimmed(char c) { return c == ' ' || c == '\t'; }

bool StartsOrEndsWithBlank(const std::string& text) {
  return !text.empty() && (IsTrimmed(text.front()) || IsTrimmed(text.back()));
}

}  // namespace

IniValue::IniValue(double value) : text_(FormatNumber(value)) {}

clsIni::clsIni(const Ports& ports) : ports_(ports) {
  const std::string module = ports_.system->ModulePath();
  if (!module.empty()) {
    ini_name_ = JoinPath(FolderOf(module), BaseNameOf(module) + ".INI");
  }
}

const std::string* clsIni::FileFor(const std::optional<std::string>& file) const {
  // A file argument that is present is used even when it is empty.
  if (file) return &*file;
  if (ini_name_.empty()) return nullptr;
  return &ini_name_;
}

FileResult clsIni::DeleteSection(const std::string& section,
                                 const std::optional<std::string>& file) {
  const std::string* path = FileFor(file);
  if (path == nullptr) return {};
  return WriteProfileValue(*ports_.fs, *path, section, std::nullopt, std::nullopt);
}

FileResult clsIni::DeleteKey(const std::string& section, const std::string& key,
                             const std::optional<std::string>& file) {
  const std::string* path = FileFor(file);
  if (path == nullptr) return {};
  return WriteProfileValue(*ports_.fs, *path, section, key, std::nullopt);
}

std::int16_t clsIni::IsItTrue(std::string_view text) {
  const std::string upper = ToUpper(text);
  return (upper == "TRUE" || upper == "YES" || upper == "1" || upper == "ON") ? -1 : 0;
}

IniKeyTable clsIni::LoadAllKeysInSection(const std::string& section,
                                         const std::optional<std::string>& file) {
  IniKeyTable table;
  const std::string* path = FileFor(file);
  if (path == nullptr) return table;
  table.allocated = true;
  table.columns.emplace_back();  // column 0 stays empty
  const std::string names =
      ReadProfileString(*ports_.fs, *path, section, std::nullopt, "", kKeyListBufferSize);
  std::size_t start = 0;
  while (start < names.size()) {
    std::size_t end = names.find('\0', start);
    if (end == std::string::npos) end = names.size();
    if (end > start) {
      std::string name = names.substr(start, end - start);
      std::string value = GetIniString(section, name, "", *path).value_or("");
      table.columns.push_back({std::move(name), std::move(value)});
    }
    start = end + 1;
  }
  return table;
}

std::optional<std::string> clsIni::GetIniString(const std::string& section, const std::string& key,
                                                const std::string& default_value,
                                                const std::optional<std::string>& file) {
  const std::string* path = FileFor(file);
  if (path == nullptr) return std::nullopt;
  return ReadProfileString(*ports_.fs, *path, section, key, default_value, kValueBufferSize);
}

FileResult clsIni::SaveIniString(const std::string& section, const std::string& key,
                                 const IniValue& value, const std::optional<std::string>& file) {
  const std::string* path = FileFor(file);
  if (path == nullptr) return {};
  // Two quotes keep the key in the file with a value that reads back as empty.
  const std::string text = value.text().empty() ? std::string("\"\"") : value.text();
  return WriteProfileValue(*ports_.fs, *path, section, key, text);
}

std::optional<std::string> clsIni::GetIniStringWriteDefault(
    const std::string& section, const std::string& key, const std::string& default_value,
    const std::optional<std::string>& file) {
  std::optional<std::string> stored = GetIniString(section, key, kAbsentMarker, file);
  if (!stored || *stored != kAbsentMarker) return stored;
  // Quotes keep leading and trailing blanks, which a read would otherwise trim.
  const std::string text =
      StartsOrEndsWithBlank(default_value) ? "\"" + default_value + "\"" : default_value;
  SaveIniString(section, key, text, file);
  return default_value;
}

}  // namespace k9
