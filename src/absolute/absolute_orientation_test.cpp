// The absolute orientation as a user runs it: refusals, pairing messages and
// the report.
#include "absolute/absolute_orientation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>

#include "testing/session.h"

namespace tessaro {
namespace {

std::string N(double v, const char* after = "") { return std::to_string(std::lround(v)) + after; }

Operations AbsoluteOnly() {
  Operations ops;
  ops.ReadAbsoluteOrientationData = ReadAbsoluteOrientationData;
  ops.ComputeAbsoluteOrientation = [](Console& c) { ComputeAbsoluteOrientation(c); };
  return ops;
}

class AbsoluteSession : public SessionTest {
 protected:
  AbsoluteSession() : SessionTest(AbsoluteOnly()) {}
  void SetUp() override {
    SessionTest::SetUp();
    Choose("Open Absolute Orient", "abs.txt", "");
  }
  // Enters the records (after title and Sxyz, before the last terminator)
  // from the file chosen once, and processes them `process` times.
  void Run(const std::string& records, int process) {
    File("abs.txt", "T\n0.05\n" + records + "0 0 0 0\n");
    Press({"Enter Absolute Orient Data"});
    for (int k = 0; k < process; ++k) Press({"Process Absolute Orient"});
  }
};

// Too little control is refused after the echo, data entered before stay
// entered; too few rows once unmatched control is gone report nothing.
TEST_F(AbsoluteSession, Refusals) {
  const std::tuple<std::string, int, Lines> entries[] = {
      {"1 0 20 30\n2 15 25 40\n3 0 0 50\n0,0,0,0\n1 1 2 3\n2 4 5 6\n3 7 8 9\n", 0, {}},
      {"1 10 0 0\n2 0 0 40\n", 0, {"Horizontal control less than two points, Job aborted"}},
      {"1 10 20 30\n2 15 25 0\n3 0 0 50\n",
       0,
       {"Vertical control less than three points, Job aborted"}},
      {"1 10 20 30\n2 40 50 60\n3 0 0 70\n0,0,0,0\n1 1 2 3\n3 4 5 6\n",
       1,
       {"POINT 2 DOES NOT MATCH", "Error in Matrix inversion"}}};
  for (const auto& [records, process, messages] : entries) {
    ui.messages.clear();
    Run(records, process);
    EXPECT_EQ(console.job.ReadyFlag(kAbsoluteEntered), kTrue);
    EXPECT_EQ(ui.messages, messages) << records.substr(0, 40);
  }
  EXPECT_EQ(module.ModelXYZ(2), (Point3{4, 5, 6}));  // not transformed
  EXPECT_EQ(Report().size(), 4 * 3u);                // the echoes only
}

// The report lines of a translation with every kind of control, 151 of it
// without a partner and 1,202 new points in shuffled order, processed twice:
// the second run works on the transformed points. The lines before the
// points are kept in testdata/.
Lines TranslationReport(std::string& records, Lines& unmatched) {
  std::vector<std::array<double, 4>> points = {
      {1, 1010, 2020, 310}, {2, 1050, 2010, 320}, {3, 1030, 2060, 315}, {4, 1040, 2040, 305},
      {5, 1020, 2050, 330}, {8, 995, 2070, 308},  {7, 1025, 2035, 312}};
  std::string control, measured =
                           "8 -5 70 8\n4 40 40 5\n1 10 20 10\n7 25 35 12\n5 20 50 30\n"
                           "3 30 60 15\n2 50 10 20\n";
  unmatched = {"POINT 9 DOES NOT MATCH"};
  for (int i = 1; i <= 1200; ++i) {
    control += i > 150 ? "" : N(5000 + i, " 1 1 1\n");
    if (i <= 150) unmatched.push_back("POINT " + N(5000 + i, " DOES NOT MATCH"));
    measured += N(10000 + i, " ") + N(i % 97, " ") + N(i % 89, " ") + N(i % 13, "\n");
    points.push_back({10000. + i, i % 97 + 1000., i % 89 + 2000., i % 13 + 300.});
  }
  records =
      "1 1010 2020 310\n2 1050 2010 320\n9 1100 2100 350\n3 1030 2060 0\n4 0 0 305\n"
      "5 0 0 330\n" +
      control + "0,0,0,0\n" + measured;
  // The title, then a run's control, residuals and parameters.
  const Lines head = FileLines(TESSARO_SOURCE_DIR "/src/absolute/testdata/translation-head.txt");
  Lines expected(head.begin(), head.begin() + 3), section(head.begin() + 3, head.end());
  for (const auto& p : points)
    section.push_back(
        At({{1, N(p[0])}, {15, N(p[1], ".000")}, {30, N(p[2], ".000")}, {48, N(p[3], ".000")}}));
  for (int run = 1; run <= 2; ++run) {
    expected.insert(expected.end(), section.begin(), section.end());
    for (std::string& line : section)
      if (line.rfind("   D", 0) == 0) line = line.substr(0, 8) + ".000";
  }
  return expected;
}

// Control replaced by another operation, more than was measured, still gives
// a defined run.
TEST_F(AbsoluteSession, ReportsAndNoFixedLimits) {
  std::string records;
  Lines unmatched;
  const Lines expected = TranslationReport(records, unmatched);
  Run(records, 2);
  EXPECT_EQ(ui.messages, unmatched);
  EXPECT_EQ(module.AbsRedundancy, 2 * 154 + 155 - 7);
  EXPECT_EQ(Report(), expected);

  module.ReserveControlPoints(1301);
  module.CtrlPointCount = 1301;
  Press({"Process Absolute Orient"});
  EXPECT_EQ(Report().size(), expected.size() + 24 + 2602 + 1207);
}

}  // namespace
}  // namespace tessaro
