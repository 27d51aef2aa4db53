// A seeded random source that gives the same numbers on every machine.
//
// The standard distributions are implementation-defined, so an exercise made
// from a seed on one computer would differ from the same seed elsewhere.
// Here everything is exact binary arithmetic: splitmix64 for the bits,
// uniforms with 32 significant bits, and normal deviates as the sum of twelve
// such uniforms less 6 (mean 0, variance 1, tails cut at 6 sigma). Every sum
// is exact in a double, so no libm call and no rounding mode can change a
// bit; the generated values are then rounded to the printed precision.
#pragma once

#include <cstdint>

namespace tessaro {

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  // In [0, 1), a multiple of 2^-32.
  double Uniform() { return static_cast<double>(Next() >> 32) * 0x1p-32; }
  double Uniform(double low, double high) { return low + (high - low) * Uniform(); }
  // 0 .. n-1; the bias of the modulo is far below anything a class would see.
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }

  // Approximately standard normal (Irwin-Hall with twelve terms).
  double Normal() {
    double sum = 0;
    for (int k = 0; k < 12; ++k) sum += Uniform();
    return sum - 6.0;
  }

 private:
  std::uint64_t state_;
};

// What a student's measurement adds to a true value: nothing when sigma is 0
// (then no random number is drawn either), else a normal error of that size.
class Noise {
 public:
  Noise() = default;
  Noise(Random& random, double sigma) : random_(&random), sigma_(sigma) {}
  double operator()(double value) {
    return random_ == nullptr || sigma_ == 0 ? value : value + sigma_ * random_->Normal();
  }

 private:
  Random* random_ = nullptr;
  double sigma_ = 0;
};

}  // namespace tessaro
