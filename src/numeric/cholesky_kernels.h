// The arithmetic of the fast CholeskySolve, written once over a small vector
// type T and compiled twice: cholesky_sse2.cpp (the baseline instruction set)
// and cholesky_avx2.cpp (built with -mavx2, chosen at run time). Never FMA:
// every product is rounded before it is added, as in the literal method.
//
// Why the results are the literal method's bit for bit: a SIMD lane carries
// one sum of the method, in the method's own order; lanes never meet. The
// factor puts B rows of a block in the lanes and broadcasts the shared row
// of L; the two inversion stages put B columns in the lanes. What changes is
// only which independent sums run side by side.
//
// Zero products are skipped only where that is exact:
// - in the factor a sum starts from the stored element, so dropping a
//   product 0*x (x finite) leaves it unchanged only while that sum is never
//   -0.0; the caller allows skipping only for inputs free of -0.0 (a sum
//   that starts from a non-negative-zero value and subtracts finite products
//   never becomes -0.0 under round-to-nearest);
// - in the inversion stages every sum starts from +0, which adding +-0
//   never changes.
// Both need the other factor finite (0*inf is NaN), so every row of L is
// checked as it is finished: a non-finite value makes the factor stop
// before that row and hand it to the literal routine. The inversion skips
// only while the values it would multiply by zero are finite.
//
// Everything sits in an unnamed namespace: each translation unit keeps its
// own copy, so no AVX2 code can stand in for the baseline one at link time.
// For the same reason nothing here uses a library template. The loops over
// the vectors of a block are unrolled by hand (pragma), so that their
// running sums stay in registers at -O2 too.
#pragma once

#include <cstddef>

namespace tessaro {
namespace {

template <class T>
struct CholeskyKernels {
  using V = typename T::V;
  static constexpr int W = T::kWidth;
  static constexpr int NV = 2;      // vectors per block
  static constexpr int B = NV * W;  // rows (factor) or columns (inverse) per block
  static constexpr int R = 4;       // columns (factor) or rows (inverse) side by side

  // Packed row i: element (i, j) at Row(a, i)[j].
  static double* Row(double* a, std::ptrdiff_t i) { return a + i * (i - 1) / 2; }

  static bool Finite(double x) { return x - x == 0.0; }

  // Factorization. w: B*(n+1) doubles, w[k*B + r] = element (i0+r, k) of
  // the block being factored. first[i] (when skip): first column of row i
  // whose input element is non-zero (i if none).
  // Returns 0, kCholeskyNotPositiveDefinite (130) with the literal state,
  // or -i: row i came out non-finite; rows < i are factored, the rest is
  // as passed.
  static int Factor(double* a, int n, double eps, bool skip, double* w, const int* first) {
    for (int i0 = 1; i0 <= n; i0 += B) {
      const int nb = n - i0 + 1 < B ? n - i0 + 1 : B;
      const int kEnd = i0 + nb;  // w rows 1..i0+nb-1
      for (int k = 1; k < kEnd; ++k)
        for (int r = 0; r < B; ++r) w[k * B + r] = 0.0;
      int fmin = i0;
      for (int r = 0; r < nb; ++r) {
        const double* row = Row(a, i0 + r);
        for (int k = 1; k <= i0 + r; ++k) w[k * B + r] = row[k];
        if (skip && first[i0 + r] < fmin) fmin = first[i0 + r];
      }
      if (!skip) fmin = 1;
      auto start = [&](int j) { return skip && first[j] > fmin ? first[j] : fmin; };

      // Columns before the block: all rows of the block at once, R columns
      // side by side. Columns before fmin are zero in every row and stay +0.
      int j = fmin;
      for (; j + R <= i0; j += R) {
        const double* l[R];
        V sum[R][NV];
        int kFrom = j;
#pragma GCC unroll 8
        for (int r = 0; r < R; ++r) {
          l[r] = Row(a, j + r);
          if (start(j + r) < kFrom) kFrom = start(j + r);
#pragma GCC unroll 8
          for (int u = 0; u < NV; ++u) sum[r][u] = T::Load(w + (j + r) * B + u * W);
        }
        for (int k = kFrom; k < j; ++k) {
          V x[NV];
#pragma GCC unroll 8
          for (int u = 0; u < NV; ++u) x[u] = T::Load(w + k * B + u * W);
#pragma GCC unroll 8
          for (int r = 0; r < R; ++r) {
            const V b = T::Set1(l[r][k]);
#pragma GCC unroll 8
            for (int u = 0; u < NV; ++u) sum[r][u] = T::Sub(sum[r][u], T::Mul(x[u], b));
          }
        }
#pragma GCC unroll 8
        for (int r = 0; r < R; ++r) {  // column j+r done, taken off the later ones
          const V d = T::Set1(l[r][j + r]);
#pragma GCC unroll 8
          for (int u = 0; u < NV; ++u) {
            const V x = T::Mul(sum[r][u], d);
            T::Store(w + (j + r) * B + u * W, x);
#pragma GCC unroll 8
            for (int q = r + 1; q < R; ++q)
              sum[q][u] = T::Sub(sum[q][u], T::Mul(x, T::Set1(l[q][j + r])));
          }
        }
      }
      for (; j < i0; ++j) {
        const double* l0 = Row(a, j);
        V s0[NV];
#pragma GCC unroll 8
        for (int u = 0; u < NV; ++u) s0[u] = T::Load(w + j * B + u * W);
        for (int k = start(j); k < j; ++k) {
          const V b0 = T::Set1(l0[k]);
#pragma GCC unroll 8
          for (int u = 0; u < NV; ++u)
            s0[u] = T::Sub(s0[u], T::Mul(T::Load(w + k * B + u * W), b0));
        }
        const V d0 = T::Set1(l0[j]);
#pragma GCC unroll 8
        for (int u = 0; u < NV; ++u) T::Store(w + j * B + u * W, T::Mul(s0[u], d0));
      }

      // The block's own columns: row i = i0+q finishes with its pivot, then
      // its column is taken off the later rows of the block.
      for (int q = 0; q < nb; ++q) {
        const int i = i0 + q;
        double* row = Row(a, i);
        double s = w[i * B + q];
        for (int k = skip ? first[i] : 1; k < i; ++k) s = s - w[k * B + q] * w[k * B + q];
        bool finite = Finite(s);
        for (int k = 1; k < i; ++k) finite = finite && Finite(w[k * B + q]);
        if (!finite) return -i;
        const double scaled = s * eps;
        const double t = row[i] + scaled;
        for (int k = 1; k < i; ++k) row[k] = w[k * B + q];
        if (t <= row[i]) return 130;
        const double d = 1.0 / __builtin_sqrt(s);
        row[i] = d;
        if (q + 1 == nb) break;
        const int v0 = (q + 1) / W;
        V s0[NV];
        for (int v = v0; v < NV; ++v) s0[v] = T::Load(w + i * B + v * W);
        for (int k = start(i); k < i; ++k) {
          const V b0 = T::Set1(w[k * B + q]);
          for (int v = v0; v < NV; ++v)
            s0[v] = T::Sub(s0[v], T::Mul(T::Load(w + k * B + v * W), b0));
        }
        const V d0 = T::Set1(d);
        for (int v = v0; v < NV; ++v) T::Store(w + i * B + v * W, T::Mul(s0[v], d0));
      }
    }
    return 0;
  }

  // Forward substitution as the method states it (a single chain per row),
  // then the back substitution by columns of L^T: when B(k) is final it is
  // taken off every B(i), i < k, so that each B(i) still receives its
  // products k = N, N-1, ..., i+1 in that order, now along a row of L.
  static void Solve(double* a, double* b, int n) {
    int f = 0;
    for (int i = 1; i <= n; ++i) {
      const double* row = Row(a, i);
      if (f == 0) {
        if (b[i] != 0.0) f = i;
        b[i] = b[i] * row[i];
      } else {
        double t = b[i];
        for (int k = f; k < i; ++k) t = t - row[k] * b[k];
        b[i] = t * row[i];
      }
    }
    for (int k = n; k >= 1; --k) {
      const double* row = Row(a, k);
      const double bk = b[k] * row[k];
      b[k] = bk;
      const V x = T::Set1(bk);
      int i = 1;
      for (; i + W <= k; i += W)
        T::Store(b + i, T::Sub(T::Load(b + i), T::Mul(T::Load(row + i), x)));
      for (; i < k; ++i) b[i] = b[i] - row[i] * bk;
    }
  }

  // First inversion stage: column i of X = L^-1 solves L*x = e_i, so B
  // columns go side by side. v[(k-i0)*B + c] = X(k, i0+c), zero above the
  // diagonal: those zeros meet finite L values, and +0 plus +-0 is +0, so
  // each lane's sum still starts at its own column. firstL[j]: first
  // non-zero column of row j of L. L must be finite.
  static void InvertFactor(double* a, int n, double* v, const int* firstL) {
    for (int i0 = 1; i0 < n; i0 += B) {
      const int nb = n - i0 < B ? n - i0 : B;
      for (int k = i0; k < i0 + B && k <= n; ++k)
        for (int c = 0; c < B; ++c)
          v[(k - i0) * B + c] = (c < nb && k == i0 + c) ? Row(a, k)[k] : 0.0;
      bool skip = true;  // every X value met so far is finite
      auto start = [&](int j) { return skip && firstL[j] > i0 ? firstL[j] : i0; };
      auto finish = [&](int j, const V* s) {
        double* row = Row(a, j);
        const V d = T::Set1(-row[j]);
        double x[B];
#pragma GCC unroll 8
        for (int u = 0; u < NV; ++u) T::Store(x + u * W, T::Mul(d, s[u]));
        const int cEnd = j - i0 < nb ? j - i0 : nb;  // lanes whose column is left of j
        for (int c = 0; c < cEnd; ++c) {
          v[(j - i0) * B + c] = x[c];
          row[i0 + c] = x[c];
          skip = skip && Finite(x[c]);
        }
      };
      int j = i0 + 1;
      for (; j + R - 1 <= n; j += R) {
        const double* l[R];
        V sum[R][NV];
        int kFrom = j;
#pragma GCC unroll 8
        for (int r = 0; r < R; ++r) {
          l[r] = Row(a, j + r);
          if (start(j + r) < kFrom) kFrom = start(j + r);
#pragma GCC unroll 8
          for (int u = 0; u < NV; ++u) sum[r][u] = T::Zero();
        }
        for (int k = kFrom; k < j; ++k) {
          V x[NV];
#pragma GCC unroll 8
          for (int u = 0; u < NV; ++u) x[u] = T::Load(v + (k - i0) * B + u * W);
#pragma GCC unroll 8
          for (int r = 0; r < R; ++r) {
            const V b = T::Set1(l[r][k]);
#pragma GCC unroll 8
            for (int u = 0; u < NV; ++u) sum[r][u] = T::Add(sum[r][u], T::Mul(b, x[u]));
          }
        }
#pragma GCC unroll 8
        for (int r = 0; r < R; ++r) {  // row j+r done, its products added to the later ones
          finish(j + r, sum[r]);
#pragma GCC unroll 8
          for (int q = r + 1; q < R; ++q) {
            const V b = T::Set1(l[q][j + r]);
#pragma GCC unroll 8
            for (int u = 0; u < NV; ++u)
              sum[q][u] = T::Add(sum[q][u], T::Mul(b, T::Load(v + (j + r - i0) * B + u * W)));
          }
        }
      }
      for (; j <= n; ++j) {
        const double* l0 = Row(a, j);
        V s0[NV];
#pragma GCC unroll 8
        for (int u = 0; u < NV; ++u) s0[u] = T::Zero();
        for (int k = start(j); k < j; ++k) {
          const V b0 = T::Set1(l0[k]);
#pragma GCC unroll 8
          for (int u = 0; u < NV; ++u)
            s0[u] = T::Add(s0[u], T::Mul(b0, T::Load(v + (k - i0) * B + u * W)));
        }
        finish(j, s0);
      }
    }
  }

  // Second inversion stage, inverse = X^T X: element (j, i) sums
  // X(k,i)*X(k,j) over k = j..N. With PB columns i in the lanes and k in the
  // outer loop, rows k of X feed every running sum of theirs in turn, each
  // sum still growing k ascending; rows go four at a time, held in
  // registers, so that each running sum is loaded and stored once per four
  // products. v: the block's columns of X, s: the running sums,
  // s[(j-i0)*PB + c] for element (j, i0+c). skip: X is finite.
  static constexpr int PV = 2, PB = PV * W, PK = 4;

  static void AddRow(const double* row, const double* vk, double* s, int i0, int jFrom, int jTo) {
    V x[PV];
#pragma GCC unroll 8
    for (int u = 0; u < PV; ++u) x[u] = T::Load(vk + u * W);
    for (int j = jFrom; j <= jTo; ++j) {
      const V b = T::Set1(row[j]);
      double* sj = s + (j - i0) * PB;
#pragma GCC unroll 8
      for (int u = 0; u < PV; ++u)
        T::Store(sj + u * W, T::Add(T::Load(sj + u * W), T::Mul(x[u], b)));
    }
  }

  static void Product(double* a, int n, bool skip, double* v, double* s) {
    for (int i0 = 1; i0 <= n; i0 += PB) {
      const int nb = n - i0 + 1 < PB ? n - i0 + 1 : PB;
      for (int k = i0; k <= n; ++k) {
        const double* row = Row(a, k);
        for (int c = 0; c < PB; ++c) {
          v[(k - i0) * PB + c] = (c < nb && k >= i0 + c) ? row[i0 + c] : 0.0;
          s[(k - i0) * PB + c] = 0.0;
        }
      }
      for (int k0 = i0; k0 <= n; k0 += PK) {
        const int kc = n - k0 + 1 < PK ? n - k0 + 1 : PK;
        // Products left out where exact: rows of zeros in the lanes, and
        // the zeros that open every row of X.
        int jFrom = k0;
        bool zero = true;
        for (int k = k0; k < k0 + kc; ++k) {
          const double* row = Row(a, k);
          int j = i0;
          if (skip)
            while (j < k0 && row[j] == 0.0) ++j;
          if (j < jFrom) jFrom = j;
#pragma GCC unroll 8
          for (int u = 0; u < PV; ++u)
            zero = zero && T::AllZero(T::Load(v + (k - i0) * PB + u * W));
        }
        if (!skip) jFrom = i0;
        if (skip && zero) continue;
        if (kc == PK) {  // columns left of the four rows: every row adds
          const double* r0 = Row(a, k0);
          const double* r1 = Row(a, k0 + 1);
          const double* r2 = Row(a, k0 + 2);
          const double* r3 = Row(a, k0 + 3);
          V x0[PV], x1[PV], x2[PV], x3[PV];
#pragma GCC unroll 8
          for (int u = 0; u < PV; ++u) {
            x0[u] = T::Load(v + (k0 - i0) * PB + u * W);
            x1[u] = T::Load(v + (k0 + 1 - i0) * PB + u * W);
            x2[u] = T::Load(v + (k0 + 2 - i0) * PB + u * W);
            x3[u] = T::Load(v + (k0 + 3 - i0) * PB + u * W);
          }
          for (int j = jFrom; j < k0; ++j) {
            double* sj = s + (j - i0) * PB;
            V t[PV];
#pragma GCC unroll 8
            for (int u = 0; u < PV; ++u) t[u] = T::Load(sj + u * W);
            const V b0 = T::Set1(r0[j]), b1 = T::Set1(r1[j]);
            const V b2 = T::Set1(r2[j]), b3 = T::Set1(r3[j]);
#pragma GCC unroll 8
            for (int u = 0; u < PV; ++u) {
              t[u] = T::Add(t[u], T::Mul(x0[u], b0));
              t[u] = T::Add(t[u], T::Mul(x1[u], b1));
              t[u] = T::Add(t[u], T::Mul(x2[u], b2));
              t[u] = T::Add(t[u], T::Mul(x3[u], b3));
              T::Store(sj + u * W, t[u]);
            }
          }
        } else {
          for (int k = k0; k < k0 + kc; ++k)
            AddRow(Row(a, k), v + (k - i0) * PB, s, i0, jFrom, k0 - 1);
        }
        // The columns among the rows themselves: row k adds to j <= k.
        for (int k = k0; k < k0 + kc; ++k) AddRow(Row(a, k), v + (k - i0) * PB, s, i0, k0, k);
      }
      for (int j = i0; j <= n; ++j) {
        double* row = Row(a, j);
        for (int c = 0; c < nb && i0 + c <= j; ++c) row[i0 + c] = s[(j - i0) * PB + c];
      }
    }
  }

  // The whole method after the caller's checks (mode, order, input finite).
  // work: 16*(n+1) doubles; first: n+1 ints. Returns 0, 130, or -i: the
  // literal routine must take over from factor row i.
  static int Run(double* a, double* b, int n, int mode, bool skipFactor, double* work, int* first) {
    const double eps = 1.0 / (16.0 * static_cast<double>(n));
    if (skipFactor) {
      for (int i = 1; i <= n; ++i) {
        const double* row = Row(a, i);
        int k = 1;
        while (k < i && row[k] == 0.0) ++k;
        first[i] = k;
      }
    }
    const int err = Factor(a, n, eps, skipFactor, work, first);
    if (err != 0) return err;
    for (int i = 1; i <= n; ++i) {  // L is finite: Factor checked each row
      const double* row = Row(a, i);
      int k = 1;
      while (k < i && row[k] == 0.0) ++k;
      first[i] = k;
    }
    if (mode >= 2) Solve(a, b, n);
    if (mode == 1 || mode == 3) {
      InvertFactor(a, n, work, first);
      bool xFinite = true;
      const std::ptrdiff_t size = static_cast<std::ptrdiff_t>(n) * (n + 1) / 2;
      for (std::ptrdiff_t p = 1; p <= size; ++p) xFinite = xFinite && Finite(a[p]);
      static_assert(B <= 16 && 2 * PB <= 16, "work space of 16*(n+1) doubles");
      Product(a, n, xFinite, work, work + static_cast<std::ptrdiff_t>(PB) * (n + 1));
    }
    return 0;
  }
};

}  // namespace
}  // namespace tessaro
