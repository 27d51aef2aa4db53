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

void PrintReport(Console& c, const AbsoluteSolution& s) {
  Module1& m = c.module;
  ReportChannel& out = c.job.Channel5;
  PrintItems(out, {" "});
  PrintItems(out, {"  Control Points"});
  PrintItems(out,
             {"  Point#", Semi, "           X                        Y                        Z"});
  for (std::int32_t i = 1; i <= m.CtrlPointCount; ++i) {
    const Point3& g = m.CtrlXYZ(i);
    PrintItems(out, {Tab(2), Semi, m.CtrlPointNo(i), Semi, Tab(15), Semi,
                     FormatNumber(g[0], "########0.000"), Semi, Tab(35), Semi,
                     FormatNumber(g[1], "########0.000"), Semi, Tab(55), Semi,
                     FormatNumber(g[2], "########0.000")});
  }
  PrintItems(out, {"   "});
  PrintItems(out, {"  Residuals"});
  PrintItems(out, {"  Point#", Semi, "         Vx                 Vy                Vz"});
  for (std::int32_t i = 1; i <= m.CtrlPointCount; ++i) {
    const Point3& v = s.V(i);
    PrintItems(
        out, {Tab(2), Semi, m.CtrlPointNo(i), Semi, Tab(20), Semi, FormatNumber(v[0], "####0.0000"),
              Semi, Tab(35), Semi, FormatNumber(v[1], "####0.0000"), Semi, Tab(50), Semi,
              FormatNumber(v[2], "####0.0000")});
  }
  const OneBased<double>& u = m.AbsUnknowns;
  PrintItems(out, {" "});
  PrintItems(out, {" Transformation Parameters"});
  PrintItems(out, {" ========================="});
  PrintItems(out, {"   Dx = ", Semi, FormatNumber(u(1), "##########.000")});
  PrintItems(out, {"   Dy = ", Semi, FormatNumber(u(2), "##########.000")});
  PrintItems(out, {"   Dz = ", Semi, FormatNumber(u(3), "##########.000")});
  PrintItems(out, {"   Scale = ", Semi, FormatNumber(u(4), "####.000000")});
  PrintItems(out, {"   Omega = ", Semi, FormatNumber(RadToDeg(u(5), m.Pi), "######.000000")});
  PrintItems(out, {"   Phi   = ", Semi, FormatNumber(RadToDeg(u(6), m.Pi), "######.000000")});
  PrintItems(out, {"   Kappa = ", Semi, FormatNumber(RadToDeg(u(7), m.Pi), "######.000000")});
  PrintItems(out, {"   So    = ", Semi, FormatNumber(s.So, "#######.000000")});
  PrintItems(out, {"   RMSE  = ", Semi, FormatNumber(s.RMSE, "#######.000000")});
  PrintItems(out, {"   Itera = ", Semi, FormatNumber(s.Iterations, "###")});
  PrintItems(out, {"   Convg = ", Semi, s.Convergence});
  PrintItems(out, {});
  PrintItems(out, {"Transformed control and New points"});
  PrintItems(out, {});
  PrintItems(out, {"Point No.          X                  Y                    Z"});
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

void ComputeAbsoluteOrientation(Console& c) {
  Module1& m = c.module;
  // The control and point arrays are shared: another operation's input may
  // have replaced them since, with more control points or more image points
  // than were measured here. Positions never read here count as model
  // coordinates 0 with standard errors Sxyz, so the run stays defined.
  const std::int32_t used = std::max(m.ImgPointCount, m.CtrlPointCount);
  if (m.ModelXYZ.size() < used) m.ModelXYZ.resize(used);
  if (m.CtrlSigma.size() < m.CtrlPointCount)
    m.CtrlSigma = OneBased<std::array<double, 2>>(m.CtrlPointCount, {m.AbsSxyz, m.AbsSxyz});

  const AbsoluteSolution s = AdjustSevenParameters(
      m.CtrlXYZ, m.ModelXYZ, m.CtrlSigma, m.CtrlPointCount, m.AbsRedundancy, m.AbsUnknowns);
  if (s.ErrCode != 0) return c.ShowMessage("Error in Matrix inversion");
  PrintReport(c, s);

  // Every measured point, control partners first, then the new points; R is
  // the rotation of the start of the last iteration, u1..u4 are corrected.
  for (std::int32_t j = 1; j <= m.ImgPointCount; ++j) {
    const Point3 g = ConformalPoint(m.AbsUnknowns, s.R, m.ModelXYZ(j));
    m.ModelXYZ(j) = g;
    PrintItems(c.job.Channel5, {FormatNumber(m.ImgPointNo(j), "##########"), Semi, Tab(15), Semi,
                                FormatNumber(g[0], "##########.000"), Semi, Tab(30), Semi,
                                FormatNumber(g[1], "##########.000"), Semi, Tab(48), Semi,
                                FormatNumber(g[2], "########.000")});
  }
}

}  // namespace tessaro
