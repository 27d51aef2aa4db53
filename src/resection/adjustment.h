// The arithmetic of the space resection, without a console: the normal
// equations of one iteration of the collinearity adjustment, the figures
// derived from them, and the bookkeeping of the image records (matching them
// to control, dropping points). The procedure in resection.cpp reads, calls
// these, prints and asks.
//
// Conventions:
// - Unknowns k = 1..6 in this order: Xo, Yo, Zo (ground units), Omega, Phi,
//   Kappa (radians); vectors of them are OneBased<double> with 6 positions.
// - The normal matrix is packed symmetric of order 6 (numeric/packed.h).
// - The rotation M = R(kappa) R(phi) R(omega) of the station P(4..6), and
//   the ground vector in its system with its derivatives, come from the
//   collinearity kernel (numeric/collinearity.h).
// - Every formula is evaluated in the order written in its comment, one
//   double operation at a time, so that reports agree to the last digit.
#pragma once

#include <cstdint>
#include <vector>

#include "numeric/one_based.h"

namespace tessaro {

// One image record in use: measured image coordinates (reduced to the
// principal point) and the ground coordinates of its control point.
struct ResectionPoint {
  std::int32_t No = 0;
  double x = 0, y = 0;
  double X = 0, Y = 0, Z = 0;
};

// What one iteration is adjusted from. The station's approximate values are
// observations of the unknowns themselves, with standard errors Sigma(1..6)
// (SigmaXY, SigmaZ, SigmaXY, then SigmaAngle three times: Yo is weighted
// with SigmaZ and Zo with SigmaXY). Every image coordinate has the standard
// error ImagePrecision; f is the principal distance with its current sign.
struct ResectionObservations {
  OneBased<double> Observed = OneBased<double>(6);
  OneBased<double> Sigma = OneBased<double>(6);
  double f = 0;
  double ImagePrecision = 0;
  OneBased<ResectionPoint> Points;  // 1..Points.size() take part
};

struct ResectionEquations {
  OneBased<double> N;  // packed 6 by 6
  OneBased<double> n;  // right-hand side 1..6
  // Computed minus observed image coordinates at the current station,
  // Misclosure(i, 1) and (i, 2) of point i.
  OneBased<double> MisclosureX, MisclosureY;
  double Sv = 0;  // sum of the misclosures squared, each over sigma squared
  double Sr = 0;  // sum of the misclosures squared
  // Position of the first point with q = 0 (it lies in the plane of the
  // projection centre parallel to the image plane, where the collinearity
  // equations divide by zero); 0 when there is none. When set, the rest of
  // the equations is not formed.
  std::int32_t FlatPoint = 0;
};

// Forms the normal equations of one iteration at the station P(1..6):
//   n(k) = (Observed(k) - P(k)) / Sigma(k)^2,  N(k,k) = 1 / Sigma(k)^2,
// then for every point its x row and its y row, each already divided by the
// image standard error s, in the "computed minus observed" sign convention:
//   n(k) += a_k * l,  N(k,m) += a_m * a_k  (m <= k, packed order),
//   Sr += (s*l)^2,  Sv += l^2.
// No standard error may be 0 (the caller tests that first).
ResectionEquations FormNormalEquations(const ResectionObservations& obs, const OneBased<double>& P);

// The largest |d(k)|, k = 1..6, starting from 0 and replaced only by a
// strictly larger value.
double MaxCorrection(const OneBased<double>& d);

// sqrt(Sr / (2 * count)): the RMS of the image misclosures.
double ResectionRms(double Sr, std::int32_t count);

// Sv / D with D = 2 * count - 6, plus 1 when count <= 3.
double ResectionVariance(double Sv, std::int32_t count);

// Precisions of the adjusted position and angles from the inverse Q:
// sqrt(Q(1,1) + Q(2,2) + Q(3,3)) and sqrt(Q(4,4) + Q(5,5) + Q(6,6)).
void StationPrecisions(const OneBased<double>& Q, double& position, double& angles);

// MatchIndex(i) = the first position j in 1..ctrlCount with ctrlNo(j) =
// imgNo(i), for i = 1..imgCount in order. Returns 0 when every image record
// has its control point, otherwise the position i of the first that has none
// (MatchIndex(1..i-1) are then set). MatchIndex is grown to imgCount.
std::int32_t MatchImageToControl(const OneBased<std::int32_t>& imgNo, std::int32_t imgCount,
                                 const OneBased<std::int32_t>& ctrlNo, std::int32_t ctrlCount,
                                 OneBased<std::int32_t>& MatchIndex);

// Takes the points named in dropList out of the adjustment. Of the records
// 1..count, each found number is swapped (with its MatchIndex) with the
// record at the moving end position, which then steps down, so that the
// dropped records end up after PointsInUse. A number not found among the
// records 1..end leaves one more point in use and is returned, in order,
// for the caller's message. Precondition: 1 <= dropList.size() <= count.
std::vector<double> DropPoints(const std::vector<double>& dropList, std::int32_t count,
                               OneBased<std::int32_t>& No, OneBased<double>& x, OneBased<double>& y,
                               OneBased<std::int32_t>& MatchIndex, std::int32_t& PointsInUse);

}  // namespace tessaro
