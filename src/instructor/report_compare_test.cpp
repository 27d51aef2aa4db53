// The marker's rule on line pairs, and the program on a real answer key with
// a planted change.
#include "instructor/report_compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

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

// A line left out or added costs that line alone, also beside changed lines
// (where a longest run of agreeing lines could match the blank line on the
// far side of them instead); a changed line is a pair with both line numbers.
TEST(ReportCompare, RealignsAroundGaps) {
  const std::vector<std::string> key =
      SplitLines("Title\r\n\r\n1 .25\r\n2 .50\r\n3 é .75\r\n\r\nEnd\r\n");
  Comparison c = CompareReports(key, SplitLines("Title\n1 .35\n2 .60\n3 é .85\n\nEnd\n"));
  EXPECT_EQ(Summary(c), "3 of 7 lines agree; first difference at line 2");
  ASSERT_EQ(c.differences.size(), 4u);
  EXPECT_TRUE(c.differences[0].reportMissing);
  EXPECT_EQ(Position(c.differences[3]), "key line 5, report line 4");
  EXPECT_EQ(c.differences[3].column, 6);  // characters, not bytes
  c = CompareReports(key, SplitLines("Title\n\n1 .25\nextra\n2 .50\n3 é .75\n\nEnd\n"));
  EXPECT_EQ(Summary(c), "7 of 7 lines agree; first difference at line 4");
  EXPECT_EQ(c.differences.size(), 1u);
}

// Against the least cost found the slow way, on short random reports of a
// few kinds of line: missing or extra 3, changed 4 when only values changed,
// else 5.
TEST(ReportCompare, AlignsAtTheLeastCost) {
  const char* kinds[] = {"", ".1", ".2", ".3", "a", "b"};
  auto form = [](const std::string& s) { return s.empty() ? ' ' : s[0] == '.' ? '.' : s[0]; };
  std::mt19937 random(7);
  for (int t = 0; t < 3000; ++t) {
    std::vector<std::string> key(random() % 12), report(random() % 12);
    for (std::string& line : key) line = kinds[random() % 6];
    for (std::string& line : report) line = kinds[random() % 6];
    const std::size_t n = key.size(), m = report.size();
    std::vector<std::vector<int>> cost(n + 1, std::vector<int>(m + 1, 0));  // from (i, j) on
    for (std::size_t i = n + 1; i-- > 0;)
      for (std::size_t j = m + 1; j-- > 0;) {
        int& c = cost[i][j];
        if (i < n || j < m) c = 1 << 20;
        if (i < n) c = std::min(c, cost[i + 1][j] + 3);
        if (j < m) c = std::min(c, cost[i][j + 1] + 3);
        if (i < n && j < m)
          c = std::min(c, cost[i + 1][j + 1] + (LinesAgree(key[i], report[j])     ? 0
                                                : form(key[i]) == form(report[j]) ? 4
                                                                                  : 5));
      }
    int found = 0;
    for (const LineDifference& d : CompareReports(key, report).differences)
      found += d.keyMissing || d.reportMissing ? 3 : form(d.key) == form(d.report) ? 4 : 5;
    ASSERT_EQ(found, cost[0][0]) << "case " << t;
  }
}

// Strip reports run to 10^5 lines: a few edits cost a few differences. A
// report changed throughout and short of a line costs too much to align at
// the least cost; its headings, found once on each side, still hold it.
TEST(ReportCompare, LongReports) {
  auto strip = [](int lines) {
    std::vector<std::string> report;
    for (int i = 0; i < lines; ++i)
      report.push_back(i % 50 == 0 ? ""
                       : i % 50 == 1
                           ? "Photo " + std::to_string(i / 50)
                           : std::to_string(i % 50) + "  " + std::to_string(i % 97) + ".25");
    return report;
  };
  const std::vector<std::string> key = strip(100000);
  std::vector<std::string> report = key;
  report.erase(report.begin() + 70000);
  report.insert(report.begin() + 500, "extra");
  report[90000] += "1";
  Comparison c = CompareReports(key, report);
  EXPECT_EQ(Summary(c), "99998 of 100000 lines agree; first difference at line 501");
  EXPECT_EQ(c.differences.size(), 3u);

  const std::vector<std::string> shortKey = strip(5000);
  report = shortKey;
  for (std::string& line : report)
    if (line.ends_with(".25")) line.back() = '7';
  report.erase(report.begin() + 3);
  c = CompareReports(shortKey, report);
  EXPECT_EQ(Summary(c), "200 of 5000 lines agree; first difference at line 3");
  EXPECT_EQ(c.differences.size(), 4800u);
  EXPECT_TRUE(c.differences[1].reportMissing);  // key line 4, not one at the end
}

class CompareProgramTest : public TempDirTest {};

// A copy agrees; a missing line and a one-digit change are found at their
// lines and column; a missing file, or a folder named as a report or as the
// key, cannot be read: status 2 and the reason.
TEST_F(CompareProgramTest, MarksAReportAgainstTheKey) {
  const std::string bin = TESSARO_BIN_DIR "/tessaro-compare ";
  const std::string key = File("key.txt", "Title\r\n   Dx = 5105.425\r\n   Scale = 11.876443\r\n");
  File("same.txt", "Title\n   Dx = 5105.426\n   Scale = 11.876443\n");
  File("changed.txt", "Title\r\n   Scale = 11.816443\r\n");  // a line missing, one changed
  const std::string out = PathOf("out.txt");
  auto run = [&](const std::string& args) {
    return WEXITSTATUS(std::system((bin + args + " > " + out).c_str()));
  };
  EXPECT_EQ(run(key + " " + PathOf("same.txt")), 0);
  EXPECT_EQ(Read(out), "3 of 3 lines agree\n");
  EXPECT_EQ(run(key + " " + PathOf("changed.txt")), 1);
  EXPECT_EQ(Read(out),
            "line 2\n  key:       Dx = 5105.425\n  report: (no line)\n"
            "key line 3, report line 2, column 16\n"
            "  key:       Scale = 11.876443\n  report:    Scale = 11.816443\n"
            "1 of 3 lines agree; first difference at line 2\n");
  EXPECT_EQ(run("--tsv " + key + " " + PathOf("same.txt") + " " + PathOf("changed.txt") + " " +
                PathOf("missing.txt") + " 2> /dev/null"),
            2);
  EXPECT_EQ(Read(out), "report\tlines\tagreeing\tkey line\treport line\n" + PathOf("same.txt") +
                           "\t3\t3\t\t\n" + PathOf("changed.txt") + "\t3\t1\t2\t2\n" +
                           PathOf("missing.txt") + "\tunreadable\t\t\t\n");
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
