#include "shell/leading_number.h"

#include <fast_float/fast_float.h>

#include <cmath>
#include <limits>
#include <string>

namespace tessaro {

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

std::size_t NumberPrefixLength(std::string_view s, std::string_view exponentLetters) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  bool digits = false;
  while (i < s.size() && IsDigit(s[i])) ++i, digits = true;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, digits = true;
  }
  if (!digits) return 0;
  if (i < s.size() && exponentLetters.find(s[i]) != std::string_view::npos) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    std::size_t first = j;
    while (j < s.size() && IsDigit(s[j])) ++j;
    if (j > first) i = j;
  }
  return i;
}

DecimalRead ReadDecimal(std::string_view text) {
  DecimalRead read;
  const char* first = text.data();
  const fast_float::from_chars_result r =
      fast_float::from_chars(first, first + text.size(), read.value);
  if (r.ec != std::errc()) return {};
  read.length = static_cast<std::size_t>(r.ptr - first);
  // fast_float gives infinity for too large a number and zero for too small
  // a one, and calls both a success.
  if (std::isinf(read.value)) {
    read.outOfRange = true;
  } else if (read.value == 0) {
    const std::string_view number = text.substr(0, read.length);
    const std::string_view mantissa = number.substr(0, number.find_first_of("eE"));
    read.outOfRange = mantissa.find_first_of("123456789") != mantissa.npos;
  }
  return read;
}

double LeadingNumber(std::string_view text) {
  std::string s;
  for (char c : text)
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') s.push_back(c);

  std::string number = s.substr(0, NumberPrefixLength(s, "eEdD"));
  if (number.empty()) return 0;
  bool negative = number[0] == '-';
  if (number[0] == '+' || number[0] == '-') number.erase(0, 1);
  for (char& c : number)
    if (c == 'd' || c == 'D') c = 'e';
  DecimalRead read = ReadDecimal(number);
  double value = read.value;
  if (read.outOfRange) {
    // Too large: the largest finite magnitude; too small: zero.
    std::size_t e = number.find_first_of("eE");
    bool tiny = e != std::string::npos && number[e + 1] == '-';
    value = tiny ? 0.0 : std::numeric_limits<double>::max();
  }
  return negative ? -value : value;
}

double RoundHalfEven(double value) {
  double r = std::round(value);  // halves away from zero
  if (std::fabs(value - std::trunc(value)) == 0.5 && std::fmod(r, 2.0) != 0.0)
    r -= std::copysign(1.0, value);
  return r;
}

}  // namespace tessaro
