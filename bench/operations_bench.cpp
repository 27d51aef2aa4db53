// Each operation's full run on its example file in examples/, through the
// script runner as tessaro-script runs it (reading, computing, writing the
// report), and the relative orientation on the benchmark strips.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include "app/script_runner.h"
#include "strip_geometry.h"

namespace {

const std::string kExamples = TESSARO_SOURCE_DIR "/examples/";

std::string Report() {
  return (std::filesystem::temp_directory_path() / "tessaro-bench-report.txt").string();
}

void RunSession(benchmark::State& state, const std::string& script) {
  for (auto _ : state) {
    std::istringstream in(script);
    std::ostringstream out, err;
    if (tessaro::RunScript(in, "bench", out, err) != 0)
      return state.SkipWithError("the script failed");
  }
}

void BM_Operation(benchmark::State& state, const char* open, const char* file, const char* steps) {
  RunSession(state,
             "Open-OutputFile " + Report() + "\n" + open + " " + kExamples + file + "\n" + steps);
}

void BM_RelativeScript(benchmark::State& state) {
  const int photos = static_cast<int>(state.range(0));
  const std::string file = (std::filesystem::temp_directory_path() /
                            ("tessaro-bench-strip" + std::to_string(photos) + ".txt"))
                               .string();
  std::FILE* out = std::fopen(file.c_str(), "w");
  if (!out) return state.SkipWithError("cannot write the strip file");
  tessaro::bench::WriteStrip(out, photos);
  std::fclose(out);
  RunSession(state, "Open-OutputFile " + Report() + "\nOpen Relative Orient " + file +
                        "\nEnter Relative Orient Data\nProcess Relative Orient\n");
}

BENCHMARK_CAPTURE(BM_Operation, ImageTrans, "Open-ImageTrans", "imagetrans.txt",
                  "Enter ImageTransData\nanswer Y\nanswer Y\nanswer Y\nanswer Y\nanswer Y\n"
                  "answer Y\nProcess ImageTrans\n")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Operation, Resection, "Open-Resection", "resection.txt",
                  "Enter Resection Data\nMake Resection\n")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Operation, Intersection, "Open-Intersection", "intersection.txt",
                  "Enter Intersection Data\nProcess Intersection\n")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Operation, Relative, "Open Relative Orient", "relative.txt",
                  "Enter Relative Orient Data\nProcess Relative Orient\n")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Operation, Absolute, "Open Absolute Orient", "absolute.txt",
                  "Enter Absolute Orient Data\nProcess Absolute Orient\n")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RelativeScript)->Arg(24)->Arg(240)->Unit(benchmark::kMillisecond);

}  // namespace
