// The report file: a print destination on a text file with CRLF line ends.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "shell/print.h"

namespace tessaro {

class ReportChannel : public PrintDestination {
 public:
  ReportChannel() = default;
  ReportChannel(ReportChannel&&) = default;
  ReportChannel& operator=(ReportChannel&&) = default;
  ~ReportChannel() override { Close(); }

  // Creates the file, or empties it when it exists, and starts at column 1.
  // On failure returns false with a message naming the file in error.
  bool Open(const std::string& path, std::string& error);
  // Writes what the open line holds so far, then closes the file.
  void Close();
  bool IsOpen() const { return file_ != nullptr; }
  // Pushes what was written to disk, so that a finished section survives;
  // an open line goes out as far as it is, and goes on where it stopped.
  void Flush();

 protected:
  void PutLine(std::string& line) override;

 private:
  void WriteOut(std::string_view text);

  struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, CloseFile> file_;
};

}  // namespace tessaro
