// The pictures of the five operations, drawn from their result values, and
// the observers that hand them to the console.
//
// Each operation tells an observer of its result value as it goes (after a
// photo, after every iteration, once a run has ended); the observers here
// copy what a picture needs and give the console a drawing of it, made only
// when a front-end asks (Console::SetPicture). Every front-end shows the
// same picture: the Qt window, tessaro-script's "plot FILE.svg", the page.
//
// What every picture shows (figure.h draws the marks):
// - residual vectors magnified by one factor per picture, chosen so that
//   the longest is about a tenth of its panel and written beside the scale
//   bar ("residuals × 2000"); a residual whose report digits are all zero
//   draws no vector, and a panel left without any says so;
// - a run that ended without its result section is drawn as its last
//   iteration left it, titled with how it ended; a refused or unsolvable fit
//   draws what was read, titled with the reason.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "absolute/conformal_transform.h"
#include "imagetrans/plane_transform.h"
#include "intersection/space_intersection.h"
#include "relative/strip_adjustment.h"
#include "resection/adjustment.h"

namespace tessaro {

class Console;

// ---- What each picture is drawn from ----------------------------------------

// A picture shows at most this many panels of photographs: of an image
// transformation the latest, of an intersection and a strip the first.
inline constexpr std::size_t kPhotosShown = 16;

// The photos of an image transformation run, one panel each. A photo is
// shared by the pictures that show it.
struct ImageTransPicture {
  Calibration calibration;
  std::vector<std::shared_ptr<const PhotoTransformation>> photos;
  std::int64_t photoCount = 0;  // photos of the run so far
  bool asking = false;          // the last photo's fit awaits the user's answer
};
std::string DrawImageTransformation(const ImageTransPicture& p);

// A resection run: its observations, the latest result and the RMS of its
// iterations (a bounded sample of them, see ShowResection).
struct ResectionPicture {
  std::int32_t StationNo = 0;
  ResectionObservations observations;
  ResectionResult result;
  std::vector<std::pair<std::int64_t, double>> rms;
};
std::string DrawResection(const ResectionPicture& p);

std::string DrawIntersection(const IntersectionResult& r);

// A strip and its adjustment so far; the strip is shared by the pictures
// of one adjustment's iterations.
struct StripPicture {
  std::shared_ptr<const Strip> strip;
  StripResult result;
};
std::string DrawRelativeOrientation(const StripPicture& p);

// The absolute orientation and the module's data it was computed from: the
// control points (numbers and ground coordinates) and the measured points'
// numbers, control partners first.
struct AbsolutePicture {
  AbsoluteSolution solution;
  std::vector<std::int32_t> controlNo;
  std::vector<Point3> control;
  std::vector<std::int32_t> pointNo;
};
std::string DrawAbsoluteOrientation(const AbsolutePicture& p);

// ---- Observers ----------------------------------------------------------------

// Keep what a run has shown so far; one of each per command, made by the
// operations table.
class ImageTransPictures {
 public:
  void Show(Console& c, const Calibration& calibration, const PhotoTransformation& photo,
            bool asking);

 private:
  ImageTransPicture picture_;
};

class ResectionPictures {
 public:
  void Show(Console& c, const ResectionObservations& observations, const ResectionResult& result);

  // Past this many iterations every other one is dropped from the chart, so
  // that a run of a billion iterations keeps a bounded sample of its RMS.
  static constexpr std::size_t kChartIterations = 1000;

 private:
  std::vector<std::pair<std::int64_t, double>> rms_;
};

class StripPictures {
 public:
  void Show(Console& c, const Strip& strip, const StripResult& result);

 private:
  std::shared_ptr<const Strip> strip_;
};

void ShowIntersection(Console& c, const IntersectionResult& result);
void ShowAbsoluteOrientation(Console& c, const AbsoluteSolution& solution);

}  // namespace tessaro
