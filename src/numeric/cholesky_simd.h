// Entry points of the fast CholeskySolve's two builds and the choice
// between them. Internal to the numeric folder and its tests.
#pragma once

#include "numeric/one_based.h"

namespace tessaro {

// Work space of either build in doubles for order n (and n+1 ints).
inline constexpr long CholeskyWorkDoubles(int n) { return 16L * (n + 1); }

// The method after the mode, order and input checks (cholesky_kernels.h,
// Run). a and b point at position 0 of the packed matrix and of B.
int CholeskyRunSse2(double* a, double* b, int n, int mode, bool skipFactor, double* work,
                    int* first);
int CholeskyRunAvx2(double* a, double* b, int n, int mode, bool skipFactor, double* work,
                    int* first);

// Whether this processor runs the AVX2 build.
bool CholeskyHasAvx2();

// CholeskySolve with the build chosen by the caller (avx2 only where
// CholeskyHasAvx2()); CholeskySolve itself takes AVX2 where there is one.
void CholeskySolveWith(bool avx2, OneBased<double>& A, OneBased<double>& B, int N, int Mode,
                       int& ErrCode);

}  // namespace tessaro
