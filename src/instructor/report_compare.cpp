#include "instructor/report_compare.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tessaro {

namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// A number starts with a digit, or with a sign or point followed by one
// (".157073385651374" is how the report writes reals below 1).
bool StartsNumber(std::string_view s, std::size_t i) {
  if (IsDigit(s[i])) return true;
  std::size_t j = i;
  if (s[j] == '-' || s[j] == '+') ++j;
  if (j < s.size() && s[j] == '.') ++j;
  return j > i && j < s.size() && IsDigit(s[j]);
}

struct Token {
  bool number;
  std::string_view text;  // within the line
};

std::size_t NumberEnd(std::string_view s, std::size_t i) {
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
std::vector<Token> Tokens(std::string_view s) {
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
  std::string_view exponent;
};

// A number with one point; whole numbers are compared as text.
Real ParseReal(std::string_view token) {
  Real r;
  std::string_view mantissa = token.substr(0, token.find_first_of("Ee"));
  r.exponent = token.substr(mantissa.size());
  const std::size_t point = mantissa.find('.');
  if (point == std::string_view::npos || mantissa.find('.', point + 1) != std::string_view::npos)
    return r;
  r.decimals = static_cast<int>(mantissa.size() - point - 1);
  const bool sign = mantissa[0] == '-' || mantissa[0] == '+';
  const std::size_t digits = mantissa.size() - 1 - (sign ? 1 : 0);
  if (digits == 0 || digits > 18) return r;
  for (std::size_t k = sign ? 1 : 0; k < mantissa.size(); ++k)
    if (k != point) r.units = r.units * 10 + (mantissa[k] - '0');
  if (mantissa[0] == '-') r.units = -r.units;
  r.ok = true;
  return r;
}

bool NumbersAgree(std::string_view key, std::string_view report) {
  if (key == report) return true;
  const Real a = ParseReal(key), b = ParseReal(report);
  return a.ok && b.ok && a.decimals == b.decimals && a.exponent == b.exponent &&
         std::llabs(a.units - b.units) <= 1;
}

// What two lines must share to agree, known from each line alone: a hash of
// their texts, whole numbers and each real's decimals and exponent, and each
// real in units of its last digit. Aligning compares a line with many others;
// most of those comparisons fail on these integers without splitting a line.
struct Shape {
  std::uint64_t hash = 14695981039346656037u;  // FNV-1a
  std::uint32_t first = 0, count = 0;          // its reals in the units list

  void Mix(unsigned char byte) { hash = (hash ^ byte) * 1099511628211u; }
  // A tag for the kind of word, then its bytes; no line holds a '\n', so
  // that ends the word.
  void Add(char tag, std::string_view text) {
    Mix(static_cast<unsigned char>(tag));
    for (const char c : text) Mix(static_cast<unsigned char>(c));
    Mix('\n');
  }
};

Shape ShapeOf(std::string_view line, std::vector<std::int64_t>& units) {
  Shape shape;
  shape.first = static_cast<std::uint32_t>(units.size());
  for (const Token& t : Tokens(line)) {
    const Real r = t.number ? ParseReal(t.text) : Real();
    if (r.ok) {
      shape.Add(static_cast<char>(r.decimals), r.exponent);  // 0 to 18: no letter
      units.push_back(r.units);
    } else {
      shape.Add(t.number ? '#' : 'a', t.text);
    }
  }
  shape.count = static_cast<std::uint32_t>(units.size()) - shape.first;
  return shape;
}

// The report aligned with the key at the least cost: an agreeing pair costs
// nothing, a missing or an extra line kMissing, a changed pair kAlike when
// only values changed (the same words, whole numbers and decimals) and
// kChanged otherwise. So one missing line costs one difference, a changed
// line is not mistaken for a missing and an extra one, and where a line may
// be missing from either end of a run of changed lines, the changed lines
// pair with those they resemble.
constexpr int kMissing = 3, kAlike = 4, kChanged = 5;

// Diagonal steps the whole alignment may take, a few tenths of a second: enough
// for every search up to kMostCost, and what is left for the rougher one.
constexpr std::int64_t kMostWork = 40'000'000;

class Aligner {
 public:
  Aligner(const std::vector<std::string>& key, const std::vector<std::string>& report)
      : key_(key), report_(report) {
    for (const std::string& line : key) keyShapes_.push_back(ShapeOf(line, keyUnits_));
    for (const std::string& line : report) reportShapes_.push_back(ShapeOf(line, reportUnits_));
  }

  // The pairs (key line, report line), 0-based and ascending on both sides;
  // lines in no pair are missing or extra.
  std::vector<std::pair<int, int>> Pairs() {
    std::vector<std::pair<int, int>> pairs;
    Align(0, static_cast<int>(key_.size()), 0, static_cast<int>(report_.size()), pairs);
    return pairs;
  }

  bool Agree(int i, int j) const {
    if (!Alike(i, j)) return false;
    const Shape &a = keyShapes_[i], &b = reportShapes_[j];
    for (std::uint32_t k = 0; k < a.count; ++k)
      if (std::llabs(keyUnits_[a.first + k] - reportUnits_[b.first + k]) > 1) return false;
    return LinesAgree(key_[i], report_[j]);  // the hash alone might collide
  }

 private:
  bool Alike(int i, int j) const {
    return keyShapes_[i].hash == reportShapes_[j].hash &&
           keyShapes_[i].count == reportShapes_[j].count;
  }

  // Key lines [a0, a1) against report lines [b0, b1). Agreeing pairs at
  // either end cost nothing and are always part of a cheapest alignment.
  void Align(int a0, int a1, int b0, int b1, std::vector<std::pair<int, int>>& pairs,
             bool anchored = false) {
    while (a0 < a1 && b0 < b1 && Agree(a0, b0)) pairs.emplace_back(a0++, b0++);
    int tail = 0;
    while (a0 < a1 && b0 < b1 && Agree(a1 - 1, b1 - 1)) --a1, --b1, ++tail;
    int x = 0, y = 0;
    if (a1 - a0 == 1 && b1 - b0 == 1) {
      pairs.emplace_back(a0, b0);
    } else if (a0 == a1 || b0 == b1) {
      // all missing or all extra
    } else if (Middle(a0, a1, b0, b1, x, y)) {
      Align(a0, x, b0, y, pairs, anchored);
      Align(x, a1, y, b1, pairs, anchored);
    } else if (!anchored) {
      Anchor(a0, a1, b0, b1, pairs);
    } else {
      for (int k = 0; a0 + k < a1 && b0 + k < b1; ++k) pairs.emplace_back(a0 + k, b0 + k);
    }
    for (int k = 0; k < tail; ++k) pairs.emplace_back(a1 + k, b1 + k);
  }

  // A rougher alignment for reports too far from the key to align at the
  // least cost in reasonable time: lines found once in each, word for word,
  // are fixed points where they keep their order on both sides (the longest
  // such run), and only the stretches between them are aligned.
  void Anchor(int a0, int a1, int b0, int b1, std::vector<std::pair<int, int>>& pairs) {
    struct Seen {
      int keyTimes = 0, reportTimes = 0, report = -1;
    };
    std::unordered_map<std::string_view, Seen> seen;
    for (int i = a0; i < a1; ++i) ++seen[key_[i]].keyTimes;
    for (int j = b0; j < b1; ++j) {
      Seen& s = seen[report_[j]];
      s.report = j, ++s.reportTimes;
    }
    // The longest run ascending on both sides, by patience sorting: ends[l]
    // is the unique line ending the best run of length l + 1 found so far.
    std::vector<std::pair<int, int>> unique;
    std::vector<int> ends, before;
    for (int i = a0; i < a1; ++i) {
      const Seen& s = seen[key_[i]];
      if (s.keyTimes != 1 || s.reportTimes != 1) continue;
      const auto at = std::lower_bound(ends.begin(), ends.end(), s.report,
                                       [&](int u, int j) { return unique[u].second < j; });
      before.push_back(at == ends.begin() ? -1 : *(at - 1));
      if (at == ends.end())
        ends.push_back(static_cast<int>(unique.size()));
      else
        *at = static_cast<int>(unique.size());
      unique.emplace_back(i, s.report);
    }
    std::vector<std::pair<int, int>> anchors;
    for (int u = ends.empty() ? -1 : ends.back(); u >= 0; u = before[u])
      anchors.push_back(unique[u]);
    std::reverse(anchors.begin(), anchors.end());
    anchors.emplace_back(a1, b1);
    for (const auto& [i, j] : anchors) {
      Align(a0, i, b0, j, pairs, true);
      if (i < a1) pairs.emplace_back(i, j);
      a0 = i + 1, b0 = j + 1;
    }
  }

  // A point (x, y) on a cheapest path through the box, where it first gets
  // halfway (x + y >= (n + m) / 2), to split the box in two that are aligned
  // each on its own: linear space, as in Hirschberg's method. The search is
  // the diagonal one of Ukkonen and Myers, by cost: on each diagonal
  // k = x - y, the furthest point reached at each cost, which suffices since
  // the cheapest cost to reach a point never falls along its diagonal. The
  // time is about the square of the cost; false past kMostCost, or once the
  // whole alignment has taken kMostWork steps.
  bool Middle(int a0, int a1, int b0, int b1, int& middleX, int& middleY) {
    const int n = a1 - a0, m = b1 - b0, half = (n + m) / 2, delta = n - m;
    constexpr int kLayers = kChanged + 1, kWidest = kMostCost / kMissing;
    const int lowest = -std::min(m, kWidest), highest = std::min(n, kWidest);
    const int width = highest - lowest + 3, origin = 1 - lowest;  // a spare diagonal each side
    // For the last kLayers costs, a ring, and each diagonal: the furthest x
    // reached (-1: none) and where that path got halfway. Row kLayers stays
    // empty and stands for the costs below zero; a row only ever widens, so
    // what it holds beyond its cost's reach is -1 too.
    const std::size_t cells = static_cast<std::size_t>(kLayers + 1) * width;
    std::vector<int> far(cells, -1), halfX(cells, -1), halfY(cells, -1);
    auto row = [&](int c) { return (c < 0 ? kLayers : c % kLayers) * width + origin; };
    for (int c = 0; c <= kMostCost && work_ < kMostWork; ++c) {
      const int here = row(c), carry = row(c - 1), side = row(c - kMissing),
                alike = row(c - kAlike), changed = row(c - kChanged);
      const int first = std::max(lowest, -c / kMissing), last = std::min(highest, c / kMissing);
      work_ += last - first + 1;
      for (int k = first; k <= last; ++k) {
        int from = carry + k, x = far[from];
        const int left = far[side + k - 1], up = far[side + k + 1], same = far[alike + k],
                  other = far[changed + k];
        if (left >= 0 && left < n && left + 1 > x) x = left + 1, from = side + k - 1;
        if (up >= 0 && up - k <= m && up > x) x = up, from = side + k + 1;
        if (same >= 0 && same < n && same - k < m && same + 1 > x &&
            Alike(a0 + same, b0 + same - k))
          x = same + 1, from = alike + k;
        if (other >= 0 && other < n && other - k < m && other + 1 > x)
          x = other + 1, from = changed + k;
        const bool start = c == 0 && k == 0;
        if (start) x = 0;
        if (start || from != carry + k) {
          int hx = start ? -1 : halfX[from], hy = start ? -1 : halfY[from], y = x - k;
          for (;;) {  // on along agreeing pairs
            if (hx < 0 && x + y >= half) hx = x, hy = y;
            if (x == n || y == m || !Agree(a0 + x, b0 + y)) break;
            ++x, ++y;
          }
          far[here + k] = x, halfX[here + k] = hx, halfY[here + k] = hy;
        } else {
          far[here + k] = x, halfX[here + k] = halfX[from], halfY[here + k] = halfY[from];
        }
        if (k == delta && far[here + k] == n) {
          middleX = a0 + halfX[here + k], middleY = b0 + halfY[here + k];
          return true;
        }
      }
    }
    return false;
  }

  const std::vector<std::string>& key_;
  const std::vector<std::string>& report_;
  std::vector<Shape> keyShapes_, reportShapes_;
  std::vector<std::int64_t> keyUnits_, reportUnits_;
  std::int64_t work_ = 0;  // diagonal steps so far, bounded by kMostWork
};

// Columns count characters, not the bytes of UTF-8.
int PartingColumn(const std::string& a, const std::string& b) {
  std::size_t column = 0;
  while (column < a.size() && column < b.size() && a[column] == b[column]) ++column;
  return 1 + static_cast<int>(std::count_if(
                 a.begin(), a.begin() + static_cast<std::ptrdiff_t>(column),
                 [](char ch) { return (static_cast<unsigned char>(ch) & 0xC0) != 0x80; }));
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
  c.keyLines = static_cast<int>(key.size());
  Aligner aligner(key, report);
  std::vector<std::pair<int, int>> pairs = aligner.Pairs();
  pairs.emplace_back(c.keyLines, static_cast<int>(report.size()));
  int i = 0, j = 0;  // the next key and report lines
  for (const auto& [pairI, pairJ] : pairs) {
    for (; i < pairI; ++i) c.differences.push_back({i + 1, j + 1, key[i], "", 0, false, true});
    for (; j < pairJ; ++j) c.differences.push_back({i + 1, j + 1, "", report[j], 0, true, false});
    if (i == c.keyLines) break;
    if (aligner.Agree(i, j))
      ++c.agreeing;
    else
      c.differences.push_back({i + 1, j + 1, key[i], report[j], PartingColumn(key[i], report[j])});
    ++i, ++j;
  }
  return c;
}

std::string Position(const LineDifference& d) {
  if (d.keyLine == d.reportLine) return "line " + std::to_string(d.keyLine);
  return "key line " + std::to_string(d.keyLine) + ", report line " + std::to_string(d.reportLine);
}

std::string Summary(const Comparison& c) {
  std::string text =
      std::to_string(c.agreeing) + " of " + std::to_string(c.keyLines) + " lines agree";
  if (!c.differences.empty()) text += "; first difference at " + Position(c.differences[0]);
  return text;
}

}  // namespace tessaro
