// Report lines, built from print items.
//
// Reports are compared line by line with the instructor's, so every line of
// every report, and of the scratch and help windows, is written here:
//  - a statement is a list of items (text, whole numbers, reals, Tab(n)),
//    each followed by a separator: Semi (";", the next item follows at once),
//    Comma (",", the next item starts in the next 14-column print zone: zones
//    begin at columns 1, 15, 29, ...), or nothing;
//  - a statement that ends on an item ends the line; one that ends on a
//    separator leaves the line open for the next statement; an empty
//    statement writes an empty line;
//  - columns count from 1 and advance by one per character written.
//
// Numbers as print items take the plain form: a blank or "-", the digits,
// one trailing blank. Reals use the shortest decimal form with at most 15
// significant digits ("106.214", "2000", ".25"); magnitudes from 1E+15 up and
// below 1E-04 are written in exponent form ("1.5E+15", "2.5E-05").
// FormatNumber writes a real through a digit pattern such as "####0.000".
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tessaro {

struct TabTo {
  int column;
};
// Moves to column n; past it, the line ends first.
inline TabTo Tab(int n) { return {n}; }

enum class Separator { Semi, Comma };
inline constexpr Separator Semi = Separator::Semi;
inline constexpr Separator Comma = Separator::Comma;

// A whole number item (16- or 32-bit values) is written without decimals;
// a real item in the plain real form.
class PrintItem {
 public:
  PrintItem(const char* text) : value_(std::string(text)) {}
  PrintItem(std::string text) : value_(std::move(text)) {}
  PrintItem(std::string_view text) : value_(std::string(text)) {}
  PrintItem(int whole) : value_(std::int64_t{whole}) {}
  PrintItem(double real) : value_(real) {}
  PrintItem(TabTo tab) : value_(tab) {}
  PrintItem(Separator separator) : value_(separator) {}

  using Value = std::variant<std::string, std::int64_t, double, TabTo, Separator>;
  const Value& value() const { return value_; }

 private:
  Value value_;
};

// Where statements are written: a report channel or a print surface. A line
// is built here, in memory, and handed on whole when it ends; the column is
// tracked here too, so the report and the windows lay out lines alike.
class PrintDestination {
 public:
  virtual ~PrintDestination() = default;
  int Column() const { return column_; }
  // Adds text to the open line.
  void Write(std::string_view text);
  // Adds n blanks (none when n <= 0).
  void WriteBlanks(int n);
  // Hands the open line on and starts the next at column 1.
  void EndLine();

 protected:
  // Receives a finished line without its line end; may take its characters.
  virtual void PutLine(std::string& line) = 0;
  // Called after text was added to the open line.
  virtual void Extended() {}
  // The open line's characters not yet handed on. A subclass that writes
  // them early (a report flushed in mid-line) clears them; the column stays.
  std::string& OpenLine() { return line_; }
  const std::string& OpenLine() const { return line_; }
  // Drops the open line and starts again at column 1.
  void ResetLine() {
    line_.clear();
    column_ = 1;
  }

 private:
  std::string line_;
  int column_ = 1;
};

// Writes one print statement.
void PrintItems(PrintDestination& destination, std::initializer_list<PrintItem> items);

// One column of a table line: the Tab that moves to it (0: none, the item
// follows the one before at once) and the FormatNumber pattern of its
// numbers (nullptr: the item is printed as it is, numbers in plain form).
struct TableColumn {
  int tab = 0;
  const char* pattern = nullptr;
};
using TableLayout = std::vector<TableColumn>;

// Writes one line of a table: for every column, its Tab, then its cell
// (a number through the column's pattern), all joined by Semi:
//   PrintRow(out, {{0}, {10, "#####.###"}}, {7, x})  is
//   PrintItems(out, {7, Semi, Tab(10), Semi, FormatNumber(x, "#####.###")}).
// Cells beyond the layout are not allowed; a layout wider than the cells
// prints only as many columns as there are cells.
void PrintRow(PrintDestination& destination, std::span<const TableColumn> layout,
              std::initializer_list<PrintItem> cells);

// The angles of a photograph in degrees: the heading "Omega", "Phi",
// "Kapa [D.d]" at columns 1, 16 and 30, then one line of the three values
// through pattern at columns 1, tabPhi and tabKappa.
void PrintAngleBlock(PrintDestination& destination, double omega, double phi, double kappa,
                     const char* pattern, int tabPhi, int tabKappa);

// The text of a real through a digit pattern of "#" and "0" places with at
// most one ".": rounded half away from zero to the places after the point;
// the integer part written whole (a zero integer part only when a "0" stands
// before the point); "0" places after the point always written, "#" places
// only when not trailing zeros; the point always written; "-" before a
// negative value, but not before a value that rounds to zero.
std::string FormatNumber(double value, std::string_view pattern);

// The plain print form of a whole number or a real, without the trailing
// blank that PrintItems adds ("-5", " 106.214").
std::string PlainWhole(std::int64_t value);
std::string PlainReal(double value);

// A scratch or help window's text: a list of lines with a current line.
class PrintSurface : public PrintDestination {
 public:
  PrintSurface() { Clear(); }
  // Removes all text; the next print starts at the top.
  void Clear();
  // The finished lines and, when it holds text, the open current line.
  std::vector<std::string> Lines() const;
  // Lines() joined with "\n", each line followed by "\n".
  std::string Text() const;
  // Called after every change, so that a window can redraw.
  void SetOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

 protected:
  void PutLine(std::string& line) override;
  void Extended() override { Changed(); }

 private:
  void Changed() {
    if (onChange_) onChange_();
  }
  std::vector<std::string> lines_;  // the finished lines
  std::function<void()> onChange_;
};

}  // namespace tessaro
