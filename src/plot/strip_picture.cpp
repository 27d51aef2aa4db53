// The relative orientation: the strip in plan (projection centres joined in
// flight order, the footprint of each photograph, the ground points), the
// RMS of every iteration, and the image residuals of each photograph in a
// grid of small panels, flagged points in the flag colour.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "plot/picture_parts.h"
#include "plot/pictures.h"

namespace tessaro {

namespace {

// The report's patterns of VX and VY.
const char* const kVxPattern = "####0.0000";
const char* const kVyPattern = "##0.0000";

std::string HowItStands(const StripResult& r) {
  const std::int32_t n = r.IterationCount();
  std::string s;
  switch (r.outcome.ending) {
    case Ending::Converged:
      s = "converged in " + Iterations(n);
      break;
    case Ending::LimitReached:
      s = "stopped by the iteration limit after " + Iterations(n);
      break;
    case Ending::Diverged:
      s = "diverged at iteration " + std::to_string(n) + ", no result";
      break;
    case Ending::Singular:
      s = "singular normal matrix at iteration " + std::to_string(n) + ", no result";
      break;
    default:
      s = "iteration " + std::to_string(n);
  }
  return r.Direction < 0 ? s + ", laid out along -X" : s;
}

}  // namespace

std::string DrawRelativeOrientation(const StripPicture& picture) {
  const Strip& s = *picture.strip;
  const StripResult& r = picture.result;
  Figure figure("Relative orientation of " + std::to_string(s.PhotoCount) +
                " photographs: " + HowItStands(r));
  const bool ended = r.outcome.ending != Ending::Solved;
  const bool flagsKnown = r.Flagged.size() == s.PhotoCount;

  // The plan. Until the adjustment ends only the stations are known; the
  // footprints then lie on the plane one focal length below them, as the
  // approximations put the ground.
  const bool haveStations = !r.Iterations.empty() && r.Stations().size() == s.PhotoCount;
  double groundZ = 0;
  if (r.GroundPoints.size() > 0) {
    for (std::ptrdiff_t i = 1; i <= r.GroundPoints.size(); ++i) groundZ += r.GroundPoints(i)[2];
    groundZ /= static_cast<double>(r.GroundPoints.size());
  } else if (haveStations) {
    for (std::int32_t p = 1; p <= s.PhotoCount; ++p)
      groundZ += r.Stations()(p)[2] - s.FocalLength(p);
    groundZ /= s.PhotoCount;
  }
  std::vector<std::vector<std::array<double, 2>>> footprints;
  std::vector<std::array<double, 2>> flight;
  Extent extent;
  for (std::int32_t p = 1; haveStations && p <= s.PhotoCount; ++p) {
    const StationParameters& v = r.Stations()(p);
    flight.push_back({v[0], v[1]});
    footprints.push_back(Footprint({v[0], v[1], v[2]}, v[3], v[4], v[5], s.FocalLength(p),
                                   s.FrameSize / 2, groundZ));
    extent.Add(v[0], v[1]);
    for (const auto& [x, y] : footprints.back()) extent.Add(x, y);
  }
  for (std::ptrdiff_t i = 1; i <= r.GroundPoints.size(); ++i)
    extent.Add(r.GroundPoints(i)[0], r.GroundPoints(i)[1]);

  // A long strip gets a wide panel, up to three times as wide as high.
  const double aspect =
      extent.Empty()
          ? 1
          : std::clamp((extent.xmax - extent.xmin) / (extent.ymax - extent.ymin), 1.0, 3.0);
  MapPanel plan("plan", "The strip in plan", kPanelSize * (std::isfinite(aspect) ? aspect : 3),
                kPanelSize, extent, "model units", true);
  for (std::size_t k = 0; k < footprints.size(); ++k)
    plan.Polygon("footprint", {std::nullopt, s.PhotoNumber(k + 1)}, footprints[k], true);
  plan.Polygon("flight", {}, flight, false);
  const bool labelled = r.GroundPoints.size() <= static_cast<std::ptrdiff_t>(kLabelledMarks);
  for (std::ptrdiff_t i = 1; i <= r.GroundPoints.size(); ++i) {
    const Point3& g = r.GroundPoints(i);
    plan.Mark(Shape::Dot, "ground", {s.GroundPointNumber(i), std::nullopt}, g[0], g[1]);
    if (labelled) plan.Label(g[0], g[1], std::to_string(s.GroundPointNumber(i)));
  }
  for (std::size_t k = 0; k < flight.size(); ++k)
    plan.Mark(Shape::Square, "station", {std::nullopt, s.PhotoNumber(k + 1)}, flight[k][0],
              flight[k][1]);
  if (!ended) plan.Note("ground points are drawn once the adjustment ends");
  std::string flagged;
  for (std::int32_t p = 1; flagsKnown && p <= s.PhotoCount; ++p)
    if (r.Flagged(p) != 0)
      flagged += (flagged.empty() ? "" : ", ") +
                 std::to_string(s.ImagePointNumber(p, r.Flagged(p))) + " on " +
                 std::to_string(s.PhotoNumber(p));
  if (!flagged.empty()) plan.Note("flagged *Error*: " + flagged);
  const std::int32_t shown = std::min<std::int32_t>(s.PhotoCount, kPhotosShown);
  if (shown < s.PhotoCount)
    plan.Note("image residuals of the first " + std::to_string(shown) + " of " +
              std::to_string(s.PhotoCount) + " photographs");
  plan.Legend(Shape::Square, "station", "projection centres in flight order");
  if (r.GroundPoints.size() > 0) plan.Legend(Shape::Dot, "ground", "ground point");
  figure.Add(plan);

  ChartPanel chart("convergence", "RMS of the image residuals", kPanelSize, kPanelSize, "RMS");
  std::vector<std::pair<std::int64_t, double>> rms;
  for (const StripIteration& it : r.Iterations) rms.push_back({it.Iteration, it.Rms});
  chart.Series("rms", rms);
  figure.Add(chart);
  figure.NewRow();

  // The residual grid: every photograph's frame at one scale, and one
  // magnification for all.
  const double half = s.FrameSize / 2;
  Extent frame;
  frame.Add(-half, -half);
  frame.Add(half, half);
  std::vector<std::vector<ResidualVector>> residuals(shown);
  double longest = 0;
  for (std::int32_t p = 1; p <= shown; ++p) {
    std::vector<ResidualVector>& v = residuals[p - 1];
    for (std::int32_t k = 1; k <= s.PointCount(p); ++k) {
      frame.Add(s.ImageX(p, k), s.ImageY(p, k));
      const double vx = r.Residual(2 * p - 1, k), vy = r.Residual(2 * p, k);
      if (PrintsAsZero(vx, kVxPattern) && PrintsAsZero(vy, kVyPattern)) continue;
      v.push_back({{s.ImagePointNumber(p, k), s.PhotoNumber(p)},
                   s.ImageX(p, k),
                   s.ImageY(p, k),
                   vx,
                   vy,
                   flagsKnown && k == r.Flagged(p)});
    }
    longest = std::max(longest, Longest(v));
  }
  const MapPanel probe("", "", kSmallPanelSize, kSmallPanelSize, frame, "", false);
  const NiceStep factor = Magnification(longest, probe.Across());
  for (std::int32_t p = 1; p <= shown; ++p) {
    const std::int32_t photo = s.PhotoNumber(p);
    MapPanel panel("image", "Photograph " + std::to_string(photo), kSmallPanelSize, kSmallPanelSize,
                   frame, "image units", false, {std::nullopt, photo});
    panel.Polygon("frame", {}, {{-half, -half}, {half, -half}, {half, half}, {-half, half}}, true);
    for (std::int32_t k = 1; k <= s.PointCount(p); ++k) {
      const bool flag = flagsKnown && k == r.Flagged(p);
      panel.Mark(Shape::Dot, flag ? "point flagged" : "point", {s.ImagePointNumber(p, k), photo},
                 s.ImageX(p, k), s.ImageY(p, k));
      if (flag) panel.Note("flagged *Error*: point " + std::to_string(s.ImagePointNumber(p, k)));
      if (s.PointCount(p) <= static_cast<std::int32_t>(kLabelledMarks))
        panel.Label(s.ImageX(p, k), s.ImageY(p, k), std::to_string(s.ImagePointNumber(p, k)));
    }
    DrawResiduals(panel, residuals[p - 1], factor, "0.0000");
    figure.Add(panel);
  }
  return figure.Svg();
}

}  // namespace tessaro
