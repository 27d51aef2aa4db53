#include "resection/resection.h"

#include <array>
#include <cmath>
#include <regex>

#include "testing/reference.h"
#include "testing/session.h"

namespace tessaro {
namespace {

constexpr double kDeg = 3.14159265358979323846 / 180;

std::string Edited(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}

Operations ResectionOnly() {
  Operations ops;
  ops.ReadResectionInput = ReadResectionInput;
  ops.Resection = [](Console& c, int mode) { Resection(c, mode); };
  return ops;
}

class ResectionTest : public SessionTest {
 protected:
  ResectionTest() : SessionTest(ResectionOnly()) {}
  void SetUp() override {
    SessionTest::SetUp();
    OpenReport();
  }
  void Enter(const std::string& text, std::initializer_list<std::string> then = {}) {
    Choose("Open-Resection", "resection.txt", text);
    Press({"Enter Resection Data"});
    Press(then);
  }
  bool Solved() const { return console.job.ReadyFlag(kResectionSolved) == kTrue; }

  Module1& m_ = module;
  const std::string example_ = Read(TESSARO_SOURCE_DIR "/examples/resection.txt");
};

// The help topic's example, line for line (testdata/), but for the RMS: it
// and the precisions against a normal matrix formed here by numerical
// differentiation.
TEST_F(ResectionTest, ExampleReport) {
  Enter(example_, {"Make Resection"});
  const Lines r = Report();
  Lines golden = FileLines(TESSARO_SOURCE_DIR "/src/resection/testdata/example-report.txt");
  ASSERT_EQ(r.size(), golden.size());
  // Print zones from columns 15, 29, 43, ...: the RMS takes two of them.
  std::smatch rms;
  ASSERT_TRUE(std::regex_match(r[39], rms,
                               std::regex("  RMS=        ( \\.\\d+ ) +  ITER=        5"
                                          "             STATION=      111          "
                                          "Number of GCP= 9 ")))
      << r[39];
  golden[39] = r[39];
  EXPECT_EQ(r, golden);
  const Lines bb = console.BlackBoard.Lines();  // the last iteration; angles at 20 and 40
  ASSERT_EQ(bb.size(), 20u);
  EXPECT_EQ(
      (Lines{bb[8].substr(0, 14), bb[14].substr(0, 35), bb[19]}),
      (Lines{" 1            ", r[39].substr(0, 35), "1.25               -.75                2.5"}));

  Dense N(6, std::vector<long double>(6, 0));
  for (int k = 0; k < 6; ++k) N[k][k] = std::pow(k < 3 ? 1000 : 2000 * kDeg, -2);
  long double sum = 0, p[7][2];  // the image point with each unknown stepped by 1e-5, and as it is
  for (int i = 1; i <= 9; ++i) {
    const std::array<double, 3>& g = m_.CtrlXYZ(i);
    for (int k = 0; k < 7; ++k) {
      long double u[6] = {m_.Xo, m_.Yo, m_.Zo, m_.Omega, m_.Phi, m_.Kappa};
      if (k < 6) u[k] += 1e-5;
      const auto image = Project({u[0], u[1], u[2], u[3], u[4], u[5]}, 152, g[0], g[1], g[2]);
      p[k][0] = image[0];
      p[k][1] = image[1];
    }
    sum += std::pow(p[6][0] - m_.ImgX(i), 2) + std::pow(p[6][1] - m_.ImgY(i), 2);
    for (int c = 0; c < 2; ++c)  // rows of standard error 0.003
      for (int k = 0; k < 36; ++k)
        N[k / 6][k % 6] += (p[k / 6][c] - p[6][c]) * (p[k % 6][c] - p[6][c]) / 9e-16;
  }
  EXPECT_NEAR(std::stod(rms[1].str()), std::sqrt(sum / 18), 1e-9);
  const Dense Q = GaussJordan(N, std::vector<long double>(6, 0)).inverse;
  EXPECT_NEAR(m_.StationValues(7), std::sqrt(double(Q[0][0] + Q[1][1] + Q[2][2])), 1e-6);
  EXPECT_NEAR(m_.StationValues(8), std::sqrt(double(Q[3][3] + Q[4][4] + Q[5][5])), 1e-9);
  EXPECT_EQ(m_.StationValues(6), m_.Kappa);  // the result is the next run's observed station
}

// Points dropped from the example, then runs on the eight left (how runs
// end: the adjustment's own tests).
TEST_F(ResectionTest, DroppingPointsAndLimits) {
  // Control points 1 and 2 exchanged: image records find theirs by number.
  Enter(Edited(example_, " 1,    0, 1000, 124.519\n 2, 1000, 1000, 210.423",
               " 2, 1000, 1000, 210.423\n 1,    0, 1000, 124.519"));
  // 7 > 9 - 3 is refused with no question; 1.5 halves to even: 2.
  Press({"Select Control Points", "Select Control Points"}, {"7", "1.5", "3", "5"});
  EXPECT_EQ(ui.prompts.back(), "Enter Point ID2");
  // Each selection starts from all nine: an unknown number keeps one more.
  Press({"Select Control Points"}, {"2", "42", "6"});
  EXPECT_EQ(ui.messages, Lines{"Point No.  42 Not Found"});
  Press({"Reverse Direction", "Reverse Direction", "Make Resection"});
  EXPECT_NEAR(m_.Xo, 1000.59, 1e-2);  // the example is rounded to micrometres
  Press({"Make Resection"});          // from the solution: at once, the angles not converted again
  EXPECT_NEAR(m_.Kappa, 2.5 * kDeg, 1e-7);
  const Lines r = Report();
  // The numbers stand on one open line, which the first summary line ends;
  // the third selection shows the order the second left.
  EXPECT_EQ(r[26].substr(0, 81),
            " 1  2  3  4  5  6  7  8  9  1  2  3  4  5  6  7  8  9 "
            " 1  2  9  4  8  6  7  5  3 ");
  EXPECT_TRUE(std::regex_search(r[r.size() - 18], std::regex("ITER=        1 .*GCP= 8 $")));
  // Looking up instead of down, the second iteration diverges: not applied,
  // the summary line only.
  Press({"Reverse Direction", "Make Resection"});
  EXPECT_TRUE(
      std::regex_search(Report().back(), std::regex("  ITER=        2  +STATION=      111 $")));
  EXPECT_LT(std::fabs(m_.Zo - 3000), 10000);
}

TEST_F(ResectionTest, StationValuesDialog) {
  Enter(Edited(example_, "0,0,0,1000", "0.5,-2.313,0,1000"), {"Change Sta Parameters"});
  EXPECT_TRUE(console.IsShown(Window::Form2));
  EXPECT_EQ(console.Text1, (std::array<std::string, 9>{"800", "1500", "2300", "0.5", "-2.313", "0",
                                                       "1000", "1000", "2000"}));
  // Degrees typed into the dialog are the next run's observed values; an
  // angle precision of 0 frees the angles.
  console.Text1 = {"1000", "2000", "3000", "1", "-1", "2", "5", "5", "0"};
  console.StationValuesReturn();
  Press({"Make Resection"});
  EXPECT_NEAR(m_.Zo, 3000.475, 1e-2);
  // Xo and Zo are weighted with SigmaXY, here 1 mm, Yo with SigmaZ.
  Enter(
      Edited(example_, "800,1500,2300,0,0,0,1000", "1005.59,2005.321,3005.475,1.25,-.75,2.5,.001"),
      {"Make Resection"});
  ASSERT_TRUE(Solved());
  EXPECT_NEAR(m_.Xo, 1005.59, 1e-3);
  EXPECT_NEAR(m_.Zo, 3005.475, 1e-2);
  EXPECT_GT(std::fabs(m_.Yo - 2005.321), 1);
  EXPECT_EQ(console.BlackBoard.Lines().size(), 6u);  // the fourth iteration clears it
}

// The example edited, entered, and "Make Resection" pressed (a malformed file
// is the app's tests' concern).
TEST_F(ResectionTest, Refusals) {
  const std::string nc = ": the resection is not computed";
  const std::string noMatch = "Error Image point does not match the Control *** Job aborted";
  const std::vector<std::string> cases[] = {
      {"\n 9,", "\n 99,", noMatch, "No control point is in use" + nc},
      {"0.003", "0", "The standard error of the image coordinates is 0" + nc},
      {",1000,1000,2000", ",0,1000,2000", "The standard error SigmaXY of the station is 0" + nc},
      {",1000,1000,2000", ",1000,0,2000", "The standard error SigmaZ of the station is 0" + nc},
      {"259.714", "2300", "Point 5 lies level with the projection centre (q = 0)" + nc}};
  for (const auto& c : cases) {
    Enter(Edited(example_, c[0], c[1]));
    Press({"Make Resection"});
    EXPECT_EQ(ui.messages, Lines(c.begin() + 2, c.end()));
    EXPECT_FALSE(Solved());
    ui.messages.clear();
  }
  // After a good run, unprepared data run on the old points, angles in degrees: orderly.
  Enter(example_, {"Make Resection"});
  Enter(Edited(example_, "\n 9,", "\n 99,"), {"Make Resection"});
  EXPECT_EQ(ui.messages, Lines{noMatch});
}

}  // namespace
}  // namespace tessaro
