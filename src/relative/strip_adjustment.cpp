// Relative orientation arithmetic; conventions in strip_adjustment.h. The
// formulas are written one operation at a time in the order they are read,
// left to right; keep them literal.
#include "relative/strip_adjustment.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <utility>
#include <vector>

#include "numeric/cholesky.h"
#include "numeric/packed.h"
#include "numeric/rotation.h"

namespace tessaro {

void NumberGroundPoints(Strip& s) {
  const std::int32_t n = s.ImagePointCount;
  s.RayPoint = OneBased<std::int32_t>(n);
  s.GroundPointNumber = OneBased<std::int32_t>(n);
  // The first image point with a new number opens a ground point; every later
  // one with that number joins it. A map finds the earlier one directly
  // instead of scanning the rest of the list for each new number.
  std::unordered_map<std::int32_t, std::int32_t> indexOf;
  std::int32_t K = 0;
  for (std::int32_t j = 1; j <= n; ++j) {
    auto [it, isNew] = indexOf.try_emplace(s.PointNumberList(j), K + 1);
    if (isNew) {
      K = K + 1;
      s.GroundPointNumber(K) = s.PointNumberList(j);
    }
    s.RayPoint(j) = it->second;
  }
  s.GroundPointCount = K;
  s.RayCount = OneBased<std::int32_t>(K);
  for (std::int32_t j = 1; j <= n; ++j) ++s.RayCount(s.RayPoint(j));
  s.SinglePointList = OneBased<std::int32_t>(0);
  s.SinglePointCount = 0;
  for (std::int32_t i = 1; i <= K; ++i) {
    if (s.RayCount(i) != 1) continue;
    s.SinglePointCount = s.SinglePointCount + 1;
    s.SinglePointList.resize(s.SinglePointCount);
    s.SinglePointList(s.SinglePointCount) = s.GroundPointNumber(i);
  }
}

OneBased<double> StationSigmas(double FrameSize, double Pi, std::int32_t StationUnknownCount) {
  OneBased<double> sigma(StationUnknownCount < 5 ? 5 : StationUnknownCount);
  auto photograph = [&](std::int32_t u) {
    for (int q = 0; q < 3; ++q) sigma(u + q) = FrameSize * 0.5;
    for (int q = 3; q < 6; ++q) sigma(u + q) = Pi * 0.5;
  };
  photograph(0);
  for (std::int32_t u = 6; u <= StationUnknownCount; u += 6) photograph(u);
  return sigma;
}

StripModel Approximations(const Strip& s, int Direction) {
  StripModel m;
  m.StationTable = RealTable<3>(6 * s.PhotoCount - 1);
  m.GroundPoint = RealTable<7>(s.GroundPointCount);
  const double BaseStep = 0.37 * s.FrameSize;
  // Against the flight the next photograph lies on the side of negative x.
  const double Step = Direction < 0 ? -BaseStep : BaseStep;
  double A = 0;
  for (std::int32_t p = 2; p <= s.PhotoCount; ++p) {
    A = A + Step;
    m.StationTable(6 * (p - 1), 1) = A;
    m.StationTable(6 * (p - 1), 2) = A;
  }
  // Ground points are numbered in order of first appearance, so the first
  // image point of point i is the first one met with an index beyond those
  // already placed.
  std::int32_t placed = 0;
  std::int32_t L = 1;
  for (std::int32_t n = 1; n <= s.ImagePointCount; ++n) {
    while (n > s.PointEnd(L)) ++L;
    const std::int32_t i = s.RayPoint(n);
    if (i <= placed) continue;
    placed = i;
    const std::int32_t k = n - s.PointEnd(L - 1);
    const double X = (L - 1) * Step + s.ImageX(L, k);
    const double Y = s.ImageY(L, k);
    const double Z = -s.FocalLength(L);
    m.GroundPoint(i, 1) = X;
    m.GroundPoint(i, 2) = Y;
    m.GroundPoint(i, 3) = Z;
    m.GroundPoint(i, 4) = X;
    m.GroundPoint(i, 5) = Y;
    m.GroundPoint(i, 6) = Z;
  }
  return m;
}

ImagePointRows CollinearityRows(const PhotoRotation& R, const Point3& centre, const Point3& ground,
                                double f, double xObserved, double yObserved, double ImageSigma) {
  const Matrix3& m = R.M;
  const RotatedPoint g = Rotate(R, ground, centre);
  const double U = g.U, V = g.V, W = g.W;
  const double x = -f * U / W;
  const double y = -f * V / W;
  const double WWs = W * W * ImageSigma;

  ImagePointRows rows;
  ObservationRow& Rx = rows.x;
  ObservationRow& Ry = rows.y;
  Rx[0] = (x - xObserved) / ImageSigma;
  Ry[0] = (y - yObserved) / ImageSigma;
  for (int c = 1; c <= 3; ++c) {
    Rx[c] = f * (W * m(1, c) - U * m(3, c)) / WWs;
    Ry[c] = f * (W * m(2, c) - V * m(3, c)) / WWs;
    // Moving the station moves the ray's origin the other way.
    Rx[c + 3] = -Rx[c];
    Ry[c + 3] = -Ry[c];
  }
  // By kappa, U and V move as V and -U, W not at all.
  Rx[7] = f * (W * g.Uw - U * g.Ww) / WWs;
  Ry[7] = f * (W * g.Vw - V * g.Ww) / WWs;
  Rx[8] = f * (W * g.Up - U * g.Wp) / WWs;
  Ry[8] = f * (W * g.Vp - V * g.Wp) / WWs;
  Rx[9] = f * V / (W * ImageSigma);
  Ry[9] = -f * U / (W * ImageSigma);
  return rows;
}

namespace {

double& Element(OneBased<double>& A, std::int64_t i, std::int64_t j) {
  return A(PackedIndex(i, j));
}
double& Element(ArrowheadNormals& A, std::int64_t i, std::int64_t j) { return A(i, j); }
// Element (i, j) followed by the rest of its row's run: packed rows are
// contiguous, and the arrowhead keeps each run an accumulator adds to (a
// block's row, a border row's block or profile) together.
double* RowFrom(OneBased<double>& A, std::int64_t i, std::int64_t j) {
  return &A(PackedIndex(i, j));
}
double* RowFrom(ArrowheadNormals& A, std::int64_t i, std::int64_t j) { return A.RowFrom(i, j); }
void Clear(OneBased<double>& A) { A.fill(0.0); }
void Clear(ArrowheadNormals& A) { A.Clear(); }

// The station block of `count` coefficients R(4..3+count) at unknowns s+1..,
// then its cross block with ground point I. Every element receives one
// addition, so looking a row's run up once changes no bit.
template <class Normal>
void AddStationRows(const ObservationRow& R, OneBased<double>& B, Normal& A, std::int32_t s,
                    int count, std::int32_t I) {
  for (int r = 1; r <= count; ++r) {
    B(s + r) += R[r + 3] * R[0];
    double* row = RowFrom(A, s + r, s + 1);
    for (int c = 1; c <= r; ++c) row[c - 1] += R[r + 3] * R[c + 3];
  }
  const std::int32_t b = 3 * (I - 1);
  for (int r = 1; r <= count; ++r) {
    double* cross = RowFrom(A, s + r, b + 1);
    for (int c = 1; c <= 3; ++c) cross[c - 1] += R[r + 3] * R[c];
  }
}

}  // namespace

template <class Normal>
void AddPointBlock(const ObservationRow& R, OneBased<double>& B, Normal& A, std::int32_t I) {
  const std::int32_t b = 3 * (I - 1);
  for (int r = 1; r <= 3; ++r) {
    B(b + r) += R[r] * R[0];
    double* row = RowFrom(A, b + r, b + 1);
    for (int c = 1; c <= r; ++c) row[c - 1] += R[r] * R[c];
  }
}

template <class Normal>
void AddSecondStationBlock(const ObservationRow& R, OneBased<double>& B, Normal& A, std::int32_t G,
                           std::int32_t I) {
  AddStationRows(R, B, A, 3 * G, 5, I);
}

template <class Normal>
void AddStationBlock(const ObservationRow& R, OneBased<double>& B, Normal& A, std::int32_t G,
                     std::int32_t p, std::int32_t I) {
  AddStationRows(R, B, A, 3 * G + 5 + 6 * (p - 3), 6, I);
}

ArrowheadNormals StripNormals(const Strip& s) {
  std::vector<int> sizes;
  std::vector<std::vector<std::int32_t>> seen;
  for (std::int32_t p = 2; p <= s.PhotoCount; ++p) {
    sizes.push_back(p == 2 ? 5 : 6);
    std::vector<std::int32_t> points;
    for (std::int32_t n = s.PointEnd(p - 1) + 1; n <= s.PointEnd(p); ++n)
      points.push_back(s.RayPoint(n));
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    seen.push_back(std::move(points));
  }
  return ArrowheadNormals(s.GroundPointCount, sizes, seen);
}

namespace {

// Every unknown is tied to its starting value, which keeps the normal matrix
// regular while the approximations are poor: the pseudo-observations set the
// right-hand side and the diagonal of a cleared matrix.
template <class Normal>
void TieToStartingValues(const Strip& s, const StripModel& m, const OneBased<double>& StationSigma,
                         double PointSigma, Normal& NormalMatrix, OneBased<double>& NormalVector) {
  const std::int32_t G = s.GroundPointCount;
  const double PointSigma2 = PointSigma * PointSigma;
  for (std::int32_t i = 1; i <= G; ++i)
    for (int c = 1; c <= 3; ++c)
      NormalVector(3 * (i - 1) + c) =
          -(m.GroundPoint(i, c) - m.GroundPoint(i, c + 3)) / PointSigma2;
  Clear(NormalMatrix);
  for (std::int32_t r = 1; r <= UnknownCount(s); ++r) Element(NormalMatrix, r, r) = 1 / PointSigma2;
  for (std::int32_t u = 1; u <= StationUnknownCount(s.PhotoCount); ++u) {
    const double sigma2 = StationSigma(u) * StationSigma(u);
    NormalVector(3 * G + u) = -(m.StationTable(u + 6, 1) - m.StationTable(u + 6, 2)) / sigma2;
    Element(NormalMatrix, 3 * G + u, 3 * G + u) = 1 / sigma2;
  }
}

}  // namespace

template <class Normal>
IterationSums BuildNormalEquations(const Strip& s, const StripModel& m,
                                   const OneBased<double>& StationSigma, double PointSigma,
                                   Normal& NormalMatrix, OneBased<double>& NormalVector,
                                   RaggedTable<double>& Residual) {
  const std::int32_t G = s.GroundPointCount;
  TieToStartingValues(s, m, StationSigma, PointSigma, NormalMatrix, NormalVector);
  IterationSums sums;
  std::int32_t j = 0;  // running number of the image point
  for (std::int32_t p = 1; p <= s.PhotoCount; ++p) {
    // The rotation depends on the photograph only: formed once for all its points.
    const PhotoRotation R(m.Station(p, 3), m.Station(p, 4), m.Station(p, 5));
    const Point3 centre = {m.Station(p, 0), m.Station(p, 1), m.Station(p, 2)};
    for (std::int32_t k = 1; k <= s.PointCount(p); ++k) {
      ++j;
      const std::int32_t I = s.RayPoint(j);
      const Point3 ground = {m.GroundPoint(I, 1), m.GroundPoint(I, 2), m.GroundPoint(I, 3)};
      const ImagePointRows rows = CollinearityRows(R, centre, ground, s.FocalLength(p),
                                                   s.ImageX(p, k), s.ImageY(p, k), s.ImageSigma);
      const std::pair<std::int32_t, const ObservationRow*> equations[] = {{2 * p - 1, &rows.x},
                                                                          {2 * p, &rows.y}};
      for (const auto& [row, R] : equations) {
        AddPointBlock(*R, NormalVector, NormalMatrix, I);
        if (p == 2) {
          // Photograph 2 keeps its X: its five coefficients move up by one.
          ObservationRow R2 = *R;
          for (int c = 4; c <= 8; ++c) R2[c] = (*R)[c + 1];
          R2[9] = 0;
          AddSecondStationBlock(R2, NormalVector, NormalMatrix, G, I);
        } else if (p >= 3) {
          AddStationBlock(*R, NormalVector, NormalMatrix, G, p, I);
        }
        const double v = s.ImageSigma * (*R)[0];
        Residual(row, k) = v;
        sums.SumSquares += v * v;
        sums.WeightedSum += (*R)[0] * (*R)[0];
      }
    }
  }
  return sums;
}

template IterationSums BuildNormalEquations(const Strip&, const StripModel&,
                                            const OneBased<double>&, double, OneBased<double>&,
                                            OneBased<double>&, RaggedTable<double>&);
template IterationSums BuildNormalEquations(const Strip&, const StripModel&,
                                            const OneBased<double>&, double, ArrowheadNormals&,
                                            OneBased<double>&, RaggedTable<double>&);

void ApplyCorrections(const Strip& s, const OneBased<double>& NormalVector, StripModel& m) {
  const std::int32_t G = s.GroundPointCount;
  for (std::int32_t i = 1; i <= G; ++i)
    for (int c = 1; c <= 3; ++c)
      m.GroundPoint(i, c) = m.GroundPoint(i, c) + 1.0 * NormalVector(3 * (i - 1) + c);
  for (std::int32_t u = 1; u <= StationUnknownCount(s.PhotoCount); ++u)
    m.StationTable(u + 6, 1) = m.StationTable(u + 6, 1) + 1.0 * NormalVector(3 * G + u);
}

StripStatistics FinalStatistics(const Strip& s, const IterationSums& sums) {
  StripStatistics t;
  t.Rms = std::sqrt(sums.SumSquares / (2 * s.ImagePointCount));
  t.Redundancy = 2 * s.ImagePointCount - UnknownCount(s);
  t.So = t.Redundant() ? std::sqrt(sums.WeightedSum / t.Redundancy) : 1.0;
  return t;
}

double StandardDeviation(double So, const OneBased<double>& InverseDiagonal, std::int64_t r) {
  return So * std::sqrt(InverseDiagonal(r));
}

std::int32_t WorstPoint(const Strip& s, const RaggedTable<double>& Residual, std::int32_t p,
                        double limit) {
  double largest = 0;
  std::int32_t worst = 0;
  for (std::int32_t k = 1; k <= s.PointCount(p); ++k) {
    for (const double v : {Residual(2 * p - 1, k), Residual(2 * p, k)}) {
      if (std::fabs(v) > largest) {
        largest = std::fabs(v);
        worst = k;
      }
    }
  }
  return largest > limit ? worst : 0;
}

double StripResult::PointSd(std::int32_t i, int c) const {
  return StandardDeviation(Statistics.So, InverseDiagonal, 3 * (i - 1) + c);
}

double StripResult::StationSd(std::int32_t p, int q) const {
  const std::int32_t u = 6 * (p - 2) + q;
  if (u == 0) return 0;
  return StandardDeviation(Statistics.So, InverseDiagonal, 3 * GroundPoints.size() + u);
}

StripAdjustment::StripAdjustment(const Strip& s, ArrowheadNormals& normals,
                                 const OneBased<double>& StationSigma, std::int16_t Direction)
    : s_(s),
      n_(UnknownCount(s)),
      m_(Approximations(s, Direction)),
      solver_(s, normals, StationSigma),
      NormalVector_(n_) {
  result_.Direction = Direction;
  result_.InverseDiagonal = OneBased<double>(n_);
  result_.Residual.SetRows(2 * s.PhotoCount);
  for (std::int32_t p = 1; p <= s.PhotoCount; ++p) {
    result_.Residual.SetRowLength(2 * p - 1, s.PointCount(p));
    result_.Residual.SetRowLength(2 * p, s.PointCount(p));
  }
}

bool StripAdjustment::Step() {
  const std::int32_t Iteration = result_.IterationCount() + 1;
  StripIteration& it = result_.Iterations.emplace_back();
  it.Iteration = Iteration;
  int ErrCode = solver_.Solve(m_, NormalVector_, result_.Residual, sums_);
  // Values so large that their squares overflow leave corrections that are
  // not numbers: no solution either.
  if (ErrCode == kCholeskyOk && !AllFinite(NormalVector_, n_))
    ErrCode = kCholeskyNotPositiveDefinite;
  it.SumSquares = sums_.SumSquares;
  it.Rms = FinalStatistics(s_, sums_).Rms;
  it.MaxCorrection = ErrCode == kCholeskyOk ? LargestCorrection(NormalVector_, n_) : 0;
  const bool converged = it.MaxCorrection <= kConvergenceLimit;
  const bool last = it.Iteration >= kLastIteration || converged;
  // The precisions need the inverse of the last iteration's matrix only.
  if (ErrCode == kCholeskyOk && it.MaxCorrection <= kDivergenceLimit && last)
    ErrCode = solver_.InverseDiagonal(m_, NormalVector_, result_.Residual, sums_,
                                      result_.InverseDiagonal);
  if (ErrCode != kCholeskyOk) return Stop(Outcome::Singular(ErrCode));
  it.Corrections = NormalVector_;
  if (it.MaxCorrection > kDivergenceLimit) return Stop(Outcome::Diverged());
  ApplyCorrections(s_, NormalVector_, m_);
  if (!last) {
    it.Stations = CurrentStations();
    return true;
  }
  result_.Statistics = FinalStatistics(s_, sums_);
  result_.Flagged = OneBased<std::int32_t>(s_.PhotoCount);
  for (std::int32_t p = 1; p <= s_.PhotoCount; ++p)
    result_.Flagged(p) = WorstPoint(s_, result_.Residual, p, kFlagFactor * s_.ImageSigma);
  return Stop(converged ? Outcome::Converged() : Outcome::LimitReached());
}

// The end of the adjustment, whichever it is: where the model stands.
bool StripAdjustment::Stop(Outcome outcome) {
  result_.Iterations.back().Stations = CurrentStations();
  result_.outcome = outcome;
  result_.GroundPoints = OneBased<Point3>(s_.GroundPointCount);
  for (std::int32_t i = 1; i <= s_.GroundPointCount; ++i)
    result_.GroundPoints(i) = {m_.GroundPoint(i, 1), m_.GroundPoint(i, 2), m_.GroundPoint(i, 3)};
  return false;
}

OneBased<StationParameters> StripAdjustment::CurrentStations() const {
  OneBased<StationParameters> stations(s_.PhotoCount);
  for (std::int32_t p = 1; p <= s_.PhotoCount; ++p)
    for (int q = 0; q < 6; ++q) stations(p)[q] = m_.Station(p, q);
  return stations;
}

}  // namespace tessaro
