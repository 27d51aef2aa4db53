// The image transformation: per photo the calibrated fiducial frame with
// the residual vector at each mark and the transformed points, or a digital
// image's frame with its points moved to the centre.
#include <string>
#include <vector>

#include "plot/picture_parts.h"
#include "plot/pictures.h"
#include "shell/print.h"

namespace tessaro {

namespace {

// The report's pattern of Vx and Vy.
const char* const kResidualPattern = "####0.000";

bool Digital(const PhotoTransformation& t) { return t.Mode == -1 || t.Mode == 0; }
bool Fitted(const PhotoTransformation& t) { return !Digital(t) && t.outcome.Succeeded(); }

std::string Title(const PhotoTransformation& t, bool asking) {
  const std::string photo = "Photo " + std::to_string(t.PhotoNo) + ": ";
  if (Digital(t)) return photo + (t.Mode == -1 ? "digital image, y down" : "digital image, y up");
  if (t.outcome.ending == Ending::Singular)
    return photo + "zero determinant, the solution is rejected";
  if (t.outcome.ending == Ending::Refused)
    return photo + "transformation mode " + std::to_string(t.Mode) + " is not defined";
  const char* const models[] = {"similarity", "affine", "bilinear"};
  const std::string fit = photo + models[t.Mode - 1] + " fit";
  if (asking) return fit + ", is it acceptable?";
  return t.Accepted ? fit : fit + ", not accepted";
}

// What a panel of the photo shows, in its own units.
Extent ExtentOf(const PhotoTransformation& t, const Calibration& cal) {
  Extent e;
  if (Digital(t)) {
    e.Add(-cal.Columns / 2, -cal.Rows / 2);
    e.Add(cal.Columns / 2, cal.Rows / 2);
  }
  // A fit that failed shows the marks as read, in the comparator's system.
  const std::vector<ImageRecord>& marks = Fitted(t) ? t.Calibrated : t.Measured;
  for (const ImageRecord& f : marks) e.Add(f.x, f.y);
  for (const ImageRecord& p : t.Points) e.Add(p.x, p.y);
  return e;
}

std::vector<ResidualVector> Residuals(const PhotoTransformation& t) {
  std::vector<ResidualVector> v;
  for (int i = 1; i <= t.Fit.Vx.size(); ++i) {
    const ImageRecord& f = t.Calibrated[i - 1];
    v.push_back({{f.No, t.PhotoNo}, f.x, f.y, t.Fit.Vx(i), t.Fit.Vy(i)});
  }
  return Printed(std::move(v), kResidualPattern);
}

}  // namespace

std::string DrawImageTransformation(const ImageTransPicture& p) {
  const auto& photos = p.photos;
  const bool digital = !photos.empty() && Digital(*photos.front());
  std::string title = "Image transformation: ";
  title += digital ? "points moved to the image centre" : "fiducial residuals and image points";
  const auto shown = static_cast<std::int64_t>(photos.size());
  if (p.photoCount > shown)
    title +=
        ", the last " + std::to_string(shown) + " of " + std::to_string(p.photoCount) + " photos";
  Figure figure(title);

  // The photos that transformed share one scale and one magnification, so
  // that their residuals can be compared from panel to panel.
  Extent common;
  double longest = 0;
  for (const auto& photo : photos) {
    const PhotoTransformation& t = *photo;
    if (!Digital(t) && !Fitted(t)) continue;
    common.Add(ExtentOf(t, p.calibration));
    if (Fitted(t)) longest = std::max(longest, Longest(Residuals(t)));
  }
  const MarkIds none;
  const MapPanel probe("", "", kPanelSize, kPanelSize, common, "", false);
  const NiceStep factor = Magnification(longest, probe.Across());
  for (std::size_t k = 0; k < photos.size(); ++k) {
    const PhotoTransformation& t = *photos[k];
    const bool asking = p.asking && k + 1 == photos.size();
    const bool failed = !Digital(t) && !Fitted(t);
    MapPanel panel("image", Title(t, asking), kPanelSize, kPanelSize,
                   failed ? ExtentOf(t, p.calibration) : common, digital ? "px" : "mm", false,
                   {std::nullopt, t.PhotoNo});
    if (Digital(t)) {
      const double c = p.calibration.Columns / 2, r = p.calibration.Rows / 2;
      panel.Polygon("frame", none, {{-c, -r}, {c, -r}, {c, r}, {-c, r}}, true);
    } else if (failed) {
      for (const ImageRecord& f : t.Measured) {
        panel.Mark(Shape::Ring, "fiducial", {f.No, t.PhotoNo}, f.x, f.y);
        panel.Label(f.x, f.y, std::to_string(f.No));
      }
      panel.Note(t.Measured.empty() ? "the records as read" : "the fiducial marks as read");
    } else {
      for (const ImageRecord& f : t.Calibrated) {
        panel.Mark(Shape::Ring, "fiducial", {f.No, t.PhotoNo}, f.x, f.y);
        panel.Label(f.x, f.y, std::to_string(f.No));
      }
      DrawResiduals(panel, Residuals(t), factor, "0.000");
    }
    for (const ImageRecord& q : t.Points)
      panel.Mark(Shape::Dot, "point", {q.No, t.PhotoNo}, q.x, q.y);
    figure.Add(panel);
  }
  return figure.Svg();
}

}  // namespace tessaro
