// The packed symmetric layout of every normal matrix.
//
// A symmetric matrix of order N is held as its lower triangle, row by row,
// in a OneBased<double> from position 1: element (i, j), 1 <= j <= i <= N,
// stands at position i*(i-1)/2 + j. For N = 3: (1,1) (2,1) (2,2) (3,1)
// (3,2) (3,3) at positions 1..6; N(N+1)/2 positions in all. Position 0 is
// never used. Row i starts right after position PackedIndex(i, 0) = i(i-1)/2,
// so a loop along a row adds j to that base.
#pragma once

#include <cassert>
#include <cstddef>
#include <utility>

#include "numeric/one_based.h"

namespace tessaro {

// Position of element (i, j), j <= i, of the lower triangle. j = 0 gives the
// position just before row i.
constexpr std::ptrdiff_t PackedIndex(std::ptrdiff_t i, std::ptrdiff_t j) {
  assert(j >= 0 && j <= i);
  return i * (i - 1) / 2 + j;
}

// Number of positions that a packed matrix of order n takes.
constexpr std::ptrdiff_t PackedSize(std::ptrdiff_t n) { return n * (n + 1) / 2; }

// A symmetric matrix seen through its packed storage: (i, k) reads or writes
// element (i, k) of either triangle, the same number for (k, i).
template <class Storage>
class Symmetric {
 public:
  explicit Symmetric(Storage& packed) : packed_(packed) {}
  auto& operator()(std::ptrdiff_t i, std::ptrdiff_t k) const {
    if (k > i) std::swap(i, k);
    return packed_(PackedIndex(i, k));
  }

 private:
  Storage& packed_;
};

template <class Storage>
Symmetric(Storage&) -> Symmetric<Storage>;

}  // namespace tessaro
