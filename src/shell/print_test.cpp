// The report's print statements: number patterns, plain numbers, print
// zones and Tab, and the report file's CR LF lines.
#include "shell/print.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>

#include "shell/report_channel.h"
#include "testing/test_support.h"

namespace tessaro {
namespace {

// The formatter as it was when the C library's printf made its digits: the
// value rounded to 15 significant digits ("%.14e"), then laid out by the same
// rules. The formatter must agree with it character for character.
namespace printf_reference {

struct Decimal {
  std::string digits;  // value = 0.digits * 10^point
  int point = 0;
  char Digit(int i) const { return i >= 0 && i < int(digits.size()) ? digits[i] : '0'; }
};

Decimal ToDecimal(double magnitude) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.14e", magnitude);
  return {buffer[0] + std::string(buffer + 2, 14), std::atoi(buffer + 17) + 1};
}

std::string NonFinite(double v) { return std::isnan(v) ? "NaN" : v < 0 ? "-Inf" : "Inf"; }

std::string PlainReal(double value) {
  if (!std::isfinite(value)) return NonFinite(value);
  if (value == 0) return "0";
  Decimal d = ToDecimal(std::fabs(value));
  while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
  const std::string sign = value < 0 ? "-" : "";
  const int exponent = d.point - 1, count = int(d.digits.size());
  if (exponent < -4 || exponent > 14) {
    std::string mantissa = d.digits.substr(0, 1);
    if (count > 1) mantissa += "." + d.digits.substr(1);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return sign + mantissa + buffer;
  }
  if (d.point <= 0) return sign + "." + std::string(-d.point, '0') + d.digits;
  if (d.point >= count) return sign + d.digits + std::string(d.point - count, '0');
  return sign + d.digits.substr(0, d.point) + "." + d.digits.substr(d.point);
}

std::string FormatNumber(double value, std::string_view pattern) {
  if (!std::isfinite(value)) return NonFinite(value);
  const std::size_t dot = pattern.find('.');
  const std::string_view before = pattern.substr(0, dot);
  const std::string_view after = dot == pattern.npos ? "" : pattern.substr(dot + 1);
  Decimal d = ToDecimal(std::fabs(value));
  // Half away from zero at the last place of the pattern.
  const int keep = d.point + int(after.size());
  if (keep < 0) d = {"0", 1};
  if (keep >= 0 && keep < int(d.digits.size())) {
    const bool up = d.digits[keep] >= '5';
    d.digits.resize(keep);
    int i = keep - 1;
    if (up) {
      while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
      if (i >= 0)
        ++d.digits[i];
      else
        d.digits.insert(d.digits.begin(), '1'), ++d.point;
    }
    if (d.digits.empty()) d = {"0", 1};
  }
  std::string integer;
  for (int i = 0; i < d.point; ++i) integer.push_back(d.Digit(i));
  integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size()));
  if (integer.empty() && before.find('0') != before.npos) integer = "0";
  int written = 0;
  for (int k = 0; k < int(after.size()); ++k)
    if (after[k] == '0' || d.Digit(d.point + k) != '0') written = k + 1;
  std::string fraction;
  for (int k = 0; k < written; ++k) fraction.push_back(d.Digit(d.point + k));
  const bool isZero = d.digits.find_first_not_of('0') == std::string::npos;
  std::string text = (value < 0 && !isZero) ? "-" : "";
  text += integer;
  if (dot != pattern.npos) text += "." + fraction;
  return text;
}

}  // namespace printf_reference

// One pattern of each kind the reports use ("0" or "#" places before the
// point, none to ten places after it, "0" and "#" mixed), and a few longer.
const char* const kPatterns[] = {
    "####0.000",
    "######0.000",
    "###0.000000",
    "###0.0000000000",
    "####",
    "########.###",
    "#######.#####",
    "####0.000#",
    "##0.0000",
    "#######.000000",
    "##########.000",
    "###",
    "0",
    "0.0",
    "#.##############",
    "0.00000000000000000000",
};

// Compares both print forms of value, and of -value, with the reference;
// returns how many differ (each one is reported).
int CompareWithPrintf(double value, std::span<const char* const> patterns) {
  int differ = 0;
  for (double v : {value, -value}) {
    if (PlainReal(v) != printf_reference::PlainReal(v)) {
      ++differ;
      ADD_FAILURE() << "PlainReal(" << std::hexfloat << v << ") = " << PlainReal(v)
                    << ", printf gives " << printf_reference::PlainReal(v);
    }
    for (const char* p : patterns)
      if (FormatNumber(v, p) != printf_reference::FormatNumber(v, p)) {
        ++differ;
        ADD_FAILURE() << "FormatNumber(" << std::hexfloat << v << ", " << p
                      << ") = " << FormatNumber(v, p) << ", printf gives "
                      << printf_reference::FormatNumber(v, p);
      }
  }
  return differ;
}

// The rules as the reports show them, spelled out so that the reference
// below is held to them too: "0" places always written, "#" places only
// when needed; half away from zero on the value as printed to 15 digits;
// the integer part never cut; a value that rounds to zero loses its minus
// sign. Without a pattern, the shortest form with up to fifteen digits and
// no leading zero, the exponent form outside 1e-4 .. 1e15.
TEST(Formatter, RulesSpelledOut) {
  using limits = std::numeric_limits<double>;
  const struct {
    double value;
    const char* pattern;  // nullptr: PlainReal
    const char* expected;
  } cases[] = {
      {16.13, "#####0.000", "16.130"},
      {0, "####", ""},
      {12, "########.###", "12."},
      {0.25, "########.###", ".25"},
      {-0.0004, "######.###", "."},
      {1.23456, "####0.000#", "1.2346"},
      {-0.5, "######.000000", "-.500000"},
      {1.005, "0.00", "1.01"},
      {-2.5, "####", "-3"},
      {9.9996, "0.000", "10.000"},
      {-0.0004, "####0.000", "0.000"},
      {0x1p64 + 0x1p12, "0", "18446744073709600000"},
      {-0.25, nullptr, "-.25"},
      {-0.0, nullptr, "0"},
      {1.0 / 3.0, nullptr, ".333333333333333"},
      {-0.00012345, nullptr, "-.00012345"},
      {-1.5e20, nullptr, "-1.5E+20"},
      {2.5e-5, nullptr, "2.5E-05"},
      {999999999999999.9, nullptr, "1E+15"},
      {123456789012345.5, nullptr, "123456789012346"},
      {100000000000000.5, nullptr, "100000000000000"},
      {limits::denorm_min(), nullptr, "4.94065645841247E-324"},
      {-limits::max(), nullptr, "-1.79769313486232E+308"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.pattern ? FormatNumber(c.value, c.pattern) : PlainReal(c.value), c.expected)
        << c.value << " in " << (c.pattern ? c.pattern : "plain form");
    EXPECT_EQ(c.pattern ? printf_reference::FormatNumber(c.value, c.pattern)
                        : printf_reference::PlainReal(c.value),
              c.expected)
        << "the reference";
  }
}

// Values where a formatter most easily loses a digit, in both print forms and
// every pattern, each also negated.
TEST(Formatter, HardCasesAgreeWithPrintf) {
  using limits = std::numeric_limits<double>;
  const double hard[] = {
      // Halves at the last place of a pattern, and their neighbours.
      0.5, 1.5, 2.5, 0.125, 0.375, 0.0625, 2.675, 1.005, 0.0005, 1234.5625, 999.5, 9.9995,
      99999.9995, std::nextafter(0.5, 0.0), std::nextafter(0.5, 1.0), std::nextafter(2.5, 3.0),
      // Ties of the exact binary value at the 15th digit (to even), and 16- and
      // 17-digit values.
      100000000000000.5, 123456789012345.5, 123456789012344.5, 0.1 + 0.2, 1.0 / 3, 2.0 / 3,
      123456789012345.6, 9.87654321098765e-3, 0.30000000000000004, 1.0000000000000002,
      // The plain form's switches to the exponent form at 1E+15 and 1E-04.
      1e15, 999999999999999.4, 999999999999999.5, 999999999999999.9, std::nextafter(1e15, 0.0),
      1e-4, std::nextafter(1e-4, 0.0), 9.999999999999995e-5, 9.9999999999999995e-5, 1e-5,
      // Subnormals, the extremes, zeros and whole numbers beyond 2^53.
      limits::denorm_min(), 2.2250738585072009e-308, limits::min(), limits::max(),
      std::nextafter(limits::max(), 0.0), 0.0, -0.0, 9007199254740993.0, 0x1p53 + 2,
      18014398509481990.0, 0x1p63, 0x1p64 + 0x1p12, 1e22, 1e23, 1.8e19, 1e300, limits::infinity(),
      limits::quiet_NaN()};
  for (double v : hard) CompareWithPrintf(v, kPatterns);
}

// A fixed-seed sweep: bit patterns over the whole range of doubles, values of
// every magnitude, and values as reports hold them (a few decimals, halves at
// the last place, short binary fractions), each through two patterns.
TEST(Formatter, SeededSweepAgreesWithPrintf) {
  std::mt19937_64 random(1994);
  const auto below = [&](std::uint64_t n) { return static_cast<double>(random() % n); };
  const std::span<const char* const> patterns(kPatterns);
  int differ = 0;
  for (int i = 0; i < 50000 && differ < 10; ++i) {
    const double scale = std::pow(10.0, below(9));
    const double values[] = {std::bit_cast<double>(random()),
                             (1 + below(1u << 30) / (1u << 30)) * std::pow(10.0, below(40) - 15),
                             below(10'000'000'000) / scale, (below(2'000'000'000) + 0.5) / scale,
                             below(1u << 30) / std::ldexp(1.0, static_cast<int>(below(30)))};
    for (double v : values) differ += CompareWithPrintf(v, patterns.subspan(i % 15, 2));
  }
}

// Numbers print with a sign place and a trailing blank; a comma moves to the
// next zone of 14 columns, or past the one just begun. Tab moves forward or
// starts a new line, counting characters; an open statement goes on, an empty
// one ends the line.
TEST(PrintItems, ZonesTabsAndOpenStatements) {
  PrintSurface s;
  PrintItems(s, {51, Comma, 106.214, Comma, -0.5});
  PrintItems(s, {Comma, "x", Comma, std::string(13, 'y'), Comma, "z"});
  PrintItems(s, {std::string(20, 'a'), Semi, Tab(15), Semi, "b"});
  PrintItems(s, {"abc", Semi, Tab(4), Semi, "d", Semi, Tab(6), Semi, "e"});
  PrintItems(s, {Tab(0), Semi, "f"});
  PrintItems(s, {"\xCE\x94\xCE\xA7", Semi, Tab(4), Semi, "x"});
  EXPECT_EQ(s.Lines(),
            (Lines{" 51 " + std::string(10, ' ') + " 106.214 " + std::string(5, ' ') + "-.5 ",
                   std::string(14, ' ') + "x" + std::string(13, ' ') + std::string(13, 'y') + " z",
                   std::string(20, 'a'), std::string(14, ' ') + "b", "abcd e", "f",
                   "\xCE\x94\xCE\xA7 x"}));
  s.Clear();
  EXPECT_TRUE(s.Lines().empty());
  EXPECT_EQ(s.Column(), 1);
  PrintItems(s, {"RMS: ", Semi});
  EXPECT_EQ(s.Column(), 6);
  PrintItems(s, {Tab(10), Semi, FormatNumber(0.0271, "####0.000")});
  PrintItems(s, {});
  PrintItems(s, {static_cast<std::int16_t>(-3), Semi, 7});
  EXPECT_EQ(s.Text(), "RMS:     0.027\n\n-3  7 \n");
}

// The report file gets each line whole with CR LF; a flush in mid-line
// writes the line as far as it goes and the line goes on from its column;
// closing writes an open line too, and opening again empties the file. A
// report that cannot be written names its file.
class ReportFileTest : public TempDirTest {};

TEST_F(ReportFileTest, CrLfAndAnOpenLineSurvives) {
  ReportChannel ch;
  std::string error;
  ASSERT_TRUE(ch.Open(PathOf("r.txt"), error));
  PrintItems(ch, {"a", Comma, 5});
  PrintItems(ch, {"part", Semi});
  ch.Flush();
  EXPECT_EQ(Read(PathOf("r.txt")), "a" + std::string(13, ' ') + " 5 \r\npart");
  PrintItems(ch, {Tab(8), Semi, -0.5});
  PrintItems(ch, {"open", Semi});
  ch.Close();
  EXPECT_EQ(Read(PathOf("r.txt")), "a" + std::string(13, ' ') + " 5 \r\npart   -.5 \r\nopen");
  ASSERT_TRUE(ch.Open(PathOf("r.txt"), error));
  EXPECT_EQ(ch.Column(), 1);
  ch.Flush();
  EXPECT_EQ(Read(PathOf("r.txt")), "");
  EXPECT_FALSE(ReportChannel().Open(PathOf("no-such-folder/r.txt"), error));
  EXPECT_NE(error.find("no-such-folder/r.txt"), std::string::npos);
}

}  // namespace
}  // namespace tessaro
