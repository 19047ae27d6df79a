#include "engine/overlay.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#define STBI_ONLY_JPEG
#define STBI_MAX_DIMENSIONS 16384
#include "stb_image.h"

#include "platform/image_header.h"

namespace k9::engine {
namespace {

// The largest underlay picture decoded: as wide as the decoder allows, and 64
// million pixels (8192 by 8192), as the underlay maker takes. The decoded picture
// is 4 bytes a pixel and a GIF needs twice that again while it is read, which a
// 32-bit host can still find room for.
constexpr std::int64_t kMaxUnderlaySide = STBI_MAX_DIMENSIONS;
constexpr std::int64_t kMaxUnderlayPixels = std::int64_t{64} << 20;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> Split(std::string_view line, char sep) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  while (true) {
    const std::size_t at = line.find(sep, start);
    if (at == std::string_view::npos) {
      out.push_back(Trim(line.substr(start)));
      return out;
    }
    out.push_back(Trim(line.substr(start, at - start)));
    start = at + 1;
  }
}

bool Number(std::string_view s, double* out) {
  s = Trim(s);
  const auto res = std::from_chars(s.data(), s.data() + s.size(), *out);
  return res.ec == std::errc() && res.ptr == s.data() + s.size() && std::isfinite(*out);
}

bool LonLat(std::string_view xs, std::string_view ys, GeoPoint* p) {
  double x = 0, y = 0;
  if (!Number(xs, &x) || !Number(ys, &y) || x < -540 || x > 540 || y < -90 || y > 90) return false;
  p->x = static_cast<float>(x);
  p->y = static_cast<float>(y);
  return true;
}

bool Colour(std::string_view r, std::string_view g, std::string_view b, std::uint32_t* out) {
  double c[3];
  if (!Number(r, &c[0]) || !Number(g, &c[1]) || !Number(b, &c[2])) return false;
  for (double v : c)
    if (v < 0 || v > 255) return false;
  *out = (static_cast<std::uint32_t>(c[0]) << 16) | (static_cast<std::uint32_t>(c[1]) << 8) |
         static_cast<std::uint32_t>(c[2]);
  return true;
}

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

constexpr std::size_t kMaxItems = 1'000'000;

// ".OVR": "K9OVR 1" first, then one keyword line per item; points are "lon,lat"
// separated by blanks.
bool ParseOvrLine(std::string_view line, OverlayItem* style, Overlay* out, std::string* why) {
  const auto space = line.find_first_of(" \t");
  const std::string key = Upper(line.substr(0, space));
  const std::string_view rest = space == std::string_view::npos ? "" : Trim(line.substr(space));
  auto points = [&](std::string_view text, std::vector<GeoPoint>* pts) {
    for (std::string_view pair : Split(text, ' ')) {
      if (pair.empty()) continue;
      const auto c = Split(pair, ',');
      GeoPoint p;
      if (c.size() != 2 || !LonLat(c[0], c[1], &p)) return false;
      pts->push_back(p);
    }
    return true;
  };
  if (key == "PEN") {
    const auto f = Split(rest, ',');
    double w = 0;
    if (f.size() != 4 || !Colour(f[0], f[1], f[2], &style->pen) || !Number(f[3], &w) || w < 0 ||
        w > 50) {
      *why = "PEN needs red,green,blue,width";
      return false;
    }
    style->width = w;
    return true;
  }
  if (key == "BRUSH") {
    const auto f = Split(rest, ',');
    if (f.size() != 3 || !Colour(f[0], f[1], f[2], &style->fill)) {
      *why = "BRUSH needs red,green,blue";
      return false;
    }
    return true;
  }
  if (key == "HOLE") {
    if (out->items.empty() || out->items.back().kind != OverlayItem::Kind::kArea) {
      *why = "HOLE must follow an AREA or another HOLE";
      return false;
    }
    std::vector<GeoPoint> ring;
    if (!points(rest, &ring) || ring.size() < 3) {
      *why = "HOLE needs at least three lon,lat points";
      return false;
    }
    out->items.back().holes.push_back(std::move(ring));
    return true;
  }
  OverlayItem item = *style;
  if (key == "LINE" || key == "AREA") {
    item.kind = key == "LINE" ? OverlayItem::Kind::kLine : OverlayItem::Kind::kArea;
    if (!points(rest, &item.points) || item.points.size() < (key == "LINE" ? 2u : 3u)) {
      *why = key + " needs at least " + (key == "LINE" ? "two" : "three") + " lon,lat points";
      return false;
    }
  } else if (key == "POINT" || key == "TEXT") {
    item.kind = key == "POINT" ? OverlayItem::Kind::kPoint : OverlayItem::Kind::kText;
    const auto blank = rest.find_first_of(" \t");
    const auto c = Split(rest.substr(0, blank), ',');
    GeoPoint p;
    if (c.size() != 2 || !LonLat(c[0], c[1], &p)) {
      *why = key + " needs a lon,lat point";
      return false;
    }
    item.points.push_back(p);
    item.text = blank == std::string_view::npos ? "" : std::string(Trim(rest.substr(blank)));
    if (item.kind == OverlayItem::Kind::kText && item.text.empty()) {
      *why = "TEXT needs a text after its point";
      return false;
    }
  } else {
    *why = "unknown keyword \"" + key + "\"";
    return false;
  }
  out->items.push_back(std::move(item));
  return true;
}

// ".CAD": "K9CAD,1" first, then comma-separated records: "C,r,g,b,width" sets the
// colour, "L,x1,y1,x2,y2,..." a polyline, "A,x1,y1,..." a filled area (its fill is
// the colour lightened), "P,x,y,label" a marked point, "T,x,y,text" a text.
bool ParseCadLine(std::string_view line, OverlayItem* style, Overlay* out, std::string* why) {
  const auto f = Split(line, ',');
  const std::string key = Upper(f[0]);
  if (key == "C") {
    double w = 0;
    if (f.size() != 5 || !Colour(f[1], f[2], f[3], &style->pen) || !Number(f[4], &w) || w < 0 ||
        w > 50) {
      *why = "C needs red,green,blue,width";
      return false;
    }
    style->width = w;
    const std::uint32_t p = style->pen;
    auto lighten = [](std::uint32_t c) { return c + (255 - c) * 3 / 4; };
    style->fill =
        (lighten((p >> 16) & 0xFF) << 16) | (lighten((p >> 8) & 0xFF) << 8) | lighten(p & 0xFF);
    return true;
  }
  OverlayItem item = *style;
  if (key == "L" || key == "A") {
    item.kind = key == "L" ? OverlayItem::Kind::kLine : OverlayItem::Kind::kArea;
    if (f.size() % 2 != 1) {
      *why = key + " needs pairs of coordinates";
      return false;
    }
    for (std::size_t i = 1; i + 1 < f.size(); i += 2) {
      GeoPoint p;
      if (!LonLat(f[i], f[i + 1], &p)) {
        *why = key + " has a bad coordinate";
        return false;
      }
      item.points.push_back(p);
    }
    if (item.points.size() < (key == "L" ? 2u : 3u)) {
      *why = key + " has too few points";
      return false;
    }
  } else if (key == "P" || key == "T") {
    item.kind = key == "P" ? OverlayItem::Kind::kPoint : OverlayItem::Kind::kText;
    GeoPoint p;
    if (f.size() < 3 || f.size() > 4 || !LonLat(f[1], f[2], &p) ||
        (key == "T" && (f.size() != 4 || f[3].empty()))) {
      *why = key + " needs x,y" + (key == "T" ? ",text" : "[,label]");
      return false;
    }
    item.points.push_back(p);
    if (f.size() == 4) item.text = f[3];
  } else {
    *why = "unknown record \"" + key + "\"";
    return false;
  }
  out->items.push_back(std::move(item));
  return true;
}

}  // namespace

bool ParseOverlay(std::string_view text, std::string_view extension, Overlay* overlay,
                  std::string* error) {
  const std::string ext = Upper(extension);
  const bool cad = ext == "CAD";
  if (!cad && ext != "OVR") {
    *error = "overlay files end in .OVR or .CAD";
    return false;
  }
  Overlay out;
  OverlayItem style;
  std::size_t start = 0, number = 0;
  bool header = false;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = Trim(text.substr(start, end - start));
    start = end + 1;
    ++number;
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    std::string why;
    if (!header) {
      const std::string h = Upper(line);
      if (h != (cad ? "K9CAD,1" : "K9OVR 1")) {
        *error = std::string("line ") + std::to_string(number) +
                 ": not an overlay file (expected \"" + (cad ? "K9CAD,1" : "K9OVR 1") + "\")";
        return false;
      }
      header = true;
      continue;
    }
    if (line.find('\0') != std::string_view::npos ||
        !(cad ? ParseCadLine(line, &style, &out, &why) : ParseOvrLine(line, &style, &out, &why))) {
      *error = "line " + std::to_string(number) + ": " + (why.empty() ? "bad line" : why);
      return false;
    }
    if (out.items.size() > kMaxItems) {
      *error = "overlay has too many items";
      return false;
    }
  }
  if (!header) {
    *error = "empty overlay file";
    return false;
  }
  double w = std::numeric_limits<double>::max(), s = w, e = -w, n = -w;
  for (const auto& item : out.items) {
    for (const auto& p : item.points) {
      w = std::min<double>(w, p.x);
      e = std::max<double>(e, p.x);
      s = std::min<double>(s, p.y);
      n = std::max<double>(n, p.y);
    }
  }
  if (!out.items.empty()) out.box = {w, s, e, n};
  *overlay = std::move(out);
  return true;
}

std::string CompanionPath(const std::string& image_path) {
  if (image_path.size() < 3) return image_path + "SAT";
  return image_path.substr(0, image_path.size() - 3) + "SAT";
}

bool ParseCompanion(std::string_view text, Underlay* underlay, std::string* error) {
  const std::string_view first = text.substr(0, text.find('\n'));
  const auto f = Split(first, ',');
  double v[4];
  if (f.size() != 4) {
    *error = "the companion's first line must hold four numbers";
    return false;
  }
  for (int i = 0; i < 4; ++i) {
    if (!Number(f[i], &v[i])) {
      *error = "the companion holds a value that is not a number";
      return false;
    }
  }
  if (v[0] >= v[2] || v[1] <= v[3] || v[1] > 90 || v[3] < -90) {
    *error = "the companion's corners do not make a north-west and south-east pair";
    return false;
  }
  underlay->west = v[0];
  underlay->north = v[1];
  underlay->east = v[2];
  underlay->south = v[3];
  return true;
}

bool DecodeImage(std::string_view bytes, Image* image, std::string* error) {
  if (bytes.empty() || bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    *error = "the picture is empty or too large";
    return false;
  }
  // The decoder trusts the header's size; a negative, zero or absurd one is
  // refused before it gets there.
  if (std::string why = CheckImageHeader(bytes, kMaxUnderlaySide, kMaxUnderlayPixels);
      !why.empty()) {
    // Said inside the engine's own sentence about the file: "cannot be used: the
    // BMP header declares ...".
    why.front() = static_cast<char>(std::tolower(static_cast<unsigned char>(why.front())));
    if (why.back() == '.') why.pop_back();
    *error = why;
    return false;
  }
  int w = 0, h = 0, channels = 0;
  unsigned char* data = stbi_load_from_memory(reinterpret_cast<const unsigned char*>(bytes.data()),
                                              static_cast<int>(bytes.size()), &w, &h, &channels, 4);
  if (data == nullptr) {
    *error = std::string("the picture cannot be decoded: ") + stbi_failure_reason();
    return false;
  }
  image->width = w;
  image->height = h;
  image->pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  for (std::size_t i = 0; i < image->pixels.size(); ++i) {
    const unsigned char* p = data + i * 4;
    image->pixels[i] = (static_cast<std::uint32_t>(p[3]) << 24) |
                       (static_cast<std::uint32_t>(p[0]) << 16) |
                       (static_cast<std::uint32_t>(p[1]) << 8) | p[2];
  }
  stbi_image_free(data);
  return true;
}

}  // namespace k9::engine
