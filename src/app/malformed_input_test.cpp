// Malformed input files, made by rule from each operation's example: every
// variant is either refused with a message naming the file, the line and what
// was expected, with the job state as it was and the report kept as written,
// or, where the variant is still a legal file, gives the example's report.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <regex>
#include <string>

#include "app/operations.h"
#include "shell/input_channel.h"
#include "testing/test_support.h"

namespace tessaro {
namespace {

namespace fs = std::filesystem;

// An example and the numbers of its Open, Enter, Process and Close buttons.
struct Operation {
  const char* example;
  int buttons[4];
};
void PrintTo(const Operation& op, std::ostream* os) { *os << op.example; }

const Operation kOperations[] = {
    {"imagetrans.txt", {1, 7, 13, 20}}, {"digital.txt", {1, 7, 13, 20}},
    {"resection.txt", {2, 8, 14, 21}},  {"intersection.txt", {3, 9, 15, 22}},
    {"relative.txt", {24, 26, 27, 25}}, {"absolute.txt", {29, 31, 32, 30}}};

// What Enter and Process did to a file after a run on the example: the
// first message naming the file ("" when none did), the report, and whether
// the refused command kept the job state and the report written before it.
struct Outcome {
  std::string refusal, report;
  bool kept = true;
};

std::string Join(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

class Malformed : public TempDirTest, public ::testing::WithParamInterface<Operation> {
 protected:
  Outcome Run(const std::string& text) {
    File("bad.txt", text);
    FakeUi ui;
    Console console(ui, MakeOperations());
    console.Load();
    ui.files = {PathOf("report.txt"), PathOf("example.txt"), PathOf("bad.txt")};
    const auto [choose, enter, process, close] = GetParam().buttons;
    // 4 is Open-OutputFile; the example is entered and processed first.
    for (int button : {4, choose, enter, process, close, choose}) console.Press(button);
    Outcome o;
    for (int button : {enter, process}) {
      const auto open = console.job.OpenFlag, ready = console.job.ReadyFlag;
      const std::string written = Read(PathOf("report.txt"));
      const std::size_t shown = ui.messages.size();
      console.Press(button);
      o.report = Read(PathOf("report.txt"));
      const auto named =
          std::find_if(ui.messages.begin() + static_cast<std::ptrdiff_t>(shown), ui.messages.end(),
                       [](const std::string& m) { return m.starts_with("bad.txt"); });
      if (named == ui.messages.end()) continue;
      o.refusal = *named;
      o.kept = console.job.OpenFlag == open && console.job.ReadyFlag == ready &&
               o.report.starts_with(written) && (o.report.empty() || o.report.ends_with("\r\n"));
      break;
    }
    return o;
  }

  // The example with its line k (from 0) changed.
  template <class Change>
  std::string With(std::size_t k, Change change) const {
    Lines lines = lines_;
    lines[k] = change(lines[k]);
    return Join(lines);
  }

  // A variant that must be refused at `line` (0: any line) by a message
  // ending in `found`, short enough to read.
  void ExpectRefused(const std::string& text, int line, const std::string& found,
                     const std::string& variant) {
    const Outcome o = Run(text);
    const std::string at = "bad.txt, line " + (line > 0 ? std::to_string(line) + ": " : "");
    EXPECT_TRUE(o.refusal.starts_with(at) && o.refusal.find(": expected ") != std::string::npos &&
                o.refusal.ends_with(found) && o.refusal.size() < 200)
        << variant << ": " << o.refusal.substr(0, 300);
    EXPECT_TRUE(o.kept) << variant;
  }

  void SetUp() override {
    TempDirTest::SetUp();
    // The intersection's side file is made in the working folder when no
    // relative orientation input is chosen.
    home_ = fs::current_path();
    fs::current_path(dir);
    example_ = Read(fs::path(TESSARO_SOURCE_DIR "/examples") / GetParam().example);
    File("example.txt", example_);
    std::istringstream in(example_);
    for (std::string line; std::getline(in, line);) lines_.push_back(line);
    const Outcome o = Run(example_);
    ASSERT_EQ(o.refusal, "");
    report_ = o.report;
  }
  void TearDown() override {
    fs::current_path(home_);
    TempDirTest::TearDown();
  }

  fs::path home_;
  std::string example_, report_;
  Lines lines_;
};

// Still legal: CR LF or CR line ends, a byte-order mark, a title of 100 kB.
TEST_P(Malformed, VariantsAgree) {
  InputChannel title;
  title.OpenText(example_, "");
  std::string titled = report_;
  titled.replace(titled.rfind(title.ReadTitle()), kTitleLength, std::string(kTitleLength, 'T'));
  for (const auto& [text, report] :
       {std::pair{std::regex_replace(example_, std::regex("\n"), "\r\n"), report_},
        {std::regex_replace(example_, std::regex("\n"), "\r"), report_},
        {"\xEF\xBB\xBF" + example_, report_},
        {With(0, [](auto&) { return std::string(100000, 'T'); }), titled}})
    EXPECT_EQ(Run(text).report, report);
}

TEST_P(Malformed, RefusedWhereItStands) {
  const std::string end = "found the end of the file";
  ExpectRefused("", 1, end, "empty");
  for (std::size_t k = 1; k < lines_.size(); ++k)
    ExpectRefused(Join(Lines(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(k))),
                  static_cast<int>(k) + 1, end, "cut after line " + std::to_string(k));

  // Every line after the title: its last field made text, its first a whole
  // number beyond 32 bits (legal where that field is a real); line 2 also
  // ends in a number of 100,000 digits.
  const std::regex last("[^ \t,]+[ \t,]*$"), first("^[ \t,]*[^ \t,]+");
  int outOfRange = 0;
  for (std::size_t k = 1; k < lines_.size(); ++k) {
    const int line = static_cast<int>(k) + 1;
    const auto replace = [](const std::regex& field, const std::string& by) {
      return [&field, by](const std::string& l) { return std::regex_replace(l, field, by); };
    };
    ExpectRefused(With(k, replace(last, "abc")), line, "found \"abc\"",
                  "text in line " + std::to_string(line));
    const Outcome o = Run(With(k, replace(first, " 99999999999")));
    if (o.refusal.empty()) continue;
    ++outOfRange;
    EXPECT_TRUE(o.refusal.starts_with("bad.txt, line " + std::to_string(line) +
                                      ": expected a whole number from ") &&
                o.kept)
        << o.refusal;
  }
  EXPECT_GT(outOfRange, 0);
  ExpectRefused(With(1,
                     [&](const std::string& l) {
                       return std::regex_replace(l, last, std::string(100000, '9'));
                     }),
                2, "(out of range)", "100,000 digits");

  Lines unterminated;
  for (const std::string& line : lines_)
    if (line.empty() || line.find_first_not_of("0, \t") != std::string::npos)
      unterminated.push_back(line);
  ExpectRefused(Join(unterminated), 0, end, "no terminators");

  std::mt19937 random(12);
  std::string junk(4096, '\0');
  for (char& ch : junk) ch = static_cast<char>(random());
  ExpectRefused(junk, 0, "", "binary junk");
}

INSTANTIATE_TEST_SUITE_P(Example, Malformed, ::testing::ValuesIn(kOperations),
                         [](const auto& info) {
                           const std::string name = info.param.example;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace tessaro
