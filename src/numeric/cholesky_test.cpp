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
  OneBased<double> p(a.size() * (a.size() + 1) / 2);
  for (std::size_t i = 1; i <= a.size(); ++i)
    for (std::size_t j = 1; j <= i; ++j) p(Pos(i, j)) = a[i - 1][j - 1];
  return p;
}

bool SameBits(const OneBased<double>& x, const OneBased<double>& y) {
  if (x.size() != y.size()) return false;
  for (std::ptrdiff_t i = 0; i <= x.size(); ++i) {
    const double a = x.data()[i], b = y.data()[i];
    if (!(a == b || (std::isnan(a) && std::isnan(b)))) return false;
  }
  return true;
}

double MaxAbs(const std::vector<double>& v) {
  double m = 0.0;
  for (double x : v) m = std::max(m, std::fabs(x));
  return m;
}

// A call with its expected outcome. Empty a_out or b_out: as passed, bit for
// bit. tol: allowed error relative to max(1, |expected|); 0 asks for equality.
struct Case {
  const char* what;
  std::vector<double> a, b;
  int n, mode, err;
  std::vector<double> a_out, b_out;
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
      {"order 1, inexact", {3}, {1}, 1, 3, 0, {1.0 / 3}, {1.0 / 3}, 1e-15},
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
  for (double d : {0.0, -0.0, -1.0})
    c.push_back({"non-positive first diagonal", {d, 1, 5}, {1, 1}, 2, 2, 130, {}, {}});
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
    OneBased<double> a = Vec(c.a), b = Vec(c.b);
    int err = 77;  // the value on entry is ignored
    CholeskySolve(a, b, c.n, c.mode, err);
    EXPECT_EQ(err, c.err);
    auto expect = [&](const OneBased<double>& got, const std::vector<double>& in,
                      const std::vector<double>& out) {
      if (out.empty()) {
        EXPECT_TRUE(SameBits(got, Vec(in)));
        return;
      }
      for (std::size_t k = 0; k < out.size(); ++k)
        EXPECT_NEAR(got(k + 1), out[k], c.tol * std::max(1.0, std::fabs(out[k]))) << k + 1;
    };
    expect(a, c.a, c.a_out);
    expect(b, c.b, c.b_out);
  }
}

// A symmetric positive definite matrix G*G^T + n/10*I, G uniform in (-1, 1):
// condition number around 15 whatever the order.
Dense RandomSpd(std::size_t n, std::mt19937_64& rng) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  Dense g(n, std::vector<double>(n)), a(n, std::vector<double>(n, 0.0));
  for (auto& row : g)
    for (double& x : row) x = u(rng);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j) {
      for (std::size_t k = 0; k < n; ++k) a[i][j] += g[i][k] * g[j][k];
      if (i == j) a[i][j] += 0.1 * static_cast<double>(n);
    }
  return a;
}

// The forward substitution skips the sums of leading zeros of B: the result
// must equal a full substitution with the returned factor, bit for bit.
TEST(CholeskySolve, LeadingZerosGiveTheSameSolutionAsFullSums) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  const std::size_t n = 9;
  const OneBased<double> a0 = Pack(RandomSpd(n, rng));
  for (std::size_t zeros = 0; zeros <= n; ++zeros) {
    SCOPED_TRACE(zeros);
    OneBased<double> rhs(n);
    for (std::size_t i = zeros + 1; i <= n; ++i) rhs(i) = u(rng);
    OneBased<double> a = a0, b = rhs, y = rhs;
    int err = -1;
    CholeskySolve(a, b, static_cast<int>(n), 2, err);
    ASSERT_EQ(err, 0);
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
    EXPECT_TRUE(SameBits(b, y));  // all zero when B is
  }
}

// Reference: Gauss-Jordan elimination with partial pivoting in long double
// on [A | I | b]; returns the inverse and the solution.
std::pair<Dense, std::vector<double>> GaussJordan(const Dense& a, const std::vector<double>& b) {
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
      const long double f = r == c ? 0.0L : t[r][c];
      for (std::size_t k = 0; k < w; ++k) t[r][k] -= f * t[c][k];
    }
  }
  std::pair<Dense, std::vector<double>> ref{Dense(n, std::vector<double>(n)),
                                            std::vector<double>(n)};
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) ref.first[i][j] = static_cast<double>(t[i][n + j]);
    ref.second[i] = static_cast<double>(t[i][2 * n]);
  }
  return ref;
}

// Random SPD systems of orders 1 to 60 (one test: a process per order costs
// too much under the sanitizers). Mode 3: solution and inverse against the
// reference; mode 1: the same inverse; mode 2: the same solution and a factor
// whose L*L^T is A. A sentinel before and two after each array must survive.
TEST(CholeskySolve, RandomSpdSystemsMatchTheReference) {
  constexpr double kSentinel = -12345.5;
  for (std::size_t n = 1; n <= 60; ++n) {
    SCOPED_TRACE(testing::Message() << "order " << n);
    std::mt19937_64 rng(1000 + n);
    const Dense dense = RandomSpd(n, rng);
    std::uniform_real_distribution<double> u(-10.0, 10.0);
    std::vector<double> rhs(n);
    for (double& v : rhs) v = u(rng);
    const auto [inverse, x] = GaussJordan(dense, rhs);

    OneBased<double> a[4], b[4];
    for (int mode = 1; mode <= 3; ++mode) {
      a[mode] = Pack(dense);
      b[mode] = mode == 1 ? OneBased<double>() : Vec(rhs);
      for (OneBased<double>* v : {&a[mode], &b[mode]}) {
        v->resize(v->size() + 2);
        v->data()[0] = (*v)(v->size()) = (*v)(v->size() - 1) = kSentinel;
      }
      int err = -1;
      CholeskySolve(a[mode], b[mode], static_cast<int>(n), mode, err);
      ASSERT_EQ(err, 0) << "mode " << mode;
      for (const OneBased<double>* v : {&a[mode], &b[mode]})
        EXPECT_TRUE(v->data()[0] == kSentinel && (*v)(v->size()) == kSentinel &&
                    (*v)(v->size() - 1) == kSentinel)
            << "mode " << mode;
    }
    double xerr = 0.0, ierr = 0.0, iscale = 0.0;
    for (std::size_t i = 1; i <= n; ++i) {
      xerr = std::max(xerr, std::fabs(b[3](i) - x[i - 1]));
      iscale = std::max(iscale, MaxAbs(inverse[i - 1]));
      for (std::size_t j = 1; j <= i; ++j)
        ierr = std::max(ierr, std::fabs(a[3](Pos(i, j)) - inverse[i - 1][j - 1]));
    }
    EXPECT_LE(xerr, 1e-10 * MaxAbs(x));
    EXPECT_LE(ierr, 1e-10 * iscale);
    EXPECT_TRUE(SameBits(a[1], a[3]));
    EXPECT_TRUE(SameBits(b[2], b[3]));

    // L from mode 2's A: off-diagonal as stored, diagonal 1/A(i,i).
    auto l = [&](std::size_t i, std::size_t j) {
      return i == j ? 1.0 / a[2](Pos(i, i)) : a[2](Pos(i, j));
    };
    double scale = 0.0, err = 0.0, min_diag = 1.0;
    for (const auto& row : dense) scale = std::max(scale, MaxAbs(row));
    for (std::size_t i = 1; i <= n; ++i) {
      min_diag = std::min(min_diag, a[2](Pos(i, i)));
      for (std::size_t j = 1; j <= i; ++j) {
        double s = 0.0;
        for (std::size_t k = 1; k <= j; ++k) s += l(i, k) * l(j, k);
        err = std::max(err, std::fabs(s - dense[i - 1][j - 1]));
      }
    }
    EXPECT_GT(min_diag, 0.0);
    EXPECT_LE(err, 1e-12 * scale);
  }
}

}  // namespace
}  // namespace tessaro
