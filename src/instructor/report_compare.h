// Comparing a student's report with the answer key as a marker does: texts
// and whole numbers must be equal; a real may differ by one unit of its last
// printed digit, because two correct programs may round a value that lies near
// a half the other way. The report is first aligned with the key, so that a
// line left out or added costs that line alone rather than every line after it.
#pragma once

#include <string>
#include <vector>

namespace tessaro {

// A key line and a report line that do not agree, or a line that one side
// lacks. Line numbers are 1-based; on the side that lacks the line, the number
// is where it would stand (the next line there, or one past the last).
struct LineDifference {
  int keyLine;
  int reportLine;
  std::string key;     // "" where the key has no such line
  std::string report;  // "" where the report has no such line
  int column;          // 1-based character column where a pair parts; 0 for a lacking line
  bool keyMissing = false, reportMissing = false;
};

struct Comparison {
  int keyLines = 0;
  int agreeing = 0;  // key lines aligned with a report line that agrees
  std::vector<LineDifference> differences;
};

// Lines of a file's text: LF or CR LF ends, no empty line after the last end.
std::vector<std::string> SplitLines(const std::string& text);

bool LinesAgree(const std::string& key, const std::string& report);

// Aligns the report with the key at the least cost in missing, extra and
// changed lines, and compares the pairs. A report that would cost more than
// kMostCost (over a thousand differences) is aligned more roughly: lines found
// once in each, word for word, hold it, and only the stretches between them
// are aligned, or paired in order where that too would take long.
inline constexpr int kMostCost = 6000;
Comparison CompareReports(const std::vector<std::string>& key,
                          const std::vector<std::string>& report);

// "line 21" where both sides number the difference alike, else
// "key line 21, report line 20".
std::string Position(const LineDifference& difference);

// "312 of 315 lines agree; first difference at line 41"
std::string Summary(const Comparison& comparison);

}  // namespace tessaro
