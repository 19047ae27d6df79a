// Reference engine: data load, painting 1024x768 views and place searches, with the
// canvas's raw fill of the same polygons as the floor a paint cannot beat.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engine/reference_engine.h"
#include "engine/renderer.h"
#include "platform/raster.h"

namespace {

using k9::engine::ReferenceEngine;

std::vector<std::string> Folders() {
  const std::string root = std::string(K9_SOURCE_DIR) + "/data/engine";
  return {root + "/states", root + "/us", root + "/world"};
}

void UseData(ReferenceEngine& e) {
  const auto f = Folders();
  e.Path_states(f[0]);
  e.Path_data1(f[1]);
  e.Path_data2(f[2]);
}

void BM_EngineDataLoad(benchmark::State& state) {
  for (auto _ : state) {
    auto data = k9::engine::ReadMapData(k9::FileSystem::Default(), Folders());
    benchmark::DoNotOptimize(data);
  }
}
BENCHMARK(BM_EngineDataLoad)->Unit(benchmark::kMillisecond);

void Paint(benchmark::State& state, double w, double n, double e, double s, bool counties) {
  ReferenceEngine engine(k9::FileSystem::Default());
  UseData(engine);
  engine.Shade_Cnty(counties);
  engine.SetMapSize(1024, 768);
  engine.SetViewCorners(w, n, e, s);
  k9::Raster raster;
  raster.Resize(1024, 768);
  engine.Refresh();  // data read before timing
  for (auto _ : state) {
    engine.PaintToDC(k9::ToDeviceContext(&raster), 0, 0, 1024, 768, false, false, false);
    benchmark::ClobberMemory();
  }
}

void BM_EnginePaintWholeUs(benchmark::State& state) { Paint(state, -125, 50, -66, 24, false); }
BENCHMARK(BM_EnginePaintWholeUs)->Unit(benchmark::kMillisecond);

void BM_EnginePaintTexasCounties(benchmark::State& state) {
  Paint(state, -106.7, 36.6, -93.5, 25.8, true);
}
BENCHMARK(BM_EnginePaintTexasCounties)->Unit(benchmark::kMillisecond);

// The floor: the canvas filling the already projected state shapes of the U.S. view,
// with nothing else drawn.
void BM_CairoRawFillStates(benchmark::State& state) {
  ReferenceEngine engine(k9::FileSystem::Default());
  UseData(engine);
  engine.SetMapSize(1024, 768);
  engine.SetViewCorners(-125, 50, -66, 24);
  const auto& layer = engine.Data().states;
  const int level = layer.LevelFor(engine.view().degrees_per_pixel());
  std::vector<k9::engine::Rings> shapes;
  for (const auto& f : layer.features) {
    shapes.emplace_back();
    k9::engine::ProjectRings(engine.view(), f.levels[level], &shapes.back());
  }
  k9::Raster raster;
  raster.Resize(1024, 768);
  for (auto _ : state) {
    auto canvas = k9::engine::CreateCanvas(k9::ToDeviceContext(&raster), 0, 0, 1024, 768);
    for (const auto& rings : shapes) canvas->FillRings(rings, 0xF2EFE4);
    canvas.reset();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CairoRawFillStates)->Unit(benchmark::kMillisecond);

void Search(benchmark::State& state, const char* query) {
  ReferenceEngine engine(k9::FileSystem::Default());
  UseData(engine);
  engine.Refresh();
  for (auto _ : state) benchmark::DoNotOptimize(engine.FindAddress(query));
}
void BM_EnginePlaceSearch(benchmark::State& state) { Search(state, "Austin, TX"); }
BENCHMARK(BM_EnginePlaceSearch)->Unit(benchmark::kMicrosecond);
void BM_EngineZipSearch(benchmark::State& state) { Search(state, "78701"); }
BENCHMARK(BM_EngineZipSearch)->Unit(benchmark::kMicrosecond);
void BM_EngineWildcardSearch(benchmark::State& state) { Search(state, "Spring*"); }
BENCHMARK(BM_EngineWildcardSearch)->Unit(benchmark::kMicrosecond);

}  // namespace
