// k9-engine-render: paints one view of the reference engine to a PNG file, without
// the server, for looking at the engine's work.
//
//   k9-engine-render [options] OUT.png
//     --data DIR          engine data root holding states/, us/ and world/ (default: the
//                         source tree's data/engine)
//     --size WxH          picture size (default 1024x768)
//     --view W,N,E,S      rectangle to show (default: the lower 48 states)
//     --centre X,Y        centre instead of a rectangle, with --level L
//     --level L           zoom level (12 town, 15 neighbourhood)
//     --shade-states --shade-counties --shade-places --zip --mono --high-contrast
//     --land RRGGBB       land colour (hex)
//     --overlay FILE      .OVR or .CAD overlay
//     --underlay FILE     picture with its .SAT companion
//     --find TEXT         print the address records of TEXT and exit
//     --phone TEXT        print the phone answer of TEXT and exit
//     --probe X,Y         print the painted pixel at that longitude and latitude
#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "engine/reference_engine.h"

#ifndef K9_ENGINE_DATA_DIR
#define K9_ENGINE_DATA_DIR "data/engine"
#endif

namespace {

class Printer : public k9::MapEngineEvents {
 public:
  explicit Printer(k9::engine::ReferenceEngine* e) : engine_(e) {}
  void FoundItem() override { std::printf("%s\n", engine_->FoundText().c_str()); }

 private:
  k9::engine::ReferenceEngine* engine_;
};

int Usage() {
  std::fprintf(
      stderr,
      "usage: k9-engine-render [--data DIR] [--size WxH] [--view W,N,E,S | --centre X,Y "
      "--level L]\n  [--shade-states] [--shade-counties] [--shade-places] [--zip] [--mono] "
      "[--high-contrast]\n  [--land RRGGBB] [--overlay FILE] [--underlay FILE] OUT.png\n"
      "  k9-engine-render [--data DIR] --find TEXT | --phone TEXT\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string data = K9_ENGINE_DATA_DIR, out, overlay, underlay, find, phone;
  int width = 1024, height = 768, level = -1;
  double view[4] = {-125, 50, -66, 24};
  double centre[2] = {0, 0};
  bool has_centre = false, mono = false;
  std::vector<std::pair<double, double>> probes;
  k9::engine::ReferenceEngine engine(k9::FileSystem::Default());
  try {
    for (int i = 1; i < argc; ++i) {
      const std::string a = argv[i];
      auto next = [&]() -> std::string {
        if (i + 1 >= argc) throw std::invalid_argument(a + " needs a value");
        return argv[++i];
      };
      if (a == "--data")
        data = next();
      else if (a == "--size") {
        if (std::sscanf(next().c_str(), "%dx%d", &width, &height) != 2) return Usage();
      } else if (a == "--view") {
        if (std::sscanf(next().c_str(), "%lf,%lf,%lf,%lf", &view[0], &view[1], &view[2],
                        &view[3]) != 4)
          return Usage();
      } else if (a == "--centre") {
        if (std::sscanf(next().c_str(), "%lf,%lf", &centre[0], &centre[1]) != 2) return Usage();
        has_centre = true;
      } else if (a == "--level")
        level = std::atoi(next().c_str());
      else if (a == "--shade-states")
        engine.Shade_State(true);
      else if (a == "--shade-counties")
        engine.Shade_Cnty(true);
      else if (a == "--shade-places")
        engine.Shade_Plc(true);
      else if (a == "--zip")
        engine.ZipCodesShown(true);
      else if (a == "--mono")
        mono = true;
      else if (a == "--high-contrast")
        engine.EngineCommand(61182, 1);
      else if (a == "--land") {
        const auto rgb = static_cast<std::uint32_t>(std::strtoul(next().c_str(), nullptr, 16));
        engine.LandColor(static_cast<std::int32_t>(k9::PixelToOleColor(rgb)));
      } else if (a == "--overlay")
        overlay = next();
      else if (a == "--underlay")
        underlay = next();
      else if (a == "--find")
        find = next();
      else if (a == "--probe") {
        double px = 0, py = 0;
        if (std::sscanf(next().c_str(), "%lf,%lf", &px, &py) != 2) return Usage();
        probes.emplace_back(px, py);
      } else if (a == "--phone")
        phone = next();
      else if (!a.empty() && a[0] == '-')
        return Usage();
      else
        out = a;
    }
    engine.Path_states(data + "/states");
    engine.Path_data1(data + "/us");
    engine.Path_data2(data + "/world");
    for (const auto& e : engine.DataErrors()) std::fprintf(stderr, "data: %s\n", e.c_str());
    if (!find.empty()) {
      Printer printer(&engine);
      engine.SetEvents(&printer);
      std::printf("%d matches\n", engine.FindAddress(find));
      return 0;
    }
    if (!phone.empty()) {
      engine.FindPhone(phone);
      std::printf("%s\n", engine.FoundPlaceText().c_str());
      return 0;
    }
    if (out.empty()) return Usage();
    engine.SetMapSize(width, height);
    if (has_centre) {
      engine.CentreView(centre[0], centre[1]);
      if (level >= 0) engine.ZoomLevel(level);
    } else {
      engine.SetViewCorners(view[0], view[1], view[2], view[3]);
      if (level >= 0) engine.ZoomLevel(level);
    }
    if (!overlay.empty()) engine.LoadOverlay(overlay);
    if (!underlay.empty()) {
      engine.UnderlayVisible(true);
      engine.UnderlayFile(underlay);
    }
    k9::Raster raster;
    raster.Resize(width, height);
    engine.PaintToDC(k9::ToDeviceContext(&raster), 0, 0, width, height, false, false, mono);
    cairo_surface_t* s =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(raster.pixels.data()),
                                            CAIRO_FORMAT_RGB24, width, height, width * 4);
    const cairo_status_t st = cairo_surface_write_to_png(s, out.c_str());
    cairo_surface_destroy(s);
    if (st != CAIRO_STATUS_SUCCESS) {
      std::fprintf(stderr, "cannot write %s\n", out.c_str());
      return 1;
    }
    for (const auto& [px, py] : probes) {
      const k9::engine::Point p = engine.view().ToPixel(px, py);
      const int ix = static_cast<int>(p.x), iy = static_cast<int>(p.y);
      if (ix >= 0 && iy >= 0 && ix < width && iy < height)
        std::printf("pixel at %g,%g (%d,%d): %06X\n", px, py, ix, iy, raster.Row(iy)[ix]);
    }
    std::printf("view W %.5f N %.5f E %.5f S %.5f\n", engine.ViewWest(), engine.ViewNorth(),
                engine.ViewEast(), engine.ViewSouth());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "k9-engine-render: %s\n", e.what());
    return 1;
  }
}
