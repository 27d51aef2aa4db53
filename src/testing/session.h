// One session fixture for the tests of every operation: a console with the
// operations the test names, a scripted user, and the report file
// report.txt in the test's own folder, as a user would run them.
#pragma once

#include <initializer_list>
#include <string>

#include "shell/console.h"
#include "testing/test_support.h"

namespace tessaro {

class SessionTest : public TempDirTest {
 protected:
  explicit SessionTest(Operations operations) : console(ui, std::move(operations)) {}
  void SetUp() override {
    TempDirTest::SetUp();
    console.Load();
  }

  // Chooses report.txt in the folder as the report, unless one is open.
  void OpenReport() {
    if (console.job.Channel5.IsOpen()) return;
    ui.files = {PathOf("report.txt")};
    console.PressCaption("Open-OutputFile");
  }
  // Writes text to the file name in the folder and chooses it with the Open
  // button of that caption ("Open-Resection"), closing what that button had
  // chosen before with its Close button.
  void Choose(const std::string& openCaption, const std::string& name, const std::string& text);
  // Presses the buttons in turn, the answers queued for their prompts; every
  // answer must be taken.
  void Press(std::initializer_list<std::string> captions, const Lines& answers = {});
  // The report as it stands on disk, line by line.
  Lines Report() {
    console.job.Channel5.Flush();
    return CrLfLines(Read(PathOf("report.txt")));
  }

  FakeUi ui;
  Console console;
  Module1& module = console.module;
};

}  // namespace tessaro
