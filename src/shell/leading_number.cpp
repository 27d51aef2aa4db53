#include "shell/leading_number.h"

#include <charconv>
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
  double value = 0;
  auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (ec == std::errc::result_out_of_range) {
    // Too large: the largest finite magnitude; too small: zero.
    std::size_t e = number.find_first_of("eE");
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
