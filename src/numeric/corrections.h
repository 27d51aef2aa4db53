// What every iterated adjustment asks of its vector of corrections: how
// large the largest one is (the convergence and divergence tests), and
// whether all are numbers at all (values so large that their squares
// overflow leave corrections that are not).
#pragma once

#include <cmath>
#include <cstdint>

#include "numeric/one_based.h"

namespace tessaro {

// The largest |v(r)|, r = 1..n, starting from 0 and replaced only by a
// strictly larger value (so a NaN never becomes the largest); 0 for n < 1.
inline double LargestCorrection(const OneBased<double>& v, std::int64_t n) {
  double largest = 0;
  for (std::int64_t r = 1; r <= n; ++r)
    if (std::fabs(v(r)) > largest) largest = std::fabs(v(r));
  return largest;
}

// Whether v(1..n) are all finite numbers.
inline bool AllFinite(const OneBased<double>& v, std::int64_t n) {
  for (std::int64_t r = 1; r <= n; ++r)
    if (!std::isfinite(v(r))) return false;
  return true;
}

}  // namespace tessaro
