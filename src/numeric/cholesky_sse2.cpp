// The fast CholeskySolve on the baseline instruction set of x86-64 (SSE2,
// two doubles per vector); the arithmetic is in cholesky_kernels.h.
#include <emmintrin.h>

#include "numeric/cholesky_kernels.h"
#include "numeric/cholesky_simd.h"

namespace tessaro {
namespace {

struct Sse2 {
  using V = __m128d;
  static constexpr int kWidth = 2;
  static V Load(const double* p) { return _mm_loadu_pd(p); }
  static void Store(double* p, V x) { _mm_storeu_pd(p, x); }
  static V Set1(double x) { return _mm_set1_pd(x); }
  static V Zero() { return _mm_setzero_pd(); }
  static V Add(V x, V y) { return _mm_add_pd(x, y); }
  static V Sub(V x, V y) { return _mm_sub_pd(x, y); }
  static V Mul(V x, V y) { return _mm_mul_pd(x, y); }
  static bool AllZero(V x) { return _mm_movemask_pd(_mm_cmpeq_pd(x, _mm_setzero_pd())) == 3; }
};

}  // namespace

int CholeskyRunSse2(double* a, double* b, int n, int mode, bool skipFactor, double* work,
                    int* first) {
  return CholeskyKernels<Sse2>::Run(a, b, n, mode, skipFactor, work, first);
}

}  // namespace tessaro
