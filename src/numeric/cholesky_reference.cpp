// The straightforward CholeskySolve, one double operation at a time in the
// order of the method. The comments number its steps. It is the yardstick
// the fast routine (cholesky.cpp) is tested against bit for bit, and the
// fast routine's fallback for inputs it does not take on: do not reorder,
// vectorise or fuse anything here.
#include "numeric/cholesky_reference.h"

#include <cassert>
#include <cmath>

#include "numeric/packed.h"

namespace tessaro {

void CholeskySolveReference(OneBased<double>& A, OneBased<double>& B, int N, int Mode,
                            int& ErrCode) {
  CholeskySolveReferenceFromRow(A, B, N, Mode, 1, ErrCode);
}

void CholeskySolveReferenceFromRow(OneBased<double>& A, OneBased<double>& B, int N, int Mode,
                                   int firstRow, int& ErrCode) {
  // 1. Mode check: nothing is touched.
  if (Mode < kInvert || Mode > kSolveAndInvert) {
    ErrCode = kCholeskyBadMode;
    return;
  }
  ErrCode = kCholeskyOk;
  if (N < 1) return;  // The empty system: nothing to do (see the header).

  assert(A.size() >= PackedSize(N));
  assert(Mode == kInvert || B.size() >= N);

  // 2. Tolerance factor, computed once.
  const double eps = 1.0 / (16.0 * static_cast<double>(N));

  // 3. Factorization, row by row; the diagonal receives 1/L(i,i). Rows
  // before firstRow are already factored.
  for (int i = firstRow; i <= N; ++i) {
    const std::ptrdiff_t rowI = PackedIndex(i, 0);
    for (int j = 1; j <= i; ++j) {
      const std::ptrdiff_t rowJ = PackedIndex(j, 0);
      double s = A(rowI + j);
      for (int k = 1; k < j; ++k) s = s - A(rowI + k) * A(rowJ + k);
      if (j < i) {
        A(rowI + j) = s * A(rowJ + j);  // A(j,j) already holds 1/L(j,j).
      } else {
        // Pivot test against the element as stored: s*eps rounded, then added.
        const double scaled = s * eps;
        const double t = A(rowI + i) + scaled;
        if (t <= A(rowI + i)) {
          ErrCode = kCholeskyNotPositiveDefinite;
          return;
        }
        A(rowI + i) = 1.0 / std::sqrt(s);
      }
    }
  }

  // 4. Solve, overwriting B.
  if (Mode >= kSolve) {
    // 4.1 Forward substitution; f is the row of the first non-zero element of
    // B (0 while none has been met). Rows before f take no sum.
    int f = 0;
    for (int i = 1; i <= N; ++i) {
      const std::ptrdiff_t rowI = PackedIndex(i, 0);
      if (f == 0) {
        if (B(i) != 0.0) f = i;
        B(i) = B(i) * A(rowI + i);
      } else {
        double t = B(i);
        for (int k = f; k < i; ++k) t = t - A(rowI + k) * B(k);
        B(i) = t * A(rowI + i);
      }
    }
    // 4.2 Back substitution with L^T: column i of L, k descending from N.
    for (int i = N; i >= 1; --i) {
      double t = B(i);
      for (int k = N; k > i; --k) t = t - A(PackedIndex(k, i)) * B(k);
      B(i) = t * A(PackedIndex(i, i));
    }
  }

  // 5. Inversion, overwriting A.
  if (Mode == kInvert || Mode == kSolveAndInvert) {
    // 5.1 Invert the factor in place, column by column. A(k,i), k > i, are
    // already inverted; A(j,k), k > i, are still factor elements.
    for (int i = 1; i < N; ++i) {
      for (int j = i + 1; j <= N; ++j) {
        const std::ptrdiff_t rowJ = PackedIndex(j, 0);
        double s = 0.0;
        for (int k = i; k < j; ++k) s = s + A(rowJ + k) * A(PackedIndex(k, i));
        A(rowJ + i) = -A(rowJ + j) * s;
      }
    }
    // 5.2 Inverse = X^T * X with X the inverted factor, in place: element
    // (j, i) is overwritten only after its last use.
    for (int i = 1; i <= N; ++i) {
      for (int j = i; j <= N; ++j) {
        double s = 0.0;
        for (int k = j; k <= N; ++k) s = s + A(PackedIndex(k, i)) * A(PackedIndex(k, j));
        A(PackedIndex(j, i)) = s;
      }
    }
  }
}

}  // namespace tessaro
