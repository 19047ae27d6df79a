#include "platform/registry_image.h"

#include <cstdint>
#include <cstdio>

#include "platform/wildcard.h"

namespace k9 {

namespace {

constexpr RegRoot kRoots[] = {RegRoot::kClassesRoot, RegRoot::kCurrentUser, RegRoot::kLocalMachine,
                              RegRoot::kUsers};

char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsRootName(std::string_view name) {
  for (RegRoot root : kRoots) {
    if (SameNameIgnoringCase(RootName(root), name)) return true;
  }
  return false;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a quoted REGEDIT4 string at the start of `text` (\\ and \" are the only
// escapes). Advances `text` past the closing quote. False when it is malformed.
bool ReadQuoted(std::string_view* text, std::string* out) {
  std::string_view s = *text;
  if (s.empty() || s[0] != '"') return false;
  out->clear();
  for (std::size_t i = 1; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') {
      text->remove_prefix(i + 1);
      return true;
    }
    if (c == '\\') {
      if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"')) return false;
      c = s[++i];
    }
    out->push_back(c);
  }
  return false;  // no closing quote: the line was cut short
}

void AppendQuoted(std::string* out, std::string_view text) {
  out->push_back('"');
  for (char c : text) {
    if (c == '\\' || c == '"') out->push_back('\\');
    out->push_back(c);
  }
  out->push_back('"');
}

// Comma-separated hex bytes ("01,ff, 0a"); an empty list is valid.
bool ReadHexBytes(std::string_view text, std::string* out) {
  out->clear();
  text = TrimBlanks(text);
  if (text.empty()) return true;
  std::size_t i = 0;
  for (;;) {
    std::string_view rest = TrimBlanks(text.substr(i));
    i = text.size() - rest.size();
    if (rest.size() < 2) return false;
    int hi = HexDigit(rest[0]);
    int lo = HexDigit(rest[1]);
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<char>(hi * 16 + lo));
    i += 2;
    rest = TrimBlanks(text.substr(i));
    if (rest.empty()) return true;
    if (rest[0] != ',') return false;
    i = text.size() - rest.size() + 1;
  }
}

bool IsPlainString(const RegValue& value) {
  const std::string& d = value.data;
  if (value.type != kRegSz || d.empty() || d.back() != '\0') return false;
  for (std::size_t i = 0; i + 1 < d.size(); ++i) {
    if (d[i] == '\0' || d[i] == '\r' || d[i] == '\n') return false;
  }
  return true;
}

void AppendHex(std::string* out, const RegValue& value) {
  static const char kDigits[] = "0123456789abcdef";
  std::size_t column = out->size() - out->rfind('\n');
  if (value.type == kRegBinary) {
    out->append("hex:");
  } else {
    char head[24];
    std::snprintf(head, sizeof head, "hex(%x):", static_cast<unsigned>(value.type));
    out->append(head);
  }
  column += 8;
  for (std::size_t i = 0; i < value.data.size(); ++i) {
    auto byte = static_cast<unsigned char>(value.data[i]);
    out->push_back(kDigits[byte >> 4]);
    out->push_back(kDigits[byte & 15]);
    column += 2;
    if (i + 1 < value.data.size()) {
      out->push_back(',');
      ++column;
      // Long data wraps as regedit does: a trailing "\" and an indented next line.
      if (column > 76) {
        out->append("\\\r\n  ");
        column = 2;
      }
    }
  }
}

}  // namespace

std::string RootName(RegRoot root) {
  switch (root) {
    case RegRoot::kClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case RegRoot::kCurrentUser:
      return "HKEY_CURRENT_USER";
    case RegRoot::kLocalMachine:
      return "HKEY_LOCAL_MACHINE";
    case RegRoot::kUsers:
      return "HKEY_USERS";
  }
  return "";
}

std::string FullKeyPath(RegRoot root, const std::string& key) {
  std::string path = RootName(root);
  if (path.empty()) return "";
  std::string_view rest = key;
  while (!rest.empty() && rest.front() == '\\') rest.remove_prefix(1);
  while (!rest.empty() && rest.back() == '\\') rest.remove_suffix(1);
  if (rest.empty()) return path;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    char c = rest[i];
    if (c == '\r' || c == '\n' || c == '\0') return "";
    if (c == '\\' && rest[i + 1] == '\\') return "";  // an empty component
  }
  path.push_back('\\');
  path.append(rest);
  return path;
}

bool IsStorableValueName(std::string_view name) {
  return name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

const RegistryValueEntry* RegistryKeyEntry::FindValue(std::string_view name) const {
  for (const RegistryValueEntry& entry : values) {
    if (SameNameIgnoringCase(entry.name, name)) return &entry;
  }
  return nullptr;
}

RegistryValueEntry* RegistryKeyEntry::FindValue(std::string_view name) {
  for (RegistryValueEntry& entry : values) {
    if (SameNameIgnoringCase(entry.name, name)) return &entry;
  }
  return nullptr;
}

void RegistryKeyEntry::SetValue(const std::string& name, const RegValue& value) {
  if (RegistryValueEntry* entry = FindValue(name)) {
    entry->value = value;
  } else {
    values.push_back(RegistryValueEntry{name, value});
  }
}

bool RegistryKeyEntry::RemoveValue(std::string_view name) {
  for (auto it = values.begin(); it != values.end(); ++it) {
    if (SameNameIgnoringCase(it->name, name)) {
      values.erase(it);
      return true;
    }
  }
  return false;
}

std::string RegistryImage::SortKey(std::string_view path) {
  std::string key(path);
  for (char& c : key) c = (c == '\\') ? '\x01' : Fold(c);
  return key;
}

const RegistryKeyEntry* RegistryImage::Find(const std::string& path) const {
  auto it = keys_.find(SortKey(path));
  if (it != keys_.end()) return &it->second;
  return nullptr;
}

RegistryKeyEntry* RegistryImage::Find(const std::string& path) {
  auto it = keys_.find(SortKey(path));
  if (it != keys_.end()) return &it->second;
  return nullptr;
}

bool RegistryImage::Exists(const std::string& path) const {
  return IsRootName(path) || Find(path) != nullptr;
}

RegistryKeyEntry& RegistryImage::Create(const std::string& path) {
  // Walk down from the root, creating each missing level with the caller's
  // spelling and keeping the stored spelling of levels that exist.
  std::string stored;
  std::size_t start = 0;
  RegistryKeyEntry* entry = nullptr;
  for (;;) {
    std::size_t end = path.find('\\', start);
    std::string part = path.substr(start, end == std::string::npos ? end : end - start);
    std::string candidate = stored.empty() ? part : stored + "\\" + part;
    auto [it, inserted] = keys_.try_emplace(SortKey(candidate));
    if (inserted) it->second.path = candidate;
    entry = &it->second;
    stored = entry->path;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return *entry;
}

bool RegistryImage::Remove(const std::string& path) {
  if (IsRootName(path)) return false;
  auto it = keys_.find(SortKey(path));
  if (it == keys_.end()) return false;
  auto next = std::next(it);
  std::string prefix = it->first + '\x01';
  if (next != keys_.end() && next->first.compare(0, prefix.size(), prefix) == 0) return false;
  keys_.erase(it);
  return true;
}

std::vector<std::string> RegistryImage::Subkeys(const std::string& path) const {
  std::vector<std::string> names;
  std::string prefix = SortKey(path) + '\x01';
  for (auto it = keys_.lower_bound(prefix);
       it != keys_.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
    if (it->first.find('\x01', prefix.size()) != std::string::npos) continue;
    const std::string& stored = it->second.path;
    names.push_back(stored.substr(stored.rfind('\\') + 1));
  }
  return names;
}

bool RegistryImage::ParseLine(std::string_view line, RegistryKeyEntry** current) {
  if (line.empty() || line[0] == ';') return true;
  if (line[0] == '[') {
    if (line.back() != ']') return false;
    std::string_view inner = line.substr(1, line.size() - 2);
    bool remove = !inner.empty() && inner[0] == '-';
    if (remove) inner.remove_prefix(1);
    std::size_t slash = inner.find('\\');
    std::string_view root_name = inner.substr(0, slash);
    if (!IsRootName(root_name)) return false;
    std::string path;
    for (RegRoot root : kRoots) {
      if (SameNameIgnoringCase(RootName(root), root_name)) {
        path = FullKeyPath(root, slash == std::string_view::npos
                                     ? std::string()
                                     : std::string(inner.substr(slash + 1)));
      }
    }
    if (path.empty()) return false;
    if (remove) {
      // "[-key]" deletes the key with everything below it.
      std::string sort_key = SortKey(path);
      auto it = keys_.lower_bound(sort_key);
      while (it != keys_.end() && it->first.compare(0, sort_key.size(), sort_key) == 0 &&
             (it->first.size() == sort_key.size() || it->first[sort_key.size()] == '\x01')) {
        it = IsRootName(it->second.path) ? std::next(it) : keys_.erase(it);
      }
      *current = nullptr;
      return true;
    }
    *current = &Create(path);
    return true;
  }
  if (*current == nullptr) return false;  // a value outside any key

  std::string name;
  if (line[0] == '@') {
    line.remove_prefix(1);
  } else if (!ReadQuoted(&line, &name)) {
    return false;
  }
  line = TrimBlanks(line);
  if (line.empty() || line[0] != '=') return false;
  line = TrimBlanks(line.substr(1));

  if (line == "-") {
    (*current)->RemoveValue(name);
    return true;
  }
  RegValue value;
  if (!line.empty() && line[0] == '"') {
    std::string text;
    if (!ReadQuoted(&line, &text) || !TrimBlanks(line).empty()) return false;
    value.type = kRegSz;
    value.data = text;
    value.data.push_back('\0');
  } else if (line.substr(0, 6) == "dword:") {
    std::string_view digits = line.substr(6);
    if (digits.empty() || digits.size() > 8) return false;
    std::uint32_t number = 0;
    for (char c : digits) {
      int d = HexDigit(c);
      if (d < 0) return false;
      number = number * 16 + static_cast<std::uint32_t>(d);
    }
    value.type = kRegDword;
    for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
  } else if (line.substr(0, 4) == "hex:") {
    value.type = kRegBinary;
    if (!ReadHexBytes(line.substr(4), &value.data)) return false;
  } else if (line.substr(0, 4) == "hex(") {
    std::size_t close = line.find("):");
    if (close == std::string_view::npos || close == 4 || close > 12) return false;
    std::uint32_t type = 0;
    for (char c : line.substr(4, close - 4)) {
      int d = HexDigit(c);
      if (d < 0) return false;
      type = type * 16 + static_cast<std::uint32_t>(d);
    }
    value.type = type;
    if (!ReadHexBytes(line.substr(close + 2), &value.data)) return false;
  } else {
    return false;
  }
  (*current)->SetValue(name, value);
  return true;
}

bool RegistryImage::Parse(std::string_view text, int* bad_line) {
  keys_.clear();
  for (RegRoot root : kRoots) Create(RootName(root));
  int first_bad = 0;
  int number = 0;      // of the physical line just read
  int logical_at = 0;  // where the logical line being joined began
  const auto fail = [&](int at) {
    if (first_bad == 0) first_bad = at;
  };
  bool header_seen = false;
  RegistryKeyEntry* current = nullptr;
  std::string logical;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // A hex line that ends in "\" continues on the next line.
    if (!logical.empty()) {
      line = TrimBlanks(line);
    } else {
      logical_at = number;
    }
    logical.append(line);
    std::string_view trimmed = TrimBlanks(logical);
    if (!trimmed.empty() && trimmed.back() == '\\' && trimmed[0] != '[' &&
        trimmed.find("=hex") != std::string_view::npos) {
      logical.assign(trimmed.substr(0, trimmed.size() - 1));
      if (pos < text.size()) continue;
      fail(logical_at);  // the file ends inside a continued line
      break;
    }
    std::string whole(trimmed);
    logical.clear();
    if (!header_seen) {
      if (whole.empty()) continue;
      if (whole != "REGEDIT4") {
        fail(number);
        break;
      }
      header_seen = true;
      continue;
    }
    if (!ParseLine(whole, &current)) fail(logical_at);
  }
  if (bad_line != nullptr) *bad_line = first_bad;
  return first_bad == 0;
}

std::string RegistryImage::Format() const {
  std::string out = "REGEDIT4\r\n";
  for (const auto& [sort_key, key] : keys_) {
    if (IsRootName(key.path) && key.values.empty()) continue;
    out.append("\r\n[");
    out.append(key.path);
    out.append("]\r\n");
    for (const RegistryValueEntry& entry : key.values) {
      if (entry.name.empty()) {
        out.push_back('@');
      } else {
        AppendQuoted(&out, entry.name);
      }
      out.push_back('=');
      const RegValue& value = entry.value;
      if (IsPlainString(value)) {
        AppendQuoted(&out, std::string_view(value.data).substr(0, value.data.size() - 1));
      } else if (value.type == kRegDword && value.data.size() == 4) {
        std::uint32_t number = 0;
        for (int i = 3; i >= 0; --i) {
          number =
              (number << 8) | static_cast<unsigned char>(value.data[static_cast<std::size_t>(i)]);
        }
        char text[20];
        std::snprintf(text, sizeof text, "dword:%08x", static_cast<unsigned>(number));
        out.append(text);
      } else {
        AppendHex(&out, value);
      }
      out.append("\r\n");
    }
  }
  return out;
}

}  // namespace k9
