// The absolute orientation's arithmetic: the adjustment on control built
// from its definition (a wrong rotation derivative shows in its iterations),
// and the pairing by number against the literal search.
#include "absolute/conformal_transform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <tuple>

namespace tessaro {
namespace {

// Control 'F' full, 'H' horizontal (Z = 0), 'V' vertical (X = Y = 0) at random model
// points: ground = T + scale * RotationMatrix(u7, u6, u5) * model, plus noise.
struct Geometry {
  OneBased<Point3> ground, model;
  std::int32_t n = 0, redundancy = 0;
  double Computed(const OneBased<double>& u, std::int32_t i, int r) const {
    Matrix3 R;
    RotationMatrix(R, u(7), u(6), u(5));
    return u(r) + u(4) * (R(r, 1) * model(i)[0] + R(r, 2) * model(i)[1] + R(r, 3) * model(i)[2]);
  }
  // Observed minus computed, 0 for a coordinate the point does not observe.
  double Misclosure(const OneBased<double>& u, std::int32_t i, int r) const {
    const Point3& c = ground(i);
    return (r == 3 ? c[2] != 0 : c[0] != 0 || c[1] != 0) ? c[r - 1] - Computed(u, i, r) : 0;
  }
};
Geometry Make(const OneBased<double>& truth, const std::string& kinds, double noise) {
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> xy(-100, 100), z(-15, 15);
  std::normal_distribution<double> err(0, 1);
  Geometry g;
  g.n = static_cast<std::int32_t>(kinds.size());
  g.ground = g.model = OneBased<Point3>(g.n + 1);  // and one new point
  for (std::int32_t i = 1; i <= g.n + 1; ++i) {
    g.model(i) = {xy(gen), xy(gen), z(gen)};
    for (int r = 1; r <= 3; ++r) g.ground(i)[r - 1] = g.Computed(truth, i, r) + noise * err(gen);
    if (i <= g.n && kinds[i - 1] == 'H') g.ground(i)[2] = 0;
    if (i <= g.n && kinds[i - 1] == 'V') g.ground(i)[0] = g.ground(i)[1] = 0;
  }
  const auto count = [&](char kind) { return std::count(kinds.begin(), kinds.end(), kind); };
  g.redundancy = static_cast<std::int32_t>(2 * (g.n - count('V')) + g.n - count('H') - 7);
  return g;
}

// Error-free control (scale times angle under 40 degrees) gives the truth back from any
// earlier solution. On noisy control V is observed minus computed, RMSE the root of its
// squares over the redundancy (f >= 1), So = RMSE / Sxyz. A large rotation diverges from
// the start: "NO " on the fifth iteration.
TEST(AdjustSevenParameters, NoisyAndDiverging) {
  const std::tuple<std::array<double, 7>, std::string, double> cases[] = {
      {{5105.42, 3612.78, 1835.16, 11.8765, 2.3, -1.4, 0.8}, "FFHVFHV", 0},
      {{-250000.5, 4.2e6, 812.25, 0.25, -20, 15, 80}, "FFFF", 0},
      {{1e5, 2e5, 300, 1.5, 4, 3, -25}, "HHVVV", 0},  // redundancy 0
      {{5105.42, 3612.78, 1835.16, 11.8765, 2.3, -1.4, 0.8}, "FFHVFHVFFHVF", 0.05},
      {{-812.5, 99.25, 40.5, 0.5, -12, 25, 60}, "FFHVFHVFFHVF", 0.05},
      {{1000, 2000, 300, 20, 30, -22.5, 90}, "FFHVFHV", -1}};
  for (const auto& [t, kinds, noise] : cases) {
    SCOPED_TRACE(kinds + " " + std::to_string(noise));
    OneBased<double> truth(7), start(7, 3.0);  // as an earlier run left them
    for (int k = 1; k <= 7; ++k) truth(k) = t[k - 1] * (k <= 4 ? 1 : 3.14159265358979 / 180);
    const Geometry g = Make(truth, kinds, std::max(noise, 0.0));
    const AbsoluteSolution s =
        AdjustSevenParameters(g.ground, g.model, OneBased<std::array<double, 2>>(g.n, {.05, .05}),
                              g.n, g.n + 1, g.redundancy, start);
    const OneBased<double>& u = s.Unknowns;
    EXPECT_EQ(s.outcome, noise < 0 ? Outcome::GotWorse() : Outcome::Converged());
    EXPECT_TRUE(noise < 0 ? s.Iterations == 5 : s.Iterations <= 10);
    EXPECT_NEAR(s.So, s.RMSE / 0.05, 1e-9 * s.So);
    const double size = std::max({std::abs(t[0]), std::abs(t[1]), 1e3});
    for (int k = 1; k <= 7 && noise == 0; ++k)
      EXPECT_NEAR(u(k), truth(k), 1e-9 * (k <= 3 ? size : 1)) << k;
    double squares = 0;
    for (std::int32_t i = 1; i <= g.n; ++i) {
      EXPECT_EQ(s.V(i).horizontal, kinds[i - 1] != 'V');
      EXPECT_EQ(s.V(i).vertical, kinds[i - 1] != 'H');
      for (int r = 1; r <= 3 && noise > 0; ++r) {
        EXPECT_NEAR(s.V(i).v[r - 1], g.Misclosure(u, i, r), 1e-4);
        squares += std::pow(g.Misclosure(u, i, r), 2);
      }
    }
    // Every measured point, the new one after the control too; the rotation
    // is that before the last (small) corrections.
    for (std::int32_t j = 1; j <= g.n + 1 && noise == 0; ++j)
      for (int r = 1; r <= 3; ++r)
        EXPECT_NEAR(s.Transformed(j)[r - 1], g.Computed(truth, j, r), 1e-2);
    EXPECT_NEAR(s.RMSE, noise > 0 ? std::sqrt(squares / g.redundancy) : s.RMSE, 1e-6);
  }
}

// The literal search the pairing must agree with.
std::vector<std::int32_t> PairLiterally(const OneBased<std::int32_t>& ctrl,
                                        OneBased<std::int32_t>& no, OneBased<Point3>& xyz) {
  std::vector<std::int32_t> unmatched;
  for (std::int32_t i = 1; i <= ctrl.size(); ++i) {
    const std::int32_t place = i - std::ssize(unmatched);
    std::int32_t j = place;
    while (j <= no.size() && no(j) != ctrl(i)) ++j;
    if (j > no.size()) {
      unmatched.push_back(i);
      continue;
    }
    std::swap(no(j), no(place));
    std::swap(xyz(j), xyz(place));
  }
  return unmatched;
}

// Repeated numbers among control and measured points, numbers in reverse
// order, control without partner, more control than measured points: the
// same pairs in the same places as the literal search.
TEST(PairByNumber, AgreesWithTheLiteralSearch) {
  std::mt19937 gen(5);
  for (int round = 0; round < 400; ++round) {
    const int nCtrl = 1 + round % 23, count = 1 + (round * 7) % 31;
    std::uniform_int_distribution<std::int32_t> number(1, 2 + round % 17);
    OneBased<std::int32_t> ctrl(nCtrl), no(count);
    OneBased<Point3> xyz(count);
    for (int i = 1; i <= nCtrl; ++i) ctrl(i) = round % 4 == 0 ? nCtrl + 1 - i : number(gen);
    for (int j = 1; j <= count; ++j) {
      no(j) = round % 4 == 0 ? count + 1 - j : number(gen);
      xyz(j) = {1.0 * j, 0, 0};
    }
    OneBased<std::int32_t> expectedNo = no;
    OneBased<Point3> expectedXyz = xyz;
    const std::vector<std::int32_t> unmatched = PairLiterally(ctrl, expectedNo, expectedXyz);
    ASSERT_EQ(PairByNumber(ctrl, nCtrl, no, xyz, count), unmatched) << round;
    ASSERT_TRUE(no == expectedNo && xyz == expectedXyz) << round;
  }
}

}  // namespace
}  // namespace tessaro
