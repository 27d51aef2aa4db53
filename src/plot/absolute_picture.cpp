// The absolute orientation: a plan of the control points, each drawn as
// the control it is (horizontal, vertical or both), with its horizontal
// residual as a vector and its vertical residual as a bar beside it, and
// the transformed new points.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "plot/picture_parts.h"
#include "plot/pictures.h"

namespace tessaro {

namespace {

// The report's pattern of Vx, Vy and Vz.
const char* const kPattern = "####0.0000";

std::string HowItEnded(const AbsoluteSolution& s) {
  switch (s.outcome.ending) {
    case Ending::Converged:
      return "converged in " + Iterations(s.Iterations);
    case Ending::LimitReached:
      return "stopped by the iteration limit after " + Iterations(s.Iterations);
    case Ending::GotWorse:
      return "not converged, So grew after " + Iterations(s.Iterations);
    case Ending::Singular:
      return "error in matrix inversion at iteration " + std::to_string(s.Iterations) +
             ", no result";
    default:
      return Iterations(s.Iterations);
  }
}

}  // namespace

std::string DrawAbsoluteOrientation(const AbsolutePicture& p) {
  const AbsoluteSolution& s = p.solution;
  const bool solved = s.outcome.ending != Ending::Singular;
  const auto n = static_cast<std::int32_t>(p.control.size());
  Figure figure("Absolute orientation: " + HowItEnded(s));

  // A ground coordinate of 0 is not observed: a vertical-only control point
  // stands where its partner is transformed to.
  const auto transformed = [&](std::int32_t j) -> const Point3* {
    return solved && j <= s.Transformed.size() ? &s.Transformed(j) : nullptr;
  };
  constexpr double kNowhere = std::numeric_limits<double>::quiet_NaN();
  std::vector<std::array<double, 2>> at(n, {kNowhere, kNowhere});
  Extent extent;
  for (std::int32_t i = 1; i <= n; ++i) {
    const Point3& g = p.control[i - 1];
    if (g[0] != 0 || g[1] != 0)
      at[i - 1] = {g[0], g[1]};
    else if (const Point3* t = transformed(i))
      at[i - 1] = {(*t)[0], (*t)[1]};
    extent.Add(at[i - 1][0], at[i - 1][1]);
  }
  for (std::int32_t j = n + 1; j <= static_cast<std::int32_t>(p.pointNo.size()); ++j)
    if (const Point3* t = transformed(j)) extent.Add((*t)[0], (*t)[1]);

  MapPanel plan("plan", "Plan: control, residuals and transformed points", kPanelSize * 1.25,
                kPanelSize * 1.25, extent, "ground units", true);
  std::vector<ResidualVector> horizontal;
  std::vector<std::pair<std::int32_t, double>> vertical;  // control index, Vz
  double longest = 0;
  for (std::int32_t i = 1; solved && i <= n && i <= s.V.size(); ++i) {
    const Point3& v = s.V(i).v;
    if (!PrintsAsZero(v[0], kPattern) || !PrintsAsZero(v[1], kPattern))
      horizontal.push_back(
          {{p.controlNo[i - 1], std::nullopt}, at[i - 1][0], at[i - 1][1], v[0], v[1]});
    if (!PrintsAsZero(v[2], kPattern)) vertical.push_back({i, v[2]});
  }
  longest = Longest(horizontal);
  for (const auto& [i, vz] : vertical) longest = std::max(longest, std::fabs(vz));
  const NiceStep factor = Magnification(longest, plan.Across());

  for (std::int32_t j = n + 1; j <= static_cast<std::int32_t>(p.pointNo.size()); ++j)
    if (const Point3* t = transformed(j)) {
      plan.Mark(Shape::Dot, "transformed", {p.pointNo[j - 1], std::nullopt}, (*t)[0], (*t)[1]);
      if (p.pointNo.size() <= kLabelledMarks)
        plan.Label((*t)[0], (*t)[1], std::to_string(p.pointNo[j - 1]));
    }
  for (std::int32_t i = 1; i <= n; ++i) {
    const Point3& g = p.control[i - 1];
    const bool h = g[0] != 0 || g[1] != 0, v = g[2] != 0;
    const Shape shape = h && v ? Shape::Triangle : h ? Shape::Ring : Shape::Square;
    const char* cls = h && v ? "control full" : h ? "control horizontal" : "control vertical";
    plan.Mark(shape, cls, {p.controlNo[i - 1], std::nullopt}, at[i - 1][0], at[i - 1][1]);
    if (n <= static_cast<std::int32_t>(kLabelledMarks))
      plan.Label(at[i - 1][0], at[i - 1][1], std::to_string(p.controlNo[i - 1]));
  }
  for (const ResidualVector& r : horizontal)
    plan.Vector("residual horizontal", r.ids, r.x, r.y, r.vx * factor.value, r.vy * factor.value);
  for (const auto& [i, vz] : vertical)
    plan.Bar("residual vertical", {p.controlNo[i - 1], std::nullopt}, at[i - 1][0], at[i - 1][1],
             vz * factor.value);
  if (!solved)
    plan.Note("no solution: the control points as given");
  else if (horizontal.empty() && vertical.empty())
    plan.Note("all residuals are 0.0000");
  else
    plan.Magnification("residuals", factor);
  plan.Legend(Shape::Triangle, "control full", "full control");
  plan.Legend(Shape::Ring, "control horizontal", "horizontal control");
  plan.Legend(Shape::Square, "control vertical", "vertical control");
  plan.Legend(Shape::Dot, "transformed", "transformed point");
  figure.Add(plan);
  return figure.Svg();
}

}  // namespace tessaro
