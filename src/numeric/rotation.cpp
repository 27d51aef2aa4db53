// Rotation builders and RadToDeg. M = R_kappa*R_phi*R_omega,
// indices 1..3; see rotation.h for the sign conventions. The element
// formulas are evaluated left to right with their own sine and
// cosine calls; keep them literal.
#include "numeric/rotation.h"

#include <cmath>

namespace tessaro {

// Each element with its own sine and cosine calls, in the order m11 .. m33.
void RotationMatrix(Matrix3& R, double Omega, double Phi, double Kappa) {
  using std::cos;
  using std::sin;
  const double w = Omega, p = Phi, k = Kappa;
  R(1, 1) = cos(p) * cos(k);
  R(1, 2) = cos(w) * sin(k) + sin(p) * sin(w) * cos(k);
  R(1, 3) = sin(w) * sin(k) - sin(p) * cos(w) * cos(k);
  R(2, 1) = -cos(p) * sin(k);
  R(2, 2) = cos(w) * cos(k) - sin(p) * sin(w) * sin(k);
  R(2, 3) = sin(w) * cos(k) + sin(p) * cos(w) * sin(k);
  R(3, 1) = sin(p);
  R(3, 2) = -sin(w) * cos(p);
  R(3, 3) = cos(w) * cos(p);
}

double DegreeFactor() { return (4 * std::atan(1.0)) / 180; }

double RadToDeg(double x, double& Pi) {
  Pi = 4.0 * std::atan(1.0);
  return (x * 180.0) / Pi;
}

}  // namespace tessaro
