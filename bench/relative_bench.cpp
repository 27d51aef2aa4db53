// Speed of one full relative orientation: a strip of 24 photographs with
// about 1,000 image points (the size of the tables the program was first
// written for), from the approximations to the final inverse, exactly as
// "Process Relative Orient" runs it without its printing.
//
// The strip: photographs 0.37 frames apart, level, at Z = 0; ground points in
// columns of five across the strip, 1.5 units of relief, each measured on
// every photograph that sees it within 105 units of the centre (2 or 3 rays).
// Image coordinates are exact, so the adjustment converges in a few
// iterations; each iteration accumulates, solves and inverts the dense packed
// normal matrix of all unknowns.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#include "numeric/cholesky.h"
#include "numeric/packed.h"
#include "relative/strip_adjustment.h"
#include "shell/memory_bound.h"

namespace {

using namespace tessaro;

Strip MakeStrip(int photos) {
  const double frame = 230, f = 153, base = 0.37 * frame;
  Strip s;
  s.PhotoCount = static_cast<std::int16_t>(photos);
  s.FrameSize = frame;
  s.ImageSigma = 0.005;
  s.PhotoNumber = OneBased<std::int32_t>(photos);
  s.FocalLength = OneBased<double>(photos, f);
  s.PointCount = OneBased<std::int32_t>(photos);
  s.PointEnd = OneBased<std::int32_t>(photos);
  s.ImagePointNumber.SetRows(photos);
  s.ImageX.SetRows(photos);
  s.ImageY.SetRows(photos);
  s.PointNumberList = OneBased<std::int32_t>(0);
  const int columns = static_cast<int>(base * (photos - 1) / 23) + 1;
  std::int32_t n = 0;
  for (int p = 1; p <= photos; ++p) {
    s.PhotoNumber(p) = 100 + p;
    const double Xo = base * (p - 1);
    std::int32_t k = 0;
    for (int pass = 0; pass < 2; ++pass) {  // count, then store
      k = 0;
      for (int c = 0; c < columns; ++c)
        for (int r = -2; r <= 2; ++r) {
          const double X = 23.0 * c, Y = 40.0 * r, Z = -150 + 1.5 * std::sin(c + r);
          const double x = -f * (X - Xo) / Z, y = -f * Y / Z;
          if (std::fabs(x) >= 105) continue;
          ++k;
          if (pass == 0) continue;
          s.ImagePointNumber(p, k) = 1000 * c + r + 3;
          s.ImageX(p, k) = x;
          s.ImageY(p, k) = y;
          s.PointNumberList.resize(n + k);
          s.PointNumberList(n + k) = s.ImagePointNumber(p, k);
        }
      if (pass == 0) {
        s.ImagePointNumber.SetRowLength(p, k);
        s.ImageX.SetRowLength(p, k);
        s.ImageY.SetRowLength(p, k);
      }
    }
    n += k;
    s.PointCount(p) = k;
    s.PointEnd(p) = n;
  }
  s.ImagePointCount = n;
  NumberGroundPoints(s);
  return s;
}

void BM_RelativeOrientation(benchmark::State& state) {
  const Strip s = MakeStrip(static_cast<int>(state.range(0)));
  const std::int32_t N = UnknownCount(s);
  const OneBased<double> sigma =
      StationSigmas(s.FrameSize, 4 * std::atan(1.0), StationUnknownCount(s.PhotoCount));
  int iterations = 0;
  for (auto _ : state) {
    StripModel m = Approximations(s, 0);
    OneBased<double> A(PackedSize(N)), B(N);
    RaggedTable<double> residual;
    residual.SetRows(2 * s.PhotoCount);
    for (std::int32_t p = 1; p <= s.PhotoCount; ++p) {
      residual.SetRowLength(2 * p - 1, s.PointCount(p));
      residual.SetRowLength(2 * p, s.PointCount(p));
    }
    for (iterations = 1; iterations <= 10; ++iterations) {
      BuildNormalEquations(s, m, sigma, 0.5 * s.FrameSize, A, B, residual);
      int err = 0;
      CholeskySolve(A, B, N, kSolveAndInvert, err);
      if (err != 0) {
        state.SkipWithError("singular normal matrix");
        return;
      }
      ApplyCorrections(s, B, m);
      if (LargestCorrection(B, N) <= 0.001) break;
    }
    benchmark::DoNotOptimize(A.data());
  }
  state.counters["image_points"] = s.ImagePointCount;
  state.counters["unknowns"] = N;
  state.counters["iterations"] = iterations;
  state.counters["matrix_MB"] = NormalMatrixBytes(N) / 1e6;
}

BENCHMARK(BM_RelativeOrientation)->Arg(24)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
