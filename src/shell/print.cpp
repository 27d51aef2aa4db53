#include "shell/print.h"

#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "shell/input_channel.h"

namespace tessaro {

namespace {

// A non-negative finite value rounded to 15 significant digits, as decimal
// digits with the position of the decimal point: value = 0.digits * 10^point.
// Both print forms start from this, so that a value prints the same way as
// text and through a pattern ("as the user sees it").
struct Decimal {
  std::string digits;
  int point = 0;
  int Count() const { return static_cast<int>(digits.size()); }
  // The i-th digit from the first (i from 0); '0' outside those held.
  char Digit(int i) const { return i >= 0 && i < Count() ? digits[i] : '0'; }
};

// n blanks (none when n <= 0).
std::string Blanks(int n) { return std::string(n > 0 ? n : 0, ' '); }

Decimal ToDecimal(double magnitude) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.14e", magnitude);
  Decimal d;
  d.digits.push_back(buffer[0]);
  d.digits.append(buffer + 2, 14);
  d.point = std::atoi(buffer + 17) + 1;
  return d;
}

void TrimTrailingZeros(std::string& digits) {
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
}

// Rounds to `decimals` places after the point, halves away from zero.
void RoundDecimal(Decimal& d, int decimals) {
  int keep = d.point + decimals;
  if (keep >= d.Count()) return;
  if (keep < 0) {
    d.digits = "0";
    d.point = 1;
    return;
  }
  const bool up = d.digits[keep] >= '5';
  d.digits.resize(keep);
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
      ++d.digits[i];
    } else {
      d.digits.insert(d.digits.begin(), '1');
      ++d.point;
    }
  }
  if (d.digits.empty()) {  // everything rounded away
    d.digits = "0";
    d.point = 1;
  }
}

// The k-th digit after the decimal point, k counted from 0.
char DigitAfterPoint(const Decimal& d, int k) { return d.Digit(d.point + k); }

std::string IntegerDigits(const Decimal& d) {
  std::string s;
  for (int i = 0; i < d.point; ++i) s.push_back(d.Digit(i));
  std::size_t first = s.find_first_not_of('0');
  return first == std::string::npos ? std::string() : s.substr(first);
}

std::string NonFinite(double value) {
  if (std::isnan(value)) return "NaN";
  return value < 0 ? "-Inf" : "Inf";
}

}  // namespace

std::string PlainWhole(std::int64_t value) { return std::to_string(value); }

std::string PlainReal(double value) {
  if (!std::isfinite(value)) return NonFinite(value);
  if (value == 0) return "0";
  Decimal d = ToDecimal(std::fabs(value));
  TrimTrailingZeros(d.digits);
  std::string sign = value < 0 ? "-" : "";
  int exponent = d.point - 1;
  const int count = d.Count();
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
  std::size_t dot = pattern.find('.');
  std::string_view before = pattern.substr(0, dot);
  std::string_view after =
      dot == std::string_view::npos ? std::string_view() : pattern.substr(dot + 1);
  const int decimals = static_cast<int>(after.size());

  Decimal d = ToDecimal(std::fabs(value));
  RoundDecimal(d, decimals);

  std::string integer = IntegerDigits(d);
  if (integer.empty() && before.find('0') != std::string_view::npos) integer = "0";

  // "0" places after the point are always written, "#" places only up to the
  // last non-zero digit.
  int written = 0;
  for (int k = 0; k < decimals; ++k)
    if (after[k] == '0' || DigitAfterPoint(d, k) != '0') written = k + 1;
  std::string fraction;
  for (int k = 0; k < written; ++k) fraction.push_back(DigitAfterPoint(d, k));

  bool isZero = d.digits.find_first_not_of('0') == std::string::npos;
  std::string text = (value < 0 && !isZero) ? "-" : "";
  text += integer;
  if (dot != std::string_view::npos) text += "." + fraction;
  return text;
}

void PrintDestination::Write(std::string_view text) {
  if (text.empty()) return;
  Put(text);
  column_ += CharCount(text);
}

void PrintDestination::EndLine() {
  PutLineEnd();
  column_ = 1;
}

void PrintItems(PrintDestination& out, std::initializer_list<PrintItem> items) {
  PrintItems(out, std::span<const PrintItem>(items.begin(), items.size()));
}

void PrintItems(PrintDestination& out, std::span<const PrintItem> items) {
  bool endsOnSeparator = false;
  for (const PrintItem& item : items) {
    const PrintItem::Value& v = item.value();
    endsOnSeparator = false;
    if (const auto* text = std::get_if<std::string>(&v)) {
      out.Write(*text);
    } else if (const auto* whole = std::get_if<std::int64_t>(&v)) {
      out.Write((*whole < 0 ? "" : " ") + PlainWhole(*whole) + " ");
    } else if (const auto* real = std::get_if<double>(&v)) {
      out.Write((*real < 0 ? "" : " ") + PlainReal(*real) + " ");
    } else if (const auto* tab = std::get_if<TabTo>(&v)) {
      int n = tab->column < 1 ? 1 : tab->column;
      if (out.Column() > n) out.EndLine();
      out.Write(Blanks(n - out.Column()));
    } else {
      endsOnSeparator = true;
      if (std::get<Separator>(v) == Separator::Comma) {
        int zoneStart = ((out.Column() - 1) / 14 + 1) * 14 + 1;
        out.Write(Blanks(zoneStart - out.Column()));
      }
    }
  }
  if (!endsOnSeparator) out.EndLine();
}

void PrintRow(PrintDestination& out, std::span<const TableColumn> layout,
              std::initializer_list<PrintItem> cells) {
  assert(cells.size() <= layout.size());
  std::vector<PrintItem> items;
  items.reserve(4 * cells.size());
  const TableColumn* column = layout.data();
  for (const PrintItem& cell : cells) {
    if (column != layout.data()) items.push_back(Semi);
    if (column->tab > 0) items.insert(items.end(), {Tab(column->tab), Semi});
    const PrintItem::Value& v = cell.value();
    if (column->pattern && std::holds_alternative<double>(v))
      items.push_back(FormatNumber(std::get<double>(v), column->pattern));
    else if (column->pattern && std::holds_alternative<std::int64_t>(v))
      items.push_back(FormatNumber(static_cast<double>(std::get<std::int64_t>(v)), column->pattern));
    else
      items.push_back(cell);
    ++column;
  }
  PrintItems(out, items);
}

void PrintAngleBlock(PrintDestination& out, double omega, double phi, double kappa,
                     const char* pattern, int tabPhi, int tabKappa) {
  PrintItems(out, {Tab(1), Semi, "Omega", Semi, Tab(16), Semi, "Phi", Semi, Tab(30), Semi,
                   "Kapa [D.d]"});
  PrintItems(out, {FormatNumber(omega, pattern), Semi, Tab(tabPhi), Semi,
                   FormatNumber(phi, pattern), Semi, Tab(tabKappa), Semi,
                   FormatNumber(kappa, pattern)});
}

void PrintSurface::Clear() {
  lines_.assign(1, std::string());
  ResetColumn();
  Changed();
}

std::vector<std::string> PrintSurface::Lines() const {
  std::vector<std::string> lines(lines_.begin(), lines_.end() - 1);
  if (!lines_.back().empty()) lines.push_back(lines_.back());
  return lines;
}

std::string PrintSurface::Text() const {
  std::string text;
  for (const std::string& line : Lines()) text += line + "\n";
  return text;
}

void PrintSurface::Put(std::string_view text) {
  lines_.back() += text;
  Changed();
}

void PrintSurface::PutLineEnd() {
  lines_.emplace_back();
  Changed();
}

}  // namespace tessaro
