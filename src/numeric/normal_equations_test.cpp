// AddObservation: the packed normal equations of weighted observation rows.
#include "numeric/normal_equations.h"

#include <gtest/gtest.h>

#include "testing/reference.h"

namespace tessaro {
namespace {

// Coefficients (1, 2, 7), absolute term 7, s = 3: position k holds
// (ri*rj)/9 of element (i, j) in the order (1,1) (2,1) (2,2) (3,1) (3,2)
// (3,3); position 0 and those past M(M+1)/2 and M stay as they were. With
// these numbers multiplying by the weight 1/9, or scaling the row by 1/3
// once, would each miss some elements of A and of U by a unit in the last
// place. No unknowns add nothing.
TEST(AddObservation, FillsOnlyItsPackedPositions) {
  const OneBased<double> r = OneBasedOf({1.0, 2.0, 7.0, 7.0, 3.0});
  OneBased<double> a(8, 99.0), u(4, 99.0);
  for (int k = 1; k <= 6; ++k) a(k) = 0;
  for (int k = 1; k <= 3; ++k) u(k) = 0;
  AddObservation(3, r, a, u);
  OneBased<double> expectedA =
      OneBasedOf({1 / 9., 2 / 9., 4 / 9., 7 / 9., 14 / 9., 49 / 9., 99, 99});
  OneBased<double> expectedU = OneBasedOf({7 / 9., 14 / 9., 49 / 9., 99});
  expectedA.data()[0] = expectedU.data()[0] = 99;
  EXPECT_EQ(a, expectedA);
  EXPECT_EQ(u, expectedU);
  AddObservation(0, r, a, u);
  EXPECT_EQ(a, expectedA);
  EXPECT_EQ(u, expectedU);
}

}  // namespace
}  // namespace tessaro
