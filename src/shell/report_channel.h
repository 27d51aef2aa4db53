// The report file: a print destination on a text file with CRLF line ends.
#pragma once

#include <fstream>
#include <string>

#include "shell/print.h"

namespace tessaro {

class ReportChannel : public PrintDestination {
 public:
  // Creates the file, or empties it when it exists, and starts at column 1.
  // On failure returns false with a message naming the file in error.
  bool Open(const std::string& path, std::string& error);
  void Close();
  bool IsOpen() const { return file_.is_open(); }
  // Pushes what was written to disk, so that a finished section survives.
  void Flush();

 protected:
  void Put(std::string_view text) override;
  void PutLineEnd() override;

 private:
  std::ofstream file_;
};

}  // namespace tessaro
