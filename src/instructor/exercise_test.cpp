// Exercises made by the real tessaro-exercise program and solved by the real
// tessaro-script with their own key sessions give back the geometry they were
// drawn from; a seed always gives the same files.
#include "instructor/exercise.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "testing/test_support.h"

namespace tessaro {
namespace {

namespace fs = std::filesystem;

class ExerciseTest : public TempDirTest {
 protected:
  int Run(const std::string& command) {
    return WEXITSTATUS(
        std::system(("cd " + dir.string() + " && " + command + " > out.txt 2>&1").c_str()));
  }
};

// The words of a line that are numbers, as numbers.
std::vector<double> NumbersOf(const std::string& line) {
  std::vector<double> numbers;
  std::istringstream tokens(line);
  for (std::string t; tokens >> t;) {
    char* end = nullptr;
    const double value = std::strtod(t.c_str(), &end);
    if (*end == '\0') numbers.push_back(value);
  }
  return numbers;
}

// The numbers on the `count` lines after every line equal to caption
// (count -1: up to the next blank line).
std::vector<double> ReportNumbers(const Lines& report, const std::string& caption, int count) {
  std::vector<double> numbers;
  for (std::size_t k = 0; k < report.size(); ++k) {
    if (report[k] != caption) continue;
    for (std::size_t j = k + 1; j < report.size() && (count < 0 || j <= k + count); ++j) {
      if (count < 0 && report[j].find_first_not_of(' ') == std::string::npos) break;
      for (double v : NumbersOf(report[j])) numbers.push_back(v);
    }
  }
  return numbers;
}

// A noise-free exercise, solved by its key, gives back its truth to the
// effect of rounding the observations: 0.0005 mm on an image coordinate is
// some 1 cm on the ground at 1:20000 (a few cm in height and in the station
// of a resection), and in the absolute orientation 0.0005 model units times
// the scale of about 10; the angles follow over the size of the area. The
// tolerances are two to three times the largest error of 40 seeds.
// A tolerance of 0 marks a point or station number, which must be equal.
TEST_F(ExerciseTest, NoiseFreeExercisesGiveBackTheirTruth) {
  struct Case {
    const char* operation;
    const char* truthWord;  // the truth.txt lines to read
    bool dropNumber;        // the report does not repeat the station number
    const char* caption;
    int lines;
    std::vector<double> tolerance;  // per column, repeated
  } cases[] = {
      // clang-format off
      {"imagetrans", "point", false, "Transformed Points ", -1, {0, 0.002, 0.002}},
      {"resection", "station", true, "    EXTERIOR ORIENTATION PARAMETERS", 5,
       {0.1, 0.1, 0.1, 0.002, 0.002, 0.002}},
      {"intersection", "point", false,
       "Point         X                     Y                    Z", -1, {0, 0.05, 0.05, 0.1}},
      {"relative", "station", false, "    RELATIVE ORIENTATION STATION PARAMETERS", -1,
       {0, 0.03, 0.03, 0.03, 0.005, 0.005, 0.005}},
      {"absolute", "parameters", false, " Transformation Parameters", 8,
       {0.05, 0.05, 0.05, 3e-4, 0.002, 0.002, 0.002}},
      // clang-format on
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.operation);
    const std::string folder = std::string(c.operation);
    ASSERT_EQ(Run(TESSARO_BIN_DIR "/tessaro-exercise " + folder + " --seed 2027 --out " + folder),
              0)
        << Read(dir / "out.txt");
    ASSERT_EQ(Run("cd " + folder + " && " TESSARO_BIN_DIR "/tessaro-script key.tss"), 0)
        << Read(dir / "out.txt");
    std::vector<double> truth;
    std::istringstream truthLines(Read(dir / folder / "truth.txt"));
    for (std::string line; std::getline(truthLines, line);) {
      if (line.rfind(std::string(c.truthWord) + " ", 0) != 0) continue;
      const std::vector<double> numbers = NumbersOf(line);
      truth.insert(truth.end(), numbers.begin() + (c.dropNumber ? 1 : 0), numbers.end());
    }
    const std::vector<double> found =
        ReportNumbers(CrLfLines(Read(dir / folder / "key-report.txt")), c.caption, c.lines);
    ASSERT_EQ(found.size(), truth.size());
    ASSERT_FALSE(truth.empty());
    for (std::size_t k = 0; k < truth.size(); ++k)
      EXPECT_NEAR(found[k], truth[k], c.tolerance[k % c.tolerance.size()]) << "value " << k;
  }
}

// The same seed gives the same bytes (here from two runs of the program);
// another seed another exercise; a class gets one folder per student, each
// with its own seed, the same whatever the order of the list; nothing is
// written over what a folder already holds.
TEST_F(ExerciseTest, SeedsAndClasses) {
  const std::string bin = TESSARO_BIN_DIR "/tessaro-exercise ";
  ASSERT_EQ(Run(bin + "resection --seed 5 --noise 0.004 --out a && " + bin +
                "resection --seed 5 --noise 0.004 --out b && " + bin +
                "resection --seed 6 --noise 0.004 --out c"),
            0);
  for (const char* name : {"input.txt", "truth.txt", "key.tss"})
    EXPECT_EQ(Read(dir / "a" / name), Read(dir / "b" / name)) << name;
  EXPECT_NE(Read(dir / "a" / "input.txt"), Read(dir / "c" / "input.txt"));

  File("class.txt", "# group 2\nAda Lovelace\n\nCarl Pulfrich\r\n");
  File("reversed.txt", "Carl Pulfrich\nAda Lovelace\n");
  ASSERT_EQ(Run(bin + "absolute --seed 9 --class class.txt --out k1 && " + bin +
                "absolute --seed 9 --class reversed.txt --out k2"),
            0);
  for (const char* student : {"Ada_Lovelace", "Carl_Pulfrich"})
    EXPECT_EQ(Read(dir / "k1" / student / "input.txt"), Read(dir / "k2" / student / "input.txt"));
  EXPECT_NE(Read(dir / "k1/Ada_Lovelace/input.txt"), Read(dir / "k1/Carl_Pulfrich/input.txt"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "k1"), fs::directory_iterator()), 2);

  // Refusals name what is wrong and write nothing.
  for (const char* args :
       {"relative --seed 1 --points 9 --out r", "resection --seed 1 --points 3 --out r",
        "orbit --seed 1 --out r", "resection --seed x --out r", "resection --out r"})
    EXPECT_EQ(Run(bin + args), 2) << args;
  EXPECT_FALSE(fs::exists(dir / "r"));

  // A second run into a folder that holds files (a student may have edited
  // them) is refused unless forced; a class list with a name twice is
  // refused before any folder is written.
  File("a/input.txt", "edited");
  EXPECT_EQ(Run(bin + "resection --seed 5 --noise 0.004 --out a 2> /dev/null"), 2);
  EXPECT_EQ(Read(dir / "a/input.txt"), "edited");
  EXPECT_EQ(Run(bin + "resection --seed 5 --noise 0.004 --force --out a"), 0);
  EXPECT_EQ(Read(dir / "a/input.txt"), Read(dir / "b/input.txt"));
  File("twice.txt", "Ada Lovelace\nCarl Pulfrich\nAda Lovelace\n");
  EXPECT_EQ(Run(bin + "absolute --seed 9 --class twice.txt --out t 2> /dev/null"), 1);
  EXPECT_FALSE(fs::exists(dir / "t"));
}

// The README's worked example runs as written and prints what the README
// shows (trailing blanks aside).
TEST_F(ExerciseTest, TheReadmeWorkedExample) {
  const std::string readme = Read(TESSARO_SOURCE_DIR "/README.md");
  const std::size_t marker = readme.find("<!-- worked example:");
  ASSERT_NE(marker, std::string::npos);
  auto block = [&](const std::string& fence) {
    const std::size_t start = readme.find(fence + "\n", marker) + fence.size() + 1;
    return readme.substr(start, readme.find("\n```", start) + 1 - start);
  };
  File("example.sh", block("```sh"));
  ASSERT_EQ(Run("PATH=" TESSARO_BIN_DIR ":$PATH bash example.sh"), 0) << Read(dir / "out.txt");
  std::string shown;
  std::istringstream out(Read(dir / "out.txt"));
  for (std::string line; std::getline(out, line);)
    shown += line.substr(0, line.find_last_not_of(' ') + 1) + "\n";
  EXPECT_EQ(shown, block("```text"));
}

}  // namespace
}  // namespace tessaro
