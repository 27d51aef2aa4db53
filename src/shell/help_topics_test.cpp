#include "shell/help_topics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
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

// The numeric fields of an example file after its title, in free format as
// the operations read them.
class Fields {
 public:
  explicit Fields(const std::string& name) {
    const Lines lines = ReadExample(name);
    for (std::size_t i = 1; i < lines.size(); ++i) {
      std::vector<double> v;
      EXPECT_TRUE(Numbers(lines[i], v)) << name << ", line " << i + 1;
      values_.insert(values_.end(), v.begin(), v.end());
    }
  }
  double Next() {
    EXPECT_LT(at_, values_.size()) << "the file ends early";
    return at_ < values_.size() ? values_[at_++] : 0.0;
  }
  int Int() { return static_cast<int>(Next()); }
  void Skip(int count) {
    while (count-- > 0) Next();
  }
  bool AtEnd() const { return at_ == values_.size(); }
  // Records of a point number and `count` values, up to the one of all zeros.
  std::vector<std::vector<double>> List(int count) {
    std::vector<std::vector<double>> list;
    for (;;) {
      std::vector<double> r(static_cast<std::size_t>(count) + 1);
      for (double& v : r) v = Next();
      if (std::all_of(r.begin(), r.end(), [](double v) { return v == 0; })) return list;
      list.push_back(r);
    }
  }

 private:
  std::vector<double> values_;
  std::size_t at_ = 0;
};

std::multiset<double> Ids(const std::vector<std::vector<double>>& records) {
  std::multiset<double> ids;
  for (const auto& r : records) ids.insert(r[0]);
  return ids;
}

// The example files are complete inputs of their operations, with the shape
// their help describes.
TEST(HelpExamples, ExampleFilesAreCompleteInputs) {
  Fields film("imagetrans.txt");
  const int photos = film.Int(), fiducials = film.Int();
  std::set<int> marks, modes;
  for (int k = 0; k < fiducials; ++k, film.Skip(2)) marks.insert(film.Int());
  EXPECT_EQ(marks, (std::set<int>{51, 52, 53, 54}));
  for (int p = 1; p <= photos; ++p) {
    film.Skip(1);
    modes.insert(film.Int());
    const auto records = film.List(2);
    ASSERT_GT(records.size(), marks.size()) << "photo " << p << " has image points";
    std::set<int> first;  // the measured marks come before the image points
    for (std::size_t k = 0; k < marks.size(); ++k) first.insert(static_cast<int>(records[k][0]));
    EXPECT_EQ(first, marks) << "photo " << p;
  }
  EXPECT_EQ(modes, (std::set<int>{1, 2, 3}));
  EXPECT_TRUE(film.AtEnd());

  Fields digital("digital.txt");
  const int images = digital.Int();
  EXPECT_EQ(digital.Int(), 0);
  const double rows = digital.Next(), columns = digital.Next();
  for (int p = 0; p < images; ++p) {
    digital.Skip(1);
    const int mode = digital.Int();
    EXPECT_TRUE(mode == -1 || mode == 0);
    const auto points = digital.List(2);
    EXPECT_GE(points.size(), 3u);
    for (const auto& r : points) {
      // Rows count down from the top edge with mode -1, up (negative) with mode 0.
      const double row = mode == -1 ? r[2] : -r[2];
      EXPECT_TRUE(r[1] >= 0 && r[1] <= columns && row >= 0 && row <= rows) << r[0];
    }
  }
  EXPECT_TRUE(digital.AtEnd());

  // Resection: the nine image points are the nine control points, which have relief.
  Fields resection("resection.txt");
  resection.Skip(3);
  const auto control = resection.List(3);
  resection.Skip(10);
  EXPECT_EQ(Ids(resection.List(2)), Ids(control));
  std::set<double> heights;
  for (const auto& r : control) heights.insert(r[3]);
  EXPECT_EQ(heights.size(), 9u);
  EXPECT_TRUE(resection.AtEnd());

  // Intersection: two stations see the same nine points.
  Fields intersection("intersection.txt");
  EXPECT_EQ(intersection.Int(), 2);
  intersection.Skip(8);
  const auto first = intersection.List(2);
  intersection.Skip(8);
  EXPECT_EQ(first.size(), 9u);
  EXPECT_EQ(Ids(intersection.List(2)), Ids(first));
  EXPECT_TRUE(intersection.AtEnd());

  // Absolute orientation: two full control points, one horizontal, one
  // vertical, each measured once among eight points.
  Fields absolute("absolute.txt");
  absolute.Skip(1);
  const auto points = absolute.List(3), measured = absolute.List(3);
  std::multiset<int> kinds;
  for (const auto& r : points) {
    kinds.insert((r[1] != 0 || r[2] != 0) + 2 * (r[3] != 0));
    EXPECT_EQ(Ids(measured).count(r[0]), 1u) << r[0];
  }
  EXPECT_EQ(kinds, (std::multiset<int>{1, 2, 3, 3}));
  EXPECT_EQ(measured.size(), 8u);
  EXPECT_TRUE(absolute.AtEnd());
}

// Texts where a slip is easy: blanks at the ends, the odd spellings that a
// well-meaning edit would "fix", the odd commands. Negative lines count from
// the end of the topic.
TEST(HelpTopicTexts, QuotedLinesSurviveLetterForLetter) {
  const struct {
    Id topic;
    int line;
    const char* text;
  } quoted[] = {
      {Id::General, 0, "This program has been designed to produce knowlege on basic photogrammetric"},
      {Id::General, 5, "The ouput file contains accumulated data for all operations."},
      {Id::General, 7, " "},
      {Id::General, -1, " Notice that [D.d] means Decimal Degrees "},
      {Id::ImageTransformation, 0, ""},
      {Id::ImageTransformation, 1, ""},
      {Id::ImageTransformation, 2, " Title <-- Alphanumerical value with up to 80 characters"},
      {Id::ImageTransformation, 5, " Rows, Columns <-- only for digital images "},
      {Id::ImageTransformation, 15, "    0,0,0"},
      {Id::ImageTransformation, 16, " "},
      {Id::ImageTransformation, -1, " repeat as the number of photos specified (in this case 8 times)"},
      {Id::Resection, 0, "Title <-- Alphanumerical value with up to 80 characters"},
      {Id::Resection, 4, " 0,0,0,0 "},
      {Id::Resection, 9, " 0,0,0 "},
      {Id::Resection, 27, " 3,   51.915,  -62.256 <-- and refined no image transfornation is"},
      {Id::Intersection, 9, " Repeat same as many times as number of photographs "},
      {Id::Intersection, 17, " 103,   72.643,  -69.473 <-- and refined no image transfornation is"},
      {Id::RelativeOrientation, 2, " It is assumed to have about 60% overlap to  compute GP approximate coordinates"},
      {Id::RelativeOrientation, 8, " Numbet of Photographs, frame dimension of all photos in the flight direction "},
      {Id::RelativeOrientation, 28, " 4, 230"},
      {Id::AbsoluteOrientation, 1, "  This program performs a three dimensional  transformation conformal with "},
      {Id::AbsoluteOrientation, -12, " "},
      {Id::AbsoluteOrientation, -11, "  The first line is a title of up to 80 characters"},
      {Id::AbsoluteOrientation, -1, "  NOTICE: This set of data needs at least one more control in elevation (Z) "},
  };
  for (const auto& q : quoted) {
    const Lines& lines = GetHelpTopic(q.topic).lines;
    const int at = q.line < 0 ? static_cast<int>(lines.size()) + q.line : q.line;
    ASSERT_TRUE(at >= 0 && at < static_cast<int>(lines.size())) << q.text;
    EXPECT_EQ(lines[static_cast<std::size_t>(at)], q.text);
  }

  const char* commands[] = {"Help General",      "Help ImgTrans",  "Help Resection",
                            "Help Intersection", "Help RelOrient", "Help Abs Orient"};
  for (int id = 0; id < 6; ++id) {
    const HelpTopic& topic = GetHelpTopic(static_cast<Id>(id));
    EXPECT_EQ(topic.command, commands[id]);
    EXPECT_EQ(topic.openHelpWindow, id != 0) << topic.command;  // all but the general topic
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
