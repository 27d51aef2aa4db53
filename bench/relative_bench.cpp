// Speed of the relative orientation on the benchmark strip (strip_geometry.h)
// of 24 photographs (about 1,000 image points) and 240 (about 10,000): one
// iteration (normal equations built, factored and solved) and a full run
// (from the approximations to the diagonal of the inverse), exactly as
// "Process Relative Orient" runs them without its printing. Beside them the
// dense packed path at 24 photographs, the way every strip was solved before
// the arrowhead structure. Image coordinates are exact, so the adjustment
// converges in three iterations.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#include "numeric/arrowhead.h"
#include "numeric/cholesky.h"
#include "numeric/packed.h"
#include "relative/strip_adjustment.h"
#include "shell/memory_bound.h"
#include "strip_geometry.h"

namespace {

using namespace tessaro;

Strip MakeStrip(int photos) {
  const auto images = bench::StripImages(photos);
  Strip s;
  s.PhotoCount = static_cast<std::int16_t>(photos);
  s.FrameSize = bench::kFrame;
  s.ImageSigma = bench::kSigma;
  s.PhotoNumber = OneBased<std::int32_t>(photos);
  s.FocalLength = OneBased<double>(photos, bench::kFocal);
  s.PointCount = OneBased<std::int32_t>(photos);
  s.PointEnd = OneBased<std::int32_t>(photos);
  s.ImagePointNumber.SetRows(photos);
  s.ImageX.SetRows(photos);
  s.ImageY.SetRows(photos);
  s.PointNumberList = OneBased<std::int32_t>(0);
  std::int32_t n = 0;
  for (int p = 1; p <= photos; ++p) {
    const auto& photo = images[p - 1];
    const auto k = static_cast<std::int32_t>(photo.size());
    s.PhotoNumber(p) = 100 + p;
    s.ImagePointNumber.SetRowLength(p, k);
    s.ImageX.SetRowLength(p, k);
    s.ImageY.SetRowLength(p, k);
    s.PointNumberList.resize(n + k);
    for (std::int32_t i = 1; i <= k; ++i) {
      s.ImagePointNumber(p, i) = photo[i - 1].number;
      s.ImageX(p, i) = photo[i - 1].x;
      s.ImageY(p, i) = photo[i - 1].y;
      s.PointNumberList(n + i) = photo[i - 1].number;
    }
    n += k;
    s.PointCount(p) = k;
    s.PointEnd(p) = n;
  }
  s.ImagePointCount = n;
  NumberGroundPoints(s);
  return s;
}

// One strip's working arrays, set up once per benchmark.
struct Run {
  explicit Run(int photos)
      : s(MakeStrip(photos)),
        n(UnknownCount(s)),
        sigma(StationSigmas(s.FrameSize, 4 * std::atan(1.0), StationUnknownCount(s.PhotoCount))),
        B(n),
        diagonal(n) {
    residual.SetRows(2 * s.PhotoCount);
    for (std::int32_t p = 1; p <= s.PhotoCount; ++p) {
      residual.SetRowLength(2 * p - 1, s.PointCount(p));
      residual.SetRowLength(2 * p, s.PointCount(p));
    }
  }
  // Builds and solves one iteration on model m; false when not solved.
  bool Iterate(const StripModel& m, ArrowheadNormals& A) {
    BuildNormalEquations(s, m, sigma, 0.5 * s.FrameSize, A, B, residual);
    return A.FactorAndSolve(B) == kCholeskyOk;
  }
  bool Iterate(const StripModel& m, OneBased<double>& A) {
    BuildNormalEquations(s, m, sigma, 0.5 * s.FrameSize, A, B, residual);
    int err = 0;
    CholeskySolve(A, B, n, kSolveAndInvert, err);
    return err == kCholeskyOk;
  }
  void Finish(ArrowheadNormals& A) { A.InverseDiagonal(diagonal); }
  void Finish(OneBased<double>&) {}  // mode 3 inverted it in every iteration

  Strip s;
  std::int32_t n;
  OneBased<double> sigma, B, diagonal;
  RaggedTable<double> residual;
};

ArrowheadNormals MakeMatrix(const Run& r, ArrowheadNormals*) { return StripNormals(r.s); }
OneBased<double> MakeMatrix(const Run& r, OneBased<double>*) {
  return OneBased<double>(PackedSize(r.n));
}
double Bytes(const ArrowheadNormals& A, const Run&) { return A.ValueBytes(); }
double Bytes(const OneBased<double>&, const Run& r) { return NormalMatrixBytes(r.n); }

void Counters(benchmark::State& state, const Run& r, double bytes, int iterations) {
  state.counters["image_points"] = r.s.ImagePointCount;
  state.counters["unknowns"] = r.n;
  state.counters["matrix_MB"] = bytes / 1e6;
  if (iterations > 0) state.counters["iterations"] = iterations;
}

template <class Matrix>
void BM_RelativeIteration(benchmark::State& state) {
  Run r(static_cast<int>(state.range(0)));
  Matrix A = MakeMatrix(r, static_cast<Matrix*>(nullptr));
  const StripModel m = Approximations(r.s, 0);
  for (auto _ : state)
    if (!r.Iterate(m, A)) return state.SkipWithError("singular normal matrix");
  Counters(state, r, Bytes(A, r), 0);
}

// One iteration's factor and solve alone, on a copy of its normal equations.
void BM_RelativeFactorAndSolve(benchmark::State& state) {
  Run r(static_cast<int>(state.range(0)));
  ArrowheadNormals built = StripNormals(r.s);
  BuildNormalEquations(r.s, Approximations(r.s, 0), r.sigma, 0.5 * r.s.FrameSize, built, r.B,
                       r.residual);
  const OneBased<double> B = r.B;
  for (auto _ : state) {
    state.PauseTiming();
    ArrowheadNormals A = built;
    r.B = B;
    state.ResumeTiming();
    if (A.FactorAndSolve(r.B) != kCholeskyOk) return state.SkipWithError("singular normal matrix");
  }
  Counters(state, r, built.ValueBytes(), 0);
}

// The diagonal of the inverse of one iteration's factored matrix.
void BM_RelativeInverseDiagonal(benchmark::State& state) {
  Run r(static_cast<int>(state.range(0)));
  ArrowheadNormals A = StripNormals(r.s);
  if (!r.Iterate(Approximations(r.s, 0), A)) return state.SkipWithError("singular normal matrix");
  for (auto _ : state)
    if (A.InverseDiagonal(r.diagonal) != kCholeskyOk) return state.SkipWithError("not covered");
  Counters(state, r, A.ValueBytes(), 0);
}

template <class Matrix>
void BM_RelativeFullRun(benchmark::State& state) {
  Run r(static_cast<int>(state.range(0)));
  int iterations = 0;
  double bytes = 0;
  for (auto _ : state) {
    Matrix A = MakeMatrix(r, static_cast<Matrix*>(nullptr));
    bytes = Bytes(A, r);
    StripModel m = Approximations(r.s, 0);
    for (iterations = 1; iterations <= 10; ++iterations) {
      if (!r.Iterate(m, A)) return state.SkipWithError("singular normal matrix");
      const bool last = LargestCorrection(r.B, r.n) <= 0.001;
      if (last) r.Finish(A);
      ApplyCorrections(r.s, r.B, m);
      if (last) break;
    }
    benchmark::DoNotOptimize(r.diagonal.data());
  }
  Counters(state, r, bytes, iterations);
}

BENCHMARK(BM_RelativeIteration<ArrowheadNormals>)->Arg(24)->Arg(240)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RelativeFactorAndSolve)->Arg(24)->Arg(240)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RelativeInverseDiagonal)->Arg(24)->Arg(240)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RelativeFullRun<ArrowheadNormals>)->Arg(24)->Arg(240)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RelativeIteration<OneBased<double>>)
    ->Arg(24)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_RelativeFullRun<OneBased<double>>)
    ->Arg(24)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
