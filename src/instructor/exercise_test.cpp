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
TEST_F(ExerciseTest, NoiseFreeGiveBackTheTruth) {
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
  File("reversed.txt",
       "\xEF\xBB\xBF"
       "Carl Pulfrich\nAda Lovelace\n");  // as Notepad saves it
  ASSERT_EQ(Run(bin + "absolute --seed 9 --class class.txt --out k1 && " + bin +
                "absolute --seed 9 --class reversed.txt --out k2"),
            0);
  for (const char* student : {"Ada_Lovelace", "Carl_Pulfrich"})
    EXPECT_EQ(Read(dir / "k1" / student / "input.txt"), Read(dir / "k2" / student / "input.txt"));
  EXPECT_NE(Read(dir / "k1/Ada_Lovelace/input.txt"), Read(dir / "k1/Carl_Pulfrich/input.txt"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "k1"), fs::directory_iterator()), 3);

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

// nettle's HMAC-SHA-256 gives the published vectors of RFC 4231 (its case 5
// truncated, as the students' seeds are), and the students' seeds and ids
// keep the encoding the manual states: key the class seed as 8 bytes
// big-endian, message the name in UTF-8, the MAC's first 8 bytes big-endian.
TEST(StudentSeeds, FollowTheStatedKeyedHash) {
  const struct {
    std::string key, message, mac;
  } vectors[] = {
      {std::string(20, '\x0b'), "Hi There",
       "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
      {"Jefe", "what do ya want for nothing?",
       "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
      {std::string(20, '\xaa'), std::string(50, '\xdd'),
       "773ea91e36800e46854db8ebd09181a72959098b3ef8c122d9635514ced565fe"},
      {"\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12\x13\x14\x15\x16"
       "\x17\x18\x19",
       std::string(50, '\xcd'), "82558a389a443c0ea4cc819899f2083a85f0faa3e578f8077a2e3ff46729665b"},
      {std::string(20, '\x0c'), "Test With Truncation", "a3b6167473100ee06e0c796c2955552b"},
      {std::string(131, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
       "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
      {std::string(131, '\xaa'),
       "This is a test using a larger than block-size key and a larger than block-size data. The "
       "key needs to be hashed before being used by the HMAC algorithm.",
       "9b09ffa71b942fcb27635fbcd5b0e944bfdc63644f0713938a7f51535c3a35e2"},
  };
  for (const auto& v : vectors) {
    std::string hex;
    for (unsigned char byte : HmacSha256(v.key, v.message))
      hex += "0123456789abcdef"[byte >> 4], hex += "0123456789abcdef"[byte & 15];
    EXPECT_EQ(hex.substr(0, v.mac.size()), v.mac) << v.message;
  }
  const std::uint64_t seed =
      StudentSeed(0x0102030405060708ULL, "Zo\xc3\xab \xc3\x85ngstr\xc3\xb6m");
  EXPECT_EQ(seed, 13107408444078976569ULL);
  EXPECT_EQ(ExerciseId(seed), "6BPAR5");
  // A sum of the class seed and a hash of the name would keep the difference
  // of two students' seeds from class to class, and step with the class seed.
  const std::uint64_t classSeed = 9182736450918273645ULL;
  auto apart = [](std::uint64_t c) {
    return StudentSeed(c, "Ada Lovelace") - StudentSeed(c, "Carl Pulfrich");
  };
  EXPECT_NE(apart(classSeed), apart(classSeed + 1));
  EXPECT_NE(StudentSeed(classSeed + 1, "Ada Lovelace"), StudentSeed(classSeed, "Ada Lovelace") + 1);
}

// A student's input.txt holds neither its seed nor the class seed; the id in
// its title leads, through the instructor's class-ids.txt alone, to the name
// and the seed, which makes the same folder again.
TEST_F(ExerciseTest, TitleIdMapsBackThroughTheList) {
  const std::string bin = TESSARO_BIN_DIR "/tessaro-exercise ";
  const std::string classSeed = "9182736450918273645";
  File("class.txt", "Ada\nCarl\n");
  ASSERT_EQ(Run(bin + "resection --seed " + classSeed + " --noise 0.003 --class class.txt --out s"),
            0)
      << Read(dir / "out.txt");
  for (const std::string name : {"Ada", "Carl"}) {
    const fs::path folder = dir / "s" / name;
    const std::string input = Read(folder / "input.txt");
    EXPECT_EQ(input.find(classSeed), std::string::npos);
    const std::size_t at = input.find("exercise ");
    ASSERT_LT(at, input.find('\n'));
    const std::string id = input.substr(at + 9, 6);
    std::istringstream rows(Read(dir / "s/class-ids.txt"));
    std::string seed;
    for (std::string row; std::getline(rows, row);)
      if (row.rfind(id + "\t", 0) == 0 && row.substr(row.rfind('\t') + 1) == name)
        seed = row.substr(7, row.rfind('\t') - 7);
    ASSERT_FALSE(seed.empty()) << id << " " << name;
    EXPECT_EQ(input.find(seed), std::string::npos);
    ASSERT_EQ(Run(bin + "resection --seed " + seed + " --noise 0.003 --out again"), 0);
    EXPECT_EQ(Read(dir / "again/input.txt"), input);
    EXPECT_EQ(Read(dir / "again/truth.txt"), Read(folder / "truth.txt"));
    fs::remove_all(dir / "again");
  }
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
