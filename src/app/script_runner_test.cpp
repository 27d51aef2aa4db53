#include "app/script_runner.h"

#include <gtest/gtest.h>

#include "testing/test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

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

TEST_F(ScriptTest, EveryEnterCommandWithoutFilesAnswersTheSameMessage) {
  Result r = RunText(
      "# no files chosen\n"
      "\n"
      "Enter ImageTransData\nEnter Resection Data\nEnter Intersection Data\r\n"
      "Enter Relative Orient Data\nEnter Absolute Orient Data\n");
  EXPECT_EQ(r.status, 0);
  std::string expected;
  for (int i = 0; i < 5; ++i) expected += "message:  Enter Input and output files first\n";
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(r.err, "");
}

TEST_F(ScriptTest, LabelsDumpShowsInitialAndClosedCaptions) {
  std::string report = (dir / "report.txt").string();
  Result r = RunText("dump Labels\nOpen-OutputFile " + report + "\nOpen-Resection\nClose-Resection\n"
                 "dump Labels\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "--- Labels ---\nForm1: Tessaro\nLabel1(0): Image Trans None\nLabel1(1): Resection None\n"
            "Label1(3): Intersection None\nLabel2: Output none\nLabel7: Relative Orient None\n"
            "Label8: Absolute Orientation None\nBlackBoard: Temporary Results\nForm3: Help\n"
            "Form2: Station values\n--- end ---\n"
            "--- Labels ---\nForm1: Tessaro\nLabel1(0): Image Trans None\nLabel1(1): Resection: None\n"
            "Label1(3): Intersection None\nLabel2: " + report + "\nLabel7: Relative Orient None\n"
            "Label8: Absolute Orientation None\nBlackBoard: Temporary Results\nForm3: Help\n"
            "Form2: Station values\n--- end ---\n");
  EXPECT_TRUE(fs::exists(report));
}

TEST_F(ScriptTest, HelpMessagesAndDumps) {
  Result r = RunText("Help Abs Orient\nHelp General\ndump Help\nInformation/Disclaimer\ndump Console\n"
                 "dump BlackBoard\ndump Station values\nExit\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("--- Help ---\nThis program has been designed"), std::string::npos);
  EXPECT_NE(r.out.find("Decimal Degrees \n--- end ---\n"), std::string::npos);
  EXPECT_NE(r.out.find("message: Tessaro, a teaching program"), std::string::npos);
  EXPECT_NE(r.out.find("2026"), std::string::npos);
  EXPECT_NE(r.out.find("--- Console ---\n--- end ---\n--- BlackBoard ---\n--- end ---\n"),
            std::string::npos);
  EXPECT_NE(r.out.find("--- Station values ---\nText1(0): \n"), std::string::npos);
}

TEST_F(ScriptTest, ScriptErrorsStopWithStatusTwoAndTheLine) {
  struct Case {
    const char* script;
    const char* error;
  };
  for (const Case& c : {
           Case{"Help General\n\nPress Everything\nHelp General\n",
                "test.tss:3: unknown line: Press Everything\n"},
           Case{"help general\n", "test.tss:1: unknown line: help general\n"},
           Case{"answer Y\nHelp General\nanswer\n", "test.tss:1: 2 answer(s) left unused\n"},
           Case{"Station values: 1|2|3|4|5|6|7|8|9\n",
                "test.tss:1: the Station values window is not shown\n"},
           Case{"dump Everything\n", "test.tss:1: nothing to dump called \"Everything\"\n"},
           Case{"Exit\nHelp General\n",
                "test.tss:2: the program has ended (Exit) before this line\n"},
       }) {
    Result r = RunText(c.script);
    EXPECT_EQ(r.status, 2) << c.script;
    EXPECT_EQ(r.err, c.error);
  }
}

TEST_F(ScriptTest, TheProgramReadsScriptFilesAndStandardInput) {
  const std::string bin = TESSARO_BIN_DIR "/tessaro-script";
  fs::path script = dir / "s.tss";
  std::ofstream(script) << "Open-OutputFile " << (dir / "r.txt").string() << "\nOpen-OutputFile x\n";
  fs::path out = dir / "out.txt";
  int status = std::system((bin + " " + script.string() + " > " + out.string()).c_str());
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(Read(out), "message:  File is already open\n");
  status = std::system(("echo 'Exit' | " + bin + " - > /dev/null").c_str());
  EXPECT_EQ(WEXITSTATUS(status), 0);
  status = std::system((bin + " " + (dir / "missing.tss").string() + " 2> /dev/null").c_str());
  EXPECT_EQ(WEXITSTATUS(status), 1);
  status = std::system(("echo 'Make it so' | " + bin + " 2> /dev/null").c_str());
  EXPECT_EQ(WEXITSTATUS(status), 2);
}

// The demo session of `make demo` stays in step with the example files: the
// number of queued answers must match the questions the photos ask.
TEST_F(ScriptTest, TheDemoSessionRunsToItsEnd) {
  for (const auto& entry : fs::directory_iterator(TESSARO_SOURCE_DIR "/examples"))
    if (entry.path().extension() == ".txt" || entry.path().extension() == ".tss")
      fs::copy_file(entry.path(), dir / entry.path().filename());
  fs::remove(dir / "demo-report.txt");
  const std::string command = "cd " + dir.string() + " && " TESSARO_BIN_DIR "/tessaro-script demo.tss > out.txt 2> err.txt";
  int status = std::system(command.c_str());
  EXPECT_EQ(WEXITSTATUS(status), 0) << Read(dir / "err.txt");
  const std::string r = Read(dir / "demo-report.txt");
  EXPECT_EQ(r.find("Six film photos"), 0u);
  EXPECT_NE(r.find("Eight digital images"), std::string::npos);
  EXPECT_NE(r.find("Transformed Points \r\n"), std::string::npos);
  EXPECT_NE(r.find("    RELATIVE ORIENTATION STATION PARAMETERS\r\n"), std::string::npos);
}

}  // namespace
}  // namespace tessaro
