// Rotation builders and RadToDeg. M = R_kappa*R_phi*R_omega,
// indices 1..3; see rotation.h for the sign conventions. The element
// formulas are evaluated left to right with their own sine and
// cosine calls; keep them literal.
#include "numeric/rotation.h"

#include <cmath>
#include <cstddef>

namespace tessaro {
namespace {

using std::cos;
using std::sin;

// Evaluates m_ij in the fixed order and hands each to put(i, j, value).
template <class Put>
void BuildRotation(double w, double p, double k, Put put) {
  put(1, 1, cos(p) * cos(k));
  put(1, 2, cos(w) * sin(k) + sin(p) * sin(w) * cos(k));
  put(1, 3, sin(w) * sin(k) - sin(p) * cos(w) * cos(k));
  put(2, 1, -cos(p) * sin(k));
  put(2, 2, cos(w) * cos(k) - sin(p) * sin(w) * sin(k));
  put(2, 3, sin(w) * cos(k) + sin(p) * cos(w) * sin(k));
  put(3, 1, sin(p));
  put(3, 2, -sin(w) * cos(p));
  put(3, 3, cos(w) * cos(p));
}

}  // namespace

void StationRotation(double Omega, double Phi, double Kappa, OneBased<double>& M1,
                     OneBased<double>& M2, OneBased<double>& M3) {
  for (OneBased<double>* column : {&M1, &M2, &M3}) {
    if (column->size() < 3) column->resize(3);
  }
  OneBased<double>* columns[4] = {nullptr, &M1, &M2, &M3};
  BuildRotation(Omega, Phi, Kappa, [&](int i, int j, double m) { (*columns[j])(i) = m; });
}

void RotationMatrix(Matrix3& R, double Omega, double Phi, double Kappa) {
  BuildRotation(Omega, Phi, Kappa, [&](int i, int j, double m) { R(i, j) = m; });
}

double DegreeFactor() { return (4 * std::atan(1.0)) / 180; }

double RadToDeg(double x, double& Pi) {
  Pi = 4.0 * std::atan(1.0);
  return (x * 180.0) / Pi;
}

}  // namespace tessaro
