// tessaro-make-examples: writes the example input files of the five operations
// into the directory named by its only argument:
//
//   imagetrans.txt    six film photos measured on a comparator
//   digital.txt       eight digital images of a strip
//   resection.txt     one photograph over nine control points
//   intersection.txt  a stereo pair of known exterior orientation
//   relative.txt      a strip of four photographs in a free model system
//   absolute.txt      a model brought into the ground system
//
// Every number in those files comes from the synthetic geometry stated in the
// first half of this file: true stations, ground points and transformations,
// projected or transformed exactly and then rounded to the precision at which
// a student would measure (0.001 mm, 0.1 pixel, 0.001 model units). Run on
// these files, each operation therefore gives back the stated values up to
// the effect of that rounding. The help topics show the same data with
// comments; examples/ holds the output and a test checks it has not drifted.
// The writers are those of tessaro-exercise (src/instructor/input_files.h),
// which draws the geometry from a seed instead.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iostream>
#include <string>
#include <vector>

#include "instructor/input_files.h"

namespace {

using namespace tessaro;

// ===========================================================================
// Synthetic geometry
// ===========================================================================

// ---- Image transformation, film photos ------------------------------------
// A 230 mm frame camera with four corner fiducial marks; calibrated photo
// coordinates in millimetres, origin at the principal point.

const std::vector<Mark> kCalibratedFiducials = {
    {51, -106.004, -106.011},
    {52, 106.009, -105.994},
    {53, 105.996, 106.013},
    {54, -106.002, 105.997},
};

// Each photo lies on the comparator stage somewhat shifted and turned, and the
// film has shrunk a little and unevenly. Its map from measured (comparator)
// coordinates x, y to photo coordinates X, Y is written in the form that the
// image transformation fits:
//   X = A1 + A2 x + A3 y + A4 x y
//   Y = B1 + B2 x + B3 y + B4 x y
// A similarity has A2 = B3, A3 = -B2 and no xy terms; an affine map has no xy
// terms; a bilinear one has all eight. The marks are measured by inverting the
// map, so the fitted coefficients come back as stated here. Photo 14 is placed
// so that mark 51 reads 16.130, 14.644.
const std::vector<FilmPhoto> kFilmPhotos = {
    {14,
     2,
     {-122.16719514, 0.999870, 0.002410, 0.0},
     {-120.61971556, -0.002360, 1.000190, 0.0},
     {51, 53, 54, 52},
     {{141, -78.512, 64.207},
      {142, 12.374, 88.915},
      {143, 91.406, 71.532},
      {144, -43.268, -5.117},
      {145, 47.841, -12.660},
      {146, -88.395, -81.074},
      {147, 69.130, -90.458}}},
    {15,
     1,
     {-119.35240000, 0.999712, -0.004205, 0.0},
     {-123.08110000, 0.004205, 0.999712, 0.0},
     {53, 51, 52, 54},
     {{151, -61.233, 75.480},
      {152, 33.907, 52.112},
      {153, -20.415, -33.876},
      {154, 84.660, -70.219},
      {155, -95.108, -12.554}}},
    {16,
     3,
     {-121.43570000, 1.000215, 0.001874, 0.0000021},
     {-120.98830000, -0.001902, 0.999946, -0.0000017},
     {54, 53, 52, 51},
     {{161, -70.045, 93.318},
      {162, 5.612, 40.771},
      {163, 97.284, 15.406},
      {164, -38.760, -55.923},
      {165, 60.119, -84.367}}},
    {17,
     2,
     {-123.74410000, 1.000342, -0.006118, 0.0},
     {-118.26690000, 0.006087, 0.999875, 0.0},
     {52, 54, 51, 53},
     {{171, -84.172, 22.846},
      {172, -15.390, 97.623},
      {173, 42.557, 30.184},
      {174, 88.931, -47.705},
      {175, -52.668, -93.210},
      {176, 10.248, -20.139}}},
    {18,
     1,
     {-120.51070000, 1.000088, 0.002953, 0.0},
     {-121.77560000, -0.002953, 1.000088, 0.0},
     {51, 52, 53, 54},
     {{181, -33.510, 58.642},
      {182, 76.095, 81.377},
      {183, 25.763, -66.908},
      {184, -89.824, -40.316}}},
    {19,
     3,
     {-122.89330000, 0.999631, -0.003366, -0.0000014},
     {-119.64480000, 0.003401, 1.000407, 0.0000025},
     {52, 51, 54, 53},
     {{191, -91.567, 86.224},
      {192, -7.339, 55.480},
      {193, 64.815, 95.073},
      {194, 38.406, -29.871},
      {195, -60.922, -77.658}}},
};

// ---- Image transformation, digital images ---------------------------------
// A strip of eight vertical images of 4000 rows by 5000 columns, 0.1 m of
// ground per pixel, the columns along the flight line. Pixel positions are
// counted from the upper left corner: the column to the right, the row down
// (mode -1) or, for mode 0, the row up, so that row values are negative. A
// target is measured on every image whose frame holds it with a 100 pixel
// margin.

constexpr int kDigitalRows = 4000;
constexpr int kDigitalColumns = 5000;
constexpr double kGroundPerPixel = 0.1;

struct DigitalPhoto {
  int number;
  int mode;
  double x, y;  // ground position of the image centre, metres
};

const std::vector<DigitalPhoto> kDigitalPhotos = {
    {87, -1, 250.00, 200.00}, {88, -1, 451.20, 203.45},  {89, -1, 649.35, 198.20},
    {90, 0, 850.80, 196.75},  {91, -1, 1052.15, 201.90}, {92, -1, 1248.60, 204.30},
    {93, 0, 1450.45, 199.15}, {94, -1, 1651.30, 195.60},
};

const std::vector<GroundPoint> kDigitalTargets = {
    {301, 81.37, 312.48, 0},   {302, 168.92, 104.15, 0},  {303, 262.55, 308.61, 0},
    {304, 349.08, 97.33, 0},   {305, 443.71, 316.02, 0},  {306, 530.26, 108.87, 0},
    {307, 621.94, 304.45, 0},  {308, 712.63, 101.29, 0},  {309, 804.18, 313.76, 0},
    {310, 889.47, 95.58, 0},   {311, 982.35, 310.12, 0},  {312, 1073.86, 106.44, 0},
    {313, 1161.09, 307.93, 0}, {314, 1254.72, 99.81, 0},  {315, 1343.40, 315.27, 0},
    {316, 1436.95, 103.06, 0}, {317, 1527.68, 309.39, 0}, {318, 1615.13, 98.72, 0},
    {319, 1708.84, 311.65, 0}, {320, 1802.51, 105.20, 0},
};

// ---- Resection ---------------------------------------------------------------
// Nine control points on a 1000 m grid with some relief, photographed from
// about 3000 m with a 152 mm camera. The file gives the station only roughly
// (800, 1500, 2300, level), and the adjustment has to find the true one.

constexpr double kResectionFocalLength = 152.0;
const Station kResectionStation = {111, 1000.590, 2000.321, 3000.475, 1.25, -0.75, 2.5};

// Rounding the image coordinates to 0.001 mm moves the adjusted station by a
// centimetre or so; the heights below were picked, within half a metre of
// round values, among many trials so that the rounding errors happen to cancel
// and the adjustment lands within a millimetre of the true station and within
// 0.0001 degrees of its angles.
const std::vector<GroundPoint> kResectionControl = {
    {1, 0, 1000, 124.519}, {2, 1000, 1000, 210.423}, {3, 2000, 1000, 305.338},
    {4, 0, 2000, 98.923},  {5, 1000, 2000, 259.714}, {6, 2000, 2000, 412.975},
    {7, 0, 3000, 151.670}, {8, 1000, 3000, 338.299}, {9, 2000, 3000, 227.014},
};

// ---- Intersection ------------------------------------------------------------
// Photograph 111 of the resection and its right-hand neighbour 222 of the same
// flight line, about 60% forward overlap; nine new points in the overlap.

constexpr double kIntersectionFocalLength = 152.0;
const std::vector<Station> kIntersectionStations = {
    kResectionStation,
    {222, 2801.245, 1987.660, 3004.830, -0.6, 1.1, 1.85},
};

const std::vector<GroundPoint> kIntersectionPoints = {
    {101, 1352.180, 804.560, 187.240},  {102, 1905.740, 761.330, 243.910},
    {103, 2447.310, 826.950, 158.670},  {104, 1386.520, 2013.870, 301.450},
    {105, 1894.060, 1978.240, 352.780}, {106, 2468.930, 2041.120, 276.330},
    {107, 1331.470, 3207.650, 212.890}, {108, 1927.850, 3186.410, 169.520},
    {109, 2452.690, 3239.080, 318.060},
};

// ---- Relative orientation ------------------------------------------------------
// A strip of four photographs in the model system of the relative
// orientation: image units (mm), photograph 70 at the origin and level,
// photograph 71 at X = 0.37 x 230 = 85.1, the two base values the adjustment
// holds fixed. The terrain lies about one focal length below the stations, so
// neighbouring photographs overlap by about 63%. Points stand in columns
// across the strip; a point is measured on every photograph whose frame holds
// it within 110 mm of the principal point.

constexpr double kStripFrame = 230.0;
constexpr double kStripImageSigma = 0.005;
constexpr double kStripMeasuringLimit = 110.0;

const std::vector<StripPhoto> kStrip = {
    {{70, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0}, 153.57},
    {{71, 85.1, 1.85, -0.92, 0.45, -0.62, 1.10}, 153.57},
    {{72, 171.02, 3.10, 1.35, -0.30, 0.85, 0.40}, 152.57},
    {{73, 254.61, 2.05, 0.48, 0.72, -0.25, -0.85}, 152.57},
};

const std::vector<GroundPoint> kStripPoints = {
    {7011, 4.83, 86.27, -151.36},    {7012, 7.15, 1.94, -146.82},
    {7013, 3.26, -84.75, -155.09},   {7021, 44.68, 47.33, -149.71},
    {7031, 87.42, 84.09, -143.58},   {7032, 89.71, -2.66, -152.24},
    {7033, 86.05, -86.38, -148.97},  {7041, 129.37, -46.12, -157.43},
    {7051, 171.84, 85.61, -145.26},  {7052, 168.93, 3.48, -150.85},
    {7053, 172.26, -83.97, -153.62}, {7061, 212.55, 44.80, -147.39},
    {7071, 254.17, 87.12, -156.04},  {7072, 257.38, -1.25, -149.18},
    {7073, 255.09, -85.54, -144.67},
};

// ---- Absolute orientation --------------------------------------------------------
// Eight points of a model are to be brought into the ground system by
//   ground = (Dx, Dy, Dz) + Scale R model.
// The program reports the three angles as Omega, Phi and Kappa but turns the
// model first by Kappa about its x axis, then by Phi about y, then by Omega
// about z, that is R = M(omega = Kappa, phi = Phi, kappa = Omega) of the
// photogrammetric rotation above. The model coordinates are made with that
// same R, so the report gives back the values stated here.
const SevenParameters kAbsoluteTruth = {5105.420, 3612.780, 1835.160, 11.8765, 2.3, -1.4, 0.8};

// Ground coordinates of all eight points. The control file carries of 3701
// and 3702 all three coordinates, of 3705 only X and Y, of 3708 only Z; the
// other four are new points.
const std::vector<GroundPoint> kAbsolutePoints = {
    {3701, 4612.350, 3187.620, 112.480}, {3702, 5688.910, 3245.070, 187.350},
    {3703, 4795.140, 4021.660, 143.920}, {3704, 5153.470, 3598.230, 205.610},
    {3705, 5704.280, 4093.550, 98.730},  {3706, 5320.860, 3152.940, 167.040},
    {3707, 5497.630, 3841.180, 121.580}, {3708, 4688.290, 3954.810, 176.260},
};

const std::vector<AbsoluteControl> kAbsoluteControl = {
    {3701, true, true},
    {3702, true, true},
    {3705, true, false},
    {3708, false, true},
};

// The order in which the model points were measured.
const std::vector<int> kAbsoluteMeasuredOrder = {3703, 3701, 3704, 3702, 3706, 3705, 3707, 3708};

// ===========================================================================
// Writing
// ===========================================================================

using Lines = TextLines;

Lines DigitalFile() {
  Lines out = {"\"Eight digital images of a strip, 4000 rows by 5000 columns\"",
               " " + Int(static_cast<int>(kDigitalPhotos.size())) + ", 0",
               " " + Int(kDigitalRows) + ", " + Int(kDigitalColumns)};
  const double halfWidth = kDigitalColumns / 2.0 - 100.0, halfHeight = kDigitalRows / 2.0 - 100.0;
  for (const DigitalPhoto& photo : kDigitalPhotos) {
    out.push_back(" " + Int(photo.number) + ", " + Int(photo.mode));
    for (const GroundPoint& target : kDigitalTargets) {
      // Pixel coordinates from the image centre, x along the columns, y up.
      const double x = (target.x - photo.x) / kGroundPerPixel;
      const double y = (target.y - photo.y) / kGroundPerPixel;
      if (std::fabs(x) > halfWidth || std::fabs(y) > halfHeight) continue;
      const double column = x + kDigitalColumns / 2.0;
      const double row = photo.mode == -1 ? kDigitalRows / 2.0 - y : y - kDigitalRows / 2.0;
      out.push_back(" " + Int(target.number) + ", " + Fixed(column, 1, 6) + ", " +
                    Fixed(row, 1, 6));
    }
    out.push_back(" 0,0,0");
  }
  return out;
}

bool Write(const std::filesystem::path& path, const Lines& lines) {
  std::ofstream file(path, std::ios::binary);
  for (const std::string& line : lines) file << line << '\n';
  file.close();
  if (!file) std::cerr << "cannot write " << path.string() << '\n';
  return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: tessaro-make-examples <directory>\n";
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  const FilmSet film = {"\"Six film photos, 230 mm frame camera with four fiducial marks\"",
                        kCalibratedFiducials, kFilmPhotos};
  const ResectionSet resection = {
      "\"Test on resection using 9-point simulated data\"",
      kResectionFocalLength,
      0.003,
      kResectionStation,
      {kResectionStation.number, 800, 1500, 2300, 0, 0, 0},  // a rough start
      1000,
      1000,
      2000,
      kResectionControl};
  const IntersectionSet intersection = {
      "\" Test on intersection using 9-point simulated data 2-stations\"", kIntersectionFocalLength,
      110.0, kIntersectionStations, kIntersectionPoints};
  const StripSet strip = {"\"Strip of photos 70 to 73, simulated model data\"",
                          kStripFrame,
                          kStripImageSigma,
                          kStripMeasuringLimit,
                          kStrip,
                          kStripPoints};
  const AbsoluteSet absolute = {"Test-2",        "0.027",          kAbsoluteTruth,
                                kAbsolutePoints, kAbsoluteControl, kAbsoluteMeasuredOrder};
  Lines relative;
  std::string why;
  if (!RelativeFile(strip, Noise(), relative, why)) {
    std::cerr << why << "\n";
    return 1;
  }
  const bool ok = Write(dir / "imagetrans.txt", ImageTransformationFile(film, Noise())) &&
                  Write(dir / "digital.txt", DigitalFile()) &&
                  Write(dir / "resection.txt", ResectionFile(resection, Noise())) &&
                  Write(dir / "intersection.txt", IntersectionFile(intersection, Noise())) &&
                  Write(dir / "relative.txt", relative) &&
                  Write(dir / "absolute.txt", AbsoluteFile(absolute, Noise()));
  return ok ? 0 : 1;
}
