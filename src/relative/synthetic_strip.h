// For the tests only: a strip of known geometry, as an input file and as the
// data the reading passes make of it. Its image coordinates come from the
// independent long-double projection of testing/reference.h.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "relative/strip_adjustment.h"
#include "testing/reference.h"

namespace tessaro {

struct SyntheticImage {
  std::int32_t no;
  double x, y;
};

struct SyntheticPhoto {
  std::int32_t no;
  double f;
  ReferenceStation truth;
  std::vector<SyntheticImage> images;
};

struct SyntheticStrip {
  std::vector<SyntheticPhoto> photos;
  std::map<std::int32_t, std::array<long double, 3>> points;  // the truth
  double sigma = 0.005;  // the standard error of an image coordinate

  std::string Text() const {
    char b[120];
    std::string t(b,
                  std::snprintf(b, sizeof b, "\"Strip\"\n%zu, 230, %.17g\n", photos.size(), sigma));
    for (const SyntheticPhoto& p : photos) {
      t += std::to_string(p.no) + ", " + std::to_string(p.f) + "\n";
      for (const SyntheticImage& i : p.images)
        t.append(b, std::snprintf(b, sizeof b, "%d %.17g %.17g\n", i.no, i.x, i.y));
      t += "0,0,0\n";
    }
    return t;
  }

  // What the counting and storing passes read from Text(), numbered.
  Strip Data() const {
    Strip s;
    s.FrameSize = 230;
    s.ImageSigma = sigma;
    s.ImagePointNumber.SetRows(photos.size());
    s.ImageX.SetRows(photos.size());
    s.ImageY.SetRows(photos.size());
    for (const SyntheticPhoto& photo : photos) {
      const std::int16_t p = ++s.PhotoCount;
      for (auto* column : {&s.PhotoNumber, &s.PointCount, &s.PointEnd}) column->resize(p);
      s.FocalLength.resize(p);
      s.PhotoNumber(p) = photo.no;
      s.FocalLength(p) = photo.f;
      s.PointCount(p) = photo.images.size();
      s.ImagePointNumber.SetRowLength(p, s.PointCount(p));
      s.ImageX.SetRowLength(p, s.PointCount(p));
      s.ImageY.SetRowLength(p, s.PointCount(p));
      for (std::int32_t k = 1; k <= s.PointCount(p); ++k) {
        const SyntheticImage& i = photo.images[k - 1];
        s.ImagePointNumber(p, k) = i.no;
        s.ImageX(p, k) = i.x;
        s.ImageY(p, k) = i.y;
        s.PointNumberList.resize(++s.ImagePointCount);
        s.PointNumberList(s.ImagePointCount) = i.no;
      }
      s.PointEnd(p) = s.ImagePointCount;
    }
    NumberGroundPoints(s);
    return s;
  }
};

// Photographs 0.37 frames apart along `direction` (+1, or -1: numbered
// against the flight) with small tilts and the first two of another focal
// length; points in three rows across the strip with relief, each measured
// on every photograph that sees it within 105 units of the centre.
inline SyntheticStrip MakeStrip(int photos, int columns, int direction) {
  SyntheticStrip s;
  const long double base = 0.37L * 230 * direction;
  for (int c = 0; c < columns; ++c)
    for (int r = -1; r <= 1; ++r)
      s.points[1000 + 10 * c + r + 1] = {base * (photos - 1) * c / (columns - 1) + 9 * r,
                                         85.0L * r + c, -150.0L + 7 * std::sin(c + r)};
  for (int p = 0; p < photos; ++p) {
    ReferenceStation t{base * p, p ? 1.8L * std::sin(p) : 0, p ? 1.2L * std::cos(3 * p) : 0};
    if (p >= 1) {
      t.omega = 0.01L * std::sin(3 * p + 1);
      t.phi = 0.01L * std::sin(4 * p + 1);
      t.kappa = 0.01L * std::sin(5 * p + 1);
    }
    SyntheticPhoto photo{70 + p, p < 2 ? 153.57 : 152.57, t, {}};
    for (const auto& [no, g] : s.points)
      if (const auto xy = Project(t, photo.f, g[0], g[1], g[2]);
          std::fabs(xy[0]) < 105 && std::fabs(xy[1]) < 105)
        photo.images.push_back({no, double(xy[0]), double(xy[1])});
    s.photos.push_back(photo);
  }
  return s;
}

}  // namespace tessaro
