#include "shell/print.h"

#include <fmt/compile.h>
#include <fmt/format.h>

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "shell/input_channel.h"

namespace tessaro {

namespace {

// A non-negative finite value rounded to 15 significant digits, as decimal
// digits with the position of the decimal point: value = 0.digits * 10^point.
// Both print forms start from this, so that a value prints the same way as
// text and through a pattern ("as the user sees it").
struct Decimal {
  static constexpr int kDigits = 15;
  char digits[kDigits];
  int count = 0;
  int point = 0;
  // The i-th digit from the first (i from 0); '0' outside those held.
  char Digit(int i) const { return i >= 0 && i < count ? digits[i] : '0'; }
  bool IsZero() const {
    return std::all_of(digits, digits + count, [](char c) { return c == '0'; });
  }
};

// The nearest 15-digit decimal of a normal double, from its shortest decimal
// S (Dragonbox, {fmt}'s own routine), when S settles it; false when not.
// S lies within half the double's spacing of the value, and that is less
// than 0.111 of a unit in the 15th digit (2^-53 * 10^15). So:
//  - S of at most 15 digits is the answer: no other 15-digit decimal is as
//    near. Echoed input and whole numbers, most of a report, end here;
//  - S of 16 or 17 digits whose digits after the 15th are below .38 or above
//    .62 of a unit rounds the way the value does, as no halfway point lies
//    between them. Only the rest need the exact conversion.
// dragonbox::to_decimal is the routine behind {fmt}'s "{}"; it sits in its
// detail namespace but has kept this form (significand, power of ten) since
// {fmt} 7.1.
bool NearestFromShortest(double magnitude, Decimal& d) {
  const auto shortest = fmt::detail::dragonbox::to_decimal(magnitude);
  const fmt::format_int text(shortest.significand);  // no trailing zeros
  const int count = static_cast<int>(text.size());
  const char* digits = text.data();
  d.count = Decimal::kDigits;
  d.point = count + shortest.exponent;
  if (count <= Decimal::kDigits) {
    std::fill(std::copy_n(digits, count, d.digits), d.digits + Decimal::kDigits, '0');
    return true;
  }
  // Hundredths of a unit in the 15th digit.
  const int beyond = 10 * (digits[15] - '0') + (count > 16 ? digits[16] - '0' : 0);
  if (beyond >= 38 && beyond <= 62) return false;
  std::copy_n(digits, Decimal::kDigits, d.digits);
  if (beyond > 62) {
    int i = Decimal::kDigits - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
      ++d.digits[i];
    } else {  // 9...9 became 10...0
      d.digits[0] = '1';
      ++d.point;
    }
  }
  return true;
}

// The 15 digits are those of the C library's "%.14e": exact, and a value
// halfway between two 15-digit decimals goes to the even one. {fmt} makes
// them without the cost of printf's arbitrary-precision arithmetic.
Decimal ToDecimal(double magnitude) {
  Decimal d;
  if (magnitude >= std::numeric_limits<double>::min() && NearestFromShortest(magnitude, d))
    return d;
  // "d.dddddddddddddde+XX": the exponent's sign at 17, two or three digits.
  char text[32];
  const char* end = fmt::format_to(text, FMT_COMPILE("{:.14e}"), magnitude);
  d.digits[0] = text[0];
  std::memcpy(d.digits + 1, text + 2, Decimal::kDigits - 1);
  d.count = Decimal::kDigits;
  int exponent = 0;
  for (const char* c = text + 18; c < end; ++c) exponent = 10 * exponent + (*c - '0');
  d.point = (text[17] == '-' ? -exponent : exponent) + 1;
  return d;
}

void TrimTrailingZeros(Decimal& d) {
  while (d.count > 1 && d.digits[d.count - 1] == '0') --d.count;
}

// Rounds to `decimals` places after the point, halves away from zero.
void RoundDecimal(Decimal& d, int decimals) {
  const int keep = d.point + decimals;
  if (keep >= d.count) return;
  if (keep < 0) {
    d.digits[0] = '0';
    d.count = d.point = 1;
    return;
  }
  const bool up = d.digits[keep] >= '5';
  d.count = keep;
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
      ++d.digits[i];
    } else {  // 9...9 became 10...0: one digit more before the point
      std::memmove(d.digits + 1, d.digits, d.count);
      d.digits[0] = '1';
      ++d.count;
      ++d.point;
    }
  }
  if (d.count == 0) {  // everything rounded away
    d.digits[0] = '0';
    d.count = d.point = 1;
  }
}

const char* NonFinite(double value) {
  if (std::isnan(value)) return "NaN";
  return value < 0 ? "-Inf" : "Inf";
}

// Longest plain real: "-", 15 digits, ".", "E-308".
constexpr int kPlainRealLength = 24;

// Writes the plain form of a finite real at out; returns the end.
char* PutPlainReal(char* out, double value) {
  if (value == 0) {
    *out++ = '0';
    return out;
  }
  Decimal d = ToDecimal(std::fabs(value));
  TrimTrailingZeros(d);
  if (value < 0) *out++ = '-';
  const char* digits = d.digits;
  const int exponent = d.point - 1;
  if (exponent < -4 || exponent > 14) {
    // A mantissa, the letter E, a sign and at least two exponent digits.
    *out++ = digits[0];
    if (d.count > 1) {
      *out++ = '.';
      out = std::copy(digits + 1, digits + d.count, out);
    }
    *out++ = 'E';
    *out++ = exponent < 0 ? '-' : '+';
    const int e = std::abs(exponent);
    if (e >= 100) *out++ = static_cast<char>('0' + e / 100);
    *out++ = static_cast<char>('0' + e / 10 % 10);
    *out++ = static_cast<char>('0' + e % 10);
  } else if (d.point <= 0) {  // no zero before the point
    *out++ = '.';
    out = std::fill_n(out, -d.point, '0');
    out = std::copy(digits, digits + d.count, out);
  } else if (d.point >= d.count) {  // a whole number
    out = std::copy(digits, digits + d.count, out);
    out = std::fill_n(out, d.point - d.count, '0');
  } else {
    out = std::copy(digits, digits + d.point, out);
    *out++ = '.';
    out = std::copy(digits + d.point, digits + d.count, out);
  }
  return out;
}

// A number as a print item: a blank or "-", its digits, one trailing blank.
void WriteWholeItem(PrintDestination& out, std::int64_t value) {
  char text[24];
  char* end = text;
  if (value >= 0) *end++ = ' ';
  end = std::to_chars(end, text + sizeof text - 1, value).ptr;
  *end++ = ' ';
  out.Write(std::string_view(text, end - text));
}

void WriteRealItem(PrintDestination& out, double value) {
  if (!std::isfinite(value)) {
    out.Write(value < 0 ? "" : " ");
    out.Write(NonFinite(value));
    out.Write(" ");
    return;
  }
  char text[kPlainRealLength + 2];
  char* end = text;
  if (!(value < 0)) *end++ = ' ';
  end = PutPlainReal(end, value);
  *end++ = ' ';
  out.Write(std::string_view(text, end - text));
}

void MoveToColumn(PrintDestination& out, int column) {
  const int n = column < 1 ? 1 : column;
  if (out.Column() > n) out.EndLine();
  out.WriteBlanks(n - out.Column());
}

// Writes one item; tells whether it was a separator.
bool WriteItem(PrintDestination& out, const PrintItem& item) {
  const PrintItem::Value& v = item.value();
  if (const auto* text = std::get_if<std::string>(&v)) {
    out.Write(*text);
  } else if (const auto* whole = std::get_if<std::int64_t>(&v)) {
    WriteWholeItem(out, *whole);
  } else if (const auto* real = std::get_if<double>(&v)) {
    WriteRealItem(out, *real);
  } else if (const auto* tab = std::get_if<TabTo>(&v)) {
    MoveToColumn(out, tab->column);
  } else {
    if (std::get<Separator>(v) == Separator::Comma) {
      const int zoneStart = ((out.Column() - 1) / 14 + 1) * 14 + 1;
      out.WriteBlanks(zoneStart - out.Column());
    }
    return true;
  }
  return false;
}

}  // namespace

std::string PlainWhole(std::int64_t value) { return std::to_string(value); }

std::string PlainReal(double value) {
  if (!std::isfinite(value)) return NonFinite(value);
  char text[kPlainRealLength];
  return std::string(text, PutPlainReal(text, value));
}

std::string FormatNumber(double value, std::string_view pattern) {
  if (!std::isfinite(value)) return NonFinite(value);
  const std::size_t dot = pattern.find('.');
  const std::string_view before = pattern.substr(0, dot);
  const std::string_view after =
      dot == std::string_view::npos ? std::string_view() : pattern.substr(dot + 1);
  const int decimals = static_cast<int>(after.size());

  Decimal d = ToDecimal(std::fabs(value));
  RoundDecimal(d, decimals);
  const bool isZero = d.IsZero();

  // Built in place; only a text longer than the buffer (a huge value, a long
  // pattern) is built on the heap.
  char buffer[48];
  const std::size_t most = static_cast<std::size_t>(std::max(d.point, 1) + decimals + 2);
  std::string large;
  if (most > sizeof buffer) large.resize(most);
  char* const first = most > sizeof buffer ? large.data() : buffer;
  char* out = first;
  if (value < 0 && !isZero) *out++ = '-';
  // The integer part whole, never cut; zero only when a "0" place stands
  // before the point.
  if (!isZero && d.point > 0) {
    out = std::copy_n(d.digits, std::min(d.point, d.count), out);
    out = std::fill_n(out, std::max(d.point - d.count, 0), '0');
  } else if (before.find('0') != std::string_view::npos) {
    *out++ = '0';
  }
  if (dot != std::string_view::npos) {
    *out++ = '.';
    // "0" places after the point are always written, "#" places only up to
    // the last non-zero digit.
    int written = decimals;
    while (written > 0 && after[written - 1] != '0' && d.Digit(d.point + written - 1) == '0')
      --written;
    for (int k = 0; k < written; ++k) *out++ = d.Digit(d.point + k);
  }
  return std::string(first, out);
}

void PrintDestination::Write(std::string_view text) {
  if (text.empty()) return;
  line_.append(text);
  column_ += CharCount(text);
  Extended();
}

void PrintDestination::WriteBlanks(int n) {
  if (n <= 0) return;
  line_.append(static_cast<std::size_t>(n), ' ');
  column_ += n;
  Extended();
}

void PrintDestination::EndLine() {
  PutLine(line_);
  line_.clear();
  column_ = 1;
}

void PrintItems(PrintDestination& out, std::initializer_list<PrintItem> items) {
  bool endsOnSeparator = false;
  for (const PrintItem& item : items) endsOnSeparator = WriteItem(out, item);
  if (!endsOnSeparator) out.EndLine();
}

void PrintRow(PrintDestination& out, std::span<const TableColumn> layout,
              std::initializer_list<PrintItem> cells) {
  assert(cells.size() <= layout.size());
  bool endsOnSeparator = false;
  const TableColumn* column = layout.data();
  for (const PrintItem& cell : cells) {
    if (column->tab > 0) MoveToColumn(out, column->tab);
    const PrintItem::Value& v = cell.value();
    if (column->pattern && std::holds_alternative<double>(v)) {
      out.Write(FormatNumber(std::get<double>(v), column->pattern));
      endsOnSeparator = false;
    } else if (column->pattern && std::holds_alternative<std::int64_t>(v)) {
      out.Write(FormatNumber(static_cast<double>(std::get<std::int64_t>(v)), column->pattern));
      endsOnSeparator = false;
    } else {
      endsOnSeparator = WriteItem(out, cell);
    }
    ++column;
  }
  if (!endsOnSeparator) out.EndLine();
}

void PrintAngleBlock(PrintDestination& out, double omega, double phi, double kappa,
                     const char* pattern, int tabPhi, int tabKappa) {
  PrintItems(
      out, {Tab(1), Semi, "Omega", Semi, Tab(16), Semi, "Phi", Semi, Tab(30), Semi, "Kapa [D.d]"});
  PrintItems(
      out, {FormatNumber(omega, pattern), Semi, Tab(tabPhi), Semi, FormatNumber(phi, pattern), Semi,
            Tab(tabKappa), Semi, FormatNumber(kappa, pattern)});
}

void PrintSurface::Clear() {
  lines_.clear();
  ResetLine();
  Changed();
}

std::vector<std::string> PrintSurface::Lines() const {
  std::vector<std::string> lines = lines_;
  if (!OpenLine().empty()) lines.push_back(OpenLine());
  return lines;
}

std::string PrintSurface::Text() const {
  std::string text;
  for (const std::string& line : Lines()) text += line + "\n";
  return text;
}

void PrintSurface::PutLine(std::string& line) {
  lines_.push_back(std::move(line));
  Changed();
}

}  // namespace tessaro
