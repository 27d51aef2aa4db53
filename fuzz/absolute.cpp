// The absolute orientation of a model on a fuzzed file.
#include "fuzz/driver.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tessaro::fuzz::EnterScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tessaro::fuzz::RunSession({"Open Absolute Orient", "Enter Absolute Orient Data",
                             "Process Absolute Orient", "Close Absolute Orient"},
                            data, size);
  return 0;
}
