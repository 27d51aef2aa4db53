#include "imagetrans/plane_transform.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <unordered_map>
#include <utility>

#include "numeric/cholesky.h"
#include "numeric/normal_equations.h"
#include "numeric/packed.h"

namespace tessaro {

namespace {

// The similarity X = p1 + p3*x - p4*y, Y = p2 + p4*x + p3*y: both
// coordinates of a fiducial observe the same four parameters.
int FitSimilarity(std::span<const ImageRecord> measured, std::span<const ImageRecord> calibrated,
                  PlaneTransform& t) {
  OneBased<double> R(6), N(PackedSize(4)), U(4);
  for (std::size_t i = 0; i < calibrated.size(); ++i) {
    const double x = measured[i].x, y = measured[i].y;
    R(1) = 1;
    R(2) = 0;
    R(3) = x;
    R(4) = -y;
    R(5) = calibrated[i].x;
    R(6) = 1.0;
    AddObservation(4, R, N, U);
    R(1) = 0;
    R(2) = 1;
    R(3) = y;
    R(4) = x;
    R(5) = calibrated[i].y;
    R(6) = 1.0;
    AddObservation(4, R, N, U);
  }
  int errCode = 0;
  CholeskySolve(N, U, 4, kSolveAndInvert, errCode);
  if (errCode != 0) return errCode;
  t = {U(1), U(3), -U(4), 0, U(2), U(4), U(3), 0};
  return errCode;
}

// Affine (3 parameters a coordinate) and bilinear (4): X and Y have the same
// design rows, so they share one normal matrix. X is solved through U; Y's
// right-hand side U2 is multiplied by the inverse that the solver leaves.
int FitAffineOrBilinear(int M, std::span<const ImageRecord> measured,
                        std::span<const ImageRecord> calibrated, PlaneTransform& t) {
  OneBased<double> R(6), N(PackedSize(4)), U(4), U2(4);
  for (std::size_t i = 0; i < calibrated.size(); ++i) {
    const double x = measured[i].x, y = measured[i].y, Y = calibrated[i].y;
    R(1) = 1;
    R(2) = x;
    R(3) = y;
    if (M == 4) R(4) = x * y;
    R(M + 1) = calibrated[i].x;
    R(M + 2) = 1.0;
    AddObservation(M, R, N, U);
    const double s2 = std::pow(R(M + 2), 2);
    for (int k = 1; k <= M; ++k) U2(k) = U2(k) + R(k) * Y / s2;
  }
  int errCode = 0;
  CholeskySolve(N, U, M, kSolveAndInvert, errCode);
  if (errCode != 0) return errCode;
  const Symmetric inverse(N);
  OneBased<double> B(4);
  for (int i = 1; i <= M; ++i) {
    double sum = 0;
    for (int k = 1; k <= M; ++k) sum = sum + inverse(i, k) * U2(k);
    B(i) = sum;
  }
  t = {U(1), U(2), U(3), U(4), B(1), B(2), B(3), B(4)};  // U(4), B(4) stay 0 for M = 3
  return errCode;
}

}  // namespace

void MatchFiducials(std::span<const ImageRecord> calibrated, OneBased<std::int32_t>& no,
                    OneBased<double>& x, OneBased<double>& y, std::int32_t count) {
  // The places 1..count that hold each mark's number, kept up to date
  // through the exchanges. Only these places can match in a scan, and the
  // fiducial's own place i, which an exchange fills with its mark.
  std::unordered_map<std::int32_t, std::set<std::int32_t>> placesOf;
  for (const ImageRecord& mark : calibrated) placesOf.try_emplace(mark.No);
  auto move = [&](std::int32_t number, std::int32_t from, std::int32_t to) {
    const auto it = placesOf.find(number);
    if (it == placesOf.end()) return;
    if (from <= count) it->second.erase(from);
    if (to <= count) it->second.insert(to);
  };
  for (std::int32_t j = 1; j <= count; ++j) move(no(j), count + 1, j);

  for (std::int32_t i = 1; std::cmp_less_equal(i, calibrated.size()); ++i) {
    const std::int32_t mark = calibrated[i - 1].No;
    const std::set<std::int32_t>& places = placesOf[mark];
    // The places as the scan meets them: none but j and i changes while it
    // runs, and j is behind it.
    std::vector<std::int32_t> scan(places.begin(), places.end());
    if (i <= count && !places.contains(i))
      scan.insert(std::lower_bound(scan.begin(), scan.end(), i), i);
    for (std::int32_t j : scan) {
      if (j == i || no(j) != mark) continue;
      const std::int32_t other = no(i);
      std::swap(no(j), no(i));
      std::swap(x(j), x(i));
      std::swap(y(j), y(i));
      if (other == mark) continue;  // both places keep the mark's number
      move(mark, j, i);
      move(other, i, j);
    }
  }
}

FiducialFit FitFiducials(int model, std::span<const ImageRecord> measured,
                         std::span<const ImageRecord> calibrated) {
  FiducialFit fit;
  const int errCode = model == kSimilarity ? FitSimilarity(measured, calibrated, fit.t)
                                           : FitAffineOrBilinear(model == kAffine ? 3 : 4, measured,
                                                                 calibrated, fit.t);
  if (errCode != 0) {
    fit.outcome = Outcome::Singular(errCode);
    return fit;
  }
  const auto n = std::ssize(calibrated);
  fit.Vx.resize(n);
  fit.Vy.resize(n);
  double sumVx = 0, sumVy = 0;
  for (int i = 1; i <= n; ++i) {
    const ImageRecord& m = measured[i - 1];
    fit.Vx(i) = fit.t.X(m.x, m.y) - calibrated[i - 1].x;
    fit.Vy(i) = fit.t.Y(m.x, m.y) - calibrated[i - 1].y;
    sumVx = sumVx + fit.Vx(i) * fit.Vx(i);
    sumVy = sumVy + fit.Vy(i) * fit.Vy(i);
  }
  // The divisor n - 1 is the same for every model, as the instructor's
  // reports have it; RMS is taken over all 2n coordinate residuals.
  fit.Sx = std::sqrt(sumVx / (n - 1));
  fit.Sy = std::sqrt(sumVy / (n - 1));
  fit.RMS = std::sqrt((sumVx + sumVy) / (2 * n));
  return fit;
}

void CentreDigital(int mode, double rows, double columns, double& x, double& y) {
  x = x - columns / 2;
  y = mode == -1 ? rows / 2 - y : y + rows / 2;
}

PhotoTransformation TransformPhoto(PhotoInput photo, const Calibration& calibration) {
  PhotoTransformation t;
  t.PhotoNo = photo.PhotoNo;
  t.Mode = photo.Mode;
  t.Points = std::move(photo.Points);
  if (t.Mode == -1 || t.Mode == 0) {
    for (ImageRecord& p : t.Points)
      CentreDigital(t.Mode, calibration.Rows, calibration.Columns, p.x, p.y);
    t.Accepted = true;
    return t;
  }
  if (t.Mode > 0) {
    t.Calibrated = calibration.Fiducials;
    t.Measured = std::move(photo.Measured);
  }
  if (t.Mode < kSimilarity || t.Mode > kBilinear) {
    t.outcome = Outcome::Refused(photo.Place);
    return t;
  }
  t.Fit = FitFiducials(t.Mode, t.Measured, t.Calibrated);
  t.outcome = t.Fit.outcome;
  if (!t.outcome.Succeeded()) return t;
  for (ImageRecord& p : t.Points) p = {p.No, t.Fit.t.X(p.x, p.y), t.Fit.t.Y(p.x, p.y)};
  return t;
}

}  // namespace tessaro
