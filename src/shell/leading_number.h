// Numbers typed by the user into prompts and text boxes.
#pragma once

#include <cstddef>
#include <string_view>

namespace tessaro {

// The number at the start of a typed text: blanks, tabs and line ends
// anywhere in the text are ignored, "." is the decimal mark, an exponent
// part ("E" or "D") is accepted, reading stops at the first character that
// cannot continue the number, and a text that does not begin with a number
// gives 0. So "1,5" gives 1, "1 5" gives 15, "" and "abc" give 0.
double LeadingNumber(std::string_view text);

// Length of the number at the start of text: an optional sign, digits with
// at most one decimal point (at least one digit), and an optional exponent:
// one of exponentLetters, an optional sign and at least one digit. An
// exponent letter without digits is not part of the number. 0 when text
// does not begin with a number.
std::size_t NumberPrefixLength(std::string_view text, std::string_view exponentLetters);

// A decimal number read from the start of text: as NumberPrefixLength finds
// it with the exponent letters "eE", less a leading "+" (which the callers
// drop), rounded to the nearest double, exact to the last digit given.
struct DecimalRead {
  double value = 0;
  std::size_t length = 0;  // characters read; 0 when text holds no number
  // Beyond the largest finite magnitude, or not zero but nearer zero than the
  // smallest double above it: value is then infinite or zero, and the callers
  // decide what such a number means.
  bool outOfRange = false;
};
DecimalRead ReadDecimal(std::string_view text);

// Rounds to the nearest whole number, halves to the even neighbour.
double RoundHalfEven(double value);

}  // namespace tessaro
