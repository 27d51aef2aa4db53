// CholeskySolve: small systems worked by hand, every refusal, and random
// systems against the long-double Gauss-Jordan reference.
#include "numeric/cholesky.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "numeric/cholesky_reference.h"
#include "numeric/cholesky_simd.h"
#include "numeric/packed.h"
#include "testing/reference.h"

namespace tessaro {
namespace {

bool SameBits(const OneBased<double>& x, const OneBased<double>& y) {
  if (x.size() != y.size()) return false;
  for (std::ptrdiff_t i = 0; i <= x.size(); ++i) {
    const double a = x.data()[i], b = y.data()[i];
    if (!(a == b || (std::isnan(a) && std::isnan(b)))) return false;
  }
  return true;
}

// A call with its expected outcome. Empty aOut or bOut: as passed, bit for
// bit. tol: allowed error relative to max(1, |expected|); 0 asks for equality.
struct Case {
  const char* what;
  std::vector<double> a, b;
  int n, mode, err;
  std::vector<double> aOut, bOut;
  double tol = 0;
};

std::vector<Case> Cases() {
  // Rows (1 1), (1 1+d): pivot 2 is s = d exactly, eps = 1/32. d = 3*2^-50
  // (tiny): d/32 is below half a unit in the last place of 1+d, so the stored
  // element does not change: refused. d = 2^-47: d/32 is one unit: accepted,
  // with x = (0, 1) for B = (1, 1+d). (eps = 1/16 would accept the first,
  // 1/64 refuse the second.)
  const double tiny = std::ldexp(3.0, -50), d = std::ldexp(1.0, -47), big = 1 / d;
  std::vector<Case> c = {
      {"order 1", {4}, {2}, 1, 3, 0, {0.25}, {0.5}},
      {"order 1, factor 1/sqrt(a)", {3}, {1}, 1, 2, 0, {1 / std::sqrt(3.0)}, {1.0 / 3}, 1e-15},
      {"2x2 worked example", {4, 2, 3}, {2, 1}, 2, 3, 0, {0.375, -0.25, 0.5}, {0.5, 0}, 1e-15},
      // Rows (4 2 2), (2 5 3), (2 3 2): L = (2), (1 2), (1 1 0), pivot 3 zero;
      // rows 1, 2 factored (1/L(i,i) on the diagonal), row 3 scaled, (3,3) as passed.
      {"zero pivot 3", {4, 2, 5, 2, 3, 2}, {1, 2, 3}, 3, 3, 130, {0.5, 1, 0.5, 1, 1, 2}, {}},
      {"pivot too small for 1+d", {1, 1, 1 + tiny}, {1, 1}, 2, 3, 130, {1, 1, 1 + tiny}, {}},
      {"pivot enough", {1, 1, 1 + d}, {1, 1 + d}, 2, 3, 0, {1 + big, -big, big}, {0, 1}, 1e-9},
  };
  // The singular (4 2), (2 1): row 1 factored, (2,1) scaled, (2,2) as passed.
  for (int mode = 1; mode <= 3; ++mode)
    c.push_back({"singular 2x2", {4, 2, 1}, {2, 1}, 2, mode, 130, {0.5, 1, 1}, {}});
  for (double first : {0.0, -0.0, -1.0})
    c.push_back({"non-positive first diagonal", {first, 1, 5}, {1, 1}, 2, 2, 130, {}, {}});
  for (int mode : {0, 4, -1, 130})
    for (int n : {2, 0})  // the mode is checked before N
      c.push_back({"bad mode", {4, 2, 3}, {2, 1}, n, mode, 129, {}, {}});
  for (int mode = 1; mode <= 3; ++mode)
    for (int n : {0, -1}) c.push_back({"empty order", {4}, {2}, n, mode, 0, {}, {}});
  return c;
}

TEST(CholeskySolve, SmallSystemsAndRefusals) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(testing::Message() << c.what << ", N " << c.n << ", mode " << c.mode);
    OneBased<double> a = OneBasedOf(c.a), b = OneBasedOf(c.b);
    int err = 77;  // the value on entry is ignored
    CholeskySolve(a, b, c.n, c.mode, err);
    EXPECT_EQ(err, c.err);
    auto expect = [&](const OneBased<double>& got, const std::vector<double>& in,
                      const std::vector<double>& out) {
      if (out.empty()) {
        EXPECT_TRUE(SameBits(got, OneBasedOf(in)));
        return;
      }
      for (std::size_t k = 0; k < out.size(); ++k)
        EXPECT_NEAR(got(k + 1), out[k], c.tol * std::max(1.0, std::fabs(out[k]))) << k + 1;
    };
    expect(a, c.a, c.aOut);
    expect(b, c.b, c.bOut);
  }
}

// A symmetric positive definite matrix G*G^T + n/10*I, G uniform in (-1, 1):
// condition number around 15 whatever the order. Each element is a double,
// so the solver and the reference see the same matrix.
Dense RandomSpd(int n, std::mt19937_64& rng) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<std::vector<double>> g(n, std::vector<double>(n));
  for (auto& row : g)
    for (double& x : row) x = u(rng);
  Dense a(n, std::vector<long double>(n));
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      double s = i == j ? 0.1 * n : 0.0;
      for (int k = 0; k < n; ++k) s += g[i][k] * g[j][k];
      a[i][j] = s;
    }
  return a;
}

// Random SPD systems of orders 1 to 60 (one test: a process per order costs
// too much under the sanitizers). Mode 3: solution and inverse against the
// reference; mode 1: the same inverse; mode 2: the same solution and a factor
// whose L*L^T is A. A sentinel before and two after each array must survive.
// Up to four leading elements of B are zero: the forward substitution skips
// their sums, which must not change the solution.
TEST(CholeskySolve, RandomSpdSystemsMatchTheReference) {
  constexpr double kSentinel = -12345.5;
  for (int n = 1; n <= 60; ++n) {
    SCOPED_TRACE(testing::Message() << "order " << n);
    std::mt19937_64 rng(1000 + n);
    const Dense dense = RandomSpd(n, rng);
    std::uniform_real_distribution<double> u(-10.0, 10.0);
    std::vector<long double> rhs(n);
    for (long double& v : rhs) v = u(rng);
    for (int i = 0; i < std::min(n - 1, n % 5); ++i) rhs[i] = 0;
    const DenseSolution ref = GaussJordan(dense, rhs);

    OneBased<double> a[4], b[4];
    for (int mode = kInvert; mode <= kSolveAndInvert; ++mode) {
      a[mode] = Pack(dense);
      if (mode != kInvert) b[mode] = OneBasedOf(std::vector<double>(rhs.begin(), rhs.end()));
      for (OneBased<double>* v : {&a[mode], &b[mode]}) {
        v->resize(v->size() + 2);
        v->data()[0] = (*v)(v->size()) = (*v)(v->size() - 1) = kSentinel;
      }
      int err = -1;
      CholeskySolve(a[mode], b[mode], n, mode, err);
      ASSERT_EQ(err, 0) << "mode " << mode;
      for (const OneBased<double>* v : {&a[mode], &b[mode]})
        EXPECT_TRUE(v->data()[0] == kSentinel && (*v)(v->size()) == kSentinel &&
                    (*v)(v->size() - 1) == kSentinel)
            << "mode " << mode;
    }
    long double xErr = 0, xScale = 0, iErr = 0, iScale = 0, lErr = 0, scale = 0;
    const Symmetric inverse(a[kSolveAndInvert]), l(a[kSolve]);
    double minDiagonal = 1.0;
    for (int i = 1; i <= n; ++i) {
      xErr = std::max(xErr, std::fabs(b[kSolveAndInvert](i) - ref.x[i - 1]));
      xScale = std::max(xScale, std::fabs(ref.x[i - 1]));
      minDiagonal = std::min(minDiagonal, l(i, i));
      for (int j = 1; j <= i; ++j) {
        iErr = std::max(iErr, std::fabs(inverse(i, j) - ref.inverse[i - 1][j - 1]));
        iScale = std::max(iScale, std::fabs(ref.inverse[i - 1][j - 1]));
        scale = std::max(scale, std::fabs(dense[i - 1][j - 1]));
        // (L*L^T)(i, j) with L's diagonal the reciprocal of what is stored.
        long double s = 0;
        for (int k = 1; k <= j; ++k)
          s += (i == k ? 1 / l(k, k) : l(i, k)) * (j == k ? 1 / l(k, k) : l(j, k));
        lErr = std::max(lErr, std::fabs(s - dense[i - 1][j - 1]));
      }
    }
    EXPECT_LE(xErr, 1e-10 * xScale);
    EXPECT_LE(iErr, 1e-10 * iScale);
    EXPECT_GT(minDiagonal, 0.0);
    EXPECT_LE(lErr, 1e-12 * scale);
    EXPECT_TRUE(SameBits(a[kInvert], a[kSolveAndInvert]));
    EXPECT_TRUE(SameBits(b[kSolve], b[kSolveAndInvert]));
  }
}

// Packed test matrices of one shape. The regular ones are diagonally
// dominant, hence positive definite; "strip" has the pattern of a strip's
// normal matrix: 3x3 ground blocks, each tied to a few stations, and a
// banded station block at the end. "overflow" is sparse with a corner whose
// factor overflows to NaN in row 4 (which then passes its pivot test, as NaN
// compares false); "growing" is L*L^T for L bidiagonal with (i,i-1) = 2^20
// and (i,i) = 1, cut in two at row 40, whose inverse factor grows 2^20 a row up
// to infinity.
enum Shape {
  kDense,
  kSparse,
  kStrip,
  kSingular,
  kNearSingular,
  kNegZero,
  kInf,
  kNan,
  kOverflow,
  kGrowing
};

OneBased<double> MakeMatrix(Shape shape, int n, std::mt19937_64& rng) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  const int ground = 3 * (n * 3 / 4 / 3);
  auto linked = [&](int i, int j) {  // j < i
    switch (shape) {
      case kSparse:
      case kNegZero:
      case kOverflow:
        return u(rng) > 0.6;
      case kStrip:
        if (i <= ground) return (i - 1) / 3 == (j - 1) / 3;
        return j > ground ? i - j < 12 : std::abs((j - 1) / 3 % 8 * 2 - (i - ground)) < 5;
      default:
        return true;
    }
  };
  OneBased<double> a(PackedSize(n), 0.0);
  if (shape == kSingular || shape == kNearSingular) {  // G*G^T, G of rank < n
    const int rank = shape == kSingular ? (n + 1) / 2 : n - 1;
    std::vector<double> g(static_cast<std::size_t>(n) * rank);
    for (double& x : g) x = u(rng);
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= i; ++j)
        for (int k = 0; k < rank; ++k)
          a(PackedIndex(i, j)) += g[(i - 1) * rank + k] * g[(j - 1) * rank + k];
    if (shape == kNearSingular)
      for (int i = 1; i <= n; ++i) a(PackedIndex(i, i)) += 1e-13;
    return a;
  }
  std::vector<double> dominance(n + 1, 1.0);
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j < i; ++j)
      if (linked(i, j)) {
        const double x = a(PackedIndex(i, j)) = u(rng);
        dominance[i] += std::fabs(x);
        dominance[j] += std::fabs(x);
      } else if (shape == kNegZero && u(rng) > 0) {
        a(PackedIndex(i, j)) = -0.0;
      }
  for (int i = 1; i <= n; ++i) a(PackedIndex(i, i)) = dominance[i];
  std::uniform_int_distribution<std::ptrdiff_t> at(1, PackedSize(n));
  if (shape == kInf) a(at(rng)) = -std::numeric_limits<double>::infinity();
  if (shape == kNan) a(at(rng)) = std::numeric_limits<double>::quiet_NaN();
  if (shape == kOverflow && n >= 4) {  // L(4,1)*L(3,1) = inf, L(4,2)*L(3,2) = -inf
    const double corner[] = {1e-300, 0, 1e-300, 1, 1, 1e305, 1e10, -1e10, 0, 1};
    for (int p = 1; p <= 10; ++p) a(p) = corner[p - 1];
  }
  if (shape == kGrowing)
    for (int i = 1; i <= n; ++i) {
      a(PackedIndex(i, i)) = i == 1 || i == 40 ? 1 : 0x1p40 + 1;
      for (int j = 1; j < i; ++j) a(PackedIndex(i, j)) = j == i - 1 && i != 40 ? 0x1p20 : 0.0;
    }
  return a;
}

// The fast routine (both builds where the processor has AVX2) against the
// literal one: values, error code and the partly factored state on failure,
// compared byte for byte, position 0 included. Every shape at every order
// 1..64 and a few larger, every mode; the dense ones also with a zero
// diagonal element at each row, so that the factor fails there.
TEST(CholeskySolve, FastIsTheLiteralMethodBitForBit) {
  std::vector<bool> builds = {false};
  if (CholeskyHasAvx2()) builds.push_back(true);
  std::vector<int> orders;
  for (int n = 1; n <= 64; ++n) orders.push_back(n);
  for (int n : {97, 130, 301}) orders.push_back(n);
  auto same = [](const OneBased<double>& x, const OneBased<double>& y) {
    return x.size() == y.size() &&
           std::memcmp(x.data(), y.data(), sizeof(double) * (x.size() + 1)) == 0;
  };
  for (int n : orders) {
    std::mt19937_64 rng(n);
    for (Shape shape : {kDense, kSparse, kStrip, kSingular, kNearSingular, kNegZero, kInf, kNan,
                        kOverflow, kGrowing}) {
      const OneBased<double> matrix = MakeMatrix(shape, n, rng);
      OneBased<double> rhs(n);
      for (int i = 1; i <= n; ++i) rhs(i) = i <= n / 3 ? 0.0 : std::sin(i);
      std::vector<std::pair<int, int>> runs;  // (mode, row given a zero diagonal)
      for (int mode = kInvert; mode <= kSolveAndInvert; ++mode) runs.push_back({mode, 0});
      if (shape == kDense && n <= 64)
        for (int row = 1; row <= n; ++row) runs.push_back({kSolveAndInvert, row});
      if (shape == kStrip && n > 64)
        for (int row : {1, 2, 17, n / 2, n}) runs.push_back({kSolveAndInvert, row});
      for (auto [mode, row] : runs) {
        OneBased<double> a0 = matrix;
        if (row > 0) a0(PackedIndex(row, row)) = 0.0;
        OneBased<double> aRef = a0, bRef = rhs;
        int errRef = -1;
        CholeskySolveReference(aRef, bRef, n, mode, errRef);
        for (bool avx2 : builds) {
          SCOPED_TRACE(testing::Message() << "order " << n << ", shape " << shape << ", mode "
                                          << mode << ", zero at " << row << ", avx2 " << avx2);
          OneBased<double> a = a0, b = rhs;
          int err = -1;
          CholeskySolveWith(avx2, a, b, n, mode, err);
          ASSERT_EQ(err, errRef);
          ASSERT_TRUE(same(a, aRef));
          ASSERT_TRUE(same(b, bRef));
        }
      }
    }
  }
}

}  // namespace
}  // namespace tessaro
