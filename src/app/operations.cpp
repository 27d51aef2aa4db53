#include "app/operations.h"

#include "imagetrans/image_transformation.h"
#include "relative/relative_orientation.h"

namespace tessaro {

Operations MakeOperations() {
  Operations ops;
  ops.ReadImageTransHeader = ReadImageTransHeader;
  ops.TransformImages = TransformImages;
  ops.RelativeOrientation = RelativeOrientation;
  return ops;
}

}  // namespace tessaro
