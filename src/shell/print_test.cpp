#include "shell/print.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "shell/report_channel.h"

namespace tessaro {
namespace {

struct PatternCase {
  double value;
  const char* pattern;
  const char* expected;
};

void PrintTo(const PatternCase& c, std::ostream* os) { *os << c.value << " in " << c.pattern; }

class FormatNumberTest : public ::testing::TestWithParam<PatternCase> {};

TEST_P(FormatNumberTest, GivesTheExpectedText) {
  const PatternCase& c = GetParam();
  EXPECT_EQ(FormatNumber(c.value, c.pattern), c.expected) << c.value << " in " << c.pattern;
}

// Every example of the pattern table used by the reports.
INSTANTIATE_TEST_SUITE_P(
    PatternTable, FormatNumberTest,
    ::testing::Values(
        PatternCase{16.13, "#####0.000", "16.130"}, PatternCase{-0.5, "#####0.000", "-0.500"},
        PatternCase{228.142, "######0.000", "228.142"}, PatternCase{0, "######0.000", "0.000"},
        PatternCase{0.027, "####0.000", "0.027"}, PatternCase{2.5, "####0.000", "2.500"},
        PatternCase{1.0 / 3.0, "###0.000000", "0.333333"}, PatternCase{2, "###0.000000", "2.000000"},
        PatternCase{0.5, "###0.0000000000", "0.5000000000"}, PatternCase{6151, "####", "6151"},
        PatternCase{0, "####", ""}, PatternCase{534535.5, "########.###", "534535.5"},
        PatternCase{12, "########.###", "12."}, PatternCase{0.25, "########.###", ".25"},
        PatternCase{12.34567, "#######.####", "12.3457"}, PatternCase{0.1, "#######.####", ".1"},
        PatternCase{3.14159, "#####.###", "3.142"}, PatternCase{-0.0004, "######.###", "."},
        PatternCase{1.2, "####0.000#", "1.200"}, PatternCase{1.23456, "####0.000#", "1.2346"},
        PatternCase{1.2340, "####0.000#", "1.234"}, PatternCase{7.25, "#########0.000", "7.250"},
        PatternCase{10.5, "########.####", "10.5"}, PatternCase{-2.25, "####.####", "-2.25"},
        PatternCase{0.5, "####0.0000", "0.5000"}, PatternCase{0.5, "##0.0000", "0.5000"},
        PatternCase{0.000123, "###.####", ".0001"}, PatternCase{0.123456, "#######.#####", ".12346"},
        PatternCase{0.5, "#######0.0000", "0.5000"}, PatternCase{1.5, "######0.00000", "1.50000"},
        PatternCase{7, "###", "7"}, PatternCase{3701, "#######", "3701"},
        PatternCase{0.5, "#######.000000", ".500000"}, PatternCase{2.5, "########0.000", "2.500"},
        PatternCase{534535.5, "##########.000", "534535.500"},
        PatternCase{0.5, "##########.000", ".500"}, PatternCase{0.5, "####.000000", ".500000"},
        PatternCase{-0.5, "######.000000", "-.500000"}, PatternCase{3701, "##########", "3701"},
        PatternCase{0.5, "########.000", ".500"}));

// Rounding is half away from zero on the value as printed to 15 digits, the
// pattern never cuts or pads the integer part, and a value that rounds to
// zero loses its minus sign.
INSTANTIATE_TEST_SUITE_P(
    Rounding, FormatNumberTest,
    ::testing::Values(PatternCase{0.0005, "0.000", "0.001"}, PatternCase{-0.0005, "0.000", "-0.001"},
                      PatternCase{2.675, "0.00", "2.68"}, PatternCase{1.005, "0.00", "1.01"},
                      PatternCase{2.5, "####", "3"}, PatternCase{-2.5, "####", "-3"},
                      PatternCase{9.9996, "0.000", "10.000"}, PatternCase{999.5, "#", "1000"},
                      PatternCase{-0.0004, "####0.000", "0.000"},
                      PatternCase{123456789.125, "#0.00", "123456789.13"},
                      PatternCase{1e20, "0", "100000000000000000000"},
                      PatternCase{0.4, "####", ""}, PatternCase{0.6, "####", "1"},
                      PatternCase{1e-9, "0.000000", "0.000000"}));

TEST(PlainReal, ShortestFormWithFifteenDigits) {
  EXPECT_EQ(PlainReal(106.214), "106.214");
  EXPECT_EQ(PlainReal(2000), "2000");
  EXPECT_EQ(PlainReal(-0.25), "-.25");
  EXPECT_EQ(PlainReal(0), "0");
  EXPECT_EQ(PlainReal(-0.0), "0");
  EXPECT_EQ(PlainReal(0.1 + 0.2), ".3");
  EXPECT_EQ(PlainReal(1.0 / 3.0), ".333333333333333");
  EXPECT_EQ(PlainReal(123456789012345.0), "123456789012345");
  EXPECT_EQ(PlainReal(0.0001), ".0001");
  EXPECT_EQ(PlainReal(-0.00012345), "-.00012345");
}

TEST(PlainReal, ExponentFormOutsideTheChosenMagnitudes) {
  EXPECT_EQ(PlainReal(1e15), "1E+15");
  EXPECT_EQ(PlainReal(-1.5e20), "-1.5E+20");
  EXPECT_EQ(PlainReal(0.00001), "1E-05");
  EXPECT_EQ(PlainReal(2.5e-5), "2.5E-05");
  EXPECT_EQ(PlainReal(1.25e-300), "1.25E-300");
  EXPECT_EQ(PlainReal(999999999999999.4), "999999999999999");
  EXPECT_EQ(PlainReal(999999999999999.9), "1E+15");  // rounds up into the next decade
}

TEST(PrintItems, NumbersAndZones) {
  PrintSurface s;
  PrintItems(s, {51, Comma, 106.214, Comma, -0.5});
  const std::string line = s.Lines()[0];
  EXPECT_EQ(line.substr(0, 4), " 51 ");
  EXPECT_EQ(line.substr(14, 9), " 106.214 ");
  EXPECT_EQ(line.substr(28), "-.5 ");
  EXPECT_EQ(line.substr(4, 10), std::string(10, ' '));
  EXPECT_EQ(line.substr(23, 5), std::string(5, ' '));
}

TEST(PrintItems, CommaAtAZoneStartMovesToTheNextZone) {
  PrintSurface s;
  PrintItems(s, {Comma, "x", Comma, std::string(13, 'y'), Comma, "z"});
  EXPECT_EQ(s.Lines()[0], std::string(14, ' ') + "x" + std::string(13, ' ') +
                              std::string(13, 'y') + " " + "z");
}

TEST(PrintItems, TabMovesForwardOrStartsANewLine) {
  PrintSurface s;
  PrintItems(s, {std::string(20, 'a'), Semi, Tab(15), Semi, "b"});
  PrintItems(s, {"abc", Semi, Tab(4), Semi, "d", Semi, Tab(6), Semi, "e"});
  PrintItems(s, {Tab(0), Semi, "f"});
  EXPECT_EQ(s.Lines(), (std::vector<std::string>{std::string(20, 'a'), std::string(14, ' ') + "b",
                                                 "abcd e", "f"}));
}

TEST(PrintItems, OpenStatementsContinueAndEmptyStatementsEndLines) {
  PrintSurface s;
  PrintItems(s, {"RMS: ", Semi});
  EXPECT_EQ(s.Column(), 6);
  PrintItems(s, {Tab(10), Semi, FormatNumber(0.0271, "####0.000")});
  PrintItems(s, {});
  PrintItems(s, {static_cast<std::int16_t>(-3), Semi, 7});
  EXPECT_EQ(s.Lines(), (std::vector<std::string>{"RMS:     0.027", "", "-3  7 "}));
  EXPECT_EQ(s.Text(), "RMS:     0.027\n\n-3  7 \n");
  s.Clear();
  EXPECT_TRUE(s.Lines().empty());
  EXPECT_EQ(s.Column(), 1);
}

TEST(PrintItems, ColumnsCountCharactersNotBytes) {
  PrintSurface s;
  PrintItems(s, {"\xCE\x94\xCE\xA7", Semi, Tab(4), Semi, "x"});  // two Greek capitals
  EXPECT_EQ(s.Lines()[0], "\xCE\x94\xCE\xA7 x");
}

TEST(ReportChannel, WritesCrLfAndEmptiesAnExistingFile) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "tessaro_print_test";
  std::filesystem::create_directories(dir);
  std::string path = (dir / "report.txt").string();
  { std::ofstream(path) << "old contents\n"; }
  ReportChannel ch;
  std::string error;
  ASSERT_TRUE(ch.Open(path, error));
  PrintItems(ch, {"Title", Semi});
  PrintItems(ch, {" x"});
  PrintItems(ch, {});
  ch.Flush();
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  EXPECT_EQ(all.str(), "Title x\r\n\r\n");
  ch.Close();
  EXPECT_FALSE(ch.Open((dir / "no-such-dir" / "r.txt").string(), error));
  EXPECT_NE(error.find("r.txt"), std::string::npos);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tessaro
