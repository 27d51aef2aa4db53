// tessaro-compare: students' reports marked against the answer key.
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "instructor/report_compare.h"

namespace {

const char kUsage[] = "usage: tessaro-compare [--quiet | --tsv] KEY REPORT...\n";

const char kHelp[] =
    "Compares each REPORT with the answer key KEY as a marker does: texts and\n"
    "whole numbers must be equal; a real may differ by one unit of its last\n"
    "printed digit (with the same number of decimals). Blanks only separate.\n"
    "Line ends CR LF and LF are both accepted. The report is first aligned with\n"
    "the key, so that a missing or an extra line counts as one difference.\n"
    "\n"
    "Prints each difference with its line numbers, both versions and the column\n"
    "where they part, then a summary such as\n"
    "  312 of 315 lines agree; first difference at line 41\n"
    "(lines of the key, and how many of them agree with a line of the report).\n"
    "--quiet   the summary alone\n"
    "--tsv     one row per report: report, lines, agreeing, and the key's and\n"
    "          the report's line of the first difference\n"
    "\n"
    "Exit status: 0 when every line of every report agrees, 1 when some line\n"
    "differs, is missing or is extra, 2 when a file cannot be read.\n";

// Reads the lines of a report; when it cannot, `why` is the reason as the
// system words it. A folder opens as a stream but reads as nothing: it is
// refused by name rather than marked as an empty report.
bool ReadLines(const std::string& path, std::vector<std::string>& lines, std::string& why) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    why = std::generic_category().message(EISDIR);
    return false;
  }
  errno = 0;
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    why = std::generic_category().message(errno != 0 ? errno : ENOENT);
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  if (file.bad()) {
    why = std::generic_category().message(errno != 0 ? errno : EIO);
    return false;
  }
  lines = tessaro::SplitLines(text.str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool quiet = false, tsv = false;
  std::vector<std::string> files;
  for (int k = 1; k < argc; ++k) {
    const std::string arg = argv[k];
    if (arg == "--help") {
      std::cout << kUsage << '\n' << kHelp;
      return 0;
    }
    if (arg == "--version") {
      std::cout << "tessaro-compare " TESSARO_VERSION "\n";
      return 0;
    }
    if (arg == "--quiet") {
      quiet = true;
    } else if (arg == "--tsv") {
      tsv = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      std::cerr << "tessaro-compare: unknown option " << arg << '\n' << kUsage;
      return 2;
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() < 2) {
    std::cerr << kUsage;
    return 2;
  }
  std::vector<std::string> key;
  std::string why;
  if (!ReadLines(files[0], key, why)) {
    std::cerr << "tessaro-compare: cannot read " << files[0] << ": " << why << '\n';
    return 2;
  }
  int status = 0;
  if (tsv) std::cout << "report\tlines\tagreeing\tkey line\treport line\n";
  for (std::size_t f = 1; f < files.size(); ++f) {
    std::vector<std::string> report;
    if (!ReadLines(files[f], report, why)) {
      std::cerr << "tessaro-compare: cannot read " << files[f] << ": " << why << '\n';
      if (tsv) std::cout << files[f] << "\tunreadable\t\t\t\n";
      status = 2;
      continue;
    }
    const tessaro::Comparison c = tessaro::CompareReports(key, report);
    if (!c.differences.empty() && status == 0) status = 1;
    if (tsv) {
      std::cout << files[f] << '\t' << c.keyLines << '\t' << c.agreeing << '\t';
      if (c.differences.empty())
        std::cout << "\t\n";
      else
        std::cout << c.differences[0].keyLine << '\t' << c.differences[0].reportLine << '\n';
      continue;
    }
    const std::string prefix = files.size() > 2 ? files[f] + ": " : "";
    if (!quiet)
      for (const tessaro::LineDifference& d : c.differences) {
        std::cout << prefix << tessaro::Position(d);
        if (d.column > 0) std::cout << ", column " << d.column;
        std::cout << "\n  key:    " << (d.keyMissing ? "(no line)" : d.key) << '\n';
        std::cout << "  report: " << (d.reportMissing ? "(no line)" : d.report) << '\n';
      }
    std::cout << prefix << tessaro::Summary(c) << '\n';
  }
  return status;
}
