// Free-format input files, read field by field.
//
// Every operation reads its input file through an InputChannel with the same
// rules, so that a student's file means the same thing to all of them:
//  - blanks, tabs and line ends before a field are skipped, so a list of
//    fields may run over several lines and one line may hold several reads;
//  - a number field runs up to the next blank, tab, comma or line end; after
//    it, blanks up to and including one comma are consumed, so "51, 106.2"
//    and "51 106.2" read alike; the decimal mark is ".";
//  - a text field in double quotes runs to the closing quote (commas inside
//    belong to the text; an unclosed quote ends at the line end); any other
//    text field runs up to the next comma or the line end;
//  - a number read into a whole-number target is rounded to the nearest whole
//    number, halves to the even neighbour, and must fit the target.
//  - a UTF-8 byte-order mark at the start of the text is skipped.
//
// A field that breaks these rules, or the end of the file where a field is
// due, raises InputError, whose message names the file, the line and what was
// expected. Operations let it travel to the console, which shows it and stops
// the command; nothing is read past the faulty field.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tessaro {

// Length of the title kept from the first field of every input file.
inline constexpr int kTitleLength = 80;

class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class InputChannel {
 public:
  // Opens the file for reading from its start. On failure returns false,
  // leaves the channel closed and puts a message naming the file in error.
  bool Open(const std::string& path, std::string& error);
  // Opens on text held in memory (used by tests and by callers that already
  // hold the file); displayName stands for the file in messages.
  void OpenText(std::string text, std::string displayName);
  void Close();
  bool IsOpen() const { return open_; }

  // The file name as shown in messages (without its directory).
  const std::string& DisplayName() const { return name_; }
  // Line (from 1) of the next character to be read.
  int Line() const { return line_; }
  // True when only blanks, tabs and line ends remain.
  bool AtEnd();

  double ReadReal(std::string_view what);
  std::int16_t ReadWhole(std::string_view what);
  std::int32_t ReadLong(std::string_view what);
  std::string ReadText(std::string_view what);
  // One text field cut after 80 characters or padded with blanks to 80.
  std::string ReadTitle(std::string_view what = "title");
  // Refuses a value just read that the caller cannot use, with the message
  // of an unreadable field: "NAME, line N: expected EXPECTED, found FOUND".
  [[noreturn]] void Refuse(std::string_view expected, std::string_view found) const {
    Fail(line_, expected, {}, found);
  }

 private:
  void SkipSpace();
  bool SkipLineEnd();
  // The raw characters of the next number field; consumes the separator.
  std::string_view NumberField(std::string_view expected, std::string_view what, int& line);
  double ParseNumber(std::string_view field, std::string_view expected, std::string_view what,
                     int line) const;
  std::int64_t ReadWholeInRange(std::int64_t low, std::int64_t high, std::string_view expected,
                                std::string_view what);
  void ConsumeSeparator();
  [[noreturn]] void Fail(int line, std::string_view expected, std::string_view what,
                         std::string_view found) const;

  std::string text_;
  std::string name_;
  std::size_t pos_ = 0;
  int line_ = 1;
  bool open_ = false;
};

// ReadFields(channel, In(a, "what a is"), In(b, "..."), ...) reads one field
// into each target in order, converted to the target's type: double (real),
// int16_t (whole number), int32_t (long whole number), std::string (text).
template <class T>
struct FieldTarget {
  T& target;
  std::string_view what;
};

template <class T>
FieldTarget<T> In(T& target, std::string_view what) {
  return {target, what};
}

inline void ReadField(InputChannel& ch, FieldTarget<double> f) { f.target = ch.ReadReal(f.what); }
inline void ReadField(InputChannel& ch, FieldTarget<std::int16_t> f) {
  f.target = ch.ReadWhole(f.what);
}
inline void ReadField(InputChannel& ch, FieldTarget<std::int32_t> f) {
  f.target = ch.ReadLong(f.what);
}
inline void ReadField(InputChannel& ch, FieldTarget<std::string> f) {
  f.target = ch.ReadText(f.what);
}

template <class... T>
void ReadFields(InputChannel& ch, FieldTarget<T>... targets) {
  (ReadField(ch, targets), ...);
}

// Lists of records end with a terminating record ("0,0,0" and the like),
// which is read and stored like the others. read(k) reads record k = 1, 2, ...
// and tells whether it was the terminator; returns the number of records
// before it.
template <class ReadRecord>
std::int32_t ReadRecordsUntilEnd(ReadRecord read) {
  for (std::int32_t k = 1;; ++k)
    if (read(k)) return k - 1;
}

// Number of characters (UTF-8 code points) in text; columns and the title
// length count characters, not bytes.
int CharCount(std::string_view text);

}  // namespace tessaro
