#include "relative/relative_orientation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "relative/strip_adjustment.h"
#include "shell/console.h"
#include "testing/reference.h"
#include "testing/test_support.h"

namespace tessaro {
namespace {

using LD = long double;
using Station = std::array<LD, 6>;  // X, Y, Z, omega, phi, kappa (radians)
using Point = std::array<LD, 3>;
const LD kPi = 3.14159265358979323846264338327950288L;
constexpr double kFrame = 230, kSigma = 0.005;

// The image of a ground point: M = R_kappa R_phi R_omega formed as a product
// of plane rotations, (U, V, W) = M (ground - station), image = -f (U, V) / W.
std::array<LD, 2> Project(const Station& s, LD f, const Point& g) {
  using M = std::array<Point, 3>;
  const auto mul = [](const M& a, const M& b) {
    M c{};
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k) c[i][j] += a[i][k] * b[k][j];
    return c;
  };
  const LD cw = std::cos(s[3]), sw = std::sin(s[3]), cp = std::cos(s[4]), sp = std::sin(s[4]),
           ck = std::cos(s[5]), sk = std::sin(s[5]);
  const M m = mul(mul(M{{{ck, sk, 0}, {-sk, ck, 0}, {0, 0, 1}}}, M{{{cp, 0, -sp}, {0, 1, 0}, {sp, 0, cp}}}),
                  M{{{1, 0, 0}, {0, cw, sw}, {0, -sw, cw}}});
  LD uvw[3];
  for (int i = 0; i < 3; ++i)
    uvw[i] = m[i][0] * (g[0] - s[0]) + m[i][1] * (g[1] - s[1]) + m[i][2] * (g[2] - s[2]);
  return {-f * uvw[0] / uvw[2], -f * uvw[1] / uvw[2]};
}

struct Photo {
  int no;
  double f;
  Station truth;
  std::vector<std::array<double, 3>> images;  // point number, x, y
};
struct Strip3 {
  std::vector<Photo> photos;
  std::map<int, Point> points;  // the truth
  std::string Text() const {
    std::string t = "\"Synthetic strip\"\n" + std::to_string(photos.size()) + ", 230, 0.005\n";
    char b[120];
    for (const Photo& p : photos) {
      t += std::to_string(p.no) + ", " + std::to_string(p.f) + "\n";
      for (const auto& r : p.images) {
        std::snprintf(b, sizeof b, "%d %.17g %.17g\n", static_cast<int>(r[0]), r[1], r[2]);
        t += b;
      }
      t += "0,0,0\n";
    }
    return t;
  }
};

// Photographs 0.37 frames apart along `direction` with small tilts, points in
// three rows across the strip with relief; a point is measured on every
// photograph that sees it within 105 units of the centre. A blunder spoils
// the third y of photograph 2 (an x error would go into the height).
Strip3 MakeStrip(int photos, int columns, double noise, int direction = 1, bool blunder = false) {
  Strip3 s;
  std::mt19937 rng(7);
  std::normal_distribution<double> error(0, noise > 0 ? noise : 1);
  const auto e = [&] { return noise > 0 ? error(rng) : 0; };
  const LD base = 0.37L * kFrame * direction;
  for (int c = 0; c < columns; ++c)
    for (int r = -1; r <= 1; ++r)
      s.points[1000 + 10 * c + r + 1] = {base * (photos - 1) * c / (columns - 1) + 9 * r,
                                         85.0L * r + c, -150.0L + 7 * std::sin(c + r)};
  for (int p = 0; p < photos; ++p) {
    Station t = {base * p, p ? 1.8L * std::sin(p) : 0, p ? 1.2L * std::cos(3 * p) : 0, 0, 0, 0};
    for (int a = 3; p >= 1 && a < 6; ++a) t[a] = 0.01L * std::sin(a * p + 1);
    Photo ph{70 + p, p < 2 ? 153.57 : 152.57, t, {}};
    for (const auto& [no, g] : s.points)
      if (const auto xy = Project(t, ph.f, g); std::fabs(xy[0]) < 105 && std::fabs(xy[1]) < 105)
        ph.images.push_back({double(no), double(xy[0]) + e(), double(xy[1]) + e()});
    if (p == 1 && blunder) ph.images[2][2] += 0.08;
    s.photos.push_back(ph);
  }
  return s;
}

// The same least-squares problem solved independently: Gauss-Newton in long
// double with derivatives by central differences and dense normal equations
// solved by Gauss-Jordan. Parameters in the report's order: ground points in
// order of first appearance, then all six of every station.
struct ReferenceResult {
  std::vector<LD> v, sd;     // all 3G + 6P parameters and their standard deviations
  std::map<int, int> index;  // point number -> ground point 0..G-1
};
ReferenceResult Reference(const Strip3& s, int direction) {
  ReferenceResult r;
  std::vector<LD> v, sigma;
  const LD base = 0.37L * kFrame * direction;
  for (std::size_t p = 0; p < s.photos.size(); ++p)
    for (const auto& im : s.photos[p].images)
      if (r.index.emplace(static_cast<int>(im[0]), static_cast<int>(r.index.size())).second)
        v.insert(v.end(), {base * p + im[1], im[2], -s.photos[p].f});
  const std::size_t G = r.index.size();
  sigma.assign(3 * G, kFrame / 2);
  for (std::size_t p = 0; p < s.photos.size(); ++p)
    for (int q = 0; q < 6; ++q) v.push_back(q == 0 ? base * p : 0), sigma.push_back(q < 3 ? kFrame / 2 : kPi / 2);
  const std::vector<LD> start = v;
  // Photograph 1 and the X of photograph 2 are held.
  std::vector<long> pos(v.size(), -1);
  long unknowns = 0;
  for (std::size_t j = 0; j < v.size(); ++j)
    if (j < 3 * G || j > 3 * G + 6) pos[j] = unknowns++;
  DenseSolution x;
  LD weighted = 0;
  for (int iteration = 0; iteration < 12; ++iteration) {
    Dense a(unknowns, std::vector<LD>(unknowns, 0));
    std::vector<LD> b(unknowns);
    for (std::size_t j = 0; j < v.size(); ++j)
      if (pos[j] >= 0) a[pos[j]][pos[j]] = 1 / (sigma[j] * sigma[j]), b[pos[j]] = -(v[j] - start[j]) * a[pos[j]][pos[j]];
    weighted = 0;
    for (std::size_t p = 0; p < s.photos.size(); ++p)
      for (const auto& im : s.photos[p].images) {
        const std::size_t g = 3 * r.index[static_cast<int>(im[0])], st = 3 * G + 6 * p;
        const std::size_t at[9] = {g, g + 1, g + 2, st, st + 1, st + 2, st + 3, st + 4, st + 5};
        const auto f = [&](const std::vector<LD>& w, int axis) {
          return Project({w[st], w[st + 1], w[st + 2], w[st + 3], w[st + 4], w[st + 5]},
                         s.photos[p].f, {w[g], w[g + 1], w[g + 2]})[axis];
        };
        for (int axis = 0; axis < 2; ++axis) {
          const LD r0 = (f(v, axis) - im[1 + axis]) / kSigma;
          weighted += r0 * r0;
          LD row[9];
          for (int j = 0; j < 9; ++j) {
            std::vector<LD> hi = v, lo = v;
            hi[at[j]] += 1e-5L, lo[at[j]] -= 1e-5L;
            row[j] = -(f(hi, axis) - f(lo, axis)) / 2e-5L / kSigma;
          }
          for (int j = 0; j < 9; ++j) {
            if (pos[at[j]] < 0) continue;
            b[pos[at[j]]] += row[j] * r0;
            for (int k = 0; k < 9; ++k)
              if (pos[at[k]] >= 0) a[pos[at[j]]][pos[at[k]]] += row[j] * row[k];
          }
        }
      }
    x = GaussJordan(a, b);
    for (std::size_t j = 0; j < v.size(); ++j)
      if (pos[j] >= 0) v[j] += x.x[pos[j]];
  }
  std::size_t observations = 0;
  for (const Photo& p : s.photos) observations += 2 * p.images.size();
  const LD So = std::sqrt(weighted / (observations - unknowns));
  for (std::size_t j = 0; j < v.size(); ++j)
    r.sd.push_back(pos[j] < 0 ? 0 : So * std::sqrt(x.inverse[pos[j]][pos[j]]));
  r.v = v;
  return r;
}

// The numbers of a report line; "." is a pattern's way of writing zero.
std::vector<double> Numbers(const std::string& line) {
  std::istringstream in(line);
  std::vector<double> v;
  for (std::string word; in >> word;) v.push_back(word == "." || word == "-." ? 0 : std::stod(word));
  return v;
}

// The `count` lines after the first line equal to `heading`, `skip` lines on.
Lines After(const Lines& l, const std::string& heading, std::size_t skip, std::size_t count) {
  auto it = std::find(l.begin(), l.end(), heading);
  if (it == l.end() || static_cast<std::size_t>(l.end() - it) <= skip + count) return {};
  return Lines(it + 1 + skip, it + 1 + skip + count);
}

class RelativeTest : public TempDirTest {
 protected:
  // Chooses the files, enters the data and presses "Process Relative Orient"
  // `runs` times; returns the report's lines.
  Lines Session(const std::string& text, std::deque<std::string> answers = {}, int runs = 1) {
    ui.answers = std::move(answers);
    Operations ops;
    ops.RelativeOrientation = RelativeOrientation;
    c = std::make_unique<Console>(ui, ops);
    c->Load();
    ui.files = {PathOf("report.txt"), File("strip.txt", text)};
    for (const char* caption : {"Open-OutputFile", "Open Relative Orient", "Enter Relative Orient Data"})
      c->PressCaption(caption);
    for (int i = 0; i < runs; ++i) c->PressCaption("Process Relative Orient");
    return CrLfLines(Read(PathOf("report.txt")));
  }
  FakeUi ui;
  std::unique_ptr<Console> c;
};

std::string Source(const std::string& name) {
  std::ifstream in(TESSARO_SOURCE_DIR "/" + name);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The example file with another frame dimension.
std::string Example(const std::string& frame) {
  std::string t = Source("examples/relative.txt");
  return t.replace(t.find(" 4, 230,"), 8, " 4, " + frame + ",");
}

// |printed - value| within half a unit of the printed last digit, plus the
// little the stopping rule leaves.
void ExpectPrinted(double printed, LD value, int decimals, const std::string& where, double slack = 2e-6) {
  EXPECT_NEAR(printed, static_cast<double>(value), 0.5 * std::pow(10.0, -decimals) + slack) << where;
}

TEST(CollinearityRows, AreMinusTheDerivativesOverSigma) {
  const std::array<double, 3> g = {112.4, -63.1, -147.9};
  for (const Station& st : {Station{0, 0, 0, 0, 0, 0}, Station{85.1L, 1.9L, -0.9L, 0.02L, -0.03L, 0.05L},
                            Station{-170.2L, -3.1L, 2.2L, -0.3L, 0.4L, 2.9L}}) {
    std::array<double, 6> d;
    std::copy(st.begin(), st.end(), d.begin());
    const ImagePointRows rows = CollinearityRows(g, d, 152.57, 10.0, -20.0, kSigma);
    const auto xy = Project(st, 152.57L, {g[0], g[1], g[2]});
    EXPECT_NEAR(rows.x[0], (xy[0] - 10.0L) / kSigma, 1e-6);
    EXPECT_NEAR(rows.y[0], (xy[1] + 20.0L) / kSigma, 1e-6);
    for (int j = 1; j <= 9; ++j) {
      Station hi = st, lo = st;
      Point gh = {g[0], g[1], g[2]}, gl = gh;
      (j <= 3 ? gh[j - 1] : hi[j - 4]) += 1e-6L;
      (j <= 3 ? gl[j - 1] : lo[j - 4]) -= 1e-6L;
      for (int axis = 0; axis < 2; ++axis) {
        const LD derivative = (Project(hi, 152.57L, gh)[axis] - Project(lo, 152.57L, gl)[axis]) / 2e-6L;
        const double R = axis == 0 ? rows.x[j] : rows.y[j];
        EXPECT_NEAR(R, -derivative / kSigma, 1e-6 * std::fabs(R) + 1e-6) << j << " axis " << axis;
      }
    }
  }
}

struct StripCase {
  const char* name;
  int photos, columns;
  double noise;
  int direction;  // -1: photographs numbered against the flight
  bool blunder;
};
void PrintTo(const StripCase& k, std::ostream* os) { *os << k.name; }
class StripRun : public RelativeTest, public ::testing::WithParamInterface<StripCase> {};

// Error-free strips come back to their known geometry with zero residuals;
// noisy ones agree with the reference adjustment in every printed digit,
// standard deviations included, and a blunder is flagged. A strip numbered
// against the flight diverges along +X and, after "Y", converges laid out
// along -X. A second "Process" reads the file again and writes the same.
TEST_P(StripRun, MatchesTheKnownSolution) {
  const StripCase& k = GetParam();
  const Strip3 s = MakeStrip(k.photos, k.columns, k.noise, k.direction, k.blunder);
  const Lines report = Session(s.Text(), {"Y", "y"}, 2);
  ASSERT_GE(report.size(), 5u);
  EXPECT_EQ(ui.prompts.size(), k.direction < 0 ? 2u : 0u);
  const std::size_t half = report.size() / 2;
  EXPECT_TRUE(std::equal(report.begin(), report.begin() + half, report.begin() + half));
  EXPECT_TRUE(report[4].ends_with(k.direction < 0 ? " Direction = -1 " : " Direction =  0 ")) << report[4];
  // A photograph's residual lines reach column 79; its largest residual, and
  // no other, is flagged when it exceeds three times 0.005.
  int flags = 0;
  for (std::size_t l = 0; l < half; ++l) {
    if (!report[l].starts_with(" Station Id = ")) continue;
    double largest = 0;
    std::size_t worst = l + 1;
    for (std::size_t j = l + 1; report[j].size() >= 79; ++j) {
      const std::vector<double> v = Numbers(report[j].substr(0, 79));
      for (double r : {std::fabs(v[2]), std::fabs(v[4])})
        if (r > largest) largest = r, worst = j;
      EXPECT_TRUE(k.noise > 0 || largest == 0) << report[j];
      flags += report[j].size() > 79;
      EXPECT_EQ(report[j].substr(79), report[j].size() > 79 ? " *Error*" : "");
    }
    EXPECT_EQ(report[worst].size(), largest > 0.015 ? 87u : 79u) << report[worst];
  }
  EXPECT_EQ(flags > 0, k.blunder);

  // The tables of stations and points: against the reference adjustment, and
  // for error-free data against the truth, up to the little that the
  // pseudo-observations pull towards the starting values.
  const ReferenceResult ref = Reference(s, k.direction);
  const std::size_t P = s.photos.size(), G = ref.index.size();
  const Lines stations = After(report, "    =======================================", 1, P);
  ASSERT_EQ(stations.size(), P);
  for (std::size_t p = 0; p < P; ++p) {
    const std::vector<double> v = Numbers(stations[p]);
    ASSERT_EQ(v.size(), 7u) << stations[p];
    EXPECT_EQ(v[0], s.photos[p].no);
    for (int q = 0; q < 6; ++q) {
      const LD deg = q < 3 ? 1 : 180 / kPi;
      ExpectPrinted(v[1 + q], ref.v[3 * G + 6 * p + q] * deg, q < 3 ? 4 : 5, stations[p]);
      if (k.noise == 0) ExpectPrinted(v[1 + q], s.photos[p].truth[q] * deg, q < 3 ? 4 : 5, stations[p], 2e-4);
    }
  }
  const Lines points = After(report, "===================================", 0, G);
  const Lines withSd = After(report, "=====================================================", 0, G);
  ASSERT_EQ(points.size(), G);
  for (std::size_t i = 0; i < G; ++i) {
    const std::vector<double> v = Numbers(points[i]), w = Numbers(withSd[i]);
    EXPECT_EQ(ref.index.at(static_cast<int>(v[0])), static_cast<int>(i)) << "order of appearance";
    for (int q = 0; q < 3; ++q) {
      ExpectPrinted(v[1 + q], ref.v[3 * i + q], 3, points[i]);
      if (k.noise == 0) ExpectPrinted(v[1 + q], s.points.at(static_cast<int>(v[0]))[q], 3, points[i], 2e-4);
      ExpectPrinted(w[2 + 2 * q], ref.sd[3 * i + q], 4, withSd[i]);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Relative, StripRun,
                         ::testing::Values(StripCase{"PairWithSixPoints", 2, 2, 0, 1, false},
                                           StripCase{"FourPhotographs", 4, 7, 0, 1, false},
                                           StripCase{"AgainstTheFlight", 3, 5, 0, -1, false},
                                           StripCase{"NoisyPair", 2, 4, kSigma, 1, false},
                                           StripCase{"NoisyStripWithABlunder", 4, 9, kSigma, 1, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// The example strip's report and window, line for line: each kind of line
// was checked by hand against its layout (items, separators, tabs, patterns).
TEST_F(RelativeTest, TheExampleIsPrintedInItsLayouts) {
  const Lines report = Session(Example("230"));
  EXPECT_EQ(ui.messages, Lines({"  RMS=2.79361747949727  ITER=1", "  RMS=.157073385651374  ITER=2",
                                "  RMS=.00251879078528064  ITER=3", "  RMS=9.78876305349394E-05  ITER=4"}));
  EXPECT_EQ(c->Caption("BlackBoard"), "Temporary Relative Orientation Results");
  const auto expected = [](const char* name) {
    Lines l;
    std::istringstream in(Source(std::string("src/relative/testdata/") + name));
    for (std::string line; std::getline(in, line);) l.push_back(line);
    return l;
  };
  EXPECT_EQ(report, expected("example-report.txt"));
  EXPECT_EQ(c->BlackBoard.Lines(), expected("example-window.txt"));
}

// A strip file whose photographs hold these point numbers (made-up images).
std::string Numbered(std::vector<std::vector<int>> photos, int photoCount = 0, int focal = 153) {
  std::string t = "\"T\"\n" + std::to_string(photoCount ? photoCount : int(photos.size())) + ", 230, 0.005\n";
  for (std::size_t p = 0; p < photos.size(); ++p) {
    t += std::to_string(70 + p) + ", " + std::to_string(focal) + "\n";
    for (int no : photos[p]) t += std::to_string(no) + " " + std::to_string(no % 89) + " -3\n";
    t += "0,0,0\n";
  }
  return t;
}

std::vector<int> Range(int from, int to) {
  std::vector<int> v(to - from + 1);
  std::iota(v.begin(), v.end(), from);
  return v;
}

// Three photographs, nine points each on two of them: 36 observations for 38
// unknowns.
std::string WithoutRedundancy() {
  Strip3 s = MakeStrip(3, 5, 0);
  std::map<int, int> rays;
  for (Photo& p : s.photos) std::erase_if(p.images, [&](const auto& im) { return ++rays[int(im[0])] > 2; });
  std::vector<int> kept;
  for (const auto& [no, n] : rays)
    if (n >= 2 && kept.size() < 9) kept.push_back(no);
  for (Photo& p : s.photos) std::erase_if(p.images, [&](const auto& im) { return !std::ranges::count(kept, im[0]); });
  return s.Text();
}

struct EndCase {
  const char* name;
  std::string (*text)();  // made only when the case runs
  std::deque<std::string> answers;
  Lines shown;  // the messages other than the iterations' (each to its length), then the prompts
  Lines after;  // what the report holds after the title; {"*"}: a full section
};
void PrintTo(const EndCase& k, std::ostream* os) { *os << k.name; }
class RunEnd : public RelativeTest, public ::testing::WithParamInterface<EndCase> {};

// Runs that stop before their report, or report in a special way: the exact
// messages and questions, and what the report holds after the echoed title.
TEST_P(RunEnd, ShowsItsMessagesAndWritesOnlyWhatItMust) {
  const EndCase& k = GetParam();
  const Lines report = Session(k.text(), k.answers);
  Lines shown;
  for (const std::string& m : ui.messages)
    if (!m.starts_with("  RMS=")) shown.push_back(m.substr(0, k.shown.at(shown.size()).size()));
  shown.insert(shown.end(), ui.prompts.begin(), ui.prompts.end());
  EXPECT_EQ(shown, k.shown);
  ASSERT_GE(report.size(), 3u);
  const Lines after(report.begin() + 3, report.end());
  if (k.after != Lines{"*"})
    EXPECT_EQ(after, k.after);
  else  // without redundancy So is its a-priori 1
    EXPECT_EQ(std::ranges::count_if(after, [](auto& l) { return l.find("  So=1.  ITER=") != l.npos; }), 1);
}

const char* const kDiverges = "No convergency, Do you want to change flight direction? y/n";
const char* const kSingular = "  Do you want to chnage the Direction of flight?  Yy/Nn";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Relative, RunEnd, ::testing::Values(
    EndCase{"FiveCommonPoints", [] { return Numbered({Range(1, 5), Range(1, 5)}); }, {},
            {"There are less than 6 common points: 5"}, {}},
    EndCase{"ElevenPointsOnFourPhotographs", [] { return Numbered({Range(1, 11), Range(1, 11),
            Range(1, 11), Range(1, 11)}); }, {}, {"There are less than 6 common points: 11"}, {}},
    EndCase{"SinglePoints", [] { return Numbered({{1, 2, 3713, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6, 100000}}); },
            {}, {"  There are 2 single images, job aborted"}, {"single points", " 3713 ", " 100000 "}},
    EndCase{"OnePhotograph", [] { return Numbered({Range(1, 6)}); }, {},
            {"strip.txt, line 2: expected 2 photographs at least (number of photographs), found 1"}, {}},
    EndCase{"NoFocalLength", [] { return Numbered({Range(1, 6), Range(1, 6)}, 0, 0); }, {},
            {"strip.txt, line 3: expected a positive focal length, found 0"}, {}},
    EndCase{"FileEndsEarly", [] { return Numbered({Range(1, 6), Range(1, 6)}, 3); }, {},
            {"strip.txt, line 19: expected a whole number from -2147483648 to 2147483647 "
             "(photograph number), found the end of the file"}, {}},
    EndCase{"DivergenceAnsweredNo", [] { return Example("23"); }, {"n"}, {kDiverges}, {}},
    EndCase{"DivergenceCancelled", [] { return MakeStrip(3, 5, 0, -1).Text(); }, {""}, {kDiverges}, {}},
    EndCase{"SingularMatrixAnsweredNo", [] { return Example("1e-300"); }, {"N"},
            {"Error in Matrix Inversion", kSingular}, {}},
    EndCase{"OverflowAnsweredYesThenOther", [] { return Example("1e300"); }, {"Y", "x"},
            {"Error in Matrix Inversion", "Error in Matrix Inversion", kSingular, kSingular}, {}},
    EndCase{"NoRedundancy", WithoutRedundancy, {},
            {"  There are no redundant observations: So is taken as 1 (a priori)"}, {"*"}},
    EndCase{"NormalMatrixTooLarge", [] { return Numbered({Range(1, 150000), Range(1, 150000)}); }, {},
            {"The strip has 450005 unknowns: its normal matrix needs 810020 MB, more than half "
             "of this computer's memory ("}, {}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
}  // namespace tessaro
