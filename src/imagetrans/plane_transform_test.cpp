// The arithmetic of the image transformation: the fit of each plane model
// and its residuals, Sx, Sy and RMS against an independent long-double least
// squares, and a fiducial measured twice. The matching of shuffled records
// and the move of digital pixel positions to the image centre are checked
// through the console.
#include "imagetrans/plane_transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "testing/reference.h"

namespace tessaro {
namespace {

struct Fiducials {
  OneBased<double> x, y, X, Y;  // measured, calibrated
};

// Eight measured marks around the frame.
const double kMeasured[8][2] = {{-108.31, -109.87}, {111.02, -110.45}, {109.66, 108.93},
                                {-110.12, 111.04},  {0.47, -110.3},    {110.81, 0.92},
                                {-0.58, 110.27},    {-109.94, -0.33}};

const PlaneTransform kMaps[] = {
    {},
    {12.5, 0.9995, -0.0312, 0, -7.25, 0.0312, 0.9995, 0},
    {12.5, 1.0012, -0.0153, 0, -7.25, 0.0171, 0.9987, 0},
    {12.5, 1.0012, -0.0153, 2.1e-6, -7.25, 0.0171, 0.9987, -1.7e-6},
};

// The first n marks, calibrated through map; noisy moves the measured ones
// by up to 0.05 afterwards.
Fiducials Make(const PlaneTransform& map, int n, bool noisy) {
  Fiducials f{OneBased<double>(n), OneBased<double>(n), OneBased<double>(n), OneBased<double>(n)};
  for (int i = 1; i <= n; ++i) {
    f.x(i) = kMeasured[i - 1][0];
    f.y(i) = kMeasured[i - 1][1];
    f.X(i) = map.X(f.x(i), f.y(i));
    f.Y(i) = map.Y(f.x(i), f.y(i));
    if (noisy) {
      f.x(i) += 0.05 * std::sin(1.7 * i + 0.3);
      f.y(i) += 0.05 * std::cos(2.3 * i + 0.1);
    }
  }
  return f;
}

// The model fitted in long double from its observation equations: the
// similarity with parameters (A1, B1, A2 = B3, B2 = -A3) from both
// coordinates at once, the other models as two separate fits of X and Y.
PlaneTransform Reference(int model, const Fiducials& f) {
  Dense rows, rowsX, rowsY;
  for (int i = 1; i <= f.x.size(); ++i) {
    const long double x = f.x(i), y = f.y(i), xy = model == kBilinear ? x * y : 0;
    rows.push_back({1, 0, x, -y, f.X(i)});
    rows.push_back({0, 1, y, x, f.Y(i)});
    rowsX.push_back({1, x, y, f.X(i)});
    rowsY.push_back({1, x, y, f.Y(i)});
    if (model == kBilinear) {
      rowsX.back().insert(rowsX.back().begin() + 3, xy);
      rowsY.back().insert(rowsY.back().begin() + 3, xy);
    }
  }
  std::vector<double> p;
  if (model == kSimilarity) {
    for (long double v : LeastSquares(rows)) p.push_back(static_cast<double>(v));
    return {p[0], p[2], -p[3], 0, p[1], p[3], p[2], 0};
  }
  for (const Dense* r : {&rowsX, &rowsY}) {
    for (long double v : LeastSquares(*r)) p.push_back(static_cast<double>(v));
    if (model == kAffine) p.push_back(0);
  }
  return {p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]};
}

// Exact fiducials give back the map; disturbed ones the reference fit. The
// residuals are model minus calibrated, Sx and Sy divide by n - 1 for every
// model, RMS by 2n. Two fiducials fix a similarity exactly.
TEST(FitFiducials, EachModelMatchesTheReferenceFitAndItsStatistics) {
  const struct {
    int model, n;
    bool noisy;
  } cases[] = {{kSimilarity, 8, false}, {kAffine, 8, false}, {kBilinear, 8, false},
               {kSimilarity, 8, true},  {kAffine, 8, true},  {kBilinear, 8, true},
               {kSimilarity, 2, false}, {kAffine, 5, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "model " << c.model << ", " << c.n << " fiducials"
                                    << (c.noisy ? ", noisy" : ""));
    const Fiducials f = Make(kMaps[c.model], c.n, c.noisy);
    const FiducialFit fit = FitFiducials(c.model, c.n, f.x, f.y, f.X, f.Y);
    ASSERT_EQ(fit.ErrCode, 0);
    const PlaneTransform ref = c.noisy ? Reference(c.model, f) : kMaps[c.model];
    const double got[] = {fit.t.A1, fit.t.A2, fit.t.A3, fit.t.A4,
                          fit.t.B1, fit.t.B2, fit.t.B3, fit.t.B4};
    const double want[] = {ref.A1, ref.A2, ref.A3, ref.A4, ref.B1, ref.B2, ref.B3, ref.B4};
    for (int k = 0; k < 8; ++k) EXPECT_NEAR(got[k], want[k], 1e-11) << "coefficient " << k;

    long double sumVx = 0, sumVy = 0;
    ASSERT_EQ(fit.Vx.size(), c.n);
    ASSERT_EQ(fit.Vy.size(), c.n);
    for (int i = 1; i <= c.n; ++i) {
      const long double Vx = ref.X(f.x(i), f.y(i)) - f.X(i), Vy = ref.Y(f.x(i), f.y(i)) - f.Y(i);
      EXPECT_NEAR(fit.Vx(i), Vx, 1e-9) << i;
      EXPECT_NEAR(fit.Vy(i), Vy, 1e-9) << i;
      sumVx += Vx * Vx;
      sumVy += Vy * Vy;
    }
    EXPECT_TRUE(!c.noisy || sumVx > 1e-5L) << "the noise is really there";
    EXPECT_NEAR(fit.Sx, std::sqrt(sumVx / (c.n - 1)), 1e-9);
    EXPECT_NEAR(fit.Sy, std::sqrt(sumVy / (c.n - 1)), 1e-9);
    EXPECT_NEAR(fit.RMS, std::sqrt((sumVx + sumVy) / (2 * c.n)), 1e-9);
  }
}

// Fiducials on a line leave the affine and bilinear normal matrices
// singular; so does a film photo without fiducials. The solver's code comes
// back.
TEST(FitFiducials, SingularFitsReturnTheSolversCode) {
  Fiducials line{OneBased<double>(4), OneBased<double>(4), OneBased<double>(4),
                 OneBased<double>(4)};
  for (int i = 1; i <= 4; ++i) line.x(i) = line.y(i) = line.X(i) = line.Y(i) = 10.0 * i;
  for (int model : {kAffine, kBilinear})
    EXPECT_EQ(FitFiducials(model, 4, line.x, line.y, line.X, line.Y).ErrCode, 130) << model;
  EXPECT_EQ(FitFiducials(kSimilarity, 0, line.x, line.y, line.X, line.Y).ErrCode, 130);
}

// Of a mark measured twice the later record wins, since the scan goes on
// after a match; x and y move with the number.
TEST(MatchFiducials, TheLaterOfTwoRecordsOfAMarkWins) {
  OneBased<std::int32_t> calibrated(1), no(3);
  OneBased<double> x(3), y(3);
  calibrated(1) = 11;
  for (int j = 1; j <= 3; ++j) no(j) = j == 2 ? 7 : 11, x(j) = j, y(j) = -j;
  MatchFiducials(calibrated, 1, no, x, y, 3);
  EXPECT_EQ(
      (std::vector<double>{double(no(1)), x(1), y(1), double(no(2)), x(2), double(no(3)), x(3)}),
      (std::vector<double>{11, 3, -3, 7, 2, 11, 1}));
}

}  // namespace
}  // namespace tessaro
