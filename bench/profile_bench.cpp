// Profile-file access: what one settings read or write costs. Nothing is cached,
// so each call reads (and a write also replaces) the whole file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "common/cls_ini.h"
#include "common/profile.h"
#include "platform/file_system.h"

namespace {

// A settings file of `keys` keys spread over sections of ten, blank lines and
// comments between them: 50 keys make about 70 lines, 150 keys about 200.
std::string SettingsText(int keys) {
  std::string text = "; Kestrel9 settings\r\n";
  for (int i = 0; i < keys; ++i) {
    if (i % 10 == 0) text += "\r\n[Section" + std::to_string(i / 10) + "]\r\n";
    text += "Key" + std::to_string(i) + "=Value number " + std::to_string(i * 7) + "\r\n";
  }
  return text;
}

// A file in the temporary folder, removed when the benchmark ends.
class TempSettingsFile {
 public:
  explicit TempSettingsFile(int keys) {
    path_ = (std::filesystem::temp_directory_path() /
             ("k9bench-" + std::to_string(keys) + "-" + std::to_string(std::rand()) + ".ini"))
                .string();
    k9::FileSystem::Default().WriteFileAtomic(path_, SettingsText(keys));
  }
  ~TempSettingsFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The last key of the file: the reader walks every line before it.
std::string LastSection(int keys) { return "Section" + std::to_string((keys - 1) / 10); }
std::string LastKey(int keys) { return "Key" + std::to_string(keys - 1); }

void BM_GetIniString(benchmark::State& state) {
  const int keys = static_cast<int>(state.range(0));
  TempSettingsFile file(keys);
  k9::clsIni ini;
  ini.strIniName(file.path());
  const std::string section = LastSection(keys), key = LastKey(keys);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ini.GetIniString(section, key, ""));
  }
}
BENCHMARK(BM_GetIniString)->Arg(50)->Arg(150);

void BM_SaveIniString(benchmark::State& state) {
  const int keys = static_cast<int>(state.range(0));
  TempSettingsFile file(keys);
  k9::clsIni ini;
  ini.strIniName(file.path());
  const std::string section = LastSection(keys), key = LastKey(keys);
  bool flip = false;
  for (auto _ : state) {
    // Alternate values so that every call really replaces the file.
    ini.SaveIniString(section, key, (flip = !flip) ? "True" : "False");
  }
}
BENCHMARK(BM_SaveIniString)->Arg(50)->Arg(150);

// The parser alone, on contents already in memory.
void BM_ReadProfileTextInMemory(benchmark::State& state) {
  const int keys = static_cast<int>(state.range(0));
  const std::string text = SettingsText(keys);
  const std::string section = LastSection(keys), key = LastKey(keys);
  char buffer[500];
  for (auto _ : state) {
    benchmark::DoNotOptimize(k9::ReadProfileText(text, section, key, "", buffer, sizeof buffer));
  }
}
BENCHMARK(BM_ReadProfileTextInMemory)->Arg(50)->Arg(150);

void BM_EditProfileTextInMemory(benchmark::State& state) {
  const int keys = static_cast<int>(state.range(0));
  const std::string text = SettingsText(keys);
  const std::string section = LastSection(keys), key = LastKey(keys);
  for (auto _ : state) {
    benchmark::DoNotOptimize(k9::EditProfileText(text, section, key, "changed"));
  }
}
BENCHMARK(BM_EditProfileTextInMemory)->Arg(50)->Arg(150);

}  // namespace
