#include "fuzz/driver.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "app/operations.h"
#include "shell/console.h"

namespace tessaro::fuzz {

namespace fs = std::filesystem;

namespace {

fs::path scratch;

void RemoveScratch() {
  std::error_code ignored;
  if (!scratch.empty()) fs::remove_all(scratch, ignored);
}

// A user who chooses the file the session names, accepts every fit ("Y"),
// declines every restart after that and, past a fixed number of questions,
// only cancels: an operation that keeps asking cannot spin for ever.
class ScriptedUser : public UiPort {
 public:
  void ShowMessage(const std::string&) override {}
  std::string AskLine(const std::string& prompt, std::optional<Twips>) override {
    if (++asked > 64) return "";
    // Counts and limits asked by the resection get a small number; the
    // yes/no questions a "Y" that keeps the run going.
    if (prompt.find("Iterations") != std::string::npos) return "5";
    if (prompt.find("number of") != std::string::npos) return "1";
    if (prompt.find("Point ID") != std::string::npos) return "1";
    return "Y";
  }
  std::string ChooseFile(FileChoice) override { return file; }
  void CaptionChanged(const std::string&) override {}
  void ShowWindow(Window) override {}
  void HideWindow(Window) override {}
  void PlaceHelpWindow() override {}
  void EndProgram() override {}

  std::string file;
  int asked = 0;
};

}  // namespace

void EnterScratchFolder() {
  scratch = fs::temp_directory_path() / ("tessaro-fuzz-" + std::to_string(getpid()));
  fs::remove_all(scratch);
  fs::create_directories(scratch);
  fs::current_path(scratch);
  std::atexit(RemoveScratch);
  ResetScratchFolder();
}

void ResetScratchFolder() {
  // The example files are read once and written anew from memory: copying
  // them (sendfile) can fail with EINTR when libFuzzer's timer signal
  // arrives, where a stream write simply resumes.
  static const std::vector<std::pair<fs::path, std::string>> examples = [] {
    std::vector<std::pair<fs::path, std::string>> files;
    for (const auto& entry : fs::directory_iterator(fs::path(TESSARO_SOURCE_DIR) / "examples"))
      if (entry.path().extension() == ".txt") {
        std::ifstream in(entry.path(), std::ios::binary);
        files.emplace_back(entry.path().filename(),
                           std::string(std::istreambuf_iterator<char>(in), {}));
      }
    return files;
  }();
  // Listed first and removed after: a folder changed while it is being
  // read may skip entries.
  std::vector<fs::path> left;
  for (const auto& entry : fs::directory_iterator(scratch)) left.push_back(entry.path());
  for (const fs::path& p : left) fs::remove_all(p);
  for (const auto& [name, text] : examples)
    std::ofstream(scratch / name, std::ios::binary)
        .write(text.data(), static_cast<std::streamsize>(text.size()));
}

void RunSession(const Session& session, const std::uint8_t* data, std::size_t size) {
  std::ofstream(scratch / "input.txt", std::ios::binary)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  ScriptedUser user;
  Console console(user, MakeOperations());
  console.Load();
  user.file = "report.txt";
  console.PressCaption("Open-OutputFile");
  user.file = "input.txt";
  console.PressCaption(session.open);
  console.PressCaption(session.enter);
  console.PressCaption(session.process);
  console.PressCaption(session.close);
  console.PressCaption("Exit");
}

}  // namespace tessaro::fuzz
