// Tests of the absolute orientation: the adjustment on control built from its definition,
// and a session through the console against report lines derived from the line layouts.
#include "absolute/absolute_orientation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <tuple>

#include "absolute/conformal_transform.h"
#include "shell/console.h"
#include "testing/test_support.h"

namespace tessaro {
namespace {

// Each derivative is that of RotationMatrix(a, b, c) times the scale (central differences).
TEST(RotationDerivatives, MatchFiniteDifferences) {
  for (const double a : {0.0, 0.3, -1.2, 2.0}) {
    const double b = 0.7 - a / 2, c = 1.1 * a - 0.4, h = 1e-6;
    Matrix3 D[3], Rp, Rm;
    RotationDerivatives(a, b, c, 2.5, D[0], D[1], D[2]);
    for (int k = 0; k < 3; ++k) {
      RotationMatrix(Rp, a + h * (k == 0), b + h * (k == 1), c + h * (k == 2));
      RotationMatrix(Rm, a - h * (k == 0), b - h * (k == 1), c - h * (k == 2));
      for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j)
          EXPECT_NEAR(D[k](i, j), 2.5 * (Rp(i, j) - Rm(i, j)) / (2 * h), 1e-8) << k << i << j;
    }
  }
}

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
  g.ground = g.model = OneBased<Point3>(g.n);
  for (std::int32_t i = 1; i <= g.n; ++i) {
    g.model(i) = {xy(gen), xy(gen), z(gen)};
    for (int r = 1; r <= 3; ++r) g.ground(i)[r - 1] = g.Computed(truth, i, r) + noise * err(gen);
    if (kinds[i - 1] == 'H') g.ground(i)[2] = 0;
    if (kinds[i - 1] == 'V') g.ground(i)[0] = g.ground(i)[1] = 0;
  }
  const auto count = [&](char kind) { return std::count(kinds.begin(), kinds.end(), kind); };
  g.redundancy = static_cast<std::int32_t>(2 * (g.n - count('V')) + g.n - count('H') - 7);
  return g;
}

// Error-free control (scale times angle under 40 degrees) gives the truth back from any
// earlier solution. On noisy control V is observed minus computed, RMSE the root of its
// squares over the redundancy (f >= 1), So = RMSE / Sxyz. A large rotation diverges from
// the start: "NO " on the fifth iteration.
TEST(AdjustSevenParameters, KnownNoisyAndDivergingTransformations) {
  const std::tuple<std::array<double, 7>, std::string, double> cases[] = {
      {{5105.42, 3612.78, 1835.16, 11.8765, 2.3, -1.4, 0.8}, "FFHVFHV", 0},
      {{-250000.5, 4.2e6, 812.25, 0.25, -20, 15, 80}, "FFFF", 0},
      {{1e5, 2e5, 300, 1.5, 4, 3, -25}, "HHVVV", 0},  // redundancy 0
      {{5105.42, 3612.78, 1835.16, 11.8765, 2.3, -1.4, 0.8}, "FFHVFHVFFHVF", 0.05},
      {{-812.5, 99.25, 40.5, 0.5, -12, 25, 60}, "FFHVFHVFFHVF", 0.05},
      {{1000, 2000, 300, 20, 30, -22.5, 90}, "FFHVFHV", -1}};
  for (const auto& [t, kinds, noise] : cases) {
    SCOPED_TRACE(kinds + " " + std::to_string(noise));
    OneBased<double> truth(7), u(7, 3.0);  // u as an earlier run left it, scale 0
    for (int k = 1; k <= 7; ++k) truth(k) = t[k - 1] * (k <= 4 ? 1 : 3.14159265358979 / 180);
    u(4) = 0;
    const Geometry g = Make(truth, kinds, std::max(noise, 0.0));
    const AbsoluteSolution s = AdjustSevenParameters(
        g.ground, g.model, OneBased<std::array<double, 2>>(g.n, {.05, .05}), g.n, g.redundancy, u);
    ASSERT_EQ(s.ErrCode, 0);
    EXPECT_EQ(s.Convergence, noise < 0 ? "NO " : "YES");
    EXPECT_TRUE(noise < 0 ? s.Iterations == 5 : s.Iterations <= 10);
    EXPECT_NEAR(s.So, s.RMSE / 0.05, 1e-9 * s.So);
    const double size = std::max({std::abs(t[0]), std::abs(t[1]), 1e3});
    for (int k = 1; k <= 7 && noise == 0; ++k)
      EXPECT_NEAR(u(k), truth(k), 1e-9 * (k <= 3 ? size : 1)) << k;
    double squares = 0;
    for (std::int32_t i = 1; i <= g.n && noise > 0; ++i)
      for (int r = 1; r <= 3; ++r) {
        EXPECT_NEAR(s.V(i)[r - 1], g.Misclosure(u, i, r), 1e-4);
        squares += std::pow(g.Misclosure(u, i, r), 2);
      }
    EXPECT_NEAR(s.RMSE, noise > 0 ? std::sqrt(squares / g.redundancy) : s.RMSE, 1e-6);
  }
}

std::string N(double v, const char* after = "") { return std::to_string(std::lround(v)) + after; }

using AbsoluteSession = TempDirTest;

// Too little control is refused after the echo, data entered before stay entered; too
// few rows once unmatched control is gone report nothing. A translation with every kind
// of control, 151 of it without a partner and 1,202 new points in shuffled order,
// processed twice: the second run works on the transformed points. Control replaced by
// another operation, more than was measured, still gives a defined run.
TEST_F(AbsoluteSession, RefusalsReportsAndNoFixedLimits) {
  FakeUi ui;
  Operations ops;
  ops.ReadAbsoluteOrientationData = ReadAbsoluteOrientationData;
  ops.ComputeAbsoluteOrientation = ComputeAbsoluteOrientation;
  Console console{ui, ops};
  console.Load();
  ui.files = {PathOf("report.txt"), PathOf("abs.txt")};
  console.PressCaption("Open-OutputFile");
  console.PressCaption("Open Absolute Orient");
  std::vector<std::array<double, 4>> points = {
      {1, 1010, 2020, 310}, {2, 1050, 2010, 320}, {3, 1030, 2060, 315}, {4, 1040, 2040, 305},
      {5, 1020, 2050, 330}, {8, 995, 2070, 308},  {7, 1025, 2035, 312}};
  std::string control, measured =
                           "8 -5 70 8\n4 40 40 5\n1 10 20 10\n7 25 35 12\n5 20 50 30\n"
                           "3 30 60 15\n2 50 10 20\n";
  Lines unmatched = {"POINT 9 DOES NOT MATCH"};
  for (int i = 1; i <= 1200; ++i) {
    control += i > 150 ? "" : N(5000 + i, " 1 1 1\n");
    if (i <= 150) unmatched.push_back("POINT " + N(5000 + i, " DOES NOT MATCH"));
    measured += N(10000 + i, " ") + N(i % 97, " ") + N(i % 89, " ") + N(i % 13, "\n");
    points.push_back({10000. + i, i % 97 + 1000., i % 89 + 2000., i % 13 + 300.});
  }
  const std::tuple<std::string, int, Lines> entries[] = {
      {"1 0 20 30\n2 15 25 40\n3 0 0 50\n0,0,0,0\n1 1 2 3\n2 4 5 6\n3 7 8 9\n", 0, {}},
      {"1 10 0 0\n2 0 0 40\n", 0, {"Horizontal control less than two points, Job aborted"}},
      {"1 10 20 30\n2 15 25 0\n3 0 0 50\n",
       0,
       {"Vertical control less than three points, Job aborted"}},
      {"1 10 20 30\n2 40 50 60\n3 0 0 70\n0,0,0,0\n1 1 2 3\n3 4 5 6\n",
       1,
       {"POINT 2 DOES NOT MATCH", "Error in Matrix inversion"}},
      {"1 1010 2020 310\n2 1050 2010 320\n9 1100 2100 350\n3 1030 2060 0\n4 0 0 305\n"
       "5 0 0 330\n" +
           control + "0,0,0,0\n" + measured,
       2, unmatched}};
  for (const auto& [records, process, messages] : entries) {
    ui.messages.clear();
    File("abs.txt", "T\n0.05\n" + records + "0 0 0 0\n");
    console.PressCaption("Enter Absolute Orient Data");
    for (int k = 0; k < process; ++k) console.PressCaption("Process Absolute Orient");
    EXPECT_EQ(console.job.ReadyFlag(kAbsoluteEntered), kTrue);
    EXPECT_EQ(ui.messages, messages) << records.substr(0, 40);
    EXPECT_TRUE(process != 1 || console.module.ModelXYZ(2) == (Point3{4, 5, 6}));
  }
  EXPECT_EQ(console.module.AbsRedundancy, 2 * 154 + 155 - 7);

  const double ctrl[][4] = {{1, 1010, 2020, 310},
                            {2, 1050, 2010, 320},
                            {3, 1030, 2060, 0},
                            {4, 0, 0, 305},
                            {5, 0, 0, 330}};
  Lines section = {" ", "  Control Points",
                   "  Point#           X                        Y                        Z"},
        residuals = {"   ", "  Residuals",
                     "  Point#         Vx                 Vy                Vz"};
  for (const auto& c : ctrl) {
    section.push_back(At({{2, " " + N(c[0], " ")},
                          {15, N(c[1], ".000")},
                          {35, N(c[2], ".000")},
                          {55, N(c[3], ".000")}}));
    residuals.push_back(
        At({{2, " " + N(c[0], " ")}, {20, "0.0000"}, {35, "0.0000"}, {50, "0.0000"}}));
  }
  section.insert(section.end(), residuals.begin(), residuals.end());
  section.insert(
      section.end(),
      {" ", " Transformation Parameters", " =========================", "   Dx = 1000.000",
       "   Dy = 2000.000", "   Dz = 300.000", "   Scale = 1.000000", "   Omega = .000000",
       "   Phi   = .000000", "   Kappa = .000000", "   So    = .000000", "   RMSE  = .000000",
       "   Itera = 2", "   Convg = YES", "", "Transformed control and New points", "",
       "Point No.          X                  Y                    Z"});
  for (const auto& p : points)
    section.push_back(
        At({{1, N(p[0])}, {15, N(p[1], ".000")}, {30, N(p[2], ".000")}, {48, N(p[3], ".000")}}));
  const Lines echo = {" ", "       T" + std::string(79, ' '), "          ===================="};
  Lines expected;
  for (int k = 0; k < 15; ++k) expected.push_back(echo[k % 3]);
  for (int run = 1; run <= 2; ++run) {
    expected.insert(expected.end(), section.begin(), section.end());
    for (std::string& line : section)
      if (line.rfind("   D", 0) == 0) line = line.substr(0, 8) + ".000";
  }
  EXPECT_EQ(CrLfLines(Read(dir / "report.txt")), expected);

  console.module.ReserveControlPoints(1301);
  console.module.CtrlPointCount = 1301;
  console.PressCaption("Process Absolute Orient");
  EXPECT_EQ(CrLfLines(Read(dir / "report.txt")).size(), expected.size() + 24 + 2602 + 1207);
}

}  // namespace
}  // namespace tessaro
