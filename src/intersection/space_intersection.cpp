#include "intersection/space_intersection.h"

#include <cmath>
#include <utility>

#include "numeric/cholesky.h"
#include "numeric/normal_equations.h"
#include "numeric/packed.h"
#include "numeric/rotation.h"

namespace tessaro {

namespace {

constexpr int kUnknowns = 3;

// The two observation rows of one ray for AddObservation: coefficients of
// X, Y, Z, the absolute term and the standard deviation 1.0. False when q is
// zero and the rows cannot be formed.
bool RayRows(const Ray& r, OneBased<double>& xRow, OneBased<double>& yRow) {
  Matrix3 M;
  RotationMatrix(M, r.Omega, r.Phi, r.Kappa);
  const double q = M(3, 1) * r.X0 + M(3, 2) * r.Y0 + M(3, 3) * r.Z0;
  if (q == 0) return false;
  const double u = r.f * (M(1, 1) * r.X0 + M(1, 2) * r.Y0 + M(1, 3) * r.Z0);
  const double w = r.f * (M(2, 1) * r.X0 + M(2, 2) * r.Y0 + M(2, 3) * r.Z0);
  for (int j = 1; j <= 3; ++j) {
    xRow(j) = (M(3, j) * r.x + r.f * M(1, j)) / q;
    yRow(j) = (M(3, j) * r.y + r.f * M(2, j)) / q;
  }
  xRow(4) = u / q + r.x;
  xRow(5) = 1.0;
  yRow(4) = w / q + r.y;
  yRow(5) = 1.0;
  return true;
}

double Residual(const OneBased<double>& row, const OneBased<double>& P) {
  return row(1) * P(1) + row(2) * P(2) + row(3) * P(3) - row(4);
}

}  // namespace

IntersectedPoint Intersect(PointRays point) {
  IntersectedPoint p;
  p.PointNo = point.PointNo;
  p.Rays = std::move(point.Rays);
  const OneBased<Ray>& rays = p.Rays;
  const auto n = rays.size();
  OneBased<double> xRow(kUnknowns + 2), yRow(kUnknowns + 2);
  OneBased<double> N(PackedSize(kUnknowns)), U(kUnknowns);

  // Pass 1: the normal equations.
  for (int k = 1; k <= n; ++k) {
    if (!RayRows(rays(k), xRow, yRow)) {
      p.outcome = Outcome::Refused(k);
      return p;
    }
    AddObservation(kUnknowns, xRow, N, U);
    AddObservation(kUnknowns, yRow, N, U);
  }
  int errCode = 0;
  CholeskySolve(N, U, kUnknowns, kSolveAndInvert, errCode);
  if (errCode != 0) {
    p.outcome = Outcome::Singular(errCode);
    return p;
  }

  // Pass 2: the residuals of the same rows at the solution.
  p.Vx.resize(n);
  p.Vy.resize(n);
  double sum = 0;
  for (int k = 1; k <= n; ++k) {
    RayRows(rays(k), xRow, yRow);
    p.Vx(k) = Residual(xRow, U);
    p.Vy(k) = Residual(yRow, U);
    sum = sum + p.Vx(k) * p.Vx(k);
    sum = sum + p.Vy(k) * p.Vy(k);
  }
  p.X = U(1);
  p.Y = U(2);
  p.Z = U(3);
  p.So = std::sqrt(sum / (2 * n - 3));
  // N now holds the inverse, the cofactor matrix Q.
  p.Sx = p.So * std::sqrt(N(PackedIndex(1, 1)));
  p.Sy = p.So * std::sqrt(N(PackedIndex(2, 2)));
  p.Sz = p.So * std::sqrt(N(PackedIndex(3, 3)));
  return p;
}

IntersectionResult IntersectPoints(std::vector<PointRays> points) {
  IntersectionResult result;
  result.Points.reserve(points.size());
  for (PointRays& point : points) {
    result.Points.push_back(Intersect(std::move(point)));
    if (!result.Points.back().outcome.Succeeded()) break;
  }
  return result;
}

}  // namespace tessaro
