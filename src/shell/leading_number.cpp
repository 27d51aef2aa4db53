#include "shell/leading_number.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace tessaro {

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

double LeadingNumber(std::string_view text) {
  std::string s;
  for (char c : text)
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') s.push_back(c);

  // Longest prefix of the form [+-] digits [. digits] [E|D [+-] digits].
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  std::size_t start = i;
  bool digits = false;
  while (i < s.size() && IsDigit(s[i])) ++i, digits = true;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, digits = true;
  }
  if (!digits) return 0;
  std::string number = s.substr(start, i - start);
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    std::size_t j = i + 1;
    std::string exponent = "e";
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent.push_back(s[j++]);
    std::size_t first = j;
    while (j < s.size() && IsDigit(s[j])) exponent.push_back(s[j++]);
    if (j > first) number += exponent;
  }
  double value = 0;
  auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (ec == std::errc::result_out_of_range) {
    // Too large: the largest finite magnitude; too small: zero.
    std::size_t e = number.find('e');
    bool tiny = e != std::string::npos && number[e + 1] == '-';
    value = tiny ? 0.0 : std::numeric_limits<double>::max();
  }
  (void)end;
  return negative ? -value : value;
}

double RoundHalfEven(double value) {
  double r = std::round(value);  // halves away from zero
  if (std::fabs(value - std::trunc(value)) == 0.5 && std::fmod(r, 2.0) != 0.0)
    r -= std::copysign(1.0, value);
  return r;
}

}  // namespace tessaro
