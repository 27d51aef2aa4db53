// The collinearity kernel: where a ground point lies in the rotated system of
// a photograph, and how that moves with the photograph's omega and phi.
//
// The collinearity equations of an image point (x, y) of a photograph with
// projection centre C, rotation M = M(omega, phi, kappa) (rotation.h) and
// principal distance f are
//   (U, V, W) = M * (P - C),   x = -f U / W,   y = -f V / W.
// The resection and the relative orientation linearise them alike: both need
// U, V, W and their derivatives by omega and phi (by kappa they are V, -U and
// 0, by the ground point's coordinates the columns of M). Each builds its
// own coefficients from these by its own formula; the intersection, which is
// linear in the ground point, needs none of this.
//
// Every sum below runs left to right as written, one rounded operation at a
// time (the build forbids contraction): both operations depend on these bits.
#pragma once

#include "numeric/rotation.h"

namespace tessaro {

// A photograph's rotation with the sines and cosines its derivatives use,
// formed once per photograph and iteration. Angles in radians.
struct PhotoRotation {
  Matrix3 M;
  double sinOmega = 0, cosOmega = 1, sinPhi = 0, cosPhi = 1, sinKappa = 0, cosKappa = 1;
  PhotoRotation(double omega, double phi, double kappa);
};

// A ground point seen from a photograph.
struct RotatedPoint {
  double dX = 0, dY = 0, dZ = 0;  // P - C
  double U = 0, V = 0, W = 0;     // M * (P - C)
  double Uw = 0, Vw = 0, Ww = 0;  // d(U, V, W) / d omega
  double Up = 0, Vp = 0, Wp = 0;  // d(U, V, W) / d phi
};

//   U  = m11 dX + m12 dY + m13 dZ          (V, W: rows 2 and 3)
//   Uw = -m13 dY + m12 dZ                   (Vw, Ww: rows 2 and 3)
//   Up = -sinP cosK dX + cosP sinO cosK dY - cosP cosO cosK dZ
//   Vp =  sinP sinK dX - cosP sinO sinK dY + cosP cosO sinK dZ
//   Wp =  cosP dX + sinP sinO dY - sinP cosO dZ
RotatedPoint Rotate(const PhotoRotation& R, const Point3& ground, const Point3& centre);

}  // namespace tessaro
