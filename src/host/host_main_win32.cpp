// kestrel9-host.exe: the host application on Windows. It records its program
// folder in its per-user settings, creates the map server through COM by its
// ProgID and runs the same scripts as the POSIX host, printing the same lines.
//
//   kestrel9-host [--host-folder DIR] [--program-files DIR] [--size WxH] [--png FILE]
//                 [SCRIPT | -]
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <objbase.h>
#include <ole2.h>

#include <cstdio>

#include <filesystem>
#include <iostream>
#include <iterator>
#include <string>

#include "common/app_settings.h"
#include "common/text.h"
#include "host/com_server_win32.h"
#include "host/png.h"
#include "host/script.h"
#include "host/script_host.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace {

constexpr char kUsage[] =
    "usage: kestrel9-host [--host-folder DIR] [--program-files DIR] [--size WxH] [--png FILE]\n"
    "                     [SCRIPT | -]\n";

struct Options {
  std::string host_folder;
  std::string program_files;
  int width = 800;
  int height = 600;
  std::string png;
  std::string script = "-";
};

bool ParseSize(const std::string& text, int* width, int* height) {
  const std::size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  const auto w = k9::host::ParseWholeNumber(text.substr(0, x));
  const auto h = k9::host::ParseWholeNumber(text.substr(x + 1));
  if (!w || !h || *w < 1 || *h < 1 || *w > 16384 || *h > 16384) return false;
  *width = static_cast<int>(*w);
  *height = static_cast<int>(*h);
  return true;
}

bool ParseOptions(int argc, char** argv, Options* options, std::string* error) {
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
    if (arg == "--host-folder") {
      if (!value(&options->host_folder)) return false;
    } else if (arg == "--program-files") {
      if (!value(&options->program_files)) return false;
    } else if (arg == "--png") {
      if (!value(&options->png)) return false;
    } else if (arg == "--size") {
      std::string size;
      if (!value(&size)) return false;
      if (!ParseSize(size, &options->width, &options->height)) {
        *error = "--size takes WxH, each 1 to 16384, not '" + size + "'";
        return false;
      }
    } else if (arg == "--registry") {
      *error = "--registry is not used here: the system registry holds the registration";
      return false;
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
  return true;
}

std::string Absolute(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  return ec ? path : absolute.lexically_normal().string();
}

// COM for this thread: a single-threaded apartment, as a form-based host has.
class ComApartment {
 public:
  ComApartment() : ok_(SUCCEEDED(::OleInitialize(nullptr))) {}
  ~ComApartment() {
    if (ok_) ::OleUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

}  // namespace

int main(int argc, char** argv) {
  // Lines end in LF alone, as the POSIX host's do, so both outputs compare byte
  // for byte.
  ::_setmode(::_fileno(stdout), _O_BINARY);
  Options options;
  std::string error;
  if (!ParseOptions(argc, argv, &options, &error)) {
    if (!error.empty()) std::cerr << "kestrel9-host: " << error << '\n';
    std::cerr << kUsage;
    return error.empty() ? 0 : 2;
  }

  std::string text;
  if (options.script == "-") {
    text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  } else if (!k9::FileSystem::Default().ReadFile(options.script, &text)) {
    std::cerr << "kestrel9-host: cannot read " << options.script << '\n';
    return 2;
  }
  const std::optional<k9::host::Script> script = k9::host::ParseScript(text, &error);
  if (!script) {
    std::cerr << "kestrel9-host: " << (options.script == "-" ? "<stdin>" : options.script) << ": "
              << error << '\n';
    return 2;
  }

  ComApartment apartment;
  if (!apartment.ok()) {
    std::cerr << "kestrel9-host: COM cannot be initialised\n";
    return 1;
  }

  k9::Registry& registry = k9::Registry::Default();
  k9::FileSystem& fs = k9::FileSystem::Default();
  std::string host_folder = options.host_folder.empty()
                                ? k9::FolderOf(k9::System::Default().ModulePath())
                                : Absolute(options.host_folder);
  const std::string maps = k9::JoinPath(host_folder, "Maps");
  std::error_code ec;
  std::filesystem::create_directories(maps, ec);
  if (!fs.DirectoryExists(maps)) std::cerr << "kestrel9-host: cannot create " << maps << '\n';
  if (host_folder.empty() || !k9::IsPathSeparator(host_folder.back())) {
    host_folder += k9::kPathSeparator;
  }
  if (!k9::SaveSetting(registry, "Corvid Works", "Harrier32", "Program Folder", host_folder)) {
    std::cerr << "kestrel9-host: cannot write the host's program folder to the registry\n";
  }
  if (!options.program_files.empty()) {
    const std::string folder = Absolute(options.program_files);
    if (!registry.SetValue(k9::RegRoot::kLocalMachine,
                           "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                           k9::RegValue{k9::kRegSz, folder + '\0'})) {
      std::cerr << "kestrel9-host: cannot write ProgramFilesDir to the registry\n";
    }
  }

  {
    k9::host::ScriptHost host(
        [](std::string* why) { return k9::host::CreateComServer(k9::kClsMapServProgId, why); },
        std::cout, fs, options.width, options.height);
    host.Run(*script);
    host.Release();
    if (!options.png.empty()) {
      if (!k9::host::SavePng(fs, Absolute(options.png), host.picture_box().Image(), &error)) {
        std::cout << "Error png: " << error << '\n';
      }
    }
  }
  std::cout.flush();
  return 0;
}
