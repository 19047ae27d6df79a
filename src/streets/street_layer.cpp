#include "streets/street_layer.h"

#include <algorithm>
#include <cmath>

namespace k9::streets {

namespace {

std::int64_t CellKey(std::int64_t cx, std::int64_t cy) { return (cy << 32) ^ (cx & 0xFFFFFFFF); }

std::int64_t CellOf(double degrees, double cell) {
  return static_cast<std::int64_t>(std::floor(degrees / cell));
}

}  // namespace

void MemoryStreetLayer::Add(StreetArea area, std::vector<Street> streets) {
  for (Street& s : streets) {
    if (s.points.empty()) continue;
    Box b{s.points[0].x, s.points[0].y, s.points[0].x, s.points[0].y};
    for (const GeoPoint& p : s.points) {
      b.west = std::min<double>(b.west, p.x);
      b.east = std::max<double>(b.east, p.x);
      b.south = std::min<double>(b.south, p.y);
      b.north = std::max<double>(b.north, p.y);
    }
    s.box = b;
    streets_.push_back(std::move(s));
  }
  areas_.push_back(std::move(area));
  Reindex();
}

void MemoryStreetLayer::Reindex() {
  std::vector<std::pair<std::int64_t, std::uint32_t>> entries;
  for (std::uint32_t i = 0; i < streets_.size(); ++i) {
    const Box& b = streets_[i].box;
    for (std::int64_t cy = CellOf(b.south, kCell); cy <= CellOf(b.north, kCell); ++cy)
      for (std::int64_t cx = CellOf(b.west, kCell); cx <= CellOf(b.east, kCell); ++cx)
        entries.emplace_back(CellKey(cx, cy), i);
  }
  std::sort(entries.begin(), entries.end());
  order_.clear();
  cells_.clear();
  for (std::size_t i = 0; i < streets_.size(); ++i) {
    const Box& b = streets_[i].box;
    if (i == 0) bounds_ = b;
    bounds_.west = std::min(bounds_.west, b.west);
    bounds_.east = std::max(bounds_.east, b.east);
    bounds_.south = std::min(bounds_.south, b.south);
    bounds_.north = std::max(bounds_.north, b.north);
  }
  for (const auto& [key, index] : entries) {
    if (cells_.empty() || cells_.back().key != key)
      cells_.push_back({key, static_cast<std::uint32_t>(order_.size()), 0});
    order_.push_back(index);
    ++cells_.back().count;
  }
}

void MemoryStreetLayer::Visit(const Box& view, RoadClass least,
                              const std::function<void(const Street&)>& visit) const {
  if (streets_.empty() || !bounds_.Intersects(view)) return;
  // Only the cells of the part of the view that holds streets.
  const Box part{std::max(view.west, bounds_.west), std::max(view.south, bounds_.south),
                 std::min(view.east, bounds_.east), std::min(view.north, bounds_.north)};
  std::vector<bool> seen(streets_.size(), false);
  for (std::int64_t cy = CellOf(part.south, kCell); cy <= CellOf(part.north, kCell); ++cy) {
    for (std::int64_t cx = CellOf(part.west, kCell); cx <= CellOf(part.east, kCell); ++cx) {
      const std::int64_t key = CellKey(cx, cy);
      auto it = std::lower_bound(cells_.begin(), cells_.end(), key,
                                 [](const Cell& c, std::int64_t k) { return c.key < k; });
      if (it == cells_.end() || it->key != key) continue;
      for (std::uint32_t j = it->first; j < it->first + it->count; ++j) {
        const std::uint32_t i = order_[j];
        if (seen[i]) continue;
        seen[i] = true;
        const Street& s = streets_[i];
        if (s.road_class <= least && s.box.Intersects(view)) visit(s);
      }
    }
  }
}

}  // namespace k9::streets
