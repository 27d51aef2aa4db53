#include "app/operations.h"

#include "absolute/absolute_orientation.h"
#include "imagetrans/image_transformation.h"
#include "intersection/intersection.h"
#include "plot/pictures.h"
#include "relative/relative_orientation.h"
#include "resection/resection.h"

namespace tessaro {

namespace {

// The observer of one command's image transformations: its photos make one
// picture.
ImageTransObserver Observe(ImageTransPictures& pictures) {
  return [&pictures](Console& c, const Calibration& calibration, const PhotoTransformation& photo,
                     bool asking) { pictures.Show(c, calibration, photo, asking); };
}

}  // namespace

// Every operation that computes hands its result values to the pictures of
// plot/pictures.h, which give the console its current picture.
Operations MakeOperations() {
  Operations ops;
  ops.ReadImageTransHeader = ReadImageTransHeader;
  ops.TransformImages = [](Console& c, std::int16_t& refusal) {
    ImageTransPictures pictures;
    TransformImages(c, refusal, Observe(pictures));
  };
  ops.ReadResectionInput = ReadResectionInput;
  ops.Resection = [](Console& c, int mode) {
    ResectionPictures pictures;
    Resection(c, mode,
              [&pictures](Console& c, const ResectionObservations& obs, const ResectionResult& r) {
                pictures.Show(c, obs, r);
              });
  };
  ops.ReadIntersectionData = [](Console& c) {
    ImageTransPictures pictures;
    ReadIntersectionData(c, Observe(pictures));
  };
  ops.ComputeIntersection = [](Console& c) { ComputeIntersection(c, ShowIntersection); };
  ops.RelativeOrientation = [](Console& c) {
    StripPictures pictures;
    RelativeOrientation(c, [&pictures](Console& c, const Strip& s, const StripResult& r) {
      pictures.Show(c, s, r);
    });
  };
  ops.ReadAbsoluteOrientationData = ReadAbsoluteOrientationData;
  ops.ComputeAbsoluteOrientation = [](Console& c) {
    ComputeAbsoluteOrientation(c, ShowAbsoluteOrientation);
  };
  return ops;
}

}  // namespace tessaro
