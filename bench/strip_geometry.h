// A synthetic strip for the benchmarks: photographs 0.37 frames apart, level,
// at Z = 0, focal length 153; ground points in columns 23 units apart with
// five points 40 units apart across the strip and 1.5 units of relief, each
// measured on every photograph that sees it within 105 units of the centre
// (two or three rays). About 45 image points per photograph: 24 photographs
// give about 1,000 image points, 240 about 10,000. Image coordinates are
// exact, or carry normal noise of a given standard deviation from a fixed
// seed (the same strip on every run).
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

namespace tessaro::bench {

struct ImagePoint {
  std::int32_t number;
  double x, y;
};

inline constexpr double kFrame = 230, kFocal = 153, kSigma = 0.005;

// The image points of each photograph: exact to the last bit of the
// formula, then noise (standard deviation in millimetres) added.
inline std::vector<std::vector<ImagePoint>> StripImages(int photos, double noise = 0) {
  std::mt19937_64 rng(20240601);
  std::normal_distribution<double> error(0.0, noise > 0 ? noise : 1.0);
  const auto measured = [&](double v) { return noise > 0 ? v + error(rng) : v; };
  const double base = 0.37 * kFrame;
  const int columns = static_cast<int>(base * (photos - 1) / 23) + 1;
  std::vector<std::vector<ImagePoint>> images(photos);
  for (int p = 0; p < photos; ++p) {
    const double Xo = base * p;
    for (int c = 0; c < columns; ++c)
      for (int r = -2; r <= 2; ++r) {
        const double X = 23.0 * c, Y = 40.0 * r, Z = -150 + 1.5 * std::sin(c + r);
        const double x = -kFocal * (X - Xo) / Z, y = -kFocal * Y / Z;
        if (std::fabs(x) < 105) images[p].push_back({1000 * c + r + 3, measured(x), measured(y)});
      }
  }
  return images;
}

// The strip as a relative orientation input file, image coordinates to 0.1
// micrometre.
inline void WriteStrip(std::FILE* out, int photos, double noise = 0) {
  std::fprintf(out, "\"Benchmark strip of %d photographs\"\n %d, %g, %g\n", photos, photos, kFrame,
               kSigma);
  const auto images = StripImages(photos, noise);
  for (int p = 0; p < photos; ++p) {
    std::fprintf(out, " %d, %g\n", 101 + p, kFocal);
    for (const ImagePoint& i : images[p]) std::fprintf(out, " %d %.4f %.4f\n", i.number, i.x, i.y);
    std::fprintf(out, " 0, 0, 0\n");
  }
}

}  // namespace tessaro::bench
