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
  ops.TransformImages = TransformImages;
  ops.ReadResectionInput = ReadResectionInput;
  ops.Resection = Resection;
  ops.ReadIntersectionData = ReadIntersectionData;
  ops.ComputeIntersection = ComputeIntersection;
  ops.RelativeOrientation = RelativeOrientation;
  ops.ReadAbsoluteOrientationData = ReadAbsoluteOrientationData;
  ops.ComputeAbsoluteOrientation = ComputeAbsoluteOrientation;
  return ops;
}

}  // namespace tessaro
