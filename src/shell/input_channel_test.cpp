// Reading the input files: fields, numbers, titles, and errors that name
// the file, the line and what was expected; numbers typed at a prompt.
#include "shell/input_channel.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>

#include "shell/leading_number.h"

namespace tessaro {
namespace {

using limits = std::numeric_limits<double>;

InputChannel On(const std::string& text) {
  InputChannel ch;
  ch.OpenText(text, "input.txt");
  return ch;
}

// Commas, blanks, tabs and line ends separate fields alike, the
// terminating record "0,0,0" included.
TEST(ReadFields, CommasBlanksAndBothReadAlike) {
  for (const char* text : {"51, 106.214, 106.234\n", "51 106.214 106.234\n", "51 ,106.214,106.234",
                           "51\t106.214  ,  106.234", "51,\n106.214\n\n 106.234"}) {
    InputChannel ch = On(text);
    std::int32_t no = 0;
    double x = 0, y = 0;
    ReadFields(ch, In(no, "point number"), In(x, "x"), In(y, "y"));
    EXPECT_EQ(no, 51) << text;
    EXPECT_EQ(x, 106.214) << text;
    EXPECT_EQ(y, 106.234) << text;
    EXPECT_TRUE(ch.AtEnd()) << text;
  }
  for (const char* text : {"0,0,0", "0 0 0", "0, 0, 0", "0 , 0 , 0\r\n", "  0,0 0"}) {
    InputChannel ch = On(std::string(text) + "\n7");
    std::int32_t a = 1, b = 1, c = 1, next = 0;
    ReadFields(ch, In(a, "a"), In(b, "b"), In(c, "c"), In(next, "next"));
    EXPECT_EQ(a + b + c, 0) << text;
    EXPECT_EQ(next, 7) << text;
  }
}

// Whole numbers round half to even; reals take the usual syntax.
TEST(ReadFields, NumberSyntax) {
  InputChannel ch = On("2.5 3.5 -2.5 0.5 1.4999 -7.6 32767.4 -32768 2147483647");
  for (int expected : {2, 4, -2, 0, 1, -8, 32767}) EXPECT_EQ(ch.ReadWhole("w"), expected);
  std::int32_t big = 0, longest = 0;
  ReadFields(ch, In(big, "big"), In(longest, "longest"));
  EXPECT_EQ(big, -32768);
  EXPECT_EQ(longest, 2147483647);
  InputChannel reals = On("+1.5 -.25 5. 1e3 2.5E-2 007");
  for (double expected : {1.5, -0.25, 5.0, 1000.0, 0.025, 7.0})
    EXPECT_EQ(reals.ReadReal("v"), expected);
}

// A title is the first field of its line, cut or padded to 80 characters
// (not bytes); unquoted it ends at a comma, quoted it may hold commas.
TEST(ReadTitle, CutOrPaddedToEightyCharacters) {
  InputChannel ch = On("Short text\n" + std::string(90, 'x') +
                       "\n\"Quoted, with commas; and more\", 3\nStrip 4, photos 70-73\n 4\n" +
                       std::string(79, 'a') + "\xCE\x94" + "zzz");
  EXPECT_EQ(ch.ReadTitle(), "Short text" + std::string(70, ' '));
  EXPECT_EQ(ch.ReadTitle(), std::string(80, 'x'));
  EXPECT_EQ(ch.ReadTitle(), "Quoted, with commas; and more" + std::string(51, ' '));
  EXPECT_EQ(ch.ReadWhole("count"), 3);
  EXPECT_EQ(ch.ReadTitle(), "Strip 4" + std::string(73, ' '));
  EXPECT_EQ(ch.ReadText("rest"), "photos 70-73");  // blanks before a text are skipped
  EXPECT_EQ(ch.ReadWhole("photos"), 4);
  EXPECT_EQ(ch.ReadTitle(), std::string(79, 'a') + "\xCE\x94");  // 80 characters, 81 bytes
}

// The message of a failed read names the file, the line, what was expected
// and what was found. Each text is read as reals up to the failing read.
TEST(InputError, NamesFileLineAndWhatWasExpected) {
  const struct {
    const char* text;
    int realsBefore;
    char read;  // R real, W whole, L long, T title
    const char* message;
  } cases[] = {
      {"1, 152\r\n\r\n 12,5a 7", 3, 'R', "line 3: expected a number (field), found \"5a\""},
      {"1\r2\n\n", 2, 'R', "line 4: expected a number (field), found the end of the file"},
      {"40000", 0, 'W',
       "line 1: expected a whole number from -32768 to 32767 (field), found \"40000\""},
      {"1e10", 0, 'L',
       "line 1: expected a whole number from -2147483648 to 2147483647 (field), found \"1e10\""},
      {"1,,2", 1, 'R', "line 1: expected a number (field), found an empty field"},
      {"1e999", 0, 'R', "line 1: expected a number (field), found \"1e999\" (out of range)"},
      {"\"12\"", 0, 'R', "line 1: expected a number (field), found \"\"12\"\""},
      {"  \n ", 0, 'T', "line 2: expected a text (title), found the end of the file"},
  };
  for (const auto& c : cases) {
    InputChannel ch = On(c.text);
    std::string message = "no error";
    try {
      for (int k = 0; k < c.realsBefore; ++k) ch.ReadReal("a");
      if (c.read == 'R') ch.ReadReal("field");
      if (c.read == 'W') ch.ReadWhole("field");
      if (c.read == 'L') ch.ReadLong("field");
      if (c.read == 'T') ch.ReadTitle();
    } catch (const InputError& e) {
      message = e.what();
    }
    EXPECT_EQ(message, std::string("input.txt, ") + c.message) << c.text;
  }
  EXPECT_EQ(On("1e-999 0.5").ReadReal("x"), 0.0);
  for (const char* bad : {"inf", "nan", "0x10", "1.2.3", "e5", "-", "1e", "12a"})
    EXPECT_THROW(On(bad).ReadReal("x"), InputError) << bad;
}

// The bits, so that -0 and +0 differ.
std::uint64_t Bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// A field of an input file that is too large is refused; one too small reads
// as +0 when its exponent is negative or nothing stands before its point.
// Typed, too large is the largest double and too small is zero only with a
// negative exponent. Numbers just inside the range keep their value.
TEST(ReadNumbers, AtTheEdgesOfTheDoubleRange) {
  const std::string zeros(400, '0');
  const double refused = limits::quiet_NaN();
  const struct {
    std::string text;
    double field;  // ReadReal, NaN when refused
    double typed;  // LeadingNumber
  } cases[] = {
      {"1e999", refused, limits::max()},
      {"-1e999", refused, -limits::max()},
      {"1.7976931348623159e308", refused, limits::max()},
      {"1.7976931348623157e308", limits::max(), limits::max()},
      {"1" + zeros, refused, limits::max()},
      {"1e-400", 0.0, 0.0},
      {"-1e-400", 0.0, -0.0},
      {"2.4703282292062327e-324", 0.0, 0.0},
      {"2.4703282292062328e-324", limits::denorm_min(), limits::denorm_min()},
      {"4.9e-324", limits::denorm_min(), limits::denorm_min()},
      {"2.2250738585072011e-308", 0x0.fffffffffffffp-1022, 0x0.fffffffffffffp-1022},
      {"0." + zeros + "1", 0.0, limits::max()},
      {"1" + zeros + "e-5", 0.0, 0.0},
      {"0e999", 0.0, 0.0},
      {"-0", -0.0, -0.0},
      {"9007199254740993", 9007199254740992.0, 9007199254740992.0},
      {"0.1000000000000000055511151231257827", 0.1, 0.1},
  };
  for (const auto& c : cases) {
    InputChannel ch = On(c.text);
    double field = refused;
    try {
      field = ch.ReadReal("x");
    } catch (const InputError& e) {
      EXPECT_NE(std::string(e.what()).find("(out of range)"), std::string::npos) << c.text;
    }
    if (std::isnan(c.field))
      EXPECT_TRUE(std::isnan(field)) << c.text << " gives " << field;
    else
      EXPECT_EQ(Bits(field), Bits(c.field)) << c.text << " gives " << field;
    EXPECT_EQ(Bits(LeadingNumber(c.text)), Bits(c.typed)) << c.text;
  }
  EXPECT_EQ(LeadingNumber("1D999"), limits::max());
}

// Reading a file and the message for a missing one are checked through the
// console; a folder of the chosen name is no input either.
TEST(InputChannel, RefusesAFolder) {
  InputChannel ch;
  std::string error;
  EXPECT_FALSE(ch.Open(std::filesystem::temp_directory_path().string(), error) || ch.IsOpen());
}

}  // namespace
}  // namespace tessaro
