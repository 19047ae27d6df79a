// Our profile reader beside the system's own GetPrivateProfileStringA, on the
// same 50-key settings file: the figure that shows what replacing the system's
// functions costs. Google Benchmark is not packaged for mingw, so this is a plain
// timing loop; run it under Wine or Windows and read the two lines it prints.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "common/cls_ini.h"
#include "platform/file_system.h"

namespace {

std::string SettingsText(int keys) {
  std::string text = "; Kestrel9 settings\r\n";
  for (int i = 0; i < keys; ++i) {
    if (i % 10 == 0) text += "\r\n[Section" + std::to_string(i / 10) + "]\r\n";
    text += "Key" + std::to_string(i) + "=Value number " + std::to_string(i * 7) + "\r\n";
  }
  return text;
}

// Microseconds per call of `read`, over enough calls to take about a second.
template <typename Read>
double MicrosecondsPerCall(Read read) {
  using Clock = std::chrono::steady_clock;
  long calls = 0;
  const auto start = Clock::now();
  auto elapsed = Clock::duration::zero();
  while (elapsed < std::chrono::seconds(1)) {
    for (int i = 0; i < 100; ++i) read();
    calls += 100;
    elapsed = Clock::now() - start;
  }
  return std::chrono::duration<double, std::micro>(elapsed).count() / static_cast<double>(calls);
}

}  // namespace

int main() {
  constexpr int kKeys = 50;
  const std::string path =
      (std::filesystem::temp_directory_path() / "k9-profile-compare.ini").string();
  k9::FileSystem::Default().WriteFileAtomic(path, SettingsText(kKeys));
  const std::string section = "Section" + std::to_string((kKeys - 1) / 10);
  const std::string key = "Key" + std::to_string(kKeys - 1);

  k9::clsIni ini;
  ini.strIniName(path);
  const double ours = MicrosecondsPerCall([&] { (void)ini.GetIniString(section, key, ""); });
  char buffer[500];
  const double system = MicrosecondsPerCall([&] {
    GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer, sizeof buffer, path.c_str());
  });
  std::printf("GetIniString, last key of a %d-key file: %.1f us\n", kKeys, ours);
  std::printf("GetPrivateProfileStringA, same file and key: %.1f us\n", system);
  std::remove(path.c_str());
  return 0;
}
