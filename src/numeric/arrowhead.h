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

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "numeric/one_based.h"

namespace tessaro {

// The structure cannot reproduce the dense routine's bits for this input.
inline constexpr int kArrowheadNotCovered = -1;

class ArrowheadNormals {
 public:
  // Every unknown, block, group, count and offset of the structure.
  using Index = std::ptrdiff_t;

  ArrowheadNormals() = default;
  // groupSizes[q]: number of unknowns of border group q = 0, 1, ...;
  // seen[q]: the blocks (1-based, ascending, distinct) that group q sees.
  // Lays out the structure; the values are allocated by Clear().
  ArrowheadNormals(Index blocks, const std::vector<int>& groupSizes,
                   const std::vector<std::vector<std::int32_t>>& seen);

  Index Order() const { return 3 * blocks_ + border_; }
  // Bytes that Clear() allocates for the values.
  double ValueBytes() const;

  // Allocates the values if needed and sets every one to +0.
  void Clear();
  // Element (i, j), j <= i, of the lower triangle; it must be one that the
  // structure holds (same block, a block the group sees, within the profile).
  double& operator()(Index i, Index j) { return *RowFrom(i, j); }
  // Element (i, j) as above, followed in memory by the rest of its row's
  // segment: the row of a block's 3x3 up to the diagonal, the three columns
  // of one block in a border row, or a border row's profile up to the
  // diagonal. An accumulator adds a run of one row through one call.
  double* RowFrom(Index i, Index j) {
    assert(j >= 1 && j <= i && i <= Order());
    const Index g = 3 * blocks_;
    if (i <= g) {
      const Index base = (i - 1) / 3 * 3, r = i - base, c = j - base;
      assert(c >= 1);
      return &block_[2 * base + r * (r - 1) / 2 + c - 1];
    }
    if (j > g) {
      assert(j - g >= first_[i - g]);
      return &profile_[row_at_[i - g] + j - g];
    }
    // The accumulator asks for one block in every row of a group in turn.
    const Index row = i - g;
    if (group_of_[row] == last_group_ && (j - 1) / 3 == last_block_)
      return BorderRow(row) + 3 * last_slot_ + (j - 1) % 3;
    return BorderFrom(row, j);
  }

  // Factors in place (the diagonal receives 1/L(i,i)) and overwrites B with
  // the solution. Returns kCholeskyOk, kCholeskyNotPositiveDefinite (B
  // untouched) or kArrowheadNotCovered (the factor partly written, B
  // possibly too: build both again for the dense path).
  int FactorAndSolve(OneBased<double>& B);
  // After a successful FactorAndSolve: d(1..Order()) the diagonal of the
  // inverse. Returns kCholeskyOk or kArrowheadNotCovered. It runs on AVX2
  // where the processor has it; allowAvx2 = false holds it to the baseline
  // SSE2 (the tests compare both).
  int InverseDiagonal(OneBased<double>& d, bool allowAvx2 = true) const;

 private:
  double* BorderFrom(Index row, Index j);
  Index SeenCount(Index q) const { return seen_at_[q + 1] - seen_at_[q]; }
  // Border row j: its values left of the border, three per block its group
  // sees, in the order of the group's seen list.
  double* BorderRow(Index j) { return &border_values_[border_row_at_[j]]; }
  const double* BorderRow(Index j) const { return &border_values_[border_row_at_[j]]; }
  // Border row j's profile: element (j, k) at [k - first_[j]].
  double* ProfileRow(Index j) { return &profile_[row_at_[j] + first_[j]]; }
  const double* ProfileRow(Index j) const { return &profile_[row_at_[j] + first_[j]]; }
  int FactorBlocks(double eps);
  int FactorBorder(double eps);
  int Solve(OneBased<double>& B) const;

  Index blocks_ = 0, border_ = 0, groups_ = 0;
  std::vector<Index> group_start_;        // first border unknown (1-based) of group q
  std::vector<Index> group_of_;           // group of border unknown j (1..border_)
  std::vector<Index> seen_at_, seen_;     // q's seen blocks: seen_[seen_at_[q]..seen_at_[q+1])
  std::vector<Index> border_row_at_;      // start of border row j's values
  std::vector<Index> seers_at_;           // groups seeing block b: seers_[seers_at_[b-1]..)
  std::vector<Index> seers_, seer_slot_;  // the group and b's slot in its seen list
  std::vector<Index> first_;              // first column of border row j's profile
  std::vector<Index> row_at_;             // element (j, k) of the profile at row_at_[j] + k
  std::vector<Index> last_row_;           // last border row whose profile reaches column j
  Index border_size_ = 0, profile_size_ = 0;
  // The last block (0-based) looked up in a group's seen list, and its slot.
  Index last_group_ = -1, last_block_ = -1, last_slot_ = 0;
  std::vector<double> block_, border_values_, profile_;
};

}  // namespace tessaro
