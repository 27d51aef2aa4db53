// Numbers read from text, in the input files and as typed at a prompt: exact
// to the last digit, and the two readers' rules for numbers beyond a double.
#include "shell/leading_number.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "shell/input_channel.h"

namespace tessaro {
namespace {

using limits = std::numeric_limits<double>;

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
    InputChannel ch;
    ch.OpenText(c.text, "input.txt");
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

// A fixed-seed sweep against the C library's strtod, correctly rounded:
// doubles of every magnitude written with 17, 15 and 6 digits, and strings
// of up to 30 random digits with exponents beyond both ends of the range.
TEST(ReadNumbers, SeededSweepAgreesWithStrtod) {
  std::mt19937_64 random(2718);
  int differ = 0;
  const auto check = [&](const std::string& text) {
    const double expected = std::strtod(text.c_str(), nullptr);
    const DecimalRead read = ReadDecimal(text);
    if (Bits(read.value) != Bits(expected) || read.length != text.size()) {
      ++differ;
      ADD_FAILURE() << text << " reads " << read.value << ", strtod gives " << expected;
    }
  };
  char text[64];
  for (int i = 0; i < 30000 && differ < 10; ++i) {
    double v = std::bit_cast<double>(random());
    if (!std::isfinite(v)) continue;
    for (const char* form : {"%.17g", "%.15g", "%.5e"}) {
      std::snprintf(text, sizeof text, form, v);
      check(text);
    }
    std::string digits(1 + random() % 30, '0');
    for (char& d : digits) d = static_cast<char>('0' + random() % 10);
    digits.insert(random() % digits.size(), ".");
    check(digits + "e" + std::to_string(static_cast<int>(random() % 700) - 350));
  }
}

}  // namespace
}  // namespace tessaro
