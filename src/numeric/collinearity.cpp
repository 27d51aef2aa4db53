// The collinearity kernel; conventions and formulas in collinearity.h. Keep
// each product and sum in the order written.
#include "numeric/collinearity.h"

#include <cmath>

namespace tessaro {

PhotoRotation::PhotoRotation(double omega, double phi, double kappa)
    : sinOmega(std::sin(omega)),
      cosOmega(std::cos(omega)),
      sinPhi(std::sin(phi)),
      cosPhi(std::cos(phi)),
      sinKappa(std::sin(kappa)),
      cosKappa(std::cos(kappa)) {
  RotationMatrix(M, omega, phi, kappa);
}

RotatedPoint Rotate(const PhotoRotation& R, const Point3& ground, const Point3& centre) {
  const Matrix3& M = R.M;
  RotatedPoint p;
  const double dX = p.dX = ground[0] - centre[0];
  const double dY = p.dY = ground[1] - centre[1];
  const double dZ = p.dZ = ground[2] - centre[2];
  p.U = M(1, 1) * dX + M(1, 2) * dY + M(1, 3) * dZ;
  p.V = M(2, 1) * dX + M(2, 2) * dY + M(2, 3) * dZ;
  p.W = M(3, 1) * dX + M(3, 2) * dY + M(3, 3) * dZ;
  p.Uw = -M(1, 3) * dY + M(1, 2) * dZ;
  p.Vw = -M(2, 3) * dY + M(2, 2) * dZ;
  p.Ww = -M(3, 3) * dY + M(3, 2) * dZ;
  const double sO = R.sinOmega, cO = R.cosOmega, sP = R.sinPhi, cP = R.cosPhi;
  const double sK = R.sinKappa, cK = R.cosKappa;
  p.Up = -sP * cK * dX + cP * sO * cK * dY - cP * cO * cK * dZ;
  p.Vp = sP * sK * dX - cP * sO * sK * dY + cP * cO * sK * dZ;
  p.Wp = cP * dX + sP * sO * dY - sP * cO * dZ;
  return p;
}

}  // namespace tessaro
