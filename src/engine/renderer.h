// Paints one view of the map data, the underlay and the overlay onto a canvas.
#pragma once

#include <cstdint>

#include "engine/canvas.h"
#include "engine/map_data.h"
#include "engine/overlay.h"
#include "engine/view.h"
#include "streets/street_layer.h"

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
  bool one_way = false;                           // arrows along one-way streets
  const streets::StreetLayer* streets = nullptr;  // imported streets; nullptr: none
  const Overlay* overlay = nullptr;               // nullptr or hidden: not drawn
  const Underlay* underlay = nullptr;             // likewise
};

// Soft fills for shaded states and counties, picked by a feature's index so
// neighbours differ.
inline constexpr std::uint32_t kShades[] = {0xF6D8AE, 0xCFE8C4, 0xF3C6C6, 0xD6D2F0,
                                            0xF7F0B0, 0xC4E3E8, 0xE9D3E8, 0xDCE8B0};
// Border lines: colour and width in pixels.
inline constexpr std::uint32_t kCountyBorder = 0xC8BFB5;
inline constexpr double kCountyBorderWidth = 0.6;
inline constexpr std::uint32_t kStateBorder = 0x7F746B;
inline constexpr double kStateBorderWidth = 1.2;

// Scale limits (degrees of latitude per pixel) below which a layer is drawn.
inline constexpr double kCountiesBelow = 0.03;
inline constexpr double kRoadsBelow = 0.25;
inline constexpr double kZipsBelow = 0.004;

// Draws in layer order: land (shaded states and counties), water (sea, lakes, rivers,
// shores), underlay, borders, interstates, places with labels, ZIP codes, overlay.
// Labels never overlap.
void Render(Canvas& canvas, const View& view, const MapData& data, const RenderOptions& options);

// Projects rings into pixels, dropping points that fall within half a pixel of the
// previous one and rings left with fewer than `min_points`. Exposed for the
// benchmark's raw-fill floor.
void ProjectRings(const View& view, const std::vector<GeoRing>& rings, Rings* out,
                  std::size_t min_points = 3);

}  // namespace k9::engine
