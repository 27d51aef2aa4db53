#include "relative/relative_orientation.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "relative/strip_adjustment.h"
#include "relative/strip_report.h"
#include "shell/console.h"
#include "shell/memory_bound.h"

namespace tessaro {

namespace {

const char* const kResultsCaption = "Temporary Relative Orientation Results";
const char* const kDivergencePrompt = "No convergency, Do you want to change flight direction? y/n";
const char* const kSingularPrompt = "  Do you want to chnage the Direction of flight?  Yy/Nn";
const char* const kTooFewPhotographs = "2 photographs at least (number of photographs)";
// A photograph's six parameters need three points; the message names the
// limit of a pair whatever the length of the strip.
constexpr std::int32_t kPointsPerPhotograph = 3;

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
// terminating record. The frame and the standard error divide: a value that
// cannot be used is refused like an unreadable field; so is a focal length
// that is not positive, and a strip without a photograph. A strip of one
// photograph is read and checked like any other (it is refused only when it
// passes its checks: it has nothing to adjust).
void CountingPass(InputChannel& in, Strip& s) {
  ReadHeader(in, s.PhotoCount, s.FrameSize, s.ImageSigma);
  if (s.PhotoCount < 1) in.Refuse(kTooFewPhotographs, PlainWhole(s.PhotoCount));
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
    s.PointCount(p) = ReadRecordsUntilEnd([&](std::int32_t) {
      std::int32_t no = 0;
      double x = 0, y = 0;
      ReadPoint(in, no, x, y);
      if (no == 0) return true;
      s.PointNumberList.resize(++n);
      s.PointNumberList(n) = no;
      return false;
    });
    s.PointEnd(p) = n;
  }
  in.Close();
  s.ImagePointCount = n;
}

// Channel 1 from the start of the file again, past the title and the header.
InputChannel& ReopenPastHeader(Console& c) {
  OpenInput(c);
  InputChannel& in = c.job.Channel1;
  in.ReadTitle();
  std::int16_t PhotoCount = 0;
  double FrameSize = 0, ImageSigma = 0;
  ReadHeader(in, PhotoCount, FrameSize, ImageSigma);
  return in;
}

// The image points themselves, read again from the start of the file with
// the counts of the counting pass. A strip of one photograph, which passed
// its checks, gets this far: with the six parameters of its only station
// held there is nothing to adjust, and it is refused at its header.
void StoringPass(Console& c, Strip& s) {
  InputChannel& in = ReopenPastHeader(c);
  if (s.PhotoCount < 2) in.Refuse(kTooFewPhotographs, PlainWhole(s.PhotoCount));
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

// Too few distinct points, or points seen once only, end the run with a
// message.
bool ChecksPass(Console& c, const Strip& s) {
  if (s.GroundPointCount < kPointsPerPhotograph * s.PhotoCount) {
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

// The answer to a question about the flight direction: "y" or "Y" restarts
// with the strip laid out the other way; anything else ends the run.
bool AskRestart(Console& c, const char* prompt, std::int16_t& DirectionFlag) {
  const std::string answer = c.AskLine(prompt);
  if (answer.empty() || (answer[0] != 'y' && answer[0] != 'Y')) return false;
  DirectionFlag = -1;
  return true;
}

// One adjustment from the approximations to the report, or to a question
// about the flight direction; true when the user chose to restart. Each
// iteration's figures go to the window and a message; the window is cleared
// after each solved one.
bool Adjust(Console& c, const Strip& s, ArrowheadNormals& normals,
            const OneBased<double>& StationSigma, std::int16_t& DirectionFlag,
            const StripObserver& observe) {
  StripAdjustment adjustment(s, normals, StationSigma, DirectionFlag);
  const StripResult& r = adjustment.Result();
  // Shown and emptied; the first iteration's line goes to the top.
  c.ShowBlackBoard();
  c.BlackBoard.Clear();
  c.SetCaption("BlackBoard", kResultsCaption);
  for (bool more = true; more;) {
    more = adjustment.Step();
    if (observe) observe(c, s, r);
    const StripIteration& it = r.Iterations.back();
    PrintItems(c.BlackBoard, {"  RMS=", Comma, it.SumSquares, Comma, "  ITER=", Comma, it.Iteration,
                              Comma, " STATION="});
    if (r.outcome.ending == Ending::Singular) {
      c.ShowMessage("Error in Matrix Inversion");
      return AskRestart(c, kSingularPrompt, DirectionFlag);
    }
    c.ShowBlackBoard();
    if (r.outcome.ending == Ending::Diverged) {
      PrintItems(c.BlackBoard,
                 {"  RMS=", Comma, it.SumSquares, Comma, "  ITER=", Comma, it.Iteration, Comma,
                  " STATION=", Comma, " Direction = ", Semi, DirectionFlag});
      return AskRestart(c, kDivergencePrompt, DirectionFlag);
    }
    PrintCorrections(c.BlackBoard, s, it.Corrections);
    c.ShowMessage("  RMS=" + PlainReal(it.Rms) + "  ITER=" + PlainWhole(it.Iteration));
  }
  if (!r.Statistics.Redundant())
    c.ShowMessage("  There are no redundant observations: So is taken as 1 (a priori)");
  PrintStripResult(c.BlackBoard, c.job.Channel5, s, r);
  return false;
}

}  // namespace

void RelativeOrientation(Console& c, const StripObserver& observe) {
  JobState& job = c.job;
  if (job.ReadyFlag(kRelativeEntered) != kTrue)
    return c.ShowMessage(NotRefinedMessage(kProcessRelativeCommand));
  // The data stay entered after a run; a closed input is not read.
  if (job.OpenFlag(kRelativeChosen) != kTrue)
    return c.ShowMessage(NotEnteredMessage(kProcessRelativeCommand));
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
    if (!Adjust(c, s, normals, StationSigma, DirectionFlag, observe)) return;
  }
}

}  // namespace tessaro
