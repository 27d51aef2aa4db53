// Speed of CholeskySolve, mode 3 (factor, solve, invert), at orders 50, 200
// and 1000. The matrix is built once per order: G*G^T/n + I with G uniform in
// (-1, 1) from a fixed seed, so well conditioned (condition number below
// about 5) and positive definite.
//
// What is timed: the solve alone. The routine works in place, so every
// iteration first copies the packed matrix and the right-hand side into the
// work arrays; that copy runs between PauseTiming and ResumeTiming and is
// not in the figure. BM_CopyOnly measures the copy by itself, for scale.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <random>
#include <vector>

#include "numeric/cholesky.h"
#include "numeric/packed.h"

namespace {

using tessaro::OneBased;

struct Problem {
  OneBased<double> a;  // packed, positions 1..n(n+1)/2
  OneBased<double> b;  // 1..n
};

Problem MakeProblem(int n) {
  std::mt19937_64 rng(12345 + n);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<double> g(static_cast<std::size_t>(n) * n);
  for (double& x : g) x = u(rng);
  Problem p{OneBased<double>(tessaro::PackedSize(n)), OneBased<double>(n)};
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= i; ++j) {
      double s = 0.0;
      for (int k = 0; k < n; ++k) s += g[(i - 1) * n + k] * g[(j - 1) * n + k];
      p.a(tessaro::PackedIndex(i, j)) = s / n + (i == j ? 1.0 : 0.0);
    }
    p.b(i) = u(rng);
  }
  return p;
}

void BM_CholeskySolveMode3(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const Problem problem = MakeProblem(n);
  OneBased<double> a = problem.a, b = problem.b;
  for (auto _ : state) {
    state.PauseTiming();
    a = problem.a;  // Same sizes: a plain copy, no allocation.
    b = problem.b;
    state.ResumeTiming();
    int err = -1;
    tessaro::CholeskySolve(a, b, n, tessaro::kSolveAndInvert, err);
    if (err != 0) {
      state.SkipWithError("CholeskySolve refused the matrix");
      break;
    }
    benchmark::DoNotOptimize(a.data());
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
  state.counters["order"] = n;
}

void BM_CopyOnly(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const Problem problem = MakeProblem(n);
  OneBased<double> a = problem.a, b = problem.b;
  for (auto _ : state) {
    a = problem.a;
    b = problem.b;
    benchmark::DoNotOptimize(a.data());
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_CholeskySolveMode3)->Arg(50)->Arg(200)->Arg(1000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CopyOnly)->Arg(50)->Arg(200)->Arg(1000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
