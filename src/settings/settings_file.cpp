#include "settings/settings_file.h"

#include <charconv>
#include <cmath>

#include "common/error.h"
#include "common/text.h"
#include "server/find_types.h"

namespace k9::settings {

bool ReadBoolean(clsIni& ini, const char* section, const char* key, bool default_value) {
  const std::optional<std::string> text =
      ini.GetIniString(section, key, default_value ? "True" : "False");
  if (!text) return default_value;
  try {
    return ToBoolean(*text);
  } catch (const ConversionError&) {
    return default_value;
  }
}

std::string ReadText(clsIni& ini, const char* section, const char* key) {
  return ini.GetIniString(section, key, "").value_or("");
}

void ReadSetupSection(clsIni& ini, SavedSettings& out) {
  const SavedSettings defaults;
  out.monochrome = ReadBoolean(ini, kSetup, kMonochrome, defaults.monochrome);
  out.shade_mcd = ReadBoolean(ini, kSetup, kShadeMcd, defaults.shade_mcd);
  out.shade_county = ReadBoolean(ini, kSetup, kShadeCounty, defaults.shade_county);
  out.shade_place = ReadBoolean(ini, kSetup, kShadePlace, defaults.shade_place);
  out.shade_state = ReadBoolean(ini, kSetup, kShadeState, defaults.shade_state);
  out.white_background = ReadBoolean(ini, kSetup, kWhiteBackground, defaults.white_background);
  out.oneway_show = ReadBoolean(ini, kSetup, kOnewayShow, defaults.oneway_show);
  out.high_contrast = ReadBoolean(ini, kSetup, kHighContrast, defaults.high_contrast);
  out.show_zipcodes = ReadBoolean(ini, kSetup, kShowZipcodes, defaults.show_zipcodes);
  out.overlay = ReadText(ini, kSetup, kOverlay);
  out.underlay = ReadText(ini, kSetup, kUnderlay);
}

bool PathsConfigured(const SavedSettings& settings) {
  return !settings.data1.empty() && !settings.data2.empty() && !settings.data3.empty() &&
         !settings.states0.empty();
}

bool ReadPathsSection(clsIni& ini, SavedSettings& out) {
  out.data1 = ReadText(ini, kPaths, kData1);
  out.data2 = ReadText(ini, kPaths, kData2);
  out.data3 = ReadText(ini, kPaths, kData3);
  out.data4 = ReadText(ini, kPaths, kData4);
  out.states0 = ReadText(ini, kPaths, kStates0);
  out.states1 = ReadText(ini, kPaths, kStates1);
  if (!PathsConfigured(out)) return false;
  if (out.states1.empty()) out.states1 = out.states0;
  return true;
}

bool LoadIni(clsIni& ini, SavedSettings& out, bool setup_request,
             const DataPathSetup& data_path_setup) {
  ReadSetupSection(ini, out);
  if (!setup_request && ReadPathsSection(ini, out)) return true;
  return data_path_setup && data_path_setup(out, setup_request);
}

void WriteBoolean(clsIni& ini, const char* section, const char* key, bool value) {
  ini.SaveIniString(section, key, IniValue(value));
}

void WriteText(clsIni& ini, const char* section, const char* key, const std::string& value) {
  ini.SaveIniString(section, key, IniValue(value));
}

std::int16_t ReadSearchType(clsIni& ini) {
  const std::string text = Trim(ini.GetIniString(kSetup, kSearchType, "0").value_or("0"));
  double value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
  if (text.empty() || ec != std::errc() || ptr != end) return 0;
  // A 16-bit conversion rounds halves to even.
  const double rounded = std::nearbyint(value);
  if (rounded < double{FIND_ADDRESS} || rounded > double{FIND_MILEMARKER}) return FIND_ADDRESS;
  return static_cast<std::int16_t>(rounded);
}

void WriteSearchType(clsIni& ini, std::int16_t type) {
  ini.SaveIniString(kSetup, kSearchType, IniValue(static_cast<int>(type)));
}

}  // namespace k9::settings
