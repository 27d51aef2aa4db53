// Counting, pairing and the seven-parameter adjustment; conventions in
// conformal_transform.h. Keep the order of every sum and product.
#include "absolute/conformal_transform.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "numeric/cholesky.h"
#include "numeric/normal_equations.h"
#include "numeric/packed.h"

namespace tessaro {

namespace {

using std::cos;
using std::sin;

// Row r of M times p, summed left to right.
double RowTimes(const Matrix3& M, int r, const Point3& p) {
  return M(r, 1) * p[0] + M(r, 2) * p[1] + M(r, 3) * p[2];
}

}  // namespace

ControlCounts CountControl(const OneBased<Point3>& ground, std::int32_t n) {
  ControlCounts c;
  for (std::int32_t i = 1; i <= n; ++i) {
    const Point3& p = ground(i);
    if (p[0] != 0 || p[1] != 0) {
      c.horizontal = c.horizontal + 1;
      c.sumX = c.sumX + p[0];
      c.sumY = c.sumY + p[1];
    }
    if (p[2] != 0) {
      c.vertical = c.vertical + 1;
      c.sumZ = c.sumZ + p[2];
    }
  }
  return c;
}

std::vector<std::int32_t> PairByNumber(const OneBased<std::int32_t>& ctrlNo, std::int32_t nCtrl,
                                       OneBased<std::int32_t>& no, OneBased<Point3>& xyz,
                                       std::int32_t count) {
  std::vector<std::int32_t> unmatched;
  for (std::int32_t i = 1; i <= nCtrl; ++i) {
    const std::int32_t place = i - static_cast<std::int32_t>(unmatched.size());
    std::int32_t j = place;
    while (j <= count && no(j) != ctrlNo(i)) ++j;
    if (j > count) {
      unmatched.push_back(i);
      continue;
    }
    std::swap(no(j), no(place));
    std::swap(xyz(j), xyz(place));
  }
  return unmatched;
}

void RemoveControl(OneBased<std::int32_t>& ctrlNo, OneBased<Point3>& ground, std::int32_t& n,
                   const std::vector<std::int32_t>& drop) {
  if (drop.empty()) return;
  std::size_t d = 0;
  std::int32_t kept = 0;
  // Position n + 1 holds the terminating record, when there is one.
  const std::ptrdiff_t last = std::min<std::ptrdiff_t>(n + 1, ctrlNo.size());
  for (std::ptrdiff_t i = 1; i <= last; ++i) {
    if (d < drop.size() && drop[d] == i) {
      ++d;
      continue;
    }
    ++kept;
    ctrlNo(kept) = ctrlNo(i);
    ground(kept) = ground(i);
  }
  n = n - static_cast<std::int32_t>(drop.size());
}

void RotationDerivatives(double a, double b, double c, double scale, Matrix3& Da, Matrix3& Db,
                         Matrix3& Dc) {
  // d/da: a turns about the first axis, so the first column does not move.
  Da(1, 1) = 0;
  Da(1, 2) = scale * (-sin(a) * sin(c) + cos(a) * sin(b) * cos(c));
  Da(1, 3) = scale * (cos(a) * sin(c) + sin(a) * sin(b) * cos(c));
  Da(2, 1) = 0;
  Da(2, 2) = scale * (-sin(a) * cos(c) - cos(a) * sin(b) * sin(c));
  Da(2, 3) = scale * (cos(a) * cos(c) - sin(a) * sin(b) * sin(c));
  Da(3, 1) = 0;
  Da(3, 2) = scale * (-cos(a) * cos(b));
  Da(3, 3) = scale * (-sin(a) * cos(b));

  // d/db.
  Db(1, 1) = scale * (-sin(b) * cos(c));
  Db(1, 2) = scale * (sin(a) * cos(b) * cos(c));
  Db(1, 3) = scale * (-cos(a) * cos(b) * cos(c));
  Db(2, 1) = scale * (sin(b) * sin(c));
  Db(2, 2) = scale * (-sin(a) * cos(b) * sin(c));
  Db(2, 3) = scale * (cos(a) * cos(b) * sin(c));
  Db(3, 1) = scale * cos(b);
  Db(3, 2) = scale * (sin(a) * sin(b));
  Db(3, 3) = scale * (-cos(a) * sin(b));

  // d/dc: c turns about the last axis, so the third row does not move.
  Dc(1, 1) = scale * (-cos(b) * sin(c));
  Dc(1, 2) = scale * (cos(a) * cos(c) - sin(a) * sin(b) * sin(c));
  Dc(1, 3) = scale * (sin(a) * cos(c) + cos(a) * sin(b) * sin(c));
  Dc(2, 1) = scale * (-cos(b) * cos(c));
  Dc(2, 2) = scale * (-cos(a) * sin(c) - sin(a) * sin(b) * cos(c));
  Dc(2, 3) = scale * (-sin(a) * sin(c) + cos(a) * sin(b) * cos(c));
  Dc(3, 1) = 0;
  Dc(3, 2) = 0;
  Dc(3, 3) = 0;
}

Point3 ConformalPoint(const OneBased<double>& u, const Matrix3& R, const Point3& m) {
  Point3 g;
  for (int r = 1; r <= 3; ++r) g[r - 1] = u(r) + u(4) * RowTimes(R, r, m);
  return g;
}

AbsoluteSolution AdjustSevenParameters(const OneBased<Point3>& ground,
                                       const OneBased<Point3>& model,
                                       const OneBased<std::array<double, 2>>& sigma, std::int32_t n,
                                       std::int32_t redundancy, OneBased<double>& u) {
  constexpr int kUnknowns = 7;
  AbsoluteSolution s;
  s.V = OneBased<Point3>(n, Point3{0, 0, 0});
  u(4) = 1;
  u(5) = 0;
  u(6) = 0;
  u(7) = 0;
  double previousSo = 1.0E9;
  const double f = std::max<std::int32_t>(redundancy, 1);

  OneBased<double> N(PackedSize(kUnknowns)), U(kUnknowns), row(kUnknowns + 1);
  Matrix3 Da, Db, Dc;
  for (;;) {
    N.fill(0);
    U.fill(0);
    double plainSum = 0, weightedSum = 0, largest = 0;
    RotationMatrix(s.R, u(7), u(6), u(5));
    RotationDerivatives(u(7), u(6), u(5), u(4), Da, Db, Dc);

    for (std::int32_t i = 1; i <= n; ++i) {
      const Point3& obs = ground(i);
      const Point3& m = model(i);
      // One observation of coordinate r (1 X, 2 Y, 3 Z) with standard error
      // sd: the translation of that axis, the scale and the three angles.
      auto observe = [&](int r, double sd) {
        row.fill(0);
        row(r) = 1.0 / sd;
        const double Rm = RowTimes(s.R, r, m);
        row(4) = Rm / sd;
        row(5) = RowTimes(Dc, r, m) / sd;
        row(6) = RowTimes(Db, r, m) / sd;
        row(7) = RowTimes(Da, r, m) / sd;
        double w = obs[r - 1] - (u(r) + u(4) * Rm);
        s.V(i)[r - 1] = w;
        if (sd != kExcludedSigma) plainSum = plainSum + w * w;
        w = w / sd;
        row(8) = w;
        weightedSum = weightedSum + w * w;
        AddNormalRow(N, U, row, kUnknowns);
      };
      if (obs[0] != 0 || obs[1] != 0) {
        observe(1, sigma(i)[0]);
        observe(2, sigma(i)[0]);
      }
      if (obs[2] != 0) observe(3, sigma(i)[1]);
    }

    CholeskySolve(N, U, kUnknowns, kSolve, s.ErrCode);
    if (s.ErrCode != 0) return s;

    s.Iterations = static_cast<std::int16_t>(s.Iterations + 1);
    for (int k = 1; k <= kUnknowns; ++k) {
      u(k) = u(k) + U(k);
      if (std::abs(U(k)) > largest) largest = std::abs(U(k));
    }
    s.So = std::sqrt(weightedSum / f);
    s.RMSE = std::sqrt(plainSum / f);

    if (s.So > previousSo && s.Iterations > 4) {
      s.Convergence = "NO ";
      break;
    }
    previousSo = s.So;
    s.Convergence = "YES";
    if (s.Iterations > 9 || !(largest > kConvergenceLimit)) break;
  }
  return s;
}

}  // namespace tessaro
