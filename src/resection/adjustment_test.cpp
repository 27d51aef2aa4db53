// The resection's arithmetic through its result: how each run ends on image
// points made by the independent projection (the example report holds the
// station it converges to), and the pairing of records by number against
// the literal searches.
#include "resection/adjustment.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "numeric/cholesky.h"
#include "testing/reference.h"

namespace tessaro {
namespace {

constexpr double kDeg = 3.14159265358979323846 / 180;

// Twelve control points seen exactly (long double) from the station t with
// f = 152, and the start station, t + offset (metres, degrees), observed so
// loosely (1e6) that it does not pull the solution.
struct Photograph {
  OneBased<double> start = OneBased<double>(6);
  ResectionObservations obs;
};
Photograph Make(const ReferenceStation& t, const std::array<double, 6>& offset) {
  Photograph p;
  const long double at[6] = {t.X, t.Y, t.Z, t.omega, t.phi, t.kappa};
  for (int k = 1; k <= 6; ++k) p.start(k) = at[k - 1] + offset[k - 1] * (k <= 3 ? 1 : kDeg);
  p.obs.Observed = p.start;
  p.obs.Sigma.fill(1e6);
  p.obs.f = 152;
  p.obs.ImagePrecision = 0.003;
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

// How runs end, and where they leave the station: every iteration's
// corrections are applied except those that diverge or were not formed or
// solved.
TEST(ResectionAdjustment, OutcomeOfEachEnding) {
  using Edit = void (*)(Photograph&);
  const struct {
    const char* name;
    std::int32_t limit;
    Edit edit;
    Outcome outcome;
    int iterations;
    bool lastApplied;
  } cases[] = {
      {"converged", 8, [](Photograph&) {}, Outcome::Converged(), 4, true},
      // The limit comes before convergence and before a growing variance.
      {"limit 2", 2, [](Photograph&) {}, Outcome::LimitReached(), 3, true},
      {"limit -5", -5,
       [](Photograph& p) {
         p.start = p.obs.Observed = Make({1000, 2000, 3000}, {}).start;
       },
       Outcome::LimitReached(), 1, true},
      // Misclosures of millimetres over 1e-7: a variance beyond the start's 1e9.
      {"worse", 1, [](Photograph& p) { p.obs.ImagePrecision = 1e-7; }, Outcome::GotWorse(), 1,
       true},
      // Looking up at the ground: the corrections throw the station away.
      {"diverged", 8, [](Photograph& p) { p.obs.f = -152; }, Outcome::Diverged(), 2, false},
      // Four image coordinates for six unknowns, and no weight on the station.
      {"singular", 8,
       [](Photograph& p) {
         p.obs.Points.resize(2);
         p.obs.Sigma.fill(1e200);
       },
       Outcome::Singular(kCholeskyNotPositiveDefinite), 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Photograph p = Make({1000, 2000, 3000}, {40, -30, 60, 2, -3, 4});
    c.edit(p);
    ResectionAdjustment run(p.obs, p.start, c.limit);
    OneBased<double> before = p.start;
    while (!run.Step().outcome) before = run.Result().Station;
    const ResectionResult& r = run.Result();
    EXPECT_EQ(r.outcome, c.outcome);
    EXPECT_EQ(r.Last.Number, c.iterations);
    EXPECT_EQ(r.Station == before, !c.lastApplied);
    EXPECT_EQ(r.Residuals.empty(), c.outcome != Outcome::Converged());
    for (std::size_t i = 0; i < r.Residuals.size(); ++i)  // in the order of the points
      EXPECT_EQ(r.Residuals[i].No, p.obs.Points(i + 1).No);
  }
}

// The literal search and swap that dropping must agree with.
void DropLiterally(const std::vector<double>& drop, std::vector<std::int32_t>& no,
                   std::vector<double>& notFound) {
  std::size_t end = no.size();
  for (double wanted : drop) {
    std::size_t p = 0;
    while (p < end && no[p] != wanted) ++p;
    if (p == end) notFound.push_back(wanted);
    if (p != end) std::swap(no[p], no[--end]);
  }
}

// Image records take the first control point of their number. Repeated and
// reversed numbers, drop lists naming a number twice or not at all: the same
// records in the same places as the literal search, x, y and MatchIndex
// moving with their number.
TEST(ResectionRecords, MatchAsTheLiteralSearch) {
  OneBased<std::int32_t> ctrl(4), img(3), at;
  for (int i = 1; i <= 4; ++i) ctrl(i) = i % 2 ? 5 : 3;
  img(1) = 3, img(2) = 5, img(3) = 7;
  EXPECT_EQ(MatchImageToControl(img, 3, ctrl, 4, at), 3);
  EXPECT_EQ((std::array{at(1), at(2)}), (std::array{2, 1}));

  std::mt19937 gen(11);
  for (int round = 0; round < 300; ++round) {
    const int n = 4 + round % 40;
    std::uniform_int_distribution<std::int32_t> number(1, round % 3 == 0 ? n : 1 + n / 3);
    std::vector<std::int32_t> order(n);
    OneBased<std::int32_t> no(n), match(n);
    OneBased<double> x(n), y(n);
    for (int i = 1; i <= n; ++i) {
      no(i) = order[i - 1] = round % 5 == 0 ? n - i : number(gen);
      x(i) = y(i) = match(i) = i;
    }
    const std::vector<std::int32_t> before = order;
    std::vector<double> drop(1 + round % (n - 3)), notFound;
    for (double& d : drop) d = number(gen) + (round % 7 == 0 ? 0.5 : 0);
    DropLiterally(drop, order, notFound);
    std::int32_t inUse = 0;
    ASSERT_EQ(DropPoints(drop, n, no, x, y, match, inUse), notFound);
    EXPECT_EQ(inUse, n - std::ssize(drop) + std::ssize(notFound));
    for (int i = 1; i <= n; ++i) {
      ASSERT_EQ(no(i), order[i - 1]) << round << " " << i;
      ASSERT_EQ(before[match(i) - 1], no(i));
      ASSERT_EQ(x(i), match(i));
      ASSERT_EQ(y(i), match(i));
    }
  }
}

}  // namespace
}  // namespace tessaro
