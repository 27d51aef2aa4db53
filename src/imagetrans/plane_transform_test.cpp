// The arithmetic of the image transformation: each plane model's fit, its
// residuals, Sx, Sy and RMS against an independent long-double least
// squares, and the matching of records to the calibrated marks against the
// exchange as written. Digital centring and the report are checked through
// the console.
#include "imagetrans/plane_transform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "testing/reference.h"

namespace tessaro {
namespace {

// Eight measured marks around the frame.
const double kMarks[8][2] = {{-108.31, -109.87}, {111.02, -110.45}, {109.66, 108.93},
                             {-110.12, 111.04},  {0.47, -110.3},    {110.81, 0.92},
                             {-0.58, 110.27},    {-109.94, -0.33}};

// The calibrated marks are their image under this map, a bilinear one that
// none of the simpler models meets exactly.
const PlaneTransform kMap = {12.5, 1.0012, -0.0153, 2.1e-6, -7.25, 0.0171, 0.9987, -1.7e-6};

// The model fitted in long double from its observation equations: the
// similarity's parameters (A1, B1, A2 = B3, B2 = -A3) from both coordinates
// at once, the other models' X and Y each on its own.
PlaneTransform Reference(int model, const std::vector<ImageRecord>& measured,
                         const std::vector<ImageRecord>& calibrated) {
  Dense rows, rowsX, rowsY;
  for (std::size_t i = 0; i < measured.size(); ++i) {
    const long double x = measured[i].x, y = measured[i].y, X = calibrated[i].x,
                      Y = calibrated[i].y;
    rows.push_back({1, 0, x, -y, X});
    rows.push_back({0, 1, y, x, Y});
    rowsX.push_back(model == kBilinear ? Dense::value_type{1, x, y, x * y, X}
                                       : Dense::value_type{1, x, y, X});
    rowsY.push_back(rowsX.back());
    rowsY.back().back() = Y;
  }
  std::vector<double> p;
  for (const Dense* r : model == kSimilarity ? std::vector{&rows} : std::vector{&rowsX, &rowsY}) {
    for (long double v : LeastSquares(*r)) p.push_back(v);
    if (model == kAffine) p.push_back(0);
  }
  if (model == kSimilarity) return {p[0], p[2], -p[3], 0, p[1], p[3], p[2], 0};
  return {p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]};
}

// Each model is the long-double least-squares fit to marks measured with
// noise; the residuals are model minus calibrated; Sx and Sy divide by n - 1
// for every model, RMS by 2n. Two marks fix a similarity exactly.
TEST(FitFiducials, ModelsMatchTheReferenceFit) {
  const std::pair<int, int> cases[] = {
      {kSimilarity, 8}, {kAffine, 8}, {kBilinear, 8}, {kSimilarity, 2}, {kAffine, 5}};
  for (const auto& [model, n] : cases) {
    SCOPED_TRACE(testing::Message() << "model " << model << ", " << n << " fiducials");
    std::vector<ImageRecord> measured, calibrated;
    for (int i = 0; i < n; ++i) {
      const double x = kMarks[i][0], y = kMarks[i][1];
      calibrated.push_back({i, kMap.X(x, y), kMap.Y(x, y)});
      measured.push_back({i, x + 0.05 * std::sin(1.7 * i + 2), y + 0.05 * std::cos(2.3 * i + 2.4)});
    }
    const FiducialFit fit = FitFiducials(model, measured, calibrated);
    ASSERT_EQ(fit.outcome, Outcome::Solved());
    const PlaneTransform ref = Reference(model, measured, calibrated);
    const double got[] = {fit.t.A1, fit.t.A2, fit.t.A3, fit.t.A4,
                          fit.t.B1, fit.t.B2, fit.t.B3, fit.t.B4};
    const double want[] = {ref.A1, ref.A2, ref.A3, ref.A4, ref.B1, ref.B2, ref.B3, ref.B4};
    for (int k = 0; k < 8; ++k) EXPECT_NEAR(got[k], want[k], 1e-11) << "coefficient " << k;

    long double sumVx = 0, sumVy = 0;
    ASSERT_EQ(std::pair(fit.Vx.size(), fit.Vy.size()),
              std::pair(std::ptrdiff_t{n}, std::ptrdiff_t{n}));
    for (int i = 1; i <= n; ++i) {
      const ImageRecord& m = measured[i - 1];
      const long double Vx = ref.X(m.x, m.y) - calibrated[i - 1].x,
                        Vy = ref.Y(m.x, m.y) - calibrated[i - 1].y;
      EXPECT_NEAR(fit.Vx(i), Vx, 1e-9) << i;
      EXPECT_NEAR(fit.Vy(i), Vy, 1e-9) << i;
      sumVx += Vx * Vx;
      sumVy += Vy * Vy;
    }
    EXPECT_NEAR(fit.Sx, std::sqrt(sumVx / (n - 1)), 1e-9);
    EXPECT_NEAR(fit.Sy, std::sqrt(sumVy / (n - 1)), 1e-9);
    EXPECT_NEAR(fit.RMS, std::sqrt((sumVx + sumVy) / (2 * n)), 1e-9);
  }
}

// The map-driven matching leaves every record where the exchange as written
// leaves it: for each mark in calibrated order, every record j = 1..count of
// its number changes places with record i. Drawn from a few numbers, marks
// are measured twice (the later wins), not at all (the record at the place
// stands in), numbered 0 like the places past a short photo's end, or
// calibrated twice.
TEST(MatchFiducials, EndsAsTheExchangeAsWritten) {
  std::mt19937 draw(7);
  auto upTo = [&](int most) { return std::uniform_int_distribution<int>(0, most)(draw); };
  for (int round = 0; round < 500; ++round) {
    const int n = upTo(5), count = upTo(8), places = std::max(n, count + 1);
    std::vector<ImageRecord> calibrated;
    for (int i = 0; i < n; ++i) calibrated.push_back({upTo(6), 0, 0});  // 6: never measured
    OneBased<std::int32_t> no(places);
    OneBased<double> x(places), y(places);
    for (int j = 1; j <= places; ++j) no(j) = j <= count ? upTo(5) : 0, x(j) = j, y(j) = -j;
    auto [wantNo, wantX, wantY] = std::tuple(no, x, y);
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= count; ++j)
        if (wantNo(j) == calibrated[i - 1].No)
          std::swap(wantNo(j), wantNo(i)), std::swap(wantX(j), wantX(i)),
              std::swap(wantY(j), wantY(i));
    MatchFiducials(calibrated, no, x, y, count);
    ASSERT_TRUE(no == wantNo && x == wantX && y == wantY) << "round " << round;
  }
}

}  // namespace
}  // namespace tessaro
