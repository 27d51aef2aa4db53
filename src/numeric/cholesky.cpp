// CholeskySolve: the checks, the work space and the choice of build. The
// arithmetic is cholesky_kernels.h; cholesky_reference.cpp is the literal
// method, which takes over wherever the fast one's shortcuts would not be
// exact.
#include "numeric/cholesky.h"

#include <cassert>
#include <cmath>
#include <cstddef>
#include <vector>

#include "numeric/cholesky_reference.h"
#include "numeric/cholesky_simd.h"
#include "numeric/packed.h"

namespace tessaro {

// Only x86 processors can be asked; the WebAssembly build has the SSE2
// kernels alone (they become WebAssembly SIMD) and no AVX2 build to choose.
#if defined(__x86_64__) || defined(__i386__)
bool CholeskyHasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#else
bool CholeskyHasAvx2() { return false; }
int CholeskyRunAvx2(double* a, double* b, int n, int mode, bool skipFactor, double* work,
                    int* first) {
  return CholeskyRunSse2(a, b, n, mode, skipFactor, work, first);
}
#endif

void CholeskySolveWith(bool avx2, OneBased<double>& A, OneBased<double>& B, int N, int Mode,
                       int& ErrCode) {
  if (Mode < kInvert || Mode > kSolveAndInvert) {
    ErrCode = kCholeskyBadMode;
    return;
  }
  ErrCode = kCholeskyOk;
  if (N < 1) return;
  assert(A.size() >= PackedSize(N));
  assert(Mode == kInvert || B.size() >= N);

  // An input holding inf or NaN goes to the literal routine as a whole.
  // One free of -0.0 lets the factor skip the zeros ahead of each row.
  double* a = A.data();
  bool finite = true, negativeZero = false;
  for (std::ptrdiff_t p = 1, size = PackedSize(N); p <= size; ++p) {
    finite = finite && std::isfinite(a[p]);
    negativeZero = negativeZero || (a[p] == 0.0 && std::signbit(a[p]));
  }
  if (!finite) {
    CholeskySolveReference(A, B, N, Mode, ErrCode);
    return;
  }

  std::vector<double> work(static_cast<std::size_t>(CholeskyWorkDoubles(N)));
  std::vector<int> first(static_cast<std::size_t>(N) + 1);
  const auto run = avx2 ? CholeskyRunAvx2 : CholeskyRunSse2;
  const int result = run(a, B.data(), N, Mode, !negativeZero, work.data(), first.data());
  if (result < 0)
    CholeskySolveReferenceFromRow(A, B, N, Mode, -result, ErrCode);
  else
    ErrCode = result;
}

void CholeskySolve(OneBased<double>& A, OneBased<double>& B, int N, int Mode, int& ErrCode) {
  CholeskySolveWith(CholeskyHasAvx2(), A, B, N, Mode, ErrCode);
}

}  // namespace tessaro
