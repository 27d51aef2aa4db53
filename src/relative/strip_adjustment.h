// The arithmetic of the relative orientation of a strip, without a console:
// numbering the ground points, the approximations, the collinearity
// coefficients of one image point, the three block accumulators of the normal
// equations, one iteration's normal equations, the corrections and the final
// statistics. The procedure in relative_orientation.cpp reads, calls these,
// prints and asks.
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

#include "numeric/arrowhead.h"
#include "numeric/one_based.h"

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
struct ImagePointRows {
  ObservationRow x{}, y{};
};
ImagePointRows CollinearityRows(const std::array<double, 3>& ground,
                                const std::array<double, 6>& station, double f, double xObserved,
                                double yObserved, double ImageSigma);

// The accumulators add R^T R and R^T R(0) of one observation row to the
// normal matrix A and right-hand side B, only where that row has non-zero
// coefficients: its ground point I (1-based), its station, and the block
// between them. The ground point index is an argument: the original
// procedures read it from a module-wide loop counter, which adds nothing to
// the sums. A is packed (numeric/packed.h) or the arrowhead of StripNormals;
// either gets the same additions in the same order.
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

// The largest absolute value of v(1..n); 0 for n < 1.
double LargestCorrection(const OneBased<double>& v, std::int32_t n);

// Whether v(1..n) are all finite numbers.
bool AllFinite(const OneBased<double>& v, std::int32_t n);

// Adds the corrections (times 1.0) to the current ground points and stations.
void ApplyCorrections(const Strip& s, const OneBased<double>& NormalVector, StripModel& m);

// Rms = sqrt(SumSquares / (2 ImagePointCount)); So the standard error of unit
// weight. Without redundancy (2 ImagePointCount <= UnknownCount) So cannot be
// estimated: it is then the a-priori value 1, so that the standard
// deviations show the precision the pseudo-observations allow.
struct StripStatistics {
  double Rms = 0;
  double So = 0;
  bool Redundant = true;
};
StripStatistics FinalStatistics(const Strip& s, const IterationSums& sums);

// So * sqrt(q(r)), q the diagonal of the inverted normal matrix.
double StandardDeviation(double So, const OneBased<double>& InverseDiagonal, std::int32_t r);

// The place k of the point of photograph p with the largest absolute x or y
// residual (the first one on a tie), when that residual exceeds limit; else 0.
std::int32_t WorstPoint(const Strip& s, const RaggedTable<double>& Residual, std::int32_t p,
                        double limit);

}  // namespace tessaro
