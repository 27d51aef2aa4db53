#include "relative/relative_orientation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "relative/synthetic_strip.h"
#include "testing/session.h"

namespace tessaro {
namespace {

const char* const kDiverges = "No convergency, Do you want to change flight direction? y/n";
const char* const kSingular = "  Do you want to chnage the Direction of flight?  Yy/Nn";
const char* const kInversion = "Error in Matrix Inversion";
const char* const kProcess = "Process Relative Orient";

// The example file with another frame dimension and standard error.
std::string Example(const std::string& frame, const std::string& sigma = "0.005") {
  std::ifstream in(TESSARO_SOURCE_DIR "/examples/relative.txt");
  std::string t(std::istreambuf_iterator<char>(in), {});
  return t.replace(t.find(" 4, 230, 0.005"), 14, " 4, " + frame + ", " + sigma);
}

Operations RelativeOnly() {
  Operations ops;
  ops.RelativeOrientation = [](Console& c) { RelativeOrientation(c); };
  return ops;
}

class RelativeTest : public SessionTest {
 protected:
  RelativeTest() : SessionTest(RelativeOnly()) {}
  // Chooses the strip file, enters it and processes it, the answers queued
  // for the questions; returns the report's lines.
  Lines Session(const std::string& text, const Lines& answers = {}) {
    Choose("Open Relative Orient", "strip.txt", text);
    Press({"Enter Relative Orient Data", kProcess}, answers);
    return Report();
  }
};

struct StripCase {
  const char* name;
  int photos, columns;
  int direction;  // -1: photographs numbered against the flight
};
void PrintTo(const StripCase& k, std::ostream* os) { *os << k.name; }
class StripRun : public RelativeTest, public ::testing::WithParamInterface<StripCase> {};

// An error-free strip runs to its report (the recovery of its geometry is
// the strip adjustment's own test). A strip numbered against the flight
// diverges along +X and, after "Y", is laid out along -X. A second
// "Process" reads the file again and writes the same.
TEST_P(StripRun, TwiceAndTurned) {
  const StripCase& k = GetParam();
  const SyntheticStrip s = MakeStrip(k.photos, k.columns, k.direction);
  const Lines answers = k.direction < 0 ? Lines{"Y"} : Lines{};
  Session(s.Text(), answers);
  Press({kProcess}, answers);
  const Lines report = Report();
  EXPECT_EQ(ui.prompts, Lines(2 * answers.size(), kDiverges));
  const std::size_t half = report.size() / 2;
  EXPECT_TRUE(std::equal(report.begin(), report.begin() + half, report.begin() + half));
  ASSERT_GE(report.size(), 5u);
  EXPECT_TRUE(report[4].ends_with(k.direction < 0 ? "Direction = -1 " : "Direction =  0 "));
  EXPECT_NE(std::ranges::find(report, "    ======================================="), report.end());
}

INSTANTIATE_TEST_SUITE_P(Strip, StripRun,
                         ::testing::Values(StripCase{"PairWithSixPoints", 2, 2, 1},
                                           StripCase{"AgainstTheFlight", 3, 5, -1}),
                         [](const auto& info) { return std::string(info.param.name); });

// A measuring error of twenty standard errors across the flight (where no
// point's depth can absorb it) is flagged on its photograph at its point;
// any other photograph flags the same point or none.
TEST_F(RelativeTest, FlagsTheDisturbedPoint) {
  SyntheticStrip s = MakeStrip(4, 7, 1);
  SyntheticImage& disturbed = s.photos[2].images[3];
  disturbed.y += 0.1;
  double photo = 0;                                // of the residuals listed
  std::vector<std::pair<double, double>> flagged;  // photograph, point
  for (const std::string& line : Session(s.Text())) {
    if (line.starts_with(" Station Id =")) photo = std::stod(line.substr(13));
    if (line.ends_with(" *Error*")) flagged.push_back({photo, std::stod(line)});
  }
  EXPECT_NE(std::ranges::find(flagged, std::pair(72.0, double(disturbed.no))), flagged.end());
  for (const auto& [p, point] : flagged) EXPECT_EQ(point, disturbed.no) << "photograph " << p;
}

// The example strip's report and window, line for line: each kind of line
// was checked by hand against its layout (items, separators, tabs, patterns).
// With a frame of 23000 it starts far off and is stopped by the iteration
// limit; each photograph's largest residual is flagged when it exceeds three
// times 0.001, as on all but photograph 70, whose largest is 0.0025.
TEST_F(RelativeTest, TheExampleIsPrintedInItsLayouts) {
  const Lines farOff = Session(Example("23000", "0.001"));
  EXPECT_EQ(ui.messages.size(), 10u);
  ui.messages.clear();
  Lines report = Session(Example("230"));
  report.erase(report.begin(), report.begin() + farOff.size());
  EXPECT_EQ(ui.messages,
            Lines({"  RMS=2.79361747949727  ITER=1", "  RMS=.157073385651374  ITER=2",
                   "  RMS=.00251879078528064  ITER=3", "  RMS=9.78876305349394E-05  ITER=4"}));
  EXPECT_EQ(console.Caption("BlackBoard"), "Temporary Relative Orientation Results");
  const Lines outputs[3] = {farOff, report, console.BlackBoard.Lines()};
  int i = 0;
  for (const char* name : {"23000-report", "report", "window"}) {
    EXPECT_EQ(outputs[i++], FileLines(TESSARO_SOURCE_DIR "/src/relative/testdata/example-" +
                                      std::string(name) + ".txt"))
        << name;
  }
}

// A strip file whose photographs hold these point numbers (made-up images).
std::string Numbered(std::vector<std::vector<int>> photos, int f = 153) {
  SyntheticStrip s;
  for (std::size_t p = 0; p < photos.size(); ++p) {
    s.photos.push_back(SyntheticPhoto{int(70 + p), double(f), {}, {}});
    for (int no : photos[p]) s.photos.back().images.push_back({no, double(no % 89), -3});
  }
  return s.Text();
}

std::vector<int> Range(int from, int to) {
  std::vector<int> v(to - from + 1);
  std::iota(v.begin(), v.end(), from);
  return v;
}

struct EndCase {
  const char* name;
  std::string (*text)();  // made only when the case runs
  Lines answers;
  Lines shown;  // the messages but the iterations' (each cut to its length), then the prompts
  Lines after;  // what the report holds after the title; {"*"}: a full section
};
void PrintTo(const EndCase& k, std::ostream* os) { *os << k.name; }
class RunEnd : public RelativeTest, public ::testing::WithParamInterface<EndCase> {};

// Runs that stop before their report, or report differently: the exact
// messages and questions, and what the report holds after the echoed title.
TEST_P(RunEnd, Reports) {
  const EndCase& k = GetParam();
  const Lines report = Session(k.text(), k.answers);
  Lines shown;
  for (const std::string& m : ui.messages)
    if (!m.starts_with("  RMS=")) shown.push_back(m.substr(0, k.shown.at(shown.size()).size()));
  shown.insert(shown.end(), ui.prompts.begin(), ui.prompts.end());
  EXPECT_EQ(shown, k.shown);
  ASSERT_GE(report.size(), 3u);
  const Lines after(report.begin() + 3, report.end());
  if (k.after != Lines{"*"}) {
    EXPECT_EQ(after, k.after);
  } else {  // without redundancy So is its a-priori 1
    EXPECT_EQ(std::ranges::count_if(after, [](auto& l) { return l.find("So=1.  ITER") != l.npos; }),
              1);
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Strip, RunEnd, ::testing::Values(
    EndCase{"FiveCommonPoints", [] { return Numbered({Range(1, 5), Range(1, 5)}); }, {},
            {"There are less than 6 common points: 5"}, {}},
    EndCase{"ElevenOnFourPhotos", [] { return Numbered({Range(1, 11), Range(1, 11),
            Range(1, 11), Range(1, 11)}); }, {}, {"There are less than 6 common points: 11"}, {}},
    EndCase{"SinglePoints",
            [] { return Numbered({{1, 2, 3713, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6, 100000}}); }, {},
            {"  There are 2 single images, job aborted"}, {"single points", " 3713 ", " 100000 "}},
    EndCase{"NoPhotograph", [] { return Numbered({}); }, {},
            {"strip.txt, line 2: expected 2 photographs at least (number of photographs), found 0"},
            {}},
    EndCase{"NoFocalLength", [] { return Numbered({Range(1, 6), Range(1, 6)}, 0); }, {},
            {"strip.txt, line 3: expected a positive focal length, found 0"}, {}},
    EndCase{"DivergenceCancelled", [] { return Example("23"); }, {""}, {kDiverges}, {}},
    EndCase{"SingularAnsweredNo", [] { return Example("1e-300"); }, {"n"},
            {kInversion, kSingular}, {}},
    EndCase{"OverflowYesThenOther", [] { return Example("1e300"); }, {"Y", "x"},
            {kInversion, kInversion, kSingular, kSingular}, {}},
    // Three photographs, nine points each on two of them: 36 observations, 38 unknowns.
    EndCase{"NoRedundancy", [] { return Numbered({Range(1, 5), Range(1, 9), Range(6, 9)}); }, {},
            {"  There are no redundant observations: So is taken as 1 (a priori)"}, {"*"}},
    // Every photograph sees points 1..3 of the first: the profile is full.
    EndCase{"NormalMatrixTooLarge", [] {
              std::vector<std::vector<int>> photos(20000, {1, 2, 3});
              for (int p = 0; p < 20000; ++p)
                for (int k = 1; k <= 3; ++k) {
                  photos[p].push_back(10 * p + 10 + k);
                  photos[(p + 1) % 20000].push_back(10 * p + 10 + k);
                }
              return Numbered(photos);
            }, {}, {"The strip has 300002 unknowns: its normal matrix needs 57623 MB, more than "
             "a quarter of this computer's memory ("}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// A strip of one photograph is checked like any other: fewer than three
// distinct numbers, or a number measured once, stop it as they stop a
// longer strip; one that passes (every number measured twice) is refused,
// as its only station is held and there is nothing to adjust.
INSTANTIATE_TEST_SUITE_P(OnePhoto, RunEnd, ::testing::Values(
    EndCase{"TwoPoints", [] { return Numbered({{1, 2, 1, 2}}); }, {},
            {"There are less than 6 common points: 2"}, {}},
    EndCase{"SinglePoint", [] { return Numbered({{1, 2, 3, 4, 3, 2, 1}}); }, {},
            {"  There are 1 single images, job aborted"}, {"single points", " 4 "}},
    EndCase{"NothingToAdjust", [] { return Numbered({{1, 2, 3, 3, 2, 1}}); }, {},
            {"strip.txt, line 2: expected 2 photographs at least (number of photographs), found 1"},
            {}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
}  // namespace tessaro
