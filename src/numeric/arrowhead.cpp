// The arrowhead solution; why its bits agree with CholeskySolve is in the
// header. Every sum below keeps the dense routine's order: ascending columns
// in the factor and the forward substitution, descending rows in the back
// substitution, ascending rows in the inversion. Do not reorder or fuse.
#include "numeric/arrowhead.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "numeric/cholesky.h"

namespace tessaro {

namespace {

bool Finite(double v) { return std::isfinite(v); }
bool NegativeZero(double v) { return v == 0 && std::signbit(v); }

// The pivot test of the dense routine: s*eps rounded, then added to the
// element as stored; on success the element receives 1/L(i,i).
int Pivot(double& stored, double s, double eps) {
  const double scaled = s * eps;
  const double t = stored + scaled;
  if (t <= stored) return kCholeskyNotPositiveDefinite;
  stored = 1.0 / std::sqrt(s);
  return Finite(stored) ? kCholeskyOk : kArrowheadNotCovered;
}

}  // namespace

ArrowheadNormals::ArrowheadNormals(std::int32_t blocks, const std::vector<int>& groupSizes,
                                   const std::vector<std::vector<std::int32_t>>& seen)
    : blocks_(blocks), groups_(static_cast<std::int32_t>(groupSizes.size())) {
  assert(seen.size() == groupSizes.size());
  group_start_.resize(groups_ + 1);
  seen_at_.resize(groups_ + 1);
  border_at_.resize(groups_);
  for (std::int32_t q = 0; q < groups_; ++q) {
    group_start_[q] = border_ + 1;
    seen_at_[q] = static_cast<std::int32_t>(seen_.size());
    border_at_[q] = border_size_;
    seen_.insert(seen_.end(), seen[q].begin(), seen[q].end());
    border_size_ += 3 * std::int64_t{groupSizes[q]} * static_cast<std::int64_t>(seen[q].size());
    border_ += groupSizes[q];
  }
  group_start_[groups_] = border_ + 1;
  seen_at_[groups_] = static_cast<std::int32_t>(seen_.size());
  group_of_.resize(border_ + 1);
  for (std::int32_t q = 0; q < groups_; ++q)
    for (std::int32_t j = group_start_[q]; j < group_start_[q + 1]; ++j) group_of_[j] = q;

  // The groups seeing each block, ascending.
  seers_at_.assign(blocks_ + 1, 0);
  for (const std::int32_t b : seen_) ++seers_at_[b];
  for (std::int32_t b = 1; b <= blocks_; ++b) seers_at_[b] += seers_at_[b - 1];
  seers_.resize(seen_.size());
  seer_slot_.resize(seen_.size());
  std::vector<std::int32_t> next(seers_at_.begin(), seers_at_.end() - 1);
  for (std::int32_t q = 0; q < groups_; ++q)
    for (std::int32_t t = 0; t < SeenCount(q); ++t) {
      const std::int32_t at = next[seen_[seen_at_[q] + t] - 1]++;
      seers_[at] = q;
      seer_slot_[at] = t;
    }

  // The profile: a group's rows start at the earliest group sharing a block.
  first_.resize(border_ + 1);
  profile_at_.resize(border_ + 1);
  for (std::int32_t q = 0; q < groups_; ++q) {
    std::int32_t earliest = q;
    for (std::int32_t t = seen_at_[q]; t < seen_at_[q + 1]; ++t)
      earliest = std::min(earliest, seers_[seers_at_[seen_[t] - 1]]);
    for (std::int32_t j = group_start_[q]; j < group_start_[q + 1]; ++j) {
      first_[j] = group_start_[earliest];
      profile_at_[j] = profile_size_;
      profile_size_ += j - first_[j] + 1;
    }
  }
}

double ArrowheadNormals::ValueBytes() const {
  const double values =
      6.0 * blocks_ + static_cast<double>(border_size_) + static_cast<double>(profile_size_);
  return values * sizeof(double);
}

void ArrowheadNormals::Clear() {
  block_.assign(6 * static_cast<std::size_t>(blocks_), 0.0);
  border_values_.assign(static_cast<std::size_t>(border_size_), 0.0);
  profile_.assign(static_cast<std::size_t>(profile_size_), 0.0);
}

double& ArrowheadNormals::operator()(std::int64_t i, std::int64_t j) {
  assert(j >= 1 && j <= i && i <= Order());
  const std::int64_t g = 3 * std::int64_t{blocks_};
  if (i <= g) {
    const auto b = static_cast<std::int32_t>((i - 1) / 3 + 1);
    assert(j > 3 * (b - 1));
    return Block(b, static_cast<int>(i - 3 * (b - 1)), static_cast<int>(j - 3 * (b - 1)));
  }
  const auto row = static_cast<std::int32_t>(i - g);
  if (j > g) {
    assert(j - g >= first_[row]);
    return Profile(row, static_cast<std::int32_t>(j - g));
  }
  const std::int32_t q = group_of_[row];
  const auto b = static_cast<std::int32_t>((j - 1) / 3 + 1);
  const auto begin = seen_.begin() + seen_at_[q], end = seen_.begin() + seen_at_[q + 1];
  const auto at = std::lower_bound(begin, end, b);
  assert(at != end && *at == b);
  return Border(q, row - group_start_[q],
                static_cast<std::int32_t>(at - begin))[j - 3 * (b - 1) - 1];
}

int ArrowheadNormals::FactorAndSolve(OneBased<double>& B) {
  const std::int64_t n = Order();
  assert(B.size() >= n);
  for (const auto* values : {&block_, &border_values_, &profile_})
    for (const double v : *values)
      if (!Finite(v) || NegativeZero(v)) return kArrowheadNotCovered;
  for (std::int64_t i = 1; i <= n; ++i)
    if (!Finite(B(i))) return kArrowheadNotCovered;
  if (n < 1) return kCholeskyOk;
  const double eps = 1.0 / (16.0 * static_cast<double>(static_cast<int>(n)));
  if (const int e = FactorBlocks(eps); e != kCholeskyOk) return e;
  if (const int e = FactorBorder(eps); e != kCholeskyOk) return e;
  return Solve(B);
}

int ArrowheadNormals::FactorBlocks(double eps) {
  for (std::int32_t b = 1; b <= blocks_; ++b)
    for (int r = 1; r <= 3; ++r)
      for (int c = 1; c <= r; ++c) {
        double s = Block(b, r, c);
        for (int k = 1; k < c; ++k) s = s - Block(b, r, k) * Block(b, c, k);
        if (c < r) {
          Block(b, r, c) = s * Block(b, c, c);
          if (!Finite(Block(b, r, c))) return kArrowheadNotCovered;
        } else if (const int e = Pivot(Block(b, r, r), s, eps); e != kCholeskyOk) {
          return e;
        }
      }
  return kCholeskyOk;
}

int ArrowheadNormals::FactorBorder(double eps) {
  using Pairs = std::vector<std::pair<std::int32_t, std::int32_t>>;
  std::vector<Pairs> common;
  for (std::int32_t q = 0; q < groups_; ++q) {
    const std::int32_t q0 = group_of_[first_[group_start_[q]]];
    // The blocks q shares with each earlier group of its profile, as slots
    // in both seen lists, ascending.
    common.assign(q - q0 + 1, {});
    for (std::int32_t p = q0; p <= q; ++p) {
      std::int32_t a = seen_at_[q], b = seen_at_[p];
      while (a < seen_at_[q + 1] && b < seen_at_[p + 1]) {
        if (seen_[a] < seen_[b]) {
          ++a;
        } else if (seen_[b] < seen_[a]) {
          ++b;
        } else {
          common[p - q0].push_back({a - seen_at_[q], b - seen_at_[p]});
          ++a, ++b;
        }
      }
    }
    for (std::int32_t j = group_start_[q]; j < group_start_[q + 1]; ++j) {
      const std::int32_t r = j - group_start_[q];
      // Left of the border: the columns of the blocks the group sees.
      for (std::int32_t t = 0; t < SeenCount(q); ++t) {
        const std::int32_t b = seen_[seen_at_[q] + t];
        double* w = Border(q, r, t);
        w[0] = w[0] * Block(b, 1, 1);
        double s = w[1] - w[0] * Block(b, 2, 1);
        w[1] = s * Block(b, 2, 2);
        s = w[2] - w[0] * Block(b, 3, 1);
        s = s - w[1] * Block(b, 3, 2);
        w[2] = s * Block(b, 3, 3);
        if (!Finite(w[0]) || !Finite(w[1]) || !Finite(w[2])) return kArrowheadNotCovered;
      }
      // The border's own columns within the profile.
      for (std::int32_t k = first_[j]; k <= j; ++k) {
        const std::int32_t qk = group_of_[k], rk = k - group_start_[qk];
        double s = Profile(j, k);
        for (const auto& [t, tk] : common[qk - q0]) {
          const double* wj = Border(q, r, t);
          const double* wk = Border(qk, rk, tk);
          s = s - wj[0] * wk[0];
          s = s - wj[1] * wk[1];
          s = s - wj[2] * wk[2];
        }
        for (std::int32_t m = std::max(first_[j], first_[k]); m < k; ++m)
          s = s - Profile(j, m) * Profile(k, m);
        if (k < j) {
          Profile(j, k) = s * Profile(k, k);
          if (!Finite(Profile(j, k))) return kArrowheadNotCovered;
        } else if (const int e = Pivot(Profile(j, j), s, eps); e != kCholeskyOk) {
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
  const std::int64_t n = Order();
  const std::int64_t g = 3 * std::int64_t{blocks_};
  std::vector<std::int32_t> negative(static_cast<std::size_t>(n) + 2, 0);
  const auto inverse = [&](std::int64_t i) {
    if (i <= g) {
      const auto b = static_cast<std::int32_t>((i - 1) / 3 + 1);
      const int r = static_cast<int>(i - 3 * (b - 1));
      return Block(b, r, r);
    }
    const auto j = static_cast<std::int32_t>(i - g);
    return Profile(j, j);
  };

  // Row i of L left of the diagonal, its stored columns k >= from, ascending.
  const auto row = [&](std::int64_t i, std::int64_t from, auto&& visit) {
    if (i <= g) {
      const auto b = static_cast<std::int32_t>((i - 1) / 3 + 1);
      const std::int64_t base = 3 * std::int64_t{b - 1};
      for (std::int64_t k = std::max(from, base + 1); k < i; ++k)
        visit(k, Block(b, static_cast<int>(i - base), static_cast<int>(k - base)));
      return;
    }
    const auto j = static_cast<std::int32_t>(i - g);
    const std::int32_t q = group_of_[j], r = j - group_start_[q];
    for (std::int32_t t = 0; t < SeenCount(q); ++t) {
      const std::int64_t base = 3 * std::int64_t{seen_[seen_at_[q] + t] - 1};
      const double* w = Border(q, r, t);
      for (int c = 0; c < 3; ++c)
        if (base + c + 1 >= from) visit(base + c + 1, w[c]);
    }
    for (std::int64_t k = std::max<std::int64_t>(from, g + first_[j]); k < i; ++k)
      visit(k, Profile(j, static_cast<std::int32_t>(k - g)));
  };
  // Column i of L below the diagonal, its stored rows, descending.
  const auto column = [&](std::int64_t i, auto&& visit) {
    if (i > g) {
      const auto j = static_cast<std::int32_t>(i - g);
      for (std::int32_t k = border_; k > j; --k)
        if (first_[k] <= j) visit(g + k, Profile(k, j));
      return;
    }
    const auto b = static_cast<std::int32_t>((i - 1) / 3 + 1);
    const std::int64_t base = 3 * std::int64_t{b - 1};
    const int c = static_cast<int>(i - base);
    for (std::int32_t at = seers_at_[b] - 1; at >= seers_at_[b - 1]; --at) {
      const std::int32_t q = seers_[at];
      for (std::int32_t r = group_start_[q + 1] - group_start_[q] - 1; r >= 0; --r)
        visit(g + group_start_[q] + r, Border(q, r, seer_slot_[at])[c - 1]);
    }
    for (int r = 3; r > c; --r) visit(base + r, Block(b, r, c));
  };

  // Forward substitution; f is the row of the first non-zero element of B.
  std::int64_t f = 0;
  for (std::int64_t i = 1; i <= n; ++i) {
    if (f == 0) {
      if (B(i) != 0.0) f = i;
      B(i) = B(i) * inverse(i);
    } else {
      double t = B(i);
      if (NegativeZero(t)) {
        std::int32_t seen = 0;
        row(i, f, [&](std::int64_t k, double) { seen += std::signbit(B(k)) ? 1 : 0; });
        if (negative[i - 1] - negative[f - 1] > seen) t = 0.0;
      }
      row(i, f, [&](std::int64_t k, double l) { t = t - l * B(k); });
      B(i) = t * inverse(i);
    }
    if (!Finite(B(i))) return kArrowheadNotCovered;
    negative[i] = negative[i - 1] + (std::signbit(B(i)) ? 1 : 0);
  }
  // Back substitution with L^T; negative[k] now counts the signs of rows k..n.
  negative[n + 1] = 0;
  for (std::int64_t i = n; i >= 1; --i) {
    double t = B(i);
    if (NegativeZero(t)) {
      std::int32_t seen = 0;
      column(i, [&](std::int64_t k, double) { seen += std::signbit(B(k)) ? 1 : 0; });
      if (negative[i + 1] > seen) t = 0.0;
    }
    column(i, [&](std::int64_t k, double l) { t = t - l * B(k); });
    B(i) = t * inverse(i);
    if (!Finite(B(i))) return kArrowheadNotCovered;
    negative[i] = negative[i + 1] + (std::signbit(B(i)) ? 1 : 0);
  }
  return kCholeskyOk;
}

// The diagonal of the inverse needs only column i of X = L^-1, which starts
// at row i: X(i,i) = 1/L(i,i), X(j,i) = -1/L(j,j) * sum_k L(j,k) X(k,i), and
// then sum_k X(k,i)^2 from k = i. X is zero across different blocks, and in
// the border from the first row of a group seeing the column's block. These
// sums start from +0, so products with a zero element add nothing.
int ArrowheadNormals::InverseDiagonal(OneBased<double>& d) const {
  const std::int64_t g = 3 * std::int64_t{blocks_};
  assert(d.size() >= Order());
  std::vector<double> x(static_cast<std::size_t>(border_) + 1);
  // Rows from..border_ of a column of X whose border part starts at row
  // nonzero, given s0(j), the sum over the column's block for border row j.
  const auto borderColumn = [&](std::int32_t from, std::int32_t nonzero, auto&& s0) {
    for (std::int32_t j = from; j <= border_; ++j) {
      double s = s0(j);
      for (std::int32_t k = std::max(first_[j], nonzero); k < j; ++k) s = s + Profile(j, k) * x[k];
      x[j] = -Profile(j, j) * s;
      if (!Finite(x[j])) return false;
    }
    return true;
  };
  const auto squares = [&](double s, std::int32_t from) {
    for (std::int32_t j = from; j <= border_; ++j) s = s + x[j] * x[j];
    return s;
  };

  // The blocks' columns, kLanes at a time: each lane carries its own column
  // with its own sums in their own order. A lane whose border part starts
  // after the batch's first row meets only zeros before it (its X there is
  // -0), which change no sum from +0.
  constexpr int kLanes = 8;
  std::vector<double> lanes((static_cast<std::size_t>(border_) + 1) * kLanes);
  for (std::int64_t i0 = 1; i0 <= g; i0 += kLanes) {
    const int used = static_cast<int>(std::min<std::int64_t>(kLanes, g - i0 + 1));
    double xb[kLanes][4] = {}, sq[kLanes] = {};
    std::int32_t block[kLanes] = {}, at[kLanes] = {}, from = border_ + 1;
    int col[kLanes] = {};
    for (int l = 0; l < used; ++l) {
      const std::int64_t i = i0 + l;
      const auto b = static_cast<std::int32_t>((i - 1) / 3 + 1);
      const int c = static_cast<int>(i - 3 * (b - 1));
      block[l] = b, col[l] = c;
      xb[l][c] = Block(b, c, c);
      for (int r = c + 1; r <= 3; ++r) {
        double s = 0.0;
        for (int k = c; k < r; ++k) s = s + Block(b, r, k) * xb[l][k];
        xb[l][r] = -Block(b, r, r) * s;
      }
      for (int k = c; k <= 3; ++k) sq[l] = sq[l] + xb[l][k] * xb[l][k];
      at[l] = seers_at_[b - 1];
      if (at[l] < seers_at_[b]) from = std::min(from, group_start_[seers_[at[l]]]);
    }
    for (std::int32_t j = from; j <= border_; ++j) {
      const std::int32_t q = group_of_[j];
      double s[kLanes] = {};
      for (int l = 0; l < used; ++l) {
        const std::int32_t end = seers_at_[block[l]];
        while (at[l] < end && seers_[at[l]] < q) ++at[l];
        if (at[l] == end || seers_[at[l]] != q) continue;
        const double* w = Border(q, j - group_start_[q], seer_slot_[at[l]]);
        for (int k = col[l]; k <= 3; ++k) s[l] = s[l] + w[k - 1] * xb[l][k];
      }
      for (std::int32_t k = std::max(first_[j], from); k < j; ++k) {
        const double L = Profile(j, k);
        const double* xk = &lanes[static_cast<std::size_t>(k) * kLanes];
        for (int l = 0; l < kLanes; ++l) s[l] = s[l] + L * xk[l];
      }
      const double inverse = Profile(j, j);
      double* xj = &lanes[static_cast<std::size_t>(j) * kLanes];
      for (int l = 0; l < kLanes; ++l) xj[l] = -inverse * s[l];
    }
    for (std::int32_t j = from; j <= border_; ++j) {
      const double* xj = &lanes[static_cast<std::size_t>(j) * kLanes];
      for (int l = 0; l < kLanes; ++l) sq[l] = sq[l] + xj[l] * xj[l];
    }
    // A value that is not finite shows in the sum of squares.
    for (int l = 0; l < used; ++l) {
      if (!Finite(sq[l])) return kArrowheadNotCovered;
      d(i0 + l) = sq[l];
    }
  }
  for (std::int32_t j = 1; j <= border_; ++j) {
    x[j] = Profile(j, j);
    if (!borderColumn(j + 1, j, [](std::int32_t) { return 0.0; })) return kArrowheadNotCovered;
    const double s = squares(0.0, j);
    if (!Finite(s)) return kArrowheadNotCovered;
    d(g + j) = s;
  }
  return kCholeskyOk;
}

}  // namespace tessaro
