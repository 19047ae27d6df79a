#include "engine/map_data.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <unordered_set>

namespace k9::engine {
namespace {

// Bounds-checked little-endian reader.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool ok() const { return ok_; }
  std::size_t remaining() const { return bytes_.size() - pos_; }

  std::uint32_t U32() {
    if (remaining() < 4) return Fail();
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes_[pos_ + i]);
    pos_ += 4;
    return v;
  }
  std::uint8_t U8() {
    if (remaining() < 1) return static_cast<std::uint8_t>(Fail());
    return static_cast<unsigned char>(bytes_[pos_++]);
  }
  float F32() {
    const std::uint32_t bits = U32();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }
  std::string Str() {
    const std::uint32_t n = U32();
    if (!ok_ || n > remaining()) {
      Fail();
      return {};
    }
    std::string s(bytes_.substr(pos_, n));
    pos_ += n;
    return s;
  }
  std::uint32_t Varint() {
    std::uint32_t v = 0;
    for (int shift = 0; shift < 35; shift += 7) {
      if (remaining() < 1) return Fail();
      const auto b = static_cast<unsigned char>(bytes_[pos_++]);
      v |= static_cast<std::uint32_t>(b & 0x7F) << shift;
      if ((b & 0x80) == 0) return v;
    }
    return Fail();
  }
  std::int32_t Zigzag() {
    const std::uint32_t v = Varint();
    return static_cast<std::int32_t>((v >> 1) ^ (~(v & 1) + 1));
  }
  bool Magic(std::string_view magic) {
    if (remaining() < magic.size() || bytes_.substr(pos_, magic.size()) != magic) {
      Fail();
      return false;
    }
    pos_ += magic.size();
    return true;
  }
  std::uint32_t Fail() {
    ok_ = false;
    pos_ = bytes_.size();
    return 0;
  }

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

std::vector<std::string_view> Split(std::string_view line, char sep) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  while (true) {
    const std::size_t at = line.find(sep, start);
    if (at == std::string_view::npos) {
      out.push_back(line.substr(start));
      return out;
    }
    out.push_back(line.substr(start, at - start));
    start = at + 1;
  }
}

// Calls `fn` for every line without its end, skipping blank and "#" lines.
template <typename Fn>
bool ForEachLine(std::string_view text, Fn fn) {
  std::size_t start = 0;
  std::size_t number = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    start = end + 1;
    ++number;
    if (line.empty() || line[0] == '#') continue;
    if (!fn(line, number)) return false;
  }
  return true;
}

bool ToDouble(std::string_view s, double* out) {
  const auto res = std::from_chars(s.data(), s.data() + s.size(), *out);
  return res.ec == std::errc() && res.ptr == s.data() + s.size() && std::isfinite(*out);
}

template <typename T>
bool ToInt(std::string_view s, T* out) {
  const auto res = std::from_chars(s.data(), s.data() + s.size(), *out);
  return res.ec == std::errc() && res.ptr == s.data() + s.size();
}

bool ValidLonLat(double x, double y) {
  return std::isfinite(x) && std::isfinite(y) && x >= -360 && x <= 360 && y >= -90 && y <= 90;
}

std::int64_t CellKey(int cx, int cy) {
  return (static_cast<std::int64_t>(cx) << 32) ^ static_cast<std::uint32_t>(cy);
}

}  // namespace

void PolygonLayer::BuildIndex() {
  grid.clear();
  bounds = {1e9, 1e9, -1e9, -1e9};
  for (std::uint32_t i = 0; i < features.size(); ++i) {
    const Box& b = features[i].box;
    bounds = {std::min(bounds.west, b.west), std::min(bounds.south, b.south),
              std::max(bounds.east, b.east), std::max(bounds.north, b.north)};
    const int x0 = static_cast<int>(std::floor(b.west / cell));
    const int x1 = static_cast<int>(std::floor(b.east / cell));
    const int y0 = static_cast<int>(std::floor(b.south / cell));
    const int y1 = static_cast<int>(std::floor(b.north / cell));
    for (int cx = x0; cx <= x1; ++cx)
      for (int cy = y0; cy <= y1; ++cy) grid[CellKey(cx, cy)].push_back(i);
  }
}

std::vector<std::uint32_t> PolygonLayer::Query(const Box& view) const {
  std::vector<std::uint32_t> out;
  const double west = std::max(view.west, -400.0), east = std::min(view.east, 400.0);
  const double south = std::max(view.south, -90.0), north = std::min(view.north, 90.0);
  if (!(west <= east) || !(south <= north)) return out;
  const int x0 = static_cast<int>(std::floor(west / cell));
  const int x1 = static_cast<int>(std::floor(east / cell));
  const int y0 = static_cast<int>(std::floor(south / cell));
  const int y1 = static_cast<int>(std::floor(north / cell));
  if (static_cast<std::int64_t>(x1 - x0 + 1) * (y1 - y0 + 1) >
      static_cast<std::int64_t>(grid.size())) {
    // Large views: a straight pass is cheaper than visiting every cell.
    for (std::uint32_t i = 0; i < features.size(); ++i)
      if (features[i].box.Intersects(view)) out.push_back(i);
    return out;
  }
  for (int cx = x0; cx <= x1; ++cx) {
    for (int cy = y0; cy <= y1; ++cy) {
      const auto it = grid.find(CellKey(cx, cy));
      if (it == grid.end()) continue;
      for (std::uint32_t i : it->second)
        if (features[i].box.Intersects(view)) out.push_back(i);
    }
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

int PolygonLayer::LevelFor(double degrees_per_pixel) const {
  int level = 0;
  for (int l = 1; l < kLevels; ++l)
    if (tolerance[l] > 0 && tolerance[l] <= degrees_per_pixel * 2) level = l;
  return level;
}

bool ParsePolygonLayer(std::string_view bytes, PolygonLayer* layer, std::string* error) {
  layer->features.clear();
  layer->grid.clear();
  Reader r(bytes);
  if (!r.Magic(std::string_view("K9MAP1\0\0", 8))) {
    *error = "not a map layer file";
    return false;
  }
  const std::uint32_t levels = r.U32();
  const std::uint32_t count = r.U32();
  if (!r.ok() || levels != kLevels || count > r.remaining() / 16) {
    *error = "map layer header is damaged";
    return false;
  }
  std::vector<Feature> features(count);
  for (auto& f : features) {
    f.name = r.Str();
    f.code = r.Str();
    f.box.west = r.F32();
    f.box.south = r.F32();
    f.box.east = r.F32();
    f.box.north = r.F32();
    // A box must lie on the earth (longitudes may run past the date line by a turn):
    // the spatial index visits every cell of it.
    if (!r.ok() || !(f.box.west <= f.box.east) || !(f.box.south <= f.box.north) ||
        f.box.west < -540 || f.box.east > 540 || f.box.south < -90 || f.box.north > 90) {
      *error = "map layer feature is damaged";
      return false;
    }
    for (auto& rings : f.levels) {
      const std::uint32_t ring_count = r.U32();
      if (!r.ok() || ring_count > r.remaining()) {
        *error = "map layer ring count is damaged";
        return false;
      }
      rings.resize(ring_count);
      for (auto& ring : rings) {
        const std::uint32_t n = r.U32();
        // Every point takes at least two bytes.
        if (!r.ok() || n > r.remaining() / 2) {
          *error = "map layer point count is damaged";
          return false;
        }
        ring.resize(n);
        std::int64_t x = 0, y = 0;
        for (auto& p : ring) {
          x += r.Zigzag();
          y += r.Zigzag();
          p.x = static_cast<float>(static_cast<double>(x) * 1e-5);
          p.y = static_cast<float>(static_cast<double>(y) * 1e-5);
        }
        if (!r.ok()) {
          *error = "map layer points are truncated";
          return false;
        }
      }
    }
  }
  if (r.remaining() != 0) {
    *error = "map layer has trailing bytes";
    return false;
  }
  layer->features = std::move(features);
  layer->BuildIndex();
  return true;
}

bool ParsePlaces(std::string_view text, std::vector<Place>* places, std::string* error) {
  std::vector<Place> out;
  const bool ok = ForEachLine(text, [&](std::string_view line, std::size_t number) {
    const auto f = Split(line, '\t');
    Place p;
    if (f.size() != 6 || f[0].empty() || !ToDouble(f[3], &p.x) || !ToDouble(f[4], &p.y) ||
        !ToInt(f[5], &p.rank) || !ValidLonLat(p.x, p.y)) {
      *error = "places: line " + std::to_string(number) + " is damaged";
      return false;
    }
    p.name = f[0];
    p.state = f[1];
    p.county = f[2];
    out.push_back(std::move(p));
    return true;
  });
  if (!ok) return false;
  *places = std::move(out);
  return true;
}

bool ParseZips(std::string_view text, std::size_t place_count, std::vector<ZipCode>* zips,
               std::string* error) {
  std::vector<ZipCode> out;
  const bool ok = ForEachLine(text, [&](std::string_view line, std::size_t number) {
    const auto f = Split(line, '\t');
    ZipCode z;
    if (f.size() != 4 || f[0].size() != 5 || !ToInt(f[1], &z.place) || z.place >= place_count ||
        !ToDouble(f[2], &z.x) || !ToDouble(f[3], &z.y) || !ValidLonLat(z.x, z.y)) {
      *error = "zips: line " + std::to_string(number) + " is damaged";
      return false;
    }
    z.zip = f[0];
    out.push_back(std::move(z));
    return true;
  });
  if (!ok) return false;
  std::sort(out.begin(), out.end(),
            [](const ZipCode& a, const ZipCode& b) { return a.zip < b.zip; });
  *zips = std::move(out);
  return true;
}

bool ParsePhone(std::string_view bytes, std::size_t place_count,
                std::unordered_map<int, PhoneArea>* areas, std::string* error) {
  areas->clear();
  Reader r(bytes);
  if (!r.Magic(std::string_view("K9PHO1\0\0", 8))) {
    *error = "not a phone prefix file";
    return false;
  }
  const std::uint32_t count = r.U32();
  std::unordered_map<int, PhoneArea> out;
  for (std::uint32_t i = 0; r.ok() && i < count; ++i) {
    const std::uint32_t npa = r.U32();
    const std::uint32_t n = r.U32();
    if (!r.ok() || npa < 200 || npa > 999 || n > 255 || n * 4 > r.remaining()) {
      *error = "phone prefix file is damaged";
      return false;
    }
    PhoneArea area;
    area.places.resize(n);
    for (auto& p : area.places) {
      p = r.U32();
      if (p >= place_count) {
        *error = "phone prefix file names an unknown place";
        return false;
      }
    }
    for (auto& e : area.exchange) {
      e = r.U8();
      if (e != 255 && e >= n) r.Fail();
    }
    if (!r.ok()) break;
    out[static_cast<int>(npa)] = std::move(area);
  }
  if (!r.ok() || r.remaining() != 0) {
    *error = "phone prefix file is damaged";
    return false;
  }
  *areas = std::move(out);
  return true;
}

bool ParseRoads(std::string_view text, std::vector<Road>* roads, std::string* error) {
  std::vector<Road> out;
  const bool ok = ForEachLine(text, [&](std::string_view line, std::size_t number) {
    const auto tab = line.find('\t');
    Road road;
    if (tab == std::string_view::npos || tab == 0) {
      *error = "interstates: line " + std::to_string(number) + " is damaged";
      return false;
    }
    road.name = line.substr(0, tab);
    road.box = {1e9, 1e9, -1e9, -1e9};
    for (std::string_view pair : Split(line.substr(tab + 1), ' ')) {
      if (pair.empty()) continue;
      const auto comma = pair.find(',');
      double x = 0, y = 0;
      if (comma == std::string_view::npos || !ToDouble(pair.substr(0, comma), &x) ||
          !ToDouble(pair.substr(comma + 1), &y) || !ValidLonLat(x, y)) {
        *error = "interstates: line " + std::to_string(number) + " has a bad point";
        return false;
      }
      road.points.push_back({static_cast<float>(x), static_cast<float>(y)});
      road.box.west = std::min(road.box.west, x);
      road.box.east = std::max(road.box.east, x);
      road.box.south = std::min(road.box.south, y);
      road.box.north = std::max(road.box.north, y);
    }
    if (road.points.size() >= 2) out.push_back(std::move(road));
    return true;
  });
  if (!ok) return false;
  *roads = std::move(out);
  return true;
}

bool ParseCities(std::string_view text, std::vector<City>* cities,
                 std::unordered_map<std::string, std::string>* countries, std::string* error) {
  std::vector<City> out;
  std::unordered_map<std::string, std::string> names;
  const bool ok = ForEachLine(text, [&](std::string_view line, std::size_t number) {
    const auto f = Split(line, '\t');
    if (line[0] == '=') {
      if (f.size() != 2 || f[0].size() != 3 || f[1].empty()) {
        *error = "cities: line " + std::to_string(number) + " is damaged";
        return false;
      }
      names[std::string(f[0].substr(1))] = f[1];
      return true;
    }
    City c;
    if (f.size() != 6 || f[0].empty() || f[1].size() != 2 || !ToDouble(f[3], &c.x) ||
        !ToDouble(f[4], &c.y) || !ToInt(f[5], &c.population) || c.population < 0 ||
        !ValidLonLat(c.x, c.y)) {
      *error = "cities: line " + std::to_string(number) + " is damaged";
      return false;
    }
    c.name = f[0];
    c.upper = c.name;
    for (char& ch : c.upper) {
      const auto u = static_cast<unsigned char>(ch);
      // Windows-1252 lower-case letters, ASCII and accented alike (not the division sign).
      if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7))
        ch = static_cast<char>(u - 0x20);
    }
    c.country = f[1];
    c.state = f[2];
    out.push_back(std::move(c));
    return true;
  });
  if (!ok) return false;
  std::stable_sort(out.begin(), out.end(),
                   [](const City& a, const City& b) { return a.population > b.population; });
  *cities = std::move(out);
  *countries = std::move(names);
  return true;
}

}  // namespace k9::engine
