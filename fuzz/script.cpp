// tessaro-script on fuzzed script text. The script may name any file, so
// names that leave the scratch folder (any "/") are not run, and the folder
// is brought back to the example files before each script. The resection
// iterates as often as it is asked to, and a run that neither converges nor
// diverges may then take hours: answers of five digits and more (or with an
// exponent) ask for that on purpose and are not run either.
#include <cstdint>
#include <regex>
#include <sstream>
#include <string>

#include "app/script_runner.h"
#include "fuzz/driver.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tessaro::fuzz::EnterScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (text.find('/') != std::string::npos) return -1;  // not added to the corpus
  static const std::regex huge(R"((^|\n)answer[^\n]*([0-9]{5}|[eE][-+]?[0-9]))");
  if (std::regex_search(text, huge)) return -1;
  tessaro::fuzz::ResetScratchFolder();
  std::istringstream script(text);
  std::ostringstream out, err;
  tessaro::RunScript(script, "fuzz.tss", out, err);
  return 0;
}
