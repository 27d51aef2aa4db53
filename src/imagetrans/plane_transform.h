// The arithmetic of the image transformation, without a console: matching
// the measured fiducials to the calibrated ones, fitting a plane model to
// them by least squares, moving digital pixel positions to the image centre,
// and one photo's transformation as a value. The procedure in
// image_transformation.cpp reads, calls these, prints and asks.
//
// Conventions: fiducials are numbered 1..n in calibrated order (the
// residuals' places); the models are written in the common bilinear form of
// PlaneTransform.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "numeric/one_based.h"
#include "numeric/outcome.h"

namespace tessaro {

// A record of an image transformation file: a point number and x, y.
struct ImageRecord {
  std::int32_t No = 0;
  double x = 0, y = 0;
  bool operator==(const ImageRecord&) const = default;
};

// What the run reads before its photos: the calibrated fiducial marks of
// the camera in file order, or, for digital images, their size in pixels.
struct Calibration {
  std::vector<ImageRecord> Fiducials;
  double Rows = 0, Columns = 0;
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
  // Solved, or Singular(the solver's code): then nothing below is set.
  Outcome outcome;
  PlaneTransform t;
  OneBased<double> Vx, Vy;  // model minus calibrated, at fiducials 1..n
  double Sx = 0, Sy = 0;    // sqrt(sum V^2 / (n - 1)) for every model
  double RMS = 0;           // sqrt((sum Vx^2 + sum Vy^2) / (2n))
};

// Brings the measured fiducials to the front, in calibrated order, as this
// exchange does: for each calibrated fiducial i = 1..n and each record
// j = 1..count whose number is the fiducial's, records j and i exchange
// places, and the scan goes on after a match (so of a mark measured twice
// the later record wins). A fiducial that was not measured leaves the record
// standing at its place to be taken for it. The arrays must have
// max(n, count) positions. Only the places of the marks' numbers are
// visited, through a map built once: linear in the records.
void MatchFiducials(std::span<const ImageRecord> calibrated, OneBased<std::int32_t>& no,
                    OneBased<double>& x, OneBased<double>& y, std::int32_t count);

// Fits model (kSimilarity, kAffine or kBilinear) to the measured fiducials
// against the calibrated ones (the same count n), every observation of
// weight 1, solved with CholeskySolve; then the residuals and the standard
// errors.
FiducialFit FitFiducials(int model, std::span<const ImageRecord> measured,
                         std::span<const ImageRecord> calibrated);

// A digital image's pixel position (x along the columns, y along the rows,
// origin in the image corner) moved to the image centre; mode -1 also turns
// the downward y axis up, mode 0 keeps it.
void CentreDigital(int mode, double rows, double columns, double& x, double& y);

// One photo as read, for TransformPhoto.
struct PhotoInput {
  std::int32_t PhotoNo = 0;
  std::int16_t Mode = 0;
  int Place = 0;                      // of the photo in the file, from 1
  std::vector<ImageRecord> Measured;  // film: the records matched to the calibrated marks
  std::vector<ImageRecord> Points;    // the image points as read
};

// What the report and the window show of one photo, and how it ended.
struct PhotoTransformation {
  std::int32_t PhotoNo = 0;
  std::int16_t Mode = 0;                // -1, 0 digital; 1..3 the film models; others name none
  std::vector<ImageRecord> Calibrated;  // film: the calibrated marks
  std::vector<ImageRecord> Measured;    // film: the records taken for them, calibrated order
  FiducialFit Fit;                      // film photos
  // The image points in photo coordinates; a film photo's only once its
  // fit is accepted (the procedure clears them when it is not).
  std::vector<ImageRecord> Points;
  // Solved: centred or fitted; Singular(code): the fit's normal matrix is
  // not positive definite; Refused(place): the mode names no
  // transformation.
  Outcome outcome;
  // Digital photos always; film photos when the user accepts the fit.
  bool Accepted = false;
};

// Centres a digital photo, or fits a film photo's model and transforms its
// image points with it; a mode that names no transformation is refused.
PhotoTransformation TransformPhoto(PhotoInput photo, const Calibration& calibration);

}  // namespace tessaro
