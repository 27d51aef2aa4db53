#include "app/operations.h"

#include "absolute/absolute_orientation.h"
#include "imagetrans/image_transformation.h"
#include "intersection/intersection.h"
#include "relative/relative_orientation.h"
#include "resection/resection.h"

namespace tessaro {

Operations MakeOperations() {
  Operations ops;
  ops.ReadImageTransHeader = ReadImageTransHeader;
  ops.TransformImages = [](Console& c, std::int16_t& refusal) { TransformImages(c, refusal); };
  ops.ReadResectionInput = ReadResectionInput;
  ops.Resection = [](Console& c, int mode) { Resection(c, mode); };
  ops.ReadIntersectionData = [](Console& c) { ReadIntersectionData(c); };
  ops.ComputeIntersection = [](Console& c) { ComputeIntersection(c); };
  ops.RelativeOrientation = [](Console& c) { RelativeOrientation(c); };
  ops.ReadAbsoluteOrientationData = ReadAbsoluteOrientationData;
  ops.ComputeAbsoluteOrientation = [](Console& c) { ComputeAbsoluteOrientation(c); };
  return ops;
}

}  // namespace tessaro
