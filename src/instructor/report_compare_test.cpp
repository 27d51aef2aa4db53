// The marker's rule on line pairs, and the program on a real answer key with
// a planted change.
#include "instructor/report_compare.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "testing/test_support.h"

namespace tessaro {
namespace {

TEST(ReportCompare, TheMarkersRule) {
  const struct {
    const char* key;
    const char* report;
    bool agree;
  } cases[] = {
      {"   Dx = 5105.425", "   Dx = 5105.426", true},        // last digit rounded the other way
      {"   Dx = 5105.425", "   Dx = 5105.435", false},       // a digit before the last
      {"   Dx = 5105.425", "   Dx = 5105.427", false},       // two units
      {" 9.999    1", " 10.000   1", true},                  // one unit carries, the column shifts
      {"  -0.001", "   0.000", true},                        // across zero
      {"   Kappa = .800194", "   Kappa = .800195", true},    // the report's leading point
      {"   Kappa = .800194", "   Kappa = .8001940", false},  // another number of decimals
      {" ITER=        5", " ITER=        6", false},         // whole numbers are equal or wrong
      {" 145      47.841", " 146      47.841", false},
      {"  RMS=         .000255426461577299", "  RMS=         .000255426461577300", true},
      {"8.41030779838994E-05", "8.41030779838995E-05", true},
      {"8.41030779838994E-05", "8.41030779838994E-06", false},
      {"   Convg = YES", "   Convg = NO", false},
      {"Omega   Phi", "Omega Phi", true},  // blanks only separate
      {"Omega Phi", "OmegaPhi", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LinesAgree(c.key, c.report), c.agree) << c.key << " | " << c.report;
}

TEST(ReportCompare, DifferencesAndSummary) {
  const Comparison c =
      CompareReports(SplitLines("a 1.25\r\nb\r\nc é 2\r\n"), SplitLines("a 1.27\nb\nc é 3\nd\n"));
  EXPECT_EQ(Summary(c), "1 of 4 lines agree; first difference at line 1");
  ASSERT_EQ(c.differences.size(), 3u);
  EXPECT_EQ(c.differences[1].column, 5);  // characters, not bytes
  EXPECT_TRUE(c.differences[2].keyMissing);
  EXPECT_EQ(Summary(CompareReports({"x"}, {"x"})), "1 of 1 lines agree");
}

class CompareProgramTest : public TempDirTest {};

// The example session's report as the key: a copy agrees, a one-digit change
// is found at its line and column; a missing file, or a folder named as a
// report or as the key, cannot be read: status 2 and the reason.
TEST_F(CompareProgramTest, MarksAReportAgainstTheKey) {
  const std::string bin = TESSARO_BIN_DIR "/tessaro-compare ";
  const std::string key = File("key.txt", "Title\r\n   Dx = 5105.425\r\n   Scale = 11.876443\r\n");
  File("same.txt", "Title\n   Dx = 5105.426\n   Scale = 11.876443\n");
  File("changed.txt", "Title\r\n   Dx = 5105.425\r\n   Scale = 11.816443\r\n");
  const std::string out = PathOf("out.txt");
  auto run = [&](const std::string& args) {
    return WEXITSTATUS(std::system((bin + args + " > " + out).c_str()));
  };
  EXPECT_EQ(run(key + " " + PathOf("same.txt")), 0);
  EXPECT_EQ(Read(out), "3 of 3 lines agree\n");
  EXPECT_EQ(run(key + " " + PathOf("changed.txt")), 1);
  EXPECT_EQ(Read(out),
            "line 3, column 16\n  key:       Scale = 11.876443\n  report:    Scale = 11.816443\n"
            "2 of 3 lines agree; first difference at line 3\n");
  EXPECT_EQ(run("--tsv " + key + " " + PathOf("same.txt") + " " + PathOf("missing.txt") +
                " 2> /dev/null"),
            2);
  EXPECT_EQ(Read(out), "report\tlines\tagreeing\tfirst difference\n" + PathOf("same.txt") +
                           "\t3\t3\t\n" + PathOf("missing.txt") + "\tunreadable\t\t\n");
  const std::string err = " 2> " + PathOf("err.txt");
  for (const auto& [args, said] :
       {std::pair{key + " " + dir.string() + err, dir.string() + ": Is a directory"},
        std::pair{dir.string() + " " + key + err, dir.string() + ": Is a directory"},
        std::pair{key + " " + PathOf("missing.txt") + err,
                  PathOf("missing.txt") + ": No such file or directory"}}) {
    EXPECT_EQ(run(args), 2) << args;
    EXPECT_EQ(Read(PathOf("err.txt")), "tessaro-compare: cannot read " + said + "\n");
  }
}

}  // namespace
}  // namespace tessaro
