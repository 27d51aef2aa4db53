#include "imagetrans/plane_transform.h"

#include <cmath>
#include <utility>

#include "numeric/cholesky.h"
#include "numeric/normal_equations.h"
#include "numeric/packed.h"

namespace tessaro {

namespace {

// The similarity X = p1 + p3*x - p4*y, Y = p2 + p4*x + p3*y: both
// coordinates of a fiducial observe the same four parameters.
int FitSimilarity(int n, const OneBased<double>& x, const OneBased<double>& y,
                  const OneBased<double>& X, const OneBased<double>& Y, PlaneTransform& t) {
  OneBased<double> R(6), N(PackedSize(4)), U(4);
  for (int i = 1; i <= n; ++i) {
    R(1) = 1;
    R(2) = 0;
    R(3) = x(i);
    R(4) = -y(i);
    R(5) = X(i);
    R(6) = 1.0;
    AddObservation(4, R, N, U);
    R(1) = 0;
    R(2) = 1;
    R(3) = y(i);
    R(4) = x(i);
    R(5) = Y(i);
    R(6) = 1.0;
    AddObservation(4, R, N, U);
  }
  int errCode = 0;
  CholeskySolve(N, U, 4, kSolveAndInvert, errCode);
  if (errCode != 0) return errCode;
  t = {U(1), U(3), -U(4), 0, U(2), U(4), U(3), 0};
  return errCode;
}

// Affine (3 parameters a coordinate) and bilinear (4): X and Y have the same
// design rows, so they share one normal matrix. X is solved through U; Y's
// right-hand side U2 is multiplied by the inverse that the solver leaves.
int FitAffineOrBilinear(int M, int n, const OneBased<double>& x, const OneBased<double>& y,
                        const OneBased<double>& X, const OneBased<double>& Y, PlaneTransform& t) {
  OneBased<double> R(6), N(PackedSize(4)), U(4), U2(4);
  for (int i = 1; i <= n; ++i) {
    R(1) = 1;
    R(2) = x(i);
    R(3) = y(i);
    if (M == 4) R(4) = x(i) * y(i);
    R(M + 1) = X(i);
    R(M + 2) = 1.0;
    AddObservation(M, R, N, U);
    const double s2 = std::pow(R(M + 2), 2);
    for (int k = 1; k <= M; ++k) U2(k) = U2(k) + R(k) * Y(i) / s2;
  }
  int errCode = 0;
  CholeskySolve(N, U, M, kSolveAndInvert, errCode);
  if (errCode != 0) return errCode;
  const Symmetric inverse(N);
  OneBased<double> B(4);
  for (int i = 1; i <= M; ++i) {
    double sum = 0;
    for (int k = 1; k <= M; ++k) sum = sum + inverse(i, k) * U2(k);
    B(i) = sum;
  }
  t = {U(1), U(2), U(3), U(4), B(1), B(2), B(3), B(4)};  // U(4), B(4) stay 0 for M = 3
  return errCode;
}

}  // namespace

void MatchFiducials(const OneBased<std::int32_t>& calibratedNo, int n, OneBased<std::int32_t>& no,
                    OneBased<double>& x, OneBased<double>& y, std::int32_t count) {
  for (int i = 1; i <= n; ++i) {
    for (std::int32_t j = 1; j <= count; ++j) {
      if (no(j) == calibratedNo(i)) {
        std::swap(no(j), no(i));
        std::swap(x(j), x(i));
        std::swap(y(j), y(i));
      }
    }
  }
}

FiducialFit FitFiducials(int model, int n, const OneBased<double>& x, const OneBased<double>& y,
                         const OneBased<double>& X, const OneBased<double>& Y) {
  FiducialFit fit;
  fit.ErrCode = model == kSimilarity
                    ? FitSimilarity(n, x, y, X, Y, fit.t)
                    : FitAffineOrBilinear(model == kAffine ? 3 : 4, n, x, y, X, Y, fit.t);
  if (fit.ErrCode != 0) return fit;
  fit.Vx.resize(n);
  fit.Vy.resize(n);
  double sumVx = 0, sumVy = 0;
  for (int i = 1; i <= n; ++i) {
    fit.Vx(i) = fit.t.X(x(i), y(i)) - X(i);
    fit.Vy(i) = fit.t.Y(x(i), y(i)) - Y(i);
    sumVx = sumVx + fit.Vx(i) * fit.Vx(i);
    sumVy = sumVy + fit.Vy(i) * fit.Vy(i);
  }
  // The divisor n - 1 is the same for every model, as the instructor's
  // reports have it; RMS is taken over all 2n coordinate residuals.
  fit.Sx = std::sqrt(sumVx / (n - 1));
  fit.Sy = std::sqrt(sumVy / (n - 1));
  fit.RMS = std::sqrt((sumVx + sumVy) / (2 * n));
  return fit;
}

void CentreDigital(int mode, double rows, double columns, double& x, double& y) {
  x = x - columns / 2;
  y = mode == -1 ? rows / 2 - y : y + rows / 2;
}

}  // namespace tessaro
