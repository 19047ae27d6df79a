// The server's own cost, apart from the engine's drawing: one paint step (sizing,
// view call, paint step with the map-list entry file) against the recording fake
// engine and host, and loading a full favourites file of 32768 entries.
#include <benchmark/benchmark.h>

#include "common/text.h"
#include "render/favourites.h"
#include "server/cls_map_serv.h"
#include "support/fake_engine.h"
#include "support/fake_file_system.h"
#include "support/fake_host.h"

namespace k9::testing {
namespace {

class NoRegistry : public Registry {
 public:
  bool KeyExists(RegRoot, const std::string&) override { return false; }
  bool CreateKey(RegRoot, const std::string&) override { return true; }
  bool DeleteKey(RegRoot, const std::string&) override { return false; }
  std::optional<RegValue> QueryValue(RegRoot, const std::string&, const std::string&) override {
    // The host's program folder.
    return RegValue{kRegSz, std::string("/apps/Harrier32") + '\0'};
  }
  bool SetValue(RegRoot, const std::string&, const std::string&, const RegValue&) override {
    return true;
  }
  bool DeleteValue(RegRoot, const std::string&, const std::string&) override { return false; }
  std::optional<std::vector<std::string>> EnumerateValues(RegRoot, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::vector<std::string>> EnumerateSubkeys(RegRoot, const std::string&) override {
    return std::nullopt;
  }
};

class BenchSystem : public System {
 public:
  int ScreenWidthTwips() override { return 15360; }
  int ScreenHeightTwips() override { return 11520; }
  std::string ModulePath() override { return "/srv/k9/Kestrel9.dll"; }
  void OpenNamedMutex(const std::string&) override {}
  std::optional<std::string> GetEnv(const std::string&) override { return std::nullopt; }
};

// The fake engine logs every call; keeping the log from growing without bound
// keeps the measurement about the server, not about the log.
class QuietEngine : public FakeEngine {
 public:
  void PaintToDC(DeviceContext, std::int32_t, std::int32_t, std::int32_t, std::int32_t, bool, bool,
                 bool) override {
    ClearCalls();
  }
};

void BM_PaintStep(benchmark::State& state) {
  FakeFileSystem fs;
  fs.AddDirectory("/srv/k9");
  fs.AddDirectory("/apps/Harrier32/Maps");
  NoRegistry registry;
  BenchSystem system;
  Ports ports{&fs, &registry, &Dialogs::Default(), &system};
  // The host's objects outlive the server, whose release still calls them.
  FakeHostEvents events;
  FakeHostForm form;
  clsMapServ server(ports, [](const std::string&) { return std::make_unique<QuietEngine>(); });
  std::string callsign = "W1AW";
  server.Initialize(callsign, &events, &form);
  // A tiny picture keeps the fake engine's pixel fill out of the measurement.
  FakePictureBox picture(4, 3);
  double west = -110, north = 50, east = -90, south = 35;
  for (auto _ : state) {
    picture.ClearCalls();
    events.ClearCalls();
    form.ClearCalls();
    benchmark::DoNotOptimize(server.DrawMapFromCorners(picture, west, north, east, south));
  }
}
BENCHMARK(BM_PaintStep);

void BM_LoadFavourites(benchmark::State& state) {
  FakeFileSystem fs;
  fs.AddDirectory("/srv/k9");
  TextArray full{true, 0, {}};
  for (int i = 0; i < kMaxFavourites; ++i) {
    full.items.push_back("View " + std::to_string(i) + ",-87.6298,41.8781,-87.5,41.95,12");
  }
  SaveFavourites(fs, "/srv/k9/Kestrel9.FAV", full);
  for (auto _ : state) {
    TextArray loaded;
    LoadFavourites(fs, "/srv/k9/Kestrel9.FAV", loaded);
    benchmark::DoNotOptimize(loaded.items.data());
  }
}
BENCHMARK(BM_LoadFavourites)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace k9::testing
