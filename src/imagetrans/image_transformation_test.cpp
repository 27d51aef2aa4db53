#include "imagetrans/image_transformation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "shell/console.h"

namespace tessaro {
namespace {

namespace fs = std::filesystem;

// A user who answers prompts and file dialogs from queues and remembers
// every message and prompt.
class ScriptedUi : public UiPort {
 public:
  std::deque<std::string> files, answers;
  std::vector<std::string> messages, prompts;
  std::vector<std::optional<Twips>> positions;

  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  std::string AskLine(const std::string& prompt, std::optional<Twips> position) override {
    prompts.push_back(prompt);
    positions.push_back(position);
    if (answers.empty()) return "";
    std::string a = answers.front();
    answers.pop_front();
    return a;
  }
  std::string ChooseFile(FileChoice) override {
    std::string f = files.front();
    files.pop_front();
    return f;
  }
  void CaptionChanged(const std::string&) override {}
  void ShowWindow(Window) override {}
  void HideWindow(Window) override {}
  void PlaceHelpWindow() override {}
  void EndProgram() override {}
};

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

std::string Num(double v) {
  char b[40];
  std::snprintf(b, sizeof b, "%.17g", v);
  return b;
}

std::string Blanks(std::size_t n) { return std::string(n, ' '); }

// Text followed by blanks up to column `column` (columns count from 1).
std::string PadTo(std::string s, std::size_t column) { return s + Blanks(column - 1 - s.size()); }

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

// A film photo block: header, records, terminating record.
std::string Photo(int no, int mode, const std::vector<Record>& records) {
  std::string s = std::to_string(no) + ", " + std::to_string(mode) + "\n";
  for (const Record& r : records)
    s += std::to_string(r.no) + ", " + Num(r.x) + ", " + Num(r.y) + "\n";
  return s + "0,0,0\n";
}

std::string FilmFile(const std::vector<Record>& calibrated,
                     const std::vector<std::string>& photos) {
  std::string s = "\"Test file, film photos\"\n" + std::to_string(photos.size()) + ", " +
                  std::to_string(calibrated.size()) + "\n";
  for (const Record& r : calibrated)
    s += std::to_string(r.no) + ", " + Num(r.x) + ", " + Num(r.y) + "\n";
  for (const std::string& p : photos) s += p;
  return s;
}

class ImageTrans : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (char& ch : name)
      if (ch == '/') ch = '_';
    dir_ = fs::temp_directory_path() / ("tessaro-imagetrans-" + name);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    console_.Load();
  }
  void TearDown() override { fs::remove_all(dir_); }

  static Operations Ops() {
    Operations ops;
    ops.ReadImageTransHeader = ReadImageTransHeader;
    ops.TransformImages = TransformImages;
    return ops;
  }

  // Chooses the files, enters and processes the data as a user would, and
  // returns the report's lines; every line must end in CR LF.
  std::vector<std::string> Run(const std::string& input, std::vector<std::string> answers = {}) {
    std::ofstream(dir_ / "input.txt", std::ios::binary) << input;
    ui_.files = {(dir_ / "input.txt").string(), (dir_ / "report.txt").string()};
    ui_.answers.assign(answers.begin(), answers.end());
    console_.PressCaption("Open-ImageTrans");
    console_.PressCaption("Open-OutputFile");
    console_.PressCaption("Enter ImageTransData");
    console_.PressCaption("Process ImageTrans");
    return Report();
  }

  std::vector<std::string> Report() {
    std::ifstream in(dir_ / "report.txt", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = all.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(all.substr(start, end - start));
    EXPECT_EQ(start, all.size()) << "report does not end with CR LF";
    for (const std::string& l : lines) EXPECT_EQ(l.find('\n'), std::string::npos) << l;
    return lines;
  }

  // The call the intersection input makes: channel 1 at its own position.
  std::int16_t CallDirectly(const std::string& body, std::int16_t fiducials, std::int16_t photos,
                            std::vector<std::string> answers = {}, std::int16_t refusal = 0) {
    std::string error;
    EXPECT_TRUE(console_.job.Channel5.Open((dir_ / "report.txt").string(), error));
    console_.job.Channel1.OpenText(body, "body.txt");
    console_.module.FiducialCount = fiducials;
    console_.module.TransPhotoCount = photos;
    ui_.answers.assign(answers.begin(), answers.end());
    TransformImages(console_, refusal);
    console_.job.Channel5.Flush();
    EXPECT_FALSE(console_.job.Channel1.IsOpen());
    return refusal;
  }

  fs::path dir_;
  ScriptedUi ui_;
  Console console_{ui_, Ops()};
};

int Count(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

// The number after the label on the first report line that starts with it.
double Value(const std::vector<std::string>& lines, const std::string& label, int occurrence = 1) {
  for (const std::string& l : lines)
    if (l.rfind(label, 0) == 0 && --occurrence == 0) return std::stod(l.substr(label.size()));
  ADD_FAILURE() << "no line " << label;
  return NAN;
}

// The lines after the first line equal to `head`, up to the next blank line.
std::vector<std::string> Block(const std::vector<std::string>& lines, const std::string& head,
                               int skip) {
  auto it = std::find(lines.begin(), lines.end(), head);
  std::vector<std::string> block;
  if (it == lines.end()) return block;
  for (it += skip + 1; it != lines.end() && *it != " " && *it != ""; ++it) block.push_back(*it);
  return block;
}

// Independent least squares in long double: normal equations by
// Gauss-Jordan elimination with partial pivoting.
std::vector<long double> LeastSquares(const std::vector<std::vector<long double>>& rows,
                                      const std::vector<long double>& obs) {
  const std::size_t m = rows[0].size();
  std::vector<std::vector<long double>> a(m, std::vector<long double>(m + 1, 0));
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t i = 0; i < m; ++i) {
      for (std::size_t j = 0; j < m; ++j) a[i][j] += rows[r][i] * rows[r][j];
      a[i][m] += rows[r][i] * obs[r];
    }
  for (std::size_t c = 0; c < m; ++c) {
    std::size_t p = c;
    for (std::size_t r = c + 1; r < m; ++r)
      if (std::fabs(a[r][c]) > std::fabs(a[p][c])) p = r;
    std::swap(a[c], a[p]);
    for (std::size_t r = 0; r < m; ++r) {
      if (r == c) continue;
      long double f = a[r][c] / a[c][c];
      for (std::size_t j = c; j <= m; ++j) a[r][j] -= f * a[c][j];
    }
  }
  std::vector<long double> x(m);
  for (std::size_t i = 0; i < m; ++i) x[i] = a[i][m] / a[i][i];
  return x;
}

// Fits a model (1 similarity, 2 affine, 3 bilinear) to measured -> calibrated.
Map IndependentFit(int mode, const std::vector<Record>& measured,
                   const std::vector<Record>& calibrated) {
  std::vector<std::vector<long double>> rows;
  std::vector<long double> X, Y;
  for (std::size_t i = 0; i < measured.size(); ++i) {
    long double x = measured[i].x, y = measured[i].y;
    if (mode == 1) {
      rows.push_back({1, 0, x, -y});
      X.push_back(calibrated[i].x);
      rows.push_back({0, 1, y, x});
      X.push_back(calibrated[i].y);
    } else {
      rows.push_back(mode == 2 ? std::vector<long double>{1, x, y}
                               : std::vector<long double>{1, x, y, x * y});
      X.push_back(calibrated[i].x);
      Y.push_back(calibrated[i].y);
    }
  }
  if (mode == 1) {
    auto p = LeastSquares(rows, X);
    return {double(p[0]), double(p[2]), double(-p[3]), 0,
            double(p[1]), double(p[3]), double(p[2]),  0};
  }
  auto a = LeastSquares(rows, X), b = LeastSquares(rows, Y);
  a.resize(4, 0);
  b.resize(4, 0);
  return {double(a[0]), double(a[1]), double(a[2]), double(a[3]),
          double(b[0]), double(b[1]), double(b[2]), double(b[3])};
}

const Map kMaps[4] = {
    {},
    {12.5, 0.9995, -0.0312, 0, -7.25, 0.0312, 0.9995, 0},
    {12.5, 1.0012, -0.0153, 0, -7.25, 0.0171, 0.9987, 0},
    {12.5, 1.0012, -0.0153, 2.1e-6, -7.25, 0.0171, 0.9987, -1.7e-6},
};

// Eight measured fiducials around the frame and five image points.
const std::vector<Record> kMeasuredFiducials = {
    {11, -108.31, -109.87}, {12, 111.02, -110.45}, {13, 109.66, 108.93}, {14, -110.12, 111.04},
    {15, 0.47, -110.3},     {16, 110.81, 0.92},    {17, -0.58, 110.27},  {18, -109.94, -0.33}};
const std::vector<Record> kImagePoints = {{501, 12.345, -67.891},
                                          {502, -88.8, 45.6},
                                          {503, 0.001, 0.002},
                                          {504, 101.5, 99.25},
                                          {505, -3.5, -95.125}};

std::vector<Record> Calibrated(const Map& map, const std::vector<Record>& measured) {
  std::vector<Record> c;
  for (const Record& r : measured) c.push_back({r.no, map.X(r.x, r.y), map.Y(r.x, r.y)});
  return c;
}

// Fiducials and image points interleaved, fiducials in reverse order.
std::vector<Record> Shuffled(const std::vector<Record>& fiducials,
                             const std::vector<Record>& points) {
  std::vector<Record> r;
  for (std::size_t i = 0; i < fiducials.size() || i < points.size(); ++i) {
    if (i < points.size()) r.push_back(points[i]);
    if (i < fiducials.size()) r.push_back(fiducials[fiducials.size() - 1 - i]);
  }
  return r;
}

void ExpectCoefficients(const std::vector<std::string>& report, const Map& m, double tol,
                        int occurrence = 1) {
  const double expected[8] = {m.A1, m.A2, m.A3, m.A4, m.B1, m.B2, m.B3, m.B4};
  const char* labels[8] = {
      " A1 = ", " A2 = ", " A3 = ", " A4 = ", " B1 = ", " B2 = ", " B3 = ", " B4 = "};
  for (int k = 0; k < 8; ++k)
    EXPECT_NEAR(Value(report, labels[k], occurrence), expected[k], tol) << labels[k];
}

class FilmModel : public ImageTrans, public ::testing::WithParamInterface<int> {};

// Fiducials generated from a known map: the fit returns its coefficients,
// zero residuals, and the image points land where the map sends them.
TEST_P(FilmModel, RecoversAKnownMap) {
  const int mode = GetParam();
  const Map& map = kMaps[mode];
  auto report = Run(FilmFile(Calibrated(map, kMeasuredFiducials),
                             {Photo(7, mode, Shuffled(kMeasuredFiducials, kImagePoints))}));
  ExpectCoefficients(report, map, 1e-9);
  auto residuals = Block(report, "Transformation Residuals ", 1);
  ASSERT_EQ(residuals.size(), 8u);
  for (int i = 1; i <= 8; ++i)
    EXPECT_EQ(residuals[static_cast<std::size_t>(i - 1)],
              PadTo(std::to_string(i), 15) + "0.000" + Blanks(9) + "0.000");
  EXPECT_EQ(Value(report, "Sx, Sy: "), 0);
  EXPECT_EQ(Value(report, "RMS: "), 0);
  EXPECT_NE(std::find(report.begin(), report.end(), "Sx, Sy:  0.000  0.000"), report.end());

  // The shared arrays hold the image points in photo coordinates.
  const Module1& m = console_.module;
  ASSERT_EQ(m.ImgPointCount, 5);
  std::map<int, Record> expected;
  for (const Record& p : kImagePoints) expected[p.no] = {p.no, map.X(p.x, p.y), map.Y(p.x, p.y)};
  const auto printed = Block(report, " Point No.     X                Y", 0);
  ASSERT_EQ(printed.size(), 5u);
  for (std::size_t k = 1; k <= 5; ++k) {
    ASSERT_EQ(expected.count(m.ImgPointNo(k)), 1u) << m.ImgPointNo(k);
    const Record& e = expected[m.ImgPointNo(k)];
    EXPECT_NEAR(m.ImgX(k), e.x, 1e-9);
    EXPECT_NEAR(m.ImgY(k), e.y, 1e-9);
    const auto v = Numbers(printed[k - 1]);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0], e.no);
    EXPECT_NEAR(v[1], e.x, 0.0005 + 1e-9);
    EXPECT_NEAR(v[2], e.y, 0.0005 + 1e-9);
  }
  EXPECT_EQ(console_.job.ReadyFlag[1], kTrue);
  EXPECT_FALSE(console_.job.Channel1.IsOpen());
  EXPECT_TRUE(ui_.messages.empty());
}

// Noisy fiducials: residuals, Sx, Sy (divisor n - 1), RMS (divisor 2n) and
// the coefficients agree with a least-squares fit computed here.
TEST_P(FilmModel, NoisyFitAgreesWithIndependentLeastSquares) {
  const int mode = GetParam();
  const auto calibrated = Calibrated(kMaps[mode], kMeasuredFiducials);
  auto measured = kMeasuredFiducials;
  for (std::size_t i = 0; i < measured.size(); ++i) {
    measured[i].x += 0.05 * std::sin(1.7 * double(i) + 0.3);
    measured[i].y += 0.05 * std::cos(2.3 * double(i) + 0.1);
  }
  auto report = Run(FilmFile(calibrated, {Photo(7, mode, Shuffled(measured, kImagePoints))}));
  const Map fit = IndependentFit(mode, measured, calibrated);
  ExpectCoefficients(report, fit, 1e-9);
  long double sx = 0, sy = 0;
  auto residuals = Block(report, "Transformation Residuals ", 1);
  ASSERT_EQ(residuals.size(), 8u);
  for (std::size_t i = 0; i < 8; ++i) {
    long double vx = fit.X(measured[i].x, measured[i].y) - calibrated[i].x;
    long double vy = fit.Y(measured[i].x, measured[i].y) - calibrated[i].y;
    sx += vx * vx;
    sy += vy * vy;
    const auto v = Numbers(residuals[i]);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0], double(i + 1));
    EXPECT_NEAR(v[1], double(vx), 0.0005 + 1e-9);
    EXPECT_NEAR(v[2], double(vy), 0.0005 + 1e-9);
  }
  EXPECT_GT(sx, 1e-5L);  // the noise is really there
  const auto sxsy =
      Numbers(*std::find_if(report.begin(), report.end(),
                            [](const std::string& l) { return l.rfind("Sx, Sy: ", 0) == 0; }),
              8);
  ASSERT_EQ(sxsy.size(), 2u);
  EXPECT_NEAR(sxsy[0], std::sqrt(double(sx / 7)), 0.0005 + 1e-9);
  EXPECT_NEAR(sxsy[1], std::sqrt(double(sy / 7)), 0.0005 + 1e-9);
  EXPECT_NEAR(Value(report, "RMS: "), std::sqrt(double((sx + sy) / 16)), 0.0005 + 1e-9);
  // The window gets the same figures before the question is asked.
  const auto board = console_.BlackBoard.Lines();
  ASSERT_GE(board.size(), 8u + 1 + 8 + 3 + 8);
  EXPECT_EQ(board[8], "Transformation Residuals ");
  EXPECT_NEAR(std::stod(board[9].substr(5)), std::stod(residuals[0].substr(14)), 0.0005 + 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Models, FilmModel, ::testing::Values(1, 2, 3), [](const auto& info) {
  return std::string(info.param == 1 ? "Similarity" : info.param == 2 ? "Affine" : "Bilinear");
});

// One whole section, character by character: a rotation by 0.6/0.8 with a
// shift, four fiducials, two image points.
TEST_F(ImageTrans, GoldenSimilaritySection) {
  const std::string input =
      "\"Golden similarity, two points\"\n1, 4\n"
      "1, -100, -100\n2, 100, -100\n3, 100, 100\n4, -100, 100\n"
      "7, 1\n"
      "3, 142, -6\n9001, 10, 20\n1, -138, 34\n2, -18, -126\n9002, -30.5, .25\n4, 22, 154\n"
      "0,0,0\n";
  auto report = Run(input, {"y"});
  auto rec = [](const std::string& no, std::size_t pad1, const std::string& x, std::size_t pad2,
                const std::string& y) { return no + Blanks(pad1) + x + Blanks(pad2) + y; };
  const std::vector<std::string> expected = {
      "Golden similarity, two points" + Blanks(51),
      " ",
      "   Image Data for Photo:  7 ",
      "   ===================",
      "<=0 Digital image, 1=Similarity, 2=Affine, 3=Bilinear, Mode =  1 ",
      rec(" 3 ", 11, " 142 ", 9, "-6 "),
      rec(" 9001 ", 8, " 10 ", 10, " 20 "),
      rec(" 1 ", 11, "-138 ", 9, " 34 "),
      rec(" 2 ", 11, "-18 ", 10, "-126 "),
      rec(" 9002 ", 8, "-30.5 ", 8, " .25 "),
      rec(" 4 ", 11, " 22 ", 10, " 154 "),
      rec(" 0 ", 11, " 0 ", 11, " 0 "),
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
      // The exchange of the matching leaves 9002 before 9001.
      " 9002         -8.500         -34.250",
      " 9001         0.000          10.000",
  };
  EXPECT_EQ(report, expected);
  std::vector<std::string> board(8, "");
  for (const char* l : {"Transformation Residuals ", "1    0.000  0.000", "2    0.000  0.000",
                        "3    0.000  0.000", "4    0.000  0.000", "", "Sx, Sy:  0.000  0.000", "",
                        " A1 = 10.000000", " A2 = 0.600000", " A3 = -0.800000", " A4 = 0.000000",
                        " B1 = -10.000000", " B2 = 0.800000", " B3 = 0.600000", " B4 = 0.000000"})
    board.push_back(l);
  EXPECT_EQ(console_.BlackBoard.Lines(), board);
  ASSERT_EQ(ui_.prompts, std::vector<std::string>{"Is the solution acceptable? Y/N"});
  ASSERT_TRUE(ui_.positions[0].has_value());
  EXPECT_EQ(ui_.positions[0]->x, 3000);
  EXPECT_EQ(ui_.positions[0]->y, 3000);
}

// Two fiducials determine a similarity exactly: Sx, Sy (divisor 1) and RMS
// are zero, and the model's A2 equals B3 while A4 and B4 are zero.
TEST_F(ImageTrans, TwoFiducialsFitASimilarityExactly) {
  const std::vector<Record> measured = {kMeasuredFiducials[0], kMeasuredFiducials[2]};
  auto report = Run(
      FilmFile(Calibrated(kMaps[1], measured), {Photo(3, 1, Shuffled(measured, kImagePoints))}));
  EXPECT_EQ(Count(report, "Sx, Sy:  0.000  0.000"), 1);
  EXPECT_EQ(Count(report, "RMS:     0.000"), 1);
  EXPECT_EQ(Value(report, " A2 = "), Value(report, " B3 = "));
  EXPECT_EQ(Count(report, " A4 = 0.0000000000"), 1);
  EXPECT_EQ(Count(report, " B4 = 0.0000000000"), 1);
  ExpectCoefficients(report, kMaps[1], 1e-9);
}

// Only a single "N" or "n" rejects; anything else, an empty answer (Cancel)
// included, accepts. The refusal flag tells the caller.
TEST_F(ImageTrans, OnlyASingleNRejects) {
  const std::string body = [] {
    std::string s;
    for (const Record& r : Calibrated(kMaps[2], kMeasuredFiducials))
      s += std::to_string(r.no) + " " + Num(r.x) + " " + Num(r.y) + "\n";
    return s + Photo(1, 2, Shuffled(kMeasuredFiducials, kImagePoints));
  }();
  const std::pair<const char*, std::int16_t> cases[] = {{"N", 1}, {"n", 1},  {"No", 0}, {"", 0},
                                                        {"Y", 0}, {" N", 0}, {"nn", 0}};
  for (const auto& [answer, refusal] : cases) {
    EXPECT_EQ(CallDirectly(body, 8, 1, {answer}), refusal) << '"' << answer << '"';
    auto report = Report();
    EXPECT_EQ(Count(report, "Transformed Points "), refusal == 0 ? 1 : 0) << '"' << answer << '"';
    EXPECT_EQ(Count(report, " A1 = 12.5000000000"), 1);  // the fit is reported either way
  }
}

// Rejection through the console: no transformed points, and ReadyFlag(1)
// keeps the value that entering the header gave it.
TEST_F(ImageTrans, RejectedPhotoHasNoTransformedPoints) {
  auto report = Run(FilmFile(Calibrated(kMaps[1], kMeasuredFiducials),
                             {Photo(1, 1, Shuffled(kMeasuredFiducials, kImagePoints))}),
                    {"N"});
  EXPECT_EQ(Count(report, "Transformed Points "), 0);
  EXPECT_EQ(report.back(), " B4 = 0.0000000000");
  EXPECT_EQ(console_.job.ReadyFlag[1], kTrue);
  EXPECT_FALSE(console_.job.Channel1.IsOpen());
}

// An accepted photo without image points: no transformed block, flag 0.
TEST_F(ImageTrans, PhotoWithOnlyFiducials) {
  std::string body;
  for (const Record& r : Calibrated(kMaps[1], kMeasuredFiducials))
    body += std::to_string(r.no) + "," + Num(r.x) + "," + Num(r.y) + "\n";
  EXPECT_EQ(CallDirectly(body + Photo(1, 1, kMeasuredFiducials), 8, 1, {"Y"}, 5), 0);
  auto report = Report();
  EXPECT_EQ(Count(report, "Transformed Points "), 0);
  EXPECT_EQ(console_.module.ImgPointCount, 0);
}

// The same photo twice gives the same section twice; nothing carries over.
TEST_F(ImageTrans, SamePhotoTwiceGivesIdenticalSections) {
  const std::string photo = Photo(5, 3, Shuffled(kMeasuredFiducials, kImagePoints));
  auto report = Run(FilmFile(Calibrated(kMaps[3], kMeasuredFiducials), {photo, photo}));
  auto first = std::find(report.begin(), report.end(), "   Image Data for Photo:  5 ") - 1;
  auto second = std::find(first + 2, report.end(), "   Image Data for Photo:  5 ") - 1;
  ASSERT_LT(second, report.end() - 1);
  EXPECT_EQ(std::vector<std::string>(first, second),
            std::vector<std::string>(second, report.end()));
  EXPECT_EQ(ui_.prompts.size(), 2u);
}

// Digital images: the origin moves to the image centre; mode -1 turns the
// downward y axis up. No question, and the refusal flag is left alone.
TEST_F(ImageTrans, DigitalImagesMoveToTheCentre) {
  std::string input = "Strip\n2, 0\n4000, 5000\n" +
                      Photo(21, -1, {{1, 2500, 2000}, {2, 0, 0}, {3, 5000.5, 4000.25}}) +
                      Photo(22, 0, {{1, 2500, 2000}, {2, 100, -300}});
  auto report = Run(input);
  EXPECT_EQ(report[1], " Digital Images");
  EXPECT_EQ(report[2], " Rows, Columns are:  4000  x  5000 ");
  EXPECT_EQ(report[3], " ");
  auto first = Block(report, " Point No.     X                Y", 0);
  EXPECT_EQ(first, (std::vector<std::string>{PointLine(1, "0.000", "0.000"),
                                             PointLine(2, "-2500.000", "2000.000"),
                                             PointLine(3, "2500.500", "-2000.250")}));
  // Mode 0 adds half the rows to y.
  EXPECT_EQ(report.back(), PointLine(2, "-2400.000", "1700.000"));
  EXPECT_EQ(console_.module.ImgPointCount, 2);
  EXPECT_EQ(console_.module.ImgX(1), 0);
  EXPECT_EQ(console_.module.ImgY(1), 4000);
  EXPECT_TRUE(ui_.prompts.empty());
  EXPECT_EQ(console_.job.ReadyFlag[1], kTrue);

  // In a file with fiducials Rows = Columns = 0: y negated (-1) or kept (0).
  std::string body =
      "1 0 0\n2 10 0\n" + Photo(1, -1, {{7, 12.5, 30.25}}) + Photo(2, 0, {{8, 12.5, 30.25}});
  EXPECT_EQ(CallDirectly(body, 2, 2, {}, 9), 9);
  auto lines = Report();
  EXPECT_EQ(Count(lines, PointLine(7, "12.500", "-30.250")), 1);
  EXPECT_EQ(Count(lines, PointLine(8, "12.500", "30.250")), 1);
}

// A calibrated fiducial missing from the photo: the record standing at its
// place is taken for it, and is not transformed.
TEST_F(ImageTrans, MissingFiducialTakesTheRecordAtItsPlace) {
  const auto calibrated = Calibrated(kMaps[1], kMeasuredFiducials);
  std::vector<Record> records(kMeasuredFiducials.begin(), kMeasuredFiducials.begin() + 7);
  records.push_back({901, -105.5, 2.5});  // stands in for fiducial 18 at place 8
  records.push_back({902, 10, 20});
  auto report = Run(FilmFile(calibrated, {Photo(1, 1, records)}));
  std::vector<Record> used(records.begin(), records.begin() + 8);
  const Map fit = IndependentFit(1, used, calibrated);
  ExpectCoefficients(report, fit, 1e-9);
  EXPECT_GT(Value(report, "RMS: "), 0.1);
  auto points = Block(report, " Point No.     X                Y", 0);
  ASSERT_EQ(points.size(), 1u);
  EXPECT_EQ(points[0].substr(0, 5), " 902 ");

  // Fewer records than fiducials: the missing places read as "0,0,0".
  std::string body;
  for (const Record& r : calibrated)
    body += std::to_string(r.no) + " " + Num(r.x) + " " + Num(r.y) + "\n";
  const std::vector<Record> two(kMeasuredFiducials.begin(), kMeasuredFiducials.begin() + 2);
  EXPECT_EQ(CallDirectly(body + Photo(2, 1, two), 8, 1), 0);
  std::vector<Record> padded = two;
  padded.resize(8, Record{0, 0, 0});
  ExpectCoefficients(Report(), IndependentFit(1, padded, calibrated), 1e-9);
  EXPECT_EQ(console_.module.ImgPointCount, 0);
}

// Refused photos: a singular fit (fiducials on a line) and a mode above 3
// show the zero-determinant message; a mode below -1 is refused with its
// own message. Their records are echoed and the run goes on.
TEST_F(ImageTrans, RefusedPhotosLetTheRunGoOn) {
  std::vector<Record> line = {{1, 0, 0}, {2, 10, 10}, {3, 20, 20}, {4, 30, 30}};
  std::string body;
  for (const Record& r : line)
    body += std::to_string(r.no) + " " + Num(r.x) + " " + Num(r.y) + "\n";
  body += Photo(1, 2, line) + Photo(2, 4, line) + Photo(17, -2, {{5, 1, 1}}) + Photo(3, 1, line);
  EXPECT_EQ(CallDirectly(body, 4, 4, {""}), 0);  // the last photo (a similarity) is accepted
  const std::string zero = "Image transformation has a zero determinant. The solution is rejected ";
  EXPECT_EQ(
      ui_.messages,
      (std::vector<std::string>{
          zero, zero, "Photo 17: transformation mode -2 is not defined; the photo is skipped"}));
  auto report = Report();
  EXPECT_EQ(Count(report, "Transformation Residuals "), 1);
  EXPECT_EQ(Count(report, "<=0 Digital image, 1=Similarity, 2=Affine, 3=Bilinear, Mode =  4 "), 1);
  EXPECT_EQ(Count(report, PadTo(PadTo(" 5 ", 15) + " 1 ", 29) + " 1 "), 1);  // mode -2's record
  EXPECT_EQ(ui_.prompts.size(), 1u);

  // The flag after a refused last photo: the solver's code, or 1.
  EXPECT_EQ(CallDirectly(body.substr(0, body.find("2, 4\n")), 4, 1), 130);
  EXPECT_EQ(CallDirectly("0 0\n" + Photo(2, 4, line), 0, 1), 1);
  EXPECT_EQ(CallDirectly("1 1\n" + Photo(17, -2, {}), 0, 1), 1);
  EXPECT_EQ(CallDirectly("0 0\n" + Photo(2, 1, line), 0, 1), 130);  // film photo, no fiducials
}

// Broken files: the reader's message names the file and the line, the
// report keeps what was written, the flags are as before, channel 1 closes.
TEST_F(ImageTrans, MalformedFilesStopWithAMessage) {
  const std::string head =
      "\"Broken\"\n1, 4\n1 -100 -100\n2 100 -100\n3 100 100\n4 -100 100\n7, 1\n1, -99, -99\n";
  auto report = Run(head + "2, 101, x\n");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].rfind("input.txt, line 9: expected a number", 0), 0u)
      << ui_.messages[0];
  EXPECT_EQ(report.back(), PadTo(PadTo(" 1 ", 15) + "-99 ", 29) + "-99 ");
  EXPECT_EQ(report.size(), 6u);
  EXPECT_EQ(console_.job.ReadyFlag[1], kTrue);
  EXPECT_FALSE(console_.job.Channel1.IsOpen());

  // A file that ends before its photos do; then one broken in the header.
  console_.PressCaption("Close-ImageTrans");
  ui_.files = {(dir_ / "short.txt").string()};
  std::ofstream(dir_ / "short.txt", std::ios::binary) << head;
  console_.PressCaption("Open-ImageTrans");
  console_.PressCaption("Enter ImageTransData");
  console_.PressCaption("Process ImageTrans");
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_EQ(ui_.messages[1].rfind("short.txt, line 9: expected", 0), 0u) << ui_.messages[1];
  EXPECT_NE(ui_.messages[1].find("end of the file"), std::string::npos);
  EXPECT_EQ(Report().size(), 6u + 6u);

  console_.job.ReadyFlag[1] = kFalse;
  console_.PressCaption("Close-ImageTrans");
  ui_.files = {(dir_ / "header.txt").string()};
  std::ofstream(dir_ / "header.txt", std::ios::binary) << "Title\n1, four\n";
  console_.PressCaption("Open-ImageTrans");
  console_.PressCaption("Enter ImageTransData");
  ASSERT_EQ(ui_.messages.size(), 3u);
  EXPECT_EQ(ui_.messages[2].rfind("header.txt, line 2:", 0), 0u) << ui_.messages[2];
  EXPECT_EQ(console_.job.ReadyFlag[1], kFalse);
  EXPECT_EQ(console_.module.FiducialCount, 4);  // as it was before the command
}

// A photo far beyond the old 999-record limit.
TEST_F(ImageTrans, PhotosGrowBeyondTheOldLimit) {
  std::vector<Record> many;
  for (int k = 1; k <= 2500; ++k) many.push_back({k, double(k), double(2 * k)});
  CallDirectly("10 20\n" + Photo(1, -1, many), 0, 1);
  ASSERT_EQ(console_.module.ImgPointCount, 2500);
  EXPECT_EQ(console_.module.ImgX(2500), 2490);
  EXPECT_EQ(console_.module.ImgY(2500), -4995);
}

// The example files through the headless runner: the report has one block
// per photo, and the runner's report equals the one made in-process.
TEST_F(ImageTrans, ExamplesThroughTheHeadlessRunner) {
  const fs::path runner = fs::path(TESSARO_BIN_DIR) / "tessaro-script";
  if (!fs::exists(runner)) GTEST_SKIP() << "no " << runner;
  for (const char* name : {"imagetrans.txt", "digital.txt"}) {
    const fs::path example = fs::path(TESSARO_SOURCE_DIR) / "examples" / name;
    if (!fs::exists(example)) GTEST_SKIP() << "no " << example;
    ScriptedUi ui;
    Console inProcess(ui, Ops());
    inProcess.Load();
    ui.files = {example.string(), (dir_ / "expected.txt").string()};
    for (const char* c : {"Open-ImageTrans", "Open-OutputFile", "Enter ImageTransData",
                          "Process ImageTrans", "Exit"})
      inProcess.PressCaption(c);
    ASSERT_TRUE(ui.messages.empty()) << ui.messages[0];

    std::ofstream script(dir_ / "run.tss");
    script << "Open-ImageTrans " << example.string() << "\nOpen-OutputFile "
           << (dir_ / "report.txt").string() << "\nEnter ImageTransData\n";
    for (std::size_t k = 0; k < ui.prompts.size(); ++k) script << "answer\n";
    script << "Process ImageTrans\nExit\n";
    script.close();
    const std::string command = runner.string() + " " + (dir_ / "run.tss").string() + " > " +
                                (dir_ / "out.txt").string() + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream out(dir_ / "out.txt");
    std::string all((std::istreambuf_iterator<char>(out)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all.find("message:"), std::string::npos) << all;

    auto report = Report();
    std::ifstream e(dir_ / "expected.txt", std::ios::binary);
    std::string expectedText((std::istreambuf_iterator<char>(e)), std::istreambuf_iterator<char>());
    std::ifstream r(dir_ / "report.txt", std::ios::binary);
    std::string reportText((std::istreambuf_iterator<char>(r)), std::istreambuf_iterator<char>());
    EXPECT_EQ(reportText, expectedText);

    ASSERT_FALSE(report.empty());
    EXPECT_EQ(CharCount(report[0]), 80);
    const int photos = Count(report, "   ===================");
    EXPECT_GT(photos, 0);
    EXPECT_EQ(Count(report, "Transformed Points "), photos) << name;  // every photo accepted here
    EXPECT_EQ(Count(report, "Transformation Residuals "), static_cast<int>(ui.prompts.size()));
  }
}

}  // namespace
}  // namespace tessaro
