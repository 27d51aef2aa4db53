#include "intersection/ground_points.h"

#include <unordered_map>

namespace tessaro {

GroundPoints GroupObservations(std::span<const std::int32_t> pointNo) {
  // Every number with its observations; a number's place is fixed by its
  // first observation.
  std::unordered_map<std::int32_t, std::size_t> placeOf;
  placeOf.reserve(pointNo.size());
  std::vector<GroundPoint> all;
  for (std::size_t k = 0; k < pointNo.size(); ++k) {
    const auto [it, added] = placeOf.try_emplace(pointNo[k], all.size());
    if (added) all.push_back({pointNo[k], {}});
    all[it->second].Observations.push_back(k);
  }

  GroundPoints ground;
  for (GroundPoint& p : all)
    if (p.Observations.size() > 1) ground.Points.push_back(std::move(p));
  for (std::size_t k = 0; k < ground.Points.size(); ++k)
    if (ground.Points[k].Observations.size() > kMaxRaysPerPoint) {
      ground.outcome = Outcome::Refused(k + 1);
      return ground;
    }
  if (ground.Points.size() > kMaxGroundPoints)
    ground.outcome = Outcome::Refused(kMaxGroundPoints + 1);
  return ground;
}

}  // namespace tessaro
