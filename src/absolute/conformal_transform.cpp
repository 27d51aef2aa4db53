// Counting, pairing and the seven-parameter adjustment; conventions in
// conformal_transform.h. Keep the order of every sum and product.
#include "absolute/conformal_transform.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <unordered_map>
#include <utility>

#include "numeric/cholesky.h"
#include "numeric/corrections.h"
#include "numeric/normal_equations.h"
#include "numeric/packed.h"

namespace tessaro {

namespace {

using std::cos;
using std::sin;

// Row r of M times p, summed left to right.
double RowTimes(const Matrix3& M, int r, const Point3& p) {
  return M(r, 1) * p[0] + M(r, 2) * p[1] + M(r, 3) * p[2];
}

}  // namespace

ControlCounts CountControl(const OneBased<Point3>& ground, std::int32_t n) {
  ControlCounts c;
  for (std::int32_t i = 1; i <= n; ++i) {
    const Point3& p = ground(i);
    if (p[0] != 0 || p[1] != 0) {
      c.horizontal = c.horizontal + 1;
      c.sumX = c.sumX + p[0];
      c.sumY = c.sumY + p[1];
    }
    if (p[2] != 0) {
      c.vertical = c.vertical + 1;
      c.sumZ = c.sumZ + p[2];
    }
  }
  return c;
}

std::vector<std::int32_t> PairByNumber(const OneBased<std::int32_t>& ctrlNo, std::int32_t nCtrl,
                                       OneBased<std::int32_t>& no, OneBased<Point3>& xyz,
                                       std::int32_t count) {
  // For every control number, the positions among place..count of the
  // measured records that carry it, as a min-heap: the first match is its
  // top. Pushed in ascending order, each list is a heap already.
  const auto earliest = std::greater<>();
  std::unordered_map<std::int32_t, std::vector<std::int32_t>> at;
  for (std::int32_t i = 1; i <= nCtrl; ++i) at.emplace(ctrlNo(i), std::vector<std::int32_t>());
  for (std::int32_t j = 1; j <= count; ++j)
    if (auto found = at.find(no(j)); found != at.end()) found->second.push_back(j);
  const auto takeFirst = [&](std::vector<std::int32_t>& heap) {
    std::pop_heap(heap.begin(), heap.end(), earliest);
    const std::int32_t first = heap.back();
    heap.pop_back();
    return first;
  };

  std::vector<std::int32_t> unmatched;
  std::int32_t place = 1;  // i - m
  for (std::int32_t i = 1; i <= nCtrl; ++i) {
    std::vector<std::int32_t>& positions = at.at(ctrlNo(i));
    if (positions.empty()) {
      unmatched.push_back(i);
      continue;
    }
    const std::int32_t j = takeFirst(positions);
    // The record at place, the first still searched, moves to j.
    if (auto moved = at.find(no(place)); j != place && moved != at.end()) {
      takeFirst(moved->second);
      moved->second.push_back(j);
      std::push_heap(moved->second.begin(), moved->second.end(), earliest);
    }
    std::swap(no(j), no(place));
    std::swap(xyz(j), xyz(place));
    ++place;
  }
  return unmatched;
}

void RemoveControl(OneBased<std::int32_t>& ctrlNo, OneBased<Point3>& ground, std::int32_t& n,
                   const std::vector<std::int32_t>& drop) {
  if (drop.empty()) return;
  std::size_t d = 0;
  std::int32_t kept = 0;
  // Position n + 1 holds the terminating record, when there is one.
  const std::ptrdiff_t last = std::min<std::ptrdiff_t>(n + 1, ctrlNo.size());
  for (std::ptrdiff_t i = 1; i <= last; ++i) {
    if (d < drop.size() && drop[d] == i) {
      ++d;
      continue;
    }
    ++kept;
    ctrlNo(kept) = ctrlNo(i);
    ground(kept) = ground(i);
  }
  n = n - static_cast<std::int32_t>(drop.size());
}

void RotationDerivatives(double a, double b, double c, double scale, Matrix3& Da, Matrix3& Db,
                         Matrix3& Dc) {
  // d/da: a turns about the first axis, so the first column does not move.
  Da(1, 1) = 0;
  Da(1, 2) = scale * (-sin(a) * sin(c) + cos(a) * sin(b) * cos(c));
  Da(1, 3) = scale * (cos(a) * sin(c) + sin(a) * sin(b) * cos(c));
  Da(2, 1) = 0;
  Da(2, 2) = scale * (-sin(a) * cos(c) - cos(a) * sin(b) * sin(c));
  Da(2, 3) = scale * (cos(a) * cos(c) - sin(a) * sin(b) * sin(c));
  Da(3, 1) = 0;
  Da(3, 2) = scale * (-cos(a) * cos(b));
  Da(3, 3) = scale * (-sin(a) * cos(b));

  // d/db.
  Db(1, 1) = scale * (-sin(b) * cos(c));
  Db(1, 2) = scale * (sin(a) * cos(b) * cos(c));
  Db(1, 3) = scale * (-cos(a) * cos(b) * cos(c));
  Db(2, 1) = scale * (sin(b) * sin(c));
  Db(2, 2) = scale * (-sin(a) * cos(b) * sin(c));
  Db(2, 3) = scale * (cos(a) * cos(b) * sin(c));
  Db(3, 1) = scale * cos(b);
  Db(3, 2) = scale * (sin(a) * sin(b));
  Db(3, 3) = scale * (-cos(a) * sin(b));

  // d/dc: c turns about the last axis, so the third row does not move.
  Dc(1, 1) = scale * (-cos(b) * sin(c));
  Dc(1, 2) = scale * (cos(a) * cos(c) - sin(a) * sin(b) * sin(c));
  Dc(1, 3) = scale * (sin(a) * cos(c) + cos(a) * sin(b) * sin(c));
  Dc(2, 1) = scale * (-cos(b) * cos(c));
  Dc(2, 2) = scale * (-cos(a) * sin(c) - sin(a) * sin(b) * cos(c));
  Dc(2, 3) = scale * (-sin(a) * sin(c) + cos(a) * sin(b) * cos(c));
  Dc(3, 1) = 0;
  Dc(3, 2) = 0;
  Dc(3, 3) = 0;
}

Point3 ConformalPoint(const OneBased<double>& u, const Matrix3& R, const Point3& m) {
  Point3 g;
  for (int r = 1; r <= 3; ++r) g[r - 1] = u(r) + u(4) * RowTimes(R, r, m);
  return g;
}

namespace {

// The iterated adjustment of the seven unknowns; conventions in the header.
class SevenParameterAdjustment {
 public:
  SevenParameterAdjustment(const OneBased<Point3>& ground, const OneBased<Point3>& model,
                           const OneBased<std::array<double, 2>>& sigma, std::int32_t n,
                           std::int32_t redundancy)
      : ground_(ground), model_(model), sigma_(sigma), n_(n), f_(std::max(redundancy, 1)) {}

  void Run(AbsoluteSolution& s);

 private:
  void Form(AbsoluteSolution& s);
  void Observe(AbsoluteSolution& s, std::int32_t i, int r, double sd);

  static constexpr int kUnknowns = 7;
  const OneBased<Point3>& ground_;
  const OneBased<Point3>& model_;
  const OneBased<std::array<double, 2>>& sigma_;
  const std::int32_t n_;
  const double f_;  // degrees of freedom
  OneBased<double> N_ = OneBased<double>(PackedSize(kUnknowns));
  OneBased<double> U_ = OneBased<double>(kUnknowns);
  OneBased<double> row_ = OneBased<double>(kUnknowns + 1);
  Matrix3 Da_, Db_, Dc_;
  double plainSum_ = 0, weightedSum_ = 0;
};

void SevenParameterAdjustment::Run(AbsoluteSolution& s) {
  OneBased<double>& u = s.Unknowns;
  double previousSo = kStartSo;
  for (;;) {
    Form(s);
    int ErrCode = 0;
    CholeskySolve(N_, U_, kUnknowns, kSolve, ErrCode);
    if (ErrCode != 0) {
      s.outcome = Outcome::Singular(ErrCode);
      return;
    }
    ++s.Iterations;
    for (int k = 1; k <= kUnknowns; ++k) u(k) = u(k) + U_(k);
    const double largest = LargestCorrection(U_, kUnknowns);
    s.So = std::sqrt(weightedSum_ / f_);
    s.RMSE = std::sqrt(plainSum_ / f_);

    if (s.So > previousSo && s.Iterations > kSettlingIterations) {
      s.outcome = Outcome::GotWorse();
      return;
    }
    previousSo = s.So;
    if (!(largest > kSevenParameterConvergence)) {
      s.outcome = Outcome::Converged();
      return;
    }
    if (s.Iterations >= kSevenParameterIterations) {
      s.outcome = Outcome::LimitReached();
      return;
    }
  }
}

// The normal equations, misclosures and sums of squares at the unknowns.
void SevenParameterAdjustment::Form(AbsoluteSolution& s) {
  const OneBased<double>& u = s.Unknowns;
  N_.fill(0);
  U_.fill(0);
  plainSum_ = 0;
  weightedSum_ = 0;
  RotationMatrix(s.R, u(7), u(6), u(5));
  RotationDerivatives(u(7), u(6), u(5), u(4), Da_, Db_, Dc_);
  for (std::int32_t i = 1; i <= n_; ++i) {
    if (s.V(i).horizontal) {
      Observe(s, i, 1, sigma_(i)[0]);
      Observe(s, i, 2, sigma_(i)[0]);
    }
    if (s.V(i).vertical) Observe(s, i, 3, sigma_(i)[1]);
  }
}

// One observation of coordinate r (1 X, 2 Y, 3 Z) of control point i with
// standard error sd: the translation of that axis, the scale and the three
// angles.
void SevenParameterAdjustment::Observe(AbsoluteSolution& s, std::int32_t i, int r, double sd) {
  const OneBased<double>& u = s.Unknowns;
  const Point3& m = model_(i);
  row_.fill(0);
  row_(r) = 1.0 / sd;
  const double Rm = RowTimes(s.R, r, m);
  row_(4) = Rm / sd;
  row_(5) = RowTimes(Dc_, r, m) / sd;
  row_(6) = RowTimes(Db_, r, m) / sd;
  row_(7) = RowTimes(Da_, r, m) / sd;
  double w = ground_(i)[r - 1] - (u(r) + u(4) * Rm);
  s.V(i).v[r - 1] = w;
  if (sd != kExcludedSigma) plainSum_ = plainSum_ + w * w;
  w = w / sd;
  row_(8) = w;
  weightedSum_ = weightedSum_ + w * w;
  AddNormalRow(N_, U_, row_, kUnknowns);
}

}  // namespace

AbsoluteSolution AdjustSevenParameters(const OneBased<Point3>& ground,
                                       const OneBased<Point3>& model,
                                       const OneBased<std::array<double, 2>>& sigma, std::int32_t n,
                                       std::int32_t count, std::int32_t redundancy,
                                       const OneBased<double>& start) {
  AbsoluteSolution s;
  OneBased<double>& u = s.Unknowns;
  for (int k = 1; k <= 3; ++k) u(k) = start(k);
  u(4) = 1;
  u(5) = 0;
  u(6) = 0;
  u(7) = 0;
  s.V = OneBased<ControlResidual>(n);
  for (std::int32_t i = 1; i <= n; ++i) {
    const Point3& c = ground(i);
    s.V(i).horizontal = c[0] != 0 || c[1] != 0;
    s.V(i).vertical = c[2] != 0;
  }
  SevenParameterAdjustment(ground, model, sigma, n, redundancy).Run(s);
  if (s.outcome.ending == Ending::Singular) return s;
  s.Transformed = OneBased<Point3>(count);
  for (std::int32_t j = 1; j <= count; ++j) s.Transformed(j) = ConformalPoint(u, s.R, model(j));
  return s;
}

}  // namespace tessaro
