#include "app/operations.h"

#include "imagetrans/image_transformation.h"

namespace tessaro {

Operations MakeOperations() {
  Operations ops;
  ops.ReadImageTransHeader = ReadImageTransHeader;
  ops.TransformImages = TransformImages;
  return ops;
}

}  // namespace tessaro
