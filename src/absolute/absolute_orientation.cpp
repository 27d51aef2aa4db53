#include "absolute/absolute_orientation.h"

#include <algorithm>
#include <string>

#include "absolute/conformal_transform.h"
#include "shell/console.h"

namespace tessaro {

namespace {

// Reads point records (number, X, Y, Z) into positions 1, 2, ... up to and
// including the record whose four values are all zero, which stays at the
// position after the last point. Returns the number of records before it.
template <class Reserve>
std::int32_t ReadPointList(InputChannel& in, OneBased<std::int32_t>& no, OneBased<Point3>& xyz,
                           Reserve reserve, const char* what) {
  const std::string w(what);
  return ReadRecordsUntilEnd([&](std::int32_t k) {
    reserve(k);
    Point3& p = xyz(k);
    ReadFields(in, In(no(k), "point number of a " + w), In(p[0], "X of a " + w),
               In(p[1], "Y of a " + w), In(p[2], "Z of a " + w));
    return no(k) == 0 && p[0] == 0 && p[1] == 0 && p[2] == 0;
  });
}

// The report's tables: a column = the Tab before it and the pattern of its
// numbers.
const TableLayout kControl = {
    {2}, {15, "########0.000"}, {35, "########0.000"}, {55, "########0.000"}};
const TableLayout kResidual = {{2}, {20, "####0.0000"}, {35, "####0.0000"}, {50, "####0.0000"}};
const TableLayout kTransformed = {
    {0, "##########"}, {15, "##########.000"}, {30, "##########.000"}, {48, "########.000"}};

// One line "label value" of the parameter list.
void PrintParameter(PrintDestination& out, const char* label, const char* pattern, double value) {
  const TableColumn line[] = {{0}, {0, pattern}};
  PrintRow(out, line, {label, value});
}

void PrintParameters(PrintDestination& out, const AbsoluteSolution& s, double pi) {
  const OneBased<double>& u = s.Unknowns;
  PrintItems(out, {" "});
  PrintItems(out, {" Transformation Parameters"});
  PrintItems(out, {" ========================="});
  PrintParameter(out, "   Dx = ", "##########.000", u(1));
  PrintParameter(out, "   Dy = ", "##########.000", u(2));
  PrintParameter(out, "   Dz = ", "##########.000", u(3));
  PrintParameter(out, "   Scale = ", "####.000000", u(4));
  PrintParameter(out, "   Omega = ", "######.000000", RadToDeg(u(5), pi));
  PrintParameter(out, "   Phi   = ", "######.000000", RadToDeg(u(6), pi));
  PrintParameter(out, "   Kappa = ", "######.000000", RadToDeg(u(7), pi));
  PrintParameter(out, "   So    = ", "#######.000000", s.So);
  PrintParameter(out, "   RMSE  = ", "#######.000000", s.RMSE);
  PrintParameter(out, "   Itera = ", "###", s.Iterations);
  // Only a So that grew after the settling iterations is "not converged".
  PrintItems(out, {"   Convg = ", Semi, s.outcome.ending == Ending::GotWorse ? "NO " : "YES"});
}

// The report section: control points, residuals, parameters, then every
// measured point transformed, control partners first.
void PrintReport(Console& c, const AbsoluteSolution& s) {
  Module1& m = c.module;
  ReportChannel& out = c.job.Channel5;
  PrintItems(out, {" "});
  PrintItems(out, {"  Control Points"});
  PrintItems(out,
             {"  Point#", Semi, "           X                        Y                        Z"});
  for (std::int32_t i = 1; i <= m.CtrlPointCount; ++i) {
    const Point3& g = m.CtrlXYZ(i);
    PrintRow(out, kControl, {m.CtrlPointNo(i), g[0], g[1], g[2]});
  }
  PrintItems(out, {"   "});
  PrintItems(out, {"  Residuals"});
  PrintItems(out, {"  Point#", Semi, "         Vx                 Vy                Vz"});
  for (std::int32_t i = 1; i <= m.CtrlPointCount; ++i) {
    const Point3& v = s.V(i).v;
    PrintRow(out, kResidual, {m.CtrlPointNo(i), v[0], v[1], v[2]});
  }
  PrintParameters(out, s, m.Pi);
  PrintItems(out, {});
  PrintItems(out, {"Transformed control and New points"});
  PrintItems(out, {});
  PrintItems(out, {"Point No.          X                  Y                    Z"});
  for (std::int32_t j = 1; j <= m.ImgPointCount; ++j) {
    const Point3& g = s.Transformed(j);
    PrintRow(out, kTransformed, {m.ImgPointNo(j), g[0], g[1], g[2]});
  }
}

}  // namespace

void ReadAbsoluteOrientationData(Console& c) {
  Module1& m = c.module;
  InputChannel& in = c.job.Channel1;
  ReportChannel& out = c.job.Channel5;

  const std::string title = in.ReadTitle();
  double Sxyz = 0;
  ReadFields(in, In(Sxyz, "standard error Sxyz of the control points"));
  PrintItems(out, {" "});
  PrintItems(out, {"       ", Semi, title});
  PrintItems(out, {"          ===================="});

  m.CtrlPointCount = ReadPointList(
      in, m.CtrlPointNo, m.CtrlXYZ, [&m](std::int32_t k) { m.ReserveControlPoints(k); },
      "control point");
  const ControlCounts counts = CountControl(m.CtrlXYZ, m.CtrlPointCount);
  if (counts.horizontal < 2)
    return c.ShowMessage("Horizontal control less than two points, Job aborted");
  if (counts.vertical < 3)
    return c.ShowMessage("Vertical control less than three points, Job aborted");

  // The centroid of the control is the starting translation.
  m.AbsUnknowns(1) = counts.sumX / counts.horizontal;
  m.AbsUnknowns(2) = counts.sumY / counts.horizontal;
  m.AbsUnknowns(3) = counts.sumZ / counts.vertical;
  m.AbsRedundancy = 2 * counts.horizontal + counts.vertical - 7;

  m.ImgPointCount = ReadPointList(
      in, m.ImgPointNo, m.ModelXYZ, [&m](std::int32_t k) { m.ReserveModelPoints(k); },
      "measured point");
  c.job.OpenFlag(kAbsoluteChosen) = kTrue;

  const std::vector<std::int32_t> unmatched =
      PairByNumber(m.CtrlPointNo, m.CtrlPointCount, m.ImgPointNo, m.ModelXYZ, m.ImgPointCount);
  for (std::int32_t i : unmatched)
    c.ShowMessage("POINT " + FormatNumber(m.CtrlPointNo(i), "#######") + " DOES NOT MATCH");
  RemoveControl(m.CtrlPointNo, m.CtrlXYZ, m.CtrlPointCount, unmatched);

  m.AbsSxyz = Sxyz;
  m.CtrlSigma = OneBased<std::array<double, 2>>(m.CtrlPointCount, {Sxyz, Sxyz});
  c.job.ReadyFlag(kAbsoluteEntered) = kTrue;
}

void ComputeAbsoluteOrientation(Console& c, const AbsoluteObserver& observe) {
  Module1& m = c.module;
  // The control and point arrays are shared: another operation's input may
  // have replaced them since, with more control points or more image points
  // than were measured here. Positions never read here count as model
  // coordinates 0 with standard errors Sxyz, so the run stays defined.
  const std::int32_t used = std::max(m.ImgPointCount, m.CtrlPointCount);
  if (m.ModelXYZ.size() < used) m.ModelXYZ.resize(used);
  if (m.CtrlSigma.size() < m.CtrlPointCount)
    m.CtrlSigma = OneBased<std::array<double, 2>>(m.CtrlPointCount, {m.AbsSxyz, m.AbsSxyz});

  const AbsoluteSolution s =
      AdjustSevenParameters(m.CtrlXYZ, m.ModelXYZ, m.CtrlSigma, m.CtrlPointCount, m.ImgPointCount,
                            m.AbsRedundancy, m.AbsUnknowns);
  // The unknowns keep what the iterations solved, also when the solver failed.
  m.AbsUnknowns = s.Unknowns;
  if (observe) observe(c, s);
  if (s.outcome.ending == Ending::Singular) return c.ShowMessage("Error in Matrix inversion");
  PrintReport(c, s);
  // The measured points are replaced by their ground coordinates.
  for (std::int32_t j = 1; j <= m.ImgPointCount; ++j) m.ModelXYZ(j) = s.Transformed(j);
}

}  // namespace tessaro
