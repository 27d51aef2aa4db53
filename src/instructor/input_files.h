// The input files of the five operations, written from a stated geometry.
//
// Each writer takes the true geometry (stations, ground points,
// transformations), makes the observations a perfect instrument would give,
// adds the student's measuring error when asked (Noise), and rounds them to
// the precision at which a student measures: 0.001 mm on film, 0.1 pixel,
// 0.001 model units. Run on such a file, an operation gives back the stated
// geometry up to the effect of that rounding (and of the noise).
//
// tessaro-make-examples writes examples/ with them from fixed geometry,
// tessaro-exercise from geometry drawn from a seed.
#pragma once

#include <string>
#include <vector>

#include "instructor/random.h"

namespace tessaro {

using TextLines = std::vector<std::string>;

struct Mark {
  int number;
  double x, y;
};

struct GroundPoint {
  int number;
  double x, y, z;
};

// A projection centre and its attitude, angles in decimal degrees.
struct Station {
  int number;
  double x, y, z;
  double omega, phi, kappa;
};

struct ImagePoint {
  double x, y;
};

// Image coordinates of p on a photograph taken from s with principal distance
// f: x = -f r/q, y = -f s/q with (r, s, q) = M (P - C),
// M = R(kappa) R(phi) R(omega), the convention of every operation.
ImagePoint Project(const Station& s, double f, const GroundPoint& p);

// ---- Image transformation -------------------------------------------------
// A film photo lies on the comparator shifted, turned and unevenly shrunk.
// Its map from measured (comparator) coordinates x, y to photo coordinates is
//   X = A1 + A2 x + A3 y + A4 x y,   Y = B1 + B2 x + B3 y + B4 x y,
// the form the image transformation fits; the marks and points are measured
// by inverting it, so the fit gives back these coefficients.
struct FilmPhoto {
  int number;
  int mode;                    // 1 similarity, 2 affine, 3 bilinear
  double a[4], b[4];           // A1..A4, B1..B4
  std::vector<int> markOrder;  // the order in which the marks were measured
  std::vector<Mark> points;    // image points, in photo coordinates
};

struct FilmSet {
  std::string title;  // the first line, quotes included
  std::vector<Mark> fiducials;
  std::vector<FilmPhoto> photos;
};

// The comparator reading of a point given in photo coordinates.
ImagePoint Measure(const FilmPhoto& photo, const Mark& photoPoint);

TextLines ImageTransformationFile(const FilmSet& set, Noise noise);

// ---- Space resection ------------------------------------------------------
struct ResectionSet {
  std::string title;
  double focalLength, imageSigma;
  Station truth;  // what the adjustment should find
  Station start;  // the rough station written in the file
  double sigmaXY, sigmaZ, sigmaAngle;
  std::vector<GroundPoint> control;
};

TextLines ResectionFile(const ResectionSet& set, Noise noise);

// ---- Space intersection -----------------------------------------------------
// A point is measured on every photograph whose frame holds it within
// measuringLimit of the principal point.
struct IntersectionSet {
  std::string title;
  double focalLength;
  double measuringLimit;
  std::vector<Station> stations;
  std::vector<GroundPoint> points;
};

TextLines IntersectionFile(const IntersectionSet& set, Noise noise);

// ---- Relative orientation -----------------------------------------------------
// Stations and points in the model system of the relative orientation.
struct StripPhoto {
  Station station;
  double focalLength;
};

struct StripSet {
  std::string title;
  double frame, imageSigma, measuringLimit;
  std::vector<StripPhoto> photos;
  std::vector<GroundPoint> points;
};

// Fails with a message in `why` when the strip does not have the shape the
// relative orientation needs: every point on two photographs at least, 7 to
// 11 points on each photograph.
bool RelativeFile(const StripSet& set, Noise noise, TextLines& out, std::string& why);

// ---- Absolute orientation -------------------------------------------------------
// ground = (Dx, Dy, Dz) + Scale R model. The program reports the three angles
// as Omega, Phi and Kappa but turns the model first by Kappa about its x axis,
// then by Phi about y, then by Omega about z, that is
// R = M(omega = Kappa, phi = Phi, kappa = Omega) of the rotation above.
struct SevenParameters {
  double dx, dy, dz, scale;
  double omega, phi, kappa;  // degrees, as reported
};

struct AbsoluteControl {
  int number;
  bool horizontal, vertical;
};

struct AbsoluteSet {
  std::string title;
  std::string controlSigma;  // as written in the file
  SevenParameters truth;
  std::vector<GroundPoint> points;  // ground coordinates of every model point
  std::vector<AbsoluteControl> control;
  std::vector<int> measuredOrder;
};

TextLines AbsoluteFile(const AbsoluteSet& set, Noise noise);

// ---- Text ---------------------------------------------------------------------
// Fixed-point text rounded to the given decimals, right-aligned in width,
// without the minus sign of a value that rounds to zero.
std::string Fixed(double value, int decimals, int width = 0);
// Shortest text of a value given to at most maxDecimals decimals.
std::string Plain(double value, int maxDecimals);
std::string Int(int value, int width = 0);

}  // namespace tessaro
