#include "relative/relative_orientation.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "numeric/arrowhead.h"
#include "numeric/cholesky.h"
#include "numeric/packed.h"
#include "numeric/rotation.h"
#include "relative/strip_adjustment.h"
#include "shell/console.h"
#include "shell/memory_bound.h"

namespace tessaro {

namespace {

const char* const kResultsCaption = "Temporary Relative Orientation Results";
const char* const kDivergencePrompt = "No convergency, Do you want to change flight direction? y/n";
const char* const kSingularPrompt = "  Do you want to chnage the Direction of flight?  Yy/Nn";

// The iterations stop after the tenth, or once no correction exceeds the
// convergence limit (model units, radians); a correction beyond the
// divergence limit is not applied.
constexpr std::int32_t kLastIteration = 10;
constexpr double kConvergenceLimit = 0.001;
constexpr double kDivergenceLimit = 10000;

enum class Outcome { Finished, Restart, Ended };

// Channel 1 on the relative orientation file, from its first character.
void OpenInput(Console& c) {
  std::string error;
  if (!c.job.Channel1.Open(c.job.FileName[kRelativeFile], error)) throw InputError(error);
  c.job.Channel1File = kRelativeFile;
}

void ReadHeader(InputChannel& in, std::int16_t& PhotoCount, double& FrameSize, double& ImageSigma) {
  ReadFields(in, In(PhotoCount, "number of photographs"), In(FrameSize, "frame dimension"),
             In(ImageSigma, "standard error of an image coordinate"));
}

void ReadPoint(InputChannel& in, std::int32_t& no, double& x, double& y) {
  ReadFields(in, In(no, "point number of an image point"), In(x, "x of an image point"),
             In(y, "y of an image point"));
}

// The header and the point numbers of every photograph, up to each
// terminating record. A strip needs two photographs, and the frame and the
// standard error divide: a value that cannot be used is refused like an
// unreadable field; so is a focal length that is not positive.
void CountingPass(InputChannel& in, Strip& s) {
  ReadHeader(in, s.PhotoCount, s.FrameSize, s.ImageSigma);
  if (s.PhotoCount < 2)
    in.Refuse("2 photographs at least (number of photographs)", PlainWhole(s.PhotoCount));
  if (!(s.FrameSize > 0)) in.Refuse("a positive frame dimension", PlainReal(s.FrameSize));
  if (!(s.ImageSigma > 0))
    in.Refuse("a positive standard error of an image coordinate", PlainReal(s.ImageSigma));
  const std::int16_t P = s.PhotoCount;
  s.PhotoNumber = OneBased<std::int32_t>(P);
  s.FocalLength = OneBased<double>(P);
  s.PointCount = OneBased<std::int32_t>(P);
  s.PointEnd = OneBased<std::int32_t>(P);
  s.PointNumberList = OneBased<std::int32_t>(0);
  std::int32_t n = 0;
  for (std::int16_t p = 1; p <= P; ++p) {
    ReadFields(in, In(s.PhotoNumber(p), "photograph number"), In(s.FocalLength(p), "focal length"));
    // A photograph without a focal length has no bundle of rays.
    if (!(s.FocalLength(p) > 0)) in.Refuse("a positive focal length", PlainReal(s.FocalLength(p)));
    for (;;) {
      std::int32_t no = 0;
      double x = 0, y = 0;
      ReadPoint(in, no, x, y);
      if (no == 0) break;
      ++n;
      s.PointNumberList.resize(n);
      s.PointNumberList(n) = no;
    }
    s.PointEnd(p) = n;
    s.PointCount(p) = n - s.PointEnd(p - 1);
  }
  in.Close();
  s.ImagePointCount = n;
}

// The image points themselves, read again from the start of the file with
// the counts of the counting pass.
void StoringPass(Console& c, Strip& s) {
  OpenInput(c);
  InputChannel& in = c.job.Channel1;
  in.ReadTitle();
  std::int16_t PhotoCount = 0;
  double FrameSize = 0, ImageSigma = 0;
  ReadHeader(in, PhotoCount, FrameSize, ImageSigma);
  s.ImagePointNumber.SetRows(s.PhotoCount);
  s.ImageX.SetRows(s.PhotoCount);
  s.ImageY.SetRows(s.PhotoCount);
  std::int32_t n = 0;
  for (std::int16_t p = 1; p <= s.PhotoCount; ++p) {
    ReadFields(in, In(s.PhotoNumber(p), "photograph number"), In(s.FocalLength(p), "focal length"));
    s.ImagePointNumber.SetRowLength(p, s.PointCount(p));
    s.ImageX.SetRowLength(p, s.PointCount(p));
    s.ImageY.SetRowLength(p, s.PointCount(p));
    for (std::int32_t k = 1; k <= s.PointCount(p); ++k) {
      ReadPoint(in, s.ImagePointNumber(p, k), s.ImageX(p, k), s.ImageY(p, k));
      ++n;
      s.PointNumberList(n) = s.ImagePointNumber(p, k);
    }
    std::int32_t no = 0;
    double x = 0, y = 0;
    ReadPoint(in, no, x, y);
  }
}

// Too few distinct points (three per photograph), or points seen on one
// photograph only, end the run with a message.
bool ChecksPass(Console& c, const Strip& s) {
  if (s.GroundPointCount < 3 * s.PhotoCount) {
    c.ShowMessage("There are less than 6 common points: " + PlainWhole(s.GroundPointCount));
    return false;
  }
  if (s.SinglePointCount > 0) {
    c.ShowMessage("  There are " + PlainWhole(s.SinglePointCount) + " single images, job aborted");
    PrintItems(c.job.Channel5, {"single points"});
    for (std::int32_t j = 1; j <= s.SinglePointCount; ++j)
      PrintItems(c.job.Channel5, {s.SinglePointList(j)});
    return false;
  }
  return true;
}

// The arrowhead normal matrix grows with the points, but a photograph that
// shares points with a photograph far back in the strip widens its profile
// (ultimately to the square of the stations): a strip whose matrix would not
// fit the memory bound is refused before anything is allocated.
bool NormalMatrixFits(Console& c, const Strip& s, const ArrowheadNormals& normals) {
  const std::string tooLarge = NormalMatrixTooLarge(normals.ValueBytes());
  if (tooLarge.empty()) return true;
  c.ShowMessage("The strip has " + PlainWhole(UnknownCount(s)) + " unknowns: " + tooLarge +
                ". Split the strip; job aborted");
  return false;
}

// One iteration's normal equations and their solution. They are held in the
// arrowhead structure; the dense packed matrix, with the same bits, is built
// only for what the arrowhead does not cover (values that overflow), and
// only when it fits in half the memory: otherwise that iteration counts as
// not solvable, as it would almost surely be.
class StripSolver {
 public:
  StripSolver(const Strip& s, ArrowheadNormals& normals, const OneBased<double>& StationSigma)
      : s_(s), normals_(normals), sigma_(StationSigma), n_(UnknownCount(s)) {}

  // Corrections in NormalVector; the error code of CholeskySolve.
  int Solve(const StripModel& m, OneBased<double>& NormalVector, RaggedTable<double>& Residual,
            IterationSums& sums) {
    dense_ = false;
    sums = BuildNormalEquations(s_, m, sigma_, PointSigma(), normals_, NormalVector, Residual);
    const int err = normals_.FactorAndSolve(NormalVector);
    return err == kArrowheadNotCovered ? SolveDense(m, NormalVector, Residual, sums) : err;
  }

  // The diagonal of the inverse of the last solved matrix, whose model m is
  // not yet corrected.
  int InverseDiagonal(const StripModel& m, OneBased<double>& NormalVector,
                      RaggedTable<double>& Residual, IterationSums& sums, OneBased<double>& d) {
    if (!dense_ && normals_.InverseDiagonal(d) == kCholeskyOk) return kCholeskyOk;
    if (!dense_) {
      if (const int err = SolveDense(m, NormalVector, Residual, sums); err != kCholeskyOk)
        return err;
    }
    d = diagonal_;
    return kCholeskyOk;
  }

 private:
  double PointSigma() const { return 0.5 * s_.FrameSize; }
  int SolveDense(const StripModel& m, OneBased<double>& NormalVector, RaggedTable<double>& Residual,
                 IterationSums& sums) {
    if (!NormalMatrixTooLarge(NormalMatrixBytes(n_)).empty()) return kCholeskyNotPositiveDefinite;
    dense_ = true;
    OneBased<double> NormalMatrix(PackedSize(n_));
    sums = BuildNormalEquations(s_, m, sigma_, PointSigma(), NormalMatrix, NormalVector, Residual);
    int err = 0;
    CholeskySolve(NormalMatrix, NormalVector, n_, kSolveAndInvert, err);
    diagonal_ = OneBased<double>(n_);
    for (std::int32_t r = 1; r <= n_; ++r) diagonal_(r) = NormalMatrix(PackedIndex(r, r));
    return err;
  }

  const Strip& s_;
  ArrowheadNormals& normals_;
  const OneBased<double>& sigma_;
  std::int32_t n_;
  bool dense_ = false;
  OneBased<double> diagonal_;
};

// The answer to a question about the flight direction: "y" or "Y" restarts
// with the strip laid out the other way; anything else ends the run.
Outcome AskRestart(Console& c, const char* prompt, std::int16_t& DirectionFlag) {
  const std::string answer = c.AskLine(prompt);
  if (!answer.empty() && (answer[0] == 'y' || answer[0] == 'Y')) {
    DirectionFlag = -1;
    return Outcome::Restart;
  }
  return Outcome::Ended;
}

// BlackBoard after the solution of one iteration: the corrections of the
// ground points, three points a line, then those of the stations, one line
// per photograph (angles in radians).
void PrintCorrections(Console& c, const Strip& s, const OneBased<double>& NormalVector) {
  PrintSurface& bb = c.BlackBoard;
  const std::int32_t G = s.GroundPointCount;
  PrintItems(bb, {"Corrections to Point coordinates"});
  for (std::int32_t i = 1; i <= G; ++i) {
    for (int q = 1; q <= 3; ++q)
      PrintItems(bb, {FormatNumber(NormalVector(3 * (i - 1) + q), "####.####"), Semi, "  ", Semi});
    if (i % 3 == 0) PrintItems(bb, {});
  }
  PrintItems(bb, {});
  PrintItems(bb, {"Corrections to Station coordinates"});
  PrintItems(bb, {});
  const auto v = [&](std::int32_t u) { return NormalVector(3 * G + u); };
  PrintItems(bb, {v(1), Semi, v(2), Semi, v(3), Semi, v(4), Semi, v(5)});
  for (std::int32_t p = 3; p <= s.PhotoCount; ++p) {
    const std::int32_t u = 6 * (p - 2);
    PrintItems(
        bb, {v(u), Semi, v(u + 1), Semi, v(u + 2), Semi, v(u + 3), Semi, v(u + 4), Semi, v(u + 5)});
  }
}

// What the report needs of the finished adjustment.
struct Results {
  const Strip& s;
  const StripModel& m;
  const OneBased<double>& InverseDiagonal;
  const RaggedTable<double>& Residual;
  StripStatistics stats;
  std::int32_t Iteration;
  std::int16_t DirectionFlag;
  double Pi = 0;

  // Standard deviation of ground point coordinate q (1..3) of point i.
  double PointSd(std::int32_t i, int q) const {
    return StandardDeviation(stats.So, InverseDiagonal, 3 * (i - 1) + q);
  }
  // Standard deviation of parameter q (0..5) of photograph p >= 2, angles in
  // degrees; 0 for the held X of photograph 2.
  double StationSd(std::int32_t p, int q) {
    const std::int32_t u = 6 * (p - 2) + q;
    if (u == 0) return 0;
    const double sd = StandardDeviation(stats.So, InverseDiagonal, 3 * s.GroundPointCount + u);
    return q >= 3 ? RadToDeg(sd, Pi) : sd;
  }
  double Degrees(std::int32_t p, int q) { return RadToDeg(m.Station(p, q), Pi); }
};

std::string F(double value, const char* pattern) { return FormatNumber(value, pattern); }

void PrintPhotoHeader(PrintDestination& out, std::int32_t PhotoNumber) {
  PrintItems(out, {" "});
  PrintItems(out, {" Point#", Semi, Tab(25), Semi, "X", Semi, Tab(40), Semi, "VX", Semi, Tab(55),
                   Semi, "Y", Semi, Tab(70), Semi, "VY"});
  PrintItems(out, {" Station Id = ", Semi, PhotoNumber});
}

void PrintResidualLine(PrintDestination& out, const Results& r, std::int32_t p, std::int32_t k,
                       std::int32_t worst) {
  const Strip& s = r.s;
  PrintItems(out, {Tab(2),
                   Semi,
                   s.ImagePointNumber(p, k),
                   Semi,
                   Tab(20),
                   Semi,
                   F(s.ImageX(p, k), "####0.0000"),
                   Semi,
                   Tab(35),
                   Semi,
                   F(r.Residual(2 * p - 1, k), "##0.0000"),
                   Semi,
                   Tab(50),
                   Semi,
                   F(s.ImageY(p, k), "####0.0000"),
                   Semi,
                   Tab(65),
                   Semi,
                   F(r.Residual(2 * p, k), "##0.0000"),
                   Semi,
                   Tab(80),
                   Semi,
                   k == worst ? " *Error*" : ""});
}

// Omega, phi, kappa of photograph p and their standard deviations.
void PrintAngles(PrintDestination& out, Results& r, std::int32_t p) {
  const char* const pattern = "#######.#####";
  PrintAngleBlock(out, r.Degrees(p, 3), r.Degrees(p, 4), r.Degrees(p, 5), pattern, 15, 30);
  PrintItems(
      out, {F(r.StationSd(p, 3), pattern), Semi, Tab(15), Semi, F(r.StationSd(p, 4), pattern), Semi,
            Tab(30), Semi, F(r.StationSd(p, 5), pattern)});
}

// X, Y, Z of photograph p at columns 1, 15, 30.
void PrintPosition(PrintDestination& out, const Results& r, std::int32_t p) {
  const char* const pattern = "########.####";
  PrintItems(
      out, {F(r.m.Station(p, 0), pattern), Semi, Tab(15), Semi, F(r.m.Station(p, 1), pattern), Semi,
            Tab(30), Semi, F(r.m.Station(p, 2), pattern)});
}

// The summary and the residuals on BlackBoard, then the report section, then
// the station parameters on BlackBoard.
void Report(Console& c, Results& r) {
  const Strip& s = r.s;
  const StripModel& m = r.m;
  PrintSurface& bb = c.BlackBoard;
  ReportChannel& out = c.job.Channel5;
  const double Rms = r.stats.Rms, So = r.stats.So;
  const std::int32_t G = s.GroundPointCount;

  // One residual flag per photograph, on its largest residual when that
  // exceeds three times the standard error of an image coordinate.
  OneBased<std::int32_t> worst(s.PhotoCount);
  for (std::int32_t p = 1; p <= s.PhotoCount; ++p)
    worst(p) = WorstPoint(s, r.Residual, p, 3 * s.ImageSigma);
  const auto residuals = [&](PrintDestination& to) {
    for (std::int32_t p = 1; p <= s.PhotoCount; ++p) {
      PrintPhotoHeader(to, s.PhotoNumber(p));
      for (std::int32_t k = 1; k <= s.PointCount(p); ++k) PrintResidualLine(to, r, p, k, worst(p));
    }
  };

  PrintItems(bb, {"  RMS = ", Comma, Rms, Semi, "  So = ", Comma, So, Semi, "  ITER=", Semi,
                  r.Iteration, Semi, " Direction = ", Semi, r.DirectionFlag});
  PrintItems(bb, {"  "});
  PrintItems(bb, {" Point#", Semi, Tab(17), Semi, "X", Semi, Tab(29), Semi, "VX", Semi, Tab(42),
                  Semi, "Y", Semi, Tab(50), Semi, "VY"});
  PrintItems(bb, {" Station Id = ", Semi, s.PhotoNumber(1)});
  residuals(bb);

  PrintItems(out, {" "});
  PrintItems(out, {"  RMS = ", Semi, Rms, Semi, "  ITER = ", Semi, r.Iteration, Semi,
                   " Direction = ", Semi, r.DirectionFlag});
  PrintItems(out, {" "});
  residuals(out);
  PrintItems(out, {" "});
  PrintItems(out, {"  RMS=", Semi, F(Rms, "###.####"), Semi, "  So=", Semi, F(So, "###.####"), Semi,
                   "  ITER=", Semi, r.Iteration, Semi, "Number of Gp=", Semi, G});

  PrintItems(out, {" "});
  PrintItems(out, {"    RELATIVE ORIENTATION PARAMETERS"});
  PrintItems(out, {"    ==============================="});
  const char* const position = "########.####";
  for (std::int32_t p = 2; p <= s.PhotoCount; ++p) {
    PrintItems(out, {"  Station: ", Semi, s.PhotoNumber(p)});
    PrintItems(out, {Tab(5), Semi, "X", Semi, Tab(25), Semi, "Y", Semi, Tab(40), Semi, "Z"});
    PrintPosition(out, r, p);
    if (p == 2)
      PrintItems(out, {Tab(20), Semi, F(r.StationSd(p, 1), position), Semi, Tab(35), Semi,
                       F(r.StationSd(p, 2), position)});
    else
      PrintItems(out, {Tab(2), Semi, F(r.StationSd(p, 0), position), Semi, Tab(17), Semi,
                       F(r.StationSd(p, 1), position), Semi, Tab(29), Semi,
                       F(r.StationSd(p, 2), position)});
    PrintItems(out, {" "});
    PrintAngles(out, r, p);
    PrintItems(out, {" "});
  }

  const auto groundHeading = [&out] {
    PrintItems(out, {" "});
    PrintItems(out, {" "});
    PrintItems(out, {" GROUND POINT RESULTS "});
    PrintItems(out, {"======================"});
    PrintItems(out, {" "});
  };
  groundHeading();
  PrintItems(out, {"  Point", Semi,    Tab(17), Semi, "X",     Semi,    Tab(29), Semi, "Sx",
                   Semi,      Tab(43), Semi,    "Y",  Semi,    Tab(60), Semi,    "Sy", Semi,
                   Tab(74),   Semi,    "Z",     Semi, Tab(91), Semi,    "Sz"});
  PrintItems(out, {"====================================================="});
  for (std::int32_t i = 1; i <= G; ++i)
    PrintItems(out, {s.GroundPointNumber(i),
                     Semi,
                     Tab(15),
                     Semi,
                     F(m.GroundPoint(i, 1), "#####.###"),
                     Semi,
                     Tab(25),
                     Semi,
                     F(r.PointSd(i, 1), "###.####"),
                     Semi,
                     Tab(35),
                     Semi,
                     F(m.GroundPoint(i, 2), "#####.###"),
                     Semi,
                     Tab(50),
                     Semi,
                     F(r.PointSd(i, 2), "###.####"),
                     Semi,
                     Tab(60),
                     Semi,
                     F(m.GroundPoint(i, 3), "#####.###"),
                     Semi,
                     Tab(75),
                     Semi,
                     F(r.PointSd(i, 3), "###.####")});

  PrintItems(out, {" "});
  PrintItems(out, {"    RELATIVE ORIENTATION STATION PARAMETERS"});
  PrintItems(out, {"    ======================================="});
  PrintItems(out, {Tab(15), Semi, "X",   Semi, Tab(30), Semi, "Y",         Semi,
                   Tab(45), Semi, "Z",   Semi, Tab(60), Semi, "Omega",     Semi,
                   Tab(75), Semi, "Phi", Semi, Tab(90), Semi, "Kapa [D.d]"});
  for (std::int32_t p = 1; p <= s.PhotoCount; ++p)
    PrintItems(out, {s.PhotoNumber(p),
                     Semi,
                     Tab(7),
                     Semi,
                     F(m.Station(p, 0), "#######0.0000"),
                     Semi,
                     Tab(20),
                     Semi,
                     F(m.Station(p, 1), "#######0.0000"),
                     Semi,
                     Tab(35),
                     Semi,
                     F(m.Station(p, 2), "#######0.0000"),
                     Semi,
                     Tab(50),
                     Semi,
                     F(r.Degrees(p, 3), "######0.00000"),
                     Semi,
                     Tab(65),
                     Semi,
                     F(r.Degrees(p, 4), "######0.00000"),
                     Semi,
                     Tab(80),
                     Semi,
                     F(r.Degrees(p, 5), "######0.00000")});

  groundHeading();
  PrintItems(out, {"  Point", Semi, Tab(17), Semi, "X", Semi, Tab(37), Semi, "Y", Semi, Tab(57),
                   Semi, "Z"});
  PrintItems(out, {"==================================="});
  for (std::int32_t i = 1; i <= G; ++i)
    PrintItems(out,
               {s.GroundPointNumber(i), Semi, Tab(15), Semi, F(m.GroundPoint(i, 1), "####0.000"),
                Semi, Tab(30), Semi, F(m.GroundPoint(i, 2), "####0.000"), Semi, Tab(45), Semi,
                F(m.GroundPoint(i, 3), "####0.000")});

  for (std::int32_t p = 2; p <= s.PhotoCount; ++p) {
    PrintItems(bb, {"    RELATIVE ORIENTATION PARAMETERS"});
    PrintItems(bb, {"  Station: ", Semi, s.PhotoNumber(p)});
    if (p == 2) {
      PrintItems(bb, {Tab(5), Semi, "X", Semi, Tab(23), Semi, "Y", Semi, Tab(47), Semi, "Z"});
      PrintPosition(bb, r, p);
      PrintItems(bb, {Tab(15), Semi, F(r.StationSd(p, 1), position), Semi, Tab(30), Semi,
                      F(r.StationSd(p, 2), position)});
    } else {
      PrintItems(bb, {Tab(5), Semi, "X", Semi, Tab(35), Semi, "Y", Semi, Tab(70), Semi, "Z"});
      PrintPosition(bb, r, p);
      PrintItems(bb, {Tab(3), Semi, F(r.StationSd(p, 0), position), Semi, Tab(15), Semi,
                      F(r.StationSd(p, 1), position), Semi, Tab(30), Semi,
                      F(r.StationSd(p, 2), position)});
    }
    PrintItems(bb, {});
    PrintAngles(bb, r, p);
  }
}

// One adjustment from the approximations to the report, or to a question
// about the flight direction.
Outcome Adjust(Console& c, const Strip& s, ArrowheadNormals& normals,
               const OneBased<double>& StationSigma, std::int16_t& DirectionFlag) {
  StripModel m = Approximations(s, DirectionFlag);
  // Shown and emptied; the first iteration's line goes to the top.
  c.ShowBlackBoard();
  c.BlackBoard.Clear();
  c.SetCaption("BlackBoard", kResultsCaption);

  const std::int32_t N = UnknownCount(s);
  StripSolver solver(s, normals, StationSigma);
  OneBased<double> NormalVector(N), InverseDiagonal(N);
  RaggedTable<double> Residual;
  Residual.SetRows(2 * s.PhotoCount);
  for (std::int32_t p = 1; p <= s.PhotoCount; ++p) {
    Residual.SetRowLength(2 * p - 1, s.PointCount(p));
    Residual.SetRowLength(2 * p, s.PointCount(p));
  }

  IterationSums sums;
  std::int32_t Iteration = 0;
  for (;;) {
    Iteration = Iteration + 1;
    int ErrCode = solver.Solve(m, NormalVector, Residual, sums);
    // Values so large that their squares overflow leave corrections that are
    // not numbers: no solution either.
    if (ErrCode == 0 && !AllFinite(NormalVector, N)) ErrCode = kCholeskyNotPositiveDefinite;
    PrintItems(c.BlackBoard, {"  RMS=", Comma, sums.SumSquares, Comma, "  ITER=", Comma, Iteration,
                              Comma, " STATION="});
    const double MaxCorrection = ErrCode == 0 ? LargestCorrection(NormalVector, N) : 0;
    // The precisions need the inverse of the last iteration's matrix only.
    const bool last = Iteration >= kLastIteration || MaxCorrection <= kConvergenceLimit;
    if (ErrCode == 0 && MaxCorrection <= kDivergenceLimit && last)
      ErrCode = solver.InverseDiagonal(m, NormalVector, Residual, sums, InverseDiagonal);
    if (ErrCode != 0) {
      c.ShowMessage("Error in Matrix Inversion");
      return AskRestart(c, kSingularPrompt, DirectionFlag);
    }
    c.ShowBlackBoard();
    if (MaxCorrection > kDivergenceLimit) {
      PrintItems(c.BlackBoard,
                 {"  RMS=", Comma, sums.SumSquares, Comma, "  ITER=", Comma, Iteration, Comma,
                  " STATION=", Comma, " Direction = ", Semi, DirectionFlag});
      return AskRestart(c, kDivergencePrompt, DirectionFlag);
    }
    PrintCorrections(c, s, NormalVector);
    ApplyCorrections(s, NormalVector, m);
    const double Rms = FinalStatistics(s, sums).Rms;
    c.ShowMessage("  RMS=" + PlainReal(Rms) + "  ITER=" + PlainWhole(Iteration));
    if (last) break;
  }

  Results r{s, m, InverseDiagonal, Residual, FinalStatistics(s, sums), Iteration, DirectionFlag};
  if (!r.stats.Redundant)
    c.ShowMessage("  There are no redundant observations: So is taken as 1 (a priori)");
  Report(c, r);
  return Outcome::Finished;
}

}  // namespace

void RelativeOrientation(Console& c) {
  JobState& job = c.job;
  if (job.ReadyFlag(kRelativeEntered) != kTrue) return c.ShowMessage(NotRefinedMessage(kProcessRelativeCommand));
  // The data stay entered after a run; a closed input is not read.
  if (job.OpenFlag(kRelativeChosen) != kTrue) return c.ShowMessage(NotEnteredMessage(kProcessRelativeCommand));
  // Every run reads the file from its first character, so a second run (or a
  // run after an interrupted one) reads the same file again.
  OpenInput(c);
  c.module.Pi = 4 * std::atan(1.0);

  const std::string Title = job.Channel1.ReadTitle();
  PrintItems(job.Channel5, {"  "});
  PrintItems(job.Channel5, {Title});
  PrintItems(job.Channel5, {"  "});
  Strip s;
  CountingPass(job.Channel1, s);
  const OneBased<double> StationSigma =
      StationSigmas(s.FrameSize, c.module.Pi, StationUnknownCount(s.PhotoCount));

  std::int16_t DirectionFlag = 0;
  for (;;) {
    NumberGroundPoints(s);
    if (!ChecksPass(c, s)) return;
    ArrowheadNormals normals = StripNormals(s);
    if (!NormalMatrixFits(c, s, normals)) return;
    StoringPass(c, s);
    if (Adjust(c, s, normals, StationSigma, DirectionFlag) != Outcome::Restart) return;
  }
}

}  // namespace tessaro
