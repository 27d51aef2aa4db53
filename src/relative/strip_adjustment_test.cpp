#include "relative/strip_adjustment.h"

#include <gtest/gtest.h>

#include <cmath>

#include "numeric/cholesky.h"
#include "relative/synthetic_strip.h"

namespace tessaro {
namespace {

// The strip adjusted to its end, laid out along +X.
StripResult Adjust(const Strip& s) {
  ArrowheadNormals normals = StripNormals(s);
  const OneBased<double> sigma =
      StationSigmas(s.FrameSize, 4 * std::atan(1.0), StationUnknownCount(s.PhotoCount));
  StripAdjustment adjustment(s, normals, sigma, 0);
  while (adjustment.Step()) {
  }
  return adjustment.Result();
}

// A measuring error of twenty standard errors across the flight (where
// no point's depth can absorb it) is flagged on its photograph at its point;
// any other photograph flags the same point or none.
TEST(StripAdjustment, FlagsTheDisturbedPoint) {
  SyntheticStrip truth = MakeStrip(4, 7, 1);
  SyntheticImage& disturbed = truth.photos[2].images[3];
  disturbed.y += 0.1;
  const Strip s = truth.Data();
  const StripResult r = Adjust(s);
  ASSERT_TRUE(r.outcome.Succeeded());
  EXPECT_EQ(r.Flagged(3), 4);
  EXPECT_GT(std::fabs(r.Residual(6, 4)), kFlagFactor * s.ImageSigma);
  for (std::int32_t p = 1; p <= s.PhotoCount; ++p) {
    const std::int32_t k = r.Flagged(p);
    EXPECT_TRUE(k == 0 || s.ImagePointNumber(p, k) == disturbed.no) << p;
  }
}

struct EndingCase {
  const char* name;
  int direction;  // of the strip's numbering
  double frame;   // the frame dimension given instead of 230
  Outcome outcome;
  std::int32_t iterations;
};
class StripEnding : public ::testing::TestWithParam<EndingCase> {};

// How an adjustment ends, after how many iterations: the iteration limit
// stops one that starts far off (a frame a hundred times too large), a strip
// numbered against the flight and laid out along +X diverges, a frame whose
// square underflows leaves no regular matrix (one that overflows: the
// session's tests). One that stops on a singular matrix or a diverging
// correction leaves the model as it stood before that iteration.
TEST_P(StripEnding, EndsAsItMust) {
  const EndingCase& k = GetParam();
  Strip s = MakeStrip(3, 5, k.direction).Data();
  s.FrameSize = k.frame;
  const StripResult r = Adjust(s);
  EXPECT_EQ(r.outcome, k.outcome);
  EXPECT_EQ(r.IterationCount(), k.iterations);
  ASSERT_EQ(r.Iterations.size(), std::size_t(k.iterations));
  if (k.outcome.ending == Ending::LimitReached) {
    EXPECT_GT(r.Iterations.back().MaxCorrection, kConvergenceLimit);
    return;
  }
  const StripModel start = Approximations(s, 0);
  for (std::int32_t p = 1; p <= s.PhotoCount; ++p)
    for (int q = 0; q < 6; ++q)
      EXPECT_EQ(r.Stations()(p)[q], k.iterations > 1 ? r.Iterations[k.iterations - 2].Stations(p)[q]
                                                     : start.Station(p, q));
}

INSTANTIATE_TEST_SUITE_P(
    StripAdjustment, StripEnding,
    ::testing::Values(EndingCase{"FarOffIsStoppedByTheLimit", 1, 23000, Outcome::LimitReached(),
                                 10},
                      EndingCase{"AgainstTheFlightDiverges", -1, 230, Outcome::Diverged(), 3},
                      EndingCase{"UnderflowIsSingular", 1, 1e-300,
                                 Outcome::Singular(kCholeskyNotPositiveDefinite), 1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tessaro
