// Tests of CholeskySolve (square-root method). Packed layout: element (i, j),
// j <= i, at position i*(i-1)/2 + j, positions from 1.
#include "numeric/cholesky.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <random>
#include <utility>
#include <vector>

namespace tessaro {
namespace {

using Dense = std::vector<std::vector<double>>;  // 0-based, full n by n.

std::size_t Pos(std::size_t i, std::size_t j) {
  if (j > i) std::swap(i, j);
  return i * (i - 1) / 2 + j;
}

OneBased<double> Vec(const std::vector<double>& v) {
  OneBased<double> out(v.size());
  for (std::size_t i = 0; i < v.size(); ++i) out(i + 1) = v[i];
  return out;
}

OneBased<double> Pack(const Dense& a) {
  const std::size_t n = a.size();
  OneBased<double> p(n * (n + 1) / 2);
  for (std::size_t i = 1; i <= n; ++i)
    for (std::size_t j = 1; j <= i; ++j) p(Pos(i, j)) = a[i - 1][j - 1];
  return p;
}

bool SameBits(const OneBased<double>& x, const OneBased<double>& y) {
  if (x.size() != y.size()) return false;
  for (std::size_t i = 0; i <= x.size(); ++i) {
    const double a = x.data()[i], b = y.data()[i];
    if (!(a == b || (std::isnan(a) && std::isnan(b)))) return false;
  }
  return true;
}

// A symmetric positive definite matrix G*G^T + n/10*I, G uniform in (-1, 1):
// condition number around 15 whatever the order.
Dense RandomSpd(std::size_t n, std::mt19937_64& rng) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  Dense g(n, std::vector<double>(n));
  for (auto& row : g)
    for (double& x : row) x = u(rng);
  Dense a(n, std::vector<double>(n, 0.0));
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j) {
      for (std::size_t k = 0; k < n; ++k) a[i][j] += g[i][k] * g[j][k];
      if (i == j) a[i][j] += 0.1 * static_cast<double>(n);
    }
  return a;
}

// Reference: Gauss-Jordan elimination with partial pivoting in long double
// on [A | I | b]; returns the inverse and the solution.
struct Reference {
  Dense inverse;
  std::vector<double> x;
};
Reference GaussJordan(const Dense& a, const std::vector<double>& b) {
  const std::size_t n = a.size(), w = 2 * n + 1;
  std::vector<std::vector<long double>> t(n, std::vector<long double>(w, 0.0L));
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) t[i][j] = a[i][j];
    t[i][n + i] = 1.0L;
    t[i][2 * n] = b[i];
  }
  for (std::size_t c = 0; c < n; ++c) {
    std::size_t p = c;
    for (std::size_t r = c + 1; r < n; ++r)
      if (std::fabs(t[r][c]) > std::fabs(t[p][c])) p = r;
    std::swap(t[c], t[p]);
    const long double d = t[c][c];
    for (long double& v : t[c]) v /= d;
    for (std::size_t r = 0; r < n; ++r) {
      if (r == c) continue;
      const long double f = t[r][c];
      for (std::size_t k = 0; k < w; ++k) t[r][k] -= f * t[c][k];
    }
  }
  Reference ref{Dense(n, std::vector<double>(n)), std::vector<double>(n)};
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j)
      ref.inverse[i][j] = static_cast<double>(t[i][n + j]);
    ref.x[i] = static_cast<double>(t[i][2 * n]);
  }
  return ref;
}

double MaxAbs(const std::vector<double>& v) {
  double m = 0.0;
  for (double x : v) m = std::max(m, std::fabs(x));
  return m;
}

// ---------------------------------------------------------------- worked examples

TEST(CholeskySolve, OrderOneDividesByTheElement) {
  OneBased<double> a = Vec({4.0}), b = Vec({2.0});
  int err = -1;
  CholeskySolve(a, b, 1, 3, err);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(b(1), 0.5);
  EXPECT_EQ(a(1), 0.25);

  a = Vec({3.0});
  b = Vec({1.0});
  CholeskySolve(a, b, 1, 3, err);
  EXPECT_EQ(err, 0);
  EXPECT_DOUBLE_EQ(b(1), 1.0 / 3.0);
  EXPECT_DOUBLE_EQ(a(1), 1.0 / 3.0);

  a = Vec({3.0});  // Mode 2: the factor holds 1/sqrt(a).
  b = Vec({1.0});
  CholeskySolve(a, b, 1, 2, err);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(a(1), 1.0 / std::sqrt(3.0));
  EXPECT_DOUBLE_EQ(b(1), 1.0 / 3.0);
}

TEST(CholeskySolve, TwoByTwoWorkedExample) {
  OneBased<double> a = Vec({4.0, 2.0, 3.0}), b = Vec({2.0, 1.0});
  int err = 130;  // The value on entry is ignored.
  CholeskySolve(a, b, 2, 3, err);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(b(1), 0.5);
  EXPECT_EQ(b(2), 0.0);
  EXPECT_DOUBLE_EQ(a(1), 0.375);
  EXPECT_DOUBLE_EQ(a(2), -0.25);
  EXPECT_DOUBLE_EQ(a(3), 0.5);
}

TEST(CholeskySolve, SingularMatrixIsRefused) {
  for (int mode = 1; mode <= 3; ++mode) {
    SCOPED_TRACE(mode);
    OneBased<double> a = Vec({4.0, 2.0, 1.0}), b = Vec({2.0, 1.0});
    int err = 0;
    CholeskySolve(a, b, 2, mode, err);
    EXPECT_EQ(err, 130);
    // Row 1 factored (1/L11 = 1/2), row 2 off-diagonal scaled (2 * 1/2), the
    // failed pivot (2,2) as passed; B untouched.
    EXPECT_EQ(a(1), 0.5);
    EXPECT_EQ(a(2), 1.0);
    EXPECT_EQ(a(3), 1.0);
    EXPECT_EQ(b(1), 2.0);
    EXPECT_EQ(b(2), 1.0);
  }
}

TEST(CholeskySolve, FailureAtALaterPivotLeavesThePartialFactor) {
  // Rows (4 2 2), (2 5 3), (2 3 2): L = (2), (1 2), (1 1 0) - pivot 3 is zero.
  OneBased<double> a = Vec({4, 2, 5, 2, 3, 2}), b = Vec({1, 2, 3});
  int err = 0;
  CholeskySolve(a, b, 3, 3, err);
  EXPECT_EQ(err, 130);
  const double expected[] = {0.5, 1.0, 0.5, 1.0, 1.0, 2.0};
  for (std::size_t k = 1; k <= 6; ++k) EXPECT_EQ(a(k), expected[k - 1]) << k;
  EXPECT_TRUE(SameBits(b, Vec({1, 2, 3})));
}

TEST(CholeskySolve, NonPositiveDiagonalIsRefusedUntouched) {
  for (double d : {0.0, -1.0, -0.0}) {
    SCOPED_TRACE(d);
    OneBased<double> a = Vec({d, 1.0, 5.0}), b = Vec({1.0, 1.0});
    const OneBased<double> a0 = a;
    int err = 0;
    CholeskySolve(a, b, 2, 2, err);
    EXPECT_EQ(err, 130);
    EXPECT_TRUE(SameBits(a, a0));
  }
}

class CholeskyBadMode : public testing::TestWithParam<int> {};

TEST_P(CholeskyBadMode, IsRefusedAndChangesNothing) {
  for (int n : {2, 0}) {  // The mode is checked before N.
    OneBased<double> a = Vec({4.0, 2.0, 3.0}), b = Vec({2.0, 1.0});
    const OneBased<double> a0 = a, b0 = b;
    int err = 0;
    CholeskySolve(a, b, n, GetParam(), err);
    EXPECT_EQ(err, 129);
    EXPECT_TRUE(SameBits(a, a0));
    EXPECT_TRUE(SameBits(b, b0));
  }
}

INSTANTIATE_TEST_SUITE_P(CholeskySolve, CholeskyBadMode,
                         testing::Values(0, 4, -1, 130));

TEST(CholeskySolve, EmptyOrderIsANoOp) {
  for (int n : {0, -1}) {
    for (int mode = 1; mode <= 3; ++mode) {
      OneBased<double> a = Vec({4.0}), b = Vec({2.0});
      int err = 130;
      CholeskySolve(a, b, n, mode, err);
      EXPECT_EQ(err, 0);
      EXPECT_EQ(a(1), 4.0);
      EXPECT_EQ(b(1), 2.0);
    }
  }
}

// -------------------------------------------------------------- tolerance

TEST(CholeskySolve, PivotTooSmallForTheStoredElementIsRefused) {
  // Rows (1 1), (1 1+d): positive definite, pivot 2 is s = d exactly, and
  // eps = 1/(16*2) = 1/32. d = 3*2^-50: d/32 is below half a unit in the last
  // place of the stored 1+d, so t equals it: refused. d = 2^-47: d/32 is one
  // unit in the last place: accepted. (eps = 1/16 would accept the first,
  // eps = 1/64 refuse the second.)
  const double refused = std::ldexp(3.0, -50);
  OneBased<double> a = Vec({1.0, 1.0, 1.0 + refused}), b = Vec({1.0, 1.0});
  int err = 0;
  CholeskySolve(a, b, 2, 3, err);
  EXPECT_EQ(err, 130);
  EXPECT_EQ(a(1), 1.0);
  EXPECT_EQ(a(2), 1.0);
  EXPECT_EQ(a(3), 1.0 + refused);
  EXPECT_EQ(b(1), 1.0);

  const double accepted = std::ldexp(1.0, -47);
  a = Vec({1.0, 1.0, 1.0 + accepted});
  b = Vec({1.0, 1.0 + accepted});  // x = (0, 1)
  CholeskySolve(a, b, 2, 3, err);
  EXPECT_EQ(err, 0);
  EXPECT_NEAR(b(1), 0.0, 1e-9);
  EXPECT_NEAR(b(2), 1.0, 1e-9);
  EXPECT_NEAR(a(3) * accepted, 1.0, 1e-9);  // The inverse's (2,2) is 1/d.
}

TEST(CholeskySolve, RankDeficientGramMatrixIsRefused) {
  // A = X^T X with X of 5 rows and 10 columns: rank 5, so pivot 6 is zero up
  // to rounding, far below what changes the stored diagonal.
  std::mt19937_64 rng(20240611);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  const std::size_t rows = 5, n = 10;
  Dense x(rows, std::vector<double>(n));
  for (auto& r : x)
    for (double& v : r) v = u(rng);
  Dense a(n, std::vector<double>(n, 0.0));
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j)
      for (std::size_t k = 0; k < rows; ++k) a[i][j] += x[k][i] * x[k][j];
  OneBased<double> packed = Pack(a), b(n, 1.0);
  const OneBased<double> packed0 = packed;
  int err = 0;
  CholeskySolve(packed, b, static_cast<int>(n), 3, err);
  EXPECT_EQ(err, 130);
  // Pivot 6 failed: its diagonal and rows 7..10 are as passed.
  EXPECT_EQ(packed(Pos(6, 6)), packed0(Pos(6, 6)));
  for (std::size_t k = Pos(7, 1); k <= packed.size(); ++k)
    EXPECT_EQ(packed(k), packed0(k)) << k;
  EXPECT_TRUE(SameBits(b, OneBased<double>(n, 1.0)));
}

// ---------------------------------------------------------- forward solve

TEST(CholeskySolve, LeadingZerosGiveTheSameSolutionAsFullSums) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  const std::size_t n = 9;
  const OneBased<double> a0 = Pack(RandomSpd(n, rng));
  for (std::size_t zeros = 0; zeros <= n; ++zeros) {
    SCOPED_TRACE(zeros);
    OneBased<double> rhs(n);
    for (std::size_t i = zeros + 1; i <= n; ++i) rhs(i) = u(rng);
    OneBased<double> a = a0, b = rhs;
    int err = -1;
    CholeskySolve(a, b, static_cast<int>(n), 2, err);
    ASSERT_EQ(err, 0);
    // Full substitution with the returned factor, every sum from k = 1.
    OneBased<double> y = rhs;
    for (std::size_t i = 1; i <= n; ++i) {
      double t = y(i);
      for (std::size_t k = 1; k < i; ++k) t = t - a(Pos(i, k)) * y(k);
      y(i) = t * a(Pos(i, i));
    }
    for (std::size_t i = n; i >= 1; --i) {
      double t = y(i);
      for (std::size_t k = n; k > i; --k) t = t - a(Pos(k, i)) * y(k);
      y(i) = t * a(Pos(i, i));
    }
    for (std::size_t i = 1; i <= n; ++i) EXPECT_EQ(b(i), y(i)) << i;
    if (zeros == n) {
      for (std::size_t i = 1; i <= n; ++i) EXPECT_EQ(b(i), 0.0);
    }
  }
}

// ------------------------------------------------ random SPD, orders 1..60
// One test loops over the orders (a process per order costs too much under
// the sanitizers); each order reports its own worst error.

constexpr double kSentinel = -12345.5;

struct RandomCase {
  std::size_t n;
  Dense dense;
  std::vector<double> rhs;

  explicit RandomCase(std::size_t order) : n(order) {
    std::mt19937_64 rng(1000 + order);
    dense = RandomSpd(n, rng);
    std::uniform_real_distribution<double> u(-10.0, 10.0);
    rhs.resize(n);
    for (double& v : rhs) v = u(rng);
  }
  // Packed A and B with a sentinel at position 0 and two past the end, which
  // the routine must never touch.
  void Fill(OneBased<double>& a, OneBased<double>& b) const {
    a = Pack(dense);
    a.resize(a.size() + 2);
    b = Vec(rhs);
    b.resize(n + 2);
    for (OneBased<double>* v : {&a, &b}) {
      v->data()[0] = kSentinel;
      (*v)(v->size()) = kSentinel;
      (*v)(v->size() - 1) = kSentinel;
    }
  }
  int Solve(OneBased<double>& a, OneBased<double>& b, int mode) const {
    int err = -1;
    CholeskySolve(a, b, static_cast<int>(n), mode, err);
    return err;
  }
};

bool SentinelsKept(const OneBased<double>& v) {
  return v.data()[0] == kSentinel && v(v.size()) == kSentinel &&
         v(v.size() - 1) == kSentinel;
}

constexpr std::size_t kMaxOrder = 60;

TEST(CholeskySolve, RandomSpdSolutionAndInverseMatchReference) {
  for (std::size_t n = 1; n <= kMaxOrder; ++n) {
    SCOPED_TRACE(testing::Message() << "order " << n);
    const RandomCase c(n);
    const Reference ref = GaussJordan(c.dense, c.rhs);
    OneBased<double> a, b;
    c.Fill(a, b);
    ASSERT_EQ(c.Solve(a, b, 3), 0);
    EXPECT_TRUE(SentinelsKept(a));
    EXPECT_TRUE(SentinelsKept(b));

    double xerr = 0.0, ierr = 0.0, iscale = 0.0;
    for (std::size_t i = 1; i <= n; ++i) {
      xerr = std::max(xerr, std::fabs(b(i) - ref.x[i - 1]));
      iscale = std::max(iscale, MaxAbs(ref.inverse[i - 1]));
      for (std::size_t j = 1; j <= i; ++j)
        ierr = std::max(ierr,
                        std::fabs(a(Pos(i, j)) - ref.inverse[i - 1][j - 1]));
    }
    EXPECT_LE(xerr, 1e-10 * MaxAbs(ref.x));
    EXPECT_LE(ierr, 1e-10 * iscale);

    // Mode 1 forms the same inverse bit for bit and never reads B.
    OneBased<double> a1, unused, empty;
    c.Fill(a1, unused);
    ASSERT_EQ(c.Solve(a1, empty, 1), 0);
    EXPECT_TRUE(SameBits(a1, a));
  }
}

TEST(CholeskySolve, Mode2LeavesFactorWithReciprocalDiagonal) {
  for (std::size_t n = 1; n <= kMaxOrder; ++n) {
    SCOPED_TRACE(testing::Message() << "order " << n);
    const RandomCase c(n);
    OneBased<double> a3, b3, a, b;
    c.Fill(a3, b3);
    ASSERT_EQ(c.Solve(a3, b3, 3), 0);
    c.Fill(a, b);
    ASSERT_EQ(c.Solve(a, b, 2), 0);
    EXPECT_TRUE(SentinelsKept(a));
    EXPECT_TRUE(SentinelsKept(b));
    EXPECT_TRUE(SameBits(b, b3));  // Same solution as mode 3, bit for bit.

    // L from A: off-diagonal as stored, diagonal 1/A(i,i); L*L^T must be A.
    auto l = [&](std::size_t i, std::size_t j) {
      return i == j ? 1.0 / a(Pos(i, i)) : a(Pos(i, j));
    };
    double scale = 0.0, err = 0.0, min_diag = 1.0;
    for (const auto& row : c.dense) scale = std::max(scale, MaxAbs(row));
    for (std::size_t i = 1; i <= n; ++i) {
      min_diag = std::min(min_diag, a(Pos(i, i)));
      for (std::size_t j = 1; j <= i; ++j) {
        double s = 0.0;
        for (std::size_t k = 1; k <= j; ++k) s += l(i, k) * l(j, k);
        err = std::max(err, std::fabs(s - c.dense[i - 1][j - 1]));
      }
    }
    EXPECT_GT(min_diag, 0.0);
    EXPECT_LE(err, 1e-12 * scale);
  }
}

}  // namespace
}  // namespace tessaro
