// Comparing a student's report with the answer key, line by line, as a marker
// does: texts and whole numbers must be equal; a real may differ by one unit
// of its last printed digit, because two correct programs may round a value
// that lies near a half the other way.
#pragma once

#include <string>
#include <vector>

namespace tessaro {

struct LineDifference {
  int line;            // 1-based
  std::string key;     // the key's line ("" where the key has no such line)
  std::string report;  // the report's line
  int column;          // 1-based character column where the two texts part
  bool keyMissing = false, reportMissing = false;
};

struct Comparison {
  int lines = 0;  // the longer of the two files
  std::vector<LineDifference> differences;
  int Agreeing() const { return lines - static_cast<int>(differences.size()); }
};

// Lines of a file's text: LF or CR LF ends, no empty line after the last end.
std::vector<std::string> SplitLines(const std::string& text);

bool LinesAgree(const std::string& key, const std::string& report);

Comparison CompareReports(const std::vector<std::string>& key,
                          const std::vector<std::string>& report);

// "312 of 315 lines agree; first difference at line 41"
std::string Summary(const Comparison& comparison);

}  // namespace tessaro
