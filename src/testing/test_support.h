// What the GoogleTest programs share: a user who answers from queues and
// remembers what the program showed, a fresh folder per test for the input
// and report files a test writes, and reading a file back byte for byte or
// as the CR LF lines of a report.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "shell/ui_port.h"

namespace tessaro {

// A UI port for tests: file dialogs and prompts take the next queued reply
// ("" when the queue is empty, as a cancelled dialog gives); messages,
// prompts and the help window's placings are recorded (which windows are
// shown, the console itself tells).
class FakeUi : public UiPort {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  std::string AskLine(const std::string& prompt, std::optional<Twips> where) override {
    prompts.push_back(prompt);
    position = where;
    // A program that asks again and again after the queue ran out (a restart
    // that an empty answer must not cause) fails the test instead of hanging.
    if (answers.empty() && ++unanswered > 100) {
      ADD_FAILURE() << "asked more than 100 times without an answer: " << prompt;
      return "n";
    }
    return Pop(answers);
  }
  std::string ChooseFile(FileChoice) override { return Pop(files); }
  void CaptionChanged(const std::string&) override {}
  void ShowWindow(Window) override {}
  void HideWindow(Window) override {}
  void PlaceHelpWindow() override { ++placed; }
  void EndProgram() override {}

  std::deque<std::string> files, answers;
  std::vector<std::string> messages, prompts;
  std::optional<Twips> position;  // of the last prompt
  int placed = 0;
  int unanswered = 0;  // prompts met with an empty queue

 private:
  static std::string Pop(std::deque<std::string>& queue) {
    if (queue.empty()) return "";
    std::string front = queue.front();
    queue.pop_front();
    return front;
  }
};

using Lines = std::vector<std::string>;

// The lines of a report, each of which must end in CR LF and hold no other
// line break.
inline Lines CrLfLines(const std::string& text) {
  Lines lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "the report does not end with CR LF";
  for (const std::string& line : lines) EXPECT_EQ(line.find('\n'), std::string::npos) << line;
  return lines;
}

// The lines of a text file, each ended by "\n": a golden report or window
// kept beside the tests, each kind of its lines checked by hand against the
// layout.
inline Lines FileLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  Lines lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A report line of texts placed at columns (from 1): {{1, "a"}, {15, "b"}}
// is "a", blanks up to column 15, then "b".
inline std::string At(std::initializer_list<std::pair<std::size_t, std::string>> items) {
  std::string line;
  for (const auto& [column, text] : items)
    line += std::string(column - 1 - line.size(), ' ') + text;
  return line;
}

class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = std::filesystem::temp_directory_path() /
          ("tessaro_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" +
           std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  // Writes contents to name in the folder; returns its path.
  std::string File(const std::string& name, const std::string& contents) const {
    std::filesystem::path p = dir / name;
    std::ofstream(p, std::ios::binary) << contents;
    return p.string();
  }
  // The path of name in the folder, without creating it.
  std::string PathOf(const std::string& name) const { return (dir / name).string(); }

  static std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::filesystem::path dir;
};

}  // namespace tessaro
