#include "init/initialiser.h"

#include <exception>
#include <variant>

#include "common/app_settings.h"
#include "common/c_registry.h"
#include "common/cls_ini.h"
#include "common/error.h"
#include "common/text.h"
#include "init/init_messages.h"

namespace k9::init {

namespace {

struct CarriedKey {
  const char* key;
  const char* default_value;
};

// The display settings an earlier installation hands on, in the order they are
// written, with the value used when the earlier file lacks the key.
constexpr CarriedKey kCarriedKeys[] = {
    {"SHADE_MCD", "True"},   {"SHADE_PLACE", "True"},       {"SHADE_COUNTY", "True"},
    {"SHADE_STATE", "True"}, {"WHITE_BACKGROUND", "False"},
};

constexpr char kSetupSection[] = "SETUP";

// Read back from a key that was not written; no Boolean text looks like this.
constexpr char kAbsentMarker[] = "$!*%";

// A value of the earlier file that is no Boolean is not handed on: the server
// would read the key's default in its place anyway, and the new file is better
// off saying so than carrying the damage along.
std::string UsableBoolean(const std::string& text, const std::string& default_value) {
  try {
    ToBoolean(text);
    return text;
  } catch (const ConversionError&) {
    return default_value;
  }
}

std::string RegistryText(cRegistry& registry, const std::string& key) {
  registry.SectionKey(key);
  RegistryData data = registry.Value();
  if (const std::string* text = std::get_if<std::string>(&data)) return *text;
  return "";
}

}  // namespace

Initialiser::Initialiser(const Ports& ports)
    : ports_(ports), own_folder_(FolderOf(ports.system->ModulePath())) {}

Outcome Initialiser::Run() {
  try {
    std::string host_folder =
        GetSetting(*ports_.registry, kHostApp, kHostSection, kHostFolderKey, "");
    if (host_folder.empty()) {
      ports_.dialogs->ShowMessage(kMessageHostNeverRun, kMessageCaption, kMbOk | kMbIconInformation,
                                  0);
      return Outcome::kHostNeverRun;
    }

    // The host stores its folder with a trailing separator; joining rather than
    // appending also finds the Maps folder when the separator is missing.
    const std::string target = JoinPath(JoinPath(host_folder, "Maps"), kEntryFileName);
    const std::string source = JoinPath(own_folder_, kEntryFileName);
    if (own_folder_.empty() || !ports_.fs->FileExists(source)) {
      ports_.dialogs->ShowMessage(kMessageEntryFileMissing, kMessageCaption,
                                  kMbOk | kMbIconInformation, 0);
      return Outcome::kEntryFileMissing;
    }

    // A failed copy (no Maps folder, no write access) ends the run; the copy
    // replaces the target as a whole, so the host never sees half a file.
    if (!ports_.fs->CopyFileTo(source, target)) return Outcome::kFailed;

    const bool carried_over = CarryOverSettings();
    ports_.dialogs->ShowMessage(DoneMessage(carried_over), kMessageCaption,
                                kMbOk | kMbIconInformation, 0);
    return Outcome::kDone;
  } catch (...) {
    return Outcome::kFailed;
  }
}

bool Initialiser::CarryOverSettings() {
  if (own_folder_.empty()) return false;
  const std::string new_settings = JoinPath(own_folder_, kNewSettingsName);
  const std::string new_favourites = JoinPath(own_folder_, kNewFavouritesName);
  bool wrote_settings = false;
  bool wrote_favourites = false;
  try {
    // A settings file in the own folder means this is not a first installation.
    if (ports_.fs->FileExists(new_settings)) return false;

    const std::string earlier_folder = InprocServerFolder(kServerProgId);
    if (earlier_folder.empty()) return false;
    const std::string old_settings = JoinPath(earlier_folder, kOldSettingsName);
    if (!ports_.fs->FileExists(old_settings)) return false;

    wrote_settings = true;
    if (!WriteCarriedSettings(old_settings, new_settings)) throw std::exception();

    const std::string old_favourites = JoinPath(earlier_folder, kOldFavouritesName);
    // Favourites the user already keeps in the new folder are never replaced.
    if (ports_.fs->FileExists(old_favourites) && !ports_.fs->FileExists(new_favourites)) {
      wrote_favourites = true;
      if (!ports_.fs->CopyFileTo(old_favourites, new_favourites)) throw std::exception();
    }
    return true;
  } catch (...) {
    // Carried whole or not at all: a settings file left half-written would stop
    // every later run from carrying the settings over.
    try {
      if (wrote_settings) ports_.fs->RemoveFile(new_settings);
      if (wrote_favourites) ports_.fs->RemoveFile(new_favourites);
    } catch (...) {
    }
    return false;
  }
}

bool Initialiser::WriteCarriedSettings(const std::string& old_file, const std::string& new_file) {
  clsIni old_ini(ports_);
  old_ini.strIniName(old_file);
  clsIni new_ini(ports_);
  new_ini.strIniName(new_file);
  for (const CarriedKey& entry : kCarriedKeys) {
    const std::string value = UsableBoolean(
        old_ini.GetIniString(kSetupSection, entry.key, entry.default_value).value_or(""),
        entry.default_value);
    new_ini.SaveIniString(kSetupSection, entry.key, value);
    // The profile writer reports no failure, so each key is checked on the file.
    if (new_ini.GetIniString(kSetupSection, entry.key, kAbsentMarker) != value) return false;
  }
  return true;
}

std::string Initialiser::InprocServerFolder(const std::string& prog_id) {
  try {
    cRegistry registry(ports_);
    registry.ClassKey(HKEY_CLASSES_ROOT_VALUE);
    registry.ValueType(kRegSz);
    registry.ValueKey("");
    const std::string class_id = RegistryText(registry, prog_id + "\\CLSID");
    if (class_id.empty()) return "";
    const std::string library = RegistryText(registry, "CLSID\\" + class_id + "\\InprocServer32");
    // A library registered on POSIX carries "/" where Windows has "\".
    const std::size_t last = library.find_last_of("\\/");
    if (library.empty() || last == std::string::npos) return "";
    return library.substr(0, last + 1);
  } catch (...) {
    return "";
  }
}

}  // namespace k9::init
