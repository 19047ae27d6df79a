#include "common/app_settings.h"

namespace k9 {

std::string AppSettingsKey(const std::string& app, const std::string& section) {
  return "Software\\VB and VBA Program Settings\\" + app + "\\" + section;
}

std::string GetSetting(Registry& registry, const std::string& app, const std::string& section,
                       const std::string& key, const std::string& default_value) {
  std::optional<RegValue> value =
      registry.QueryValue(RegRoot::kCurrentUser, AppSettingsKey(app, section), key);
  if (!value || (value->type != kRegSz && value->type != kRegExpandSz)) return default_value;
  // The stored text ends at its terminating NUL.
  std::string text = value->data;
  std::size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

bool SaveSetting(Registry& registry, const std::string& app, const std::string& section,
                 const std::string& key, const std::string& value) {
  RegValue stored;
  stored.type = kRegSz;
  stored.data = value;
  stored.data.push_back('\0');
  return registry.SetValue(RegRoot::kCurrentUser, AppSettingsKey(app, section), key, stored);
}

}  // namespace k9
