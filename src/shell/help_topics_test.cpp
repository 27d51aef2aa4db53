// The help topics against the example files they quote.
#include "shell/help_topics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tessaro {
namespace {

using Lines = std::vector<std::string>;
using Id = HelpTopicId;

Lines ReadExample(const std::string& name) {
  std::ifstream file(std::string(TESSARO_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
  EXPECT_TRUE(file) << name;
  Lines lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

// The data part of an example line: what stands before its "<--" or "-->"
// comment, without surrounding blanks.
std::string StripComment(const std::string& line) {
  std::string s = line.substr(0, std::min(line.find("<--"), line.find("-->")));
  s.erase(0, s.find_first_not_of(' '));
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

// The fields of a data line, separated by blanks and commas as the input
// readers take them; false when one of them is not a number.
bool Numbers(std::string line, std::vector<double>& out) {
  std::replace(line.begin(), line.end(), ',', ' ');
  std::istringstream in(line);
  out.clear();
  for (double d; in >> d;) out.push_back(d);
  return in.eof();
}

struct Example {
  Id topic;
  const char* after;  // the line before the example; blank lines after it are skipped
  const char* until;  // the line after the example; "" for the end of the topic
  const char* file;
  bool headerOmitsLastField = false;  // the file's second line has one value more
  std::string indent = "";
};

// Each annotated example against its file: the title as text, every other
// data line as numbers. A "repeat ..." line stands for the file lines up to
// the one that matches the next example line; an example that does not end
// in one is the whole file.
TEST(HelpExamples, EachOperationExampleIsTheTopOfItsFile) {
  const Example examples[] = {
      {Id::ImageTransformation, " EXAMPLE with fiducials:", " ", "imagetrans.txt"},
      {Id::ImageTransformation, "  EXAMPLE with digital image -only the top of the file:", "", "digital.txt"},
      {Id::Resection, " EXAMPLE:", "", "resection.txt"},
      {Id::Intersection, " EXAMPLE:", "", "intersection.txt"},
      // The reader takes a third value, the standard error of an image coordinate.
      {Id::RelativeOrientation, " EXAMPLE:", "", "relative.txt", true},
      {Id::AbsoluteOrientation, "  An input Text file is required with input data as follows:", " ", "absolute.txt",
       false, std::string(7, ' ')},
  };
  for (const Example& e : examples) {
    SCOPED_TRACE(e.file);
    const Lines& lines = GetHelpTopic(e.topic).lines;
    auto begin = std::find(lines.begin(), lines.end(), e.after);
    ASSERT_NE(begin, lines.end());
    while (++begin != lines.end() && (*begin == " " || begin->empty())) continue;
    const Lines example(begin, *e.until ? std::find(begin, lines.end(), e.until) : lines.end());
    ASSERT_GT(example.size(), 2u);

    const Lines file = ReadExample(e.file);
    std::size_t next = 0;  // the next file line
    bool skipping = false;
    int data = 0;
    for (const std::string& line : example) {
      EXPECT_EQ(line.rfind(e.indent, 0), 0u) << "indented: " << line;
      const std::string text = StripComment(line);
      if (text.rfind("repeat", 0) == 0) {
        skipping = true;
        continue;
      }
      if (text.empty()) continue;
      if (++data == 1) {
        ASSERT_LT(next, file.size());
        EXPECT_EQ(text, StripComment(file[next++])) << "title";
        continue;
      }
      std::vector<double> want, got;
      EXPECT_TRUE(Numbers(text, want)) << line;
      auto matches = [&](const std::string& fileLine) {
        if (!Numbers(fileLine, got)) return false;
        if (e.headerOmitsLastField && data == 2 && !got.empty()) got.pop_back();
        return got == want;
      };
      while (skipping && next < file.size() && !matches(file[next])) ++next;
      skipping = false;
      ASSERT_LT(next, file.size()) << "no file line for: " << line;
      EXPECT_TRUE(matches(file[next])) << "help: [" << line << "]\nfile: [" << file[next] << "]";
      ++next;
    }
    EXPECT_TRUE(skipping || next == file.size()) << "the file goes on after the example";
  }
}

// The texts are ASCII except the Greek capitals Delta, Chi, Upsilon, Zeta
// (UTF-8) of one line.
TEST(HelpTopicTexts, OnlyTheTranslationsLineIsNotAscii) {
  int nonAscii = 0;
  for (int id = 0; id < 6; ++id)
    for (const std::string& line : GetHelpTopic(static_cast<Id>(id)).lines)
      if (std::any_of(line.begin(), line.end(), [](char c) { return c & 0x80; })) {
        ++nonAscii;
        EXPECT_EQ(line,
                  "  seven (7) parameters which are: (a) Three translations "
                  "\xCE\x94\xCE\xA7, \xCE\x94\xCE\xA5, \xCE\x94\xCE\x96");
      }
  EXPECT_EQ(nonAscii, 1);
}

}  // namespace
}  // namespace tessaro
