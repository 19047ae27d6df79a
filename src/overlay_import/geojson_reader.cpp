// GeoJSON (RFC 7946): a FeatureCollection, a Feature or a bare geometry, every
// geometry type; a feature's "name" (else "title") labels its points, and the
// simplestyle properties "stroke", "stroke-width" and "fill" colour it. Opacity,
// markers and other properties are not kept.
#include <nlohmann/json.hpp>

#include "overlay_import/readers.h"

namespace k9::overlay_import {
namespace {

using nlohmann::json;

// GeometryCollections inside GeometryCollections are followed this deep.
constexpr int kMaxNesting = 32;

// "#rgb" or "#rrggbb".
std::optional<std::uint32_t> CssColour(const json& v) {
  if (!v.is_string()) return std::nullopt;
  std::string s = v.get<std::string>();
  if (!s.empty() && s[0] == '#') s.erase(0, 1);
  if (s.size() == 3) s = {s[0], s[0], s[1], s[1], s[2], s[2]};
  if (s.size() != 6 || s.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    return std::nullopt;
  return static_cast<std::uint32_t>(std::stoul(s, nullptr, 16));
}

class GeoJsonReader {
 public:
  bool Read(const json& doc, Imported* out, std::string* error) {
    if (!doc.is_object() || !doc.contains("type") || !doc["type"].is_string()) {
      *error = "it is not GeoJSON (it has no \"type\" at its top)";
      return false;
    }
    const std::string type = doc["type"].get<std::string>();
    if (type == "FeatureCollection") {
      if (!doc.contains("features") || !doc["features"].is_array()) {
        *error = "its FeatureCollection has no \"features\" list";
        return false;
      }
      std::size_t n = 0;
      for (const json& f : doc["features"]) {
        ++n;
        where_ = "feature " + std::to_string(n);
        if (!Feature(f, error)) return false;
      }
    } else if (type == "Feature") {
      where_ = "the feature";
      if (!Feature(doc, error)) return false;
    } else {
      where_ = "the geometry";
      Item base;
      if (!Geometry(doc, base, "", 0, error)) return false;
    }
    if (result_.items.empty()) {
      *error = "it holds no geometry to draw";
      return false;
    }
    std::vector<std::string> parts;
    if (features_ > 0) parts.push_back(detail::Counted(features_, "feature", "features"));
    if (points_ > 0) parts.push_back(detail::Counted(points_, "point", "points"));
    if (lines_ > 0) parts.push_back(detail::Counted(lines_, "line", "lines"));
    if (polygons_ > 0) parts.push_back(detail::Counted(polygons_, "polygon", "polygons"));
    for (std::size_t i = 0; i < parts.size(); ++i)
      result_.held += (i == 0 ? "" : i == 1 && features_ > 0 ? " (" : ", ") + parts[i];
    if (features_ > 0 && parts.size() > 1) result_.held += ")";
    *out = std::move(result_);
    return true;
  }

 private:
  bool Feature(const json& f, std::string* error) {
    if (!f.is_object() || !f.contains("type") || f["type"] != "Feature") {
      *error = where_ + " is not a Feature";
      return false;
    }
    Item base;
    std::string label;
    if (f.contains("properties") && f["properties"].is_object()) {
      const json& p = f["properties"];
      for (const char* key : {"name", "title"}) {
        if (p.contains(key) && p[key].is_string()) {
          label = detail::LabelText(p[key].get<std::string>());
          if (!label.empty()) break;
        }
      }
      if (p.contains("stroke"))
        if (auto c = CssColour(p["stroke"])) base.pen = *c;
      if (p.contains("fill"))
        if (auto c = CssColour(p["fill"])) base.fill = *c;
      if (p.contains("stroke-width") && p["stroke-width"].is_number()) {
        const double w = p["stroke-width"].get<double>();
        if (w >= 0) base.width = std::min(w, 50.0);
      }
      if (!label.empty()) where_ += " (\"" + label + "\")";
    }
    if (!f.contains("geometry") || f["geometry"].is_null()) return true;  // nothing to draw
    const std::size_t before = result_.items.size();
    if (!Geometry(f["geometry"], base, label, 0, error)) return false;
    features_ += result_.items.size() > before;
    return true;
  }

  bool Position(const json& v, LonLat* p, std::string* error) {
    if (!v.is_array() || v.size() < 2 || !v[0].is_number() || !v[1].is_number()) {
      *error = where_ + " has a position that is not [longitude, latitude]";
      return false;
    }
    p->lon = v[0].get<double>();
    p->lat = v[1].get<double>();
    if (!detail::OnEarth(p->lon, p->lat)) {
      *error = where_ + " has the position [" + v[0].dump() + ", " + v[1].dump() +
               "], which lies off the earth";
      return false;
    }
    return true;
  }

  bool Positions(const json& v, std::size_t at_least, const char* what, std::vector<LonLat>* out,
                 std::string* error) {
    if (!v.is_array()) {
      *error = where_ + " has a " + what + " whose coordinates are not a list";
      return false;
    }
    for (const json& p : v)
      if (!Position(p, &out->emplace_back(), error)) return false;
    if (out->size() < at_least) {
      *error =
          where_ + " has a " + what + " of fewer than " + std::to_string(at_least) + " positions";
      return false;
    }
    return true;
  }

  bool Polygon(const json& rings, const Item& base, std::string* error) {
    if (!rings.is_array() || rings.empty()) {
      *error = where_ + " has a Polygon without rings";
      return false;
    }
    Item item = base;
    item.kind = Item::Kind::kArea;
    if (!Positions(rings[0], 3, "polygon ring", &item.points, error)) return false;
    for (std::size_t i = 1; i < rings.size(); ++i)
      if (!Positions(rings[i], 3, "polygon ring", &item.holes.emplace_back(), error)) return false;
    result_.items.push_back(std::move(item));
    ++polygons_;
    return true;
  }

  bool Geometry(const json& g, const Item& base, const std::string& label, int depth,
                std::string* error) {
    if (!g.is_object() || !g.contains("type") || !g["type"].is_string()) {
      *error = where_ + " has a geometry without a \"type\"";
      return false;
    }
    const std::string type = g["type"].get<std::string>();
    if (type == "GeometryCollection") {
      if (depth >= kMaxNesting || !g.contains("geometries") || !g["geometries"].is_array()) {
        *error = where_ + " has a GeometryCollection without a usable \"geometries\" list";
        return false;
      }
      for (const json& part : g["geometries"])
        if (!Geometry(part, base, label, depth + 1, error)) return false;
      return true;
    }
    static const json kNone = json::array();
    const json& c = g.contains("coordinates") ? g["coordinates"] : kNone;
    auto each = [&](auto&& one) {
      if (!c.is_array()) {
        *error = where_ + " has a " + type + " whose coordinates are not a list";
        return false;
      }
      for (const json& part : c)
        if (!one(part)) return false;
      return true;
    };
    auto point = [&](const json& v) {
      Item item = base;
      item.kind = Item::Kind::kPoint;
      item.label = label;
      if (!Position(v, &item.points.emplace_back(), error)) return false;
      result_.items.push_back(std::move(item));
      ++points_;
      return true;
    };
    auto line = [&](const json& v) {
      Item item = base;
      if (!Positions(v, 2, "LineString", &item.points, error)) return false;
      result_.items.push_back(std::move(item));
      ++lines_;
      return true;
    };
    auto polygon = [&](const json& v) { return Polygon(v, base, error); };
    if (type == "Point") return point(c);
    if (type == "MultiPoint") return each(point);
    if (type == "LineString") return line(c);
    if (type == "MultiLineString") return each(line);
    if (type == "Polygon") return polygon(c);
    if (type == "MultiPolygon") return each(polygon);
    *error = where_ + " has the unknown geometry type \"" + detail::LabelText(type) + "\"";
    return false;
  }

  std::string where_;
  Imported result_;
  std::size_t features_ = 0, points_ = 0, lines_ = 0, polygons_ = 0;
};

long LineAt(std::string_view bytes, std::size_t at) {
  long line = 1;
  for (std::size_t i = 0; i < at && i < bytes.size(); ++i) line += bytes[i] == '\n';
  return line;
}

}  // namespace

bool ReadGeoJson(std::string_view bytes, Imported* out, std::string* error) {
  if (!detail::LooksLikeJson(bytes)) {
    *error = "it is not a GeoJSON file (it does not start with JSON)";
    return false;
  }
  json doc;
  try {
    doc = json::parse(bytes.begin(), bytes.end());
  } catch (const json::parse_error& e) {
    std::string why = e.what();
    // "[json.exception.parse_error.101] parse error at line 1, column 5: syntax error ..."
    const auto colon = why.find(": ");
    why = colon == std::string::npos ? "syntax error" : why.substr(colon + 2);
    *error = "line " + std::to_string(LineAt(bytes, e.byte > 0 ? e.byte - 1 : 0)) +
             ": the JSON is malformed (" + detail::LabelText(why) + ")";
    return false;
  } catch (const std::exception&) {
    *error = "the JSON cannot be read";
    return false;
  }
  try {
    return GeoJsonReader().Read(doc, out, error);
  } catch (const json::exception&) {
    *error = "it is not GeoJSON";
    return false;
  }
}

}  // namespace k9::overlay_import
