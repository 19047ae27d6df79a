#include "streets/street_data.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <random>

namespace k9::streets {
namespace {

constexpr char kMagic[8] = {'K', '9', 'S', 'T', 'R', 'E', 'E', 'T'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeaderSize = 48;
constexpr std::size_t kSectionEntry = 24;
constexpr std::uint32_t kSectionCount = 6;
enum Section : std::uint32_t {
  kStrings = 1,
  kDirectory = 2,
  kTiles = 3,
  kAddresses = 4,
  kInterpolations = 5,
  kNames = 6
};
constexpr std::uint32_t kWriteOrder[kSectionCount] = {0, 1, 3, 4, 5, 2};  // section indices
constexpr std::size_t kTileEntry = 40;
constexpr std::size_t kAddressRecord = 28;
constexpr std::size_t kNameRecord = 28;
// Major roads sit in large tiles, so a view far out reads few; the rest in small ones.
constexpr RoadClass kMajorUpTo = RoadClass::kTertiaryLink;
constexpr double kMajorCell = 0.25;
constexpr double kMinorCell = 0.05;
constexpr double kScale = 1e7;

std::uint32_t Crc(std::string_view bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes lengths as uInt: feed it in pieces.
  while (!bytes.empty()) {
    const std::size_t n = std::min<std::size_t>(bytes.size(), 1u << 30);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(n));
    bytes.remove_prefix(n);
  }
  return static_cast<std::uint32_t>(crc);
}

std::int32_t Fixed(double degrees) {
  return static_cast<std::int32_t>(std::lround(std::clamp(degrees, -180.0, 180.0) * kScale));
}
double Degrees(std::int32_t fixed) { return fixed / kScale; }

// Little-endian writing.
void PutU8(std::string& out, std::uint8_t v) { out.push_back(static_cast<char>(v)); }
void PutU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void PutU64(std::string& out, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void PutI32(std::string& out, std::int32_t v) { PutU32(out, static_cast<std::uint32_t>(v)); }
void PutVarint(std::string& out, std::uint64_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<char>((v & 0x7F) | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<char>(v));
}
void PutSigned(std::string& out, std::int64_t v) {
  PutVarint(out, (static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63));
}
void PutBox(std::string& out, const Box& b) {
  PutI32(out, Fixed(b.west));
  PutI32(out, Fixed(b.south));
  PutI32(out, Fixed(b.east));
  PutI32(out, Fixed(b.north));
}
void PutPoints(std::string& out, const std::vector<GeoPoint>& points) {
  PutVarint(out, points.size());
  std::int64_t px = 0, py = 0;
  for (const GeoPoint& p : points) {
    const std::int64_t x = Fixed(p.x), y = Fixed(p.y);
    PutSigned(out, x - px);
    PutSigned(out, y - py);
    px = x;
    py = y;
  }
}

// Reads what the writer wrote, refusing anything that runs past its bytes.
class Cursor {
 public:
  explicit Cursor(std::string_view bytes) : bytes_(bytes) {}
  bool ok() const { return ok_; }
  bool done() const { return pos_ == bytes_.size(); }
  std::size_t left() const { return bytes_.size() - pos_; }
  void Fail() { ok_ = false; }

  std::uint8_t U8() {
    if (!Need(1)) return 0;
    return static_cast<std::uint8_t>(bytes_[pos_++]);
  }
  std::uint32_t U32() {
    if (!Need(4)) return 0;
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
      v |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes_[pos_ + i])) << (8 * i);
    pos_ += 4;
    return v;
  }
  std::uint64_t U64() {
    const std::uint64_t lo = U32();
    const std::uint64_t hi = U32();
    return lo | (hi << 32);
  }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  std::uint64_t Varint() {
    std::uint64_t v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      if (!Need(1)) return 0;
      const auto b = static_cast<std::uint8_t>(bytes_[pos_++]);
      v |= static_cast<std::uint64_t>(b & 0x7F) << shift;
      if ((b & 0x80) == 0) return v;
    }
    ok_ = false;
    return 0;
  }
  std::int64_t Signed() {
    const std::uint64_t v = Varint();
    return static_cast<std::int64_t>(v >> 1) ^ -static_cast<std::int64_t>(v & 1);
  }
  std::string_view Bytes(std::uint64_t n) {
    if (!Need(n)) return {};
    const std::string_view out = bytes_.substr(pos_, static_cast<std::size_t>(n));
    pos_ += static_cast<std::size_t>(n);
    return out;
  }
  Box ReadBox() {
    Box b;
    b.west = Degrees(I32());
    b.south = Degrees(I32());
    b.east = Degrees(I32());
    b.north = Degrees(I32());
    if (b.west > b.east || b.south > b.north) ok_ = false;
    return b;
  }
  GeoPoint Point() {
    const std::int32_t x = I32(), y = I32();
    return Checked(x, y);
  }
  bool ReadPoints(std::vector<GeoPoint>* points) {
    const std::uint64_t n = Varint();
    // Each point takes at least two bytes.
    if (!ok_ || n > left() / 2) return ok_ = false;
    points->reserve(static_cast<std::size_t>(n));
    std::int64_t x = 0, y = 0;
    for (std::uint64_t i = 0; i < n && ok_; ++i) {
      x += Signed();
      y += Signed();
      if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX) return ok_ = false;
      points->push_back(Checked(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)));
    }
    return ok_;
  }

 private:
  bool Need(std::uint64_t n) {
    if (!ok_ || n > bytes_.size() - pos_) return ok_ = false;
    return true;
  }
  GeoPoint Checked(std::int32_t x, std::int32_t y) {
    if (x < -1800000000 || x > 1800000000 || y < -900000000 || y > 900000000) ok_ = false;
    return {static_cast<float>(Degrees(x)), static_cast<float>(Degrees(y))};
  }
  std::string_view bytes_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

std::int64_t CellOf(double degrees, double cell) {
  return static_cast<std::int64_t>(std::floor(degrees / cell));
}

Box BoxOf(const std::vector<GeoPoint>& points) {
  Box b{points[0].x, points[0].y, points[0].x, points[0].y};
  for (const GeoPoint& p : points) {
    b.west = std::min<double>(b.west, p.x);
    b.east = std::max<double>(b.east, p.x);
    b.south = std::min<double>(b.south, p.y);
    b.north = std::max<double>(b.north, p.y);
  }
  return b;
}

void Grow(Box& b, const Box& o, bool first) {
  if (first) {
    b = o;
    return;
  }
  b.west = std::min(b.west, o.west);
  b.south = std::min(b.south, o.south);
  b.east = std::max(b.east, o.east);
  b.north = std::max(b.north, o.north);
}

std::uint64_t StringRef(std::uint32_t index) { return index == kNoString ? 0 : index + 1ull; }

}  // namespace

DataSetEncoder::DataSetEncoder(const DataSetContents& c) {
  sections_.resize(kSectionCount);
  std::string& strings = sections_[0];
  PutVarint(strings, c.area.name.size());
  strings += c.area.name;
  PutU32(strings, static_cast<std::uint32_t>(c.strings.size()));
  for (const std::string& s : c.strings) {
    PutVarint(strings, s.size());
    strings += s;
  }

  // Streets into tiles: each street in the tile of its box's centre, at its level.
  std::map<std::tuple<int, std::int64_t, std::int64_t>, std::vector<std::uint32_t>> tiles;
  for (std::uint32_t i = 0; i < c.streets.size(); ++i) {
    const Street& s = c.streets[i];
    if (s.points.size() < 2) continue;
    const Box b = BoxOf(s.points);
    const int level = s.road_class <= kMajorUpTo ? 0 : 1;
    const double cell = level == 0 ? kMajorCell : kMinorCell;
    tiles[{level, CellOf((b.west + b.east) / 2, cell), CellOf((b.south + b.north) / 2, cell)}]
        .push_back(i);
  }
  std::string& directory = sections_[1];
  std::string& tile_bytes = sections_[2];
  PutU32(directory, static_cast<std::uint32_t>(tiles.size()));
  for (const auto& [key, members] : tiles) {
    const std::size_t start = tile_bytes.size();
    PutVarint(tile_bytes, members.size());
    Box box;
    std::uint8_t most = 255;
    bool first = true;
    for (std::uint32_t i : members) {
      const Street& s = c.streets[i];
      PutU8(tile_bytes, static_cast<std::uint8_t>(s.road_class));
      PutU8(tile_bytes, s.flags);
      PutVarint(tile_bytes, s.name.size());
      tile_bytes += s.name;
      PutVarint(tile_bytes, s.ref.size());
      tile_bytes += s.ref;
      PutPoints(tile_bytes, s.points);
      Grow(box, BoxOf(s.points), first);
      first = false;
      most = std::min(most, static_cast<std::uint8_t>(s.road_class));
    }
    const std::string_view bytes = std::string_view(tile_bytes).substr(start);
    PutU8(directory, most);
    PutU8(directory, 0);
    PutU8(directory, 0);
    PutU8(directory, 0);
    PutBox(directory, box);
    PutU64(directory, start);
    PutU32(directory, static_cast<std::uint32_t>(bytes.size()));
    PutU32(directory, Crc(bytes));
    PutU32(directory, static_cast<std::uint32_t>(members.size()));
  }

  std::string& addresses = sections_[3];
  PutU32(addresses, static_cast<std::uint32_t>(c.addresses.size()));
  for (const AddressPoint& a : c.addresses) {
    PutU32(addresses, a.street);
    PutU32(addresses, a.number);
    PutU32(addresses, a.city);
    PutU32(addresses, a.zip);
    PutU32(addresses, a.state);
    PutI32(addresses, Fixed(a.pos.x));
    PutI32(addresses, Fixed(a.pos.y));
  }

  std::string& interpolations = sections_[4];
  PutU32(interpolations, static_cast<std::uint32_t>(c.interpolations.size()));
  for (const InterpolationWay& w : c.interpolations) {
    PutVarint(interpolations, StringRef(w.street));
    PutVarint(interpolations, StringRef(w.city));
    PutVarint(interpolations, StringRef(w.zip));
    PutVarint(interpolations, StringRef(w.state));
    PutU8(interpolations, static_cast<std::uint8_t>(w.kind));
    PutVarint(interpolations, w.first_number);
    PutVarint(interpolations, w.last_number);
    PutPoints(interpolations, w.points);
  }

  std::string& names = sections_[5];
  PutU32(names, static_cast<std::uint32_t>(c.named_streets.size()));
  for (const NamedStreet& n : c.named_streets) {
    PutU32(names, n.name);
    PutI32(names, Fixed(n.middle.x));
    PutI32(names, Fixed(n.middle.y));
    PutBox(names, n.box);
  }

  header_.append(kMagic, sizeof kMagic);
  PutU32(header_, kVersion);
  PutU32(header_, c.area.has_motorways ? 1 : 0);
  PutBox(header_, c.area.box);
  PutU64(header_, static_cast<std::uint64_t>(c.created));
  // Tells a file replaced by a later import of the same second from this one.
  PutU32(header_, std::random_device{}());
  PutU32(header_, kSectionCount);
  // The tiles come last, so opening a data set reads everything before them.
  std::uint64_t offsets[kSectionCount];
  std::uint64_t offset = kHeaderSize + kSectionEntry * kSectionCount;
  for (std::uint32_t i : kWriteOrder) {
    offsets[i] = offset;
    offset += sections_[i].size();
  }
  for (std::uint32_t i = 0; i < kSectionCount; ++i) {
    PutU32(header_, i + 1);
    // Tiles carry their own checksums, so one tile is checked without the rest.
    PutU32(header_, i + 1 == kTiles ? 0 : Crc(sections_[i]));
    PutU64(header_, offsets[i]);
    PutU64(header_, sections_[i].size());
  }
}

bool DataSetEncoder::Write(const std::function<bool(std::string_view)>& write) const {
  if (!write(header_)) return false;
  for (std::uint32_t i : kWriteOrder)
    if (!write(sections_[i])) return false;
  return true;
}

std::uint64_t DataSetEncoder::size() const {
  std::uint64_t n = header_.size();
  for (const std::string& s : sections_) n += s.size();
  return n;
}

std::string EncodeDataSet(const DataSetContents& contents) {
  std::string out;
  DataSetEncoder(contents).Write([&](std::string_view piece) {
    out += piece;
    return true;
  });
  return out;
}

namespace {

bool DecodeTile(std::string_view bytes, std::vector<Street>* out) {
  Cursor c(bytes);
  const std::uint64_t n = c.Varint();
  // Each street takes at least six bytes.
  if (!c.ok() || n > c.left() / 6) return false;
  out->reserve(static_cast<std::size_t>(n));
  for (std::uint64_t i = 0; i < n; ++i) {
    Street s;
    const std::uint8_t road_class = c.U8();
    if (road_class > static_cast<std::uint8_t>(RoadClass::kPath)) return false;
    s.road_class = static_cast<RoadClass>(road_class);
    s.flags = c.U8();
    s.name = std::string(c.Bytes(c.Varint()));
    s.ref = std::string(c.Bytes(c.Varint()));
    if (!c.ReadPoints(&s.points) || s.points.size() < 2) return false;
    s.box = BoxOf(s.points);
    out->push_back(std::move(s));
  }
  return c.ok() && c.done();
}

}  // namespace

bool DataSet::Parse(std::string_view bytes, std::uint64_t file_size, std::string* error) {
  auto fail = [&](const std::string& why) {
    *error = why;
    return false;
  };
  if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
    return fail("it is not a street data set");
  Cursor h(bytes.substr(8, kHeaderSize - 8));
  if (h.U32() != kVersion) return fail("it was written by another version of the import");
  area_.has_motorways = (h.U32() & 1) != 0;
  area_.box = h.ReadBox();
  created_ = static_cast<std::int64_t>(h.U64());
  h.U32();
  if (h.U32() != kSectionCount || !h.ok()) return fail("its header is damaged");
  identity_ = std::string(bytes.substr(0, kHeaderSize));
  if (bytes.size() < kHeaderSize + kSectionEntry * kSectionCount) return fail("it is cut short");
  Cursor table(bytes.substr(kHeaderSize, kSectionEntry * kSectionCount));
  std::string_view sections[kSectionCount];
  std::uint64_t tile_extent = 0;
  for (std::uint32_t i = 0; i < kSectionCount; ++i) {
    const std::uint32_t id = table.U32();
    const std::uint32_t crc = table.U32();
    const std::uint64_t offset = table.U64();
    const std::uint64_t length = table.U64();
    if (id == kTiles) {
      // Only the extent is checked here; tiles are read when shown.
      if (crc != 0 || offset > file_size || length > file_size - offset)
        return fail("it is cut short or its section table is damaged");
      tiles_at_ = offset;
      tile_extent = length;
      continue;
    }
    if (id != i + 1 || offset > bytes.size() || length > bytes.size() - offset)
      return fail("it is cut short or its section table is damaged");
    sections[i] = bytes.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
    if (Crc(sections[i]) != crc) return fail("its bytes are damaged (checksum)");
  }

  Cursor s(sections[0]);
  area_.name = std::string(s.Bytes(s.Varint()));
  const std::uint32_t string_count = s.U32();
  if (!s.ok() || string_count > s.left()) return fail("its string table is damaged");
  strings_.reserve(string_count);
  for (std::uint32_t i = 0; i < string_count && s.ok(); ++i)
    strings_.emplace_back(s.Bytes(s.Varint()));
  if (!s.ok() || !s.done()) return fail("its string table is damaged");
  auto valid = [&](std::uint32_t index) { return index == kNoString || index < strings_.size(); };
  auto ref = [&](Cursor& c) -> std::uint32_t {
    const std::uint64_t v = c.Varint();
    if (v == 0) return kNoString;
    if (v > strings_.size()) c.Fail();
    return static_cast<std::uint32_t>(v - 1);
  };

  Cursor d(sections[1]);
  const std::uint32_t tile_count = d.U32();
  if (!d.ok() || tile_count != d.left() / kTileEntry || d.left() % kTileEntry != 0)
    return fail("its tile directory is damaged");
  tiles_.reserve(tile_count);
  for (std::uint32_t i = 0; i < tile_count; ++i) {
    Tile t;
    t.most = d.U8();
    d.Bytes(3);
    t.box = d.ReadBox();
    t.offset = d.U64();
    t.length = d.U32();
    t.crc = d.U32();
    d.U32();
    if (!d.ok() || t.offset > tile_extent || t.length > tile_extent - t.offset)
      return fail("its tile directory is damaged");
    tiles_.push_back(t);
  }

  Cursor a(sections[3]);
  const std::uint32_t address_count = a.U32();
  if (!a.ok() || a.left() != static_cast<std::uint64_t>(address_count) * kAddressRecord)
    return fail("its address table is damaged");
  addresses_.reserve(address_count);
  for (std::uint32_t i = 0; i < address_count; ++i) {
    AddressPoint p;
    p.street = a.U32();
    p.number = a.U32();
    p.city = a.U32();
    p.zip = a.U32();
    p.state = a.U32();
    p.pos = a.Point();
    if (p.street == kNoString || p.number == kNoString || !valid(p.street) || !valid(p.number) ||
        !valid(p.city) || !valid(p.zip) || !valid(p.state) || !a.ok())
      return fail("its address table is damaged");
    addresses_.push_back(p);
  }

  Cursor w(sections[4]);
  const std::uint32_t interpolation_count = w.U32();
  if (!w.ok() || interpolation_count > w.left()) return fail("its interpolation ways are damaged");
  for (std::uint32_t i = 0; i < interpolation_count && w.ok(); ++i) {
    InterpolationWay way;
    way.street = ref(w);
    way.city = ref(w);
    way.zip = ref(w);
    way.state = ref(w);
    const std::uint8_t kind = w.U8();
    if (kind > static_cast<std::uint8_t>(Interpolation::kEven)) w.Fail();
    way.kind = static_cast<Interpolation>(kind);
    way.first_number = static_cast<std::uint32_t>(std::min<std::uint64_t>(w.Varint(), 1u << 30));
    way.last_number = static_cast<std::uint32_t>(std::min<std::uint64_t>(w.Varint(), 1u << 30));
    if (!w.ReadPoints(&way.points) || way.points.size() < 2 || way.street == kNoString) w.Fail();
    interpolations_.push_back(std::move(way));
  }
  if (!w.ok() || !w.done()) return fail("its interpolation ways are damaged");

  Cursor n(sections[5]);
  const std::uint32_t name_count = n.U32();
  if (!n.ok() || n.left() != static_cast<std::uint64_t>(name_count) * kNameRecord)
    return fail("its street names are damaged");
  named_streets_.reserve(name_count);
  for (std::uint32_t i = 0; i < name_count; ++i) {
    NamedStreet ns;
    ns.name = n.U32();
    ns.middle = n.Point();
    ns.box = n.ReadBox();
    if (ns.name == kNoString || !valid(ns.name) || !n.ok())
      return fail("its street names are damaged");
    named_streets_.push_back(ns);
  }
  return true;
}

std::shared_ptr<DataSet> DataSet::Open(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "it cannot be opened";
    return nullptr;
  }
  in.seekg(0, std::ios::end);
  const auto file_size = static_cast<std::uint64_t>(in.tellg());
  in.seekg(0);
  // Everything before the tiles is read now; tiles when a view shows them.
  std::string head(static_cast<std::size_t>(std::min<std::uint64_t>(
                       file_size, kHeaderSize + kSectionEntry * kSectionCount)),
                   '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  std::uint64_t before_tiles = head.size();
  if (in && head.size() == kHeaderSize + kSectionEntry * kSectionCount) {
    Cursor t(std::string_view(head).substr(kHeaderSize + (kTiles - 1) * kSectionEntry + 8, 8));
    before_tiles = std::min(t.U64(), file_size);
  }
  std::string bytes = head;
  bytes.resize(static_cast<std::size_t>(std::max<std::uint64_t>(before_tiles, head.size())));
  in.read(bytes.data() + head.size(), static_cast<std::streamsize>(bytes.size() - head.size()));
  if (!in) {
    *error = "it cannot be read";
    return nullptr;
  }
  std::shared_ptr<DataSet> set(new DataSet());
  if (!set->Parse(bytes, file_size, error)) return nullptr;
  set->path_ = path;
  return set;
}

std::shared_ptr<DataSet> DataSet::FromBytes(std::string bytes, std::string* error) {
  std::shared_ptr<DataSet> set(new DataSet());
  if (!set->Parse(bytes, bytes.size(), error)) return nullptr;
  set->bytes_ = std::move(bytes);
  return set;
}

const std::string& DataSet::String(std::uint32_t index) const {
  static const std::string empty;
  return index < strings_.size() ? strings_[index] : empty;
}

const std::vector<Street>* DataSet::TileStreets(std::size_t index) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = decoded_.find(index);
  if (found != decoded_.end()) return found->second.get();
  const Tile& t = tiles_[index];
  std::string bytes;
  if (path_.empty()) {
    bytes = bytes_.substr(static_cast<std::size_t>(tiles_at_ + t.offset), t.length);
  } else {
    // A file replaced since it was opened (a new import) is not read as this one.
    std::ifstream in(path_, std::ios::binary);
    std::string header(kHeaderSize, '\0');
    in.read(header.data(), static_cast<std::streamsize>(header.size()));
    if (!in || header != identity_) {
      ++damaged_;
      return nullptr;
    }
    bytes.resize(t.length);
    in.seekg(static_cast<std::streamoff>(tiles_at_ + t.offset));
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!in) bytes.clear();
  }
  auto streets = std::make_unique<std::vector<Street>>();
  if (bytes.size() != t.length || Crc(bytes) != t.crc || !DecodeTile(bytes, streets.get())) {
    ++damaged_;
    return nullptr;
  }
  return (decoded_[index] = std::move(streets)).get();
}

void DataSet::Visit(const Box& view, RoadClass least,
                    const std::function<void(const Street&)>& visit) const {
  for (std::size_t i = 0; i < tiles_.size(); ++i) {
    const Tile& t = tiles_[i];
    if (t.most > static_cast<std::uint8_t>(least) || !t.box.Intersects(view)) continue;
    const std::vector<Street>* streets = TileStreets(i);
    if (streets == nullptr) continue;
    for (const Street& s : *streets)
      if (s.road_class <= least && s.box.Intersects(view)) visit(s);
  }
}

std::size_t DataSet::damaged_tiles() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return damaged_;
}

bool DataSet::ReadAllTiles(std::string* error) const {
  for (std::size_t i = 0; i < tiles_.size(); ++i) {
    if (TileStreets(i) == nullptr) {
      *error = "its street tile " + std::to_string(i + 1) + " is damaged";
      return false;
    }
  }
  return true;
}

DataSetLayer::DataSetLayer(std::vector<std::shared_ptr<const DataSet>> sets)
    : sets_(std::move(sets)) {
  for (const auto& s : sets_) areas_.push_back(s->area());
}

void DataSetLayer::Visit(const Box& view, RoadClass least,
                         const std::function<void(const Street&)>& visit) const {
  for (const auto& s : sets_)
    if (s->area().box.Intersects(view)) s->Visit(view, least, visit);
}

bool ReadDataSetHeader(const std::string& path, Box* box, std::int64_t* created) {
  std::ifstream in(path, std::ios::binary);
  std::string header(kHeaderSize, '\0');
  in.read(header.data(), static_cast<std::streamsize>(header.size()));
  if (!in || std::memcmp(header.data(), kMagic, sizeof kMagic) != 0) return false;
  Cursor h(std::string_view(header).substr(8));
  if (h.U32() != kVersion) return false;
  h.U32();
  *box = h.ReadBox();
  *created = static_cast<std::int64_t>(h.U64());
  return h.ok();
}

std::string Utf8ToWindows1252(std::string_view in) {
  // Code points U+0080..U+009F have no place in Windows-1252; these do.
  static constexpr std::pair<char32_t, unsigned char> kHigh[] = {
      {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85},
      {0x2020, 0x86}, {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A},
      {0x2039, 0x8B}, {0x0152, 0x8C}, {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92},
      {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95}, {0x2013, 0x96}, {0x2014, 0x97},
      {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B}, {0x0153, 0x9C},
      {0x017E, 0x9E}, {0x0178, 0x9F}};
  std::string out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size();) {
    const auto b = static_cast<unsigned char>(in[i]);
    int extra = b < 0x80             ? 0
                : (b & 0xE0) == 0xC0 ? 1
                : (b & 0xF0) == 0xE0 ? 2
                : (b & 0xF8) == 0xF0 ? 3
                                     : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= in.size() + (extra == 0 ? 1 : 0)) {
      out += '?';
      ++i;
      continue;
    }
    char32_t cp = extra == 0 ? b : b & (0x3F >> extra);
    bool valid = true;
    for (int k = 1; k <= extra; ++k) {
      const auto c = static_cast<unsigned char>(in[i + static_cast<std::size_t>(k)]);
      if ((c & 0xC0) != 0x80) valid = false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (!valid) {
      out += '?';
      ++i;
      continue;
    }
    i += static_cast<std::size_t>(extra) + 1;
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out += static_cast<char>(cp);
      continue;
    }
    char mapped = '?';
    for (const auto& [code, byte] : kHigh)
      if (code == cp) mapped = static_cast<char>(byte);
    out += mapped;
  }
  return out;
}

}  // namespace k9::streets
