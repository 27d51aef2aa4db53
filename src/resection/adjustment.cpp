#include "resection/adjustment.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <unordered_map>
#include <utility>

#include "numeric/cholesky.h"
#include "numeric/collinearity.h"
#include "numeric/corrections.h"
#include "numeric/normal_equations.h"
#include "numeric/packed.h"

namespace tessaro {

namespace {

// Adds one observation row a(1..6), absolute term a(7) = l, already divided
// by the standard error s, to the normal equations and to the two sums.
void AddRow(const OneBased<double>& a, double s, ResectionEquations& eq) {
  const double l = a(7);
  eq.Sr = eq.Sr + (s * l) * (s * l);
  eq.Sv = eq.Sv + l * l;
  AddNormalRow(eq.N, eq.n, a, 6);
}

// The approximate station as observations of the unknowns.
void StartEquations(const ResectionObservations& obs, const OneBased<double>& P,
                    ResectionEquations& eq) {
  eq.N = OneBased<double>(PackedSize(6), 0.0);
  eq.n = OneBased<double>(6, 0.0);
  for (int k = 1; k <= 6; ++k) {
    const double s2 = obs.Sigma(k) * obs.Sigma(k);
    eq.n(k) = (obs.Observed(k) - P(k)) / s2;
    eq.N(PackedIndex(k, k)) = 1 / s2;
  }
}

}  // namespace

ResectionEquations FormNormalEquations(const ResectionObservations& obs,
                                       const OneBased<double>& P) {
  ResectionEquations eq;
  StartEquations(obs, P, eq);
  const std::ptrdiff_t count = obs.Points.size();
  eq.MisclosureX = OneBased<double>(count, 0.0);
  eq.MisclosureY = OneBased<double>(count, 0.0);

  const PhotoRotation R(P(4), P(5), P(6));
  const Matrix3& M = R.M;
  const Point3 centre = {P(1), P(2), P(3)};
  const double f = obs.f;
  const double s = obs.ImagePrecision;
  OneBased<double> ax(7), ay(7);

  for (std::ptrdiff_t i = 1; i <= count; ++i) {
    const ResectionPoint& pt = obs.Points(i);
    // The ground vector in the photo system, (r, s, q) = (U, V, W).
    const RotatedPoint g = Rotate(R, {pt.X, pt.Y, pt.Z}, centre);
    const double r = g.U, sv = g.V, q = g.W;
    if (q == 0) {
      eq.FlatPoint = i;
      return eq;
    }
    const double gq = f / (q * q);

    // x row: the computed x is -f r / q.
    ax(1) = -gq * (M(1, 1) * q - M(3, 1) * r) / s;
    ax(2) = -gq * (M(1, 2) * q - M(3, 2) * r) / s;
    ax(3) = -gq * (M(1, 3) * q - M(3, 3) * r) / s;
    ax(4) = gq * (q * g.Uw - r * g.Ww) / s;
    ax(5) = gq * (q * g.Up - r * g.Wp) / s;
    ax(6) = f * sv / (s * q);
    ax(7) = (-pt.x - f * r / q) / s;
    eq.MisclosureX(i) = s * ax(7);

    // y row: the computed y is -f s / q.
    ay(1) = -gq * (M(2, 1) * q - M(3, 1) * sv) / s;
    ay(2) = -gq * (M(2, 2) * q - M(3, 2) * sv) / s;
    ay(3) = -gq * (M(2, 3) * q - M(3, 3) * sv) / s;
    ay(4) = gq * (q * g.Vw - sv * g.Ww) / s;
    ay(5) = gq * (q * g.Vp - sv * g.Wp) / s;
    ay(6) = -f * r / (s * q);
    ay(7) = (-pt.y - f * sv / q) / s;
    eq.MisclosureY(i) = s * ay(7);

    AddRow(ax, s, eq);
    AddRow(ay, s, eq);
  }
  return eq;
}

ResectionAdjustment::ResectionAdjustment(ResectionObservations obs, const OneBased<double>& P,
                                         std::int32_t limit)
    : obs_(std::move(obs)), limit_(limit) {
  result_.Station = P;
}

const ResectionResult& ResectionAdjustment::Step() {
  ResectionIteration& it = result_.Last;
  ++it.Number;
  ResectionEquations eq = FormNormalEquations(obs_, result_.Station);
  if (eq.FlatPoint != 0) return End(Outcome::Refused(eq.FlatPoint));
  int ErrCode = kCholeskyOk;
  CholeskySolve(eq.N, eq.n, 6, kSolveAndInvert, ErrCode);
  if (ErrCode != kCholeskyOk) return End(Outcome::Singular(ErrCode));
  // Corrections that overflowed are no solution either.
  if (!AllFinite(eq.n, 6)) return End(Outcome::Singular(kCholeskyOk));

  it.d = eq.n;
  const std::ptrdiff_t count = obs_.Points.size();
  it.Rms = ResectionRms(eq.Sr, count);
  const double largest = LargestCorrection(it.d, 6);
  if (largest > kResectionDivergence) return End(Outcome::Diverged());
  for (int k = 1; k <= 6; ++k) result_.Station(k) = result_.Station(k) + it.d(k);
  it.Variance = ResectionVariance(eq.Sv, count);

  // The limit is tested before convergence: a run may apply the small
  // corrections of one iteration beyond the limit and still end unsolved.
  if (it.Number > limit_) return End(Outcome::LimitReached());
  if (it.Number > limit_ - 2 && previousVariance_ < it.Variance) return End(Outcome::GotWorse());
  previousVariance_ = it.Variance;
  if (largest <= kResectionConvergence) {
    Conclude(eq);
    return End(Outcome::Converged());
  }
  return result_;
}

const ResectionResult& ResectionAdjustment::End(Outcome outcome) {
  result_.outcome = outcome;
  return result_;
}

// The residuals of the last iteration and the precisions from its inverse.
void ResectionAdjustment::Conclude(const ResectionEquations& eq) {
  const OneBased<double>& Q = eq.N;
  result_.PositionPrecision =
      std::sqrt(Q(PackedIndex(1, 1)) + Q(PackedIndex(2, 2)) + Q(PackedIndex(3, 3)));
  result_.AnglePrecision =
      std::sqrt(Q(PackedIndex(4, 4)) + Q(PackedIndex(5, 5)) + Q(PackedIndex(6, 6)));
  result_.Residuals.clear();
  result_.Residuals.reserve(obs_.Points.size());
  for (std::ptrdiff_t i = 1; i <= obs_.Points.size(); ++i) {
    const ResectionPoint& pt = obs_.Points(i);
    const double vx = eq.MisclosureX(i), vy = eq.MisclosureY(i);
    result_.Residuals.push_back({pt.No, pt.x, pt.y, vx, vy, std::sqrt(pt.x * pt.x + pt.y * pt.y),
                                 std::sqrt(vx * vx + vy * vy)});
  }
}

double ResectionRms(double Sr, std::int64_t count) { return std::sqrt(Sr / (2 * count)); }

double ResectionVariance(double Sv, std::int64_t count) {
  const std::int64_t D = 2 * count - 6 + (count <= 3 ? 1 : 0);
  return Sv / D;
}

std::int32_t MatchImageToControl(const OneBased<std::int32_t>& imgNo, std::int32_t imgCount,
                                 const OneBased<std::int32_t>& ctrlNo, std::int32_t ctrlCount,
                                 OneBased<std::int32_t>& MatchIndex) {
  if (imgCount > MatchIndex.size()) MatchIndex.resize(imgCount);
  // The first position of every control number: emplace keeps the first.
  std::unordered_map<std::int32_t, std::int32_t> first;
  first.reserve(std::max<std::int32_t>(ctrlCount, 0));
  for (std::int32_t j = 1; j <= ctrlCount; ++j) first.emplace(ctrlNo(j), j);
  for (std::int32_t i = 1; i <= imgCount; ++i) {
    const auto found = first.find(imgNo(i));
    if (found == first.end()) return i;
    MatchIndex(i) = found->second;
  }
  return 0;
}

std::vector<double> DropPoints(const std::vector<double>& dropList, std::int32_t count,
                               OneBased<std::int32_t>& No, OneBased<double>& x, OneBased<double>& y,
                               OneBased<std::int32_t>& MatchIndex, std::int32_t& PointsInUse) {
  // The drop list is typed one prompt at a time, but a script may give
  // thousands of answers: the positions among 1..end of every wanted number
  // follow the swaps instead of being searched for. Numbers are compared as
  // reals, as typed (a point number is exact as a real; a NaN, equal to
  // nothing, would find nothing).
  std::unordered_map<double, std::set<std::int32_t>> at;
  for (double wanted : dropList) at.emplace(wanted, std::set<std::int32_t>());
  for (std::int32_t p = 1; p <= count; ++p)
    if (auto found = at.find(No(p)); found != at.end()) found->second.insert(p);

  std::vector<double> notFound;
  PointsInUse = count - static_cast<std::int32_t>(dropList.size());
  std::int32_t end = count;
  for (double wanted : dropList) {
    const auto entry = at.find(wanted);
    if (entry == at.end() || entry->second.empty()) {
      notFound.push_back(wanted);
      ++PointsInUse;
      continue;
    }
    // The first match leaves 1..end; the record at end takes its place.
    std::set<std::int32_t>& positions = entry->second;
    const std::int32_t p = *positions.begin();
    positions.erase(positions.begin());
    if (auto moved = at.find(No(end)); p != end && moved != at.end()) {
      moved->second.erase(end);
      moved->second.insert(p);
    }
    std::swap(No(p), No(end));
    std::swap(x(p), x(end));
    std::swap(y(p), y(end));
    std::swap(MatchIndex(p), MatchIndex(end));
    --end;
  }
  return notFound;
}

}  // namespace tessaro
