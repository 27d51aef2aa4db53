#include "app/operations.h"

namespace tessaro {

Operations MakeOperations() {
  Operations ops;
  return ops;
}

}  // namespace tessaro
