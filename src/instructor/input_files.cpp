#include "instructor/input_files.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tessaro {

namespace {

constexpr double kPi = 3.14159265358979323846;

double Radians(double degrees) { return degrees * kPi / 180.0; }

struct Rotation {
  double m[3][3];
};

Rotation RotationOf(double omega, double phi, double kappa) {  // radians
  const double so = std::sin(omega), co = std::cos(omega);
  const double sp = std::sin(phi), cp = std::cos(phi);
  const double sk = std::sin(kappa), ck = std::cos(kappa);
  return Rotation{{{cp * ck, co * sk + sp * so * ck, so * sk - sp * co * ck},
                   {-cp * sk, co * ck - sp * so * sk, so * ck + sp * co * sk},
                   {sp, -so * cp, co * cp}}};
}

std::string MeasuredLine(int number, ImagePoint p) {
  return " " + Int(number) + ", " + Fixed(p.x, 3, 7) + ", " + Fixed(p.y, 3, 7);
}

std::string ImageLine(int number, ImagePoint p) {
  return " " + Int(number) + ", " + Fixed(p.x, 3, 8) + ", " + Fixed(p.y, 3, 8);
}

ImagePoint Measured(ImagePoint p, Noise& noise) {
  // x first, then y: the order of the draws is part of the seed's result.
  const double x = noise(p.x);
  return {x, noise(p.y)};
}

}  // namespace

std::string Fixed(double value, int decimals, int width) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  std::string text = buffer;
  if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  if (static_cast<int>(text.size()) < width) text.insert(0, width - text.size(), ' ');
  return text;
}

std::string Plain(double value, int maxDecimals) {
  std::string text = Fixed(value, maxDecimals);
  if (text.find('.') != std::string::npos) {
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

std::string Int(int value, int width) {
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) < width) text.insert(0, width - text.size(), ' ');
  return text;
}

ImagePoint Project(const Station& s, double f, const GroundPoint& p) {
  const Rotation m = RotationOf(Radians(s.omega), Radians(s.phi), Radians(s.kappa));
  const double d[3] = {p.x - s.x, p.y - s.y, p.z - s.z};
  double rsq[3];
  for (int i = 0; i < 3; ++i) rsq[i] = m.m[i][0] * d[0] + m.m[i][1] * d[1] + m.m[i][2] * d[2];
  return {-f * rsq[0] / rsq[2], -f * rsq[1] / rsq[2]};
}

// Newton's method, exact in one step for the maps without xy terms.
ImagePoint Measure(const FilmPhoto& photo, const Mark& photoPoint) {
  double x = photoPoint.x, y = photoPoint.y;
  for (int iteration = 0; iteration < 20; ++iteration) {
    const double fx =
        photo.a[0] + photo.a[1] * x + photo.a[2] * y + photo.a[3] * x * y - photoPoint.x;
    const double fy =
        photo.b[0] + photo.b[1] * x + photo.b[2] * y + photo.b[3] * x * y - photoPoint.y;
    const double j11 = photo.a[1] + photo.a[3] * y, j12 = photo.a[2] + photo.a[3] * x;
    const double j21 = photo.b[1] + photo.b[3] * y, j22 = photo.b[2] + photo.b[3] * x;
    const double det = j11 * j22 - j12 * j21;
    x -= (j22 * fx - j12 * fy) / det;
    y -= (j11 * fy - j21 * fx) / det;
  }
  return {x, y};
}

TextLines ImageTransformationFile(const FilmSet& set, Noise noise) {
  TextLines out = {set.title, " " + Int(static_cast<int>(set.photos.size())) + ", " +
                                  Int(static_cast<int>(set.fiducials.size()))};
  for (const Mark& mark : set.fiducials)
    out.push_back(" " + Int(mark.number) + ", " + Fixed(mark.x, 3, 8) + ", " + Fixed(mark.y, 3, 8));
  for (const FilmPhoto& photo : set.photos) {
    out.push_back(" " + Int(photo.number) + ", " + Int(photo.mode));
    for (int number : photo.markOrder)
      for (const Mark& mark : set.fiducials)
        if (mark.number == number)
          out.push_back(MeasuredLine(number, Measured(Measure(photo, mark), noise)));
    for (const Mark& point : photo.points)
      out.push_back(MeasuredLine(point.number, Measured(Measure(photo, point), noise)));
    out.push_back(" 0,0,0");
  }
  return out;
}

TextLines ResectionFile(const ResectionSet& set, Noise noise) {
  TextLines out = {set.title,
                   " 1,    " + Plain(set.focalLength, 3) + ",    " + Plain(set.imageSigma, 4)};
  for (const GroundPoint& p : set.control)
    out.push_back(" " + Int(p.number) + ", " + Fixed(p.x, 0, 4) + ", " + Fixed(p.y, 0, 4) + ", " +
                  Fixed(p.z, 3, 7));
  out.push_back(" 0,0,0,0");
  const Station& s = set.start;
  out.push_back(Int(set.truth.number) + "," + Plain(s.x, 3) + "," + Plain(s.y, 3) + "," +
                Plain(s.z, 3) + "," + Plain(s.omega, 4) + "," + Plain(s.phi, 4) + "," +
                Plain(s.kappa, 4) + "," + Plain(set.sigmaXY, 3) + "," + Plain(set.sigmaZ, 3) + "," +
                Plain(set.sigmaAngle, 3));
  for (const GroundPoint& p : set.control)
    out.push_back(ImageLine(p.number, Measured(Project(set.truth, set.focalLength, p), noise)));
  out.push_back(" 0,0,0");
  return out;
}

TextLines IntersectionFile(const IntersectionSet& set, Noise noise) {
  TextLines out = {set.title, " " + Int(static_cast<int>(set.stations.size()))};
  for (const Station& s : set.stations) {
    out.push_back(Int(s.number) + ", " + Plain(set.focalLength, 3) + ", " + Fixed(s.x, 3) + ", " +
                  Fixed(s.y, 3) + ", " + Fixed(s.z, 3) + ", " + Plain(s.omega, 4) + ", " +
                  Plain(s.phi, 4) + ", " + Plain(s.kappa, 4));
    for (const GroundPoint& p : set.points) {
      const ImagePoint image = Project(s, set.focalLength, p);
      if (std::fabs(image.x) > set.measuringLimit || std::fabs(image.y) > set.measuringLimit)
        continue;
      out.push_back(ImageLine(p.number, Measured(image, noise)));
    }
    out.push_back(" 0,0,0");
  }
  return out;
}

bool RelativeFile(const StripSet& set, Noise noise, TextLines& out, std::string& why) {
  out = {set.title, " " + Int(static_cast<int>(set.photos.size())) + ", " + Plain(set.frame, 3) +
                        ", " + Plain(set.imageSigma, 4)};
  std::vector<int> rays(set.points.size(), 0);
  for (const StripPhoto& photo : set.photos) {
    out.push_back(" " + Int(photo.station.number) + ", " + Plain(photo.focalLength, 3));
    int count = 0;
    for (std::size_t i = 0; i < set.points.size(); ++i) {
      const ImagePoint image = Project(photo.station, photo.focalLength, set.points[i]);
      if (std::fabs(image.x) > set.measuringLimit || std::fabs(image.y) > set.measuringLimit)
        continue;
      const ImagePoint p = Measured(image, noise);
      out.push_back(" " + Int(set.points[i].number) + " " + Fixed(p.x, 3, 9) + " " +
                    Fixed(p.y, 3, 9));
      ++rays[i];
      ++count;
    }
    if (count < 7 || count > 11) {
      why = "photo " + Int(photo.station.number) + " holds " + Int(count) + " points";
      return false;
    }
    out.push_back(" 0,0,0");
  }
  for (std::size_t i = 0; i < set.points.size(); ++i)
    if (rays[i] < 2) {
      why = "point " + Int(set.points[i].number) + " is on one photo only";
      return false;
    }
  return true;
}

TextLines AbsoluteFile(const AbsoluteSet& set, Noise noise) {
  const SevenParameters& t = set.truth;
  const Rotation r = RotationOf(Radians(t.kappa), Radians(t.phi), Radians(t.omega));
  auto ground = [&set](int number) {
    for (const GroundPoint& p : set.points)
      if (p.number == number) return p;
    std::abort();
  };
  TextLines out = {set.title, set.controlSigma};
  for (const AbsoluteControl& c : set.control) {
    const GroundPoint p = ground(c.number);
    out.push_back(Int(c.number) + ", " +
                  (c.horizontal ? Fixed(p.x, 3) + ", " + Fixed(p.y, 3) : std::string("0, 0")) +
                  ", " + (c.vertical ? Fixed(p.z, 3) : std::string("0")));
  }
  out.push_back("0,0,0,0");
  for (int number : set.measuredOrder) {
    // model = R^T (ground - D) / Scale
    const GroundPoint p = ground(number);
    const double d[3] = {p.x - t.dx, p.y - t.dy, p.z - t.dz};
    double m[3];
    for (int j = 0; j < 3; ++j)
      m[j] = noise((r.m[0][j] * d[0] + r.m[1][j] * d[1] + r.m[2][j] * d[2]) / t.scale);
    out.push_back(Int(number) + ", " + Fixed(m[0], 3, 8) + ", " + Fixed(m[1], 3, 8) + ", " +
                  Fixed(m[2], 3, 8));
  }
  out.push_back("0,0,0,0");
  return out;
}

}  // namespace tessaro
