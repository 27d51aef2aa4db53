// Numbers typed by the user into prompts and text boxes.
#pragma once

#include <string_view>

namespace tessaro {

// The number at the start of a typed text: blanks, tabs and line ends
// anywhere in the text are ignored, "." is the decimal mark, an exponent
// part ("E" or "D") is accepted, reading stops at the first character that
// cannot continue the number, and a text that does not begin with a number
// gives 0. So "1,5" gives 1, "1 5" gives 15, "" and "abc" give 0.
double LeadingNumber(std::string_view text);

// Rounds to the nearest whole number, halves to the even neighbour.
double RoundHalfEven(double value);

}  // namespace tessaro
