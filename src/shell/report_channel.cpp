#include "shell/report_channel.h"

#include <filesystem>

#include "shell/system_reason.h"

namespace tessaro {

bool ReportChannel::Open(const std::string& path, std::string& error) {
  Close();
  // A name the system cannot look up (longer than a file name may be, say)
  // is a report that cannot be created, not a failure of the program.
  std::error_code unusable;
  errno = 0;
  if (!path.empty() && !std::filesystem::is_directory(path, unusable))
    file_.reset(std::fopen(path.c_str(), "wb"));
  const int openError = unusable ? unusable.value() : errno;
  if (!file_) {
    error = "Cannot create the output file " + path + ": " + OpenFailureReason(path, openError);
    return false;
  }
  ResetLine();
  return true;
}

void ReportChannel::Close() {
  if (file_) {
    WriteOut(OpenLine());
    file_.reset();
  }
  ResetLine();
}

void ReportChannel::Flush() {
  if (!file_) return;
  WriteOut(OpenLine());
  OpenLine().clear();
  std::fflush(file_.get());
}

void ReportChannel::PutLine(std::string& line) {
  line += "\r\n";
  WriteOut(line);
}

void ReportChannel::WriteOut(std::string_view text) {
  if (file_ && !text.empty()) std::fwrite(text.data(), 1, text.size(), file_.get());
}

}  // namespace tessaro
