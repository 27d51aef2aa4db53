// The image transformation through the console: its report section and
// window, the question after each fit, refused photos. The arithmetic is
// checked against references in plane_transform_test.cpp.
#include "imagetrans/image_transformation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "testing/session.h"

namespace tessaro {
namespace {

auto Count(const Lines& lines, const std::string& line) { return std::ranges::count(lines, line); }

// A photo: its number and mode, the records, the terminating record.
std::string Photo(int no, int mode, const std::string& records) {
  return std::to_string(no) + ", " + std::to_string(mode) + "\n" + records + "0,0,0\n";
}

// A square of fiducials 1..4 and its image under X = 10 + 0.6x - 0.8y,
// Y = -10 + 0.8x + 0.6y.
const char* const kSquare = "1, -100, -100\n2, 100, -100\n3, 100, 100\n4, -100, 100\n";
const char* const kSquareMeasured = "1, -138, 34\n2, -18, -126\n3, 142, -6\n4, 22, 154\n";

class ImageTrans : public SessionTest {
 protected:
  ImageTrans()
      : SessionTest([] {
          Operations ops;
          ops.ReadImageTransHeader = ReadImageTransHeader;
          ops.TransformImages = [](Console& c, std::int16_t& r) { TransformImages(c, r); };
          return ops;
        }()) {}

  // The call the intersection input makes, on a body of its own: the
  // refusal flag on return and the lines it added to the report.
  std::pair<std::int16_t, Lines> Call(const std::string& body, std::int16_t fiducials,
                                      std::int16_t photos, const Lines& answers = {},
                                      std::int16_t refusal = 0) {
    OpenReport();
    const auto before = std::ssize(Report());
    console.job.Channel1.OpenText(body, "body.txt");
    module.FiducialCount = fiducials;
    module.TransPhotoCount = photos;
    ui.answers.assign(answers.begin(), answers.end());
    TransformImages(console, refusal);
    EXPECT_TRUE(ui.answers.empty());
    EXPECT_FALSE(console.job.Channel1.IsOpen());
    const Lines report = Report();
    return {refusal, Lines(report.begin() + before, report.end())};
  }
};

// One whole section and the window, character by character: the square
// rotated by 0.6/0.8 and shifted, its records shuffled among two points.
TEST_F(ImageTrans, GoldenSimilaritySection) {
  Choose("Open-ImageTrans", "input.txt",
         std::string("\"Golden similarity, two points\"\n1, 4\n") + kSquare +
             "7, 1\n3, 142, -6\n9001, 10, 20\n1, -138, 34\n2, -18, -126\n9002, -30.5, .25\n"
             "4, 22, 154\n0,0,0\n");
  Press({"Enter ImageTransData", "Process ImageTrans"}, {"y"});
  // The exchanges of the matching leave 9002 before 9001.
  const std::string golden = TESSARO_SOURCE_DIR "/src/imagetrans/testdata/golden-";
  EXPECT_EQ(Report(), FileLines(golden + "report.txt"));
  EXPECT_EQ(console.BlackBoard.Lines(), FileLines(golden + "window.txt"));
  EXPECT_EQ(ui.prompts, Lines{"Is the solution acceptable? Y/N"});
  ASSERT_TRUE(ui.position.has_value());
  EXPECT_EQ(std::pair(ui.position->x, ui.position->y), std::pair(3000, 3000));
}

// Only a single "N" or "n" rejects; anything else, Cancel's empty answer
// included, accepts. The fit is reported either way; the flag tells the
// caller. Accepted without image points: no transformed block, flag 0.
TEST_F(ImageTrans, OnlyASingleNRejects) {
  const std::string photo = Photo(1, 2, std::string(kSquareMeasured) + "9, 5, 5\n");
  const std::pair<const char*, std::int16_t> cases[] = {{"N", 1}, {"n", 1},  {"No", 0}, {"", 0},
                                                        {"Y", 0}, {" N", 0}, {"nn", 0}};
  for (const auto& [answer, rejected] : cases) {
    SCOPED_TRACE(testing::Message() << '"' << answer << '"');
    const auto [refusal, report] = Call(kSquare + photo, 4, 1, {answer}, 5);
    EXPECT_EQ(refusal, rejected);
    EXPECT_EQ(Count(report, "Transformed Points "), 1 - rejected);
    EXPECT_EQ(Count(report, " A1 = 10.0000000000"), 1);
  }
  const auto [refusal, report] = Call(kSquare + Photo(1, 2, kSquareMeasured), 4, 1, {"Y"}, 5);
  EXPECT_EQ(refusal, 0);
  EXPECT_EQ(Count(report, "Transformed Points "), 0);
  EXPECT_EQ(module.ImgPointCount, 0);
}

// Digital images: the image size is reported, every point moves to the
// centre, no question is asked and the refusal flag is left alone.
TEST_F(ImageTrans, DigitalImagesAreCentred) {
  const auto [refusal, report] = Call(
      "4000, 5000\n" + Photo(21, -1, "1, 2500, 2000\n2, 0, 0\n") + Photo(22, 0, "2, 100, -300\n"),
      0, 2, {}, 9);
  EXPECT_EQ(refusal, 9);
  EXPECT_TRUE(ui.prompts.empty());
  EXPECT_EQ(Lines(report.begin(), report.begin() + 3),
            (Lines{" Digital Images", " Rows, Columns are:  4000  x  5000 ", " "}));
  EXPECT_EQ(Count(report, At({{1, " 2 "}, {15, "-2500.000"}, {30, "2000.000"}})), 1);
  EXPECT_EQ(report.back(), At({{1, " 2 "}, {15, "-2400.000"}, {30, "1700.000"}}));
  EXPECT_EQ(module.ImgPointCount, 1);
  EXPECT_EQ(module.ImgY(1), 1700);
}

// A photo with fewer records than fiducials: the places past its
// terminating record read as "0,0,0", not as what an earlier photo left
// there. After a full photo its section is the same as on its own.
TEST_F(ImageTrans, ShortPhotosSeeOnlyTheirOwn) {
  const std::string twoMarks = Photo(2, 1, "1, -138, 34\n2, -18, -126\n");
  const Lines alone = Call(kSquare + twoMarks, 4, 1, {""}).second;
  const std::string full = Photo(1, 1, std::string(kSquareMeasured) + "9, 5, 5\n");
  const Lines after = Call(kSquare + full + twoMarks, 4, 2, {"", ""}).second;
  ASSERT_GT(after.size(), alone.size());
  EXPECT_EQ(Lines(after.end() - std::ssize(alone), after.end()), alone);
  EXPECT_EQ(module.ImgPointCount, 0);
}

// Refused photos: a singular fit (fiducials on a line) and a mode above 3
// show the zero-determinant message; a mode below -1 is refused with its
// own message. Their records are echoed and the run goes on.
TEST_F(ImageTrans, RefusedPhotosLetTheRunGoOn) {
  const std::string line = "1, 0, 0\n2, 10, 10\n3, 20, 20\n4, 30, 30\n";
  const std::string singular = line + Photo(1, 2, line);
  const auto [refusal, report] = Call(
      singular + Photo(2, 4, line) + Photo(17, -2, "5, 1, 1\n") + Photo(3, 1, line), 4, 4, {""});
  EXPECT_EQ(refusal, 0);  // the last photo, a similarity, is accepted
  const std::string zero = "Image transformation has a zero determinant. The solution is rejected ";
  EXPECT_EQ(
      ui.messages,
      (Lines{zero, zero, "Photo 17: transformation mode -2 is not defined; the photo is skipped"}));
  EXPECT_EQ(Count(report, "Transformation Residuals "), 1);
  EXPECT_EQ(Count(report, "<=0 Digital image, 1=Similarity, 2=Affine, 3=Bilinear, Mode =  4 "), 1);
  EXPECT_EQ(Count(report, At({{1, " 5 "}, {15, " 1 "}, {29, " 1 "}})), 1);  // mode -2's record
  EXPECT_EQ(ui.prompts.size(), 1u);

  // The flag after a refused last photo: the solver's code, or 1.
  EXPECT_EQ(Call(singular, 4, 1).first, 130);
  EXPECT_EQ(Call("0 0\n" + Photo(2, 4, line), 0, 1).first, 1);
  EXPECT_EQ(Call("1 1\n" + Photo(17, -2, ""), 0, 1).first, 1);
}

}  // namespace
}  // namespace tessaro
