#include "resection/adjustment.h"

#include <cmath>
#include <utility>

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

ResectionEquations FormNormalEquations(const ResectionObservations& obs, const OneBased<double>& P,
                                       const OneBased<double>& M1, const OneBased<double>& M2,
                                       const OneBased<double>& M3) {
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

  const double m11 = M1(1), m12 = M2(1), m13 = M3(1);
  const double m21 = M1(2), m22 = M2(2), m23 = M3(2);
  const double m31 = M1(3), m32 = M2(3), m33 = M3(3);
  const double Xo = P(1), Yo = P(2), Zo = P(3);
  const double sinO = std::sin(P(4)), cosO = std::cos(P(4));
  const double sinP = std::sin(P(5)), cosP = std::cos(P(5));
  const double sinK = std::sin(P(6)), cosK = std::cos(P(6));
  const double f = obs.f;
  const double s = obs.ImagePrecision;

  for (std::int32_t i = 1; i <= count; ++i) {
    const ResectionPoint& pt = obs.Points(i);
    const double dX = pt.X - Xo, dY = pt.Y - Yo, dZ = pt.Z - Zo;
    // The ground vector in the photo system: (r, s, q) = M (dX, dY, dZ).
    const double r = m11 * dX + m12 * dY + m13 * dZ;
    const double sv = m21 * dX + m22 * dY + m23 * dZ;
    const double q = m31 * dX + m32 * dY + m33 * dZ;
    if (q == 0) {
      eq.FlatPoint = i;
      return eq;
    }
    const double g = f / (q * q);

    // Derivatives of r, s, q with respect to omega and phi.
    const double Qw = -m33 * dY + m32 * dZ;
    const double Rw = -m13 * dY + m12 * dZ;
    const double Sw = -m23 * dY + m22 * dZ;
    const double Qp = cosP * dX + sinP * sinO * dY - sinP * cosO * dZ;
    const double Rp = -sinP * cosK * dX + cosP * sinO * cosK * dY - cosP * cosO * cosK * dZ;
    const double Sp = sinP * sinK * dX - cosP * sinO * sinK * dY + cosP * cosO * sinK * dZ;

    // x row: the computed x is -f r / q.
    const double ax[7] = {0,
                          -g * (m11 * q - m31 * r) / s,
                          -g * (m12 * q - m32 * r) / s,
                          -g * (m13 * q - m33 * r) / s,
                          g * (q * Rw - r * Qw) / s,
                          g * (q * Rp - r * Qp) / s,
                          f * sv / (s * q)};
    const double lx = (-pt.x - f * r / q) / s;
    eq.MisclosureX(i) = s * lx;

    // y row: the computed y is -f s / q.
    const double ay[7] = {0,
                          -g * (m21 * q - m31 * sv) / s,
                          -g * (m22 * q - m32 * sv) / s,
                          -g * (m23 * q - m33 * sv) / s,
                          g * (q * Sw - sv * Qw) / s,
                          g * (q * Sp - sv * Qp) / s,
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
