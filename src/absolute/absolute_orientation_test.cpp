#include "absolute/absolute_orientation.h"

#include <gtest/gtest.h>

#include "absolute/conformal_transform.h"

namespace tessaro {
namespace {

// The derivatives are those of RotationMatrix(a, b, c), checked against
// central differences at a few angle triples, scale included.
TEST(RotationDerivatives, MatchFiniteDifferences) {
  const double h = 1e-6, scale = 2.5;
  for (const auto& [a, b, c] : {std::array<double, 3>{0, 0, 0}, {0.3, -0.2, 1.1},
                                {-1.2, 0.7, -2.5}, {2.0, 1.4, 0.05}}) {
    Matrix3 Da, Db, Dc;
    RotationDerivatives(a, b, c, scale, Da, Db, Dc);
    const Matrix3* analytic[3] = {&Da, &Db, &Dc};
    for (int k = 0; k < 3; ++k) {
      double plus[3] = {a, b, c}, minus[3] = {a, b, c};
      plus[k] += h;
      minus[k] -= h;
      Matrix3 Rp, Rm;
      RotationMatrix(Rp, plus[0], plus[1], plus[2]);
      RotationMatrix(Rm, minus[0], minus[1], minus[2]);
      for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j)
          EXPECT_NEAR((*analytic[k])(i, j), scale * (Rp(i, j) - Rm(i, j)) / (2 * h), 1e-8)
              << "angle " << k << " element " << i << j;
    }
  }
}

}  // namespace
}  // namespace tessaro
