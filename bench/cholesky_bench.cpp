// Speed of CholeskySolve, mode 3 (factor, solve, invert), at orders 100,
// 300, 1000 and 3000, beside Eigen's LLT doing the same job (factor, solve
// for B and for the identity) on the same matrix, built with the same flags.
// Also the literal routine (cholesky_reference.h) and the fast one held to
// its SSE2 build. At the end a table gives each one's CPU time over Eigen's.
//
// The matrix: symmetric, off-diagonal elements uniform in (-1, 1) from a
// fixed seed, diagonal 2*sqrt(n) + 1: its eigenvalues lie within about
// 1.2*sqrt(n) of the diagonal, so it is positive definite with a condition
// number below about 5, and it costs only n^2 to make.
//
// What is timed: the solve alone. CholeskySolve works in place, so every
// iteration first copies the packed matrix and the right-hand side into
// the work arrays, between PauseTiming and ResumeTiming. Eigen's LLT copies
// the matrix into its own storage as part of compute(), inside the timing.
#include <benchmark/benchmark.h>

#include <Eigen/Cholesky>
#include <Eigen/Core>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "numeric/cholesky.h"
#include "numeric/cholesky_reference.h"
#include "numeric/cholesky_simd.h"
#include "numeric/packed.h"

namespace {

using tessaro::OneBased;

struct Problem {
  OneBased<double> a;  // packed, positions 1..n(n+1)/2
  OneBased<double> b;  // 1..n
};

const Problem& GetProblem(int n) {
  static std::map<int, Problem> made;
  auto it = made.find(n);
  if (it != made.end()) return it->second;
  std::mt19937_64 rng(12345 + n);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  Problem p{OneBased<double>(tessaro::PackedSize(n)), OneBased<double>(n)};
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j < i; ++j) p.a(tessaro::PackedIndex(i, j)) = u(rng);
    p.a(tessaro::PackedIndex(i, i)) = 2 * std::sqrt(static_cast<double>(n)) + 1;
    p.b(i) = u(rng);
  }
  return made.emplace(n, std::move(p)).first->second;
}

template <class Solver>
void RunMode3(benchmark::State& state, Solver solve) {
  const int n = static_cast<int>(state.range(0));
  const Problem& problem = GetProblem(n);
  OneBased<double> a = problem.a, b = problem.b;
  for (auto _ : state) {
    state.PauseTiming();
    a = problem.a;  // Same sizes: a plain copy, no allocation.
    b = problem.b;
    state.ResumeTiming();
    int err = -1;
    solve(a, b, n, err);
    if (err != 0) {
      state.SkipWithError("the solver refused the matrix");
      break;
    }
    benchmark::DoNotOptimize(a.data());
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
}

void BM_CholeskySolve(benchmark::State& state) {
  RunMode3(state, [](OneBased<double>& a, OneBased<double>& b, int n, int& err) {
    tessaro::CholeskySolve(a, b, n, tessaro::kSolveAndInvert, err);
  });
  state.SetLabel(tessaro::CholeskyHasAvx2() ? "AVX2" : "SSE2");
}

void BM_CholeskySolveSse2(benchmark::State& state) {
  RunMode3(state, [](OneBased<double>& a, OneBased<double>& b, int n, int& err) {
    tessaro::CholeskySolveWith(false, a, b, n, tessaro::kSolveAndInvert, err);
  });
}

void BM_CholeskySolveReference(benchmark::State& state) {
  RunMode3(state, [](OneBased<double>& a, OneBased<double>& b, int n, int& err) {
    tessaro::CholeskySolveReference(a, b, n, tessaro::kSolveAndInvert, err);
  });
}

void BM_EigenLltInverse(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const Problem& problem = GetProblem(n);
  Eigen::MatrixXd m(n, n);
  Eigen::VectorXd b(n);
  for (int i = 1; i <= n; ++i) {
    b(i - 1) = problem.b(i);
    for (int j = 1; j <= i; ++j)
      m(i - 1, j - 1) = m(j - 1, i - 1) = problem.a(tessaro::PackedIndex(i, j));
  }
  Eigen::LLT<Eigen::MatrixXd> llt(n);
  Eigen::VectorXd x(n);
  Eigen::MatrixXd inverse(n, n);
  for (auto _ : state) {
    llt.compute(m);
    if (llt.info() != Eigen::Success) {
      state.SkipWithError("Eigen refused the matrix");
      break;
    }
    x = llt.solve(b);
    inverse.setIdentity();
    llt.solveInPlace(inverse);
    benchmark::DoNotOptimize(x.data());
    benchmark::DoNotOptimize(inverse.data());
    benchmark::ClobberMemory();
  }
}

// Each order three times, keeping the least CPU time: the machine is shared,
// and what others run only ever adds time. Order 3000 once (seconds each);
// the literal routine stops at 1000 (it would take about half a minute).
double Least(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }
void Orders(benchmark::internal::Benchmark* b) {
  b->Unit(benchmark::kMillisecond)
      ->Repetitions(3)
      ->ComputeStatistics("min", Least)
      ->ReportAggregatesOnly(true);
  for (int n : {100, 300, 1000}) b->Arg(n);
}
BENCHMARK(BM_EigenLltInverse)->Apply(Orders);
BENCHMARK(BM_CholeskySolve)->Apply(Orders);
BENCHMARK(BM_CholeskySolveSse2)->Apply(Orders);
BENCHMARK(BM_CholeskySolveReference)->Apply(Orders);
BENCHMARK(BM_EigenLltInverse)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CholeskySolve)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CholeskySolveSse2)->Arg(3000)->Unit(benchmark::kMillisecond);

// The console output as usual, and the times kept for the table of ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "min") continue;
      seconds_[run.run_name.str()] = run.GetAdjustedCPUTime() / 1e3;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatios() const {
    std::printf("\nLeast CPU time over Eigen's LLT + solve + inverse (same matrix, same flags):\n");
    std::printf("%8s %12s %12s %12s %12s\n", "order", "Eigen [s]", "fast", "fast SSE2", "literal");
    for (int n : {100, 300, 1000, 3000}) {
      const std::string arg = "/" + std::to_string(n);
      auto find = [&](const char* name) {  // "name/n", maybe "/repeats:3" after it
        const std::string key = name + arg;
        for (const auto& [run, seconds] : seconds_)
          if (run.compare(0, key.size(), key) == 0 &&
              (run.size() == key.size() || run[key.size()] == '/'))
            return seconds;
        return -1.0;
      };
      const double eigen = find("BM_EigenLltInverse");
      if (eigen <= 0) continue;
      std::printf("%8d %12.4f", n, eigen);
      for (const char* name :
           {"BM_CholeskySolve", "BM_CholeskySolveSse2", "BM_CholeskySolveReference"}) {
        const double t = find(name);
        if (t > 0)
          std::printf(" %11.2fx", t / eigen);
        else
          std::printf(" %12s", "-");
      }
      std::printf("\n");
    }
  }

 private:
  std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
