#include "host/host_options.h"

#include <filesystem>
#include <iostream>
#include <iterator>
#include <utility>

#include "common/app_settings.h"
#include "common/text.h"
#include "host/png.h"
#include "platform/file_system.h"
#include "platform/registry.h"

namespace k9::host {

namespace {

constexpr char kUsagePosix[] =
    "usage: kestrel9-host [--registry FILE] [--host-folder DIR] [--program-files DIR]\n"
    "                     [--size WxH] [--png FILE] [--callsigns FILE] [SCRIPT | -]\n";
constexpr char kUsageWindows[] =
    "usage: kestrel9-host [--host-folder DIR] [--program-files DIR] [--size WxH] [--png FILE]\n"
    "                     [--callsigns FILE] [--window] [SCRIPT | -]\n"
    "With no script, or with --window, the host's main window is shown.\n";

}  // namespace

bool ParseSize(const std::string& text, int* width, int* height) {
  const std::size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  const auto w = ParseWholeNumber(text.substr(0, x));
  const auto h = ParseWholeNumber(text.substr(x + 1));
  if (!w || !h || *w < 1 || *h < 1 || *w > 16384 || *h > 16384) return false;
  *width = static_cast<int>(*w);
  *height = static_cast<int>(*h);
  return true;
}

bool ParseHostOptions(int argc, char** argv, bool posix, HostOptions* options, std::string* error) {
  bool have_script = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) {
        *error = arg + " needs a value";
        return false;
      }
      *out = argv[++i];
      return true;
    };
    if (arg == "--registry") {
      if (!posix) {
        *error = "--registry is not used here: the system registry holds the registration";
        return false;
      }
      if (!value(&options->registry)) return false;
    } else if (arg == "--host-folder") {
      if (!value(&options->host_folder)) return false;
    } else if (arg == "--program-files") {
      if (!value(&options->program_files)) return false;
    } else if (arg == "--png") {
      if (!value(&options->png)) return false;
    } else if (arg == "--callsigns") {
      if (!value(&options->callsigns)) return false;
    } else if (arg == "--window") {
      if (posix) {
        *error = "--window is not used here: only kestrel9-host.exe has a window";
        return false;
      }
      options->window = true;
    } else if (arg == "--size") {
      std::string size;
      if (!value(&size)) return false;
      if (!ParseSize(size, &options->width, &options->height)) {
        *error = "--size takes WxH, each 1 to 16384, not '" + size + "'";
        return false;
      }
    } else if (arg == "--help" || arg == "-h") {
      *error = "";
      return false;
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
      *error = "unknown option " + arg;
      return false;
    } else if (have_script) {
      *error = "only one script may be given";
      return false;
    } else {
      options->script = arg;
      have_script = true;
    }
  }
  if (!posix && !have_script) {
    options->script = "";
    options->window = true;
  }
  return true;
}

const char* HostUsage(bool posix) { return posix ? kUsagePosix : kUsageWindows; }

std::string AbsolutePath(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  return ec ? path : absolute.lexically_normal().string();
}

std::optional<HostInput> LoadHostInput(FileSystem& fs, const HostOptions& options,
                                       std::ostream& errors) {
  HostInput input;
  std::string text;
  if (options.script == "-") {
    text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  } else if (!options.script.empty() && !fs.ReadFile(options.script, &text)) {
    errors << "kestrel9-host: cannot read " << options.script << '\n';
    return std::nullopt;
  }
  std::string error;
  std::optional<Script> script = ParseScript(text, &error);
  if (!script) {
    errors << "kestrel9-host: " << (options.script == "-" ? "<stdin>" : options.script) << ": "
           << error << '\n';
    return std::nullopt;
  }
  input.script = std::move(*script);
  if (options.callsigns.empty()) return input;
  if (!fs.ReadFile(options.callsigns, &text)) {
    errors << "kestrel9-host: cannot read " << options.callsigns << '\n';
    return std::nullopt;
  }
  std::optional<std::vector<Station>> stations = ParseStations(text, &error);
  if (!stations) {
    errors << "kestrel9-host: " << options.callsigns << ": " << error << '\n';
    return std::nullopt;
  }
  input.stations = std::move(*stations);
  return input;
}

void RecordHostFolders(Registry& registry, FileSystem& fs, const HostOptions& options,
                       const std::string& module_path, const std::string& store,
                       std::ostream& errors) {
  // The host's program folder keeps a Maps folder, where servers put their
  // map-list entry files.
  std::string host_folder =
      options.host_folder.empty() ? FolderOf(module_path) : AbsolutePath(options.host_folder);
  const std::string maps = JoinPath(host_folder, "Maps");
  std::error_code ec;
  std::filesystem::create_directories(maps, ec);
  if (!fs.DirectoryExists(maps)) errors << "kestrel9-host: cannot create " << maps << '\n';
  // Stored with a trailing separator, as the host keeps it: readers append names directly.
  if (host_folder.empty() || !IsPathSeparator(host_folder.back())) host_folder += kPathSeparator;
  if (!SaveSetting(registry, "Corvid Works", "Harrier32", "Program Folder", host_folder)) {
    errors << "kestrel9-host: cannot write the host's program folder to the " << store << '\n';
  }
  if (!options.program_files.empty()) {
    const std::string folder = AbsolutePath(options.program_files);
    if (!registry.SetValue(RegRoot::kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion",
                           "ProgramFilesDir", RegValue{kRegSz, folder + '\0'})) {
      errors << "kestrel9-host: cannot write ProgramFilesDir to the " << store << '\n';
    }
  }
}

void EndHost(ScriptHost& host, const HostOptions& options, FileSystem& fs, std::ostream& out) {
  host.Release();
  std::string error;
  if (!options.png.empty() &&
      !SavePng(fs, AbsolutePath(options.png), host.picture_box().Image(), &error)) {
    out << "Error png: " << error << '\n';
  }
}

void RunHostScript(const HostInput& input, const HostOptions& options, ScriptHost::Creator create,
                   FileSystem& fs, std::ostream& out) {
  ScriptHost host(std::move(create), out, fs, options.width, options.height);
  host.SetStations(input.stations);
  host.Run(input.script);
  EndHost(host, options, fs, out);
}

}  // namespace k9::host
