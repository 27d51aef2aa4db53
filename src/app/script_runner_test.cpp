// The headless runner: script lines as commands, dumps of the windows,
// errors that stop a script, and the tessaro-script program itself.
#include "app/script_runner.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "testing/test_support.h"

namespace tessaro {
namespace {

namespace fs = std::filesystem;

struct Result {
  int status;
  std::string out, err;
};

Result RunText(const std::string& script) {
  std::istringstream in(script);
  std::ostringstream out, err;
  int status = RunScript(in, "test.tss", out, err);
  return {status, out.str(), err.str()};
}

class ScriptTest : public TempDirTest {};

// Comments, blank lines and CR LF line ends are taken in stride; messages
// and dumps go to the output, the labels as "name: caption".
TEST_F(ScriptTest, CommandsMessagesAndDumps) {
  const std::string report = PathOf("report.txt");
  const Result r = RunText("# no report yet\n\nEnter ImageTransData\r\nOpen-OutputFile " + report +
                           "\nOpen-Resection\nClose-Resection\ndump Labels\nHelp General\n"
                           "dump Help\nInformation/Disclaimer\ndump Console\ndump Station values\n"
                           "Exit\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out.find("message:  Enter Input and output files first\n--- Labels ---\n"
                       "Form1: Tessaro\nLabel1(0): Image Trans None\nLabel1(1): Resection: None\n"),
            0u)
      << r.out;
  EXPECT_NE(r.out.find("Label2: " + report + "\n"), std::string::npos);
  EXPECT_NE(r.out.find("Form2: Station values\n--- end ---\n--- Help ---\nThis program"),
            std::string::npos);
  EXPECT_NE(r.out.find("Decimal Degrees \n--- end ---\nmessage: Tessaro, a teaching program"),
            std::string::npos);
  EXPECT_NE(r.out.find("--- Console ---\n--- end ---\n--- Station values ---\nText1(0): \n"),
            std::string::npos);
  EXPECT_TRUE(fs::exists(report));
}

TEST_F(ScriptTest, ScriptErrorsStopWithStatusTwoAndTheLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"Help General\n\nPress Everything\nHelp General\n",
       "test.tss:3: unknown line: Press Everything\n"},
      {"help general\n", "test.tss:1: unknown line: help general\n"},
      {"answer Y\nHelp General\nanswer\n", "test.tss:1: 2 answer(s) left unused\n"},
      {"Station values: 1|2|3|4|5|6|7|8|9\n",
       "test.tss:1: the Station values window is not shown\n"},
      {"dump Everything\n", "test.tss:1: nothing to dump called \"Everything\"\n"},
      {"Exit\nHelp General\n", "test.tss:2: the program has ended (Exit) before this line\n"},
      {"Help General\nplot picture.svg\n", "test.tss:2: no picture to write yet\n"},
      {"plot\n", "test.tss:1: plot needs the name of the file to write\n"},
  };
  for (const auto& [script, error] : cases) {
    const Result r = RunText(script);
    EXPECT_EQ(r.status, 2) << script;
    EXPECT_EQ(r.err, error);
  }
}

// A script file is run by the demo session below. A file that cannot be
// used is named with the system's reason, so the user knows what to change.
TEST_F(ScriptTest, StandardInputAndUnusableFiles) {
  const std::string bin = TESSARO_BIN_DIR "/tessaro-script";
  int status = std::system(("echo 'Exit' | " + bin + " - > /dev/null").c_str());
  EXPECT_EQ(WEXITSTATUS(status), 0);
  for (const auto& [script, reason] :
       {std::pair{PathOf("missing.tss"), "No such file or directory"},
        std::pair{dir.string(), "Is a directory"}}) {
    status = std::system((bin + " " + script + " 2> " + PathOf("err")).c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(Read(PathOf("err")),
              "tessaro-script: cannot read the script " + script + ": " + reason + "\n");
  }
  status = std::system(("echo 'Make it so' | " + bin + " 2> /dev/null").c_str());
  EXPECT_EQ(WEXITSTATUS(status), 2);
  const Result r = RunText("Open-OutputFile " + PathOf("nowhere/report.txt") + "\n");
  EXPECT_EQ(r.out, "message: Cannot create the output file " + PathOf("nowhere/report.txt") +
                       ": No such file or directory\n");
}

// The programs' command lines, without a display (Qt, if it started, would
// abort): --help, -h and --version print and end; the desktop program takes
// nothing else, not even Qt's own options, and says so in one line.
TEST_F(ScriptTest, CommandLinesAreAnsweredBeforeAnyWindow) {
  const struct {
    const char* command;
    int status;
    const char* starts;  // standard output, or standard error for status 2
  } cases[] = {
      {"tessaro --help", 0, "usage: tessaro [--help | --version]"},
      {"tessaro -h", 0, "usage: tessaro [--help | --version]"},
      {"tessaro --version", 0, "tessaro " TESSARO_VERSION},
      {"tessaro -platform offscreen", 2, "tessaro: takes no arguments but --help and --version"},
      {"tessaro -style fusion", 2, "tessaro: takes no arguments but --help and --version"},
      {"tessaro report.txt", 2, "tessaro: takes no arguments but --help and --version"},
      {"tessaro --help extra", 2, "tessaro: takes no arguments but --help and --version"},
      {"tessaro-script -h", 0, "usage: tessaro-script [SCRIPT | -]"},
      {"tessaro-script --version", 0, "tessaro-script " TESSARO_VERSION},
  };
  for (const auto& k : cases) {
    const std::string program = std::string(k.command).substr(0, std::string(k.command).find(' '));
    if (!fs::exists(TESSARO_BIN_DIR "/" + program)) continue;  // built without Qt
    const int status =
        std::system(("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " TESSARO_BIN_DIR "/" +
                     std::string(k.command) + " > " + PathOf("out") + " 2> " + PathOf("err"))
                        .c_str());
    EXPECT_EQ(WEXITSTATUS(status), k.status) << k.command;
    const std::string shown = Read(PathOf(k.status == 2 ? "err" : "out"));
    EXPECT_TRUE(shown.starts_with(k.starts)) << k.command << ": " << shown;
    if (k.status == 2) {
      EXPECT_EQ(std::ranges::count(shown, '\n'), 1) << k.command;
    }
  }
}

// The report is on disk after every command: a program killed right after
// one keeps every finished section, as a session run to its end writes it.
TEST_F(ScriptTest, AKilledProgramKeepsEveryFinishedSection) {
  for (const std::string name : {"digital.txt", "resection.txt"})
    fs::copy_file(TESSARO_SOURCE_DIR "/examples/" + name, dir / name);
  auto session = [&](const std::string& report) {
    return "Open-OutputFile " + PathOf(report) + "\nOpen-ImageTrans " + PathOf("digital.txt") +
           "\nEnter ImageTransData\nProcess ImageTrans\nOpen-Resection " + PathOf("resection.txt") +
           "\nEnter Resection Data\nMake Resection\n";
  };
  ASSERT_EQ(RunText(session("whole.txt")).status, 0);

  // The script stays open: the program waits for its next line when killed.
  FILE* script = popen(("echo $$ > " + PathOf("pid") +
                        "; exec " TESSARO_BIN_DIR "/tessaro-script - > " + PathOf("out"))
                           .c_str(),
                       "w");
  ASSERT_NE(script, nullptr);
  std::fputs((session("killed.txt") + "dump Labels\n").c_str(), script);
  std::fflush(script);
  for (int k = 0; k < 2000 && !Read(dir / "out").ends_with("--- end ---\n"); ++k) usleep(10000);
  kill(std::stoi(Read(dir / "pid")), SIGKILL);
  const int status = pclose(script);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  const std::string whole = Read(dir / "whole.txt");
  EXPECT_NE(whole.find("Transformed Points"), std::string::npos);
  EXPECT_EQ(Read(dir / "killed.txt"), whole);
}

// The demo session of `make demo` runs the example files through the real
// operations: no message, one answer for each film photo's question, every
// photo transformed, every operation reported.
TEST_F(ScriptTest, TheDemoSessionRunsToItsEnd) {
  for (const auto& entry : fs::directory_iterator(TESSARO_SOURCE_DIR "/examples"))
    if (entry.path().extension() == ".txt" || entry.path().extension() == ".tss")
      fs::copy_file(entry.path(), dir / entry.path().filename());
  fs::remove(dir / "demo-report.txt");
  const std::string command =
      "cd " + dir.string() + " && " TESSARO_BIN_DIR "/tessaro-script demo.tss > out.txt 2> err.txt";
  const int status = std::system(command.c_str());
  EXPECT_EQ(WEXITSTATUS(status), 0) << Read(dir / "err.txt");
  // No message but the relative orientation's word after each iteration.
  const std::string out = Read(dir / "out.txt");
  for (std::size_t at = 0; (at = out.find("message:", at)) != std::string::npos; ++at)
    EXPECT_EQ(out.compare(at, 15, "message:   RMS="), 0) << out.substr(at, out.find('\n', at) - at);
  const Lines report = CrLfLines(Read(dir / "demo-report.txt"));
  ASSERT_FALSE(report.empty());
  EXPECT_EQ(report[0].find("Six film photos"), 0u);
  for (const auto& [heading, times] : {std::pair{"Transformation Residuals ", 6},
                                       {"Transformed Points ", 6 + 8},
                                       {" INTERSECTION RESULTS ", 1},
                                       {"   Convg = YES", 1},
                                       {"    RELATIVE ORIENTATION STATION PARAMETERS", 1}})
    EXPECT_EQ(std::count(report.begin(), report.end(), heading), times) << heading;
}

}  // namespace
}  // namespace tessaro
