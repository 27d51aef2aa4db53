// The resection's arithmetic through its result: stations recovered from
// image points made by the independent projection, the way each run ends,
// and the pairing of records by number against the literal searches.
#include "resection/adjustment.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "numeric/cholesky.h"
#include "testing/reference.h"

namespace tessaro {
namespace {

constexpr double kDeg = 3.14159265358979323846 / 180;

// A photograph of twelve control points from the station `truth`
// (f = 152), exact to long double, with the start station `start` observed
// so loosely (1e6) that it does not pull the solution, and image standard
// error s.
struct Photograph {
  ReferenceStation truth;
  OneBased<double> start = OneBased<double>(6);
  ResectionObservations obs;
};
Photograph Make(const ReferenceStation& t, const std::array<double, 6>& offset, double s = 0.003) {
  Photograph p;
  p.truth = t;
  const long double at[6] = {t.X, t.Y, t.Z, t.omega, t.phi, t.kappa};
  for (int k = 1; k <= 6; ++k) {
    p.start(k) = at[k - 1] + offset[k - 1] * (k <= 3 ? 1 : kDeg);
    p.obs.Sigma(k) = 1e6;
  }
  p.obs.Observed = p.start;
  p.obs.f = 152;
  p.obs.ImagePrecision = s;
  std::mt19937 gen(3);
  std::uniform_real_distribution<double> xy(-900, 900), z(0, 400);
  p.obs.Points.resize(12);
  for (std::int32_t i = 1; i <= 12; ++i) {
    const double X = t.X + xy(gen), Y = t.Y + xy(gen), Z = z(gen);
    const std::array<long double, 2> image = Project(t, 152, X, Y, Z);
    p.obs.Points(i) = {100 + i, 0, 0, X, Y, Z};
    p.obs.Points(i).x = image[0];
    p.obs.Points(i).y = image[1];
  }
  return p;
}

ResectionResult RunToEnd(const Photograph& p, std::int32_t limit) {
  ResectionAdjustment run(p.obs, p.start, limit);
  while (!run.Step().outcome) {
  }
  return run.Result();
}

// Vertical, tilted and kappa near a half turn, from starts tens of metres and
// a few degrees off: the station to 1e-6, residuals of 0, and the figures of
// every point in its order.
TEST(ResectionAdjustment, RecoversSyntheticStations) {
  const ReferenceStation stations[] = {{1000, 2000, 3000, 0, 0, 0},
                                       {-250, 40, 1800, 4 * kDeg, -3 * kDeg, 1.2},
                                       {5e5, 4e6, 2500, -2 * kDeg, 5 * kDeg, 178 * kDeg}};
  for (const ReferenceStation& t : stations) {
    const Photograph p = Make(t, {40, -30, 60, 2, -3, 4});
    const ResectionResult r = RunToEnd(p, kResectionIterationLimit);
    ASSERT_EQ(r.outcome, Outcome::Converged()) << t.X;
    EXPECT_LE(r.Last.Number, 5);
    const long double at[6] = {t.X, t.Y, t.Z, t.omega, t.phi, t.kappa};
    for (int k = 1; k <= 6; ++k) EXPECT_NEAR(r.Station(k), at[k - 1], 1e-6) << k;
    ASSERT_EQ(r.Residuals.size(), 12u);
    for (std::int32_t i = 1; i <= 12; ++i) {
      const ResectionResidual& v = r.Residuals[i - 1];
      const ResectionPoint& pt = p.obs.Points(i);
      EXPECT_EQ(v.No, pt.No);
      EXPECT_EQ((std::array{v.x, v.y}), (std::array{pt.x, pt.y}));
      EXPECT_DOUBLE_EQ(v.r, std::hypot(pt.x, pt.y));
      EXPECT_LT(v.dr, 1e-6);
    }
    EXPECT_GT(r.PositionPrecision, 0);
    EXPECT_GT(r.AnglePrecision, 0);
  }
}

// How runs end, and where they leave the station: every iteration's
// corrections are applied except those that diverge or could not be solved.
TEST(ResectionAdjustment, OutcomeOfEachEnding) {
  const ReferenceStation t{1000, 2000, 3000, 0, 0, 0};
  struct Case {
    const char* name;
    std::int32_t limit;
    std::array<double, 6> offset;
    double f, s;
    Outcome outcome;
    int iterations;
    bool lastApplied;
  };
  const Case cases[] = {
      {"converged", 8, {40, -30, 60, 2, -3, 4}, 152, 0.003, Outcome::Converged(), 4, true},
      // The limit comes before convergence and before a growing variance.
      {"limit 0", 0, {40, -30, 60, 2, -3, 4}, 152, 0.003, Outcome::LimitReached(), 1, true},
      {"limit 2", 2, {40, -30, 60, 2, -3, 4}, 152, 0.003, Outcome::LimitReached(), 3, true},
      {"limit -5", -5, {0, 0, 0, 0, 0, 0}, 152, 0.003, Outcome::LimitReached(), 1, true},
      // Misclosures of millimetres over 1e-7: a variance beyond the start's 1e9.
      {"worse", 1, {40, -30, 60, 2, -3, 4}, 152, 1e-7, Outcome::GotWorse(), 1, true},
      // Looking up at the ground: the corrections throw the station away.
      {"diverged", 8, {40, -30, 60, 2, -3, 4}, -152, 0.003, Outcome::Diverged(), 2, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Photograph p = Make(t, c.offset, c.s);
    p.obs.f = c.f;
    ResectionAdjustment run(p.obs, p.start, c.limit);
    OneBased<double> before = p.start;
    while (!run.Step().outcome) before = run.Result().Station;
    const ResectionResult& r = run.Result();
    EXPECT_EQ(r.outcome, c.outcome);
    EXPECT_EQ(r.Last.Number, c.iterations);
    EXPECT_EQ(r.Station == before, !c.lastApplied);
    EXPECT_EQ(r.Residuals.empty(), c.outcome != Outcome::Converged());
  }
}

// Failures that form or solve nothing leave the station where it stood.
TEST(ResectionAdjustment, RefusedAndSingular) {
  Photograph p = Make({1000, 2000, 3000, 0, 0, 0}, {40, -30, 60, 0, 0, 0});
  Photograph flat = p;
  flat.obs.Points(5).Z = flat.start(3);  // level with the projection centre
  // Two points and no weight on the station: six unknowns, four observations.
  Photograph few = p;
  few.obs.Points.resize(2);
  for (int k = 1; k <= 6; ++k) few.obs.Sigma(k) = 1e200;
  const std::pair<const Photograph*, Outcome> cases[] = {
      {&flat, Outcome::Refused(5)}, {&few, Outcome::Singular(kCholeskyNotPositiveDefinite)}};
  for (const auto& [photo, outcome] : cases) {
    ResectionAdjustment run(photo->obs, photo->start, 8);
    const ResectionResult& r = run.Step();
    EXPECT_EQ(r.outcome, outcome);
    EXPECT_EQ(r.Station, photo->start);
  }
}

// The literal searches the pairing must agree with.
std::int32_t MatchLiterally(const std::vector<std::int32_t>& img,
                            const std::vector<std::int32_t>& ctrl, std::vector<std::int32_t>& at) {
  const std::int32_t n = std::ssize(img);
  for (std::int32_t i = 0; i < n; ++i) {
    std::int32_t j = 0;
    while (j < n && ctrl[j] != img[i]) ++j;
    if (j == n) return i + 1;
    at[i] = j + 1;
  }
  return 0;
}
void DropLiterally(const std::vector<double>& drop, std::vector<std::int32_t>& no,
                   std::vector<double>& notFound) {
  std::size_t end = no.size();
  for (double wanted : drop) {
    std::size_t p = 0;
    while (p < end && no[p] != wanted) ++p;
    if (p == end) {
      notFound.push_back(wanted);
      continue;
    }
    std::swap(no[p], no[--end]);
  }
}

// Repeated numbers, numbers in reverse order, numbers without partner, drop
// lists naming a number twice or not at all: the same pairing and the same
// order of records as the literal searches.
TEST(ResectionRecords, MatchAndDropAsLiteralSearches) {
  std::mt19937 gen(11);
  for (int round = 0; round < 300; ++round) {
    const int n = 4 + round % 40, range = round % 3 == 0 ? n : 1 + n / 3;
    std::uniform_int_distribution<std::int32_t> number(1, range);
    std::vector<std::int32_t> ctrl(n), img(n);
    for (int i = 0; i < n; ++i) {
      ctrl[i] = round % 5 == 0 ? n - i : number(gen);
      img[i] = number(gen);
    }
    OneBased<std::int32_t> ctrlNo(n), imgNo(n), at;
    OneBased<double> x(n), y(n);
    for (int i = 1; i <= n; ++i) {
      ctrlNo(i) = ctrl[i - 1];
      imgNo(i) = img[i - 1];
      x(i) = y(i) = i;
    }
    std::vector<std::int32_t> expected(n, 0);
    const std::int32_t missing = MatchLiterally(img, ctrl, expected);
    ASSERT_EQ(MatchImageToControl(imgNo, n, ctrlNo, n, at), missing);
    for (int i = 1; i < (missing ? missing : n + 1); ++i) ASSERT_EQ(at(i), expected[i - 1]);

    std::vector<double> drop(1 + round % (n - 3)), notFound;
    for (double& d : drop) d = number(gen) + (round % 7 == 0 ? 0.5 : 0);
    std::vector<std::int32_t> order = img;
    DropLiterally(drop, order, notFound);
    OneBased<std::int32_t> match(n);
    for (int i = 1; i <= n; ++i) match(i) = i;
    std::int32_t inUse = 0;
    ASSERT_EQ(DropPoints(drop, n, imgNo, x, y, match, inUse), notFound);
    EXPECT_EQ(inUse, n - std::ssize(drop) + std::ssize(notFound));
    for (int i = 1; i <= n; ++i) {
      ASSERT_EQ(imgNo(i), order[i - 1]) << round << " " << i;
      ASSERT_EQ(img[match(i) - 1], imgNo(i));  // x, y and MatchIndex moved with the number
      ASSERT_EQ(x(i), match(i));
    }
  }
}

}  // namespace
}  // namespace tessaro
