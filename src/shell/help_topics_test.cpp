#include "shell/help_topics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace tessaro {
namespace {

using Lines = std::vector<std::string>;

Lines ReadExample(const std::string& name) {
  std::ifstream file(std::string(TESSARO_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
  EXPECT_TRUE(file) << name;
  Lines lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// The data part of an example line: everything before its "<--" or "-->"
// comment, without surrounding blanks.
std::string StripComment(const std::string& line) {
  const std::size_t cut = std::min(line.find("<--"), line.find("-->"));
  return Trim(line.substr(0, std::min(cut, line.size())));
}

// Fields of a data line, separated by blanks and commas as the input readers
// take them.
Lines Fields(const std::string& line) {
  Lines fields;
  std::string field;
  for (char c : line + ' ') {
    if (c == ' ' || c == ',') {
      if (!field.empty()) fields.push_back(field);
      field.clear();
    } else {
      field += c;
    }
  }
  return fields;
}

double Number(const std::string& field) {
  char* end = nullptr;
  const double value = std::strtod(field.c_str(), &end);
  EXPECT_TRUE(end != field.c_str() && *end == '\0') << "not a number: " << field;
  return value;
}

// The lines of a topic strictly between the line `from` and the line `to`
// ("" = to the end).
Lines Section(const Lines& lines, const std::string& from, const std::string& to) {
  auto begin = std::find(lines.begin(), lines.end(), from);
  EXPECT_NE(begin, lines.end()) << from;
  if (begin == lines.end()) return {};
  auto end = to.empty() ? lines.end() : std::find(begin + 1, lines.end(), to);
  return Lines(begin + 1, end);
}

struct Comparison {
  bool headerOmitsLastField = false;  // the help's second line shows one field fewer than the file
  bool wholeFile = true;              // no "repeat ..." line ends the example: the file has nothing more
};

// Checks an annotated help example against the top of an example file: the
// first data line (the title) as text, every other data line field by field
// as numbers. Lines that are only comments are skipped; a "repeat ..." line
// stands for any file lines up to the one that matches the next help line.
void ExpectExampleMatchesFile(const Lines& example, const std::string& fileName, Comparison how = {}) {
  SCOPED_TRACE(fileName);
  const Lines file = ReadExample(fileName);
  std::size_t next = 0;  // next file line
  bool skipping = false;
  bool title = true;
  int dataLine = 0;
  for (const std::string& helpLine : example) {
    if (Trim(helpLine).rfind("repeat", 0) == 0) {
      skipping = true;
      continue;
    }
    const std::string data = StripComment(helpLine);
    if (data.empty()) continue;
    ++dataLine;
    if (title) {
      ASSERT_LT(next, file.size());
      EXPECT_EQ(data, Trim(file[next])) << "title";
      ++next;
      title = false;
      continue;
    }
    Lines want = Fields(data);
    auto matches = [&](const std::string& fileLine) {
      Lines got = Fields(fileLine);
      if (how.headerOmitsLastField && dataLine == 2) {
        if (got.size() != want.size() + 1) return false;
        got.pop_back();
      }
      if (got.size() != want.size()) return false;
      for (std::size_t k = 0; k < want.size(); ++k)
        if (Number(got[k]) != Number(want[k])) return false;
      return true;
    };
    if (skipping) {
      while (next < file.size() && !matches(file[next])) ++next;
      skipping = false;
    }
    ASSERT_LT(next, file.size()) << "help line has no counterpart: " << helpLine;
    EXPECT_TRUE(matches(file[next])) << "help: [" << helpLine << "]\nfile: [" << file[next] << "]";
    ++next;
  }
  if (how.wholeFile && !skipping) {
    EXPECT_EQ(next, file.size()) << "the file goes on after the example";
  }
}

const Lines& TopicLines(HelpTopicId id) { return GetHelpTopic(id).lines; }

TEST(HelpExamples, ImageTransformationExamplesAreTheTopsOfTheFiles) {
  const Lines& lines = TopicLines(HelpTopicId::ImageTransformation);
  ExpectExampleMatchesFile(
      Section(lines, " EXAMPLE with fiducials:", "  EXAMPLE with digital image -only the top of the file:"),
      "imagetrans.txt", {false, false});
  ExpectExampleMatchesFile(Section(lines, "  EXAMPLE with digital image -only the top of the file:", ""),
                           "digital.txt", {false, false});
}

TEST(HelpExamples, ResectionAndIntersectionExamplesAreTheWholeFiles) {
  ExpectExampleMatchesFile(Section(TopicLines(HelpTopicId::Resection), " EXAMPLE:", ""), "resection.txt");
  ExpectExampleMatchesFile(Section(TopicLines(HelpTopicId::Intersection), " EXAMPLE:", ""), "intersection.txt");
}

TEST(HelpExamples, RelativeOrientationExampleIsTheFileLessItsImageSigma) {
  const Lines example = Section(TopicLines(HelpTopicId::RelativeOrientation), " EXAMPLE:", "");
  ASSERT_GE(example.size(), 2u);
  EXPECT_EQ(example[1], " 4, 230");
  ExpectExampleMatchesFile(example, "relative.txt", {true, true});
}

TEST(HelpExamples, AbsoluteOrientationExampleIsTheWholeFile) {
  const Lines& lines = TopicLines(HelpTopicId::AbsoluteOrientation);
  Lines example = Section(lines, "  An input Text file is required with input data as follows:", "");
  // The annotated file runs from after the blank line to the next blank line.
  ASSERT_FALSE(example.empty());
  ASSERT_EQ(example.front(), " ");
  example.erase(example.begin());
  example.erase(std::find(example.begin(), example.end(), " "), example.end());
  for (const std::string& line : example) EXPECT_EQ(line.rfind("       ", 0), 0u) << "indented by seven: " << line;
  ExpectExampleMatchesFile(example, "absolute.txt");
}

// The example files must be complete, valid inputs of their operations, with
// the shape the help describes. Read as the operations read them: a title
// line, then numeric fields in free format.
class FieldStream {
 public:
  explicit FieldStream(const std::string& fileName) {
    const Lines lines = ReadExample(fileName);
    for (std::size_t i = 1; i < lines.size(); ++i)
      for (const std::string& field : Fields(lines[i])) fields_.push_back(Number(field));
  }
  double Next() {
    EXPECT_LT(at_, fields_.size()) << "file ends early";
    return at_ < fields_.size() ? fields_[at_++] : 0.0;
  }
  int NextInt() { return static_cast<int>(Next()); }
  bool AtEnd() const { return at_ == fields_.size(); }

 private:
  std::vector<double> fields_;
  std::size_t at_ = 0;
};

struct Record {
  int number;
  std::vector<double> values;
};

// Records of 1 + valueCount fields up to the one whose fields are all zero.
std::vector<Record> ReadList(FieldStream& in, int valueCount) {
  std::vector<Record> list;
  while (true) {
    Record r{in.NextInt(), {}};
    bool allZero = r.number == 0;
    for (int k = 0; k < valueCount; ++k) {
      r.values.push_back(in.Next());
      allZero = allZero && r.values.back() == 0;
    }
    if (allZero || in.AtEnd()) break;
    list.push_back(r);
  }
  return list;
}

TEST(HelpExamples, ImageTransformationFilesHoldEveryPhotoAndFiducial) {
  FieldStream film("imagetrans.txt");
  const int photos = film.NextInt(), fiducials = film.NextInt();
  EXPECT_EQ(photos, 6);
  EXPECT_EQ(fiducials, 4);
  std::set<int> calibrated;
  for (int k = 0; k < fiducials; ++k) {
    calibrated.insert(film.NextInt());
    film.Next();
    film.Next();
  }
  EXPECT_EQ(calibrated, (std::set<int>{51, 52, 53, 54}));
  std::set<int> modes;
  for (int p = 0; p < photos; ++p) {
    film.NextInt();
    modes.insert(film.NextInt());
    const std::vector<Record> records = ReadList(film, 2);
    std::set<int> marks;
    for (std::size_t k = 0; k < records.size(); ++k)
      if (calibrated.count(records[k].number)) {
        EXPECT_LT(k, static_cast<std::size_t>(fiducials)) << "marks come before the image points";
        marks.insert(records[k].number);
      }
    EXPECT_EQ(marks, calibrated) << "photo " << p + 1;
    EXPECT_GT(records.size(), calibrated.size()) << "photo " << p + 1 << " has image points";
  }
  EXPECT_EQ(modes, (std::set<int>{1, 2, 3}));
  EXPECT_TRUE(film.AtEnd());

  FieldStream digital("digital.txt");
  EXPECT_EQ(digital.NextInt(), 8);
  EXPECT_EQ(digital.NextInt(), 0);
  const double rows = digital.Next(), columns = digital.Next();
  for (int p = 0; p < 8; ++p) {
    digital.NextInt();
    const int mode = digital.NextInt();
    EXPECT_TRUE(mode == -1 || mode == 0);
    const std::vector<Record> points = ReadList(digital, 2);
    EXPECT_GE(points.size(), 3u);
    for (const Record& r : points) {
      EXPECT_TRUE(r.values[0] >= 0 && r.values[0] <= columns);
      // Rows count down from the top edge with mode -1, up (negative) with mode 0.
      const double row = mode == -1 ? r.values[1] : -r.values[1];
      EXPECT_TRUE(row >= 0 && row <= rows) << r.number;
    }
  }
  EXPECT_TRUE(digital.AtEnd());
}

TEST(HelpExamples, ResectionAndIntersectionFilesMatchTheirPoints) {
  FieldStream resection("resection.txt");
  for (int k = 0; k < 3; ++k) resection.Next();
  const std::vector<Record> control = ReadList(resection, 3);
  EXPECT_EQ(control.size(), 9u);
  std::set<double> heights;
  std::set<int> controlNumbers;
  for (const Record& r : control) {
    controlNumbers.insert(r.number);
    heights.insert(r.values[2]);
  }
  EXPECT_EQ(heights.size(), 9u) << "the control has relief";
  for (int k = 0; k < 10; ++k) resection.Next();
  const std::vector<Record> image = ReadList(resection, 2);
  EXPECT_EQ(image.size(), 9u);
  for (const Record& r : image) EXPECT_TRUE(controlNumbers.count(r.number)) << r.number;
  EXPECT_TRUE(resection.AtEnd());

  FieldStream intersection("intersection.txt");
  const int photos = intersection.NextInt();
  EXPECT_EQ(photos, 2);
  std::map<int, int> rays;
  for (int p = 0; p < photos; ++p) {
    for (int k = 0; k < 8; ++k) intersection.Next();
    const std::vector<Record> points = ReadList(intersection, 2);
    EXPECT_EQ(points.size(), 9u);
    for (const Record& r : points) ++rays[r.number];
  }
  for (const auto& [number, count] : rays) EXPECT_EQ(count, photos) << number;
  EXPECT_TRUE(intersection.AtEnd());
}

TEST(HelpExamples, AbsoluteOrientationControlIsEnoughAndMatched) {
  FieldStream in("absolute.txt");
  EXPECT_EQ(in.Next(), 0.027);
  const std::vector<Record> control = ReadList(in, 3);
  int full = 0, horizontalOnly = 0, verticalOnly = 0;
  for (const Record& r : control) {
    const bool horizontal = r.values[0] != 0 || r.values[1] != 0, vertical = r.values[2] != 0;
    full += horizontal && vertical;
    horizontalOnly += horizontal && !vertical;
    verticalOnly += !horizontal && vertical;
  }
  EXPECT_EQ(full, 2);
  EXPECT_EQ(horizontalOnly, 1);
  EXPECT_EQ(verticalOnly, 1);
  const std::vector<Record> measured = ReadList(in, 3);
  EXPECT_EQ(measured.size(), 8u);
  for (const Record& c : control)
    EXPECT_EQ(std::count_if(measured.begin(), measured.end(), [&](const Record& m) { return m.number == c.number; }),
              1)
        << c.number;
  EXPECT_TRUE(in.AtEnd());
}

// Texts where a slip is easy: blanks at the ends, counts, the odd spellings
// that a well-meaning edit would "fix", and the one non-ASCII line.
TEST(HelpTopicTexts, GeneralTopicKeepsItsWindowAndNineLines) {
  const HelpTopic& general = GetHelpTopic(HelpTopicId::General);
  EXPECT_FALSE(general.openHelpWindow);
  ASSERT_EQ(general.lines.size(), 9u);
  EXPECT_EQ(general.lines.front(), "This program has been designed to produce knowlege on basic photogrammetric");
  EXPECT_EQ(general.lines[5], "The ouput file contains accumulated data for all operations.");
  EXPECT_EQ(general.lines[7], " ");
  EXPECT_EQ(general.lines.back(), " Notice that [D.d] means Decimal Degrees ");

  for (HelpTopicId id : {HelpTopicId::ImageTransformation, HelpTopicId::Resection, HelpTopicId::Intersection,
                         HelpTopicId::RelativeOrientation, HelpTopicId::AbsoluteOrientation}) {
    const HelpTopic& topic = GetHelpTopic(id);
    EXPECT_TRUE(topic.openHelpWindow) << topic.procedure;
    EXPECT_TRUE(topic.caption.ends_with(" Help Information")) << topic.caption;
    EXPECT_TRUE(topic.command.starts_with("Help ")) << topic.command;
  }
  EXPECT_EQ(GetHelpTopic(HelpTopicId::AbsoluteOrientation).command, "Help Abs Orient");
  EXPECT_EQ(GetHelpTopic(HelpTopicId::RelativeOrientation).procedure, "HelpRelativeOrientation");
}

TEST(HelpTopicTexts, FormatSectionsStartAndEndWhereTheyShould) {
  const Lines& image = TopicLines(HelpTopicId::ImageTransformation);
  ASSERT_GE(image.size(), 16u);
  EXPECT_EQ(image[0], "");
  EXPECT_EQ(image[1], "");
  EXPECT_EQ(image[2], " Title <-- Alphanumerical value with up to 80 characters");
  EXPECT_EQ(image[5], " Rows, Columns <-- only for digital images ");
  EXPECT_EQ(image[15], "    0,0,0");
  EXPECT_EQ(image[16], " ");
  EXPECT_EQ(image.back(), " repeat as the number of photos specified (in this case 8 times)");

  const Lines& resection = TopicLines(HelpTopicId::Resection);
  EXPECT_EQ(resection[0], "Title <-- Alphanumerical value with up to 80 characters");
  EXPECT_EQ(resection[4], " 0,0,0,0 ");
  EXPECT_EQ(resection[9], " 0,0,0 ");
  EXPECT_EQ(resection[12], "\"Test on resection using 9-point simulated data\"");

  const Lines& intersection = TopicLines(HelpTopicId::Intersection);
  EXPECT_EQ(intersection[9], " Repeat same as many times as number of photographs ");
  EXPECT_EQ(intersection[12], "\" Test on intersection using 9-point simulated data 2-stations\"");

  const Lines& relative = TopicLines(HelpTopicId::RelativeOrientation);
  EXPECT_EQ(relative[2], " It is assumed to have about 60% overlap to  compute GP approximate coordinates");
  EXPECT_EQ(relative[8], " Numbet of Photographs, frame dimension of all photos in the flight direction ");
  EXPECT_EQ(relative[26], " EXAMPLE:");

  const Lines& absolute = TopicLines(HelpTopicId::AbsoluteOrientation);
  EXPECT_EQ(absolute[1], "  This program performs a three dimensional  transformation conformal with ");
  ASSERT_GE(absolute.size(), 12u);
  EXPECT_EQ(absolute[absolute.size() - 12], " ");
  EXPECT_EQ(absolute[absolute.size() - 11], "  The first line is a title of up to 80 characters");
  EXPECT_EQ(absolute.back(), "  NOTICE: This set of data needs at least one more control in elevation (Z) ");
}

TEST(HelpTopicTexts, OnlyTheTranslationsLineIsNotAscii) {
  // Greek capitals Delta, Chi, Upsilon, Zeta in UTF-8.
  const std::string translations =
      "  seven (7) parameters which are: (a) Three translations "
      "\xCE\x94\xCE\xA7, \xCE\x94\xCE\xA5, \xCE\x94\xCE\x96";
  int nonAscii = 0;
  for (HelpTopicId id : {HelpTopicId::General, HelpTopicId::ImageTransformation, HelpTopicId::Resection,
                         HelpTopicId::Intersection, HelpTopicId::RelativeOrientation,
                         HelpTopicId::AbsoluteOrientation})
    for (const std::string& line : TopicLines(id))
      if (std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) > 127; })) {
        ++nonAscii;
        EXPECT_EQ(line, translations);
      }
  EXPECT_EQ(nonAscii, 1);
}

TEST(HelpTopicTexts, DeliberateMisspellingsSurvive) {
  auto contains = [](HelpTopicId id, const std::string& text) {
    const Lines& lines = TopicLines(id);
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return l.find(text) != std::string::npos; });
  };
  EXPECT_EQ(contains(HelpTopicId::General, "knowlege"), 1);
  EXPECT_EQ(contains(HelpTopicId::General, "ouput"), 1);
  EXPECT_EQ(contains(HelpTopicId::Resection, "<-- and refined no image transfornation is"), 1);
  EXPECT_EQ(contains(HelpTopicId::Intersection, "<-- and refined no image transfornation is"), 1);
  EXPECT_EQ(contains(HelpTopicId::RelativeOrientation, "Numbet"), 1);
}

}  // namespace
}  // namespace tessaro
