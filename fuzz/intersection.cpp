// The space intersection on a fuzzed file, through its side file in the scratch folder.
#include "fuzz/driver.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tessaro::fuzz::EnterScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tessaro::fuzz::RunSession({"Open-Intersection", "Enter Intersection Data", "Process Intersection",
                             "Close-Intersection"},
                            data, size);
  return 0;
}
