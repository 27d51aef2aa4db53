#include "resection/resection.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "numeric/rotation.h"
#include "resection/adjustment.h"
#include "shell/console.h"
#include "shell/image_records.h"
#include "shell/leading_number.h"

namespace tessaro {

namespace {

const char* const kNoMatch = "Error Image point does not match the Control *** Job aborted";
const char* const kSolveFailed = "Error in Matrix Inversion";
const char* const kNotComputed = ": the resection is not computed";
// A drop never leaves fewer points in use than this: a station needs three.
constexpr std::int32_t kPointsKept = 3;
// BlackBoard is cleared after every this many iterations shown.
constexpr int kIterationsOnScreen = 4;
// Typed whole numbers below this size are exact in a double and print as
// whole numbers; larger ones in the plain real form.
constexpr double kExactWhole = 9e15;
constexpr double kLowestLimit = std::numeric_limits<std::int32_t>::min();
constexpr double kHighestLimit = std::numeric_limits<std::int32_t>::max();

// The fixed tables of the module held 1000 records, so any position up to
// a count in use could be read. Containers grow instead: every count that a
// mode may walk (also after a failed preparation or another file read in
// between) is given room first.
void KeepRoom(Module1& m) {
  const std::int32_t n = std::max({m.CtrlPointCount, m.PointsInUse, m.ImgPointCount});
  m.ReserveImagePoints(n);
  if (n > m.MatchIndex.size()) m.MatchIndex.resize(n);
  m.ReserveControlPoints(m.CtrlPointCount);
}

// A typed answer: its leading number, rounded half to even.
double WholeAnswer(Console& c, const std::string& prompt) {
  return RoundHalfEven(LeadingNumber(c.AskLine(prompt)));
}

// A real in the text of a Form2 box: the shortest form with at most 15
// significant digits, no blanks, a zero before a leading point ("0.5").
std::string BoxText(double value) {
  std::string s = PlainReal(value);
  if (s.rfind(".", 0) == 0) s.insert(0, "0");
  if (s.rfind("-.", 0) == 0) s.insert(1, "0");
  return s;
}

// The plain number form of a typed whole number: a blank or "-", the digits,
// a blank.
std::string PlainAnswer(double value) {
  const std::string digits = std::fabs(value) < kExactWhole
                                 ? PlainWhole(static_cast<std::int64_t>(value))
                                 : PlainReal(value);
  return (value < 0 ? "" : " ") + digits + " ";
}

// The summary line of every run, the last line of BlackBoard's summary and
// of the report of a run that ends unsolved.
void PrintSummary(PrintDestination& out, double Rms, int Iteration, std::int32_t StationNo) {
  PrintItems(out, {"  RMS=", Comma, Rms, Comma, "  ITER=", Comma, Iteration, Comma,
                   " STATION=", Comma, StationNo});
}

// The tables of BlackBoard and the report: a heading layout of texts and the
// layout of its lines of numbers.
const TableLayout kPositionHeading = {{5}, {25}, {40}};
const TableLayout kPosition = {{0, "########.###"}, {15, "########.###"}, {30, "########.###"}};
const TableLayout kResidualHeading = {{0}, {15}, {27}, {37}, {52}};
const TableLayout kResidual = {
    {0}, {10, "#####.###"}, {25, "#####.###"}, {35, "#####.###"}, {50, "#####.###"}};
const TableLayout kRadial = {{0}, {10, "######.###"}, {25, "######.###"}};

// The station (Xo, Yo, Zo; the angles in degrees); BlackBoard places the
// angles at columns 20 and 40, the report at 15 and 30.
void PrintStation(PrintDestination& out, const OneBased<double>& P, int tabPhi, int tabKappa,
                  bool report) {
  PrintItems(out, {"    EXTERIOR ORIENTATION PARAMETERS"});
  PrintRow(out, kPositionHeading, {"X", "Y", "Z"});
  PrintRow(out, kPosition, {P(1), P(2), P(3)});
  if (report) PrintItems(out, {" "});
  const double toDegrees = 1 / DegreeFactor();
  PrintAngleBlock(out, P(4) * toDegrees, P(5) * toDegrees, P(6) * toDegrees, "#######.####", tabPhi,
                  tabKappa);
}

// StationValues(1..6) = the station as it stands, the angles multiplied by
// angleFactor (1 keeps radians; multiplying by 1 changes no bit).
void StoreStation(Module1& m, double angleFactor) {
  OneBased<double>& sv = m.StationValues;
  sv(1) = m.Xo;
  sv(2) = m.Yo;
  sv(3) = m.Zo;
  sv(4) = m.Omega * angleFactor;
  sv(5) = m.Phi * angleFactor;
  sv(6) = m.Kappa * angleFactor;
}

// Mode 1: the image records are matched to the control points, and from now
// on the resection counts its points by image records.
void Prepare(Console& c) {
  Module1& m = c.module;
  m.DirectionSign = 1;
  m.IterationLimit = kResectionIterationLimit;
  if (MatchImageToControl(m.ImgPointNo, m.ImgPointCount, m.CtrlPointNo, m.CtrlPointCount,
                          m.MatchIndex) != 0)
    return c.ShowMessage(kNoMatch);
  m.CtrlPointCount = m.ImgPointCount;
  m.PointsInUse = m.ImgPointCount;
  const double rho = DegreeFactor();
  m.Omega = m.Omega * rho;
  m.Phi = m.Phi * rho;
  m.Kappa = m.Kappa * rho;
  m.SigmaAngle = m.SigmaAngle * rho;
  StoreStation(m, 1.0);
  OneBased<double>& sv = m.StationValues;
  sv(7) = m.SigmaXY;
  sv(8) = m.SigmaZ;
  sv(9) = m.SigmaAngle;
  c.job.OpenFlag(kResectionPrepared) = kTrue;
}

// Mode 2: Form2 shows the station with its angles in degrees. Its Return
// turns them back into radians.
void ChangeStationValues(Console& c) {
  Module1& m = c.module;
  OneBased<double>& sv = m.StationValues;
  const double toDegrees = 1 / DegreeFactor();
  StoreStation(m, toDegrees);
  sv(9) = m.SigmaAngle * toDegrees;
  for (int k = 1; k <= 9; ++k) c.Text1[k - 1] = BoxText(sv(k));
  c.ShowStationValues();
}

// Mode 3: every selection starts again from all CtrlPointCount records; the
// named points are moved behind PointsInUse.
void SelectControlPoints(Console& c) {
  Module1& m = c.module;
  c.ClearConsole();
  for (std::int32_t i = 1; i <= m.CtrlPointCount; ++i)
    PrintItems(c.job.Channel5, {m.ImgPointNo(i), Semi});
  const double k = WholeAnswer(c, "Enter number of control points to be droped");
  if (k > m.CtrlPointCount - kPointsKept || k < 1) return;
  std::vector<double> DropList;
  for (int t = 1; t <= static_cast<int>(k); ++t)
    DropList.push_back(WholeAnswer(c, "Enter Point ID" + std::to_string(t)));
  for (double missing : DropPoints(DropList, m.CtrlPointCount, m.ImgPointNo, m.ImgX, m.ImgY,
                                   m.MatchIndex, m.PointsInUse))
    c.ShowMessage("Point No. " + PlainAnswer(missing) + "Not Found");
}

void SetIterationLimit(Console& c) {
  const double limit = WholeAnswer(c, "Enter Number of Iterations");
  c.module.IterationLimit =
      static_cast<std::int32_t>(std::clamp(limit, kLowestLimit, kHighestLimit));
}

// A standard error of 0 would divide by zero in the weights: name it.
bool RefuseZeroSigma(Console& c) {
  const Module1& m = c.module;
  const char* which = m.ImagePrecision == 0 ? "of the image coordinates"
                      : m.SigmaXY == 0      ? "SigmaXY of the station"
                      : m.SigmaZ == 0       ? "SigmaZ of the station"
                                            : nullptr;
  if (which) c.ShowMessage(std::string("The standard error ") + which + " is 0" + kNotComputed);
  return which != nullptr;
}

// The station cells follow the adjustment step by step.
void SetStation(Module1& m, const OneBased<double>& P) {
  m.Xo = P(1);
  m.Yo = P(2);
  m.Zo = P(3);
  m.Omega = P(4);
  m.Phi = P(5);
  m.Kappa = P(6);
}

// The result section of a converged run; its station becomes the observed
// station of the next run.
void WriteResult(Console& c, const ResectionResult& r) {
  Module1& m = c.module;
  StoreStation(m, 1.0);
  m.StationValues(7) = r.PositionPrecision;
  m.StationValues(8) = r.AnglePrecision;

  ReportChannel& out = c.job.Channel5;
  PrintItems(out, {"  "});
  PrintRow(out, kResidualHeading, {"Point#", "X", "VX", "Y", "VY"});
  PrintItems(out, {" "});
  for (const ResectionResidual& v : r.Residuals)
    PrintRow(out, kResidual, {v.No, v.x, v.vx, v.y, v.vy});
  PrintItems(out, {"  "});
  PrintItems(out, {"  RMS=", Comma, r.Last.Rms, Comma, "  ITER=", Comma, r.Last.Number, Comma,
                   " STATION=", Comma, m.StationNo, Comma, "Number of GCP=", Semi, m.PointsInUse});
  PrintItems(out, {" "});
  PrintStation(out, r.Station, 15, 30, true);
  PrintItems(out, {" "});
  PrintItems(out, {"   Point i, Radial Distamce r,   Dr"});
  for (const ResectionResidual& v : r.Residuals) PrintRow(out, kRadial, {v.No, v.r, v.dr});
  c.job.ReadyFlag(kResectionSolved) = kTrue;
}

// What the latest step shows: a message when it failed, else its corrections
// on BlackBoard, and unless they diverged the station they gave; the report
// gets the result section or the summary line when the run ends. screen
// counts the iterations shown; every fourth clears BlackBoard. Returns
// whether the run has ended.
bool ShowStep(Console& c, const ResectionResult& r, int& screen) {
  const std::optional<Outcome>& end = r.outcome;
  if (end && end->ending == Ending::Refused) {
    c.ShowMessage("Point" + PlainAnswer(c.module.ImgPointNo(end->item)) +
                  "lies level with the projection centre (q = 0)" + kNotComputed);
    return true;
  }
  if (end && end->ending == Ending::Singular) {
    c.ShowMessage(kSolveFailed);
    return true;
  }
  c.ShowBlackBoard();
  for (int k = 1; k <= 6; ++k) PrintItems(c.BlackBoard, {k, Comma, r.Last.d(k)});
  if (++screen == kIterationsOnScreen) {
    c.BlackBoard.Clear();
    screen = 0;
  }
  const std::int32_t StationNo = c.module.StationNo;
  if (!end || end->ending != Ending::Diverged) {
    PrintSummary(c.BlackBoard, r.Last.Rms, r.Last.Number, StationNo);
    PrintStation(c.BlackBoard, r.Station, 20, 40, false);
  }
  if (!end) return false;
  if (end->ending == Ending::Converged) {
    WriteResult(c, r);
  } else {
    PrintSummary(c.job.Channel5, r.Last.Rms, r.Last.Number, StationNo);
  }
  return true;
}

// The observations of a run: the points in use with their control, and the
// observed station StationValues(1..6) with its standard errors.
ResectionObservations Observations(const Module1& m) {
  ResectionObservations obs;
  obs.f = m.PrincipalDistance;
  obs.ImagePrecision = m.ImagePrecision;
  obs.Points.resize(m.PointsInUse);
  for (std::int32_t i = 1; i <= m.PointsInUse; ++i) {
    const std::array<double, 3>& ground = m.CtrlXYZ(m.MatchIndex(i));
    obs.Points(i) = {m.ImgPointNo(i), m.ImgX(i), m.ImgY(i), ground[0], ground[1], ground[2]};
  }
  for (int k = 1; k <= 6; ++k) obs.Observed(k) = m.StationValues(k);
  obs.Sigma(1) = m.SigmaXY;
  obs.Sigma(2) = m.SigmaZ;
  obs.Sigma(3) = m.SigmaXY;
  obs.Sigma(4) = obs.Sigma(5) = obs.Sigma(6) = m.SigmaAngle;
  return obs;
}

// Mode 6: the iterated adjustment, each iteration shown on BlackBoard; the
// report gets the result section on convergence, else the summary line.
void MakeResection(Console& c, const ResectionObserver& observe) {
  Module1& m = c.module;
  if (m.PointsInUse < 1)
    return c.ShowMessage(std::string("No control point is in use") + kNotComputed);
  if (RefuseZeroSigma(c)) return;
  // An angle precision of 0 or less leaves the angles practically free.
  if (m.SigmaAngle <= 0) m.SigmaAngle = kFreeAngleSigma;

  OneBased<double> P(6);
  P(1) = m.Xo;
  P(2) = m.Yo;
  P(3) = m.Zo;
  P(4) = m.Omega;
  P(5) = m.Phi;
  P(6) = m.Kappa;
  const ResectionObservations obs = Observations(m);
  ResectionAdjustment run(obs, P, m.IterationLimit);
  int screen = 0;
  for (;;) {
    const ResectionResult& r = run.Step();
    SetStation(m, r.Station);
    if (observe) observe(c, obs, r);
    if (ShowStep(c, r, screen)) return;
  }
}

}  // namespace

void ReadResectionInput(Console& c) {
  Module1& m = c.module;
  InputChannel& in = c.job.Channel1;
  ReportChannel& out = c.job.Channel5;

  PrintItems(out, {in.ReadTitle()});
  ReadFields(in, In(m.ScaleFactor, "photo scale factor"),
             In(m.PrincipalDistance, "principal distance"),
             In(m.ImagePrecision, "standard error of the image coordinates"));
  PrintItems(out, {m.ScaleFactor, Comma, m.PrincipalDistance, Comma, m.ImagePrecision});

  PrintItems(out, {"Control Points"});
  m.CtrlPointCount = ReadRecordsUntilEnd([&](std::int32_t i) {
    m.ReserveControlPoints(i);
    std::array<double, 3>& g = m.CtrlXYZ(i);
    ReadFields(in, In(m.CtrlPointNo(i), "point number of a control point"),
               In(g[0], "X of a control point"), In(g[1], "Y of a control point"),
               In(g[2], "Z of a control point"));
    PrintItems(out, {m.CtrlPointNo(i), Semi, g[0], Semi, g[1], Semi, g[2]});
    return m.CtrlPointNo(i) == 0;
  });

  PrintItems(out, {"Station Data"});
  ReadFields(in, In(m.StationNo, "station number"), In(m.Xo, "Xo of the station"),
             In(m.Yo, "Yo of the station"), In(m.Zo, "Zo of the station"),
             In(m.Omega, "Omega of the station"), In(m.Phi, "Phi of the station"),
             In(m.Kappa, "Kappa of the station"), In(m.SigmaXY, "SigmaXY of the station"),
             In(m.SigmaZ, "SigmaZ of the station"), In(m.SigmaAngle, "SigmaAngle of the station"));
  PrintItems(out, {m.StationNo, Comma, m.Xo, Comma, m.Yo, Comma, m.Zo, Comma, m.Omega, Comma, m.Phi,
                   Comma, m.Kappa, Comma, m.SigmaXY, Comma, m.SigmaZ, Comma, m.SigmaAngle});

  PrintItems(out, {"Image Data"});
  ReadImageRecords(c, "image point", ListEnd::NumberZero);
  c.job.ReadyFlag(kResectionEntered) = kTrue;
  in.Close();
}

void Resection(Console& c, int mode, const ResectionObserver& observe) {
  if (c.job.ReadyFlag(kResectionEntered) != kTrue)
    return c.ShowMessage(NotRefinedMessage(kMakeResectionCommand));
  KeepRoom(c.module);
  switch (mode) {
    case kPrepareResection:
      return Prepare(c);
    case kChangeStationValues:
      return ChangeStationValues(c);
    case kSelectControlPoints:
      return SelectControlPoints(c);
    case kSetIterationLimit:
      return SetIterationLimit(c);
    case kReverseDirection:
      c.module.PrincipalDistance = -c.module.PrincipalDistance;
      c.module.DirectionSign = -c.module.DirectionSign;
      return;
    case kMakeResection:
      return MakeResection(c, observe);
    default:
      return;
  }
}

}  // namespace tessaro
