#include "imagetrans/image_transformation.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "shell/console.h"
#include "testing/test_support.h"

namespace tessaro {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;


// The transformation in the common bilinear form.
struct Map {
  double A1, A2, A3, A4, B1, B2, B3, B4;
  double X(double x, double y) const { return A1 + A2 * x + A3 * y + A4 * x * y; }
  double Y(double x, double y) const { return B1 + B2 * x + B3 * y + B4 * x * y; }
};

struct Record {
  int no;
  double x, y;
};
using Records = std::vector<Record>;

std::string Text(const Records& records) {
  std::string s;
  for (const Record& r : records) {
    char b[100];
    std::snprintf(b, sizeof b, "%d, %.17g, %.17g\n", r.no, r.x, r.y);
    s += b;
  }
  return s;
}

std::string Photo(int no, int mode, const Records& records) {
  return std::to_string(no) + ", " + std::to_string(mode) + "\n" + Text(records) + "0,0,0\n";
}

// Text followed by blanks up to column `column` (columns count from 1).
std::string PadTo(std::string s, std::size_t column) {
  return s + std::string(column - 1 - s.size(), ' ');
}

// A transformed point line: the number, X from column 15, Y from column 30.
std::string PointLine(int no, const std::string& x, const std::string& y) {
  return PadTo(PadTo(" " + std::to_string(no) + " ", 15) + x, 30) + y;
}

// The numbers on a line after its first `skip` characters.
std::vector<double> Numbers(const std::string& line, std::size_t skip = 0) {
  std::istringstream in(line.substr(skip));
  std::vector<double> v;
  for (double d; in >> d;) v.push_back(d);
  return v;
}

int Count(const Lines& lines, const std::string& line) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

// The first line that starts with `prefix`.
std::string Starting(const Lines& lines, const std::string& prefix) {
  for (const std::string& l : lines)
    if (l.rfind(prefix, 0) == 0) return l;
  ADD_FAILURE() << "no line " << prefix;
  return prefix + "nan";
}

double Value(const Lines& lines, const std::string& label) {
  return std::stod(Starting(lines, label).substr(label.size()));
}

// The lines after the first line equal to `head` and `skip` more, up to the
// next blank line.
Lines Block(const Lines& lines, const std::string& head, int skip) {
  auto it = std::find(lines.begin(), lines.end(), head);
  Lines block;
  if (it == lines.end()) return block;
  for (it += skip + 1; it != lines.end() && *it != " " && *it != ""; ++it) block.push_back(*it);
  return block;
}

const Operations kOps = [] {
  Operations ops;
  ops.ReadImageTransHeader = ReadImageTransHeader;
  ops.TransformImages = TransformImages;
  return ops;
}();

class ImageTrans : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    console_.Load();
  }

  // Chooses the input file, enters and (unless told not to) processes it as
  // a user would.
  void Feed(const std::string& name, const std::string& text, const Lines& answers = {},
            bool process = true) {
    std::ofstream(dir / name, std::ios::binary) << text;
    ui_.files = {(dir / name).string()};
    ui_.answers.assign(answers.begin(), answers.end());
    console_.PressCaption("Open-ImageTrans");
    console_.PressCaption("Enter ImageTransData");
    if (process) console_.PressCaption("Process ImageTrans");
  }

  Lines Run(const std::string& input, const Lines& answers = {}) {
    ui_.files = {(dir / "report.txt").string()};
    console_.PressCaption("Open-OutputFile");
    Feed("input.txt", input, answers);
    return Report();
  }

  // The report's lines; every line must end in CR LF.
  Lines Report() {
    const std::string all = TempDirTest::Read(dir / "report.txt");
    Lines lines;
    std::size_t start = 0;
    for (std::size_t end; (end = all.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(all.substr(start, end - start));
    EXPECT_EQ(start, all.size()) << "report does not end with CR LF";
    for (const std::string& l : lines) EXPECT_EQ(l.find('\n'), std::string::npos) << l;
    return lines;
  }

  // The call the intersection input makes, on its own text; the refusal
  // flag on return and the report.
  std::pair<std::int16_t, Lines> Call(const std::string& body, std::int16_t fiducials,
                                      std::int16_t photos, const Lines& answers = {},
                                      std::int16_t refusal = 0) {
    std::string error;
    EXPECT_TRUE(console_.job.Channel5.Open((dir / "report.txt").string(), error));
    console_.job.Channel1.OpenText(body, "body.txt");
    console_.module.FiducialCount = fiducials;
    console_.module.TransPhotoCount = photos;
    ui_.answers.assign(answers.begin(), answers.end());
    TransformImages(console_, refusal);
    console_.job.Channel5.Flush();
    EXPECT_FALSE(console_.job.Channel1.IsOpen());
    return {refusal, Report()};
  }

  FakeUi ui_;
  Console console_{ui_, kOps};
};

// Independent least squares in long double (normal equations, Gauss-Jordan
// with partial pivoting) of a model (1 similarity, 2 affine, 3 bilinear),
// measured -> calibrated. Parameters: similarity p1..p4 with X = p1 + p3 x -
// p4 y, Y = p2 + p4 x + p3 y; affine A1..A3, B1..B3; bilinear A1..A4, B1..B4.
Map IndependentFit(int mode, const Records& measured, const Records& calibrated) {
  const std::size_t m = mode == 1 ? 4 : mode == 2 ? 6 : 8;
  std::vector<std::vector<long double>> a(m, std::vector<long double>(m + 1, 0));
  auto add = [&](const std::vector<long double>& row, long double observed) {
    for (std::size_t i = 0; i < m; ++i) {
      for (std::size_t j = 0; j < m; ++j) a[i][j] += row[i] * row[j];
      a[i][m] += row[i] * observed;
    }
  };
  for (std::size_t i = 0; i < measured.size(); ++i) {
    const long double x = measured[i].x, y = measured[i].y;
    if (mode == 1) {
      add({1, 0, x, -y}, calibrated[i].x);
      add({0, 1, y, x}, calibrated[i].y);
    } else if (mode == 2) {
      add({1, x, y, 0, 0, 0}, calibrated[i].x);
      add({0, 0, 0, 1, x, y}, calibrated[i].y);
    } else {
      add({1, x, y, x * y, 0, 0, 0, 0}, calibrated[i].x);
      add({0, 0, 0, 0, 1, x, y, x * y}, calibrated[i].y);
    }
  }
  for (std::size_t c = 0; c < m; ++c) {
    std::size_t p = c;
    for (std::size_t r = c + 1; r < m; ++r)
      if (std::fabs(a[r][c]) > std::fabs(a[p][c])) p = r;
    std::swap(a[c], a[p]);
    for (std::size_t r = 0; r < m; ++r) {
      if (r == c) continue;
      const long double f = a[r][c] / a[c][c];
      for (std::size_t j = c; j <= m; ++j) a[r][j] -= f * a[c][j];
    }
  }
  std::vector<double> p(m);
  for (std::size_t i = 0; i < m; ++i) p[i] = static_cast<double>(a[i][m] / a[i][i]);
  if (mode == 1) return {p[0], p[2], -p[3], 0, p[1], p[3], p[2], 0};
  if (mode == 2) return {p[0], p[1], p[2], 0, p[3], p[4], p[5], 0};
  return {p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]};
}

void ExpectCoefficients(const Lines& report, const Map& m, double tol) {
  const double expected[8] = {m.A1, m.A2, m.A3, m.A4, m.B1, m.B2, m.B3, m.B4};
  const char* labels[8] = {
      " A1 = ", " A2 = ", " A3 = ", " A4 = ", " B1 = ", " B2 = ", " B3 = ", " B4 = "};
  for (int k = 0; k < 8; ++k) EXPECT_NEAR(Value(report, labels[k]), expected[k], tol) << labels[k];
}

const Map kMaps[4] = {
    {},
    {12.5, 0.9995, -0.0312, 0, -7.25, 0.0312, 0.9995, 0},
    {12.5, 1.0012, -0.0153, 0, -7.25, 0.0171, 0.9987, 0},
    {12.5, 1.0012, -0.0153, 2.1e-6, -7.25, 0.0171, 0.9987, -1.7e-6},
};

// Eight measured fiducials around the frame and five image points.
const Records kFiducials = {{11, -108.31, -109.87}, {12, 111.02, -110.45}, {13, 109.66, 108.93},
                            {14, -110.12, 111.04},  {15, 0.47, -110.3},    {16, 110.81, 0.92},
                            {17, -0.58, 110.27},    {18, -109.94, -0.33}};
const Records kImagePoints = {{501, 12.345, -67.891},
                              {502, -88.8, 45.6},
                              {503, 0.001, 0.002},
                              {504, 101.5, 99.25},
                              {505, -3.5, -95.125}};

Records Calibrated(const Map& map, const Records& measured) {
  Records c;
  for (const Record& r : measured) c.push_back({r.no, map.X(r.x, r.y), map.Y(r.x, r.y)});
  return c;
}

// Fiducials and image points interleaved, fiducials in reverse order.
Records Shuffled(const Records& fiducials, const Records& points) {
  Records r;
  for (std::size_t i = 0; i < fiducials.size() || i < points.size(); ++i) {
    if (i < points.size()) r.push_back(points[i]);
    if (i < fiducials.size()) r.push_back(fiducials[fiducials.size() - 1 - i]);
  }
  return r;
}

// Half a unit of the third decimal, the precision of the printed figures.
constexpr double kPrinted = 0.0005 + 1e-9;

struct ModelCase {
  const char* name;
  int mode;
  bool noisy;
  std::size_t fiducials;
};
void PrintTo(const ModelCase& c, std::ostream* os) { *os << c.name; }
class FilmModel : public ImageTrans, public testing::WithParamInterface<ModelCase> {};

// Fiducials made by a known map, exact or disturbed by up to 0.05: the
// coefficients are the map's (exact) or those of an independent least-squares
// fit (noisy), and the residuals, Sx, Sy (divisor n - 1), RMS (divisor 2n)
// and the transformed image points follow from them. Two fiducials determine
// a similarity exactly (the divisor of Sx and Sy is then 1).
TEST_P(FilmModel, FitsTheFiducialsAndTransformsThePoints) {
  const auto [name, mode, noisy, n] = GetParam();
  Records measured(kFiducials.begin(), kFiducials.begin() + static_cast<long>(n));
  const Records calibrated = Calibrated(kMaps[mode], measured);
  for (std::size_t i = 0; noisy && i < n; ++i) {
    measured[i].x += 0.05 * std::sin(1.7 * double(i) + 0.3);
    measured[i].y += 0.05 * std::cos(2.3 * double(i) + 0.1);
  }
  // The same photo twice: nothing may carry over from the first to the second.
  const std::string photo = Photo(7, mode, Shuffled(measured, kImagePoints));
  const auto [refusal, report] =
      Call(Text(calibrated) + photo + photo, std::int16_t(n), 2, {"", ""});
  EXPECT_EQ(refusal, 0);
  ASSERT_GT(report.size(), 2u);
  const auto second = std::find(report.begin() + 2, report.end(), report[1]) - 1;  // at " "
  ASSERT_LT(second, report.end() - 1);
  EXPECT_EQ(Lines(report.begin(), second), Lines(second, report.end()));

  const Map fit = noisy ? IndependentFit(mode, measured, calibrated) : kMaps[mode];
  ExpectCoefficients(report, fit, 1e-9);
  const Lines residuals = Block(report, "Transformation Residuals ", 1);
  ASSERT_EQ(residuals.size(), n);
  long double sx = 0, sy = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double vx = fit.X(measured[i].x, measured[i].y) - calibrated[i].x;
    const double vy = fit.Y(measured[i].x, measured[i].y) - calibrated[i].y;
    sx += static_cast<long double>(vx) * vx;
    sy += static_cast<long double>(vy) * vy;
    const auto v = Numbers(residuals[i]);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0], double(i + 1));  // the place in calibrated order
    EXPECT_NEAR(v[1], vx, kPrinted);
    EXPECT_NEAR(v[2], vy, kPrinted);
  }
  EXPECT_TRUE(!noisy || sx > 1e-5L) << "the noise is really there";
  const auto sxsy = Numbers(Starting(report, "Sx, Sy: "), 8);
  ASSERT_EQ(sxsy.size(), 2u);
  EXPECT_NEAR(sxsy[0], std::sqrt(double(sx / (n - 1))), kPrinted);
  EXPECT_NEAR(sxsy[1], std::sqrt(double(sy / (n - 1))), kPrinted);
  EXPECT_NEAR(Value(report, "RMS: "), std::sqrt(double((sx + sy) / (2 * n))), kPrinted);
  EXPECT_EQ(Numbers(Starting(console_.BlackBoard.Lines(), "Sx, Sy: "), 8), sxsy);

  // The shared arrays hold the image points in photo coordinates, in the
  // order the matching's exchanges left them.
  const Module1& m = console_.module;
  ASSERT_EQ(m.ImgPointCount, 5);
  for (std::size_t k = 1; k <= 5; ++k) {
    const auto p = std::find_if(kImagePoints.begin(), kImagePoints.end(),
                                [&](const Record& r) { return r.no == m.ImgPointNo(k); });
    ASSERT_NE(p, kImagePoints.end()) << m.ImgPointNo(k);
    EXPECT_NEAR(m.ImgX(k), fit.X(p->x, p->y), 1e-9);
    EXPECT_NEAR(m.ImgY(k), fit.Y(p->x, p->y), 1e-9);
  }
  EXPECT_TRUE(ui_.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Models, FilmModel,
                         testing::Values(ModelCase{"SimilarityExact", 1, false, 8},
                                         ModelCase{"AffineExact", 2, false, 8},
                                         ModelCase{"BilinearExact", 3, false, 8},
                                         ModelCase{"SimilarityNoisy", 1, true, 8},
                                         ModelCase{"AffineNoisy", 2, true, 8},
                                         ModelCase{"BilinearNoisy", 3, true, 8},
                                         ModelCase{"SimilarityTwoFiducials", 1, false, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

// One whole section through the console, character by character: a rotation
// by 0.6/0.8 with a shift, four fiducials, two image points.
TEST_F(ImageTrans, GoldenSimilaritySection) {
  const Lines report = Run(
      "\"Golden similarity, two points\"\n1, 4\n"
      "1, -100, -100\n2, 100, -100\n3, 100, 100\n4, -100, 100\n7, 1\n"
      "3, 142, -6\n9001, 10, 20\n1, -138, 34\n2, -18, -126\n9002, -30.5, .25\n4, 22, 154\n0,0,0\n",
      {"y"});
  const Lines expected = {
      "Golden similarity, two points                                                   ",
      " ",
      "   Image Data for Photo:  7 ",
      "   ===================",
      "<=0 Digital image, 1=Similarity, 2=Affine, 3=Bilinear, Mode =  1 ",
      " 3             142          -6 ",
      " 9001          10            20 ",
      " 1            -138           34 ",
      " 2            -18           -126 ",
      " 9002         -30.5          .25 ",
      " 4             22            154 ",
      " 0             0             0 ",
      " ",
      "Transformation Residuals ",
      "  No.         Vx              Vy",
      "1             0.000         0.000",
      "2             0.000         0.000",
      "3             0.000         0.000",
      "4             0.000         0.000",
      " ",
      "Sx, Sy:  0.000  0.000",
      "RMS:     0.000",
      " ",
      " A1 = 10.0000000000",
      " A2 = 0.6000000000",
      " A3 = -0.8000000000",
      " A4 = 0.0000000000",
      " B1 = -10.0000000000",
      " B2 = 0.8000000000",
      " B3 = 0.6000000000",
      " B4 = 0.0000000000",
      " ",
      "Transformed Points ",
      " Point No.     X                Y",
      // The exchanges of the matching leave 9002 before 9001.
      " 9002         -8.500         -34.250",
      " 9001         0.000          10.000",
  };
  EXPECT_EQ(report, expected);
  Lines board(8, "");
  for (const char* l : {"Transformation Residuals ", "1    0.000  0.000", "2    0.000  0.000",
                        "3    0.000  0.000", "4    0.000  0.000", "", "Sx, Sy:  0.000  0.000", "",
                        " A1 = 10.000000", " A2 = 0.600000", " A3 = -0.800000", " A4 = 0.000000",
                        " B1 = -10.000000", " B2 = 0.800000", " B3 = 0.600000", " B4 = 0.000000"})
    board.push_back(l);
  EXPECT_EQ(console_.BlackBoard.Lines(), board);
  EXPECT_EQ(ui_.prompts, Lines{"Is the solution acceptable? Y/N"});
  ASSERT_TRUE(ui_.position.has_value());
  EXPECT_EQ(ui_.position->x, 3000);
  EXPECT_EQ(ui_.position->y, 3000);
}

// Only a single "N" or "n" rejects; anything else, Cancel's empty answer
// included, accepts. The fit is reported either way; the flag tells the caller.
TEST_F(ImageTrans, OnlyASingleNRejects) {
  const std::string fiducials = Text(Calibrated(kMaps[2], kFiducials));
  const std::string body = fiducials + Photo(1, 2, Shuffled(kFiducials, kImagePoints));
  const std::pair<const char*, std::int16_t> cases[] = {{"N", 1}, {"n", 1},  {"No", 0}, {"", 0},
                                                        {"Y", 0}, {" N", 0}, {"nn", 0}};
  for (const auto& [answer, rejected] : cases) {
    SCOPED_TRACE(testing::Message() << '"' << answer << '"');
    const auto [refusal, report] = Call(body, 8, 1, {answer});
    EXPECT_EQ(refusal, rejected);
    EXPECT_EQ(Count(report, "Transformed Points "), 1 - rejected);
    EXPECT_EQ(Count(report, " A1 = 12.5000000000"), 1);
  }
  // Accepted without image points: no transformed block, and the flag is 0.
  const auto [refusal, report] = Call(fiducials + Photo(1, 2, kFiducials), 8, 1, {"Y"}, 5);
  EXPECT_EQ(refusal, 0);
  EXPECT_EQ(Count(report, "Transformed Points "), 0);
  EXPECT_EQ(console_.module.ImgPointCount, 0);
}

// Digital images: the origin moves to the image centre; mode -1 turns the
// downward y axis up. No question, and the refusal flag is left alone.
TEST_F(ImageTrans, DigitalImagesMoveToTheCentre) {
  const auto [refusal, report] =
      Call("4000, 5000\n" + Photo(21, -1, {{1, 2500, 2000}, {2, 0, 0}, {3, 5000.5, 4000.25}}) +
               Photo(22, 0, {{1, 2500, 2000}, {2, 100, -300}}),
           0, 2, {}, 9);
  EXPECT_EQ(refusal, 9);
  EXPECT_TRUE(ui_.prompts.empty());
  EXPECT_EQ(Lines(report.begin(), report.begin() + 3),
            (Lines{" Digital Images", " Rows, Columns are:  4000  x  5000 ", " "}));
  EXPECT_EQ(Block(report, " Point No.     X                Y", 0),
            (Lines{PointLine(1, "0.000", "0.000"), PointLine(2, "-2500.000", "2000.000"),
                   PointLine(3, "2500.500", "-2000.250")}));
  // Mode 0 adds half the rows to y.
  EXPECT_EQ(report.back(), PointLine(2, "-2400.000", "1700.000"));
  EXPECT_EQ(console_.module.ImgPointCount, 2);
  EXPECT_EQ(console_.module.ImgX(1), 0);
  EXPECT_EQ(console_.module.ImgY(1), 4000);

  // In a file with fiducials Rows = Columns = 0: y negated (-1) or kept (0).
  const Lines lines =
      Call("1 0 0\n2 10 0\n" + Photo(1, -1, {{7, 12.5, 30.25}}) + Photo(2, 0, {{8, 12.5, 30.25}}),
           2, 2)
          .second;
  EXPECT_EQ(Count(lines, PointLine(7, "12.500", "-30.250")), 1);
  EXPECT_EQ(Count(lines, PointLine(8, "12.500", "30.250")), 1);
}

// A calibrated fiducial missing from the photo: the record standing at its
// place is taken for it, and is not transformed.
TEST_F(ImageTrans, MissingFiducialTakesTheRecordAtItsPlace) {
  const Records calibrated = Calibrated(kMaps[1], kFiducials);
  Records records(kFiducials.begin(), kFiducials.begin() + 7);
  records.push_back({901, -105.5, 2.5});  // stands in for fiducial 18 at place 8
  records.push_back({902, 10, 20});
  const Lines report = Call(Text(calibrated) + Photo(1, 1, records), 8, 1).second;
  records.pop_back();
  ExpectCoefficients(report, IndependentFit(1, records, calibrated), 1e-9);
  EXPECT_GT(Value(report, "RMS: "), 0.1);
  const Lines points = Block(report, " Point No.     X                Y", 0);
  ASSERT_EQ(points.size(), 1u);
  EXPECT_EQ(points[0].substr(0, 5), " 902 ");

  // Fewer records than fiducials: the missing places read as "0,0,0".
  Records two(kFiducials.begin(), kFiducials.begin() + 2);
  const auto [refusal, fewer] = Call(Text(calibrated) + Photo(2, 1, two), 8, 1);
  EXPECT_EQ(refusal, 0);
  two.resize(8, Record{0, 0, 0});
  ExpectCoefficients(fewer, IndependentFit(1, two, calibrated), 1e-9);
  EXPECT_EQ(console_.module.ImgPointCount, 0);
}

// Refused photos: a singular fit (fiducials on a line) and a mode above 3
// show the zero-determinant message; a mode below -1 is refused with its
// own message. Their records are echoed and the run goes on.
TEST_F(ImageTrans, RefusedPhotosLetTheRunGoOn) {
  const Records line = {{1, 0, 0}, {2, 10, 10}, {3, 20, 20}, {4, 30, 30}};
  const std::string singular = Text(line) + Photo(1, 2, line);
  const auto [refusal, report] = Call(
      singular + Photo(2, 4, line) + Photo(17, -2, {{5, 1, 1}}) + Photo(3, 1, line), 4, 4, {""});
  EXPECT_EQ(refusal, 0);  // the last photo, a similarity, is accepted
  const std::string zero = "Image transformation has a zero determinant. The solution is rejected ";
  EXPECT_EQ(
      ui_.messages,
      (Lines{zero, zero, "Photo 17: transformation mode -2 is not defined; the photo is skipped"}));
  EXPECT_EQ(Count(report, "Transformation Residuals "), 1);
  EXPECT_EQ(Count(report, "<=0 Digital image, 1=Similarity, 2=Affine, 3=Bilinear, Mode =  4 "), 1);
  EXPECT_EQ(Count(report, PadTo(PadTo(" 5 ", 15) + " 1 ", 29) + " 1 "), 1);  // mode -2's record
  EXPECT_EQ(ui_.prompts.size(), 1u);

  // The flag after a refused last photo: the solver's code, or 1.
  EXPECT_EQ(Call(singular, 4, 1).first, 130);
  EXPECT_EQ(Call("0 0\n" + Photo(2, 4, line), 0, 1).first, 1);
  EXPECT_EQ(Call("1 1\n" + Photo(17, -2, {}), 0, 1).first, 1);
  EXPECT_EQ(Call("0 0\n" + Photo(2, 1, line), 0, 1).first, 130);  // film photo, no fiducials
}

// Broken files: the reader's message names the file and the line, the
// report keeps what was written, the flags are as before, channel 1 closes.
TEST_F(ImageTrans, MalformedFilesStopWithAMessage) {
  const std::string head =
      "\"Broken\"\n1, 4\n1 -100 -100\n2 100 -100\n3 100 100\n4 -100 100\n7, 1\n1, -99, -99\n";
  const Lines report = Run(head + "2, 101, x\n");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_TRUE(ui_.messages[0].starts_with("input.txt, line 9: expected a number"))
      << ui_.messages[0];
  EXPECT_EQ(report.size(), 6u);
  EXPECT_EQ(report.back(), PadTo(PadTo(" 1 ", 15) + "-99 ", 29) + "-99 ");
  EXPECT_EQ(console_.job.ReadyFlag(1), kTrue);
  EXPECT_FALSE(console_.job.Channel1.IsOpen());

  // A file that ends before its photos do.
  console_.PressCaption("Close-ImageTrans");
  Feed("short.txt", head);
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_TRUE(ui_.messages[1].starts_with("short.txt, line 9: expected")) << ui_.messages[1];
  EXPECT_NE(ui_.messages[1].find("end of the file"), std::string::npos);
  EXPECT_EQ(Report().size(), 6u + 6u);

  // One broken in the header: the flag and the counts keep their values.
  console_.job.ReadyFlag(1) = kFalse;
  console_.PressCaption("Close-ImageTrans");
  Feed("header.txt", "Title\n1, four\n", {}, false);
  ASSERT_EQ(ui_.messages.size(), 3u);
  EXPECT_TRUE(ui_.messages[2].starts_with("header.txt, line 2:")) << ui_.messages[2];
  EXPECT_EQ(console_.job.ReadyFlag(1), kFalse);
  EXPECT_EQ(console_.module.FiducialCount, 4);
}

// A photo far beyond the old 999-record limit.
TEST_F(ImageTrans, PhotosGrowBeyondTheOldLimit) {
  Records many;
  for (int k = 1; k <= 2500; ++k) many.push_back({k, double(k), double(2 * k)});
  Call("10 20\n" + Photo(1, -1, many), 0, 1);
  ASSERT_EQ(console_.module.ImgPointCount, 2500);
  EXPECT_EQ(console_.module.ImgX(2500), 2490);
  EXPECT_EQ(console_.module.ImgY(2500), -4995);
}

// The example files through the headless runner, one answer per film
// photo: no message, a block for every photo, every photo accepted.
TEST_F(ImageTrans, ExamplesThroughTheHeadlessRunner) {
  const fs::path runner = fs::path(TESSARO_BIN_DIR) / "tessaro-script";
  if (!fs::exists(runner)) GTEST_SKIP() << "no " << runner;
  for (const auto& [name, photos, film] :
       {std::tuple{"imagetrans.txt", 6, 6}, {"digital.txt", 8, 0}}) {
    SCOPED_TRACE(name);
    std::ofstream script(dir / "run.tss");
    script << "Open-ImageTrans " << TESSARO_SOURCE_DIR << "/examples/" << name
           << "\nOpen-OutputFile " << (dir / "report.txt").string() << "\nEnter ImageTransData\n";
    for (int k = 0; k < film; ++k) script << "answer\n";
    script << "Process ImageTrans\nExit\n";
    script.close();
    const std::string out = (dir / "out.txt").string();
    const std::string command = runner.string() + " " + (dir / "run.tss").string() + " > " + out;
    ASSERT_EQ(std::system((command + " 2>&1").c_str()), 0) << TempDirTest::Read(out);
    EXPECT_EQ(TempDirTest::Read(out).find("message:"), std::string::npos) << TempDirTest::Read(out);
    const Lines report = Report();
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(CharCount(report[0]), 80);
    EXPECT_EQ(Count(report, "   ==================="), photos);
    EXPECT_EQ(Count(report, "Transformed Points "), photos);
    EXPECT_EQ(Count(report, "Transformation Residuals "), film);
  }
}

}  // namespace
}  // namespace tessaro
