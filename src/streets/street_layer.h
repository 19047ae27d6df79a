// Streets as the map draws them: the roads of every imported OpenStreetMap area,
// each with its class, names and flags, reachable by the part of the earth a view
// shows. The engine's renderer draws from a StreetLayer; the import writes the data
// sets a StreetLayer is read from.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/map_data.h"

namespace k9::streets {

using engine::Box;
using engine::GeoPoint;

// Most important first: a paint draws the less important beneath the more, and a
// view far out asks only for the classes up to a least important one.
enum class RoadClass : std::uint8_t {
  kMotorway,
  kTrunk,
  kPrimary,
  kSecondary,
  kTertiary,
  kMotorwayLink,
  kTrunkLink,
  kPrimaryLink,
  kSecondaryLink,
  kTertiaryLink,
  kUnclassified,
  kResidential,
  kLivingStreet,
  kService,
  kPath,  // track, path, footway, cycleway, bridleway, steps, pedestrian
};

// Street::flags.
inline constexpr std::uint8_t kOneway = 1;         // traffic runs from the first point to the last
inline constexpr std::uint8_t kOnewayReverse = 2;  // traffic runs from the last point to the first
inline constexpr std::uint8_t kBridge = 4;
inline constexpr std::uint8_t kTunnel = 8;

struct Street {
  RoadClass road_class = RoadClass::kResidential;
  std::uint8_t flags = 0;
  std::string name;  // Windows-1252; "" when the way has none
  std::string ref;   // route numbers as tagged, ";" between several ("I 95;US 40"); or ""
  std::vector<GeoPoint> points;
  Box box;  // of the points
};

// One imported area as the engine lists it.
struct StreetArea {
  std::string name;  // the data set's name, from the extract's file name
  Box box;           // of its streets
  bool has_motorways = false;
};

class StreetLayer {
 public:
  StreetLayer() = default;
  StreetLayer(const StreetLayer&) = delete;
  StreetLayer& operator=(const StreetLayer&) = delete;
  virtual ~StreetLayer() = default;

  virtual const std::vector<StreetArea>& Areas() const = 0;
  // Calls `visit` once for every street whose box meets `view` and whose class is
  // `least` or more important. The street stays valid until the layer goes.
  virtual void Visit(const Box& view, RoadClass least,
                     const std::function<void(const Street&)>& visit) const = 0;
};

// A layer over streets held in memory, indexed on a grid; for data sets read whole
// and for tests.
class MemoryStreetLayer : public StreetLayer {
 public:
  // Adds an area and its streets; every street's box is (re)computed from its points.
  void Add(StreetArea area, std::vector<Street> streets);

  const std::vector<StreetArea>& Areas() const override { return areas_; }
  void Visit(const Box& view, RoadClass least,
             const std::function<void(const Street&)>& visit) const override;

 private:
  static constexpr double kCell = 0.05;  // degrees
  std::vector<StreetArea> areas_;
  std::vector<Street> streets_;
  std::vector<std::uint32_t> order_;  // street indices by cell
  struct Cell {
    std::int64_t key;
    std::uint32_t first, count;
  };
  std::vector<Cell> cells_;  // sorted by key
  Box bounds_;               // of every street; meaningful only when streets_ is not empty
  void Reindex();
};

}  // namespace k9::streets
