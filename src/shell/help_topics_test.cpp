// The help topics against the example files they quote.
#include "shell/help_topics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tessaro {
namespace {

using Lines = std::vector<std::string>;
using Id = HelpTopicId;

// A line as the input readers take it: the fields before any "<--" or "-->"
// comment, separated by blanks and commas, numbers compared as numbers.
Lines Fields(std::string line) {
  line.resize(std::min({line.find("<--"), line.find("-->"), line.size()}));
  std::replace(line.begin(), line.end(), ',', ' ');
  std::istringstream in(line);
  Lines fields;
  for (std::string f; in >> f;) {
    char* end = nullptr;
    const double number = std::strtod(f.c_str(), &end);
    fields.push_back(*end ? f : std::to_string(number));
  }
  return fields;
}

// Each annotated example against its file, line by line. A "repeat ..." line
// stands for the file lines up to the one that matches the next example
// line; an example that does not end in one is the whole file.
TEST(HelpExamples, EachOperationExampleIsTheTopOfItsFile) {
  const struct {
    Id topic;
    const char* after;  // the line before the example; blank lines after it are skipped
    const char* until;  // the line after the example; "" for the end of the topic
    const char* file;
    bool headerOmitsLastField = false;  // the file's second line has one value more
    std::string indent = "";
  } examples[] = {
      {Id::ImageTransformation, " EXAMPLE with fiducials:", " ", "imagetrans.txt"},
      {Id::ImageTransformation, "  EXAMPLE with digital image -only the top of the file:", "",
       "digital.txt"},
      {Id::Resection, " EXAMPLE:", "", "resection.txt"},
      {Id::Intersection, " EXAMPLE:", "", "intersection.txt"},
      // The reader takes a third value, the standard error of an image coordinate.
      {Id::RelativeOrientation, " EXAMPLE:", "", "relative.txt", true},
      {Id::AbsoluteOrientation, "  An input Text file is required with input data as follows:", " ",
       "absolute.txt", false, std::string(7, ' ')},
  };
  for (const auto& e : examples) {
    SCOPED_TRACE(e.file);
    const Lines& lines = GetHelpTopic(e.topic).lines;
    auto begin = std::find(lines.begin(), lines.end(), e.after);
    ASSERT_NE(begin, lines.end());
    while (++begin != lines.end() && (*begin == " " || begin->empty())) continue;
    const Lines example(begin, *e.until ? std::find(begin, lines.end(), e.until) : lines.end());
    ASSERT_GT(example.size(), 2u);

    std::ifstream in(std::string(TESSARO_SOURCE_DIR) + "/examples/" + e.file, std::ios::binary);
    Lines file;
    for (std::string line; std::getline(in, line);) file.push_back(line);
    std::size_t next = 0;  // the next file line
    bool skipping = false;
    for (const std::string& line : example) {
      EXPECT_EQ(line.rfind(e.indent, 0), 0u) << "indented: " << line;
      const Lines want = Fields(line);
      if (want.empty()) continue;
      if (want[0] == "repeat") {
        skipping = true;
        continue;
      }
      auto matches = [&](std::size_t k) {
        Lines got = Fields(file[k]);
        if (e.headerOmitsLastField && k == 1 && !got.empty()) got.pop_back();
        return got == want;
      };
      while (skipping && next < file.size() && !matches(next)) ++next;
      skipping = false;
      ASSERT_LT(next, file.size()) << "no file line for: " << line;
      EXPECT_TRUE(matches(next)) << "help: [" << line << "]\nfile: [" << file[next] << "]";
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
