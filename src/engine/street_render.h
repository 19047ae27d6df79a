// Streets on the map: the lines of every street in view, by class, with casings,
// widths that grow with the zoom and the level of detail that fits the scale;
// their names along them, route numbers in boxes, one-way arrows and the data's
// credit. The renderer draws the lines after the borders and the approximate
// interstates, and the labels after the place labels.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/canvas.h"
#include "engine/label_space.h"
#include "engine/renderer.h"
#include "engine/view.h"
#include "streets/street_layer.h"

namespace k9::engine {

// The least important class a view at `dpp` degrees per pixel shows: motorways as
// far out as the interstates show, trunks at state scale, then primary and
// secondary roads, tertiary roads and links, residential streets at town scale,
// service roads closer and paths closest. nullopt: no streets at all.
std::optional<streets::RoadClass> LeastClassShown(double dpp);

// Width in pixels of a class's fill at `dpp`; it grows with the zoom.
double StreetWidth(streets::RoadClass road_class, double dpp);

// Names are written along streets at least this wide, and one-way arrows drawn on them.
inline constexpr double kNamedWidth = 3.0;
// One-way arrows, outside monochrome and high contrast.
inline constexpr std::uint32_t kOneWayArrow = 0x4858C8;
// The credit the data's licence asks for, in Windows-1252.
inline constexpr char kStreetCredit[] = "\xA9 OpenStreetMap contributors";

// The parts of a line outside every box: the approximate interstates are not drawn
// where an imported area's own motorways are.
std::vector<std::vector<GeoPoint>> PartsOutside(const std::vector<GeoPoint>& line,
                                                const std::vector<Box>& boxes);

// One stroke of the street lines: every line of one colour and width, in pixels.
struct StreetStroke {
  std::uint32_t colour = 0;
  double width = 0;
  Rings lines;
};

// A label a paint placed: a street's name (glyph by glyph) or a route number box.
struct StreetLabel {
  std::string text;
  double size = 0;
  std::uint32_t colour = 0;
  std::vector<GlyphPlace> glyphs;  // for a name; empty for a route number
  Point box_at;                    // a route number's box: top-left corner and size
  TextSize box;
  std::uint32_t box_fill = 0, box_line = 0;
  std::vector<Box> taken;  // the room it took, in pixels (west/east x, south/north y)
};

class StreetPainter {
 public:
  StreetPainter(Canvas& canvas, const View& view, const RenderOptions& options);

  // Reads the streets in view from `layer`, at the scale's level of detail or down
  // to `least` when given.
  void Collect(const streets::StreetLayer& layer,
               std::optional<streets::RoadClass> least = std::nullopt);
  // How many streets of a class the view shows.
  std::size_t Shown(streets::RoadClass road_class) const;
  bool any() const { return !lines_.empty(); }

  // What DrawLines strokes, bottom first: tunnels, every casing, every fill (the
  // less important classes beneath the more), bridges with their own casings,
  // one-way arrows.
  const std::vector<StreetStroke>& Strokes();
  void DrawLines();

  // Places the route numbers, then the names, in the room left in `space`; the
  // place labels take theirs first.
  void PlaceLabels(LabelSpace& space);
  const std::vector<StreetLabel>& labels() const { return labels_; }
  void DrawLabels();

 private:
  struct Line {
    const streets::Street* street;
    std::vector<Point> pixels;
    double length;
  };
  void AddArrows(const Line& line, double width, StreetStroke* out) const;
  void PlaceShields(const Line& line, LabelSpace& space);
  void PlaceName(const Line& line, LabelSpace& space);
  // Another label of the same text is within `distance` pixels of `at`.
  bool Repeats(const std::string& text, Point at, double distance) const;
  std::uint32_t Fill(std::uint32_t c) const;
  std::uint32_t Ink(std::uint32_t c) const;

  Canvas& canvas_;
  const View& view_;
  const RenderOptions& opt_;
  std::vector<Line> lines_;
  std::vector<StreetStroke> strokes_;
  bool built_ = false;
  std::vector<StreetLabel> labels_;
  std::map<std::string, std::vector<Point>> placed_;  // where each text already shows
};

// Takes the room of the data's credit in the bottom right corner; DrawStreetCredit
// writes it there.
Point ReserveStreetCredit(Canvas& canvas, LabelSpace& space);
void DrawStreetCredit(Canvas& canvas, Point at, const RenderOptions& options);

}  // namespace k9::engine
