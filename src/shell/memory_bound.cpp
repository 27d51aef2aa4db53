#include "shell/memory_bound.h"

#include <unistd.h>

#include <cmath>

#include "shell/print.h"

namespace tessaro {

double NormalMatrixBytes(std::int64_t n) {
  const double positions = static_cast<double>(n) * static_cast<double>(n + 1) / 2 + 1;
  return positions * static_cast<double>(sizeof(double));
}

double PhysicalMemory() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return 4.0 * 1024 * 1024 * 1024;
  return static_cast<double>(pages) * static_cast<double>(pageSize);
}

std::string NormalMatrixTooLarge(double bytes) {
  const double memory = PhysicalMemory();
  if (bytes <= memory / 4) return {};
  const auto megabytes = [](double b) { return PlainWhole(std::llround(std::ceil(b / 1e6))); };
  return "its normal matrix needs " + megabytes(bytes) +
         " MB, more than a quarter of this computer's memory (" + megabytes(memory) + " MB)";
}

}  // namespace tessaro
