#include "instructor/report_compare.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>

namespace tessaro {

namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// A number starts with a digit, or with a sign or point followed by one
// (".157073385651374" is how the report writes reals below 1).
bool StartsNumber(const std::string& s, std::size_t i) {
  if (IsDigit(s[i])) return true;
  std::size_t j = i;
  if (s[j] == '-' || s[j] == '+') ++j;
  if (j < s.size() && s[j] == '.') ++j;
  return j > i && j < s.size() && IsDigit(s[j]);
}

struct Token {
  bool number;
  std::string text;
};

std::size_t NumberEnd(const std::string& s, std::size_t i) {
  if (s[i] == '-' || s[i] == '+') ++i;
  while (i < s.size() && (IsDigit(s[i]) || s[i] == '.')) ++i;
  // An exponent as the report writes it: E, sign, digits.
  if (i + 2 < s.size() && (s[i] == 'E' || s[i] == 'e') && (s[i + 1] == '+' || s[i + 1] == '-') &&
      IsDigit(s[i + 2])) {
    i += 2;
    while (i < s.size() && IsDigit(s[i])) ++i;
  }
  return i;
}

// Numbers, and runs of other non-blank characters; blanks only separate, so
// that a number one digit wider (9.99 against 10.00) moves no text.
std::vector<Token> Tokens(const std::string& s) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (i < s.size()) {
    if (IsSpace(s[i])) {
      ++i;
    } else if (StartsNumber(s, i)) {
      const std::size_t end = NumberEnd(s, i);
      tokens.push_back({true, s.substr(i, end - i)});
      i = end;
    } else {
      std::size_t end = i;
      while (end < s.size() && !IsSpace(s[end]) && !StartsNumber(s, end)) ++end;
      tokens.push_back({false, s.substr(i, end - i)});
      i = end;
    }
  }
  return tokens;
}

struct Real {
  bool ok = false;
  std::int64_t units = 0;  // the value in units of its last printed digit
  int decimals = 0;
  std::string exponent;
};

Real ParseReal(const std::string& token) {
  Real r;
  std::string mantissa = token;
  const std::size_t e = token.find_first_of("Ee");
  if (e != std::string::npos) {
    r.exponent = token.substr(e);
    mantissa = token.substr(0, e);
  }
  const std::size_t point = mantissa.find('.');
  if (point == std::string::npos || mantissa.find('.', point + 1) != std::string::npos) return r;
  r.decimals = static_cast<int>(mantissa.size() - point - 1);
  mantissa.erase(point, 1);
  bool negative = false;
  if (mantissa[0] == '-' || mantissa[0] == '+') {
    negative = mantissa[0] == '-';
    mantissa.erase(0, 1);
  }
  if (mantissa.empty() || mantissa.size() > 18) return r;
  for (char c : mantissa) r.units = r.units * 10 + (c - '0');
  if (negative) r.units = -r.units;
  r.ok = true;
  return r;
}

bool NumbersAgree(const std::string& key, const std::string& report) {
  if (key == report) return true;
  if (key.find('.') == std::string::npos || report.find('.') == std::string::npos) return false;
  const Real a = ParseReal(key), b = ParseReal(report);
  return a.ok && b.ok && a.decimals == b.decimals && a.exponent == b.exponent &&
         std::llabs(a.units - b.units) <= 1;
}

}  // namespace

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

bool LinesAgree(const std::string& key, const std::string& report) {
  if (key == report) return true;
  const std::vector<Token> a = Tokens(key), b = Tokens(report);
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (a[k].number != b[k].number) return false;
    if (a[k].number ? !NumbersAgree(a[k].text, b[k].text) : a[k].text != b[k].text) return false;
  }
  return true;
}

Comparison CompareReports(const std::vector<std::string>& key,
                          const std::vector<std::string>& report) {
  Comparison c;
  c.lines = static_cast<int>(std::max(key.size(), report.size()));
  for (int n = 0; n < c.lines; ++n) {
    const bool inKey = n < static_cast<int>(key.size()),
               inReport = n < static_cast<int>(report.size());
    const std::string a = inKey ? key[n] : "", b = inReport ? report[n] : "";
    if (inKey && inReport && LinesAgree(a, b)) continue;
    std::size_t column = 0;
    while (column < a.size() && column < b.size() && a[column] == b[column]) ++column;
    // Columns count characters, not the bytes of UTF-8.
    const int characters = static_cast<int>(
        std::count_if(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(column),
                      [](char ch) { return (static_cast<unsigned char>(ch) & 0xC0) != 0x80; }));
    c.differences.push_back({n + 1, a, b, characters + 1, !inKey, !inReport});
  }
  return c;
}

std::string Summary(const Comparison& c) {
  std::string text =
      std::to_string(c.Agreeing()) + " of " + std::to_string(c.lines) + " lines agree";
  if (!c.differences.empty())
    text += "; first difference at line " + std::to_string(c.differences[0].line);
  return text;
}

}  // namespace tessaro
