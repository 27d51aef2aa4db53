// The arithmetic of the space resection, without a console: the iterated
// collinearity adjustment of one station, one iteration at a time, with
// every figure its report and windows show in one result value, and the
// bookkeeping of the image records (matching them to control, dropping
// points). The procedure in resection.cpp reads, steps the adjustment,
// prints after every step and asks.
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
#include <optional>
#include <vector>

#include "numeric/one_based.h"
#include "numeric/outcome.h"

namespace tessaro {

// The iteration limit a newly prepared resection starts with.
inline constexpr std::int32_t kResectionIterationLimit = 8;
// A correction larger than this (ground units or radians) throws the
// station far off: the run diverges and the correction is not applied.
inline constexpr double kResectionDivergence = 10000;
// The run has converged once no correction exceeds this, one threshold for
// ground units and radians alike.
inline constexpr double kResectionConvergence = 0.01;
// The variance a run compares its first iterations with: larger than any
// the adjustment meets, so the first never counts as worse.
inline constexpr double kResectionStartVariance = 1e9;
// The standard error (radians) that replaces an angle precision of 0 or
// less: about half a turn, which leaves the angles practically free.
inline constexpr double kFreeAngleSigma = 3.14;

// One image record in use: measured image coordinates (reduced to the
// principal point) and the ground coordinates of its control point.
struct ResectionPoint {
  std::int32_t No = 0;
  double x = 0, y = 0;
  double X = 0, Y = 0, Z = 0;
};

// What the adjustment works from. The station's approximate values are
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
  std::int64_t FlatPoint = 0;
};

// Forms the normal equations of one iteration at the station P(1..6):
//   n(k) = (Observed(k) - P(k)) / Sigma(k)^2,  N(k,k) = 1 / Sigma(k)^2,
// then for every point its x row and its y row, each already divided by the
// image standard error s, in the "computed minus observed" sign convention,
// added by AddNormalRow (n(k) += l * a_k, N(k,m) += a_k * a_m), and beside
// them Sr += (s*l)^2, Sv += l^2.
// No standard error may be 0 (the caller tests that first).
ResectionEquations FormNormalEquations(const ResectionObservations& obs, const OneBased<double>& P);

// The residuals of one point in use after a converged run: the misclosures
// of the last iteration (at the station before its small corrections), the
// radial distance r = sqrt(x^2 + y^2) of the image point from the principal
// point and that of its residual, dr = sqrt(vx^2 + vy^2).
struct ResectionResidual {
  std::int32_t No = 0;
  double x = 0, y = 0, vx = 0, vy = 0, r = 0, dr = 0;
};

// The latest iteration: its number (from 1), its corrections d(1..6), the
// RMS of the image misclosures it started from and its variance.
struct ResectionIteration {
  int Number = 0;
  OneBased<double> d = OneBased<double>(6);
  double Rms = 0, Variance = 0;
};

// Everything a run shows. Only the latest iteration is kept: the limit is
// the user's and may run to billions, and the windows show the latest only.
struct ResectionResult {
  ResectionIteration Last;
  // Xo..Kappa after the corrections applied so far.
  OneBased<double> Station = OneBased<double>(6);
  // After convergence: the residuals of the points in use, in their order,
  // and the precisions of the position and of the angles from the inverse
  // Q of the last solve, sqrt(Q11 + Q22 + Q33) and sqrt(Q44 + Q55 + Q66),
  // not scaled by any variance factor.
  std::vector<ResectionResidual> Residuals;
  double PositionPrecision = 0, AnglePrecision = 0;
  // Empty while the run goes on. Then: Converged; LimitReached (more
  // iterations than the limit); GotWorse (the variance grew in the last two
  // iterations the limit allows); Diverged (the latest corrections were not
  // applied); Singular(code) (the solver's code, 0 when the corrections are
  // not finite numbers); Refused(i) (point i lies level with the projection
  // centre, q = 0).
  std::optional<Outcome> outcome;
};

// The iterated adjustment, one iteration per Step(), so that its caller can
// show each one as it comes.
class ResectionAdjustment {
 public:
  // Starts from the station P(1..6). The limit may be any whole number: a
  // limit below 1 still runs one iteration.
  ResectionAdjustment(ResectionObservations obs, const OneBased<double>& P, std::int32_t limit);

  // Runs the next iteration: forms and solves the normal equations, applies
  // the corrections unless they diverge, and ends the run by the first rule
  // that holds, in this order: divergence, the limit, a growing variance near
  // the limit, convergence. Only while the run has no outcome.
  const ResectionResult& Step();
  const ResectionResult& Result() const { return result_; }

 private:
  const ResectionResult& End(Outcome outcome);
  void Conclude(const ResectionEquations& eq);

  ResectionObservations obs_;
  std::int64_t limit_;
  double previousVariance_ = kResectionStartVariance;
  ResectionResult result_;
};

// sqrt(Sr / (2 * count)): the RMS of the image misclosures.
double ResectionRms(double Sr, std::int64_t count);

// Sv / D with D = 2 * count - 6, plus 1 when count <= 3.
double ResectionVariance(double Sv, std::int64_t count);

// MatchIndex(i) = the first position j in 1..ctrlCount with ctrlNo(j) =
// imgNo(i), for i = 1..imgCount in order. Returns 0 when every image record
// has its control point, otherwise the position i of the first that has none
// (MatchIndex(1..i-1) are then set). MatchIndex is grown to imgCount.
std::int32_t MatchImageToControl(const OneBased<std::int32_t>& imgNo, std::int32_t imgCount,
                                 const OneBased<std::int32_t>& ctrlNo, std::int32_t ctrlCount,
                                 OneBased<std::int32_t>& MatchIndex);

// Takes the points named in dropList out of the adjustment. The end position
// starts at count; each number in turn is looked for among the records
// 1..end, first match, and the record found is swapped (with its MatchIndex)
// with the record at the end, which then steps down, so that the dropped
// records end up after PointsInUse. A number not found leaves one more point
// in use and is returned, in order, for the caller's message.
// Precondition: 1 <= dropList.size() <= count.
std::vector<double> DropPoints(const std::vector<double>& dropList, std::int32_t count,
                               OneBased<std::int32_t>& No, OneBased<double>& x, OneBased<double>& y,
                               OneBased<std::int32_t>& MatchIndex, std::int32_t& PointsInUse);

}  // namespace tessaro
