// RadToDeg. The rotation builders are checked against independent plane
// rotations where the orientations use them: intersection and relative.
#include "numeric/rotation.h"

#include <gtest/gtest.h>

#include <numbers>

namespace tessaro {
namespace {

constexpr double kPi = std::numbers::pi;

// RadToDeg sets Pi = 4*atan(1) and multiplies before dividing: for these
// whole degrees read as d*Pi/180, (x*180)/Pi gives d exactly where
// x*(180/Pi) misses by a unit in the last place, which shows in a report.
TEST(RadToDeg, MultipliesBeforeDividing) {
  double pi = 0.0;
  EXPECT_EQ(RadToDeg(-kPi, pi), -180.0);
  EXPECT_EQ(pi, kPi);
  for (int d : {19, 23, 29, 89, 359}) {
    const double x = d * kPi / 180.0;
    EXPECT_EQ(RadToDeg(x, pi), static_cast<double>(d)) << d;
    EXPECT_NE(x * (180.0 / kPi), static_cast<double>(d)) << d;
  }
}

}  // namespace
}  // namespace tessaro
