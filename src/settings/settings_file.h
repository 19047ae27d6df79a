// The server's settings file, "Kestrel9.INI" beside the server library: its two
// sections, every key with its default, and the reads and writes of whole groups
// of keys that the server and the control panel make. Every access goes through a
// clsIni, created fresh by the caller; nothing here keeps a copy of the file.
//
// Value forms: Booleans are written "True"/"False" and read as "True"/"False" in
// any case or as a number (0 false, anything else true); text is written as it is,
// an empty text as "" so that the key stays present; SEARCH_TYPE is decimal digits.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/cls_ini.h"

namespace k9::settings {

inline constexpr char kPaths[] = "PATHS";
inline constexpr char kData1[] = "DATA1";
inline constexpr char kData2[] = "DATA2";
inline constexpr char kData3[] = "DATA3";
inline constexpr char kData4[] = "DATA4";
inline constexpr char kStates0[] = "STATES0";
inline constexpr char kStates1[] = "STATES1";

inline constexpr char kSetup[] = "SETUP";
inline constexpr char kMonochrome[] = "MONOCHROME";
inline constexpr char kShadeMcd[] = "SHADE_MCD";
inline constexpr char kShadeCounty[] = "SHADE_COUNTY";
inline constexpr char kShadePlace[] = "SHADE_PLACE";
inline constexpr char kShadeState[] = "SHADE_STATE";
inline constexpr char kWhiteBackground[] = "WHITE_BACKGROUND";
inline constexpr char kOnewayShow[] = "ONEWAY_SHOW";
inline constexpr char kHighContrast[] = "HIGH_CONTRAST";
inline constexpr char kShowZipcodes[] = "SHOW_ZIPCODES";
inline constexpr char kOverlay[] = "OVERLAY";
inline constexpr char kUnderlay[] = "UNDERLAY";
inline constexpr char kSearchType[] = "SEARCH_TYPE";

// Everything LoadIni hands out, in the order of its outputs 1 to 17. The
// initialisers are the defaults used when the file or a key is absent.
struct SavedSettings {
  // Section PATHS (outputs 1 to 6).
  std::string data1;
  std::string data2;
  std::string data3;
  std::string data4;
  std::string states0;
  std::string states1;
  // Section SETUP (outputs 7 to 17).
  bool monochrome = false;
  bool shade_mcd = true;
  bool shade_county = true;
  bool shade_place = true;
  bool shade_state = true;
  bool white_background = false;
  bool oneway_show = false;
  bool high_contrast = true;
  bool show_zipcodes = false;
  std::string overlay;
  std::string underlay;

  friend bool operator==(const SavedSettings&, const SavedSettings&) = default;
};

// Reads one Boolean key. A value that cannot be read as a Boolean yields
// `default_value`: a damaged settings file must never stop the server starting.
bool ReadBoolean(clsIni& ini, const char* section, const char* key, bool default_value);

// Reads one text key, "" when absent.
std::string ReadText(clsIni& ini, const char* section, const char* key);

// LoadIni step 1: the nine display options and the overlay and underlay files of
// section SETUP, in file order, into `out`.
void ReadSetupSection(clsIni& ini, SavedSettings& out);

// LoadIni step 2: DATA1 to DATA4, STATES0 and STATES1 of section PATHS into
// `out`. Returns true when the folders count as configured (DATA1, DATA2, DATA3
// and STATES0 all non-empty); then an empty STATES1 takes the value of STATES0
// (in `out` only; the file is not changed).
bool ReadPathsSection(clsIni& ini, SavedSettings& out);

// True when DATA1, DATA2, DATA3 and STATES0 are all non-empty (DATA4 may be empty).
bool PathsConfigured(const SavedSettings& settings);

// The data path setup that runs when the folders are not configured or Easy Setup
// was chosen: it fills data1 to data4, states0 and states1 of its argument and
// stores them. `setup_request` is true for Easy Setup. True when it found the
// folders; false when it did not complete, leaving its argument as it was.
using DataPathSetup = std::function<bool(SavedSettings& out, bool setup_request)>;

// The whole of LoadIni: step 1; with `setup_request` false step 2; then, when the
// folders are not configured or `setup_request` is true, `data_path_setup` (when
// given). With `setup_request` true section PATHS is not read at all. True when
// the folders in `out` were found: complete in PATHS, or by a setup that completed.
bool LoadIni(clsIni& ini, SavedSettings& out, bool setup_request,
             const DataPathSetup& data_path_setup);

// Writes one key ("True"/"False" for Booleans, "" for empty text). Failures are
// ignored, as every settings write's are.
void WriteBoolean(clsIni& ini, const char* section, const char* key, bool value);
void WriteText(clsIni& ini, const char* section, const char* key, const std::string& value);

// SEARCH_TYPE: the search type the search dialog last showed, 0 when absent. The
// value is read as a whole number would be converted (blanks around it allowed,
// halves rounded to even); anything that is not one of the six FIND_TYPES, which
// the dialog could not select, reads as 0 (FIND_ADDRESS) so the dialog still opens.
std::int16_t ReadSearchType(clsIni& ini);
void WriteSearchType(clsIni& ini, std::int16_t type);

}  // namespace k9::settings
