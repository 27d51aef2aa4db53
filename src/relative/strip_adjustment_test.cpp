#include "relative/strip_adjustment.h"

#include <gtest/gtest.h>

#include <cmath>

#include "relative/synthetic_strip.h"

namespace tessaro {
namespace {

// The strip adjusted to its end, laid out along +X (direction 0) or -X (-1).
StripResult Adjust(const Strip& s, std::int16_t direction) {
  ArrowheadNormals normals = StripNormals(s);
  const OneBased<double> sigma =
      StationSigmas(s.FrameSize, 4 * std::atan(1.0), StationUnknownCount(s.PhotoCount));
  StripAdjustment adjustment(s, normals, sigma, direction);
  while (adjustment.Step()) {
  }
  return adjustment.Result();
}

struct RecoveryCase {
  const char* name;
  int photos, columns, direction;
};
class Recovery : public ::testing::TestWithParam<RecoveryCase> {};

// Error-free strips come back to the stations and points they were made
// from, with residuals near zero (they belong to the linearisation before
// the last, small corrections) and nothing flagged. A small standard error
// of the image coordinates leaves the pseudo-observations no pull towards
// the starting values.
TEST_P(Recovery, GivesTheTruth) {
  const RecoveryCase& k = GetParam();
  SyntheticStrip truth = MakeStrip(k.photos, k.columns, k.direction);
  truth.sigma = 1e-5;
  const Strip s = truth.Data();
  const StripResult r = Adjust(s, k.direction < 0 ? -1 : 0);
  EXPECT_EQ(r.outcome, Outcome::Converged());
  EXPECT_LE(r.Iterations.back().MaxCorrection, kConvergenceLimit);
  EXPECT_EQ(r.Statistics.Redundancy, 2 * s.ImagePointCount - UnknownCount(s));
  EXPECT_LT(r.Statistics.Rms, 1e-5);
  for (std::int32_t p = 1; p <= s.PhotoCount; ++p) {
    const ReferenceStation& t = truth.photos[p - 1].truth;
    const long double want[6] = {t.X, t.Y, t.Z, t.omega, t.phi, t.kappa};
    for (int q = 0; q < 6; ++q)
      EXPECT_NEAR(r.Stations()(p)[q], want[q], q < 3 ? 1e-9 : 1e-11) << "photograph " << p << q;
    EXPECT_EQ(r.Flagged(p), 0);
    for (std::int32_t k = 1; k <= s.PointCount(p); ++k)
      for (std::int32_t row : {2 * p - 1, 2 * p}) EXPECT_NEAR(r.Residual(row, k), 0, 1e-5);
  }
  for (std::int32_t i = 1; i <= s.GroundPointCount; ++i)
    for (int c = 0; c < 3; ++c)
      EXPECT_NEAR(r.GroundPoints(i)[c], truth.points.at(s.GroundPointNumber(i))[c], 1e-9)
          << "point " << s.GroundPointNumber(i);
}

INSTANTIATE_TEST_SUITE_P(Strip, Recovery,
                         ::testing::Values(RecoveryCase{"PairWithSixPoints", 2, 2, 1},
                                           RecoveryCase{"FourPhotographs", 4, 7, 1},
                                           RecoveryCase{"AgainstTheFlight", 3, 5, -1}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tessaro
