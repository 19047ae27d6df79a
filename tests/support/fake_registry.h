// An in-memory registry over the REGEDIT4 store's model, so tests see the same
// key and value rules as the file-backed registry. `fail_changes` makes every
// change fail, for the callers' error paths.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/registry_image.h"

namespace k9::testing {

class FakeRegistry : public Registry {
 public:
  FakeRegistry() { image_.Parse(""); }

  bool fail_changes = false;

  bool KeyExists(RegRoot root, const std::string& key) override {
    std::string full = FullKeyPath(root, key);
    return !full.empty() && image_.Exists(full);
  }
  bool CreateKey(RegRoot root, const std::string& key) override {
    std::string full = FullKeyPath(root, key);
    if (fail_changes || full.empty()) return false;
    image_.Create(full);
    return true;
  }
  bool DeleteKey(RegRoot root, const std::string& key) override {
    std::string full = FullKeyPath(root, key);
    return !fail_changes && !full.empty() && image_.Remove(full);
  }
  std::optional<RegValue> QueryValue(RegRoot root, const std::string& key,
                                     const std::string& name) override {
    const RegistryKeyEntry* entry = Find(root, key);
    if (entry == nullptr) return std::nullopt;
    const RegistryValueEntry* value = entry->FindValue(name);
    if (value == nullptr) return std::nullopt;
    return value->value;
  }
  bool SetValue(RegRoot root, const std::string& key, const std::string& name,
                const RegValue& value) override {
    std::string full = FullKeyPath(root, key);
    if (fail_changes || full.empty()) return false;
    image_.Create(full).SetValue(name, value);
    return true;
  }
  bool DeleteValue(RegRoot root, const std::string& key, const std::string& name) override {
    std::string full = FullKeyPath(root, key);
    RegistryKeyEntry* entry = full.empty() ? nullptr : image_.Find(full);
    return !fail_changes && entry != nullptr && entry->RemoveValue(name);
  }
  std::optional<std::vector<std::string>> EnumerateValues(RegRoot root,
                                                          const std::string& key) override {
    const RegistryKeyEntry* entry = Find(root, key);
    if (entry == nullptr) return std::nullopt;
    std::vector<std::string> names;
    for (const RegistryValueEntry& value : entry->values) names.push_back(value.name);
    return names;
  }
  std::optional<std::vector<std::string>> EnumerateSubkeys(RegRoot root,
                                                           const std::string& key) override {
    std::string full = FullKeyPath(root, key);
    if (full.empty() || !image_.Exists(full)) return std::nullopt;
    return image_.Subkeys(full);
  }

  RegistryImage& image() { return image_; }

 private:
  const RegistryKeyEntry* Find(RegRoot root, const std::string& key) {
    std::string full = FullKeyPath(root, key);
    return full.empty() ? nullptr : image_.Find(full);
  }

  RegistryImage image_;
};

}  // namespace k9::testing
