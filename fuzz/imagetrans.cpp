// The image transformation on a fuzzed file: fiducial marks fitted, every fit accepted.
#include "fuzz/driver.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tessaro::fuzz::EnterScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tessaro::fuzz::RunSession(
      {"Open-ImageTrans", "Enter ImageTransData", "Process ImageTrans", "Close-ImageTrans"}, data,
      size);
  return 0;
}
