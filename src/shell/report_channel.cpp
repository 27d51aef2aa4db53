#include "shell/report_channel.h"

#include <filesystem>

namespace tessaro {

bool ReportChannel::Open(const std::string& path, std::string& error) {
  Close();
  // A name the system cannot look up (longer than a file name may be, say)
  // is a report that cannot be created, not a failure of the program.
  std::error_code unusable;
  if (!path.empty() && !std::filesystem::is_directory(path, unusable))
    file_.open(path, std::ios::binary | std::ios::trunc);
  if (!file_.is_open()) {
    error = "Cannot create the output file " + path;
    return false;
  }
  ResetColumn();
  return true;
}

void ReportChannel::Close() {
  if (file_.is_open()) file_.close();
  ResetColumn();
}

void ReportChannel::Flush() {
  if (file_.is_open()) file_.flush();
}

void ReportChannel::Put(std::string_view text) {
  if (file_.is_open()) file_.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void ReportChannel::PutLineEnd() { Put("\r\n"); }

}  // namespace tessaro
