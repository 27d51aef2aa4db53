// Rotation matrices of exterior orientation and the radian-to-degree
// conversion.
//
// Conventions of this file:
// - Angles omega, phi, kappa are in radians.
// - M = R_kappa * R_phi * R_omega: first omega about x, then phi about the
//   once-rotated y axis, then kappa about the twice-rotated z axis, with
//     R_omega = [1 0 0; 0 cos(w) sin(w); 0 -sin(w) cos(w)]
//     R_phi   = [cos(p) 0 -sin(p); 0 1 0; sin(p) 0 cos(p)]
//     R_kappa = [cos(k) sin(k) 0; -sin(k) cos(k) 0; 0 0 1]
//   so m31 = sin(phi) and m12 = cos(w)sin(k) + sin(p)sin(w)cos(k). M takes
//   ground differences into the photo system, as the collinearity equations
//   use it: (r, s, q) = M * (X - Xo, Y - Yo, Z - Zo).
// - Indices run from 1 to 3 (rows i, columns j, element m_ij); position 0
//   exists in the storage and is not used.
// - Each element is evaluated with its own sine and cosine calls, products
//   left to right as written, in the order m11, m12, ..., m33.
#pragma once

#include <array>
#include <cassert>

namespace tessaro {

// A point or a vector of three coordinates, [0] = X, [1] = Y, [2] = Z.
using Point3 = std::array<double, 3>;

// A 3 by 3 matrix indexed from 1, like a Basic array R(1 To 3, 1 To 3).
// Indices outside 1..3 are asserted against in debug builds. The one
// storage of a rotation: the module's column arrays M1, M2, M3 are the
// columns of one Matrix3, Mj(i) = M(i, j).
struct Matrix3 {
  double e[4][4] = {};
  double& operator()(int i, int j) {
    assert(i >= 1 && i <= 3 && j >= 1 && j <= 3);
    return e[i][j];
  }
  double operator()(int i, int j) const {
    assert(i >= 1 && i <= 3 && j >= 1 && j <= 3);
    return e[i][j];
  }
};

// Fills R(i, j) = m_ij of M(Omega, Phi, Kappa) for i, j = 1..3, row by row.
// The station's rotation (Module1::StationRotation, of the station cells)
// is this same builder.
void RotationMatrix(Matrix3& R, double Omega, double Phi, double Kappa);

// The factor rho = (4*atan(1))/180 that turns decimal degrees into radians
// (angles are read and printed in degrees, held in radians); 1/rho turns
// them back.
double DegreeFactor();

// Sets Pi = 4*atan(1) and returns (x*180)/Pi: multiply first, divide second,
// so RadToDeg(pi) is exactly 180. x is in radians.
double RadToDeg(double x, double& Pi);

}  // namespace tessaro
