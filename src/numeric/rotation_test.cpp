// The rotation builders, M = R_kappa * R_phi * R_omega with indices 1..3 and
// angles in radians, and RadToDeg.
#include "numeric/rotation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <numbers>
#include <random>

namespace tessaro {
namespace {

constexpr double kPi = std::numbers::pi;

Matrix3 FromRows(std::initializer_list<double> rows) {
  Matrix3 m;
  int k = 0;
  for (double v : rows) {
    m(k / 3 + 1, k % 3 + 1) = v;
    ++k;
  }
  return m;
}

Matrix3 Product(const Matrix3& x, const Matrix3& y) {
  Matrix3 p;
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j)
      for (int k = 1; k <= 3; ++k) p(i, j) += x(i, k) * y(k, j);
  return p;
}

Matrix3 Build(double w, double p, double k) {
  Matrix3 m;
  RotationMatrix(m, w, p, k);
  return m;
}

// Random angles: the product of the three plane rotations, and the columns
// of StationRotation are the same matrix bit for bit.
TEST(RotationMatrix, RandomAnglesGiveTheProductOfThePlaneRotations) {
  using std::cos, std::sin;
  std::mt19937_64 rng(31415);
  std::uniform_real_distribution<double> angle(-2 * kPi, 2 * kPi);
  OneBased<double> m1, m2, m3;
  for (int trial = 0; trial < 200; ++trial) {
    const double w = angle(rng), p = angle(rng), k = angle(rng);
    SCOPED_TRACE(testing::Message() << w << " " << p << " " << k);
    const Matrix3 rw = FromRows({1, 0, 0, 0, cos(w), sin(w), 0, -sin(w), cos(w)});
    const Matrix3 rp = FromRows({cos(p), 0, -sin(p), 0, 1, 0, sin(p), 0, cos(p)});
    const Matrix3 rk = FromRows({cos(k), sin(k), 0, -sin(k), cos(k), 0, 0, 0, 1});
    const Matrix3 m = Build(w, p, k);
    const Matrix3 expected = Product(rk, Product(rp, rw));
    for (int i = 1; i <= 3; ++i)
      for (int j = 1; j <= 3; ++j) EXPECT_NEAR(m(i, j), expected(i, j), 1e-15) << "m" << i << j;
    StationRotation(w, p, k, m1, m2, m3);
    for (int i = 1; i <= 3; ++i) {
      EXPECT_EQ(m1(i), m(i, 1));
      EXPECT_EQ(m2(i), m(i, 2));
      EXPECT_EQ(m3(i), m(i, 3));
    }
  }
}

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
