// Malformed input files, made by rule from each operation's example: every
// variant is either refused with a message naming the file, the line and what
// was expected, with the job state as it was and the report kept as written,
// or, where the variant is still a legal file, gives the example's report.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/operations.h"
#include "shell/input_channel.h"
#include "testing/test_support.h"

namespace tessaro {
namespace {

namespace fs = std::filesystem;

struct Operation {
  const char* example;  // in examples/
  const char* open;
  const char* enter;
  const char* process;
  const char* close;
};

const Operation kOperations[] = {
    {"imagetrans.txt", "Open-ImageTrans", "Enter ImageTransData", "Process ImageTrans",
     "Close-ImageTrans"},
    {"digital.txt", "Open-ImageTrans", "Enter ImageTransData", "Process ImageTrans",
     "Close-ImageTrans"},
    {"resection.txt", "Open-Resection", "Enter Resection Data", "Make Resection",
     "Close-Resection"},
    {"intersection.txt", "Open-Intersection", "Enter Intersection Data", "Process Intersection",
     "Close-Intersection"},
    {"relative.txt", "Open Relative Orient", "Enter Relative Orient Data",
     "Process Relative Orient", "Close Relative Orient"},
    {"absolute.txt", "Open Absolute Orient", "Enter Absolute Orient Data",
     "Process Absolute Orient", "Close Absolute Orient"},
};

// What a run of Enter and Process on one file, after one on the example,
// left: the first message that names the file ("" when none did), the
// report, and whether the refused command kept the job state and the report
// written before it.
struct Outcome {
  std::string refusal;
  std::string report;
  bool kept = true;
};

Lines SplitLines(const std::string& text) {
  Lines lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

std::string Join(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// The fields of a line as the reader separates them: by blanks, tabs, commas.
std::vector<std::pair<std::size_t, std::size_t>> Fields(const std::string& line) {
  std::vector<std::pair<std::size_t, std::size_t>> fields;
  for (std::size_t at = 0; (at = line.find_first_not_of(" \t,", at)) != std::string::npos;) {
    const std::size_t end = std::min(line.find_first_of(" \t,", at), line.size());
    fields.push_back({at, end - at});
    at = end;
  }
  return fields;
}

bool IsTerminator(const std::string& line) {
  const auto fields = Fields(line);
  if (fields.size() < 3) return false;
  for (const auto& [at, length] : fields)
    if (line.substr(at, length) != "0") return false;
  return true;
}

void PrintTo(const Operation& op, std::ostream* os) { *os << op.example; }

class MalformedInput : public TempDirTest, public ::testing::WithParamInterface<Operation> {
 protected:
  Outcome Run(const std::string& text) {
    File("bad.txt", text);
    FakeUi ui;
    Console console(ui, MakeOperations());
    console.Load();
    ui.files = {PathOf("report.txt"), PathOf("example.txt"), PathOf("bad.txt")};
    console.PressCaption("Open-OutputFile");
    const Operation& op = GetParam();
    for (const char* command : {op.open, op.enter, op.process, op.close, op.open})
      console.PressCaption(command);
    Outcome o;
    for (const char* command : {op.enter, op.process}) {
      const auto open = console.job.OpenFlag, ready = console.job.ReadyFlag;
      const std::string before = Read(PathOf("report.txt"));
      const std::size_t shown = ui.messages.size();
      console.PressCaption(command);
      for (std::size_t k = shown; k < ui.messages.size() && o.refusal.empty(); ++k)
        if (ui.messages[k].starts_with("bad.txt")) o.refusal = ui.messages[k];
      o.report = Read(PathOf("report.txt"));
      if (o.refusal.empty()) continue;
      o.kept = console.job.OpenFlag == open && console.job.ReadyFlag == ready &&
               o.report.starts_with(before) &&
               (o.report.empty() || o.report.ends_with("\r\n"));
      break;
    }
    return o;
  }

  // Runs a variant that must be refused at `line` (0: any line) with a
  // message whose end is `found` (empty: any).
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
    // The intersection's side file is made beside the relative orientation
    // input, in the working folder when none is chosen.
    home_ = fs::current_path();
    fs::current_path(dir);
    example_ = Read(fs::path(TESSARO_SOURCE_DIR "/examples") / GetParam().example);
    File("example.txt", example_);
    lines_ = SplitLines(example_);
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

// Still legal: other line ends, a byte-order mark, a title of 100 kB.
TEST_P(MalformedInput, LegalVariantsGiveTheExamplesReport) {
  std::string crlf, cr;
  for (char ch : example_) {
    crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    cr += ch == '\n' ? '\r' : ch;
  }
  for (const std::string& text : {crlf, cr, "\xEF\xBB\xBF" + example_}) {
    const Outcome o = Run(text);
    EXPECT_EQ(o.refusal, "");
    EXPECT_EQ(o.report, report_);
  }
  InputChannel title;
  title.OpenText(example_, "");
  Lines longTitle = lines_;
  longTitle[0] = std::string(100000, 'T');
  std::string report = report_;
  report.replace(report.rfind(title.ReadTitle()), kTitleLength, std::string(kTitleLength, 'T'));
  EXPECT_EQ(Run(Join(longTitle)).report, report);
}

TEST_P(MalformedInput, EveryFaultIsRefusedWhereItStands) {
  ExpectRefused("", 1, "found the end of the file", "empty");
  for (std::size_t k = 1; k < lines_.size(); ++k)
    ExpectRefused(Join(Lines(lines_.begin(), lines_.begin() + k)), static_cast<int>(k) + 1,
                  "found the end of the file", "cut after line " + std::to_string(k));

  // Every line after the title: its last field made text, its first a whole
  // number beyond 32 bits (legal where that field is a real); line 2 also
  // with a number of 100,000 digits.
  int outOfRange = 0;
  for (std::size_t k = 1; k < lines_.size(); ++k) {
    const int line = static_cast<int>(k) + 1;
    const auto fields = Fields(lines_[k]);
    if (fields.empty()) continue;
    Lines text = lines_;
    text[k].replace(fields.back().first, fields.back().second, "abc");
    ExpectRefused(Join(text), line, "found \"abc\"", "text in line " + std::to_string(line));

    Lines large = lines_;
    large[k].replace(fields.front().first, fields.front().second, "99999999999");
    const Outcome o = Run(Join(large));
    if (!o.refusal.empty()) {
      ++outOfRange;
      EXPECT_EQ(o.refusal.find("bad.txt, line " + std::to_string(line) +
                               ": expected a whole number from "),
                0u)
          << o.refusal;
      EXPECT_TRUE(o.kept) << "out of range in line " << line;
    }
    if (k == 1) {
      Lines digits = lines_;
      digits[k].replace(fields.back().first, fields.back().second, std::string(100000, '9'));
      ExpectRefused(Join(digits), line, "(out of range)", "100,000 digits");
    }
  }
  EXPECT_GT(outOfRange, 0);

  Lines unterminated;
  for (const std::string& line : lines_)
    if (!IsTerminator(line)) unterminated.push_back(line);
  ExpectRefused(Join(unterminated), 0, "found the end of the file", "no terminators");

  std::mt19937 random(12);
  std::string junk(4096, '\0');
  for (char& ch : junk) ch = static_cast<char>(random());
  ExpectRefused(junk, 0, "", "binary junk");
}

INSTANTIATE_TEST_SUITE_P(Examples, MalformedInput, ::testing::ValuesIn(kOperations),
                         [](const auto& info) {
                           const std::string name = info.param.example;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace tessaro
