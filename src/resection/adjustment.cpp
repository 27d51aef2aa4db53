#include "resection/adjustment.h"

#include <cmath>
#include <utility>

#include "numeric/collinearity.h"
#include "numeric/packed.h"

namespace tessaro {

namespace {

// Adds one observation row, already divided by its standard error s, to the
// normal equations: a(1..6) coefficients, l the absolute term.
void AddRow(const double (&a)[7], double l, double s, ResectionEquations& eq) {
  eq.Sr = eq.Sr + (s * l) * (s * l);
  eq.Sv = eq.Sv + l * l;
  std::ptrdiff_t position = 0;
  for (int k = 1; k <= 6; ++k) {
    eq.n(k) = eq.n(k) + a[k] * l;
    for (int m = 1; m <= k; ++m) {
      ++position;
      eq.N(position) = eq.N(position) + a[m] * a[k];
    }
  }
}

}  // namespace

ResectionEquations FormNormalEquations(const ResectionObservations& obs, const OneBased<double>& P) {
  ResectionEquations eq;
  eq.N = OneBased<double>(PackedSize(6), 0.0);
  eq.n = OneBased<double>(6, 0.0);
  const std::int32_t count = static_cast<std::int32_t>(obs.Points.size());
  eq.MisclosureX = OneBased<double>(count, 0.0);
  eq.MisclosureY = OneBased<double>(count, 0.0);

  // The approximate station as observations of the unknowns.
  for (int k = 1; k <= 6; ++k) {
    const double s2 = obs.Sigma(k) * obs.Sigma(k);
    eq.n(k) = (obs.Observed(k) - P(k)) / s2;
    eq.N(PackedIndex(k, k)) = 1 / s2;
  }

  const PhotoRotation R(P(4), P(5), P(6));
  const Matrix3& M = R.M;
  const Point3 centre = {P(1), P(2), P(3)};
  const double f = obs.f;
  const double s = obs.ImagePrecision;

  for (std::int32_t i = 1; i <= count; ++i) {
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
    const double ax[7] = {0,
                          -gq * (M(1, 1) * q - M(3, 1) * r) / s,
                          -gq * (M(1, 2) * q - M(3, 2) * r) / s,
                          -gq * (M(1, 3) * q - M(3, 3) * r) / s,
                          gq * (q * g.Uw - r * g.Ww) / s,
                          gq * (q * g.Up - r * g.Wp) / s,
                          f * sv / (s * q)};
    const double lx = (-pt.x - f * r / q) / s;
    eq.MisclosureX(i) = s * lx;

    // y row: the computed y is -f s / q.
    const double ay[7] = {0,
                          -gq * (M(2, 1) * q - M(3, 1) * sv) / s,
                          -gq * (M(2, 2) * q - M(3, 2) * sv) / s,
                          -gq * (M(2, 3) * q - M(3, 3) * sv) / s,
                          gq * (q * g.Vw - sv * g.Ww) / s,
                          gq * (q * g.Vp - sv * g.Wp) / s,
                          -f * r / (s * q)};
    const double ly = (-pt.y - f * sv / q) / s;
    eq.MisclosureY(i) = s * ly;

    AddRow(ax, lx, s, eq);
    AddRow(ay, ly, s, eq);
  }
  return eq;
}

double MaxCorrection(const OneBased<double>& d) {
  double largest = 0;
  for (int k = 1; k <= 6; ++k)
    if (std::fabs(d(k)) > largest) largest = std::fabs(d(k));
  return largest;
}

double ResectionRms(double Sr, std::int32_t count) { return std::sqrt(Sr / (2 * count)); }

double ResectionVariance(double Sv, std::int32_t count) {
  const std::int32_t D = 2 * count - 6 + (count <= 3 ? 1 : 0);
  return Sv / D;
}

void StationPrecisions(const OneBased<double>& Q, double& position, double& angles) {
  position = std::sqrt(Q(PackedIndex(1, 1)) + Q(PackedIndex(2, 2)) + Q(PackedIndex(3, 3)));
  angles = std::sqrt(Q(PackedIndex(4, 4)) + Q(PackedIndex(5, 5)) + Q(PackedIndex(6, 6)));
}

std::int32_t MatchImageToControl(const OneBased<std::int32_t>& imgNo, std::int32_t imgCount,
                                 const OneBased<std::int32_t>& ctrlNo, std::int32_t ctrlCount,
                                 OneBased<std::int32_t>& MatchIndex) {
  if (imgCount > MatchIndex.size()) MatchIndex.resize(imgCount);
  for (std::int32_t i = 1; i <= imgCount; ++i) {
    std::int32_t j = 1;
    while (j <= ctrlCount && ctrlNo(j) != imgNo(i)) ++j;
    if (j > ctrlCount) return i;
    MatchIndex(i) = j;
  }
  return 0;
}

std::vector<double> DropPoints(const std::vector<double>& dropList, std::int32_t count,
                               OneBased<std::int32_t>& No, OneBased<double>& x, OneBased<double>& y,
                               OneBased<std::int32_t>& MatchIndex, std::int32_t& PointsInUse) {
  std::vector<double> notFound;
  PointsInUse = count - static_cast<std::int32_t>(dropList.size());
  std::int32_t target = count;
  for (double wanted : dropList) {
    std::int32_t p = 1;
    while (p <= target && No(p) != wanted) ++p;
    if (p > target) {
      notFound.push_back(wanted);
      ++PointsInUse;
      continue;
    }
    std::swap(No(p), No(target));
    std::swap(x(p), x(target));
    std::swap(y(p), y(target));
    std::swap(MatchIndex(p), MatchIndex(target));
    --target;
  }
  return notFound;
}

}  // namespace tessaro
