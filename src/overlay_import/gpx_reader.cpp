// GPX 1.0 and 1.1: every track segment is a line, every route a line, every
// waypoint a labelled point. Times, elevations and extensions are not kept.
#include <charconv>

#include "overlay_import/readers.h"
#include "overlay_import/xml_tree.h"

namespace k9::overlay_import {
namespace {

constexpr std::uint32_t kTrackColour = 0xD01010;
constexpr std::uint32_t kRouteColour = 0x1040D0;
constexpr std::uint32_t kWaypointColour = 0x802060;

bool Coordinate(const XmlElement& e, const char* name, double* out, std::string* error) {
  const std::string* text = e.Attribute(name);
  if (text == nullptr) {
    *error = "line " + std::to_string(e.line) + ": <" + e.name + "> has no " + name + " attribute";
    return false;
  }
  const std::size_t first = text->find_first_not_of(" \t\r\n");
  const std::size_t last = text->find_last_not_of(" \t\r\n");
  const char* begin = text->data() + (first == std::string::npos ? text->size() : first);
  const char* end = text->data() + (last == std::string::npos ? 0 : last + 1);
  const auto res = std::from_chars(begin, end, *out);
  if (first == std::string::npos || res.ec != std::errc() || res.ptr != end) {
    *error = "line " + std::to_string(e.line) + ": <" + e.name + "> has " + name + "=\"" + *text +
             "\", which is not a number";
    return false;
  }
  return true;
}

bool Point(const XmlElement& e, LonLat* p, std::string* error) {
  if (!Coordinate(e, "lon", &p->lon, error) || !Coordinate(e, "lat", &p->lat, error)) return false;
  if (!detail::OnEarth(p->lon, p->lat)) {
    *error = "line " + std::to_string(e.line) + ": <" + e.name + "> lies off the earth (lat " +
             *e.Attribute("lat") + ", lon " + *e.Attribute("lon") + ")";
    return false;
  }
  return true;
}

// A run of points as a line; a run of one point as a dot.
void AddLine(std::vector<LonLat> points, std::uint32_t colour, Imported* out) {
  if (points.empty()) return;
  Item item;
  item.kind = points.size() >= 2 ? Item::Kind::kLine : Item::Kind::kPoint;
  item.points = std::move(points);
  item.pen = colour;
  out->items.push_back(std::move(item));
}

}  // namespace

bool ReadGpx(std::string_view bytes, Imported* out, std::string* error) {
  if (!detail::LooksLikeXml(bytes)) {
    *error = "it is not a GPX file (it does not start with XML)";
    return false;
  }
  XmlElement root;
  if (!ParseXml(bytes, &root, error)) return false;
  if (root.name != "gpx") {
    *error = "it is not a GPX file (its first element is <" + root.name + ">, not <gpx>)";
    return false;
  }
  Imported result;
  std::size_t tracks = 0, track_points = 0, routes = 0, route_points = 0, waypoints = 0;
  for (const XmlElement& e : root.children) {
    if (e.name == "wpt") {
      Item item;
      item.kind = Item::Kind::kPoint;
      item.points.resize(1);
      if (!Point(e, &item.points[0], error)) return false;
      item.pen = kWaypointColour;
      item.label = detail::LabelText(e.ChildText("name"));
      result.items.push_back(std::move(item));
      ++waypoints;
    } else if (e.name == "rte") {
      std::vector<LonLat> points;
      for (const XmlElement& p : e.children) {
        if (p.name != "rtept") continue;
        if (!Point(p, &points.emplace_back(), error)) return false;
      }
      route_points += points.size();
      routes += !points.empty();
      AddLine(std::move(points), kRouteColour, &result);
    } else if (e.name == "trk") {
      bool any = false;
      for (const XmlElement& seg : e.children) {
        if (seg.name != "trkseg") continue;
        std::vector<LonLat> points;
        for (const XmlElement& p : seg.children) {
          if (p.name != "trkpt") continue;
          if (!Point(p, &points.emplace_back(), error)) return false;
        }
        track_points += points.size();
        any = any || !points.empty();
        AddLine(std::move(points), kTrackColour, &result);
      }
      tracks += any;
    }
  }
  if (result.items.empty()) {
    *error = "it holds no track, route or waypoint to draw";
    return false;
  }
  std::vector<std::string> parts;
  if (tracks > 0)
    parts.push_back(detail::Counted(tracks, "track", "tracks") + " of " +
                    detail::Counted(track_points, "point", "points"));
  if (routes > 0)
    parts.push_back(detail::Counted(routes, "route", "routes") + " of " +
                    detail::Counted(route_points, "point", "points"));
  if (waypoints > 0) parts.push_back(detail::Counted(waypoints, "waypoint", "waypoints"));
  for (std::size_t i = 0; i < parts.size(); ++i) result.held += (i ? ", " : "") + parts[i];
  *out = std::move(result);
  return true;
}

}  // namespace k9::overlay_import
