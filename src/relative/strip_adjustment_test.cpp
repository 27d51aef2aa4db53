#include "relative/strip_adjustment.h"

#include <gtest/gtest.h>

#include <cmath>

#include "relative/synthetic_strip.h"

namespace tessaro {
namespace {

// A measuring error of twenty standard errors across the flight (where
// no point's depth can absorb it) is flagged on its photograph at its point;
// any other photograph flags the same point or none. How an adjustment ends
// is checked through the session.
TEST(StripAdjustment, FlagsTheDisturbedPoint) {
  SyntheticStrip truth = MakeStrip(4, 7, 1);
  SyntheticImage& disturbed = truth.photos[2].images[3];
  disturbed.y += 0.1;
  const Strip s = truth.Data();
  ArrowheadNormals normals = StripNormals(s);
  const OneBased<double> sigma =
      StationSigmas(s.FrameSize, 4 * std::atan(1.0), StationUnknownCount(s.PhotoCount));
  StripAdjustment adjustment(s, normals, sigma, 0);
  while (adjustment.Step()) {
  }
  const StripResult& r = adjustment.Result();
  ASSERT_TRUE(r.outcome.Succeeded());
  EXPECT_EQ(r.Flagged(3), 4);
  EXPECT_GT(std::fabs(r.Residual(6, 4)), kFlagFactor * s.ImageSigma);
  for (std::int32_t p = 1; p <= s.PhotoCount; ++p) {
    const std::int32_t k = r.Flagged(p);
    EXPECT_TRUE(k == 0 || s.ImagePointNumber(p, k) == disturbed.no) << p;
  }
}

}  // namespace
}  // namespace tessaro
