// Reference engine: data load, painting 1024x768 views and place searches, with the
// canvas's raw fill of the same polygons as the floor a paint cannot beat; the same
// polygons drawn by Mapnik in the same run; overlays of 100,000 points.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "engine/reference_engine.h"
#include "engine/renderer.h"
#include "engine/street_render.h"
#include "platform/raster.h"

#include <cairo.h>

#include "../tests/engine/osm_streets.h"
#include <chrono>
#include <cstdlib>

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
    for (const auto& rings : shapes) canvas->FillRings(rings, 0xF2EFE4, true);
    canvas.reset();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CairoRawFillStates)->Unit(benchmark::kMillisecond);

// ---- Against Mapnik: the like-for-like polygons of two views, drawn by the engine
// and by Mapnik (Debian python3-mapnik, its AGG renderer) from the same rings at
// the same level of detail, in the same projection, colours and line widths. Each
// round paints the view N times on each side in turn; the counters are CPU
// milliseconds a paint (the engine's thread, Mapnik's process) and their ratio.

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

std::string Hex(std::uint32_t rgb) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%06X", rgb & 0xFFFFFFu);
  return buf;
}

// The view's rings and lines in the engine's projected units: a pixel is
// degrees_per_pixel wide and high, x narrowed as the engine narrows it.
class GeoJson {
 public:
  explicit GeoJson(const k9::engine::View& v) : view_(v) {}
  void Add(const std::vector<k9::engine::GeoRing>& rings, const std::string& props, bool area) {
    std::string coords;
    for (const auto& ring : rings) {
      if (ring.size() < (area ? 4u : 2u)) continue;
      coords += coords.empty() ? "" : ",";
      coords += area ? "[[" : "[";
      for (std::size_t i = 0; i < ring.size(); ++i) {
        const double x =
            (ring[i].x - view_.centre_x()) * view_.x_scale() * view_.degrees_per_pixel();
        const double y = ring[i].y - view_.centre_y();
        char buf[64];
        std::snprintf(buf, sizeof buf, "%s[%.7f,%.7f]", i ? "," : "", x, y);
        coords += buf;
      }
      coords += area ? "]]" : "]";
    }
    if (coords.empty()) return;
    text_ += text_.empty() ? "" : ",\n";
    text_ += std::string("{\"type\":\"Feature\",\"properties\":{") + props +
             "},\"geometry\":{\"type\":\"" + (area ? "MultiPolygon" : "MultiLineString") +
             "\",\"coordinates\":[" + coords + "]}}";
  }
  void Save(const std::string& path) const {
    std::ofstream(path) << "{\"type\":\"FeatureCollection\",\"features\":[\n" << text_ << "]}\n";
  }

 private:
  const k9::engine::View& view_;
  std::string text_;
};

// The Mapnik helper as a child process, spoken to through two pipes.
class MapnikProcess {
 public:
  explicit MapnikProcess(const std::vector<std::string>& args) {
    int to[2], from[2];
    if (pipe(to) != 0 || pipe(from) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(to[0], 0);
      dup2(from[1], 1);
      close(to[1]);
      close(from[0]);
      std::vector<char*> argv;
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      std::printf("no mapnik: cannot run %s\n", argv[0]);
      std::fflush(stdout);
      _exit(0);
    }
    close(to[0]);
    close(from[1]);
    in_ = fdopen(to[1], "w");
    out_ = fdopen(from[0], "r");
  }
  ~MapnikProcess() {
    if (in_ != nullptr) std::fclose(in_);
    if (out_ != nullptr) std::fclose(out_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }
  std::string Line() {
    char buf[256] = "";
    if (out_ == nullptr || std::fgets(buf, sizeof buf, out_) == nullptr) return "";
    return buf;
  }
  // CPU seconds of `n` renders.
  double Render(int n) {
    std::fprintf(in_, "%d\n", n);
    std::fflush(in_);
    return std::atof(Line().c_str());
  }

 private:
  pid_t pid_ = -1;
  FILE* in_ = nullptr;
  FILE* out_ = nullptr;
};

void BM_VersusMapnik(benchmark::State& state) {
  using namespace k9::engine;
  const bool texas = state.range(0) == 1;
  const int w = static_cast<int>(state.range(1)), h = w * 3 / 4;
  ReferenceEngine engine(k9::FileSystem::Default());
  UseData(engine);
  engine.SetMapSize(w, h);
  if (texas)
    engine.SetViewCorners(-106.7, 36.6, -93.5, 25.8);
  else
    engine.SetViewCorners(-125, 50, -66, 24);
  const View& view = engine.view();
  const MapData& all = engine.Data();

  // What both sides draw: shaded states with their borders, or shaded counties with
  // the county and state borders.
  MapData subset;
  subset.states = all.states;
  subset.us_borders = all.us_borders;
  if (texas) {
    subset.counties = all.counties;
  } else {
    // At 4096 pixels the states view is close enough for county borders: not drawn here.
    std::erase_if(subset.us_borders.features, [](const Feature& f) { return f.code != "S"; });
    subset.us_borders.BuildIndex();
  }
  RenderOptions opt;
  opt.shade_states = !texas;
  opt.shade_counties = texas;

  GeoJson fills(view), lines(view);
  const Box extent = view.Extent();
  const PolygonLayer& shaded = texas ? all.counties : all.states;
  const int level = shaded.LevelFor(view.degrees_per_pixel());
  for (std::uint32_t i : shaded.Query(extent))
    fills.Add(shaded.features[i].levels[level],
              "\"fill\":\"" + Hex(kShades[i % std::size(kShades)]) + "\"", true);
  const int border_level = all.us_borders.LevelFor(view.degrees_per_pixel());
  for (std::uint32_t i : all.us_borders.Query(extent)) {
    const Feature& f = all.us_borders.features[i];
    if (f.code == "C" && !texas) continue;
    const bool county = f.code == "C";
    char props[96];
    std::snprintf(props, sizeof props, "\"stroke\":\"%s\",\"width\":%g",
                  Hex(county ? kCountyBorder : kStateBorder).c_str(),
                  county ? kCountyBorderWidth : kStateBorderWidth);
    lines.Add(f.levels[border_level], props, false);
  }
  const auto dir =
      std::filesystem::temp_directory_path() / ("k9-mapnik-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  fills.Save((dir / "fills.geojson").string());
  lines.Save((dir / "lines.geojson").string());
  const double hw = w / 2.0 * view.degrees_per_pixel(), hh = h / 2.0 * view.degrees_per_pixel();
  std::vector<std::string> args = {"/usr/bin/python3",
                                   std::string(K9_SOURCE_DIR) + "/bench/mapnik_render.py",
                                   (dir / "fills.geojson").string(),
                                   (dir / "lines.geojson").string(),
                                   std::to_string(w),
                                   std::to_string(h),
                                   std::to_string(-hw),
                                   std::to_string(-hh),
                                   std::to_string(hw),
                                   std::to_string(hh),
                                   Hex(opt.sea)};
  // K9_MAPNIK_PICTURES=DIR keeps both sides' pictures, to compare them by eye.
  const char* pictures = std::getenv("K9_MAPNIK_PICTURES");
  const std::string name = std::string(texas ? "texas" : "states") + "-" + std::to_string(w);
  if (pictures != nullptr) args.push_back(std::string(pictures) + "/mapnik-" + name + ".png");
  MapnikProcess mapnik(args);
  const std::string hello = mapnik.Line();
  if (hello.rfind("ok", 0) != 0) {
    std::filesystem::remove_all(dir);
    state.SkipWithError(
        ("Mapnik is not available (apt-get install python3-mapnik): " + hello).c_str());
    return;
  }

  k9::Raster raster;
  raster.Resize(w, h);
  auto paint = [&] {
    auto canvas = CreateCanvas(k9::ToDeviceContext(&raster), 0, 0, w, h);
    Render(*canvas, view, subset, opt);
  };
  paint();
  if (pictures != nullptr) {
    cairo_surface_t* s = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(raster.pixels.data()), CAIRO_FORMAT_RGB24, w, h, w * 4);
    cairo_surface_write_to_png(s, (std::string(pictures) + "/engine-" + name + ".png").c_str());
    cairo_surface_destroy(s);
  }
  const int n = w > 2000 ? 2 : 10;
  double engine_cpu = 0, mapnik_cpu = 0;
  int rounds = 0;
  for (auto _ : state) {
    const auto wall = std::chrono::steady_clock::now();
    const double cpu = ThreadCpuSeconds();
    for (int i = 0; i < n; ++i) paint();
    engine_cpu += ThreadCpuSeconds() - cpu;
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count() / n);
    mapnik_cpu += mapnik.Render(n);
    ++rounds;
  }
  std::filesystem::remove_all(dir);
  state.counters["engine_ms"] = engine_cpu * 1e3 / (rounds * n);
  state.counters["mapnik_ms"] = mapnik_cpu * 1e3 / (rounds * n);
  state.counters["ratio"] = engine_cpu / mapnik_cpu;
}
BENCHMARK(BM_VersusMapnik)
    ->ArgNames({"texas", "width"})
    ->ArgsProduct({{0, 1}, {1024, 4096}})
    ->UseManualTime()
    ->Iterations(6)
    ->Unit(benchmark::kMillisecond);

// ---- Every street of the whole columbus.osm.pbf area (12,000 ways), casings and
// fills by class at the widths of the view's scale, drawn by the engine (reading
// the layer, projecting, its own thin lines, Cairo for the wide ones), by Cairo
// alone stroking the engine's projected lines (the floor), and by Mapnik from the
// same lines with the same colours, widths, round joins and order.
std::unique_ptr<k9::streets::MemoryStreetLayer> Columbus(benchmark::State& state) {
  const std::string folder = k9::engine::testing::OsmFolder(K9_SOURCE_DIR);
  auto layer = folder.empty()
                   ? nullptr
                   : k9::engine::testing::ReadOsmStreets(folder + "/columbus.osm.pbf", "columbus");
  if (layer == nullptr) state.SkipWithError("no shared/osm/columbus.osm.pbf beside the project");
  return layer;
}

k9::engine::View ColumbusView(const k9::streets::MemoryStreetLayer& layer, int w, int h) {
  const k9::engine::Box& b = layer.Areas()[0].box;
  k9::engine::View view;
  view.SetSize(w, h);
  view.Fit(b.west, b.north, b.east, b.south);
  return view;
}

void PaintStreets(k9::Raster& raster, const k9::engine::View& view,
                  const k9::streets::MemoryStreetLayer& layer,
                  const k9::engine::RenderOptions& opt) {
  auto canvas =
      k9::engine::CreateCanvas(k9::ToDeviceContext(&raster), 0, 0, view.width(), view.height());
  canvas->Clear(opt.land);
  k9::engine::StreetPainter painter(*canvas, view, opt);
  painter.Collect(layer, k9::streets::RoadClass::kPath);
  painter.DrawLines();
}

void BM_StreetsVersusMapnik(benchmark::State& state) {
  using namespace k9::engine;
  const auto layer = Columbus(state);
  if (layer == nullptr) return;
  const int w = static_cast<int>(state.range(0)), h = w * 3 / 4;
  const View view = ColumbusView(*layer, w, h);
  RenderOptions opt;
  k9::Raster raster;
  raster.Resize(w, h);
  auto canvas = CreateCanvas(k9::ToDeviceContext(&raster), 0, 0, w, h);
  StreetPainter painter(*canvas, view, opt);
  painter.Collect(*layer, k9::streets::RoadClass::kPath);
  const std::vector<StreetStroke> strokes = painter.Strokes();
  canvas.reset();

  // The same lines for Mapnik, in the engine's projected units, one feature a line.
  const double dpp = view.degrees_per_pixel();
  std::string text;
  std::size_t count = 0;
  for (const StreetStroke& s : strokes) {
    char props[128];
    std::snprintf(props, sizeof props, "\"stroke\":\"%s\",\"width\":%.6g,\"join\":\"round\"",
                  Hex(s.colour).c_str(), s.width);
    for (const auto& line : s.lines) {
      std::string coords;
      for (const Point& p : line) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%s[%.7f,%.7f]", coords.empty() ? "" : ",",
                      (p.x - w / 2.0) * dpp, (h / 2.0 - p.y) * dpp);
        coords += buf;
      }
      text += std::string(count++ ? ",\n" : "") + "{\"type\":\"Feature\",\"properties\":{" + props +
              "},\"geometry\":{\"type\":\"LineString\",\"coordinates\":[" + coords + "]}}";
    }
  }
  const auto dir =
      std::filesystem::temp_directory_path() / ("k9-mapnik-streets-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "lines.geojson") << "{\"type\":\"FeatureCollection\",\"features\":[\n"
                                       << text << "]}\n";
  const double hw = w / 2.0 * dpp, hh = h / 2.0 * dpp;
  std::vector<std::string> args = {"/usr/bin/python3",
                                   std::string(K9_SOURCE_DIR) + "/bench/mapnik_render.py",
                                   "-",
                                   (dir / "lines.geojson").string(),
                                   std::to_string(w),
                                   std::to_string(h),
                                   std::to_string(-hw),
                                   std::to_string(-hh),
                                   std::to_string(hw),
                                   std::to_string(hh),
                                   Hex(opt.land)};
  const char* pictures = std::getenv("K9_MAPNIK_PICTURES");
  const std::string name = "streets-" + std::to_string(w);
  if (pictures != nullptr) args.push_back(std::string(pictures) + "/mapnik-" + name + ".png");
  MapnikProcess mapnik(args);
  const std::string hello = mapnik.Line();
  if (hello.rfind("ok", 0) != 0) {
    std::filesystem::remove_all(dir);
    state.SkipWithError(
        ("Mapnik is not available (apt-get install python3-mapnik): " + hello).c_str());
    return;
  }
  if (pictures != nullptr) {
    PaintStreets(raster, view, *layer, opt);
    cairo_surface_t* s = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(raster.pixels.data()), CAIRO_FORMAT_RGB24, w, h, w * 4);
    cairo_surface_write_to_png(s, (std::string(pictures) + "/engine-" + name + ".png").c_str());
    cairo_surface_destroy(s);
  }

  // The floor: Cairo alone stroking the engine's projected lines, antialiased.
  auto floor = [&] {
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(raster.pixels.data()), CAIRO_FORMAT_RGB24, w, h, w * 4);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.95, 0.94, 0.89);
    cairo_paint(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (const StreetStroke& s : strokes) {
      cairo_set_source_rgb(cr, (s.colour >> 16 & 0xFF) / 255.0, (s.colour >> 8 & 0xFF) / 255.0,
                           (s.colour & 0xFF) / 255.0);
      cairo_set_line_width(cr, s.width);
      // One stroke a line: Cairo's cost for one path of many crossing lines grows
      // much faster than their length.
      for (const auto& line : s.lines) {
        cairo_move_to(cr, line[0].x, line[0].y);
        for (std::size_t i = 1; i < line.size(); ++i) cairo_line_to(cr, line[i].x, line[i].y);
        cairo_stroke(cr);
      }
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  };

  const int n = w > 2000 ? 2 : 10;
  double engine_cpu = 0, floor_cpu = 0, mapnik_cpu = 0;
  int rounds = 0;
  for (auto _ : state) {
    const auto wall = std::chrono::steady_clock::now();
    double cpu = ThreadCpuSeconds();
    for (int i = 0; i < n; ++i) PaintStreets(raster, view, *layer, opt);
    engine_cpu += ThreadCpuSeconds() - cpu;
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count() / n);
    cpu = ThreadCpuSeconds();
    for (int i = 0; i < n; ++i) floor();
    floor_cpu += ThreadCpuSeconds() - cpu;
    mapnik_cpu += mapnik.Render(n);
    ++rounds;
  }
  std::filesystem::remove_all(dir);
  state.counters["lines"] = static_cast<double>(count);
  state.counters["engine_ms"] = engine_cpu * 1e3 / (rounds * n);
  state.counters["floor_ms"] = floor_cpu * 1e3 / (rounds * n);
  state.counters["mapnik_ms"] = mapnik_cpu * 1e3 / (rounds * n);
  state.counters["ratio"] = engine_cpu / mapnik_cpu;
}
BENCHMARK(BM_StreetsVersusMapnik)
    ->ArgNames({"width"})
    ->Arg(1024)
    ->Arg(4096)
    ->UseManualTime()
    ->Iterations(6)
    ->Unit(benchmark::kMillisecond);

// ---- Overlays of 100,000 points: each labelled point, or one jagged line. The
// paint is the whole map of the overlay's view with the overlay on it.
void PaintOverlay(benchmark::State& state, const std::string& text) {
  const auto file =
      std::filesystem::temp_directory_path() / ("k9-overlay-" + std::to_string(getpid()) + ".OVR");
  std::ofstream(file) << text;
  ReferenceEngine engine(k9::FileSystem::Default());
  UseData(engine);
  engine.SetMapSize(1024, 768);
  engine.LoadOverlay(file.string());
  std::filesystem::remove(file);
  engine.ZoomToOverlay();
  k9::Raster raster;
  raster.Resize(1024, 768);
  engine.Refresh();
  for (auto _ : state) {
    engine.PaintToDC(k9::ToDeviceContext(&raster), 0, 0, 1024, 768, false, false, false);
    benchmark::ClobberMemory();
  }
}

void BM_OverlayLabelledPoints100k(benchmark::State& state) {
  std::mt19937 random(17);
  std::uniform_real_distribution<double> lon(-104, -94), lat(27, 35);
  std::string text = "K9OVR 1\n";
  for (int i = 0; i < 100000; ++i)
    text += "POINT " + std::to_string(lon(random)) + "," + std::to_string(lat(random)) + " Unit " +
            std::to_string(i) + "\n";
  PaintOverlay(state, text);
}
BENCHMARK(BM_OverlayLabelledPoints100k)->Unit(benchmark::kMillisecond);

void BM_OverlayJaggedLine100k(benchmark::State& state) {
  std::mt19937 random(19);
  std::uniform_real_distribution<double> step(-0.02, 0.02), jag(-0.5, 0.5);
  std::string text = "K9OVR 1\nLINE";
  double x = -104, y = 31;
  for (int i = 0; i < 100000; ++i) {
    // A walk eastwards that zigzags across a band a degree high.
    x += 0.0001 + step(random) / 100;
    y = 31 + jag(random);
    text += " " + std::to_string(x) + "," + std::to_string(y);
  }
  PaintOverlay(state, text + "\n");
}
BENCHMARK(BM_OverlayJaggedLine100k)->Unit(benchmark::kMillisecond);

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
