// The arithmetic of the relative orientation of a strip, without a console:
// numbering the ground points, the approximations, the collinearity
// coefficients of one image point, the three block accumulators of the normal
// equations, one iteration's normal equations and their solution, the
// corrections and the final statistics, and the adjustment as a whole, one
// iteration at a time, with its result as one value. The procedure in
// relative_orientation.cpp reads, steps the adjustment, prints and asks.
//
// Conventions of this file:
// - Photographs p = 1..PhotoCount in file (strip) order; k is the place of a
//   point on its photograph; n the running number of an image point over the
//   whole file; i the ground point index, in order of first appearance.
// - The model system: photograph 1 at the origin with zero angles, the strip
//   along +X (along -X after a change of flight direction), Z up, the ground
//   about one focal length below the stations. Units are those of the image
//   coordinates; angles are in radians.
// - Unknowns, numbered from 1: X, Y, Z of ground point i at 3(i-1)+1..3, then
//   with G = GroundPointCount the station unknowns u = 1..StationUnknownCount
//   at 3G+u: Y, Z, omega, phi, kappa of photograph 2 (its X and all of
//   photograph 1 are held and fix the model's datum and scale), then X..kappa
//   of each photograph p >= 3 at u = 6(p-2)+0..5. Station unknown u lives in
//   slot u+6 of StationTable.
// - Normal matrices are packed (numeric/packed.h) or arrowheads
//   (numeric/arrowhead.h), element for element the same. Every sum runs one double
//   operation at a time in the order written; the build forbids contraction,
//   so results agree bit for bit everywhere.
#pragma once

#include <array>
#include <cassert>
#include <concepts>
#include <cstdint>
#include <vector>

#include "numeric/arrowhead.h"
#include "numeric/collinearity.h"
#include "numeric/corrections.h"
#include "numeric/one_based.h"
#include "numeric/outcome.h"

namespace tessaro {

// A table of reals with rows 0..n and a fixed number of columns 0..Columns-1,
// read as T(row, column) like a two-dimensional array with a zero lower bound.
template <int Columns>
class RealTable {
 public:
  RealTable() = default;
  explicit RealTable(std::integral auto lastRow) : rows_(lastRow) {}
  double& operator()(std::integral auto row, int column) { return rows_(row)[Col(column)]; }
  double operator()(std::integral auto row, int column) const { return rows_(row)[Col(column)]; }

 private:
  static std::size_t Col(int column) {
    assert(column >= 0 && column < Columns);
    return static_cast<std::size_t>(column);
  }
  OneBased<std::array<double, Columns>> rows_;
};

// Rows 1..n of different lengths, each numbered from 1: T(row, k).
template <class T>
class RaggedTable {
 public:
  void SetRows(std::integral auto rows) { rows_ = OneBased<OneBased<T>>(rows); }
  void SetRowLength(std::integral auto row, std::integral auto length) {
    rows_(row) = OneBased<T>(length);
  }
  T& operator()(std::integral auto row, std::integral auto k) { return rows_(row)(k); }
  const T& operator()(std::integral auto row, std::integral auto k) const { return rows_(row)(k); }

 private:
  OneBased<OneBased<T>> rows_;
};

// The working data of one run: the file's contents and the ground point
// numbering made from them.
struct Strip {
  std::int16_t PhotoCount = 0;
  double FrameSize = 0;   // frame dimension in the flight direction
  double ImageSigma = 0;  // standard error of one image coordinate
  OneBased<std::int32_t> PhotoNumber;
  OneBased<double> FocalLength;
  OneBased<std::int32_t> PointCount;  // image points of photograph p
  OneBased<std::int32_t> PointEnd;    // running total; PointEnd(0) = 0
  std::int32_t ImagePointCount = 0;
  RaggedTable<std::int32_t> ImagePointNumber;  // (p, k)
  RaggedTable<double> ImageX, ImageY;          // (p, k), reduced to the principal point
  OneBased<std::int32_t> PointNumberList;      // point number of image point n

  // Made by NumberGroundPoints.
  OneBased<std::int32_t> RayPoint;  // ground point index of image point n
  std::int32_t GroundPointCount = 0;
  OneBased<std::int32_t> GroundPointNumber;
  OneBased<std::int32_t> RayCount;         // image points that carry ground point i
  OneBased<std::int32_t> SinglePointList;  // numbers seen once, in numbering order
  std::int32_t SinglePointCount = 0;
};

// Six parameters per photograph less the seven that fix the model.
inline std::int32_t StationUnknownCount(std::int32_t PhotoCount) { return 6 * PhotoCount - 7; }
inline std::int32_t UnknownCount(const Strip& s) {
  return 3 * s.GroundPointCount + StationUnknownCount(s.PhotoCount);
}

// Standard deviation of the pseudo-observations of ground point coordinates:
// half the frame, loose enough to leave the points to the rays.
inline double PointSigma(const Strip& s) { return 0.5 * s.FrameSize; }

// Numbers the ground points from PointNumberList(1..ImagePointCount) in
// order of first appearance: RayPoint, GroundPointNumber, GroundPointCount,
// RayCount and the single points. Rays are counted over image points, so a
// number measured twice on one photograph counts twice.
void NumberGroundPoints(Strip& s);

// Standard deviations of the station pseudo-observations, positions
// 0..StationUnknownCount (0 stands for the held X of photograph 2): FrameSize
// * 0.5 for every coordinate, Pi * 0.5 for every angle.
OneBased<double> StationSigmas(double FrameSize, double Pi, std::int32_t StationUnknownCount);

// Current (column 1) and starting (column 2) station parameters, slot
// 6(p-1)+q with q = 0..5 for X, Y, Z, omega, phi, kappa; current X, Y, Z of
// ground point i in columns 1..3 and its starting values in columns 4..6.
struct StripModel {
  RealTable<3> StationTable;
  RealTable<7> GroundPoint;
  // Parameter q of photograph p, current value.
  double Station(std::int32_t p, int q) const { return StationTable(6 * (p - 1) + q, 1); }
};

// The starting values for a strip of about 60 per cent overlap: stations
// BaseStep = 0.37 * FrameSize apart (added step by step), level and at Z = 0;
// each ground point where its first image point lies, in the plane
// Z = -FocalLength of that photograph shifted by (L-1) * BaseStep. Direction
// -1 lays the strip out along -X (photographs numbered against the flight),
// 0 along +X.
StripModel Approximations(const Strip& s, int Direction);

// R(0) the absolute term (computed - observed) / ImageSigma; R(1..3) the
// coefficients of the ground point's X, Y, Z; R(4..9) those of the station's
// X, Y, Z, omega, phi, kappa (R(4..8) = Y..kappa for photograph 2).
using ObservationRow = std::array<double, 10>;

// The linearised collinearity equations of one image point, x and y:
//   U, V, W = M(omega, phi, kappa) * (ground - station),
//   x = -f U / W,  y = -f V / W,
// with every coefficient minus the derivative of the computed coordinate,
// and every entry divided by ImageSigma (weight 1/ImageSigma^2).
// R is the photograph's rotation, formed once per photograph and iteration.
struct ImagePointRows {
  ObservationRow x{}, y{};
};
ImagePointRows CollinearityRows(const PhotoRotation& R, const Point3& centre, const Point3& ground,
                                double f, double xObserved, double yObserved, double ImageSigma);

// The accumulators add R^T R and R^T R(0) of one observation row to the
// normal matrix A and right-hand side B, only where that row has non-zero
// coefficients: its ground point I (1-based), its station, and the block
// between them. The ground point index is an argument rather than a
// module-wide loop counter; it only says where the sums go. A is packed (numeric/packed.h) or the
// arrowhead of StripNormals; either gets the same additions in the same order.
//   AddPointBlock          rows 3(I-1)+1..3, coefficients R(1..3)
//   AddSecondStationBlock  rows 3G+1..5 of photograph 2, coefficients R(4..8)
//   AddStationBlock        rows 3G+5+6(p-3)+1..6 of photograph p >= 3, R(4..9)
template <class Normal>
void AddPointBlock(const ObservationRow& R, OneBased<double>& B, Normal& A, std::int32_t I);
template <class Normal>
void AddSecondStationBlock(const ObservationRow& R, OneBased<double>& B, Normal& A, std::int32_t G,
                           std::int32_t I);
template <class Normal>
void AddStationBlock(const ObservationRow& R, OneBased<double>& B, Normal& A, std::int32_t G,
                     std::int32_t p, std::int32_t I);

// The normal matrix in the arrowhead structure (numeric/arrowhead.h): the
// ground points' blocks, then one border group per photograph from the
// second (photograph 1 is held), seeing the points measured on it. Memory
// grows with the points instead of with the square of the unknowns.
ArrowheadNormals StripNormals(const Strip& s);

// Sums of one linearisation over the image observations only.
struct IterationSums {
  double SumSquares = 0;   // of the unweighted residuals
  double WeightedSum = 0;  // of the weighted ones
};

// Builds the normal equations of one iteration, in order: the ground point
// pseudo-observations (targets: the starting values, standard deviation
// PointSigma) set NormalVector; NormalMatrix is cleared with 1/PointSigma^2
// on its diagonal; the station pseudo-observations then set their part of
// NormalVector and replace their diagonal elements; then every image point,
// photograph by photograph, is accumulated. Residual(2p-1, k) and
// Residual(2p, k) get the x and y residuals (computed - observed) of point k
// of photograph p. The arrays must have UnknownCount and its packed size.
template <class Normal>
IterationSums BuildNormalEquations(const Strip& s, const StripModel& m,
                                   const OneBased<double>& StationSigma, double PointSigma,
                                   Normal& NormalMatrix, OneBased<double>& NormalVector,
                                   RaggedTable<double>& Residual);

// Adds the corrections (times 1.0) to the current ground points and stations.
void ApplyCorrections(const Strip& s, const OneBased<double>& NormalVector, StripModel& m);

// Rms = sqrt(SumSquares / (2 ImagePointCount)); So the standard error of unit
// weight. Without redundancy (2 ImagePointCount <= UnknownCount) So cannot be
// estimated: it is then the a-priori value 1, so that the standard
// deviations show the precision the pseudo-observations allow.
struct StripStatistics {
  double Rms = 0;
  double So = 0;
  std::int32_t Redundancy = 0;  // 2 ImagePointCount - UnknownCount
  bool Redundant() const { return Redundancy > 0; }
};
StripStatistics FinalStatistics(const Strip& s, const IterationSums& sums);

// So * sqrt(q(r)), q the diagonal of the inverted normal matrix.
double StandardDeviation(double So, const OneBased<double>& InverseDiagonal, std::int64_t r);

// The place k of the point of photograph p with the largest absolute x or y
// residual (the first one on a tie), when that residual exceeds limit; else 0.
std::int32_t WorstPoint(const Strip& s, const RaggedTable<double>& Residual, std::int32_t p,
                        double limit);

// The iterations stop after the tenth, or once no correction exceeds the
// convergence limit (model units, radians); a correction beyond the
// divergence limit is not applied. A photograph's largest residual is
// flagged beyond three standard errors of an image coordinate.
inline constexpr std::int32_t kLastIteration = 10;
inline constexpr double kConvergenceLimit = 0.001;
inline constexpr double kDivergenceLimit = 10000;
inline constexpr double kFlagFactor = 3;

// One iteration's normal equations and their solution. They are held in the
// arrowhead structure; the dense packed matrix, with the same bits, is built
// only for what the arrowhead does not cover (values that overflow), and
// only when it fits in a quarter of the memory (shell/memory_bound.h):
// otherwise that iteration counts as not solvable, as it would almost surely
// be. Implemented in strip_solver.cpp.
class StripSolver {
 public:
  StripSolver(const Strip& s, ArrowheadNormals& normals, const OneBased<double>& StationSigma);

  // Builds the normal equations of model m (with the residuals and sums of
  // its linearisation) and solves them: the corrections in NormalVector; the
  // error code of CholeskySolve.
  int Solve(const StripModel& m, OneBased<double>& NormalVector, RaggedTable<double>& Residual,
            IterationSums& sums);
  // The diagonal of the inverse of the last solved matrix, whose model m is
  // not yet corrected; the dense path solves m again for it.
  int InverseDiagonal(const StripModel& m, OneBased<double>& NormalVector,
                      RaggedTable<double>& Residual, IterationSums& sums, OneBased<double>& d);

 private:
  int SolveDense(const StripModel& m, OneBased<double>& NormalVector, RaggedTable<double>& Residual,
                 IterationSums& sums);

  const Strip& s_;
  ArrowheadNormals& normals_;
  const OneBased<double>& sigma_;
  std::int32_t n_;
  bool dense_ = false;
  OneBased<double> diagonal_;
};

// X, Y, Z, omega, phi, kappa of one photograph (radians).
using StationParameters = std::array<double, 6>;

// What one iteration did.
struct StripIteration {
  std::int32_t Iteration = 0;  // from 1
  // Of its linearisation, before its corrections: the sum of the squared
  // unweighted residuals and Rms = sqrt(SumSquares / (2 ImagePointCount)).
  double SumSquares = 0;
  double Rms = 0;
  double MaxCorrection = 0;  // the largest |correction|; 0 when not solved
  // Unknowns 1..UnknownCount as numbered above: applied, unless the
  // adjustment diverged on them; empty when the matrix was singular.
  OneBased<double> Corrections;
  OneBased<StationParameters> Stations;  // photographs 1..PhotoCount after it
};

// The adjustment as the report and the window print it and as a picture of
// the strip would draw it.
struct StripResult {
  // Converged or LimitReached: everything below is complete. Diverged or
  // Singular(code): the last iteration's corrections were not applied and
  // only Iterations and GroundPoints tell where the adjustment stood.
  Outcome outcome;
  std::int16_t Direction = 0;  // 0 along +X; -1 laid out along -X
  std::vector<StripIteration> Iterations;
  OneBased<Point3> GroundPoints;  // i = 1..G, after the last applied corrections
  // Of the last linearisation, computed - observed, unweighted: (2p-1, k) x
  // and (2p, k) y of point k of photograph p.
  RaggedTable<double> Residual;
  // Per photograph the place k of the point flagged "*Error*": the largest
  // absolute residual of the photograph when that exceeds kFlagFactor *
  // ImageSigma; 0 for none.
  OneBased<std::int32_t> Flagged;
  StripStatistics Statistics;
  // q(r), the diagonal of the inverse of the last iteration's normal matrix.
  OneBased<double> InverseDiagonal;

  std::int32_t IterationCount() const {
    return Iterations.empty() ? 0 : Iterations.back().Iteration;
  }
  // The stations after the last applied corrections (once a Step has run).
  const OneBased<StationParameters>& Stations() const { return Iterations.back().Stations; }
  // Standard deviation of coordinate c = 1..3 of ground point i.
  double PointSd(std::int32_t i, int c) const;
  // Standard deviation of parameter q = 0..5 of photograph p >= 2, angles in
  // radians; 0 for the held X of photograph 2.
  double StationSd(std::int32_t p, int q) const;
};

// The bundle adjustment of a strip from its approximations, one iteration a
// Step, so that the procedure can print and ask between iterations. Each
// step builds and solves the normal equations of the current model, records
// the iteration, and applies its corrections unless the matrix is singular
// or a correction exceeds kDivergenceLimit; the last iteration (convergence
// or kLastIteration) also forms the precisions, the statistics and the
// flags. s, normals (StripNormals(s)) and StationSigma (StationSigmas) must
// outlive the adjustment.
class StripAdjustment {
 public:
  StripAdjustment(const Strip& s, ArrowheadNormals& normals, const OneBased<double>& StationSigma,
                  std::int16_t Direction);
  // One iteration. True while another is due; false once the adjustment has
  // ended, Result().outcome telling how.
  bool Step();
  const StripResult& Result() const { return result_; }

 private:
  bool Stop(Outcome outcome);
  OneBased<StationParameters> CurrentStations() const;

  const Strip& s_;
  std::int32_t n_;
  StripModel m_;
  StripSolver solver_;
  OneBased<double> NormalVector_;
  IterationSums sums_;
  StripResult result_;
};

}  // namespace tessaro
