#include "intersection/intersection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "imagetrans/image_transformation.h"
#include "intersection/side_file.h"
#include "intersection/space_intersection.h"
#include "shell/console.h"
#include "testing/reference.h"
#include "testing/test_support.h"

namespace tessaro {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

struct Station {
  int no;
  double f, X0, Y0, Z0, omega, phi, kappa;  // degrees
};
struct Point {
  int no;
  double X, Y, Z;
};
struct Image {
  int no;
  double x, y;
};

// M = R_kappa R_phi R_omega multiplied out in long double: a second route to
// the rotation, not the element formulas of the program.
using M3 = long double[3][3];
void Rotation(const Station& s, M3& m) {
  const long double d = 3.141592653589793238462643383279L / 180;
  const long double w = s.omega * d, p = s.phi * d, k = s.kappa * d;
  const long double Rw[3][3] = {{1, 0, 0}, {0, cosl(w), sinl(w)}, {0, -sinl(w), cosl(w)}};
  const long double Rp[3][3] = {{cosl(p), 0, -sinl(p)}, {0, 1, 0}, {sinl(p), 0, cosl(p)}};
  const long double Rk[3][3] = {{cosl(k), sinl(k), 0}, {-sinl(k), cosl(k), 0}, {0, 0, 1}};
  long double t[3][3] = {};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int l = 0; l < 3; ++l) t[i][j] += Rp[i][l] * Rw[l][j];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      m[i][j] = 0;
      for (int l = 0; l < 3; ++l) m[i][j] += Rk[i][l] * t[l][j];
    }
}

Image Project(const Station& s, const Point& P) {
  M3 m;
  Rotation(s, m);
  const long double d[3] = {P.X - s.X0, P.Y - s.Y0, P.Z - s.Z0};
  long double r[3] = {};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r[i] += m[i][j] * d[j];
  return {P.no, double(-s.f * r[0] / r[2]), double(-s.f * r[1] / r[2])};
}

std::string Num(double v) {
  char b[40];
  std::snprintf(b, sizeof b, "%.17g", v);
  return b;
}

// An input file: title, count, each station with its image points.
std::string Input(const std::vector<std::pair<Station, std::vector<Image>>>& photos) {
  std::string s = "\"Synthetic block\"\n" + std::to_string(photos.size()) + "\n";
  for (const auto& [st, images] : photos) {
    s += std::to_string(st.no) + ", " + Num(st.f) + ", " + Num(st.X0) + ", " + Num(st.Y0) + ", " +
         Num(st.Z0) + ", " + Num(st.omega) + ", " + Num(st.phi) + ", " + Num(st.kappa) + "\n";
    for (const Image& i : images)
      s += std::to_string(i.no) + ", " + Num(i.x) + ", " + Num(i.y) + "\n";
    s += "0,0,0\n";
  }
  return s;
}

const std::vector<Station> kStations = {{111, 152, 1000.59, 2000.321, 3000.475, 1.25, -0.75, 2.5},
                                        {222, 152, 2801.245, 1987.66, 3004.83, -0.6, 1.1, 1.85},
                                        {333, 153.5, 1900.2, 3050.7, 2950.1, 3.2, 0.4, -88.5},
                                        {444, 150.1, 1950.4, 900.2, 3100.9, -2.1, -1.9, 181.25}};
const std::vector<Point> kPoints = {{101, 1352.18, 804.56, 187.24}, {105, 1894.06, 1978.24, 352.78},
                                    {109, 2452.69, 3239.08, 318.06}, {7, 2001.5, 2500.25, -12.5}};

// Text placed at columns: {{1, "a"}, {15, "b"}} is "a" then blanks up to 15, "b".
std::string At(const std::vector<std::pair<std::size_t, std::string>>& items) {
  std::string s;
  for (const auto& [column, text] : items) s += std::string(column - 1 - s.size(), ' ') + text;
  return s;
}

class Intersection : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    console_.Load();
    ui_.files = {PathOf("report.txt"), PathOf("strip.txt")};
    console_.PressCaption("Open-OutputFile");
    console_.PressCaption("Open Relative Orient");
  }

  // Chooses, enters and (unless told not to) processes an input text.
  Lines Run(const std::string& text, bool process = true, const Lines& answers = {}) {
    ui_.files = {File("input.txt", text)};
    ui_.answers.assign(answers.begin(), answers.end());
    console_.PressCaption("Close-Intersection");
    console_.PressCaption("Open-Intersection");
    console_.PressCaption("Enter Intersection Data");
    if (process) console_.PressCaption("Process Intersection");
    return Report();
  }

  // The side file: named after the relative orientation input strip.txt.
  fs::path Side() const { return dir / "strip.Raf"; }

  Lines Report() {
    const std::string all = Read(dir / "report.txt");
    Lines lines;
    std::size_t start = 0;
    for (std::size_t end; (end = all.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(all.substr(start, end - start));
    EXPECT_EQ(start, all.size()) << "report does not end with CR LF";
    return lines;
  }

  template <class Bytes>
  Bytes Record(std::size_t offset) const {
    const std::string all = Read(Side());
    Bytes b{};
    EXPECT_LE(offset + b.size(), all.size());
    for (std::size_t k = 0; k < b.size() && offset + k < all.size(); ++k)
      b[k] = static_cast<unsigned char>(all[offset + k]);
    return b;
  }

  FakeUi ui_;
  Console console_{ui_, [] {
                     Operations ops;
                     ops.TransformImages = TransformImages;
                     ops.ReadIntersectionData = ReadIntersectionData;
                     ops.ComputeIntersection = ComputeIntersection;
                     return ops;
                   }()};
};

// Rays of known stations through known points: the points come back to
// 1e-8 with zero residuals; disturbed, X, Y, Z, So and Sx, Sy, Sz agree with
// a long-double least-squares solution of the collinearity rows divided by q.
TEST(Intersect, RecoversKnownPointsAndAgreesWithAReference) {
  for (int n = 2; n <= 4; ++n) {
    for (const Point& P : kPoints) {
      for (double noise : {0.0, 0.004}) {
        SCOPED_TRACE(testing::Message() << n << " rays, point " << P.no << ", noise " << noise);
        OneBased<Ray> rays(n);
        Dense rows;
        for (int k = 1; k <= n; ++k) {
          const Station& s = kStations[k - 1];
          Image i = Project(s, P);
          i.x += noise * std::sin(3.1 * k + P.no);
          i.y += noise * std::cos(1.7 * k + P.no);
          rays(k) = Ray{s.no, P.no, i.x, i.y, s.X0, s.Y0, s.Z0, s.f,
                        s.omega * DegreeFactor(), s.phi * DegreeFactor(), s.kappa * DegreeFactor()};
          M3 m;
          Rotation(s, m);
          const long double q = m[2][0] * s.X0 + m[2][1] * s.Y0 + m[2][2] * s.Z0;
          for (int r = 0; r < 2; ++r) {
            const long double obs = r == 0 ? i.x : i.y;
            std::vector<long double> row(4);
            long double l = 0;
            for (int j = 0; j < 3; ++j) {
              row[j] = (m[2][j] * obs + s.f * m[r][j]) / q;
              l += row[j] * (j == 0 ? s.X0 : j == 1 ? s.Y0 : s.Z0);
            }
            row[3] = l;
            rows.push_back(row);
          }
        }
        const IntersectedPoint p = Intersect(rays, n);
        ASSERT_EQ(p.ErrCode + p.ZeroQRay, 0);
        const std::vector<long double> ref = LeastSquares(rows);
        auto V = [&](const std::vector<long double>& row) {
          return row[0] * ref[0] + row[1] * ref[1] + row[2] * ref[2] - row[3];
        };
        long double sum = 0;
        Dense normal(3, std::vector<long double>(3, 0));
        for (const auto& row : rows) {
          sum += V(row) * V(row);
          for (int a = 0; a < 3; ++a)
            for (int b = 0; b < 3; ++b) normal[a][b] += row[a] * row[b];
        }
        const Dense Q = GaussJordan(normal, {0, 0, 0}).inverse;
        const long double So = std::sqrt(sum / (2 * n - 3));
        const double got[] = {p.X, p.Y, p.Z, p.So, p.Sx, p.Sy, p.Sz, p.Vx(n), p.Vy(n)};
        // The last ray's residuals stand for all: each is its row at the solution.
        const long double want[] = {ref[0], ref[1], ref[2], So, So * std::sqrt(Q[0][0]),
                                    So * std::sqrt(Q[1][1]), So * std::sqrt(Q[2][2]),
                                    V(rows[2 * n - 2]), V(rows[2 * n - 1])};
        for (int k = 0; k < 9; ++k) EXPECT_NEAR(got[k], double(want[k]), 1e-8) << k;
        if (noise == 0) {
          EXPECT_NEAR(p.X, P.X, 1e-8);
          EXPECT_NEAR(p.Y, P.Y, 1e-8);
          EXPECT_NEAR(p.Z, P.Z, 1e-8);
        } else {
          EXPECT_GT(p.So, 1e-6) << "the noise is really there";
        }
      }
    }
  }
}

// Two level photographs 500 apart, f = 100, Z0 = 1000: point 7 at
// (100.625, 200, 0) images at x = 10.0625 and -39.9375, point 8 at
// (300, -150, 0) at 30 and -20. The whole section, character by character.
TEST_F(Intersection, GoldenSection) {
  const Lines report = Run(
      "Golden pair\n2\n1, 100, 0, 0, 1000, 0, 0, 0\n7, 10.0625, 20\n8, 30, -15\n0,0,0\n"
      "2, 100, 500, 0, 1000, 0, 0, 0\n7, -39.9375, 20\n8, -20, -15\n0, 0, 0\n");
  const std::string zero = "0.000";
  auto residual = [&](const char* photo, const char* point, const char* x, const char* y) {
    return At({{1, photo}, {6, point}, {15, x}, {25, zero}, {35, y}, {45, zero}});
  };
  auto result = [&](const char* point, const char* X, const char* Y) {
    return At({{1, point}, {10, X}, {30, zero}, {40, Y}, {55, zero}, {65, zero}, {80, zero}});
  };
  const Lines expected = {
      At({{1, "Golden pair"}, {81, ""}}),
      " 2 ",
      At({{1, " 1 "}, {15, " 100  0  0  1000  0  0  0  "}}),
      At({{1, " 7 "}, {15, " 10.0625 "}, {29, " 20 "}}),
      At({{1, " 8 "}, {15, " 30 "}, {29, "-15 "}}),
      At({{1, " 0 "}, {15, " 0 "}, {29, " 0 "}}),
      At({{1, " 2 "}, {15, " 100  500  0  1000  0  0  0  "}}),
      At({{1, " 7 "}, {15, "-39.9375 "}, {29, " 20 "}}),
      At({{1, " 8 "}, {15, "-20 "}, {29, "-15 "}}),
      At({{1, " 0 "}, {15, " 0 "}, {29, " 0 "}}),
      " ",
      " INTERSECTION RESULTS ",
      std::string(39, '-'),
      " ",
      At({{1, "Photo"}, {6, "Point"}, {15, "x"}, {25, "Vx"}, {42, "y"}, {51, "Vy"}}),
      std::string(56, '-'),
      residual(" 1 ", " 7 ", "10.063", "20.000"),
      residual(" 2 ", " 7 ", "-39.938", "20.000"),
      residual(" 1 ", " 8 ", "30.000", "-15.000"),
      residual(" 2 ", " 8 ", "-20.000", "-15.000"),
      " ",
      At({{1, "Point"}, {15, "X"}, {35, "Sx"}, {53, "Y"}, {70, "Sy"}, {83, "Z"}, {100, "Sz"}}),
      std::string(100, '-'),
      result(" 7 ", "100.625", "200.000"),
      result(" 8 ", "300.000", "-150.000"),
      " ",
      At({{1, "Point"}, {15, "X"}, {37, "Y"}, {58, "Z"}}),
      std::string(57, '-'),
      At({{1, " 7 "}, {10, "100.625"}, {25, "200.000"}, {45, zero}}),
      At({{1, " 8 "}, {10, "300.000"}, {25, "-150.000"}, {45, zero}}),
  };
  EXPECT_EQ(report, expected);

  Lines board(8, "");
  for (const std::string& l :
       {std::string(" "), std::string(" INTERSECTION RESULTS "), std::string(37, '-'),
        std::string(" "),
        At({{1, "Photo"}, {6, "Point"}, {15, "x"}, {25, "Vx"}, {35, "y"}, {45, "Vy"}}),
        std::string(53, '-'), residual(" 1 ", " 7 ", "10.0625", "20.000"),
        residual(" 2 ", " 7 ", "-39.9375", "20.000"), residual(" 1 ", " 8 ", "30.000", "-15.000"),
        residual(" 2 ", " 8 ", "-20.000", "-15.000"), std::string(" "),
        At({{1, "Point"}, {10, "X"}, {34, "Sx"}, {45, "Y"}, {65, "Sy"}, {75, "Z"}, {90, "Sz"}}),
        std::string(98, '-'), result(" 7 ", "100.625", "200.000"),
        result(" 8 ", "300.000", "-150.000")})
    board.push_back(l);
  EXPECT_EQ(console_.BlackBoard.Lines(), board);
  EXPECT_TRUE(ui_.messages.empty());
  // Consumed: the side file is gone, the flag stays, channel 1 stays open.
  EXPECT_FALSE(fs::exists(Side()));
  EXPECT_EQ(console_.job.ReadyFlag(kIntersectionEntered), kTrue);
  EXPECT_TRUE(console_.job.Channel1.IsOpen());
  // The station cells hold the last ray's angles and x values.
  EXPECT_EQ(console_.module.StationValues(1), 30);
  EXPECT_EQ(console_.module.StationValues(2), -20);
  EXPECT_EQ(console_.module.M1(1), 1);
}

// The side file after entering, field by field: a point seen once keeps
// ground link 0, a point numbered 0 with a non-zero x is a point, ground
// points come in the order of their first observation.
TEST_F(Intersection, SideFileRecords) {
  Run("\"Side, file\"\n3\n"
      "11, 150, 1, 2, 3, 4, 5, 6\n5, 1.5, 2.5\n0, 7.5, 0\n9, 3, 4\n0,0,0\n"
      "22, 151, 7, 8, 9, 10, 11, 12\n9, -1, -2\n0,0,0\n"
      "33, 152, 1, 1, 1, 0, 0, 0\n0, 0, 1\n5, 6, 7\n9, 8, 9\n0,0,0\n",
      false);
  ASSERT_TRUE(fs::exists(Side()));
  EXPECT_FALSE(console_.job.Channel2.is_open());
  EXPECT_EQ(console_.job.FileName[kSideFile], Side().string());
  // Photographs at 88, 88 + 70 + 3*28 = 242, 242 + 70 + 28 = 340; ground at 340 + 70 + 84 = 494.
  const SideHeader h = DecodeHeader(Record<HeaderBytes>(0));
  EXPECT_EQ(h.Title, At({{1, "Side, file"}, {81, ""}}));
  EXPECT_EQ(h.PhotoCount, 3);
  EXPECT_EQ(h.FirstGround, 494);
  EXPECT_EQ(h.GroundCount, 3);
  EXPECT_EQ(fs::file_size(Side()), 494u + 3 * 86);
  const PhotoRecord p2 = DecodePhoto(Record<PhotoBytes>(242));
  EXPECT_EQ(p2.PhotoNo, 22);
  EXPECT_EQ(p2.PointCount, 1);
  EXPECT_EQ(p2.FirstObservation, 312);
  EXPECT_EQ(p2.End, 340);
  EXPECT_EQ(p2.f, 151);
  EXPECT_EQ(p2.Kappa, 12);
  // Observations: photo 11 at 158, 186, 214; photo 22 at 312; photo 33 at 410, 438, 466.
  struct Obs {
    std::size_t at;
    std::int32_t no, ground, photo;
    double x;
  };
  for (const Obs& o : {Obs{158, 5, 494, 88, 1.5}, Obs{186, 0, 580, 88, 7.5},
                       Obs{214, 9, 666, 88, 3}, Obs{312, 9, 666, 242, -1},
                       Obs{410, 0, 580, 340, 0}, Obs{466, 9, 666, 340, 8}}) {
    const ObservationRecord r = DecodeObservation(Record<ObservationBytes>(o.at));
    EXPECT_EQ(r.PointNo, o.no) << o.at;
    EXPECT_EQ(r.Ground, o.ground) << o.at;
    EXPECT_EQ(r.Photo, o.photo) << o.at;
    EXPECT_EQ(r.x, o.x) << o.at;
  }
  const GroundRecord g9 = DecodeGround(Record<GroundBytes>(666));
  EXPECT_EQ(g9.PointNo, 9);
  EXPECT_EQ(g9.RayCount, 3);
  EXPECT_EQ((std::vector<std::int32_t>(g9.Slot.begin(), g9.Slot.begin() + 3)),
            (std::vector<std::int32_t>{214, 312, 466}));
  // The raw bytes of one link and one real: little-endian, no padding.
  const auto photo22 = Record<PhotoBytes>(242);
  EXPECT_EQ((std::vector<int>(photo22.begin() + 6, photo22.begin() + 10)),
            (std::vector<int>{0x38, 0x01, 0, 0}));  // 312
  EXPECT_EQ((std::vector<int>(photo22.begin() + 14, photo22.begin() + 22)),
            (std::vector<int>{0, 0, 0, 0, 0, 0xE0, 0x62, 0x40}));  // 151.0

  // No point seen twice: no ground record, the first-ground offset is the end.
  Run("None\n1\n11, 150, 1, 2, 3, 4, 5, 6\n5, 1, 1\n0,0,0\n", false);
  const SideHeader none = DecodeHeader(Record<HeaderBytes>(0));
  EXPECT_EQ(none.FirstGround, 88 + 70 + 28);
  EXPECT_EQ(none.GroundCount, 0);

  for (const auto& [relative, name] :
       {std::pair{"D:\\work\\strip.txt", "D:\\work\\strip.Raf"},
        {"D:\\my.data\\strip.txt", "D:\\my.Raf"},
        {"", ".Raf"}, {"strip", "strip.Raf"}})
    EXPECT_EQ(SideFileName(relative), name);
}

// Refusals: each a message, the job state left sound, no side file behind.
TEST_F(Intersection, RefusalsAreMessages) {
  const std::string notEntered = "You must enter and refine Intersection data first";
  console_.PressCaption("Process Intersection");
  EXPECT_EQ(ui_.messages, Lines{notEntered});

  // Processing twice: the side file was consumed by the first run.
  const Station a{1, 100, 0, 0, 1000, 0, 0, 0}, b{2, 100, 500, 0, 1000, 0, 0, 0};
  const Point P{5, 120, 80, 10};
  const std::string pair = Input({{a, {Project(a, P)}}, {b, {Project(b, P)}}});
  const std::size_t lines = Run(pair).size();
  console_.PressCaption("Process Intersection");
  EXPECT_EQ(ui_.messages, (Lines{notEntered, notEntered}));
  EXPECT_EQ(Report().size(), lines);

  // Parallel rays of point 7 (photographs 1 and 3 at one station): point 5
  // is printed, then the message, and no tables.
  const Image seven{7, 12.5, -3.25};
  Station again = a;
  again.no = 3;
  Lines report =
      Run(Input({{a, {Project(a, P), seven}}, {b, {Project(b, P)}}, {again, {seven}}}));
  EXPECT_EQ(ui_.messages.back(), "Error in Matrix Inversion Point #  7");
  EXPECT_EQ(report.back().substr(0, 10), " 2    5   ");
  EXPECT_FALSE(fs::exists(Side()));

  // A station whose m3.P0 is zero cannot divide its rows.
  const Station origin{3, 100, 0, 0, 0, 0, 0, 0};
  Run(Input({{a, {Project(a, P)}}, {origin, {{5, 1, 1}}}}));
  EXPECT_EQ(ui_.messages.back(),
            "Photograph 3: m31*X0 + m32*Y0 + m33*Z0 is zero, its rays cannot be used; point 5 is "
            "not intersected");

  // Nine photographs see point 5: only eight fit a ground record.
  std::vector<std::pair<Station, std::vector<Image>>> nine(9, {a, {Project(a, P)}});
  report = Run(Input(nine), false);
  EXPECT_EQ(ui_.messages.back(),
            "Point 5 is seen on 9 photographs; at most 8 photographs can intersect one point");
  EXPECT_EQ(console_.job.ReadyFlag(kIntersectionEntered), kFalse);
  EXPECT_FALSE(fs::exists(Side()));
  EXPECT_EQ(report.back(), At({{1, " 0 "}, {15, " 0 "}, {29, " 0 "}}));  // the echo stays

  // A side file in a folder that does not exist.
  console_.PressCaption("Close Relative Orient");
  ui_.files = {PathOf("no/such/strip.txt")};
  console_.PressCaption("Open Relative Orient");
  Run(pair, false);
  EXPECT_EQ(ui_.messages.back(),
            "The intersection side file " + PathOf("no/such/strip.Raf") + " cannot be created");
  EXPECT_EQ(console_.job.ReadyFlag(kIntersectionEntered), kFalse);
}

// A file that ends early: the reader's message, the flags as before, no
// side file left open or behind.
TEST_F(Intersection, MalformedInputStopsWithAMessage) {
  Run("T\n2\n1, 100, 0, 0, 1000, 0, 0, 0\n7, 1, 2\n0,0,0\n2, 100, 5, x\n");
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_TRUE(ui_.messages[0].starts_with("input.txt, line 6: expected a number"))
      << ui_.messages[0];
  EXPECT_EQ(ui_.messages[1], "You must enter and refine Intersection data first");
  EXPECT_EQ(console_.job.ReadyFlag(kIntersectionEntered), kFalse);
  EXPECT_FALSE(console_.job.Channel2.is_open());
  EXPECT_FALSE(fs::exists(Side()));
}

// A photograph measured on the comparator names its fiducial marks twice,
// calibrated and then measured (testdata/comparator.txt, the user guide's
// example); the affine fit, here X = 10 + 2u, Y = -5 + 2v, brings its points
// into the photo system before they are filed: the results are those of the
// golden section, whose photograph 2 is given in photo coordinates.
TEST_F(Intersection, FiducialsListedTwiceAreTransformedFirst) {
  const std::string comparator =
      Read(fs::path(TESSARO_SOURCE_DIR) / "src/intersection/testdata/comparator.txt");
  const Lines report = Run(comparator, true, {""});
  const Lines expected = {At({{1, " 7 "}, {10, "100.625"}, {25, "200.000"}, {45, "0.000"}}),
                          At({{1, " 8 "}, {10, "300.000"}, {25, "-150.000"}, {45, "0.000"}})};
  EXPECT_EQ(Lines(report.end() - 2, report.end()), expected);
  EXPECT_EQ(ui_.prompts, Lines{"Is the solution acceptable? Y/N"});
  EXPECT_EQ(std::count(report.begin(), report.end(), " A2 = 2.0000000000"), 1);
  EXPECT_EQ(console_.module.FiducialCount, 4);
  EXPECT_TRUE(ui_.messages.empty());

  // Refused: the data are not entered.
  Run(comparator, true, {"N"});
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_EQ(ui_.messages[0],
            "Photograph 2: the transformation was not accepted; the intersection data are not "
            "entered");
  EXPECT_EQ(ui_.messages[1], "You must enter and refine Intersection data first");
  EXPECT_FALSE(fs::exists(Side()));
}

// The example file through the headless runner: the nine points of its
// synthetic geometry come back to within the rounding of the image
// coordinates (0.001 mm at about 1:19,000).
TEST_F(Intersection, ExampleThroughTheHeadlessRunner) {
  const fs::path runner = fs::path(TESSARO_BIN_DIR) / "tessaro-script";
  if (!fs::exists(runner)) GTEST_SKIP() << "no " << runner;
  File("run.tss", "Open-OutputFile example.txt\nOpen-Intersection " TESSARO_SOURCE_DIR
                  "/examples/intersection.txt\nEnter Intersection Data\n"
                  "Process Intersection\nExit\n");
  const std::string command =
      "cd " + dir.string() + " && " + runner.string() + " run.tss > out.txt 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << Read(dir / "out.txt");
  EXPECT_EQ(Read(dir / "out.txt"), "");
  EXPECT_FALSE(fs::exists(dir / ".Raf"));
  fs::rename(dir / "example.txt", dir / "report.txt");
  const Lines report = Report();
  const Lines table(report.end() - std::min<std::ptrdiff_t>(9, std::ssize(report)), report.end());
  const Point known[] = {{101, 1352.18, 804.56, 187.24},  {102, 1905.74, 761.33, 243.91},
                         {103, 2447.31, 826.95, 158.67},  {104, 1386.52, 2013.87, 301.45},
                         {105, 1894.06, 1978.24, 352.78}, {106, 2468.93, 2041.12, 276.33},
                         {107, 1331.47, 3207.65, 212.89}, {108, 1927.85, 3186.41, 169.52},
                         {109, 2452.69, 3239.08, 318.06}};
  ASSERT_EQ(table.size(), 9u);
  for (std::size_t k = 0; k < 9; ++k) {
    double no, X, Y, Z;
    ASSERT_EQ(std::sscanf(table[k].c_str(), "%lf %lf %lf %lf", &no, &X, &Y, &Z), 4) << table[k];
    EXPECT_EQ(no, known[k].no);
    EXPECT_NEAR(X, known[k].X, 0.05);
    EXPECT_NEAR(Y, known[k].Y, 0.05);
    EXPECT_NEAR(Z, known[k].Z, 0.2);
  }
  // The standard deviations are not zero here: the report writes Sy with three
  // decimals, where the window may add a fourth.
  const std::string first = report[report.size() - 21];
  ASSERT_EQ(first.substr(0, 5), " 101 ");
  EXPECT_EQ(first.substr(54, 6), "0.003 ");
}

}  // namespace
}  // namespace tessaro
