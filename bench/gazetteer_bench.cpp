// Gazetteer searches over the shipped files, each reading its file from the
// start as every search does, beside the cost of reading the file once.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/file_system.h"
#include "search/gazetteer.h"
#include "server/search_port.h"

namespace k9 {
namespace {

const std::string kDataFolder = std::string(K9_SOURCE_DIR) + "/data";

// Counts matches and keeps nothing.
class CountingDialog : public SearchDialog {
 public:
  std::int16_t WindowState() override { return 0; }
  void WindowState(std::int16_t) override {}
  void Show(std::intptr_t) override {}
  int Width() override { return 0; }
  int Height() override { return 0; }
  void Move(int, int) override {}
  void Unload() override {}
  void AddToList(std::string&, double&, double&, bool&, double&, double&, double&, bool&) override {
    ++matches;
  }
  void ResultLbl(const std::string&) override {}
  long matches = 0;
};

void BM_ReadCountyFileOnce(benchmark::State& state) {
  FileSystem& fs = FileSystem::Default();
  for (auto _ : state) {
    std::string contents;
    fs.ReadFile(kDataFolder + "/" + kCountyFileName, &contents);
    benchmark::DoNotOptimize(contents);
  }
}
BENCHMARK(BM_ReadCountyFileOnce);

void BM_CountySearch(benchmark::State& state, const char* query) {
  Gazetteer gazetteer(FileSystem::Default(), kDataFolder);
  CountingDialog dialog;
  for (auto _ : state) gazetteer.FindCounty(query, dialog);
  benchmark::DoNotOptimize(dialog.matches);
}
BENCHMARK_CAPTURE(BM_CountySearch, Harris, "Harris");
BENCHMARK_CAPTURE(BM_CountySearch, HarrisTX, "Harris, TX");
// The last letter of the file: every line before it is looked at.
BENCHMARK_CAPTURE(BM_CountySearch, Ziebach, "Ziebach");

void BM_StateSearch(benchmark::State& state) {
  Gazetteer gazetteer(FileSystem::Default(), kDataFolder);
  CountingDialog dialog;
  for (auto _ : state) gazetteer.FindState("T", dialog);
  benchmark::DoNotOptimize(dialog.matches);
}
BENCHMARK(BM_StateSearch);

void BM_MileMarkerSearch(benchmark::State& state) {
  Gazetteer gazetteer(FileSystem::Default(), kDataFolder);
  CountingDialog dialog;
  for (auto _ : state) gazetteer.FindMileMarker("TX,20,100", dialog);
  benchmark::DoNotOptimize(dialog.matches);
}
BENCHMARK(BM_MileMarkerSearch);

}  // namespace
}  // namespace k9
