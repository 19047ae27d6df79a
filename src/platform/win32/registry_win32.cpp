// Registry on Windows: the real registry through the ANSI Reg* functions.
//
// Key paths and value names are checked as the file-backed store checks them
// (no empty path component, no CR, LF or NUL), so a name that one platform
// accepts is accepted by the other as well.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/registry_image.h"

namespace k9 {

namespace {

HKEY RootHandle(RegRoot root) {
  // The predefined handles are sign-extended on 64-bit Windows, so the enum's
  // 32-bit values cannot simply be cast.
  switch (root) {
    case RegRoot::kClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RegRoot::kCurrentUser:
      return HKEY_CURRENT_USER;
    case RegRoot::kLocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RegRoot::kUsers:
      return HKEY_USERS;
  }
  return nullptr;
}

// The key path relative to its root, without leading or trailing "\", or
// nullopt when the path cannot name a key.
std::optional<std::string> SubkeyPath(RegRoot root, const std::string& key) {
  if (RootHandle(root) == nullptr || FullKeyPath(root, key).empty()) return std::nullopt;
  std::size_t first = key.find_first_not_of('\\');
  if (first == std::string::npos) return std::string();
  std::size_t last = key.find_last_not_of('\\');
  return key.substr(first, last - first + 1);
}

// An open key, closed when it goes out of scope.
class Key {
 public:
  Key() = default;
  ~Key() {
    if (handle_ != nullptr) ::RegCloseKey(handle_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;

  bool Open(RegRoot root, const std::string& key, REGSAM access) {
    std::optional<std::string> path = SubkeyPath(root, key);
    return path &&
           ::RegOpenKeyExA(RootHandle(root), path->c_str(), 0, access, &handle_) == ERROR_SUCCESS;
  }
  bool Create(RegRoot root, const std::string& key, REGSAM access) {
    std::optional<std::string> path = SubkeyPath(root, key);
    return path &&
           ::RegCreateKeyExA(RootHandle(root), path->c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             access, nullptr, &handle_, nullptr) == ERROR_SUCCESS;
  }
  HKEY get() const { return handle_; }

 private:
  HKEY handle_ = nullptr;
};

class Win32Registry : public Registry {
 public:
  bool KeyExists(RegRoot root, const std::string& key) override {
    Key k;
    return k.Open(root, key, KEY_READ);
  }

  bool CreateKey(RegRoot root, const std::string& key) override {
    Key k;
    return k.Create(root, key, KEY_READ);
  }

  bool DeleteKey(RegRoot root, const std::string& key) override {
    std::optional<std::string> path = SubkeyPath(root, key);
    if (!path || path->empty()) return false;  // a root is never deleted
    {
      // Checked here rather than left to the system: not every registry
      // implementation refuses to delete a key that still has subkeys.
      Key k;
      DWORD subkeys = 0;
      if (!k.Open(root, key, KEY_READ) ||
          ::RegQueryInfoKeyA(k.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
          subkeys != 0) {
        return false;
      }
    }
    return ::RegDeleteKeyA(RootHandle(root), path->c_str()) == ERROR_SUCCESS;
  }

  std::optional<RegValue> QueryValue(RegRoot root, const std::string& key,
                                     const std::string& name) override {
    Key k;
    if (!IsStorableValueName(name) || !k.Open(root, key, KEY_QUERY_VALUE)) return std::nullopt;
    RegValue value;
    DWORD size = 0;
    DWORD type = 0;
    LONG rc = ::RegQueryValueExA(k.get(), name.c_str(), nullptr, &type, nullptr, &size);
    // The value may grow between the two calls; ask again until it fits.
    while (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
      value.data.assign(size, '\0');
      DWORD got = size;
      rc = ::RegQueryValueExA(k.get(), name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(value.data.data()), &got);
      if (rc == ERROR_SUCCESS) {
        value.data.resize(got);
        value.type = type;
        return value;
      }
      size = got > size ? got : size * 2 + 16;
    }
    return std::nullopt;
  }

  bool SetValue(RegRoot root, const std::string& key, const std::string& name,
                const RegValue& value) override {
    Key k;
    if (!IsStorableValueName(name) || value.data.size() > 0x7FFFFFFFu ||
        !k.Create(root, key, KEY_SET_VALUE)) {
      return false;
    }
    return ::RegSetValueExA(k.get(), name.c_str(), 0, value.type,
                            reinterpret_cast<const BYTE*>(value.data.data()),
                            static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
  }

  bool DeleteValue(RegRoot root, const std::string& key, const std::string& name) override {
    Key k;
    return IsStorableValueName(name) && k.Open(root, key, KEY_SET_VALUE) &&
           ::RegDeleteValueA(k.get(), name.c_str()) == ERROR_SUCCESS;
  }

  std::optional<std::vector<std::string>> EnumerateValues(RegRoot root,
                                                          const std::string& key) override {
    Key k;
    if (!k.Open(root, key, KEY_QUERY_VALUE)) return std::nullopt;
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
      std::string name;
      LONG rc = EnumName(k.get(), index, &name, /*subkeys=*/false);
      if (rc == ERROR_NO_MORE_ITEMS) break;
      if (rc != ERROR_SUCCESS) return std::nullopt;
      names.push_back(std::move(name));
    }
    return names;
  }

  std::optional<std::vector<std::string>> EnumerateSubkeys(RegRoot root,
                                                           const std::string& key) override {
    Key k;
    if (!k.Open(root, key, KEY_ENUMERATE_SUB_KEYS)) return std::nullopt;
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
      std::string name;
      LONG rc = EnumName(k.get(), index, &name, /*subkeys=*/true);
      if (rc == ERROR_NO_MORE_ITEMS) break;
      if (rc != ERROR_SUCCESS) return std::nullopt;
      names.push_back(std::move(name));
    }
    return names;
  }

 private:
  // The name of value (or subkey) number `index`; grows the buffer until it fits.
  static LONG EnumName(HKEY key, DWORD index, std::string* name, bool subkeys) {
    std::vector<char> buffer(256);
    for (;;) {
      DWORD length = static_cast<DWORD>(buffer.size());
      LONG rc = subkeys ? ::RegEnumKeyExA(key, index, buffer.data(), &length, nullptr, nullptr,
                                          nullptr, nullptr)
                        : ::RegEnumValueA(key, index, buffer.data(), &length, nullptr, nullptr,
                                          nullptr, nullptr);
      if (rc == ERROR_MORE_DATA && buffer.size() < 65536) {
        buffer.resize(buffer.size() * 4);
        continue;
      }
      if (rc == ERROR_SUCCESS) name->assign(buffer.data(), length);
      return rc;
    }
  }
};

}  // namespace

std::string ExpandEnvironment(const std::string& text) {
  std::string expanded(text.size() + 256, '\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD n = ::ExpandEnvironmentStringsA(text.c_str(), expanded.data(),
                                          static_cast<DWORD>(expanded.size()));
    if (n == 0) return text;
    if (n <= expanded.size()) {
      expanded.resize(n - 1);  // n counts the terminating NUL
      return expanded;
    }
    expanded.resize(n);
  }
  return text;
}

Registry& Registry::Default() {
  static Win32Registry* registry = new Win32Registry;  // never destroyed: used until exit
  return *registry;
}

}  // namespace k9
