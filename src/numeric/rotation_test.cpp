// Tests of the rotation builders and RadToDeg:
// M = R_kappa * R_phi * R_omega, indices 1..3, angles in radians.
#include "numeric/rotation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <numbers>
#include <ostream>
#include <random>
#include <string>

namespace tessaro {
namespace {

constexpr double kPi = std::numbers::pi;

Matrix3 Product(const Matrix3& x, const Matrix3& y) {
  Matrix3 p;
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j)
      for (int k = 1; k <= 3; ++k) p(i, j) += x(i, k) * y(k, j);
  return p;
}

Matrix3 FromRows(double r11, double r12, double r13, double r21, double r22,
                 double r23, double r31, double r32, double r33) {
  Matrix3 m;
  const double v[] = {r11, r12, r13, r21, r22, r23, r31, r32, r33};
  for (int k = 0; k < 9; ++k) m(k / 3 + 1, k % 3 + 1) = v[k];
  return m;
}

// The three plane rotations row by row.
Matrix3 PlaneProduct(double w, double p, double k) {
  using std::cos;
  using std::sin;
  const Matrix3 rw = FromRows(1, 0, 0, 0, cos(w), sin(w), 0, -sin(w), cos(w));
  const Matrix3 rp = FromRows(cos(p), 0, -sin(p), 0, 1, 0, sin(p), 0, cos(p));
  const Matrix3 rk = FromRows(cos(k), sin(k), 0, -sin(k), cos(k), 0, 0, 0, 1);
  return Product(rk, Product(rp, rw));
}

Matrix3 Build(double w, double p, double k) {
  Matrix3 m;
  RotationMatrix(m, w, p, k);
  return m;
}

// One angle of 90 degrees, the others zero: three elements are +-1.
struct QuarterTurn {
  const char* name;
  double omega, phi, kappa;
  int i[3], j[3];
  double value[3];
};

void PrintTo(const QuarterTurn& q, std::ostream* os) { *os << q.name; }

class RotationQuarterTurn : public testing::TestWithParam<QuarterTurn> {};

TEST_P(RotationQuarterTurn, HasTheExpectedNonZeroElements) {
  const QuarterTurn& q = GetParam();
  const Matrix3 m = Build(q.omega, q.phi, q.kappa);
  Matrix3 expected;
  for (int n = 0; n < 3; ++n) expected(q.i[n], q.j[n]) = q.value[n];
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j)
      EXPECT_NEAR(m(i, j), expected(i, j), 1e-15) << "m" << i << j;
}

INSTANTIATE_TEST_SUITE_P(
    RotationMatrix, RotationQuarterTurn,
    testing::Values(
        QuarterTurn{"None", 0, 0, 0, {1, 2, 3}, {1, 2, 3}, {1, 1, 1}},
        QuarterTurn{"Kappa", 0, 0, kPi / 2, {1, 2, 3}, {2, 1, 3}, {1, -1, 1}},
        QuarterTurn{"Phi", 0, kPi / 2, 0, {3, 1, 2}, {1, 3, 2}, {1, -1, 1}},
        QuarterTurn{"Omega", kPi / 2, 0, 0, {1, 2, 3}, {1, 3, 2}, {1, 1, -1}}),
    [](const testing::TestParamInfo<QuarterTurn>& info) {
      return std::string(info.param.name);
    });

TEST(RotationMatrix, RandomAnglesGiveOrthonormalMatrixOfThePlaneRotations) {
  std::mt19937_64 rng(31415);
  std::uniform_real_distribution<double> angle(-kPi, kPi);
  for (int trial = 0; trial < 200; ++trial) {
    const double w = angle(rng), p = angle(rng), k = angle(rng);
    SCOPED_TRACE(testing::Message() << w << " " << p << " " << k);
    const Matrix3 m = Build(w, p, k);
    const Matrix3 ref = PlaneProduct(w, p, k);
    for (int i = 1; i <= 3; ++i)
      for (int j = 1; j <= 3; ++j) {
        EXPECT_NEAR(m(i, j), ref(i, j), 1e-15) << "m" << i << j;
        double dot = 0.0;  // Row i times row j.
        for (int c = 1; c <= 3; ++c) dot += m(i, c) * m(j, c);
        EXPECT_NEAR(dot, i == j ? 1.0 : 0.0, 1e-15) << i << j;
      }
    const double det = m(1, 1) * (m(2, 2) * m(3, 3) - m(2, 3) * m(3, 2)) -
                       m(1, 2) * (m(2, 1) * m(3, 3) - m(2, 3) * m(3, 1)) +
                       m(1, 3) * (m(2, 1) * m(3, 2) - m(2, 2) * m(3, 1));
    EXPECT_NEAR(det, 1.0, 1e-15);
  }
}

TEST(StationRotation, EqualsRotationMatrixColumns) {
  std::mt19937_64 rng(2718);
  std::uniform_real_distribution<double> angle(-2 * kPi, 2 * kPi);
  OneBased<double> m1, m2, m3;
  for (int trial = 0; trial < 100; ++trial) {
    const double w = angle(rng), p = angle(rng), k = angle(rng);
    StationRotation(w, p, k, m1, m2, m3);
    const Matrix3 m = Build(w, p, k);
    for (std::size_t i = 1; i <= 3; ++i) {
      const int r = static_cast<int>(i);
      EXPECT_EQ(m1(i), m(r, 1));
      EXPECT_EQ(m2(i), m(r, 2));
      EXPECT_EQ(m3(i), m(r, 3));
    }
  }
}

TEST(RadToDeg, PiIsExactly180AndSetsPi) {
  double pi = 0.0;
  EXPECT_EQ(RadToDeg(kPi, pi), 180.0);
  EXPECT_EQ(pi, 4.0 * std::atan(1.0));
  EXPECT_EQ(pi, kPi);
  EXPECT_EQ(RadToDeg(-kPi, pi), -180.0);
  EXPECT_EQ(RadToDeg(0.0, pi), 0.0);
}

TEST(RadToDeg, MultipliesBeforeDividing) {
  // Angles read as d*Pi/180 and printed back: for these whole
  // degrees (x*180)/Pi gives d exactly, x*(180/Pi) misses by one unit in the
  // last place - a difference that shows in a report's digits.
  double pi = 0.0;
  for (int d : {19, 23, 29, 89, 359}) {
    const double x = d * kPi / 180.0;
    EXPECT_EQ(RadToDeg(x, pi), static_cast<double>(d)) << d;
    EXPECT_NE(x * (180.0 / kPi), static_cast<double>(d)) << d;
  }
}

}  // namespace
}  // namespace tessaro
