// The report's print statements: number patterns, plain numbers, print
// zones and Tab, and the report file's CR LF lines.
#include "shell/print.h"

#include <gtest/gtest.h>

#include "shell/report_channel.h"
#include "testing/test_support.h"

namespace tessaro {
namespace {

// One pattern of each kind the reports use ("0" places always written, "#"
// places only when needed, before and after the point), then the rounding
// rules: half away from zero on the value as printed to 15 digits, the
// integer part never cut or padded, and a value that rounds to zero loses
// its minus sign.
TEST(FormatNumber, PatternsOfTheReportsAndTheirRounding) {
  const struct {
    double value;
    const char* pattern;
    const char* expected;
  } cases[] = {
      {16.13, "#####0.000", "16.130"},
      {-0.5, "#####0.000", "-0.500"},
      {0, "######0.000", "0.000"},
      {6151, "####", "6151"},
      {0, "####", ""},
      {534535.5, "########.###", "534535.5"},
      {12, "########.###", "12."},
      {0.25, "########.###", ".25"},
      {12.34567, "#######.####", "12.3457"},
      {-0.0004, "######.###", "."},
      {1.2, "####0.000#", "1.200"},
      {1.23456, "####0.000#", "1.2346"},
      {-2.25, "####.####", "-2.25"},
      {0.000123, "###.####", ".0001"},
      {534535.5, "##########.000", "534535.500"},
      {-0.5, "######.000000", "-.500000"},
      // Rounding.
      {0.0005, "0.000", "0.001"},
      {-0.0005, "0.000", "-0.001"},
      {2.675, "0.00", "2.68"},
      {1.005, "0.00", "1.01"},
      {2.5, "####", "3"},
      {-2.5, "####", "-3"},
      {9.9996, "0.000", "10.000"},
      {999.5, "#", "1000"},
      {-0.0004, "####0.000", "0.000"},
      {123456789.125, "#0.00", "123456789.13"},
      {1e20, "0", "100000000000000000000"},
      {0.4, "####", ""},
      {0.6, "####", "1"},
      {1e-9, "0.000000", "0.000000"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatNumber(c.value, c.pattern), c.expected) << c.value << " in " << c.pattern;
}

// The shortest form with up to fifteen digits, without a leading zero;
// the exponent form outside 1e-4 .. 1e15.
TEST(PlainReal, ShortestFormWithFifteenDigits) {
  const std::pair<double, const char*> cases[] = {
      {106.214, "106.214"},
      {2000, "2000"},
      {-0.25, "-.25"},
      {0, "0"},
      {-0.0, "0"},
      {0.1 + 0.2, ".3"},
      {1.0 / 3.0, ".333333333333333"},
      {123456789012345.0, "123456789012345"},
      {0.0001, ".0001"},
      {-0.00012345, "-.00012345"},
      {1e15, "1E+15"},
      {-1.5e20, "-1.5E+20"},
      {0.00001, "1E-05"},
      {2.5e-5, "2.5E-05"},
      {1.25e-300, "1.25E-300"},
      {999999999999999.4, "999999999999999"},
      {999999999999999.9, "1E+15"},  // rounds up into the next decade
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(PlainReal(value), text) << text;
}

// Numbers print with a sign place and a trailing blank; a comma moves to the
// next zone of 14 columns, or past the one just begun.
TEST(PrintItems, NumbersAndZones) {
  PrintSurface s;
  PrintItems(s, {51, Comma, 106.214, Comma, -0.5});
  PrintItems(s, {Comma, "x", Comma, std::string(13, 'y'), Comma, "z"});
  EXPECT_EQ(
      s.Lines(),
      (Lines{" 51 " + std::string(10, ' ') + " 106.214 " + std::string(5, ' ') + "-.5 ",
             std::string(14, ' ') + "x" + std::string(13, ' ') + std::string(13, 'y') + " z"}));
}

TEST(PrintItems, TabMovesForwardOrStartsANewLine) {
  PrintSurface s;
  PrintItems(s, {std::string(20, 'a'), Semi, Tab(15), Semi, "b"});
  PrintItems(s, {"abc", Semi, Tab(4), Semi, "d", Semi, Tab(6), Semi, "e"});
  PrintItems(s, {Tab(0), Semi, "f"});
  PrintItems(s, {"\xCE\x94\xCE\xA7", Semi, Tab(4), Semi, "x"});  // columns count characters
  EXPECT_EQ(s.Lines(), (Lines{std::string(20, 'a'), std::string(14, ' ') + "b", "abcd e", "f",
                              "\xCE\x94\xCE\xA7 x"}));
}

TEST(PrintItems, OpenStatementsContinueAndEmptyStatementsEndLines) {
  PrintSurface s;
  PrintItems(s, {"RMS: ", Semi});
  EXPECT_EQ(s.Column(), 6);
  PrintItems(s, {Tab(10), Semi, FormatNumber(0.0271, "####0.000")});
  PrintItems(s, {});
  PrintItems(s, {static_cast<std::int16_t>(-3), Semi, 7});
  EXPECT_EQ(s.Text(), "RMS:     0.027\n\n-3  7 \n");
  s.Clear();
  EXPECT_TRUE(s.Lines().empty());
  EXPECT_EQ(s.Column(), 1);
}

// A table row is the statement written out by hand: numbers through the
// column's pattern, other cells as they are, Tab before each placed column.
TEST(PrintRow, IsTheStatementItStandsFor) {
  const TableLayout layout = {{0}, {10, "#####.###"}, {25, "##0.0"}, {0}};
  PrintSurface row, statement;
  PrintRow(row, layout, {7, -1.25, 3, " *Error*"});
  PrintItems(statement, {7, Semi, Tab(10), Semi, FormatNumber(-1.25, "#####.###"), Semi, Tab(25),
                         Semi, FormatNumber(3, "##0.0"), Semi, " *Error*"});
  PrintRow(row, layout, {"Point#", "X"});
  PrintItems(statement, {"Point#", Semi, Tab(10), Semi, "X"});
  PrintRow(row, layout, {});
  PrintItems(statement, {});
  EXPECT_EQ(row.Text(), statement.Text());
  EXPECT_EQ(row.Lines()[0], At({{1, " 7 "}, {10, "-1.25"}, {25, "3.0 *Error*"}}));
}

// A report that cannot be written: the error names the file.
TEST(ReportChannel, NamesAFileItCannotOpen) {
  ReportChannel ch;
  std::string error;
  EXPECT_FALSE(ch.Open("/no-such-dir/r.txt", error));
  EXPECT_NE(error.find("r.txt"), std::string::npos);
}

}  // namespace
}  // namespace tessaro
