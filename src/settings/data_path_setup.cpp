#include "settings/data_path_setup.h"

#include "common/c_registry.h"
#include "common/cls_folder_browser.h"
#include "common/cls_ini.h"
#include "common/text.h"
#include "settings/path_text.h"
#include "settings/settings_file.h"

namespace k9 {

namespace {

constexpr char kBrowseTail[] =
    " In the next dialogue, please browse to your Stratomap V9 program folder, then click 'Ok'.";
constexpr char kStartupLead[] =
    "You need to tell Kestrel9 the location of your Stratomap V9 data files. ";
constexpr char kNotConfigured[] =
    "Kestrel9 will not work properly until you configure the data directories. You will be "
    "prompted again the next time the server starts, or you can manually configure the "
    "directories using the Map, Control Panel menu option.";
constexpr char kNoMapIni[] = "The directory you selected does not contain MAP.INI. ";
constexpr char kIncomplete[] =
    "MAP.INI does not contain all the required data directory information. ";
constexpr char kConfigured[] = "The map data paths have been successfully configured.";
constexpr char kConfiguredStartupTail[] =
    " If you need to change the map data paths in the future, please use the Map, 'Control "
    "Panel' menu option. Also, please note that Kestrel9 has a help file, which can be "
    "accessed both from the Control and from the Map, 'Kestrel6 Help' menu option.";

constexpr char kProgramFolderPrompt[] = "Browse to the Stratomap V9 program folder";
constexpr char kProductFolderName[] = "Stratomap Wayfarer 9.0";
constexpr char kMapIni[] = "MAP.INI";
constexpr char kMapIniSection[] = "Application Interface";

// The hidden window that owns the folder dialog, so the dialog opens near it: a
// quarter of the way into the screen. It is loaded for one dialog, never shown,
// and unloaded again.
class frmDummy : public ViewableForm {
 public:
  // Design size, in twips.
  static constexpr int kWidthTwips = 1560;
  static constexpr int kHeightTwips = 1080;

  frmDummy(int left, int top) : left_(left), top_(top) {}
  std::string FormName() const override { return "frmDummy"; }
  bool Visible() const override { return false; }
  FormPlacement Placement() const override { return {left_, top_, kWidthTwips, kHeightTwips}; }
  ClickResult Click(std::string_view /*control*/) override { return ClickResult::kNoSuchControl; }
  void SystemClose() override {}

 private:
  int left_;
  int top_;
};

}  // namespace

void DataPathSetup::Tell(const std::string& text) {
  ports_.dialogs->ShowMessage(text, kComponentTitle, kMbOk | kMbIconInformation, 0);
}

std::string DataPathSetup::StartFolder() {
  cRegistry registry(ports_);
  registry.ClassKey(HKEY_LOCAL_MACHINE_VALUE);
  registry.SectionKey("Software\\Microsoft\\Windows\\CurrentVersion");
  registry.ValueKey("ProgramFilesDir");
  registry.ValueType(kRegSz);
  const RegistryData value = registry.Value();
  const std::string* program_files = std::get_if<std::string>(&value);
  if (program_files == nullptr || program_files->empty()) return "";
  std::string candidate = AppendToFolder(*program_files, kProductFolderName);
  if (!ports_.fs->FileExists(AppendToFolder(candidate, kMapIni))) return "";
  return candidate;
}

bool DataPathSetup::Run(bool easy_setup, DataFolders& folders) {
  Tell(easy_setup ? std::string(kBrowseTail) : std::string(kStartupLead) + kBrowseTail);

  const std::string chosen = BrowseFolder(kProgramFolderPrompt, StartFolder());
  if (chosen.empty()) {
    Tell(kNotConfigured);
    return false;
  }
  const std::string map_ini = AppendToFolder(chosen, kMapIni);
  if (!ports_.fs->FileExists(map_ini)) {
    Tell(std::string(kNoMapIni) + kNotConfigured);
    return false;
  }

  clsIni ini(ports_);
  auto read = [&](const char* key) {
    std::string value = ini.GetIniString(kMapIniSection, key, "", map_ini).value_or("");
    StripTrailingBackslash(value);
    return value;
  };
  folders.data1 = read("Data1Path");
  folders.data2 = read("Data2Path");
  folders.data3 = read("Data3Path");
  folders.data4 = read("Data4Path");
  folders.states0 = read("StatesPath");

  if (!folders.data1.empty() && !folders.data2.empty() && !folders.data3.empty() &&
      !folders.states0.empty()) {
    // Some installations keep a second states folder beside the data folders.
    const std::string data_parent = ToUpper(ParentFolder(folders.data1));
    const std::string states_parent = ToUpper(ParentFolder(folders.states0));
    if (data_parent != states_parent) {
      const std::string candidate = AppendToFolder(data_parent, "States");
      folders.states1 = ports_.fs->DirectoryExists(candidate) ? candidate : folders.states0;
    } else {
      folders.states1 = folders.states0;
    }
    Tell(easy_setup ? std::string(kConfigured) : std::string(kConfigured) + kConfiguredStartupTail);
  } else {
    Tell(std::string(kIncomplete) + kNotConfigured);
  }

  ini.SaveIniString(settings::kPaths, settings::kData1, folders.data1);
  ini.SaveIniString(settings::kPaths, settings::kData2, folders.data2);
  ini.SaveIniString(settings::kPaths, settings::kData3, folders.data3);
  ini.SaveIniString(settings::kPaths, settings::kData4, folders.data4);
  ini.SaveIniString(settings::kPaths, settings::kStates0, folders.states0);
  return true;
}

std::string DataPathSetup::BrowseFolder(const std::string& prompt,
                                        const std::string& start_folder) {
  frmDummy owner(ports_.system->ScreenWidthTwips() / 4, ports_.system->ScreenHeightTwips() / 4);
  const std::intptr_t handle = view_.Load(owner);

  clsFolderBrowser browser(*ports_.dialogs);
  browser.lnghWndOwner(handle);
  browser.strTitle(prompt);
  std::string chosen = browser.strFolder(start_folder);
  view_.Unload(owner);
  return chosen;
}

std::string DataPathSetup::BrowseDataFolder(const std::string& current_folder,
                                            const std::string& label) {
  // An unready drive or malformed path only means there is no start folder.
  std::string start;
  if (!current_folder.empty() && ports_.fs->DirectoryExists(current_folder)) start = current_folder;
  return BrowseFolder("Browse to the Stratomap V9 " + label + " folder", start);
}

}  // namespace k9
