// Per-user application settings, stored as the host application keeps its own:
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<app>\<section>, one
// string value per key.
#pragma once

#include <string>

#include "platform/registry.h"

namespace k9 {

// The key, under HKEY_CURRENT_USER, that holds the settings of `app`'s `section`.
std::string AppSettingsKey(const std::string& app, const std::string& section);

// The stored text, or `default_value` when the key is absent.
std::string GetSetting(Registry& registry, const std::string& app, const std::string& section,
                       const std::string& key, const std::string& default_value = "");

// Stores the text. True on success.
bool SaveSetting(Registry& registry, const std::string& app, const std::string& section,
                 const std::string& key, const std::string& value);

}  // namespace k9
