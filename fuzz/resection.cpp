// The space resection on a fuzzed file: prepared and iterated from the station in the file.
#include "fuzz/driver.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tessaro::fuzz::EnterScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tessaro::fuzz::RunSession(
      {"Open-Resection", "Enter Resection Data", "Make Resection", "Close-Resection"}, data, size);
  return 0;
}
