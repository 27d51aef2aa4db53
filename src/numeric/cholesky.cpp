// CholeskySolve. Packed lower triangle, row by row, element
// (i, j), j <= i, at position i*(i-1)/2 + j, positions from 1. The comments
// number the steps of the method; the order of every sum is fixed so that
// results agree bit for bit everywhere: do not reorder, vectorise or fuse them.
#include "numeric/cholesky.h"

#include <cassert>
#include <cmath>
#include <cstddef>

namespace tessaro {
namespace {

// Position of element (i, j), j <= i, in the packed layout.
inline std::size_t Pos(std::size_t i, std::size_t j) {
  assert(j >= 1 && j <= i);
  return i * (i - 1) / 2 + j;
}

}  // namespace

void CholeskySolve(OneBased<double>& A, OneBased<double>& B, int N, int Mode,
                   int& ErrCode) {
  // 1. Mode check: nothing is touched.
  if (Mode < 1 || Mode > 3) {
    ErrCode = kCholeskyBadMode;
    return;
  }
  ErrCode = kCholeskyOk;
  if (N < 1) return;  // The empty system: nothing to do (see the header).

  const std::size_t n = static_cast<std::size_t>(N);
  assert(A.size() >= n * (n + 1) / 2);
  assert(Mode == 1 || B.size() >= n);

  // 2. Tolerance factor, computed once.
  const double eps = 1.0 / (16.0 * static_cast<double>(N));

  // 3. Factorization, row by row; the diagonal receives 1/L(i,i).
  for (std::size_t i = 1; i <= n; ++i) {
    const std::size_t row_i = i * (i - 1) / 2;
    for (std::size_t j = 1; j <= i; ++j) {
      const std::size_t row_j = j * (j - 1) / 2;
      double s = A(row_i + j);
      for (std::size_t k = 1; k < j; ++k) s = s - A(row_i + k) * A(row_j + k);
      if (j < i) {
        A(row_i + j) = s * A(row_j + j);  // A(j,j) already holds 1/L(j,j).
      } else {
        // Pivot test against the element as stored: s*eps rounded, then added.
        const double scaled = s * eps;
        const double t = A(row_i + i) + scaled;
        if (t <= A(row_i + i)) {
          ErrCode = kCholeskyNotPositiveDefinite;
          return;
        }
        A(row_i + i) = 1.0 / std::sqrt(s);
      }
    }
  }

  // 4. Solve, overwriting B.
  if (Mode >= 2) {
    // 4.1 Forward substitution; f is the row of the first non-zero element of
    // B (0 while none has been met). Rows before f take no sum.
    std::size_t f = 0;
    for (std::size_t i = 1; i <= n; ++i) {
      const std::size_t row_i = i * (i - 1) / 2;
      if (f == 0) {
        if (B(i) != 0.0) f = i;
        B(i) = B(i) * A(row_i + i);
      } else {
        double t = B(i);
        for (std::size_t k = f; k < i; ++k) t = t - A(row_i + k) * B(k);
        B(i) = t * A(row_i + i);
      }
    }
    // 4.2 Back substitution with L^T: column i of L, k descending from N.
    for (std::size_t i = n; i >= 1; --i) {
      double t = B(i);
      for (std::size_t k = n; k > i; --k) t = t - A(Pos(k, i)) * B(k);
      B(i) = t * A(Pos(i, i));
    }
  }

  // 5. Inversion, overwriting A.
  if (Mode == 1 || Mode == 3) {
    // 5.1 Invert the factor in place, column by column. A(k,i), k > i, are
    // already inverted; A(j,k), k > i, are still factor elements.
    for (std::size_t i = 1; i < n; ++i) {
      for (std::size_t j = i + 1; j <= n; ++j) {
        const std::size_t row_j = j * (j - 1) / 2;
        double s = 0.0;
        for (std::size_t k = i; k < j; ++k) s = s + A(row_j + k) * A(Pos(k, i));
        A(row_j + i) = -A(row_j + j) * s;
      }
    }
    // 5.2 Inverse = X^T * X with X the inverted factor, in place: element
    // (j, i) is overwritten only after its last use.
    for (std::size_t i = 1; i <= n; ++i) {
      for (std::size_t j = i; j <= n; ++j) {
        double s = 0.0;
        for (std::size_t k = j; k <= n; ++k) s = s + A(Pos(k, i)) * A(Pos(k, j));
        A(Pos(j, i)) = s;
      }
    }
  }
}

}  // namespace tessaro
