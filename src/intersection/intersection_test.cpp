#include "intersection/intersection.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "imagetrans/image_transformation.h"
#include "intersection/side_file.h"
#include "intersection/space_intersection.h"
#include "numeric/rotation.h"
#include "shell/console.h"
#include "testing/reference.h"
#include "testing/session.h"

namespace tessaro {
namespace {

namespace fs = std::filesystem;
struct Station {
  int no;
  double f, X0, Y0, Z0, omega, phi, kappa;
};  // angles in degrees

using V3 = std::array<long double, 3>;
const long double kDegree = 3.141592653589793238462643383279L / 180;

// Level photographs (f 100, Z0 1000, 500 apart) see point 5 (120, 80, 0) at (12, 8), (-38, 8).
const std::string kPhoto1 = "1, 100, 0, 0, 1000, 0, 0, 0\n";
const std::string kPhoto2 = "2, 100, 500, 0, 1000, 0, 0, 0\n";
const std::string kPair = "T\n2\n" + kPhoto1 + "5, 12, 8\n0,0,0\n" + kPhoto2 + "5, -38, 8\n0,0,0\n";
const std::string kNotEntered = "You must enter and refine Intersection data first";

class Intersection : public SessionTest {
 protected:
  Intersection()
      : SessionTest([] {
          Operations o;
          o.TransformImages = [](Console& c, std::int16_t& r) { TransformImages(c, r); };
          o.ReadIntersectionData = [](Console& c) { ReadIntersectionData(c); };
          o.ComputeIntersection = [](Console& c) { ComputeIntersection(c); };
          return o;
        }()) {}
  void SetUp() override {
    SessionTest::SetUp();
    Choose("Open Relative Orient", "strip.txt", "");
  }

  // Chooses, enters and (unless told not to) processes an input text.
  Lines Run(const std::string& text, bool process = true, const Lines& answers = {}) {
    Choose("Open-Intersection", "input.txt", text);
    if (process)
      Press({"Enter Intersection Data", "Process Intersection"}, answers);
    else
      Press({"Enter Intersection Data"}, answers);
    return Report();
  }

  // The side file: named after the relative orientation input strip.txt.
  fs::path Side() const { return dir / "strip.Raf"; }
};

// Disturbed rays of tilted photographs: X, Y, Z, So, Sx, Sy, Sz and the residuals agree
// with a long-double least-squares solution of the collinearity rows divided by
// q = m3.P0 of their photograph; exact rays give the point itself.
TEST(Intersect, AgreesWithALongDoubleReference) {
  const Station stations[] = {{111, 152, 1000.59, 2000.321, 3000.475, 1.25, -0.75, 2.5},
                              {222, 150.1, 2801.245, 1987.66, 3004.83, -2.1, -1.9, 181.25},
                              {333, 153.5, 1900.2, 3050.7, 2950.1, 3.2, 0.4, -88.5}};
  const double d = DegreeFactor();
  for (int n = 2; n <= 3; ++n)
    for (const V3& P : {V3{1352.18, 804.56, 187.24}, V3{2001.5, 2500.25, -12.5}})
      for (double noise : {0.0, 0.004}) {
        SCOPED_TRACE(testing::Message() << n << " rays to " << P[0] << ", noise " << noise);
        OneBased<Ray> rays(n);
        Dense rows;
        for (int k = 1; k <= n; ++k) {
          const Station& s = stations[k - 1];
          const ReferenceStation t = {
              s.X0, s.Y0, s.Z0, s.omega * kDegree, s.phi * kDegree, s.kappa * kDegree};
          const auto [px, py] = Project(t, s.f, P[0], P[1], P[2]);
          const V3 P0 = {s.X0, s.Y0, s.Z0}, q = Rotate(t, P0);  // q[2] = m3.P0
          const V3 m[3] = {Rotate(t, {1, 0, 0}), Rotate(t, {0, 1, 0}), Rotate(t, {0, 0, 1})};
          const double x = px + noise * std::sin(3.1 * k + P[0]);
          const double y = py + noise * std::cos(1.7 * k + P[0]);
          rays(k) = Ray{s.no, 7, x, y, s.X0, s.Y0, s.Z0, s.f, s.omega * d, s.phi * d, s.kappa * d};
          for (int a = 0; a < 2; ++a) {  // the x row, then the y row; m[j][i] = m_ij
            auto& row = rows.emplace_back(4, 0);
            for (int j = 0; j < 3; ++j) row[j] = (m[j][2] * (a ? y : x) + s.f * m[j][a]) / q[2];
            row[3] = row[0] * P0[0] + row[1] * P0[1] + row[2] * P0[2];
          }
        }
        const IntersectedPoint p = Intersect({7, rays});
        ASSERT_EQ(p.outcome, Outcome::Solved());
        const std::vector<long double> X = LeastSquares(rows);
        Dense normal(3, std::vector<long double>(3, 0));
        std::vector<long double> V;
        long double sum = 0;
        for (const auto& row : rows) {
          V.push_back(row[0] * X[0] + row[1] * X[1] + row[2] * X[2] - row[3]);
          sum += V.back() * V.back();
          for (int a = 0; a < 9; ++a) normal[a / 3][a % 3] += row[a / 3] * row[a % 3];
        }
        const Dense Q = GaussJordan(normal, {0, 0, 0}).inverse;
        const long double So = std::sqrt(sum / (2 * n - 3));
        auto S = [&](int i) { return So * std::sqrt(Q[i][i]); };
        const double got[] = {p.X, p.Y, p.Z, p.So, p.Sx, p.Sy, p.Sz, p.Vx(1), p.Vy(1), p.Vx(n)};
        const long double want[] = {X[0], X[1], X[2], So,   S(0),
                                    S(1), S(2), V[0], V[1], V[2 * n - 2]};
        for (int k = 0; k < 10; ++k) EXPECT_NEAR(got[k], double(want[k]), 1e-8) << k;
        EXPECT_TRUE(noise ? p.So > 1e-6 : std::hypot(p.X - P[0], p.Y - P[1], p.Z - P[2]) < 1e-8);
      }
}

// Point 7 at (100.625, 200, 0) images at x = 10.0625 and -39.9375 on the
// two level photographs, point 8 at (300, -150, 0) at 30 and -20. The whole
// section, and the window (its own columns, x to 4 decimals), character by
// character.
TEST_F(Intersection, GoldenSection) {
  const std::string golden = TESSARO_SOURCE_DIR "/src/intersection/testdata/golden-";
  EXPECT_EQ(Run("Golden pair\n2\n" + kPhoto1 + "7, 10.0625, 20\n8, 30, -15\n0,0,0\n" + kPhoto2 +
                "7, -39.9375, 20\n8, -20, -15\n0, 0, 0\n"),
            FileLines(golden + "report.txt"));
  EXPECT_EQ(console.BlackBoard.Lines(), FileLines(golden + "window.txt"));
  // Consumed; the flag and channel 1 stay; the station cells keep the last x values and M.
  EXPECT_EQ(std::tuple(fs::exists(Side()), console.job.ReadyFlag(kIntersectionEntered),
                       console.job.Channel1.IsOpen()),
            std::tuple(false, kTrue, true));
  EXPECT_EQ((std::vector{module.StationValues(1), module.StationValues(2), module.M(1, 1)}),
            (std::vector<double>{30, -20, 1}));
}

// The side file after entering, field by field at its byte offsets, read as little-endian
// whole numbers of 4 bytes (2 for counts) and reals of 8. Point 4 is seen once: no ground
// record, ground link 0. A point numbered 0 with a non-zero coordinate is a point. Ground
// points come in the order of their first observation, observations in reading order; a
// negative number is its two's complement.
TEST_F(Intersection, SideFileRecords) {
  Run("\"Side, file\"\n3\n"
      "11, 150, 1, 2, 3, 4, 5, 6\n5, 1.5, 2.5\n0, 7.5, 0\n-9, 3, 4\n0,0,0\n"
      "22, 151, 7, 8, 9, 10, 11, 12\n-9, -1, -2\n4, 5, 5\n0,0,0\n"
      "33, 152, 1, 1, 1, 0, 0, 0\n0, 0, 1\n5, 6, 7\n-9, 8, 9\n0,0,0\n",
      false);
  EXPECT_FALSE(console.job.Channel2.is_open());
  const std::string side = Read(Side());
  auto record = [&](std::size_t at, const std::vector<int>& widths, std::vector<double> want) {
    std::vector<double> got;
    for (std::size_t pos = at; int w : widths) {
      std::uint64_t v = 0;
      for (int k = w - 1; k >= 0; --k) v = v << 8 | static_cast<unsigned char>(side.at(pos + k));
      got.push_back(w == 8 ? std::bit_cast<double>(v) : w == 2 ? std::int16_t(v) : std::int32_t(v));
      pos += w;
    }
    EXPECT_EQ(got, want) << "the record at " << at;
  };
  // Photographs at 88, 242 and 368, each followed by its 28-byte
  // observations; ground points 5, 0 and -9 at 522, 608 and 694.
  ASSERT_EQ(side.size(), 780u);
  EXPECT_EQ(side.substr(0, 80), At({{1, "Side, file"}, {81, ""}}));
  record(80, {2, 4, 2}, {3, 522, 3});
  record(242, {4, 2, 4, 4, 8, 8, 8, 8, 8, 8, 8}, {22, 2, 312, 368, 151, 7, 8, 9, 10, 11, 12});
  for (const auto& [at, want] : {std::pair{158, std::vector<double>{5, 522, 88, 1.5, 2.5}},
                                 {186, {0, 608, 88, 7.5, 0}},
                                 {312, {-9, 694, 242, -1, -2}},
                                 {340, {4, 0, 242, 5, 5}},
                                 {438, {0, 608, 368, 0, 1}}})
    record(at, {4, 4, 4, 8, 8}, want);
  record(522, {4, 2, 4, 4}, {5, 2, 158, 466});
  record(608, {4, 2, 4, 4}, {0, 2, 186, 438});
  record(694, {4, 2, 4, 4, 4}, {-9, 3, 214, 312, 494});
  for (const auto& [relative, name] : {std::pair{"D:\\work\\strip.txt", "D:\\work\\strip.Raf"},
                                       {"D:\\my.data\\strip.txt", "D:\\my.Raf"},
                                       {"", ".Raf"},
                                       {"strip", "strip.Raf"}})
    EXPECT_EQ(SideFileName(relative), name);
}

// Refusals: each a message, the job state left sound, no side file behind.
TEST_F(Intersection, RefusalsAreMessages) {
  // Processing before entering, and a second time: the side file is consumed.
  Press({"Process Intersection"});
  const std::size_t lines = Run(kPair).size();
  Press({"Process Intersection"});
  EXPECT_EQ(ui.messages, (Lines{kNotEntered, kNotEntered}));
  EXPECT_EQ(Report().size(), lines);
  // Parallel rays of point 7 (photographs 1 and 3 at one place): point 5 printed, no tables.
  const Lines report = Run("T\n3\n" + kPhoto1 + "5, 12, 8\n7, 12.5, -3.25\n0,0,0\n" + kPhoto2 +
                           "5, -38, 8\n0,0,0\n3" + kPhoto1.substr(1) + "7, 12.5, -3.25\n0,0,0\n");
  EXPECT_EQ(ui.messages.back(), "Error in Matrix Inversion Point #  7");
  EXPECT_EQ(report.back().substr(0, 10), " 2    5   ");
  EXPECT_EQ(module.StationValues(2), 12.5);  // the station cells of the point that stopped
  EXPECT_FALSE(fs::exists(Side()));
  // A station whose m3.P0 is zero cannot divide its rows.
  Run("T\n2\n" + kPhoto1 + "5, 12, 8\n0,0,0\n3, 100, 0, 0, 0, 0, 0, 0\n5, 1, 1\n0,0,0\n");
  EXPECT_EQ(ui.messages.back(),
            "Photograph 3: m31*X0 + m32*Y0 + m33*Z0 is zero, its rays cannot "
            "be used; point 5 is not intersected");
  // Nine photographs see point 5: only eight fit a ground record.
  std::string nine = "T\n9\n";
  for (int k = 0; k < 9; ++k) nine += kPhoto1 + "5, 12, 8\n0,0,0\n";
  Run(nine, false);
  EXPECT_EQ(ui.messages.back(),
            "Point 5 is seen on 9 photographs; at most 8 photographs can intersect one point");
  EXPECT_EQ(console.job.ReadyFlag(kIntersectionEntered), kFalse);
  EXPECT_FALSE(fs::exists(Side()));
  // A file that ends early: the flag as it was, the side file deleted.
  Run(kPair, false);
  Run("T\n2\n" + kPhoto1 + "7, 1, 2\n0,0,0\n2, 100, 5, x\n", false);
  EXPECT_EQ(console.job.ReadyFlag(kIntersectionEntered), kTrue);
  EXPECT_FALSE(fs::exists(Side()));
}

// The side file cannot be made (a folder of its name) or cannot be written (a full
// disk, /dev/full standing in for it): each a message, the data no longer entered, the
// report as written and nothing left behind.
TEST_F(Intersection, SideFileFaultsAreMessages) {
  const std::string side = "The intersection side file " + Side().string();
  const std::size_t echo = Run(kPair, false).size();
  fs::remove(Side());
  fs::create_directory(Side());
  EXPECT_EQ(Run(kPair, false).size(), echo);
  EXPECT_EQ(ui.messages.back(), side + " cannot be created: Is a directory");
  EXPECT_EQ(console.job.ReadyFlag(kIntersectionEntered), kFalse);
  fs::remove(Side());

  if (!fs::exists("/dev/full")) return;
  fs::create_symlink("/dev/full", Side());
  EXPECT_EQ(Run(kPair, false).size(), 2 * echo);
  EXPECT_EQ(ui.messages.back(), side + " cannot be written");
  EXPECT_EQ(console.job.ReadyFlag(kIntersectionEntered), kFalse);
  EXPECT_FALSE(fs::exists(fs::symlink_status(Side())));
}

// A photograph measured on the comparator names its fiducial marks twice, calibrated and
// then measured (testdata/comparator.txt, the user guide's example); the affine fit, here
// X = 10 + 2u, Y = -5 + 2v, brings its points into the photo system before they are filed:
// the results are those of the golden section, whose photograph 2 is in photo coordinates.
TEST_F(Intersection, TwiceListedFiducialsFirst) {
  const std::string comparator =
      Read(fs::path(TESSARO_SOURCE_DIR) / "src/intersection/testdata/comparator.txt");
  EXPECT_EQ(Run(comparator, true, {""}).back(),
            At({{1, " 8 "}, {10, "300.000"}, {25, "-150.000"}, {45, "0.000"}}));
  EXPECT_EQ(ui.prompts, Lines{"Is the solution acceptable? Y/N"});
  EXPECT_EQ(console.module.FiducialCount, 4);
  // Refused: the data are not entered.
  Run(comparator, true, {"N"});
  EXPECT_EQ(ui.messages, (Lines{"Photograph 2: the transformation was not accepted; the "
                                "intersection data are not entered",
                                kNotEntered}));
  EXPECT_FALSE(fs::exists(Side()));
}

// The example file runs to the report. Its standard deviations are not zero:
// the report writes Sy with three decimals, the window adds a fourth.
TEST_F(Intersection, SyInThreeAndFourDecimals) {
  const Lines report = Run(Read(fs::path(TESSARO_SOURCE_DIR) / "examples/intersection.txt"));
  EXPECT_EQ(report.at(report.size() - 21).substr(0, 60),
            At({{1, " 101 "}, {10, "1352.186"}, {30, "0.002"}, {40, "804.569"}, {55, "0.003 "}}));
  EXPECT_EQ(console.BlackBoard.Lines().at(8 + 27).substr(54, 7), "0.0034 ");
}

}  // namespace
}  // namespace tessaro
