// Whole runs through the script runner, as tessaro-script runs them (reading,
// computing, writing the report): each operation on its example file in
// examples/; the relative orientation on the benchmark strips of about 1,000
// and 10,000 image points, exact and with 0.005 mm of noise; and the large
// inputs of tools/large_inputs.sh: the absolute orientation at 1,000 control
// points, the image transformation, the resection and the absolute
// orientation at 100,000 and 1,000,000 points, and the intersection at 30,000
// points on 100 photographs (its side file counts at most 32,767 points).
// The large runs take one iteration each.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "app/script_runner.h"
#include "strip_geometry.h"

namespace {

namespace fs = std::filesystem;

const std::string kExamples = TESSARO_SOURCE_DIR "/examples/";

// The files of the runs, in one folder of the temporary folder that is
// removed when the program ends: the report, and the inputs, each written
// once when first needed.
class Files {
 public:
  Files() : root_(fs::temp_directory_path() / "tessaro-bench") { fs::create_directories(root_); }
  ~Files() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  std::string Report() const { return (root_ / "report.txt").string(); }
  // Folder of tools/large_inputs.sh's four files for points on photos
  // photographs; empty when the script failed.
  fs::path Large(long points, long photos) {
    return Made("large-" + std::to_string(points) + "-" + std::to_string(photos),
                [&](const fs::path& dir) {
                  const std::string command = "'" TESSARO_SOURCE_DIR "/tools/large_inputs.sh' - '" +
                                              dir.string() + "' " + std::to_string(points) + " " +
                                              std::to_string(photos);
                  return std::system(command.c_str()) == 0;
                });
  }
  // Folder of the benchmark strip of photos photographs as strip.txt, noise
  // in micrometres; empty when it could not be written.
  fs::path Strip(long photos, long noise) {
    return Made("strip-" + std::to_string(photos) + "-" + std::to_string(noise),
                [&](const fs::path& dir) {
                  std::FILE* out = std::fopen((dir / "strip.txt").c_str(), "w");
                  if (!out) return false;
                  tessaro::bench::WriteStrip(out, static_cast<int>(photos), noise / 1000.0);
                  return std::fclose(out) == 0;
                });
  }

 private:
  template <class Write>
  fs::path Made(const std::string& name, Write&& write) {
    if (const auto it = made_.find(name); it != made_.end()) return it->second;
    const fs::path dir = root_ / name;
    std::error_code failed;
    fs::create_directories(dir, failed);
    if (failed || !write(dir)) return {};
    return made_[name] = dir;
  }
  fs::path root_;
  std::map<std::string, fs::path> made_;
};

Files& RunFiles() {
  static Files files;
  return files;
}

void RunSession(benchmark::State& state, const std::string& script) {
  const std::string session = "Open-OutputFile " + RunFiles().Report() + "\n" + script;
  for (auto _ : state) {
    std::istringstream in(session);
    std::ostringstream out, err;
    if (tessaro::RunScript(in, "bench", out, err) != 0)
      return state.SkipWithError("the script failed");
  }
}

void BM_Operation(benchmark::State& state, const char* open, const char* file, const char* steps) {
  RunSession(state, std::string(open) + " " + kExamples + file + "\n" + steps);
}

// Arguments: photographs, noise in micrometres.
void BM_RelativeScript(benchmark::State& state) {
  const fs::path dir = RunFiles().Strip(state.range(0), state.range(1));
  if (dir.empty()) return state.SkipWithError("cannot write the strip file");
  RunSession(state, "Open Relative Orient " + (dir / "strip.txt").string() +
                        "\nEnter Relative Orient Data\nProcess Relative Orient\n");
}

// Arguments: points, photographs (the intersection's strip).
void BM_Large(benchmark::State& state, const char* open, const char* file, const char* steps) {
  const fs::path dir = RunFiles().Large(state.range(0), state.range(1));
  if (dir.empty()) return state.SkipWithError("tools/large_inputs.sh failed");
  RunSession(state, std::string(open) + " " + (dir / file).string() + "\n" + steps);
}

constexpr char kImageTransSteps[] = "Enter ImageTransData\nanswer Y\nProcess ImageTrans\n";
constexpr char kResectionSteps[] = "Enter Resection Data\nMake Resection\n";
constexpr char kIntersectionSteps[] = "Enter Intersection Data\nProcess Intersection\n";
constexpr char kAbsoluteSteps[] = "Enter Absolute Orient Data\nProcess Absolute Orient\n";

BENCHMARK_CAPTURE(BM_Operation, ImageTrans, "Open-ImageTrans", "imagetrans.txt",
                  "Enter ImageTransData\nanswer Y\nanswer Y\nanswer Y\nanswer Y\nanswer Y\n"
                  "answer Y\nProcess ImageTrans\n")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Operation, Resection, "Open-Resection", "resection.txt", kResectionSteps)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Operation, Intersection, "Open-Intersection", "intersection.txt",
                  kIntersectionSteps)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Operation, Relative, "Open Relative Orient", "relative.txt",
                  "Enter Relative Orient Data\nProcess Relative Orient\n")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Operation, Absolute, "Open Absolute Orient", "absolute.txt", kAbsoluteSteps)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RelativeScript)
    ->ArgNames({"photos", "noise_um"})
    ->ArgsProduct({{24, 240}, {0, 5}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Large, Absolute, "Open Absolute Orient", "absolute-large.txt", kAbsoluteSteps)
    ->ArgNames({"points", "photos"})
    ->Args({1000, 100})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Large, ImageTrans, "Open-ImageTrans", "imagetrans-large.txt", kImageTransSteps)
    ->ArgNames({"points", "photos"})
    ->ArgsProduct({{100000, 1000000}, {100}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Large, Resection, "Open-Resection", "resection-large.txt", kResectionSteps)
    ->ArgNames({"points", "photos"})
    ->ArgsProduct({{100000, 1000000}, {100}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Large, Absolute, "Open Absolute Orient", "absolute-large.txt", kAbsoluteSteps)
    ->ArgNames({"points", "photos"})
    ->ArgsProduct({{100000, 1000000}, {100}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Large, Intersection, "Open-Intersection", "intersection-large.txt",
                  kIntersectionSteps)
    ->ArgNames({"points", "photos"})
    ->Args({30000, 100})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
