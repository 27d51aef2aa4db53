// The fast CholeskySolve with AVX2 (four doubles per vector), built with
// -mavx2 and never -mfma: called only when the processor has AVX2. The
// arithmetic is in cholesky_kernels.h.
#include <immintrin.h>

#include "numeric/cholesky_kernels.h"
#include "numeric/cholesky_simd.h"

namespace tessaro {
namespace {

struct Avx2 {
  using V = __m256d;
  static constexpr int kWidth = 4;
  static V Load(const double* p) { return _mm256_loadu_pd(p); }
  static void Store(double* p, V x) { _mm256_storeu_pd(p, x); }
  static V Set1(double x) { return _mm256_set1_pd(x); }
  static V Zero() { return _mm256_setzero_pd(); }
  static V Add(V x, V y) { return _mm256_add_pd(x, y); }
  static V Sub(V x, V y) { return _mm256_sub_pd(x, y); }
  static V Mul(V x, V y) { return _mm256_mul_pd(x, y); }
  static bool AllZero(V x) {
    return _mm256_movemask_pd(_mm256_cmp_pd(x, _mm256_setzero_pd(), _CMP_EQ_OQ)) == 15;
  }
};

}  // namespace

int CholeskyRunAvx2(double* a, double* b, int n, int mode, bool skipFactor, double* work,
                    int* first) {
  return CholeskyKernels<Avx2>::Run(a, b, n, mode, skipFactor, work, first);
}

}  // namespace tessaro
