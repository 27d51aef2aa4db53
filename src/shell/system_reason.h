// Why the system refused a file, in its own words ("No such file or
// directory", "Permission denied", "Is a directory"), so that a message can
// tell a student what to change rather than only that something failed.
#pragma once

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

namespace tessaro {

inline std::string SystemReason(int error) {
  return std::generic_category().message(error == 0 ? EIO : error);
}

// The reason the file at path failed to open with the errno value error,
// read right after the attempt; a folder is named as one, since opening a
// folder for reading succeeds on some systems and fails only at the read.
inline std::string OpenFailureReason(const std::string& path, int error) {
  std::error_code unusable;
  if (path.empty()) return SystemReason(ENOENT);
  if (std::filesystem::is_directory(path, unusable)) return SystemReason(EISDIR);
  return SystemReason(error);
}

}  // namespace tessaro
