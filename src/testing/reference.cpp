#include "testing/reference.h"

#include <cmath>
#include <cstddef>
#include <utility>

#include "numeric/packed.h"

namespace tessaro {

DenseSolution GaussJordan(const Dense& a, const std::vector<long double>& b) {
  const std::size_t n = a.size(), w = 2 * n + 1;
  Dense t(n, std::vector<long double>(w, 0.0L));
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) t[i][j] = a[i][j];
    t[i][n + i] = 1.0L;
    t[i][2 * n] = b[i];
  }
  for (std::size_t c = 0; c < n; ++c) {
    std::size_t p = c;
    for (std::size_t r = c + 1; r < n; ++r)
      if (std::fabs(t[r][c]) > std::fabs(t[p][c])) p = r;
    std::swap(t[c], t[p]);
    const long double d = t[c][c];
    for (long double& v : t[c]) v /= d;
    for (std::size_t r = 0; r < n; ++r) {
      const long double f = r == c ? 0.0L : t[r][c];
      for (std::size_t k = 0; k < w; ++k) t[r][k] -= f * t[c][k];
    }
  }
  DenseSolution s{Dense(n, std::vector<long double>(n)), std::vector<long double>(n)};
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) s.inverse[i][j] = t[i][n + j];
    s.x[i] = t[i][2 * n];
  }
  return s;
}

std::vector<long double> LeastSquares(const Dense& rows) {
  const std::size_t m = rows.empty() ? 0 : rows[0].size() - 1;
  Dense n(m, std::vector<long double>(m, 0.0L));
  std::vector<long double> u(m, 0.0L);
  for (const auto& r : rows)
    for (std::size_t i = 0; i < m; ++i) {
      for (std::size_t j = 0; j < m; ++j) n[i][j] += r[i] * r[j];
      u[i] += r[i] * r[m];
    }
  return GaussJordan(n, u).x;
}

OneBased<double> Pack(const Dense& a) {
  const int n = static_cast<int>(a.size());
  OneBased<double> p(PackedSize(n));
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= i; ++j) p(PackedIndex(i, j)) = static_cast<double>(a[i - 1][j - 1]);
  return p;
}

OneBased<double> OneBasedOf(const std::vector<double>& v) {
  OneBased<double> out(v.size());
  for (std::size_t i = 0; i < v.size(); ++i) out(i + 1) = v[i];
  return out;
}

std::array<long double, 3> Rotate(const ReferenceStation& s, std::array<long double, 3> v) {
  const long double angles[3] = {s.omega, s.phi, s.kappa};
  // Axis a turns the other two coordinates: about x (y, z), about y (z, x),
  // about z (x, y), each by the same right-handed plane rotation.
  for (int a = 0; a < 3; ++a) {
    const int i = (a + 1) % 3, j = (a + 2) % 3;
    const long double c = std::cos(angles[a]), sn = std::sin(angles[a]);
    const long double vi = v[i], vj = v[j];
    v[i] = c * vi + sn * vj;
    v[j] = -sn * vi + c * vj;
  }
  return v;
}

std::array<long double, 2> Project(const ReferenceStation& s, long double f, long double X,
                                   long double Y, long double Z) {
  const std::array<long double, 3> v = Rotate(s, {X - s.X, Y - s.Y, Z - s.Z});
  return {-f * v[0] / v[2], -f * v[1] / v[2]};
}

}  // namespace tessaro
