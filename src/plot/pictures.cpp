// The observers that give the console its pictures, and the parts the
// pictures share.
#include "plot/pictures.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "plot/picture_parts.h"
#include "shell/console.h"

namespace tessaro {

bool PrintsAsZero(double v, const char* pattern) {
  return FormatNumber(v, pattern).find_first_not_of("0.") == std::string::npos;
}

std::vector<ResidualVector> Printed(std::vector<ResidualVector> residuals, const char* pattern) {
  std::erase_if(residuals, [pattern](const ResidualVector& r) {
    return PrintsAsZero(r.vx, pattern) && PrintsAsZero(r.vy, pattern);
  });
  return residuals;
}

double Longest(const std::vector<ResidualVector>& residuals) {
  double longest = 0;
  for (const ResidualVector& r : residuals) longest = std::max(longest, std::hypot(r.vx, r.vy));
  return std::isfinite(longest) ? longest : 0;
}

void DrawResiduals(MapPanel& panel, const std::vector<ResidualVector>& residuals,
                   const NiceStep& factor, const std::string& zero) {
  if (residuals.empty()) return panel.Note("all residuals are " + zero);
  for (const ResidualVector& r : residuals)
    panel.Vector(r.flagged ? "residual flagged" : "residual", r.ids, r.x, r.y, r.vx * factor.value,
                 r.vy * factor.value);
  panel.Magnification("residuals", factor);
}

std::vector<std::array<double, 2>> Footprint(const Point3& centre, double omega, double phi,
                                             double kappa, double f, double half, double groundZ) {
  Matrix3 M;
  RotationMatrix(M, omega, phi, kappa);
  std::vector<std::array<double, 2>> corners;
  for (const auto& [x, y] :
       {std::array{-half, -half}, {half, -half}, {half, half}, {-half, half}}) {
    // M takes ground differences into the photo system; its transpose
    // takes the image ray back.
    const double d[3] = {M(1, 1) * x + M(2, 1) * y - M(3, 1) * f,
                         M(1, 2) * x + M(2, 2) * y - M(3, 2) * f,
                         M(1, 3) * x + M(2, 3) * y - M(3, 3) * f};
    const double t = (groundZ - centre[2]) / d[2];
    if (!(t > 0) || !std::isfinite(t)) return {};
    corners.push_back({centre[0] + t * d[0], centre[1] + t * d[1]});
  }
  return corners;
}

std::string Iterations(std::int64_t n) {
  return std::to_string(n) + (n == 1 ? " iteration" : " iterations");
}

// ---- Observers ----------------------------------------------------------------

void ImageTransPictures::Show(Console& c, const Calibration& calibration,
                              const PhotoTransformation& photo, bool asking) {
  ImageTransPicture& p = picture_;
  // A photo shown while asked about is shown again once answered.
  auto shown = std::make_shared<const PhotoTransformation>(photo);
  if (p.asking) {
    p.photos.back() = std::move(shown);
  } else {
    p.calibration = calibration;
    p.photos.push_back(std::move(shown));
    ++p.photoCount;
    if (p.photos.size() > kPhotosShown) p.photos.erase(p.photos.begin());
  }
  p.asking = asking;
  c.SetPicture([copy = std::make_shared<const ImageTransPicture>(p)] {
    return DrawImageTransformation(*copy);
  });
}

void ResectionPictures::Show(Console& c, const ResectionObservations& observations,
                             const ResectionResult& result) {
  const ResectionIteration& it = result.Last;
  // An iteration that could not be solved has no RMS of its own.
  const bool solved = !result.outcome || (result.outcome->ending != Ending::Singular &&
                                          result.outcome->ending != Ending::Refused);
  if (solved) {
    if (rms_.size() >= 2 * kChartIterations) {
      std::vector<std::pair<std::int64_t, double>> kept;
      for (std::size_t k = 0; k < rms_.size(); k += 2) kept.push_back(rms_[k]);
      rms_ = std::move(kept);
    }
    rms_.push_back({it.Number, it.Rms});
  }
  auto picture = std::make_shared<ResectionPicture>();
  picture->StationNo = c.module.StationNo;
  picture->observations = observations;
  picture->result = result;
  picture->rms = rms_;
  c.SetPicture([copy = std::shared_ptr<const ResectionPicture>(std::move(picture))] {
    return DrawResection(*copy);
  });
}

void StripPictures::Show(Console& c, const Strip& strip, const StripResult& result) {
  // The strip stays as read through an adjustment; it is copied once for
  // all the pictures of its iterations.
  if (!strip_ || result.IterationCount() == 1) strip_ = std::make_shared<const Strip>(strip);
  auto picture = std::make_shared<StripPicture>();
  picture->strip = strip_;
  picture->result = result;
  c.SetPicture([copy = std::shared_ptr<const StripPicture>(std::move(picture))] {
    return DrawRelativeOrientation(*copy);
  });
}

void ShowIntersection(Console& c, const IntersectionResult& result) {
  c.SetPicture([copy = std::make_shared<const IntersectionResult>(result)] {
    return DrawIntersection(*copy);
  });
}

void ShowAbsoluteOrientation(Console& c, const AbsoluteSolution& solution) {
  const Module1& m = c.module;
  auto picture = std::make_shared<AbsolutePicture>();
  picture->solution = solution;
  for (std::int32_t i = 1; i <= m.CtrlPointCount; ++i) {
    picture->controlNo.push_back(m.CtrlPointNo(i));
    picture->control.push_back(m.CtrlXYZ(i));
  }
  for (std::int32_t j = 1; j <= m.ImgPointCount; ++j) picture->pointNo.push_back(m.ImgPointNo(j));
  c.SetPicture([copy = std::shared_ptr<const AbsolutePicture>(std::move(picture))] {
    return DrawAbsoluteOrientation(*copy);
  });
}

}  // namespace tessaro
