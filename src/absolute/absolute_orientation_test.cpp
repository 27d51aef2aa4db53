// Tests of the absolute orientation: the derivatives against finite
// differences, the adjustment against known transformations and against an
// independent closed-form similarity, and whole sessions through the
// console (one report section derived by hand, refusals, bad input).
#include "absolute/absolute_orientation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "absolute/conformal_transform.h"
#include "shell/console.h"
#include "testing/test_support.h"

namespace tessaro {
namespace {

using Lines = std::vector<std::string>;
constexpr double kDeg = 3.14159265358979323846 / 180;

TEST(RotationDerivatives, MatchFiniteDifferences) {
  const double h = 1e-6, scale = 2.5;
  for (const auto& [a, b, c] : {std::array<double, 3>{0, 0, 0}, {0.3, -0.2, 1.1},
                                {-1.2, 0.7, -2.5}, {2.0, 1.4, 0.05}}) {
    Matrix3 D[3], Rp, Rm;
    RotationDerivatives(a, b, c, scale, D[0], D[1], D[2]);
    for (int k = 0; k < 3; ++k) {
      double plus[3] = {a, b, c}, minus[3] = {a, b, c};
      plus[k] += h;
      minus[k] -= h;
      RotationMatrix(Rp, plus[0], plus[1], plus[2]);
      RotationMatrix(Rm, minus[0], minus[1], minus[2]);
      for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j)
          EXPECT_NEAR(D[k](i, j), scale * (Rp(i, j) - Rm(i, j)) / (2 * h), 1e-8) << k << i << j;
    }
  }
}

// ground = T + scale * RotationMatrix(kappa, phi, omega) * model (the angle
// printed as Omega is the rotation's last argument), at random model points,
// with control kinds 'F' full, 'H' horizontal (Z = 0), 'V' vertical
// (X = Y = 0), and normal noise on the ground coordinates.
struct Truth {
  double dx, dy, dz, scale, omega, phi, kappa;  // angles in degrees
};
struct Geometry {
  OneBased<Point3> ground, model;
  OneBased<std::array<double, 2>> sigma;
  std::int32_t n = 0, redundancy = 0;
  OneBased<double> u = OneBased<double>(7);
};

Geometry Make(const Truth& t, const std::string& kinds, double noise) {
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> xy(-100, 100), z(-15, 15);
  std::normal_distribution<double> err(0, 1);
  Matrix3 R;
  RotationMatrix(R, t.kappa * kDeg, t.phi * kDeg, t.omega * kDeg);
  Geometry g;
  g.n = static_cast<std::int32_t>(kinds.size());
  g.ground.resize(g.n);
  g.model.resize(g.n);
  g.sigma = OneBased<std::array<double, 2>>(g.n, {0.05, 0.05});
  for (std::int32_t i = 1; i <= g.n; ++i) {
    const Point3 m = {xy(gen), xy(gen), z(gen)};
    g.model(i) = m;
    const double T[3] = {t.dx, t.dy, t.dz};
    for (int r = 1; r <= 3; ++r)
      g.ground(i)[r - 1] = T[r - 1] + t.scale * (R(r, 1) * m[0] + R(r, 2) * m[1] + R(r, 3) * m[2]) +
                           noise * err(gen);
    if (kinds[i - 1] == 'H') g.ground(i)[2] = 0;
    if (kinds[i - 1] == 'V') g.ground(i)[0] = g.ground(i)[1] = 0;
  }
  const ControlCounts c = CountControl(g.ground, g.n);
  g.redundancy = 2 * c.horizontal + c.vertical - 7;
  g.u(1) = c.sumX / c.horizontal;
  g.u(2) = c.sumY / c.horizontal;
  g.u(3) = c.sumZ / c.vertical;
  return g;
}

// Error-free control of every kind, scale times angle below 40 degrees: the
// truth comes back. So and RMSE describe the misclosures at the start of the
// last iteration (small, not zero), and stay finite with a redundancy of 0.
TEST(AdjustSevenParameters, RecoversKnownTransformations) {
  const std::pair<Truth, std::string> cases[] = {
      {{5105.42, 3612.78, 1835.16, 11.8765, 2.3, -1.4, 0.8}, "FFHVFHV"},
      {{-250000.5, 4.2e6, 812.25, 0.25, -20, 15, 80}, "FFFF"},
      {{1e5, 2e5, 300, 1.5, 4, 3, -25}, "HHVVV"},  // redundancy 0
      {{0, 0, 0, 1, 0, 0, 0}, "FFV"},              // redundancy 0
      {{300, -700, 1200, 3.0, -5, 6, 10}, "FHHHHVVVVFHV"},
  };
  for (const auto& [t, kinds] : cases) {
    SCOPED_TRACE(kinds);
    Geometry g = Make(t, kinds, 0);
    const AbsoluteSolution s = AdjustSevenParameters(g.ground, g.model, g.sigma, g.n, g.redundancy, g.u);
    ASSERT_EQ(s.ErrCode, 0);
    EXPECT_EQ(s.Convergence, "YES");
    const double size = std::max({std::abs(t.dx), std::abs(t.dy), 1000.0});
    const double truth[] = {t.dx, t.dy, t.dz, t.scale, t.omega * kDeg, t.phi * kDeg, t.kappa * kDeg};
    for (int k = 1; k <= 7; ++k) EXPECT_NEAR(g.u(k), truth[k - 1], 1e-9 * (k <= 3 ? size : 1)) << k;
    EXPECT_LT(s.RMSE, 1e-2);
    EXPECT_NEAR(s.So, s.RMSE / 0.05, 1e-12);
  }
}

// The sum of squared misclosures of the transformation u over the observed
// coordinates of the control, straight from its definition.
double Squares(const Geometry& g, const OneBased<double>& u) {
  Matrix3 R;
  RotationMatrix(R, u(7), u(6), u(5));
  double sum = 0;
  for (std::int32_t i = 1; i <= g.n; ++i) {
    const Point3 &c = g.ground(i), &m = g.model(i);
    for (int r = 1; r <= 3; ++r)
      if (r == 3 ? c[2] != 0 : c[0] != 0 || c[1] != 0) {
        const double d = c[r - 1] - u(r) - u(4) * (R(r, 1) * m[0] + R(r, 2) * m[1] + R(r, 3) * m[2]);
        sum += d * d;
      }
  }
  return sum;
}

// Noisy control of every kind: the solution is a least-squares minimum (a
// small step along any unknown raises the sum of squares), and RMSE and So
// are that sum over the redundancy of the counts, So = RMSE / Sxyz.
TEST(AdjustSevenParameters, NoisyControlGivesTheLeastSquaresMinimum) {
  for (const Truth& t : {Truth{5105.42, 3612.78, 1835.16, 11.8765, 2.3, -1.4, 0.8},
                         Truth{-812.5, 99.25, 40.5, 0.5, -12, 25, 60}}) {
    Geometry g = Make(t, "FFHVFHVFFHVF", 0.05);
    const AbsoluteSolution s = AdjustSevenParameters(g.ground, g.model, g.sigma, g.n, g.redundancy, g.u);
    ASSERT_EQ(s.ErrCode, 0);
    const double least = Squares(g, g.u);
    for (int k = 1; k <= 7; ++k)
      for (double step : {-1e-8, 1e-8}) {
        OneBased<double> v = g.u;
        v(k) += step;
        EXPECT_GT(Squares(g, v), least) << k << " " << step;
      }
    EXPECT_EQ(g.redundancy, 2 * 9 + 9 - 7);
    EXPECT_NEAR(s.RMSE, std::sqrt(least / g.redundancy), 1e-9);
    EXPECT_NEAR(s.So, s.RMSE / 0.05, 1e-9);
  }
}

// ---- Sessions through the console --------------------------------------

// A line of texts placed at columns (from 1), blanks between them.
std::string At(std::initializer_list<std::pair<std::size_t, std::string>> items) {
  std::string line;
  for (const auto& [column, text] : items) line += std::string(column - 1 - line.size(), ' ') + text;
  return line;
}

class AbsoluteSession : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    console.Load();
    ui.files = {PathOf("report.txt"), File("abs.txt", "")};
    console.PressCaption("Open-OutputFile");
    console.PressCaption("Open Absolute Orient");
  }
  void Enter(const std::string& text) {
    File("abs.txt", text);
    console.PressCaption("Enter Absolute Orient Data");
  }
  // The report's lines, each ended by CR LF.
  Lines Report() {
    const std::string all = Read(dir / "report.txt");
    Lines lines;
    std::size_t start = 0;
    for (std::size_t end; (end = all.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(all.substr(start, end - start));
    EXPECT_EQ(start, all.size()) << "report does not end with CR LF";
    return lines;
  }
  static Lines Echo(const std::string& title) {
    return {" ", "       " + title + std::string(80 - title.size(), ' '), "          ===================="};
  }
  bool Entered() { return console.job.ReadyFlag(kAbsoluteEntered) == kTrue; }

  static Operations Ops() {
    Operations ops;
    ops.ReadAbsoluteOrientationData = ReadAbsoluteOrientationData;
    ops.ComputeAbsoluteOrientation = ComputeAbsoluteOrientation;
    return ops;
  }
  FakeUi ui;
  Console console{ui, Ops()};
};

// A translation only (scale 1, no rotation), with full, horizontal-only and
// vertical-only control, a control point without a measured partner, and
// two new points, measured in shuffled order. Every line follows from the
// line layouts. The second run works on the transformed points, from the
// translation of the first, and finds no translation left.
TEST_F(AbsoluteSession, ReportSectionAndProcessingAgain) {
  Enter("Golden\n0.05\n1, 1010, 2020, 310\n2, 1050, 2010, 320\n9, 1100, 2100, 350\n"
        "3, 1030, 2060, 0\n4, 0, 0, 305\n5, 0, 0, 330\n0,0,0,0\n"
        "8, -5, 70, 8\n4, 40, 40, 5\n1, 10, 20, 10\n7, 25, 35, 12\n"
        "5, 20, 50, 30\n3, 30, 60, 15\n2, 50, 10, 20\n0 0 0 0\n");
  EXPECT_EQ(ui.messages, Lines{"POINT 9 DOES NOT MATCH"});
  EXPECT_EQ(console.module.AbsRedundancy, 2 * 4 + 5 - 7);
  console.PressCaption("Process Absolute Orient");
  console.PressCaption("Process Absolute Orient");
  EXPECT_EQ(ui.messages.size(), 1u);

  const char* control[][4] = {{"1", "1010.000", "2020.000", "310.000"},
                              {"2", "1050.000", "2010.000", "320.000"},
                              {"3", "1030.000", "2060.000", "0.000"},
                              {"4", "0.000", "0.000", "305.000"},
                              {"5", "0.000", "0.000", "330.000"}};
  Lines section = {" ", "  Control Points",
                   "  Point#           X                        Y                        Z"};
  for (const auto& c : control)
    section.push_back(At({{2, std::string(" ") + c[0] + " "}, {15, c[1]}, {35, c[2]}, {55, c[3]}}));
  section.insert(section.end(),
                 {"   ", "  Residuals", "  Point#         Vx                 Vy                Vz"});
  for (const auto& c : control)
    section.push_back(At({{2, std::string(" ") + c[0] + " "}, {20, "0.0000"}, {35, "0.0000"}, {50, "0.0000"}}));
  section.insert(section.end(),
                 {" ", " Transformation Parameters", " =========================", "   Dx = 1000.000",
                  "   Dy = 2000.000", "   Dz = 300.000", "   Scale = 1.000000", "   Omega = .000000",
                  "   Phi   = .000000", "   Kappa = .000000", "   So    = .000000", "   RMSE  = .000000",
                  "   Itera = 2", "   Convg = YES", "", "Transformed control and New points", "",
                  "Point No.          X                  Y                    Z"});
  const char* transformed[][4] = {
      {"1", "1010.000", "2020.000", "310.000"}, {"2", "1050.000", "2010.000", "320.000"},
      {"3", "1030.000", "2060.000", "315.000"}, {"4", "1040.000", "2040.000", "305.000"},
      {"5", "1020.000", "2050.000", "330.000"}, {"8", "995.000", "2070.000", "308.000"},
      {"7", "1025.000", "2035.000", "312.000"}};
  for (const auto& t : transformed) section.push_back(At({{1, t[0]}, {15, t[1]}, {30, t[2]}, {48, t[3]}}));

  Lines expected = Echo("Golden");
  expected.insert(expected.end(), section.begin(), section.end());
  for (std::string& line : section)
    if (line.rfind("   D", 0) == 0) line = line.substr(0, 8) + ".000";
  expected.insert(expected.end(), section.begin(), section.end());
  EXPECT_EQ(Report(), expected);
}

// Too little control (X = 0 with Y not 0 still counts as horizontal) and
// unreadable input are refused with a message after the title is echoed;
// the data entered before stay entered.
TEST_F(AbsoluteSession, InputThatIsNotEntered) {
  const std::string good = "1, 0, 20, 30\n2, 15, 25, 40\n3, 0, 0, 50\n0,0,0,0\n1,1,2,3\n";
  const std::pair<std::string, std::string> cases[] = {
      {"1, 10, 20, 30\n2, 0, 0, 40\n3, 0, 0, 50\n", "Horizontal control less than two points, Job aborted"},
      {"1, 10, 0, 0\n2, 0, 0, 40\n", "Horizontal control less than two points, Job aborted"},
      {"1, 10, 20, 30\n2, 15, 25, 0\n3, 0, 0, 50\n", "Vertical control less than three points, Job aborted"},
      {"1, 10, x, 30\n", "abs.txt, line 3: expected a number (Y of a control point), found \"x\""},
      {good, "abs.txt, line 8: expected a whole number from -2147483648 to 2147483647 "
             "(point number of a measured point), found the end of the file"},
  };
  Enter("T\n0.1\n" + good + "2,4,5,6\n3,7,8,9\n0,0,0,0\n");
  ASSERT_TRUE(Entered());
  Lines expected = Echo("T");
  for (const auto& [control, message] : cases) {
    SCOPED_TRACE(control);
    ui.messages.clear();
    Enter("T\n0.1\n" + control + (control == good ? "" : "0,0,0,0\n"));
    EXPECT_EQ(ui.messages, Lines{message});
    EXPECT_TRUE(Entered());
    const Lines echo = Echo("T");
    expected.insert(expected.end(), echo.begin(), echo.end());
  }
  EXPECT_EQ(Report(), expected);
}

// The counts pass, but without its unmatched partner the control gives only
// four observation rows: the solver refuses, nothing is reported and the
// measured points keep their model coordinates.
TEST_F(AbsoluteSession, SingularNormalEquationsReportNothing) {
  Enter("T\n0.1\n1, 10, 20, 30\n2, 40, 50, 60\n3, 0, 0, 70\n0,0,0,0\n1, 1, 2, 3\n3, 4, 5, 6\n0,0,0,0\n");
  EXPECT_TRUE(Entered());
  console.PressCaption("Process Absolute Orient");
  EXPECT_EQ(ui.messages, (Lines{"POINT 2 DOES NOT MATCH", "Error in Matrix inversion"}));
  EXPECT_EQ(Report(), Echo("T"));
  EXPECT_EQ(console.module.ModelXYZ(2), (Point3{4, 5, 6}));
}

// No fixed limits: 1,200 measured points and 150 control points without a
// partner (beyond the 999 and 100 of the old tables); a pure translation.
// Control replaced behind the operation's back (the resection shares the
// arrays) still gives a defined run, never a crash.
TEST_F(AbsoluteSession, LargeFilesAndReplacedControl) {
  std::string text = "Big\n1\n1, 101, 201, 330\n2, 102, 202, 340\n100, 103, 211, 309\n";
  for (int i = 0; i < 150; ++i) text += std::to_string(5000 + i) + ", 1, 1, 1\n";
  text += "0,0,0,0\n";
  for (int i = 1; i <= 1200; ++i)
    text += std::to_string(i) + ", " + std::to_string(i % 97) + ", " + std::to_string(i % 89) + ", " +
            (i == 1 ? "30" : i == 2 ? "40" : std::to_string(i % 13)) + "\n";
  Enter(text + "0,0,0,0\n");
  EXPECT_EQ(ui.messages.size(), 150u);
  EXPECT_EQ(ui.messages.back(), "POINT 5149 DOES NOT MATCH");
  console.PressCaption("Process Absolute Orient");
  const Lines report = Report();
  ASSERT_EQ(report.size(), 3 + 30 + 1200u);
  EXPECT_EQ(report.back(), At({{1, "1200"}, {15, "136.000"}, {30, "243.000"}, {48, "304.000"}}));

  console.module.ReserveControlPoints(5);
  console.module.CtrlPointCount = 5;
  console.module.CtrlXYZ(4) = console.module.CtrlXYZ(5) = {0, 0, 0};
  console.module.ImgPointCount = 1300;
  console.module.ReserveImagePoints(1301);
  console.PressCaption("Process Absolute Orient");
  EXPECT_EQ(Report().size(), report.size() + 34 + 1300);
}

}  // namespace
}  // namespace tessaro
