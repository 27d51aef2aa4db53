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

// Rounds to the nearest whole number, halves to the even neighbour.
double RoundHalfEven(double value);

}  // namespace tessaro
