// The arithmetic of the image transformation, without a console: matching
// the measured fiducials to the calibrated ones, fitting a plane model to
// them by least squares, and moving digital pixel positions to the image
// centre. The procedure in image_transformation.cpp reads, calls these,
// prints and asks.
//
// Conventions: arrays are OneBased, fiducials numbered 1..n in calibrated
// order; the models are written in the common bilinear form of PlaneTransform.
#pragma once

#include <cstdint>

#include "numeric/one_based.h"

namespace tessaro {

// The calibrated fiducial marks of a camera, in file order.
struct CalibratedFiducials {
  OneBased<std::int32_t> No;
  OneBased<double> X;
  OneBased<double> Y;
};

// X = A1 + A2*x + A3*y + A4*x*y,  Y = B1 + B2*x + B3*y + B4*x*y. The terms
// are added in the order A2*x + A1 + A3*y + A4*x*y, the one order used for
// residuals and transformed points alike, so that reports agree to the last
// digit.
struct PlaneTransform {
  double A1 = 0, A2 = 0, A3 = 0, A4 = 0;
  double B1 = 0, B2 = 0, B3 = 0, B4 = 0;
  double X(double x, double y) const { return A2 * x + A1 + A3 * y + A4 * x * y; }
  double Y(double x, double y) const { return B2 * x + B1 + B3 * y + B4 * x * y; }
};

// The plane models of film photos.
inline constexpr int kSimilarity = 1;
inline constexpr int kAffine = 2;
inline constexpr int kBilinear = 3;

// A fitted model and how well it meets the fiducials.
struct FiducialFit {
  int ErrCode = 0;  // the solver's; when not 0 nothing below is set
  PlaneTransform t;
  OneBased<double> Vx, Vy;  // model minus calibrated, at fiducials 1..n
  double Sx = 0, Sy = 0;    // sqrt(sum V^2 / (n - 1)) for every model
  double RMS = 0;           // sqrt((sum Vx^2 + sum Vy^2) / (2n))
};

// Brings the measured fiducials to the front, in calibrated order: for each
// calibrated fiducial i = 1..n and each record j = 1..count whose number is
// the fiducial's, records j and i exchange places (the scan goes on after a
// match). A fiducial that was not measured leaves the record standing at its
// place to be taken for it. The arrays must have max(n, count) positions.
void MatchFiducials(const OneBased<std::int32_t>& calibratedNo, int n, OneBased<std::int32_t>& no,
                    OneBased<double>& x, OneBased<double>& y, std::int32_t count);

// Fits model (kSimilarity, kAffine or kBilinear) to the measured fiducials
// x, y(1..n) against the calibrated X, Y(1..n), every observation of weight
// 1, solved with CholeskySolve; then the residuals and the standard errors.
FiducialFit FitFiducials(int model, int n, const OneBased<double>& x, const OneBased<double>& y,
                         const OneBased<double>& X, const OneBased<double>& Y);

// A digital image's pixel position (x along the columns, y along the rows,
// origin in the image corner) moved to the image centre; mode -1 also turns
// the downward y axis up, mode 0 keeps it.
void CentreDigital(int mode, double rows, double columns, double& x, double& y);

}  // namespace tessaro
