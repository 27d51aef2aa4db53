#include "app/script_runner.h"

#include <cerrno>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "app/operations.h"
#include "shell/console.h"
#include "shell/system_reason.h"

namespace tessaro {

namespace {

// A failure of the script itself (not of the program it drives).
struct ScriptError {
  std::string what;
};

class ScriptPort : public UiPort {
 public:
  explicit ScriptPort(std::ostream& out) : out_(out) {}

  void ShowMessage(const std::string& text) override { out_ << "message: " << text << "\n"; }
  std::string AskLine(const std::string& prompt, std::optional<Twips>) override {
    out_ << "prompt: " << prompt << "\n";
    if (answers.empty()) throw ScriptError{"a prompt with no queued answer: " + prompt};
    std::string answer = answers.front();
    answers.pop_front();
    answerLines.pop_front();
    out_ << "answer: " << answer << "\n";
    return answer;
  }
  std::string ChooseFile(FileChoice) override {
    std::string name = pendingFile;
    pendingFile.clear();
    return name;
  }
  void CaptionChanged(const std::string&) override {}
  void ShowWindow(Window) override {}
  void HideWindow(Window) override {}
  void PlaceHelpWindow() override {}
  void EndProgram() override { ended = true; }

  std::deque<std::string> answers;
  std::deque<int> answerLines;  // script line of each queued answer
  std::string pendingFile;
  bool ended = false;

 private:
  std::ostream& out_;
};

void Dump(const std::string& name, const std::vector<std::string>& lines, std::ostream& out) {
  out << "--- " << name << " ---\n";
  for (const std::string& line : lines) out << line << "\n";
  out << "--- end ---\n";
}

// The lines of one dump target, or false when there is no such target.
bool DumpLines(const Console& console, const std::string& name, std::vector<std::string>& lines) {
  if (name == "BlackBoard") {
    lines = console.BlackBoard.Lines();
  } else if (name == "Help") {
    lines = console.Form3.Lines();
  } else if (name == "Console") {
    lines = console.Screen.Lines();
  } else if (name == "Labels") {
    lines.clear();
    lines.push_back("Form1: " + console.Caption("Form1"));
    for (const StatusLabelCaptions& label : StatusLabels())
      lines.push_back(label.name + std::string(": ") + console.Caption(label.name));
    for (const std::string& window : WindowNames())
      if (window != "Form1") lines.push_back(window + ": " + console.Caption(window));
  } else if (name == "Station values") {
    lines.clear();
    for (std::size_t k = 0; k < console.Text1.size(); ++k)
      lines.push_back("Text1(" + std::to_string(k) + "): " + console.Text1[k]);
  } else {
    return false;
  }
  return true;
}

bool IsOpenCaption(const std::string& caption) { return caption.rfind("Open", 0) == 0; }

// Carries out one script line; throws ScriptError when it cannot.
void RunLine(const std::string& line, int number, Console& console, ScriptPort& port,
             std::ostream& out) {
  if (line.rfind("answer", 0) == 0 && (line.size() == 6 || line[6] == ' ')) {
    port.answers.push_back(line.size() > 7 ? line.substr(7) : std::string());
    port.answerLines.push_back(number);
    return;
  }
  if (line.rfind("dump ", 0) == 0) {
    std::string name = line.substr(5);
    std::vector<std::string> lines;
    if (!DumpLines(console, name, lines))
      throw ScriptError{"nothing to dump called \"" + name + "\""};
    Dump(name, lines, out);
    return;
  }
  if (line == "plot" || line.rfind("plot ", 0) == 0) {
    const std::string file = line.size() > 5 ? line.substr(5) : std::string();
    if (file.empty()) throw ScriptError{"plot needs the name of the file to write"};
    if (!console.HasPicture()) throw ScriptError{"no picture to write yet"};
    std::ofstream svg(file, std::ios::binary | std::ios::trunc);
    svg << console.PictureSvg();
    if (!svg.flush()) throw ScriptError{"the picture cannot be written to " + file};
    return;
  }
  const std::string stationPrefix = "Station values:";
  if (line.rfind(stationPrefix, 0) == 0) {
    if (!console.IsShown(Window::Form2))
      throw ScriptError{"the Station values window is not shown"};
    std::string rest = line.substr(stationPrefix.size());
    if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
    std::vector<std::string> texts;
    std::stringstream fields(rest);
    for (std::string t; std::getline(fields, t, '|');) texts.push_back(t);
    if (!rest.empty() && rest.back() == '|') texts.push_back("");
    if (texts.size() != console.Text1.size())
      throw ScriptError{"Station values needs 9 texts separated by |, found " +
                        std::to_string(texts.size())};
    for (std::size_t k = 0; k < texts.size(); ++k) console.Text1[k] = texts[k];
    console.StationValuesReturn();
    return;
  }
  for (const CommandInfo& c : CommandTable()) {
    std::string caption = c.caption;
    if (line == caption) {
      console.Press(c.number);
      return;
    }
    if (IsOpenCaption(caption) && line.rfind(caption + " ", 0) == 0) {
      port.pendingFile = line.substr(caption.size() + 1);
      console.Press(c.number);
      port.pendingFile.clear();
      return;
    }
  }
  throw ScriptError{"unknown line: " + line};
}

}  // namespace

int RunScript(std::istream& script, const std::string& scriptName, std::ostream& out,
              std::ostream& err) {
  ScriptPort port(out);
  Console console(port, MakeOperations());
  console.Load();
  int number = 0;
  std::string line;
  try {
    while (std::getline(script, line)) {
      ++number;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty() || line[0] == '#') continue;
      if (port.ended) throw ScriptError{"the program has ended (Exit) before this line"};
      RunLine(line, number, console, port, out);
      out.flush();
    }
    if (!port.answers.empty()) {
      number = port.answerLines.front();
      throw ScriptError{std::to_string(port.answers.size()) + " answer(s) left unused"};
    }
  } catch (const ScriptError& e) {
    if (!port.ended) console.Press(kExitCommand);
    err << scriptName << ":" << number << ": " << e.what << "\n";
    return 2;
  }
  if (!port.ended) console.Press(kExitCommand);  // the end of the script is Exit
  return 0;
}

int RunScriptFile(const std::string& path, std::ostream& out, std::ostream& err) {
  if (path == "-") return RunScript(std::cin, "-", out, err);
  errno = 0;
  std::ifstream file(path);
  const int openError = errno;
  std::error_code unusable;
  if (!file || std::filesystem::is_directory(path, unusable)) {
    err << "tessaro-script: cannot read the script " << path << ": "
        << OpenFailureReason(path, openError) << "\n";
    return 1;
  }
  return RunScript(file, path, out, err);
}

}  // namespace tessaro
