#include "app/operations.h"

#include "absolute/absolute_orientation.h"
#include "imagetrans/image_transformation.h"

namespace tessaro {

Operations MakeOperations() {
  Operations ops;
  ops.ReadImageTransHeader = ReadImageTransHeader;
  ops.TransformImages = TransformImages;
  ops.ReadAbsoluteOrientationData = ReadAbsoluteOrientationData;
  ops.ComputeAbsoluteOrientation = ComputeAbsoluteOrientation;
  return ops;
}

}  // namespace tessaro
