// Which observations of an intersection input meet in one ground point.
//
// The rays of a ground point are the observations that carry its point
// number, on whatever photographs they stand (photograph numbers play no
// part). A point seen on one photograph only has no ray to meet and is not
// intersected. The ground points keep the order of each number's first
// observation, and a point's observations their reading order, which is
// photograph order: the residual, result and coordinate tables all follow it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "intersection/side_file.h"
#include "numeric/outcome.h"

namespace tessaro {

struct GroundPoint {
  std::int32_t PointNo = 0;
  // Places (from 0) of its observations in reading order, two or more.
  std::vector<std::size_t> Observations;
  bool operator==(const GroundPoint&) const = default;
};

struct GroundPoints {
  std::vector<GroundPoint> Points;  // the points seen twice or more, in order
  // Solved, or Refused(k): point k (from 1) of Points is seen on more than
  // kMaxRaysPerPoint photographs (the first such point); or, when no point
  // is, point k = kMaxGroundPoints + 1 is one more than the count can hold.
  Outcome outcome;
};

// Groups the observations, given by their point numbers in reading order,
// into ground points: one pass through a map of the numbers met so far.
GroundPoints GroupObservations(std::span<const std::int32_t> pointNo);

}  // namespace tessaro
