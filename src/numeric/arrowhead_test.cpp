// The arrowhead solution against CholeskySolve in mode 3, bit for bit: the
// corrections, the diagonal of the inverse (both instruction sets) and the
// refusals, on strips, pairs, long groups, a full profile and right-hand
// sides that start with zeros and -0.
#include "numeric/arrowhead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "numeric/cholesky.h"
#include "numeric/packed.h"

namespace tessaro {
namespace {

struct Shape {
  const char* name;
  int blocks, groups, window;  // group q sees blocks q*blocks/groups + skip + 1 .. + window
  int skip = 0;
  bool allSeeFirst = false;  // every group also sees block 1: the profile is full
  bool zeroB = false;        // B: -0 on blocks 1, 3, the last three and the last group, +0 on row 4
  int groupSize = 6;         // unknowns of every group but the first, which has one fewer
};

struct System {
  ArrowheadNormals arrow;
  OneBased<double> dense, b;
  int n = 0;
};

// Image-like observations: each (group, block) pair gives four rows with
// coefficients on the block's three unknowns and the group's own, added as
// R^T R to both storages; weak priors on the diagonal keep it regular.
System Make(const Shape& s, unsigned seed) {
  std::vector<int> sizes;
  std::vector<std::vector<std::int32_t>> seen(s.groups);
  for (int q = 0; q < s.groups; ++q) {
    sizes.push_back(q == 0 ? s.groupSize - 1 : s.groupSize);
    if (s.allSeeFirst && q * s.blocks / s.groups > 0) seen[q].push_back(1);
    const int from = q * s.blocks / s.groups + s.skip;
    for (int b = from + 1; b <= std::min(s.blocks, from + s.window); ++b) seen[q].push_back(b);
  }
  System y{ArrowheadNormals(s.blocks, sizes, seen), {}, {}, 0};
  y.n = static_cast<int>(y.arrow.Order());
  y.dense = OneBased<double>(PackedSize(y.n));
  y.b = OneBased<double>(y.n);
  y.arrow.Clear();
  const auto add = [&](std::int64_t i, std::int64_t j, double v) {
    y.arrow(i, j) += v;
    y.dense(PackedIndex(i, j)) += v;
  };
  // Row i from column j0 on, as an accumulator adds an observation's
  // products: one run of a block's columns or a group's through one RowFrom.
  const auto addRow = [&](std::int64_t i, std::int64_t j0, const double* v, int count) {
    double* at = y.arrow.RowFrom(i, j0);
    for (int c = 0; c < count; ++c) {
      at[c] += v[c];
      y.dense(PackedIndex(i, j0 + c)) += v[c];
    }
  };
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> u(-1, 1);
  for (int i = 1; i <= y.n; ++i) {
    add(i, i, 1e-4);
    y.b(i) = 1e-4 * u(rng);
  }
  // Block by block, and for each the groups that see it: consecutive rows
  // change group or block, never both.
  std::vector<std::int64_t> start{3 * std::int64_t{s.blocks}};
  for (int q = 0; q < s.groups; ++q) start.push_back(start.back() + sizes[q]);
  for (std::int32_t b = 1; b <= s.blocks; ++b)
    for (int q = 0; q < s.groups; ++q) {
      if (!std::binary_search(seen[q].begin(), seen[q].end(), b)) continue;
      for (int obs = 0; obs < 4; ++obs) {
        // Coefficients of the block's three unknowns, then the group's.
        std::vector<double> r(3 + sizes[q]);
        for (double& v : r) v = u(rng);
        const double r0 = u(rng);
        for (int a = 0; a < std::ssize(r); ++a) {
          const std::int64_t i = a < 3 ? 3 * (b - 1) + a + 1 : start[q] + a - 2;
          y.b(i) += r[a] * r0;
          std::vector<double> products;
          for (int c = 0; c <= a; ++c) products.push_back(r[a] * r[c]);
          addRow(i, 3 * (b - 1) + 1, products.data(), std::min(a + 1, 3));
          if (a >= 3) addRow(i, start[q] + 1, products.data() + 3, a - 2);
        }
      }
    }
  // A sum starting from -0 in the substitutions turns +0 only through a
  // product of sign -, which the structure leaves out when its L is zero.
  if (s.zeroB)
    for (int i = 1; i <= y.n; ++i)
      if (i <= 9 || (i > 3 * s.blocks - 9 && i <= 3 * s.blocks) || i > y.n - 6)
        y.b(i) = i == 4 ? 0.0 : i == 5 || i == 6 ? y.b(i) : -0.0;
  return y;
}

bool Same(const OneBased<double>& x, const OneBased<double>& y, int n) {
  return std::memcmp(x.data() + 1, y.data() + 1, sizeof(double) * n) == 0;
}

// CholeskySolve's result, then the arrowhead's; the refusal placed at every
// row by a zero on the diagonal (its s is then 0 or below). mayDecline: the
// arrowhead may leave the input to the dense path instead.
void Compare(System y, int failAt, bool mayDecline = false) {
  if (failAt > 0) {
    y.arrow(failAt, failAt) = 0.0;
    y.dense(PackedIndex(failAt, failAt)) = 0.0;
  }
  OneBased<double> dense = y.dense, x = y.b, diag(y.n), xs = y.b;
  int err = 0;
  CholeskySolve(dense, x, y.n, kSolveAndInvert, err);
  const int e = y.arrow.FactorAndSolve(xs);
  if (mayDecline && e == kArrowheadNotCovered) return;
  ASSERT_EQ(e, err) << "refused at " << failAt;
  if (err != kCholeskyOk) return;
  OneBased<double> expected(y.n);
  for (int i = 1; i <= y.n; ++i) expected(i) = dense(PackedIndex(i, i));
  EXPECT_TRUE(Same(xs, x, y.n)) << "solution";
  for (const bool avx2 : {true, false}) {
    const int inverted = y.arrow.InverseDiagonal(diag, avx2);
    if (mayDecline && inverted == kArrowheadNotCovered) continue;
    ASSERT_EQ(inverted, kCholeskyOk);
    EXPECT_TRUE(Same(diag, expected, y.n)) << "inverse diagonal, AVX2 allowed: " << avx2;
  }
}

TEST(Arrowhead, SameBitsAsTheDenseRoutine) {
  const Shape shapes[] = {
      {"pair", 6, 1, 6},
      {"strip", 40, 9, 12},
      {"strip, zeros and -0 in B", 40, 9, 12, 0, false, true},
      {"groups seeing nothing, blocks seen by none", 30, 8, 2, 1, false, true},
      {"full profile", 12, 6, 3, 0, true, true},
      {"groups of 11 and 12 unknowns", 20, 5, 8, 0, false, true, 12},
      {"blocks alone", 5, 0, 0, 0, false, true},
  };
  for (const Shape& s : shapes)
    for (unsigned seed = 1; seed <= 4; ++seed) {
      SCOPED_TRACE(s.name);
      const System y = Make(s, seed);
      Compare(y, 0);
      if (seed == 1)
        for (int row = 1; row <= y.n; ++row) Compare(y, row);
    }
}

// Values the skipped products could turn into NaN are left to the dense
// path; values that overflow on the way are left to it or give its bits.
TEST(Arrowhead, NonFiniteOrNegativeZeroIsNotCovered) {
  for (const double bad : {HUGE_VAL, std::nan(""), -0.0}) {
    System y = Make({"pair", 6, 1, 6}, 1);
    y.arrow(20, 4) = bad;
    EXPECT_EQ(y.arrow.FactorAndSolve(y.b), kArrowheadNotCovered) << bad;
  }
  // (i, j, value); j = 0: B(i). Overflow refused at a pivot by both, a
  // tiny pivot of block 2 whose one border element then overflows in the
  // factor, and a large B that overflows in the solve.
  struct Planted {
    int i, j;
    double value;
  };
  const std::vector<std::vector<Planted>> cases = {
      {{20, 19, 1e300}},
      {{40, 4, -1e155}},
      {{45, 45, 1e-310}},
      {{50, 43, 1e300}},
      {{4, 4, 1e-300},
       {5, 4, 0.0},
       {6, 4, 0.0},
       {37, 4, 0.0},
       {38, 4, 0.0},
       {39, 4, 0.0},
       {41, 4, 0.0},
       {40, 4, 1e300}},
      {{45, 0, 1e308}, {46, 0, -1e308}},
  };
  for (const auto& planted : cases) {
    System y = Make({"strip", 12, 3, 5}, 2);
    for (const auto& [i, j, value] : planted) {
      if (j == 0) {
        y.b(i) = value;
      } else {
        y.arrow(i, j) = value;
        y.dense(PackedIndex(i, j)) = value;
      }
    }
    SCOPED_TRACE(planted[0].i);
    Compare(y, 0, true);
  }
}

}  // namespace
}  // namespace tessaro
