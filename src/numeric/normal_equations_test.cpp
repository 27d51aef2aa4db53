// Tests of AddObservation. Packed layout: element (i, j),
// j <= i, at position i*(i-1)/2 + j, positions from 1.
#include "numeric/normal_equations.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

#include "numeric/cholesky.h"

namespace tessaro {
namespace {

OneBased<double> Vec(const std::vector<double>& v) {
  OneBased<double> out(v.size());
  for (std::size_t i = 0; i < v.size(); ++i) out(i + 1) = v[i];
  return out;
}

// The worked example, added once and then again: the procedure only
// accumulates, never resets, and leaves the row as it was.
TEST(AddObservation, WorkedExampleAccumulates) {
  const OneBased<double> r = Vec({1.0, 2.0, 3.0, 2.0});
  OneBased<double> a(3), u(2);
  for (double times : {1.0, 2.0}) {
    AddObservation(2, r, a, u);
    EXPECT_EQ(u(1), 0.75 * times);
    EXPECT_EQ(u(2), 1.5 * times);
    EXPECT_EQ(a(1), 0.25 * times);
    EXPECT_EQ(a(2), 0.5 * times);
    EXPECT_EQ(a(3), 1.0 * times);
  }
  for (std::size_t i = 1; i <= 4; ++i) EXPECT_EQ(r(i), (i == 4 ? 2.0 : i));
}

TEST(AddObservation, FillsPackedOrderOnlyWithinItsPositions) {
  // Coefficients (1, 2, 3), absolute term 5, s = 0.5 (weight 4): position k
  // must hold 4*ri*rj of element (i, j) in the order (1,1) (2,1) (2,2) (3,1)
  // (3,2) (3,3); position 0 and those past M(M+1)/2 and M stay as they were.
  const OneBased<double> r = Vec({1.0, 2.0, 3.0, 5.0, 0.5});
  OneBased<double> a(8, 0.0), u(4, 0.0);
  a.data()[0] = a(7) = a(8) = u.data()[0] = u(4) = 99.0;
  AddObservation(3, r, a, u);
  const double expected_a[] = {4, 8, 16, 12, 24, 36};
  for (std::size_t k = 1; k <= 6; ++k) EXPECT_EQ(a(k), expected_a[k - 1]) << k;
  EXPECT_EQ(u(1), 20.0);
  EXPECT_EQ(u(2), 40.0);
  EXPECT_EQ(u(3), 60.0);
  EXPECT_EQ(a.data()[0], 99.0);
  EXPECT_EQ(a(7), 99.0);
  EXPECT_EQ(a(8), 99.0);
  EXPECT_EQ(u.data()[0], 99.0);
  EXPECT_EQ(u(4), 99.0);
}

TEST(AddObservation, DividesEachElementBySigmaSquared) {
  // s = 3: 1/9 is not exact, so scaling the row by 1/s once (or by the
  // weight 1/s^2) would differ from the per-element division in the last bit.
  std::mt19937_64 rng(99);
  std::uniform_real_distribution<double> u(-5.0, 5.0);
  const double s = 3.0;
  const OneBased<double> r = Vec({u(rng), u(rng), u(rng), u(rng), s});
  OneBased<double> a(6), rhs(3);
  AddObservation(3, r, a, rhs);
  std::size_t k = 0;
  int weighted_differs = 0;  // Elements where multiplying by 1/9 differs.
  for (std::size_t i = 1; i <= 3; ++i) {
    EXPECT_EQ(rhs(i), (r(i) * r(4)) / 9.0);
    for (std::size_t j = 1; j <= i; ++j) {
      EXPECT_EQ(a(++k), (r(i) * r(j)) / 9.0) << i << "," << j;
      if ((r(i) * r(j)) * (1.0 / 9.0) != (r(i) * r(j)) / 9.0) ++weighted_differs;
    }
  }
  ASSERT_GT(weighted_differs, 0) << "the data do not tell the two apart";
}

TEST(AddObservation, NormalEquationsRecoverAKnownAffineTransform) {
  // Observations x' = a0 + a1*x + a2*y and y' = b0 + b1*x + b2*y, both
  // unknown sets fitted separately with M = 3 and weights 1/s^2; exact data
  // must give back the parameters through CholeskySolve.
  const double pa[] = {12.5, 0.998, -0.0213};
  const double pb[] = {-7.25, 0.0213, 1.0017};
  std::mt19937_64 rng(4242);
  std::uniform_real_distribution<double> coord(-110.0, 110.0), sd(0.5, 2.0);
  for (const double* p : {pa, pb}) {
    OneBased<double> a(6), u(3);
    for (int obs = 0; obs < 12; ++obs) {
      const double x = coord(rng), y = coord(rng);
      AddObservation(3, Vec({1.0, x, y, p[0] + p[1] * x + p[2] * y, sd(rng)}),
                     a, u);
    }
    int err = -1;
    CholeskySolve(a, u, 3, 3, err);
    ASSERT_EQ(err, 0);
    for (std::size_t i = 1; i <= 3; ++i) EXPECT_NEAR(u(i), p[i - 1], 1e-10);
  }
}

TEST(AddObservation, NoUnknownsAddNothing) {
  const OneBased<double> r = Vec({3.0, 2.0});
  OneBased<double> a(1, 7.0), u(1, 7.0);
  AddObservation(0, r, a, u);
  EXPECT_EQ(a(1), 7.0);
  EXPECT_EQ(u(1), 7.0);
}

}  // namespace
}  // namespace tessaro
