#include "shell/input_channel.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "shell/leading_number.h"
#include "shell/system_reason.h"

namespace tessaro {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

// A number as students write it: optional sign, digits with at most one
// decimal point (at least one digit), optional exponent "E" or "e" with an
// optional sign and at least one digit. Nothing else: no "inf", no hex.
bool IsNumberSyntax(std::string_view s) {
  return !s.empty() && NumberPrefixLength(s, "eE") == s.size();
}

// True for a number too small for a double: a negative exponent, or no
// non-zero digit before the decimal point.
bool IsTiny(std::string_view s) {
  std::size_t e = s.find_first_of("eE");
  if (e != std::string_view::npos) return s[e + 1] == '-';
  std::string_view integer = s.substr(0, s.find('.'));
  return integer.find_first_of("123456789") == std::string_view::npos;
}

// A field as a message quotes it; a field of thousands of characters (a
// runaway line) is cut, so that the message still fits on the screen.
std::string Quoted(std::string_view field) {
  constexpr std::size_t kShown = 40;
  if (field.size() <= kShown) return "\"" + std::string(field) + "\"";
  std::size_t cut = kShown;
  while (cut > 0 && (static_cast<unsigned char>(field[cut]) & 0xC0) == 0x80) --cut;
  return "\"" + std::string(field.substr(0, cut)) + "...\" (" + std::to_string(CharCount(field)) +
         " characters)";
}

// What a message says a whole-number field of type T should hold.
template <class T>
const std::string& WholeNumberExpected() {
  using limits = std::numeric_limits<T>;
  static const std::string text = "a whole number from " + std::to_string(limits::min()) + " to " +
                                  std::to_string(limits::max());
  return text;
}

}  // namespace

int CharCount(std::string_view text) {
  int n = 0;
  for (char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

bool InputChannel::Open(const std::string& path, std::string& error) {
  Close();
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  const int openError = errno;
  std::string shown = std::filesystem::path(path).filename().string();
  if (path.empty() || !in || std::filesystem::is_directory(path)) {
    error = "Cannot open the input file " + (shown.empty() ? path : shown) + ": " +
            OpenFailureReason(path, openError);
    return false;
  }
  std::ostringstream all;
  all << in.rdbuf();
  OpenText(all.str(), shown);
  return true;
}

void InputChannel::OpenText(std::string text, std::string displayName) {
  text_ = std::move(text);
  name_ = std::move(displayName);
  // Editors on Windows start a UTF-8 file with a byte-order mark; it is no
  // part of the title (a quoted title would lose its quotes to it).
  pos_ = text_.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  line_ = 1;
  open_ = true;
}

void InputChannel::Close() {
  text_.clear();
  pos_ = 0;
  line_ = 1;
  open_ = false;
}

// Consumes one line end ("\r\n", "\n" or "\r") if one stands at the position.
bool InputChannel::SkipLineEnd() {
  if (pos_ >= text_.size() || !IsLineEnd(text_[pos_])) return false;
  if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
  ++pos_;
  ++line_;
  return true;
}

void InputChannel::SkipSpace() {
  while (pos_ < text_.size()) {
    if (IsBlank(text_[pos_]))
      ++pos_;
    else if (!SkipLineEnd())
      break;
  }
}

bool InputChannel::AtEnd() {
  SkipSpace();
  return pos_ >= text_.size();
}

void InputChannel::ConsumeSeparator() {
  while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  if (pos_ < text_.size() && text_[pos_] == ',') ++pos_;
}

void InputChannel::Fail(int line, std::string_view expected, std::string_view what,
                        std::string_view found) const {
  std::string message =
      name_ + ", line " + std::to_string(line) + ": expected " + std::string(expected);
  if (!what.empty()) message += " (" + std::string(what) + ")";
  message += ", found " + std::string(found);
  throw InputError(message);
}

std::string_view InputChannel::NumberField(std::string_view expected, std::string_view what,
                                           int& line) {
  SkipSpace();
  line = line_;
  if (pos_ >= text_.size()) Fail(line, expected, what, "the end of the file");
  std::size_t start = pos_;
  while (pos_ < text_.size() && !IsBlank(text_[pos_]) && !IsLineEnd(text_[pos_]) &&
         text_[pos_] != ',')
    ++pos_;
  std::string_view field(text_.data() + start, pos_ - start);
  ConsumeSeparator();
  if (field.empty()) Fail(line, expected, what, "an empty field");
  return field;
}

double InputChannel::ParseNumber(std::string_view field, std::string_view expected,
                                 std::string_view what, int line) const {
  // The quoted field is made only for a message: most files have no fault.
  if (!IsNumberSyntax(field)) Fail(line, expected, what, Quoted(field));
  std::string_view digits = field[0] == '+' ? field.substr(1) : field;
  const DecimalRead read = ReadDecimal(digits);
  if (read.outOfRange && IsTiny(digits))
    return 0;  // underflow to zero is harmless for measured coordinates
  if (read.outOfRange || read.length != digits.size() || !std::isfinite(read.value))
    Fail(line, expected, what, Quoted(field) + " (out of range)");
  return read.value;
}

double InputChannel::ReadReal(std::string_view what) {
  int line = 0;
  std::string_view field = NumberField("a number", what, line);
  return ParseNumber(field, "a number", what, line);
}

std::int64_t InputChannel::ReadWholeInRange(std::int64_t low, std::int64_t high,
                                            std::string_view expected, std::string_view what) {
  int line = 0;
  std::string_view field = NumberField(expected, what, line);
  double rounded = RoundHalfEven(ParseNumber(field, expected, what, line));
  if (rounded < static_cast<double>(low) || rounded > static_cast<double>(high))
    Fail(line, expected, what, Quoted(field));
  return static_cast<std::int64_t>(rounded);
}

std::int16_t InputChannel::ReadWhole(std::string_view what) {
  using limits = std::numeric_limits<std::int16_t>;
  return static_cast<std::int16_t>(
      ReadWholeInRange(limits::min(), limits::max(), WholeNumberExpected<std::int16_t>(), what));
}

std::int32_t InputChannel::ReadLong(std::string_view what) {
  using limits = std::numeric_limits<std::int32_t>;
  return static_cast<std::int32_t>(
      ReadWholeInRange(limits::min(), limits::max(), WholeNumberExpected<std::int32_t>(), what));
}

std::string InputChannel::ReadText(std::string_view what) {
  SkipSpace();
  if (pos_ >= text_.size()) Fail(line_, "a text", what, "the end of the file");
  std::string result;
  if (text_[pos_] == '"') {
    ++pos_;
    while (pos_ < text_.size() && text_[pos_] != '"' && !IsLineEnd(text_[pos_]))
      result += text_[pos_++];
    if (pos_ < text_.size() && text_[pos_] == '"') ++pos_;
    ConsumeSeparator();
  } else {
    while (pos_ < text_.size() && text_[pos_] != ',' && !IsLineEnd(text_[pos_]))
      result += text_[pos_++];
    if (pos_ < text_.size() && text_[pos_] == ',') ++pos_;
  }
  return result;
}

std::string InputChannel::ReadTitle(std::string_view what) {
  std::string text = ReadText(what);
  // Cut after 80 characters (not bytes), then pad with blanks to 80.
  int chars = 0;
  std::size_t cut = 0;
  while (cut < text.size()) {
    if ((static_cast<unsigned char>(text[cut]) & 0xC0) != 0x80) {
      if (chars == kTitleLength) break;
      ++chars;
    }
    ++cut;
  }
  text.resize(cut);
  text.append(kTitleLength - chars, ' ');
  return text;
}

}  // namespace tessaro
