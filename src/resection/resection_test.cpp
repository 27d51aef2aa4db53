#include "resection/resection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "shell/console.h"
#include "testing/test_support.h"

namespace tessaro {
namespace {

constexpr double kDeg = 3.14159265358979323846 / 180;

struct Station {
  double X, Y, Z, omega, phi, kappa;  // degrees
};

// Image coordinates of a ground point seen from a station, with the rotation
// formed as the product R(kappa) R(phi) R(omega) of the plane rotations.
void Project(const Station& s, double f, const double (&g)[3], double& x, double& y) {
  const double w = s.omega * kDeg, p = s.phi * kDeg, k = s.kappa * kDeg;
  const double Rw[3][3] = {{1, 0, 0}, {0, cos(w), sin(w)}, {0, -sin(w), cos(w)}};
  const double Rp[3][3] = {{cos(p), 0, -sin(p)}, {0, 1, 0}, {sin(p), 0, cos(p)}};
  const double Rk[3][3] = {{cos(k), sin(k), 0}, {-sin(k), cos(k), 0}, {0, 0, 1}};
  double T[3][3] = {}, M[3][3] = {}, v[3] = {};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int n = 0; n < 3; ++n) T[i][j] += Rp[i][n] * Rw[n][j];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int n = 0; n < 3; ++n) M[i][j] += Rk[i][n] * T[n][j];
  const double d[3] = {g[0] - s.X, g[1] - s.Y, g[2] - s.Z};
  for (int i = 0; i < 3; ++i) v[i] = M[i][0] * d[0] + M[i][1] * d[1] + M[i][2] * d[2];
  x = -f * v[0] / v[2];
  y = -f * v[1] / v[2];
}

std::string Num(double v) {
  char b[40];
  std::snprintf(b, sizeof b, "%.17g", v);
  return b;
}

// A resection file over an n by n grid of control points (numbered 1..n*n,
// with relief) seen error-free from `truth` with f = 152; the file's f is
// fileF, it starts from `start`, and may list its image records backwards.
std::string SyntheticFile(const Station& truth, double fileF, int n, const Station& start,
                          bool backwards = false) {
  std::string s =
      "\"synthetic, " + std::to_string(n * n) + " points\"\n1, " + Num(fileF) + ", 0.003\n";
  std::vector<std::string> images;
  for (int i = 0; i < n * n; ++i) {
    const double g[3] = {2000.0 * (i % n) / (n - 1), 3000.0 * (i / n) / (n - 1),
                         100 + 37.0 * (i % 7) + 11.0 * (i % 5)};
    double x, y;
    Project(truth, 152, g, x, y);
    s += std::to_string(i + 1) + ", " + Num(g[0]) + ", " + Num(g[1]) + ", " + Num(g[2]) + "\n";
    images.insert(backwards ? images.begin() : images.end(),
                  std::to_string(i + 1) + " " + Num(x) + " " + Num(y) + "\n");
  }
  s += "0,0,0,0\n111, " + Num(start.X) + ", " + Num(start.Y) + ", " + Num(start.Z) + ", " +
       Num(start.omega) + ", " + Num(start.phi) + ", " + Num(start.kappa) + ", 1000, 1000, 2000\n";
  for (const std::string& line : images) s += line;
  return s + "0,0,0\n";
}

// The last line that holds text.
std::string LastWith(const Lines& lines, const std::string& text) {
  for (auto it = lines.rbegin(); it != lines.rend(); ++it)
    if (it->find(text) != std::string::npos) return *it;
  return "no line with " + text;
}

const Operations kOps = [] {
  Operations ops;
  ops.ReadResectionInput = ReadResectionInput;
  ops.Resection = Resection;
  return ops;
}();

class ResectionTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    console_.Load();
    ui_.files = {PathOf("report.txt")};
    console_.PressCaption("Open-OutputFile");
  }
  void Enter(const std::string& text) {
    ui_.files = {File("resection.txt", text)};
    console_.PressCaption("Open-Resection");
    console_.PressCaption("Enter Resection Data");
  }
  void Press(const std::string& caption, const std::vector<std::string>& answers = {}) {
    ui_.answers.assign(answers.begin(), answers.end());
    console_.PressCaption(caption);
    EXPECT_TRUE(ui_.answers.empty()) << caption;
  }
  Lines Report() const { return CrLfLines(Read(dir / "report.txt")); }
  std::vector<int> Order() const {
    std::vector<int> order;
    for (int i = 1; i <= console_.module.CtrlPointCount; ++i)
      order.push_back(console_.module.ImgPointNo(i));
    return order;
  }
  bool Solved() const { return console_.job.ReadyFlag(kResectionSolved) == kTrue; }

  FakeUi ui_;
  Console console_{ui_, kOps};
  Module1& m_ = console_.module;
};

const Station kTruth = {1000.59, 2000.321, 3000.475, 1.25, -0.75, 2.5};
const Station kRough = {800, 1500, 2300, 0, 0, 0};

struct RecoveryCase {
  const char* name;
  Station truth, start;
  double fileF;  // the f that the file gives; -152 needs "Reverse Direction"
  int grid;
};

void PrintTo(const RecoveryCase& c, std::ostream* os) { *os << c.name; }

class Recovery : public ResectionTest, public ::testing::WithParamInterface<RecoveryCase> {};

TEST_P(Recovery, KnownStationComesBack) {
  const RecoveryCase& t = GetParam();
  Enter(SyntheticFile(t.truth, t.fileF, t.grid, t.start, true));
  if (t.fileF < 0) Press("Reverse Direction");
  // The rough station is observed too, with standard errors of 1000 m: it
  // pulls the first solution by some micrometres. The second run observes
  // that solution instead, and the pull vanishes.
  for (double tolerance : {1e-4, 1e-8}) {
    Press("Make Resection");
    ASSERT_TRUE(Solved()) << ::testing::PrintToString(ui_.messages);
    EXPECT_NEAR(m_.Xo, t.truth.X, tolerance);
    EXPECT_NEAR(m_.Yo, t.truth.Y, tolerance);
    EXPECT_NEAR(m_.Zo, t.truth.Z, tolerance);
    EXPECT_NEAR(m_.Omega, t.truth.omega * kDeg, tolerance / 1000);
    EXPECT_NEAR(m_.Phi, t.truth.phi * kDeg, tolerance / 1000);
    EXPECT_NEAR(m_.Kappa, t.truth.kappa * kDeg, tolerance / 1000);
  }
  EXPECT_EQ(m_.PointsInUse, t.grid * t.grid);
  EXPECT_DOUBLE_EQ(m_.StationValues(1), m_.Xo);
  EXPECT_GT(m_.StationValues(7), 0);
  EXPECT_GT(m_.StationValues(8), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Resection, Recovery,
    ::testing::Values(
        RecoveryCase{"Nadir", kTruth, kRough, 152, 3},
        RecoveryCase{
            "Tilted", {1510, 870, 2450, 4.5, -3.2, 97}, {1300, 1000, 2000, 0, 0, 90}, 152, 3},
        RecoveryCase{"Reversed", kTruth, kRough, -152, 3},
        // More than the 300 points of the fixed tables.
        RecoveryCase{"FourHundredPoints", kTruth, kRough, 152, 20}),
    [](const auto& info) { return std::string(info.param.name); });

// The example of the help topic, section by section against the line layouts.
TEST_F(ResectionTest, ExampleReport) {
  Enter(Read(TESSARO_SOURCE_DIR "/examples/resection.txt"));
  Press("Make Resection");
  const Lines r = Report();
  ASSERT_EQ(r.size(), 58u);
  EXPECT_EQ(r[0], "Test on resection using 9-point simulated data" + std::string(34, ' '));
  EXPECT_EQ(r[1], " 1             152           .003 ");
  EXPECT_EQ(r[2], "Control Points");
  EXPECT_EQ(r[9], " 7  0  3000  151.67 ");
  EXPECT_EQ(r[12], " 0  0  0  0 ");
  EXPECT_EQ(r[14],
            " 111          "
            " 800          "
            " 1500         "
            " 2300         "
            " 0            "
            " 0            "
            " 0            "
            " 1000         "
            " 1000         "
            " 2000 ");
  EXPECT_EQ(r[19], " 4            -54.76        -.961 ");
  EXPECT_EQ(r[25], " 0             0             0 ");
  const Lines result(r.begin() + 26, r.end());
  const Lines expected = {"  ",
                          "Point#        X           VX        Y              VY",
                          " ",
                          " 1       -57.973        .         -54.404        .",
                          " 2       -4.562         .         -58.131        .",
                          " 3       51.915         .         -62.256        .",
                          " 4       -54.76         .         -.961          .",
                          " 5       -2.166         .         -3.243         .",
                          " 6       56.25          .         -5.778         .",
                          " 7       -53.008        .         52.236         .",
                          " 8       .305           .         53.366         .001",
                          " 9       54.292         .         48.514         .",
                          "  ",
                          "RMS line",
                          " ",
                          "    EXTERIOR ORIENTATION PARAMETERS",
                          "    X                   Y              Z",
                          "1000.59       2000.321       3000.475",
                          " ",
                          "Omega          Phi           Kapa [D.d]",
                          "1.25          -.75           2.5",
                          " ",
                          "   Point i, Radial Distamce r,   Dr",
                          " 1       79.503         .",
                          " 2       58.31          .",
                          " 3       81.062         .",
                          " 4       54.768         .",
                          " 5       3.9            .",
                          " 6       56.546         .",
                          " 7       74.421         .",
                          " 8       53.367         .001",
                          " 9       72.81          ."};
  for (std::size_t i = 0; i < expected.size(); ++i)
    if (i != 13) {
      EXPECT_EQ(result[i], expected[i]) << i;
    }
  // Print zones from columns 15, 29, 43, ...: the RMS takes two of them.
  EXPECT_TRUE(std::regex_match(result[13], std::regex("  RMS=        ( \\.\\d+ ) +"
                                                      "  ITER=        5             STATION= "
                                                      "     111          Number of GCP= 9 ")))
      << result[13];
  // BlackBoard ends with the figures of the last iteration, its angles
  // placed at columns 20 and 40.
  const Lines bb = console_.BlackBoard.Lines();
  ASSERT_EQ(bb.size(), 20u);
  EXPECT_EQ(bb[8].substr(0, 14), " 1            ");
  EXPECT_EQ(bb[18], "Omega          Phi           Kapa [D.d]");
  EXPECT_EQ(bb[19], "1.25               -.75                2.5");
}

TEST_F(ResectionTest, CommandsBeforeTheDataAnswerTwice) {
  Press("Iterations");
  EXPECT_EQ(ui_.messages, Lines(2, "You must enter and refine Resection data first"));
  EXPECT_TRUE(ui_.prompts.empty());
}

TEST_F(ResectionTest, DroppingPoints) {
  Enter(SyntheticFile(kTruth, 152, 3, kRough));
  Press("Select Control Points", {"7"});  // 7 > 9 - 3: refused, no question
  EXPECT_EQ(ui_.prompts, Lines{"Enter number of control points to be droped"});
  EXPECT_EQ(m_.PointsInUse, 9);
  Press("Select Control Points", {"2", "3", "5"});
  EXPECT_EQ(ui_.prompts.back(), "Enter Point ID2");
  EXPECT_EQ(Order(), (std::vector<int>{1, 2, 9, 4, 8, 6, 7, 5, 3}));
  EXPECT_EQ(m_.PointsInUse, 7);
  // Each selection starts from all nine: an unknown number keeps one more.
  Press("Select Control Points", {"2", "42", "6"});
  EXPECT_EQ(ui_.messages, Lines{"Point No.  42 Not Found"});
  EXPECT_EQ(m_.PointsInUse, 8);
  EXPECT_EQ(Order().back(), 6);
  Press("Make Resection");
  ASSERT_TRUE(Solved());
  EXPECT_NEAR(m_.Xo, kTruth.X, 1e-4);
  const Lines r = Report();
  // The point numbers stand on one line, left open: the result section's
  // first statement "  " ends it.
  EXPECT_EQ(r[26],
            " 1  2  3  4  5  6  7  8  9 "
            " 1  2  3  4  5  6  7  8  9 "
            " 1  2  9  4  8  6  7  5  3   ");
  EXPECT_TRUE(std::regex_search(LastWith(r, "GCP="), std::regex("Number of GCP= 8 $")));
}

TEST_F(ResectionTest, IterationLimitsAndDirection) {
  Enter(SyntheticFile(kTruth, 152, 3, kRough));
  Press("Iterations", {""});  // empty: limit 0, one iteration applied
  Press("Make Resection");
  EXPECT_FALSE(Solved());
  EXPECT_TRUE(std::regex_match(Report().back(), std::regex("  RMS=.*  ITER=        1 .* 111 ")));
  Press("Iterations", {"2.5"});  // halves to even: 2
  Press("Make Resection");
  EXPECT_TRUE(std::regex_search(Report().back(), std::regex("ITER=        3 ")));
  Press("Reverse Direction");
  Press("Reverse Direction");
  EXPECT_EQ(m_.PrincipalDistance, 152);
  EXPECT_EQ(m_.DirectionSign, 1);
  Press("Iterations", {"8"});
  Press("Make Resection");
  ASSERT_TRUE(Solved());
  // A second run starts at the solution: it converges at once, and the
  // angles are not turned into radians a second time.
  Press("Make Resection");
  EXPECT_TRUE(std::regex_search(LastWith(Report(), "GCP="), std::regex("ITER=        1 ")));
  EXPECT_NEAR(m_.Kappa, kTruth.kappa * kDeg, 1e-9);
}

TEST_F(ResectionTest, StationValuesDialog) {
  Enter(SyntheticFile(kTruth, 152, 3, {800, 1500, 2300, 0.5, -2.313, 0}));
  Press("Change Sta Parameters");
  EXPECT_TRUE(console_.IsShown(Window::Form2));
  const std::array<std::string, 9> shown = {"800", "1500", "2300", "0.5", "-2.313",
                                            "0",   "1000", "1000", "2000"};
  EXPECT_EQ(console_.Text1, shown);
  // Degrees typed into the dialog are the next run's approximate values.
  console_.Text1 = {"1000", "2000", "3000", "1", "-1", "2", "5", "5", "1"};
  console_.StationValuesReturn();
  EXPECT_EQ(m_.SigmaXY, 1000);  // S-xy and S-z boxes do not weight
  Press("Make Resection");
  ASSERT_TRUE(Solved());
  EXPECT_NEAR(m_.Zo, kTruth.Z, 1e-4);
  Press("Change Sta Parameters");
  EXPECT_EQ(console_.Text1[6], "0" + PlainReal(m_.StationValues(7)));  // the result's precision
}

TEST_F(ResectionTest, UnmatchedPointLeavesItUnprepared) {
  const std::string good = SyntheticFile(kTruth, 152, 3, kRough);
  std::string file = good;
  file.replace(file.find("\n9 "), 3, "\n99 ");
  Enter(file);
  Press("Iterations", {"3"});  // the command's own mode still runs
  const std::string noMatch = "Error Image point does not match the Control *** Job aborted";
  EXPECT_EQ(ui_.messages, Lines{noMatch});
  EXPECT_EQ(console_.job.OpenFlag(kResectionPrepared), kFalse);
  Press("Make Resection");
  EXPECT_EQ(ui_.messages,
            (Lines{noMatch, noMatch, "No control point is in use: the resection is not computed"}));
  EXPECT_FALSE(Solved());
  // After a run on good data, the unmatched file is adjusted on the points
  // of the earlier preparation, its angles still in degrees: a meaningless
  // run, but an orderly one.
  console_.PressCaption("Close-Resection");
  Enter(good);
  Press("Make Resection");
  ASSERT_TRUE(Solved());
  console_.PressCaption("Close-Resection");
  std::string more = SyntheticFile({1200, 1800, 2900, 2, 1, 30}, 152, 4, kRough);
  more.replace(more.find("\n16 "), 4, "\n99 ");
  Enter(more);
  const std::size_t before = Report().size();
  Press("Make Resection");
  EXPECT_EQ(ui_.messages.back(), noMatch);
  EXPECT_GT(Report().size(), before);
}

// Figures that would divide by zero: refused before anything is written.
TEST_F(ResectionTest, OrderlyRefusals) {
  const std::string example = Read(TESSARO_SOURCE_DIR "/examples/resection.txt");
  const std::string cases[][3] = {
      {"0.003", "0", "The standard error of the image coordinates is 0"},
      {",1000,1000,2000", ",0,1000,2000", "The standard error SigmaXY of the station is 0"},
      {",1000,1000,2000", ",1000,0,2000", "The standard error SigmaZ of the station is 0"},
      // Level with the level start station, 2300 m high.
      {"259.714", "2300", "Point 5 lies level with the projection centre (q = 0)"}};
  for (const auto& [from, to, message] : cases) {
    std::string file = example;
    file.replace(file.find(from), from.size(), to);
    Enter(file);
    const std::size_t before = Report().size();
    ui_.messages.clear();
    Press("Make Resection");
    EXPECT_EQ(ui_.messages, Lines{message + ": the resection is not computed"});
    EXPECT_EQ(Report().size(), before);
    EXPECT_FALSE(Solved());
    console_.PressCaption("Close-Resection");
  }
}

TEST_F(ResectionTest, BadInputNamesItsLine) {
  const std::pair<std::string, std::string> cases[] = {
      {"\"t\"\n1 152 .003\n1 0 1000 12.5a\n",
       "resection.txt, line 3: expected a number (Z of a control point), found \"12.5a\""},
      {"\"t\"\n1 152 .003\n0,0,0,0\n111 800 1500\n",
       "resection.txt, line 5: expected a number (Zo of the station), found the end of the file"}};
  for (const auto& [text, message] : cases) {
    Enter(text);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0], message);
    EXPECT_EQ(console_.job.ReadyFlag(kResectionEntered), kFalse);
    ui_.messages.clear();
    console_.PressCaption("Close-Resection");
  }
}

}  // namespace
}  // namespace tessaro
