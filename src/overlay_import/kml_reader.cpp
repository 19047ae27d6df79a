// KML 2.2: the placemarks of every Document and Folder, with their points, lines,
// rings, polygons (holes kept) and multi-geometries, coloured by their shared
// (Style, StyleMap "normal") or inline styles. Icons, labels' styles, times,
// altitudes, extended data and network links are not kept.
#include <charconv>
#include <cstring>
#include <map>
#include <optional>

#include "overlay_import/readers.h"
#include "overlay_import/xml_tree.h"

namespace k9::overlay_import {
namespace {

struct Style {
  std::optional<std::uint32_t> line_colour, fill_colour;
  std::optional<double> width;
  std::optional<bool> fill, outline;
};

void Merge(const Style& over, Style* base) {
  if (over.line_colour) base->line_colour = over.line_colour;
  if (over.fill_colour) base->fill_colour = over.fill_colour;
  if (over.width) base->width = over.width;
  if (over.fill) base->fill = over.fill;
  if (over.outline) base->outline = over.outline;
}

std::string Stripped(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

// "aabbggrr"; a fully transparent colour is none. Anything else is ignored.
std::optional<std::uint32_t> KmlColour(const std::string& text, bool* transparent) {
  std::string s = Stripped(text);
  if (!s.empty() && s[0] == '#') s.erase(0, 1);
  std::uint32_t v = 0;
  const auto res = std::from_chars(s.data(), s.data() + s.size(), v, 16);
  if (s.size() != 8 || res.ec != std::errc() || res.ptr != s.data() + s.size()) return std::nullopt;
  *transparent = (v >> 24) == 0;
  return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

std::optional<double> Number(const std::string& text) {
  const std::string s = Stripped(text);
  double v = 0;
  const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || res.ec != std::errc() || res.ptr != s.data() + s.size()) return std::nullopt;
  return v;
}

std::optional<bool> Flag(const XmlElement* e) {
  if (e == nullptr) return std::nullopt;
  const std::string s = Stripped(e->text);
  if (s == "0" || s == "false") return false;
  if (s == "1" || s == "true") return true;
  return std::nullopt;
}

Style ReadStyle(const XmlElement& e) {
  Style s;
  bool transparent = false;
  if (const XmlElement* line = e.Child("LineStyle")) {
    if (const XmlElement* c = line->Child("color")) {
      s.line_colour = KmlColour(c->text, &transparent);
      if (s.line_colour && transparent) s.width = 0;
    }
    if (const XmlElement* w = line->Child("width")) {
      if (auto v = Number(w->text); v && *v >= 0 && !(s.width && *s.width == 0))
        s.width = std::min(*v, 50.0);
    }
  }
  if (const XmlElement* poly = e.Child("PolyStyle")) {
    if (const XmlElement* c = poly->Child("color")) {
      s.fill_colour = KmlColour(c->text, &transparent);
      if (s.fill_colour && transparent) s.fill = false;
    }
    if (auto f = Flag(poly->Child("fill"))) s.fill = *f && s.fill.value_or(true);
    s.outline = Flag(poly->Child("outline"));
  }
  return s;
}

class KmlReader {
 public:
  bool Read(const XmlElement& root, Imported* out, std::string* error) {
    CollectStyles(root, 0);
    // StyleMaps name their "normal" style; resolved once every Style is known.
    for (const auto& [id, target] : style_maps_) {
      auto found = styles_.find(target);
      if (found != styles_.end()) styles_[id] = found->second;
    }
    if (!Walk(root, 0, error)) return false;
    if (result_.items.empty()) {
      *error = "it holds no placemark with a point, line or polygon to draw";
      return false;
    }
    std::vector<std::string> parts;
    parts.push_back(detail::Counted(placemarks_, "placemark", "placemarks"));
    if (points_ > 0) parts.push_back(detail::Counted(points_, "point", "points"));
    if (lines_ > 0) parts.push_back(detail::Counted(lines_, "line", "lines"));
    if (polygons_ > 0) parts.push_back(detail::Counted(polygons_, "polygon", "polygons"));
    result_.held = parts[0] + " (";
    for (std::size_t i = 1; i < parts.size(); ++i) result_.held += (i > 1 ? ", " : "") + parts[i];
    result_.held += ")";
    *out = std::move(result_);
    return true;
  }

 private:
  void CollectStyles(const XmlElement& e, int depth) {
    for (const XmlElement& c : e.children) {
      const std::string* id = c.Attribute("id");
      if (c.name == "Style" && id != nullptr) {
        styles_[*id] = ReadStyle(c);
      } else if (c.name == "StyleMap" && id != nullptr) {
        for (const XmlElement& pair : c.children) {
          if (pair.name != "Pair" || Stripped(pair.ChildText("key")) != "normal") continue;
          if (const XmlElement* inline_style = pair.Child("Style"))
            styles_[*id] = ReadStyle(*inline_style);
          else
            style_maps_[*id] = Target(pair.ChildText("styleUrl"));
        }
      } else if (c.name != "Placemark") {
        CollectStyles(c, depth + 1);
      }
    }
  }

  static std::string Target(const std::string& url) {
    const std::string s = Stripped(url);
    const auto hash = s.find('#');
    return hash == std::string::npos ? s : s.substr(hash + 1);
  }

  bool Walk(const XmlElement& e, int depth, std::string* error) {
    for (const XmlElement& c : e.children) {
      if (c.name == "Placemark") {
        if (!ReadPlacemark(c, error)) return false;
      } else if (c.name == "Document" || c.name == "Folder" || c.name == "kml") {
        if (!Walk(c, depth + 1, error)) return false;
      }
    }
    return true;
  }

  bool ReadPlacemark(const XmlElement& p, std::string* error) {
    Style style;
    if (const XmlElement* url = p.Child("styleUrl")) {
      auto found = styles_.find(Target(url->text));
      if (found != styles_.end()) style = found->second;
    }
    if (const XmlElement* own = p.Child("Style")) Merge(ReadStyle(*own), &style);
    if (const XmlElement* map = p.Child("StyleMap")) {
      for (const XmlElement& pair : map->children)
        if (pair.name == "Pair" && Stripped(pair.ChildText("key")) == "normal" &&
            pair.Child("Style") != nullptr)
          Merge(ReadStyle(*pair.Child("Style")), &style);
    }
    Item base;
    if (style.line_colour) base.pen = *style.line_colour;
    if (style.width) base.width = *style.width;
    if (style.fill_colour) base.fill = *style.fill_colour;
    const std::size_t before = result_.items.size();
    for (const XmlElement& g : p.children)
      if (!ReadGeometry(g, base, style, detail::LabelText(p.ChildText("name")), error))
        return false;
    placemarks_ += result_.items.size() > before;
    return true;
  }

  bool Coordinates(const XmlElement* e, std::size_t at_least, const char* what,
                   std::vector<LonLat>* out, std::string* error) {
    if (e == nullptr) {
      *error = std::string("a <") + what + "> has no <coordinates>";
      return false;
    }
    const std::string& s = e->text;
    std::size_t i = 0;
    while (i < s.size()) {
      while (i < s.size() && std::strchr(" \t\r\n", s[i]) != nullptr) ++i;
      if (i >= s.size()) break;
      std::size_t end = i;
      while (end < s.size() && std::strchr(" \t\r\n", s[end]) == nullptr) ++end;
      const std::string tuple = s.substr(i, end - i);
      i = end;
      LonLat p;
      const char* b = tuple.data();
      const char* last = tuple.data() + tuple.size();
      auto r1 = std::from_chars(b, last, p.lon);
      bool ok = r1.ec == std::errc() && r1.ptr < last && *r1.ptr == ',';
      if (ok) {
        auto r2 = std::from_chars(r1.ptr + 1, last, p.lat);
        ok = r2.ec == std::errc() && (r2.ptr == last || *r2.ptr == ',');
      }
      if (!ok) {
        *error = "line " + std::to_string(e->line) + ": <coordinates> holds \"" +
                 tuple.substr(0, 40) + "\", which is not longitude,latitude";
        return false;
      }
      if (!detail::OnEarth(p.lon, p.lat)) {
        *error = "line " + std::to_string(e->line) + ": <coordinates> holds the point " +
                 tuple.substr(0, 40) + ", which lies off the earth";
        return false;
      }
      out->push_back(p);
    }
    if (out->size() < at_least) {
      *error = "line " + std::to_string(e->line) + ": a <" + what + "> needs at least " +
               std::to_string(at_least) + " points";
      return false;
    }
    return true;
  }

  bool Ring(const XmlElement* boundary, std::vector<LonLat>* out, std::string* error) {
    const XmlElement* ring = boundary != nullptr ? boundary->Child("LinearRing") : nullptr;
    if (ring == nullptr) {
      *error = "line " + std::to_string(boundary != nullptr ? boundary->line : 0) +
               ": a polygon boundary has no <LinearRing>";
      return false;
    }
    return Coordinates(ring->Child("coordinates"), 3, "LinearRing", out, error);
  }

  bool ReadGeometry(const XmlElement& g, const Item& base, const Style& style,
                    const std::string& name, std::string* error) {
    Item item = base;
    if (g.name == "Point") {
      item.kind = Item::Kind::kPoint;
      if (!Coordinates(g.Child("coordinates"), 1, "Point", &item.points, error)) return false;
      item.points.resize(1);
      item.label = name;
      ++points_;
    } else if (g.name == "LineString") {
      if (!Coordinates(g.Child("coordinates"), 2, "LineString", &item.points, error)) return false;
      ++lines_;
    } else if (g.name == "LinearRing") {
      if (!Coordinates(g.Child("coordinates"), 3, "LinearRing", &item.points, error)) return false;
      if (item.points.front().lon != item.points.back().lon ||
          item.points.front().lat != item.points.back().lat)
        item.points.push_back(item.points.front());
      ++lines_;
    } else if (g.name == "Polygon") {
      if (!Ring(g.Child("outerBoundaryIs"), &item.points, error)) return false;
      for (const XmlElement& inner : g.children) {
        if (inner.name != "innerBoundaryIs") continue;
        for (const XmlElement& ring : inner.children) {
          if (ring.name != "LinearRing") continue;
          if (!Coordinates(ring.Child("coordinates"), 3, "LinearRing", &item.holes.emplace_back(),
                           error))
            return false;
        }
      }
      item.kind = Item::Kind::kArea;
      if (style.outline && !*style.outline) item.width = 0;
      ++polygons_;
      if (style.fill && !*style.fill) {
        // Outline only: the rings as closed lines.
        if (item.width == 0) return true;
        std::vector<std::vector<LonLat>> rings{item.points};
        rings.insert(rings.end(), item.holes.begin(), item.holes.end());
        for (auto& r : rings) {
          Item line = base;
          line.points = std::move(r);
          result_.items.push_back(std::move(line));
        }
        return true;
      }
    } else if (g.name == "MultiGeometry") {
      for (const XmlElement& part : g.children)
        if (!ReadGeometry(part, base, style, name, error)) return false;
      return true;
    } else {
      return true;  // not a geometry, or one not drawn (gx:Track, Model)
    }
    result_.items.push_back(std::move(item));
    return true;
  }

  std::map<std::string, Style> styles_;
  std::map<std::string, std::string> style_maps_;
  Imported result_;
  std::size_t placemarks_ = 0, points_ = 0, lines_ = 0, polygons_ = 0;
};

}  // namespace

bool ReadKml(std::string_view bytes, Imported* out, std::string* error) {
  if (!detail::LooksLikeXml(bytes)) {
    *error = "it is not a KML file (it does not start with XML)";
    return false;
  }
  XmlElement root;
  if (!ParseXml(bytes, &root, error)) return false;
  if (root.name != "kml" && root.name != "Document" && root.name != "Folder") {
    *error = "it is not a KML file (its first element is <" + root.name + ">, not <kml>)";
    return false;
  }
  XmlElement top;
  top.children.push_back(std::move(root));
  return KmlReader().Read(top, out, error);
}

}  // namespace k9::overlay_import
