// tessaro-make-strip PHOTOGRAPHS FILE [NOISE]: writes the benchmark strip
// (strip_geometry.h) as a relative orientation input file, its image
// coordinates exact or with normal noise of NOISE millimetres, for timing
// whole runs of tessaro-script (bench/strip_runs.sh).
#include <cstdio>
#include <cstdlib>

#include "strip_geometry.h"

int main(int argc, char** argv) {
  const int photos = argc == 3 || argc == 4 ? std::atoi(argv[1]) : 0;
  const double noise = argc == 4 ? std::atof(argv[3]) : 0;
  if (photos < 2 || photos > 30000 || !(noise >= 0 && noise < 1)) {
    std::fprintf(stderr,
                 "usage: tessaro-make-strip PHOTOGRAPHS(2..30000) FILE [NOISE(mm, 0..1)]\n");
    return 1;
  }
  std::FILE* out = std::fopen(argv[2], "w");
  if (!out) {
    std::perror(argv[2]);
    return 1;
  }
  tessaro::bench::WriteStrip(out, photos, noise);
  return std::fclose(out) == 0 ? 0 : 1;
}
