// Normal equations with the arrowhead structure of a bundle adjustment, and
// their solution by the square-root method with the same bits as
// CholeskySolve in mode kSolveAndInvert.
//
// The unknowns come in two parts. First `blocks` blocks of three (the X, Y,
// Z of the ground points): a block is coupled with no other block, so its
// 3x3 diagonal block is all its row holds left of the border. Then the
// border (the stations), in groups of consecutive unknowns (one photograph
// each); the unknowns of a group are coupled with each other and with the
// blocks the group sees, nothing else.
//
// Eliminating the blocks first couples two groups when they see a common
// block, so row j of the factor's border part starts at the first unknown
// of the earliest group coupled with j's group (its profile); everything
// left of it stays exactly zero. For a strip that is a band a few
// photographs wide. Memory: 6 per block, 3 per group and block it sees, and
// the profile of the border: linear in the points for a strip.
//
// Why the bits agree with the dense routine: every stored element is
// computed by the same operations in the same order; the ones left out are
// products with an element that is exactly zero. Subtracting such a product
// from a sum changes nothing as long as every value is finite and no sum
// can be -0: the matrix is checked once for -0 and non-finite elements, the
// right-hand side's -0 (the solves start their sums from it) is followed
// exactly, and any non-finite value met on the way stops the routine with
// kArrowheadNotCovered: the caller then takes the dense path.
#pragma once

#include <cstdint>
#include <vector>

#include "numeric/one_based.h"

namespace tessaro {

// The structure cannot reproduce the dense routine's bits for this input.
inline constexpr int kArrowheadNotCovered = -1;

class ArrowheadNormals {
 public:
  ArrowheadNormals() = default;
  // groupSizes[q]: number of unknowns of border group q = 0, 1, ...;
  // seen[q]: the blocks (1-based, ascending, distinct) that group q sees.
  // Lays out the structure; the values are allocated by Clear().
  ArrowheadNormals(std::int32_t blocks, const std::vector<int>& groupSizes,
                   const std::vector<std::vector<std::int32_t>>& seen);

  std::int64_t Order() const { return 3 * std::int64_t{blocks_} + border_; }
  // Bytes that Clear() allocates for the values.
  double ValueBytes() const;

  // Allocates the values if needed and sets every one to +0.
  void Clear();
  // Element (i, j), j <= i, of the lower triangle; it must be one that the
  // structure holds (same block, a block the group sees, within the profile).
  double& operator()(std::int64_t i, std::int64_t j);

  // Factors in place (the diagonal receives 1/L(i,i)) and overwrites B with
  // the solution. Returns kCholeskyOk, kCholeskyNotPositiveDefinite (B
  // untouched) or kArrowheadNotCovered (the factor partly written, B
  // possibly too: build both again for the dense path).
  int FactorAndSolve(OneBased<double>& B);
  // After a successful FactorAndSolve: d(1..Order()) the diagonal of the
  // inverse. Returns kCholeskyOk or kArrowheadNotCovered.
  int InverseDiagonal(OneBased<double>& d) const;

 private:
  double& Block(std::int32_t b, int r, int c) {
    return block_[6 * (b - 1) + r * (r - 1) / 2 + c - 1];
  }
  double Block(std::int32_t b, int r, int c) const {
    return block_[6 * (b - 1) + r * (r - 1) / 2 + c - 1];
  }
  // Row r (0-based within its group q) of the border, at slot t of q's seen list.
  double* Border(std::int32_t q, std::int32_t r, std::int32_t t) {
    return &border_values_[border_at_[q] + 3 * (std::int64_t{r} * SeenCount(q) + t)];
  }
  const double* Border(std::int32_t q, std::int32_t r, std::int32_t t) const {
    return &border_values_[border_at_[q] + 3 * (std::int64_t{r} * SeenCount(q) + t)];
  }
  // Border element (j, k), both numbered among the border's unknowns.
  double& Profile(std::int32_t j, std::int32_t k) {
    return profile_[profile_at_[j] + k - first_[j]];
  }
  double Profile(std::int32_t j, std::int32_t k) const {
    return profile_[profile_at_[j] + k - first_[j]];
  }
  std::int32_t SeenCount(std::int32_t q) const { return seen_at_[q + 1] - seen_at_[q]; }
  int FactorBlocks(double eps);
  int FactorBorder(double eps);
  int Solve(OneBased<double>& B) const;

  std::int32_t blocks_ = 0, border_ = 0, groups_ = 0;
  std::vector<std::int32_t> group_start_;  // first border unknown (1-based) of group q
  std::vector<std::int32_t> group_of_;     // group of border unknown j (1..border_)
  std::vector<std::int32_t> seen_at_;      // q's seen blocks: seen_[seen_at_[q]..seen_at_[q+1])
  std::vector<std::int32_t> seen_;
  std::vector<std::int64_t> border_at_;          // start of group q's border values
  std::vector<std::int32_t> seers_at_;           // groups seeing block b: seers_[seers_at_[b-1]..)
  std::vector<std::int32_t> seers_, seer_slot_;  // the group and b's slot in its seen list
  std::vector<std::int32_t> first_;              // first column of border row j's profile
  std::vector<std::int64_t> profile_at_;
  std::int64_t border_size_ = 0, profile_size_ = 0;
  std::vector<double> block_, border_values_, profile_;
};

}  // namespace tessaro
