// The resection: the image plane with each control point's measured
// position and its residual, a plan of the control with the projection
// centre's nadir and the photograph's footprint, and the RMS of every
// iteration.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "plot/picture_parts.h"
#include "plot/pictures.h"

namespace tessaro {

namespace {

// The report's pattern of VX and VY.
const char* const kResidualPattern = "#####.###";

std::string HowItStands(const ResectionResult& r, const ResectionObservations& obs) {
  const int n = r.Last.Number;
  if (!r.outcome) return "iteration " + std::to_string(n);
  switch (r.outcome->ending) {
    case Ending::Converged:
      return "converged in " + Iterations(n);
    case Ending::LimitReached:
      return "stopped by the iteration limit after " + Iterations(n) + ", no result";
    case Ending::GotWorse:
      return "stopped after " + Iterations(n) + ", the fit grew worse near the limit, no result";
    case Ending::Diverged:
      return "diverged at iteration " + std::to_string(n) + ", no result";
    case Ending::Singular:
      return "the normal equations could not be solved at iteration " + std::to_string(n);
    case Ending::Refused: {
      const auto i = r.outcome->item;
      const std::string no =
          i >= 1 && i <= obs.Points.size() ? " " + std::to_string(obs.Points(i).No) : "";
      return "point" + no + " lies level with the projection centre, not computed";
    }
    case Ending::Solved:
      break;
  }
  return "iteration " + std::to_string(n);
}

}  // namespace

std::string DrawResection(const ResectionPicture& p) {
  const ResectionObservations& obs = p.observations;
  const ResectionResult& r = p.result;
  const bool converged = r.outcome && r.outcome->ending == Ending::Converged;
  Figure figure("Resection of station " + std::to_string(p.StationNo) + ": " + HowItStands(r, obs));

  Extent image;
  double half = 0;  // of the square about the principal point that holds the points
  for (std::ptrdiff_t i = 1; i <= obs.Points.size(); ++i) {
    image.Add(obs.Points(i).x, obs.Points(i).y);
    half = std::max({half, std::fabs(obs.Points(i).x), std::fabs(obs.Points(i).y)});
  }
  MapPanel plane("image-plane", "Image plane: control points and residuals", kPanelSize, kPanelSize,
                 image, "mm", false, {std::nullopt, p.StationNo});
  const bool labelled = obs.Points.size() <= static_cast<std::ptrdiff_t>(kLabelledMarks);
  for (std::ptrdiff_t i = 1; i <= obs.Points.size(); ++i) {
    const ResectionPoint& q = obs.Points(i);
    plane.Mark(Shape::Triangle, "control", {q.No, p.StationNo}, q.x, q.y);
    if (labelled) plane.Label(q.x, q.y, std::to_string(q.No));
  }
  if (converged) {
    std::vector<ResidualVector> v;
    for (const ResectionResidual& e : r.Residuals)
      v.push_back({{e.No, p.StationNo}, e.x, e.y, e.vx, e.vy});
    v = Printed(std::move(v), kResidualPattern);
    DrawResiduals(plane, v, Magnification(Longest(v), plane.Across()), "0.000");
  } else {
    plane.Note("residuals are computed once the run converges");
  }
  figure.Add(plane);

  // The plan: control on the ground, the nadir below the projection centre
  // and the footprint of the square that holds the image points, at the
  // control's mean height.
  Extent ground;
  double sumZ = 0;
  for (std::ptrdiff_t i = 1; i <= obs.Points.size(); ++i) {
    ground.Add(obs.Points(i).X, obs.Points(i).Y);
    sumZ += obs.Points(i).Z;
  }
  const OneBased<double>& P = r.Station;
  const double meanZ = obs.Points.size() > 0 ? sumZ / static_cast<double>(obs.Points.size()) : 0;
  const auto footprint = Footprint({P(1), P(2), P(3)}, P(4), P(5), P(6), obs.f, half, meanZ);
  ground.Add(P(1), P(2));
  for (const auto& [x, y] : footprint) ground.Add(x, y);
  MapPanel plan("plan", "Plan: control, nadir and footprint", kPanelSize, kPanelSize, ground,
                "ground units", true);
  plan.Polygon("footprint", {std::nullopt, p.StationNo}, footprint, true);
  for (std::ptrdiff_t i = 1; i <= obs.Points.size(); ++i) {
    const ResectionPoint& q = obs.Points(i);
    plan.Mark(Shape::Triangle, "control", {q.No, std::nullopt}, q.X, q.Y);
    if (labelled) plan.Label(q.X, q.Y, std::to_string(q.No));
  }
  plan.Mark(Shape::Cross, "nadir", {std::nullopt, p.StationNo}, P(1), P(2));
  plan.Legend(Shape::Triangle, "control", "control point");
  plan.Legend(Shape::Cross, "nadir", "nadir of the projection centre");
  figure.Add(plan);

  ChartPanel chart("convergence", "RMS of the image misclosures", kPanelSize, kPanelSize, "RMS");
  chart.Series("rms", p.rms);
  figure.Add(chart);
  return figure.Svg();
}

}  // namespace tessaro
