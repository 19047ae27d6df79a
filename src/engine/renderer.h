// Paints one view of the map data, the underlay and the overlay onto a canvas.
#pragma once

#include <cstdint>

#include "engine/canvas.h"
#include "engine/map_data.h"
#include "engine/overlay.h"
#include "engine/view.h"

namespace k9::engine {

struct RenderOptions {
  std::uint32_t sea = 0x96BAE0;   // 0x00RRGGBB
  std::uint32_t land = 0xF2EFE4;  // 0x00RRGGBB
  bool shade_states = false;
  bool shade_counties = false;
  bool shade_places = false;
  bool zip_codes = false;
  bool high_contrast = false;
  bool monochrome = false;
  const Overlay* overlay = nullptr;    // nullptr or hidden: not drawn
  const Underlay* underlay = nullptr;  // likewise
};

// Scale limits (degrees of latitude per pixel) below which a layer is drawn.
inline constexpr double kCountiesBelow = 0.03;
inline constexpr double kRoadsBelow = 0.25;
inline constexpr double kZipsBelow = 0.004;

// Draws in layer order: sea, land (countries, states, counties), underlay, borders,
// interstates, ZIP codes, places with labels, overlay. Labels never overlap.
void Render(Canvas& canvas, const View& view, const MapData& data, const RenderOptions& options);

// Projects rings into pixels, dropping points that fall within half a pixel of the
// previous one. Exposed for the benchmark's raw-fill floor.
void ProjectRings(const View& view, const std::vector<GeoRing>& rings, Rings* out);

}  // namespace k9::engine
