// The arrowhead solution; why its bits agree with CholeskySolve is in the
// header. Every sum below keeps the dense routine's order: ascending columns
// in the factor and the forward substitution, descending rows in the back
// substitution, ascending rows in the inversion. Do not reorder or fuse.
#include "numeric/arrowhead.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

#include "numeric/cholesky.h"
#include "numeric/cholesky_simd.h"

namespace tessaro {

namespace {

using Index = ArrowheadNormals::Index;

bool Finite(double v) { return std::isfinite(v); }
bool NegativeZero(double v) { return v == 0 && std::signbit(v); }

// Element (r, c), 1 <= c <= r <= 3, among the six values of a block.
constexpr Index InBlock(Index r, Index c) { return r * (r - 1) / 2 + c - 1; }

// The pivot test of the dense routine: s*eps rounded, then added to the
// element as stored; on success the element receives 1/L(i,i).
int Pivot(double& stored, double s, double eps) {
  const double scaled = s * eps;
  const double t = stored + scaled;
  if (t <= stored) return kCholeskyNotPositiveDefinite;
  stored = 1.0 / std::sqrt(s);
  return Finite(stored) ? kCholeskyOk : kArrowheadNotCovered;
}

// Border rows of L by their profile, for the columns of X.
struct LaneProfile {
  const double* values;  // element (j, k) at values[row_at[j] + k]
  const Index *row_at, *first;
  Index rows;
};

// Columns of X computed side by side.
constexpr Index kLanes = 16;

// kLanes columns of X in the border rows from..: x[j * kLanes + l] receives
// X(j, i) of lane l's column, sq[l] continues its sum of squares. Rows before
// starts_end start their sums from starts[(j - from) * kLanes + l] (the
// products over the lane's block), later ones from +0. The lane whose
// column starts at row j (diagonal0 + l = j) takes X(i,i) = 1/L(i,i) there.
struct LaneBatch {
  Index from, diagonal0;
  const double* starts;
  Index starts_end;
  double *x, *sq;
};

// Written once over a vector of doubles V, each operation element by
// element and rounded on its own (never fused); forced inline so that each
// caller's instruction set compiles it.
template <class V>
[[gnu::always_inline]] inline void LaneRows(const LaneProfile& p, const LaneBatch& batch) {
  constexpr Index kWidth = sizeof(V) / sizeof(double), kVectors = kLanes / kWidth;
  // Unaligned loads (a lambda returning V would change the ABI).
  const auto load = [](V& v, const double* at) { std::memcpy(&v, at, sizeof v); };
  double* const x = batch.x;
  V squares[kVectors];
#pragma GCC unroll 8
  for (Index v = 0; v < kVectors; ++v) load(squares[v], batch.sq + v * kWidth);
  for (Index j = batch.from; j <= p.rows; ++j) {
    V s[kVectors] = {};
    if (j < batch.starts_end) {
      const double* start = batch.starts + (j - batch.from) * kLanes;
#pragma GCC unroll 8
      for (Index v = 0; v < kVectors; ++v) load(s[v], start + v * kWidth);
    }
    const Index fj = p.first[j];
    const double* Lj = p.values + p.row_at[j] + fj;
    for (Index k = std::max(fj, batch.from); k < j; ++k) {
      const double Ljk = Lj[k - fj];
      const double* xk = x + k * kLanes;
#pragma GCC unroll 8
      for (Index v = 0; v < kVectors; ++v) {
        V xkv;
        load(xkv, xk + v * kWidth);
        s[v] = s[v] + Ljk * xkv;
      }
    }
    const double inverse = Lj[j - fj];
    double* const xj = x + j * kLanes;
#pragma GCC unroll 8
    for (Index v = 0; v < kVectors; ++v) {
      s[v] = -inverse * s[v];
      std::memcpy(xj + v * kWidth, &s[v], sizeof s[v]);
    }
    if (const Index l = j - batch.diagonal0; l >= 0 && l < kLanes) xj[l] = inverse;
#pragma GCC unroll 8
    for (Index v = 0; v < kVectors; ++v) {
      V xjv;
      load(xjv, xj + v * kWidth);
      squares[v] = squares[v] + xjv * xjv;
    }
  }
#pragma GCC unroll 8
  for (Index v = 0; v < kVectors; ++v) std::memcpy(batch.sq + v * kWidth, &squares[v], sizeof(V));
}

typedef double Two __attribute__((vector_size(16)));
typedef double Four __attribute__((vector_size(32)));
void LaneRowsSse2(const LaneProfile& p, const LaneBatch& batch) { LaneRows<Two>(p, batch); }
// Taken only where CholeskyHasAvx2(); never FMA.
#if defined(__x86_64__) || defined(__i386__)
[[gnu::target("avx2")]] void LaneRowsAvx2(const LaneProfile& p, const LaneBatch& batch) {
  LaneRows<Four>(p, batch);
}
#else
void LaneRowsAvx2(const LaneProfile& p, const LaneBatch& batch) { LaneRows<Four>(p, batch); }
#endif

}  // namespace

ArrowheadNormals::ArrowheadNormals(Index blocks, const std::vector<int>& groupSizes,
                                   const std::vector<std::vector<std::int32_t>>& seen)
    : blocks_(blocks), groups_(std::ssize(groupSizes)) {
  assert(std::ssize(seen) == groups_);
  group_start_.resize(groups_ + 1);
  seen_at_.resize(groups_ + 1);
  for (Index q = 0; q < groups_; ++q) {
    group_start_[q] = border_ + 1;
    seen_at_[q] = std::ssize(seen_);
    seen_.insert(seen_.end(), seen[q].begin(), seen[q].end());
    border_ += groupSizes[q];
  }
  group_start_[groups_] = border_ + 1;
  seen_at_[groups_] = std::ssize(seen_);
  group_of_.resize(border_ + 1);
  border_row_at_.resize(border_ + 1);
  for (Index q = 0; q < groups_; ++q)
    for (Index j = group_start_[q]; j < group_start_[q + 1]; ++j) {
      group_of_[j] = q;
      border_row_at_[j] = border_size_;
      border_size_ += 3 * SeenCount(q);
    }

  // The groups seeing each block, ascending.
  seers_at_.assign(blocks_ + 1, 0);
  for (const Index b : seen_) ++seers_at_[b];
  for (Index b = 1; b <= blocks_; ++b) seers_at_[b] += seers_at_[b - 1];
  seers_.resize(seen_.size());
  seer_slot_.resize(seen_.size());
  std::vector<Index> next(seers_at_.begin(), seers_at_.end() - 1);
  for (Index q = 0; q < groups_; ++q)
    for (Index t = 0; t < SeenCount(q); ++t) {
      const Index at = next[seen_[seen_at_[q] + t] - 1]++;
      seers_[at] = q;
      seer_slot_[at] = t;
    }

  // The profile: a group's rows start at the earliest group sharing a block.
  first_.resize(border_ + 1);
  row_at_.resize(border_ + 1);
  last_row_.assign(border_ + 1, 0);
  for (Index q = 0; q < groups_; ++q) {
    Index earliest = q;
    for (Index t = seen_at_[q]; t < seen_at_[q + 1]; ++t)
      earliest = std::min(earliest, seers_[seers_at_[seen_[t] - 1]]);
    for (Index j = group_start_[q]; j < group_start_[q + 1]; ++j) {
      first_[j] = group_start_[earliest];
      row_at_[j] = profile_size_ - first_[j];
      profile_size_ += j - first_[j] + 1;
      for (Index k = first_[j]; k <= j; ++k) last_row_[k] = j;
    }
  }
}

double ArrowheadNormals::ValueBytes() const {
  return (6.0 * blocks_ + border_size_ + profile_size_) * sizeof(double);
}

void ArrowheadNormals::Clear() {
  block_.assign(6 * blocks_, 0.0);
  border_values_.assign(border_size_, 0.0);
  profile_.assign(profile_size_, 0.0);
}

double* ArrowheadNormals::BorderFrom(Index row, Index j) {
  const Index q = group_of_[row], b = (j - 1) / 3 + 1;
  const auto begin = seen_.begin() + seen_at_[q], end = seen_.begin() + seen_at_[q + 1];
  const auto at = std::lower_bound(begin, end, b);
  assert(at != end && *at == b);
  last_group_ = q, last_block_ = b - 1, last_slot_ = at - begin;
  return BorderRow(row) + 3 * last_slot_ + (j - 1) % 3;
}

int ArrowheadNormals::FactorAndSolve(OneBased<double>& B) {
  const Index n = Order();
  assert(B.size() >= n);
  for (const auto* values : {&block_, &border_values_, &profile_})
    for (const double v : *values)
      if (!Finite(v) || NegativeZero(v)) return kArrowheadNotCovered;
  for (Index i = 1; i <= n; ++i)
    if (!Finite(B(i))) return kArrowheadNotCovered;
  if (n < 1) return kCholeskyOk;
  const double eps = 1.0 / (16.0 * n);
  if (const int e = FactorBlocks(eps); e != kCholeskyOk) return e;
  if (const int e = FactorBorder(eps); e != kCholeskyOk) return e;
  return Solve(B);
}

int ArrowheadNormals::FactorBlocks(double eps) {
  for (double* a = block_.data(); a != block_.data() + 6 * blocks_; a += 6)
    for (Index r = 1; r <= 3; ++r)
      for (Index c = 1; c <= r; ++c) {
        double s = a[InBlock(r, c)];
        for (Index k = 1; k < c; ++k) s = s - a[InBlock(r, k)] * a[InBlock(c, k)];
        if (c < r) {
          a[InBlock(r, c)] = s * a[InBlock(c, c)];
          if (!Finite(a[InBlock(r, c)])) return kArrowheadNotCovered;
        } else if (const int e = Pivot(a[InBlock(r, r)], s, eps); e != kCholeskyOk) {
          return e;
        }
      }
  return kCholeskyOk;
}

int ArrowheadNormals::FactorBorder(double eps) {
  // common[p - q0]: the blocks group q shares with group p of its profile,
  // as offsets in the rows of both, ascending.
  std::vector<std::vector<std::pair<Index, Index>>> common;
  for (Index q = 0; q < groups_; ++q) {
    const Index q0 = group_of_[first_[group_start_[q]]];
    common.assign(q - q0 + 1, {});
    for (Index p = q0; p <= q; ++p) {
      Index a = seen_at_[q], b = seen_at_[p];
      while (a < seen_at_[q + 1] && b < seen_at_[p + 1]) {
        if (seen_[a] < seen_[b]) {
          ++a;
        } else if (seen_[b] < seen_[a]) {
          ++b;
        } else {
          common[p - q0].push_back({3 * (a - seen_at_[q]), 3 * (b - seen_at_[p])});
          ++a, ++b;
        }
      }
    }
    for (Index j = group_start_[q]; j < group_start_[q + 1]; ++j) {
      // Left of the border: the columns of the blocks the group sees.
      double* const wj = BorderRow(j);
      for (Index t = 0; t < SeenCount(q); ++t) {
        const double* a = &block_[6 * (seen_[seen_at_[q] + t] - 1)];
        double* w = wj + 3 * t;
        w[0] = w[0] * a[InBlock(1, 1)];
        double s = w[1] - w[0] * a[InBlock(2, 1)];
        w[1] = s * a[InBlock(2, 2)];
        s = w[2] - w[0] * a[InBlock(3, 1)];
        s = s - w[1] * a[InBlock(3, 2)];
        w[2] = s * a[InBlock(3, 3)];
        if (!Finite(w[0]) || !Finite(w[1]) || !Finite(w[2])) return kArrowheadNotCovered;
      }
      // The border's own columns within the profile, first the products
      // over the shared blocks of every column: these need nothing of row
      // j's profile, so kSide columns run side by side, each sum in its own
      // order and in a register (a short run repeats its first column).
      double* const Lj = ProfileRow(j);
      const Index fj = first_[j];
      constexpr Index kSide = 4;
      for (Index p = q0; p <= q; ++p) {
        const Index end = std::min(group_start_[p + 1], j + 1);
        for (Index k0 = group_start_[p]; k0 < end; k0 += kSide) {
          double s[kSide];
          const double* wk[kSide];
#pragma GCC unroll 4
          for (Index r = 0; r < kSide; ++r) {
            const Index k = k0 + r < end ? k0 + r : k0;
            s[r] = Lj[k - fj], wk[r] = BorderRow(k);
          }
          for (const auto& [t, tk] : common[p - q0])
#pragma GCC unroll 3
            for (Index c = 0; c < 3; ++c)
#pragma GCC unroll 4
              for (Index r = 0; r < kSide; ++r) s[r] = s[r] - wj[t + c] * wk[r][tk + c];
          for (Index r = 0; r < std::min(kSide, end - k0); ++r) Lj[k0 + r - fj] = s[r];
        }
      }
      // Then the profile's products, which need the columns before.
      for (Index k = fj; k <= j; ++k) {
        const double* Lk = ProfileRow(k);
        const Index fk = first_[k];
        double s = Lj[k - fj];
        for (Index m = std::max(fj, fk); m < k; ++m) s = s - Lj[m - fj] * Lk[m - fk];
        if (k < j) {
          Lj[k - fj] = s * Lk[k - fk];
          if (!Finite(Lj[k - fj])) return kArrowheadNotCovered;
        } else if (const int e = Pivot(Lj[j - fj], s, eps); e != kCholeskyOk) {
          return e;
        }
      }
    }
  }
  return kCholeskyOk;
}

// The two substitutions. A sum that starts from a -0 of B is the one place
// where a left-out product could matter: -0 minus a +0 product stays -0,
// minus a -0 product becomes +0, and nothing else can bring a sum back to
// -0. The left-out elements of L are +0, so their products carry the sign
// of B(k); counts of the signs already computed tell whether one of them
// would have turned the sum, and it then starts from +0.
int ArrowheadNormals::Solve(OneBased<double>& B) const {
  const Index n = Order(), g = 3 * blocks_;
  double* const x = B.data();
  std::vector<Index> negative(n + 2, 0);
  const auto inverse = [&](Index i) {
    if (i <= g) {
      const Index base = (i - 1) / 3 * 3, r = i - base;
      return block_[2 * base + InBlock(r, r)];
    }
    const Index j = i - g;
    return ProfileRow(j)[j - first_[j]];
  };

  // Row i of L left of the diagonal, its stored columns k >= from, ascending.
  const auto row = [&](Index i, Index from, auto&& visit) {
    if (i <= g) {
      const Index base = (i - 1) / 3 * 3;
      const double* a = &block_[2 * base];
      for (Index k = std::max(from, base + 1); k < i; ++k) visit(k, a[InBlock(i - base, k - base)]);
      return;
    }
    const Index j = i - g, q = group_of_[j];
    const double* w = BorderRow(j);
    for (Index t = seen_at_[q]; t < seen_at_[q + 1]; ++t, w += 3)
      for (Index c = 0, k = 3 * (seen_[t] - 1) + 1; c < 3; ++c, ++k)
        if (k >= from) visit(k, w[c]);
    const double* L = ProfileRow(j);
    for (Index k = std::max(from - g, first_[j]); k < j; ++k) visit(g + k, L[k - first_[j]]);
  };
  // Column i of L below the diagonal, its stored rows, descending.
  const auto column = [&](Index i, auto&& visit) {
    if (i > g) {
      const Index j = i - g;
      for (Index k = last_row_[j]; k > j; --k)
        if (first_[k] <= j) visit(g + k, ProfileRow(k)[j - first_[k]]);
      return;
    }
    const Index base = (i - 1) / 3 * 3, c = i - base, b = base / 3 + 1;
    for (Index at = seers_at_[b] - 1; at >= seers_at_[b - 1]; --at) {
      const Index q = seers_[at];
      for (Index j = group_start_[q + 1] - 1; j >= group_start_[q]; --j)
        visit(g + j, BorderRow(j)[3 * seer_slot_[at] + c - 1]);
    }
    const double* a = &block_[2 * base];
    for (Index r = 3; r > c; --r) visit(base + r, a[InBlock(r, c)]);
  };

  // Forward substitution; f is the row of the first non-zero element of B.
  Index f = 0;
  for (Index i = 1; i <= n; ++i) {
    if (f == 0) {
      if (x[i] != 0.0) f = i;
      x[i] = x[i] * inverse(i);
    } else {
      double t = x[i];
      if (NegativeZero(t)) {
        Index seen = 0;
        row(i, f, [&](Index k, double) { seen += std::signbit(x[k]) ? 1 : 0; });
        if (negative[i - 1] - negative[f - 1] > seen) t = 0.0;
      }
      row(i, f, [&](Index k, double l) { t = t - l * x[k]; });
      x[i] = t * inverse(i);
    }
    if (!Finite(x[i])) return kArrowheadNotCovered;
    negative[i] = negative[i - 1] + (std::signbit(x[i]) ? 1 : 0);
  }
  // Back substitution with L^T; negative[k] now counts the signs of rows k..n.
  negative[n + 1] = 0;
  for (Index i = n; i >= 1; --i) {
    double t = x[i];
    if (NegativeZero(t)) {
      Index seen = 0;
      column(i, [&](Index k, double) { seen += std::signbit(x[k]) ? 1 : 0; });
      if (negative[i + 1] > seen) t = 0.0;
    }
    column(i, [&](Index k, double l) { t = t - l * x[k]; });
    x[i] = t * inverse(i);
    if (!Finite(x[i])) return kArrowheadNotCovered;
    negative[i] = negative[i + 1] + (std::signbit(x[i]) ? 1 : 0);
  }
  return kCholeskyOk;
}

// The diagonal of the inverse needs only column i of X = L^-1, which starts
// at row i: X(i,i) = 1/L(i,i), X(j,i) = -1/L(j,j) * sum_k L(j,k) X(k,i), and
// then sum_k X(k,i)^2 from k = i. X is zero across different blocks, and in
// the border from the first row of a group seeing the column's block. These
// sums start from +0, so products with a zero element add nothing.
//
// The columns go kLanes at a time, each lane with its own sums in their own
// order. A lane meets only zeros in the rows before its column reaches the
// border (its X there is -0, its squares +0), which change no sum from +0.
int ArrowheadNormals::InverseDiagonal(OneBased<double>& d, bool allowAvx2) const {
  const Index g = 3 * blocks_;
  assert(d.size() >= Order());
  std::vector<double> columns((border_ + 1) * kLanes), starts;
  double sq[kLanes];
  const LaneProfile profile{profile_.data(), row_at_.data(), first_.data(), border_};
  const auto rows = allowAvx2 && CholeskyHasAvx2() ? LaneRowsAvx2 : LaneRowsSse2;
  // A value that is not finite shows in the sum of squares.
  const auto store = [&](Index i0, Index used) {
    for (Index l = 0; l < used; ++l) {
      if (!Finite(sq[l])) return false;
      d(i0 + l) = sq[l];
    }
    return true;
  };

  // The blocks' columns: each lane's rows within its block, then the border
  // rows, whose sums start with the products over the lane's block in the
  // rows of the groups that see it.
  for (Index i0 = 1; i0 <= g; i0 += kLanes) {
    const Index used = std::min(kLanes, g - i0 + 1);
    double xb[kLanes][4] = {};
    Index from = border_ + 1, until = 0;
    for (Index l = 0; l < kLanes; ++l) sq[l] = 0.0;
    for (Index l = 0; l < used; ++l) {
      const Index i = i0 + l, base = (i - 1) / 3 * 3, c = i - base, b = base / 3 + 1;
      const double* a = &block_[2 * base];
      xb[l][c] = a[InBlock(c, c)];
      for (Index r = c + 1; r <= 3; ++r) {
        double s = 0.0;
        for (Index k = c; k < r; ++k) s = s + a[InBlock(r, k)] * xb[l][k];
        xb[l][r] = -a[InBlock(r, r)] * s;
      }
      for (Index k = c; k <= 3; ++k) sq[l] = sq[l] + xb[l][k] * xb[l][k];
      if (seers_at_[b - 1] < seers_at_[b]) {
        from = std::min(from, group_start_[seers_[seers_at_[b - 1]]]);
        until = std::max(until, group_start_[seers_[seers_at_[b] - 1] + 1]);
      }
    }
    if (from > border_) until = from;
    starts.assign((until - from) * kLanes, 0.0);
    for (Index l = 0; l < used; ++l) {
      const Index i = i0 + l, base = (i - 1) / 3 * 3, c = i - base, b = base / 3 + 1;
      for (Index at = seers_at_[b - 1]; at < seers_at_[b]; ++at) {
        const Index q = seers_[at], slot = 3 * seer_slot_[at];
        for (Index j = group_start_[q]; j < group_start_[q + 1]; ++j) {
          const double* w = BorderRow(j) + slot;
          double t = 0.0;
          for (Index k = c; k <= 3; ++k) t = t + w[k - 1] * xb[l][k];
          starts[(j - from) * kLanes + l] = t;
        }
      }
    }
    rows(profile, {from, -kLanes, starts.data(), until, columns.data(), sq});
    if (!store(i0, used)) return kArrowheadNotCovered;
  }

  // The border's columns: lane l's column starts at row j0 + l with
  // X(i,i) = 1/L(i,i); before that it meets only zeros.
  for (Index j0 = 1; j0 <= border_; j0 += kLanes) {
    std::fill(sq, sq + kLanes, 0.0);
    rows(profile, {j0, j0, nullptr, j0, columns.data(), sq});
    if (!store(g + j0, std::min(kLanes, border_ - j0 + 1))) return kArrowheadNotCovered;
  }
  return kCholeskyOk;
}

}  // namespace tessaro
