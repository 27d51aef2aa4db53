// The relative orientation of a strip on a fuzzed file; every offered restart is taken.
#include "fuzz/driver.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tessaro::fuzz::EnterScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tessaro::fuzz::RunSession({"Open Relative Orient", "Enter Relative Orient Data",
                             "Process Relative Orient", "Close Relative Orient"},
                            data, size);
  return 0;
}
