// CholeskySolve: the one solver of normal equations (square-root method).
//
// Conventions of this file:
// - A is a packed symmetric matrix (numeric/packed.h). Position 0 is never
//   read or written, nor is any position past N(N+1)/2.
// - Vectors are OneBased<double>, elements 1..N.
// - Every sum runs in the order of operations fixed below, each step one
//   rounded double operation (the build uses -ffp-contract=off, no FMA), so
//   the results are the same bit for bit on every machine.
#pragma once

#include "numeric/one_based.h"

namespace tessaro {

// What CholeskySolve does after factoring (its Mode).
inline constexpr int kInvert = 1;
inline constexpr int kSolve = 2;
inline constexpr int kSolveAndInvert = 3;

// Error codes of CholeskySolve.
inline constexpr int kCholeskyOk = 0;
inline constexpr int kCholeskyBadMode = 129;
inline constexpr int kCholeskyNotPositiveDefinite = 130;

// Factors the packed symmetric matrix A (order N) as L*L^T in place and then,
// by Mode:
//   1 kInvert          A = inverse (packed), B untouched (may be empty)
//   2 kSolve           A = L with 1/L(i,i) on the diagonal, B = x
//   3 kSolveAndInvert  A = inverse (packed), B = x,  where A*x = B
// ErrCode on return (its value on entry is ignored):
//   0    success;
//   129  Mode is not 1, 2 or 3: A and B are untouched (checked before N);
//   130  A is not positive definite: at pivot i the computed s satisfies
//        A(i,i) + s/(16N) <= A(i,i) as stored (every s <= 0, and positive s
//        too small to change the stored element). Rows 1..i-1 of A then hold
//        the factor, the off-diagonal elements of row i their scaled values,
//        (i,i) and later rows the values passed in; B is untouched.
// N < 1: an empty system; with a valid Mode, ErrCode = 0 and A and B are
// untouched (nothing is solved, nothing is read).
// Preconditions (asserted in debug builds): A has at least N(N+1)/2
// positions, and for modes 2 and 3 B has at least N.
// Overflow inside the routine is not guarded.
// Speed: the sums run several side by side in SIMD lanes (AVX2 where the
// processor has it), each in the order above, so the results are those of
// the literal method bit for bit (cholesky_reference.h). For that the
// routine allocates work space of 16*(N+1) doubles per call. Inputs holding
// inf or NaN take the literal method itself, some fifteen times slower at
// order 1000.
void CholeskySolve(OneBased<double>& A, OneBased<double>& B, int N, int Mode, int& ErrCode);

}  // namespace tessaro
