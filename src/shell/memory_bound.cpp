#include "shell/memory_bound.h"

#include <unistd.h>

#include <cmath>

#ifdef __EMSCRIPTEN__
#include <emscripten/heap.h>
#endif

#include "shell/print.h"

namespace tessaro {

double NormalMatrixBytes(std::int64_t n) {
  const double positions = static_cast<double>(n) * static_cast<double>(n + 1) / 2 + 1;
  return positions * static_cast<double>(sizeof(double));
}

#ifdef __EMSCRIPTEN__
// In a web page the bound is the largest heap the WebAssembly module may grow
// to (its link options fix it), not the machine's memory.
double PhysicalMemory() { return static_cast<double>(emscripten_get_heap_max()); }
constexpr const char* kMemoryName = "the memory this web page may use";
#else
double PhysicalMemory() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return 4.0 * 1024 * 1024 * 1024;
  return static_cast<double>(pages) * static_cast<double>(pageSize);
}
constexpr const char* kMemoryName = "this computer's memory";
#endif

std::string NormalMatrixTooLarge(double bytes) {
  const double memory = PhysicalMemory();
  if (bytes <= memory / 4) return {};
  const auto megabytes = [](double b) { return PlainWhole(std::llround(std::ceil(b / 1e6))); };
  return "its normal matrix needs " + megabytes(bytes) + " MB, more than a quarter of " +
         kMemoryName + " (" + megabytes(memory) + " MB)";
}

}  // namespace tessaro
