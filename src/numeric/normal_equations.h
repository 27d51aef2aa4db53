// AddObservation and AddNormalRow: accumulation of observation equations
// into packed normal equations.
//
// Conventions of this file:
// - Arrays are OneBased<double>, positions from 1; position 0 is not used.
// - The normal matrix is packed symmetric of order M (numeric/packed.h), the
//   layout that CholeskySolve consumes.
// - Observation row R: R(1..M) coefficients of the unknowns, R(M+1) the
//   absolute term, R(M+2) the standard deviation s; the weight is 1/s^2.
//   AddNormalRow takes rows without R(M+2), already divided by s.
#pragma once

#include "numeric/one_based.h"

namespace tessaro {

// Adds one observation row to the normal equations:
//   U(i)      += (R(i)*R(M+1)) / s^2      for i = 1..M,
//   A((i,j))  += (R(i)*R(j))   / s^2      for j <= i, in packed order,
// with s^2 = std::pow(R(M+2), 2) and the division done for each element.
// Only accumulates: the caller zeroes A and U before the first row. R and M
// are not changed. R(M+2) must not be zero (not tested here). M < 1 adds
// nothing. Preconditions (asserted in debug builds): R has M+2 positions,
// A at least M(M+1)/2, U at least M.
void AddObservation(int M, const OneBased<double>& R, OneBased<double>& A, OneBased<double>& U);

// Adds one observation row that is already divided by its standard error
// (unit weight), so no weight is applied here:
//   U(i)      += row(M+1)*row(i)   for i = 1..M,
//   A((i,j))  += row(i)*row(j)     for j <= i, in packed order.
// Only accumulates; the caller zeroes A and U. M < 1 adds nothing.
// Preconditions (asserted in debug builds): row has M+1 positions, A at
// least M(M+1)/2, U at least M.
void AddNormalRow(OneBased<double>& A, OneBased<double>& U, const OneBased<double>& row, int M);

}  // namespace tessaro
