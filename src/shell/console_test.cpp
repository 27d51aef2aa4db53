// The console: the file and Close commands with their captions and flags,
// the refusals before data are entered, errors of the input files as
// messages, the help topics and the windows' texts.
#include "shell/console.h"

#include <gtest/gtest.h>

#include <cmath>

#include "shell/help_topics.h"
#include "shell/leading_number.h"
#include "testing/reference.h"
#include "testing/test_support.h"

namespace tessaro {
namespace {

class ConsoleTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    c.Load();
  }
  // Chooses `name` with the button `caption`.
  void Choose(Console& c, const std::string& caption, const std::string& name) {
    port.files.push_back(name);
    ASSERT_TRUE(c.PressCaption(caption));
  }

  FakeUi port;
  Console c{port};  // with no operations
};

// Every status label at its first caption; no Enter command runs without
// both an input and the report.
TEST_F(ConsoleTest, RefusesToEnterWithoutFiles) {
  for (const auto& [label, caption] : {std::pair{"Label1(0)", "Image Trans None"},
                                       {"Label1(1)", "Resection None"},
                                       {"Label1(3)", "Intersection None"},
                                       {"Label2", "Output none"},
                                       {"Label7", "Relative Orient None"},
                                       {"Label8", "Absolute Orientation None"}})
    EXPECT_EQ(c.Caption(label), caption);
  for (const char* enter : {"Enter ImageTransData", "Enter Resection Data",
                            "Enter Intersection Data", "Enter Relative Orient Data"})
    ASSERT_TRUE(c.PressCaption(enter));
  // An input file alone is not enough: the report must be chosen too.
  Choose(c, "Open Absolute Orient", File("abs.txt", "x"));
  c.PressCaption("Enter Absolute Orient Data");
  EXPECT_EQ(port.messages, Lines(5, " Enter Input and output files first"));
  EXPECT_FALSE(c.job.Channel1.IsOpen());
}

// Each input: choosing it sets its name, label and flag, once; a cancelled
// dialog changes nothing. Its Close command shows the closed caption, clears
// its flags (the resection's also the prepared flag, the absolute
// orientation's also its entered data) and closes its channel: the input on
// channel 1, or for the resection the intersection's side file on channel 2.
// A closed input may be chosen again.
TEST_F(ConsoleTest, InputsAreChosenOnceAndClosed) {
  const struct {
    const char* open;
    const char* close;
    const char* label;
    const char* closed;
    int flag, file, alsoOpen, alsoReady;
  } rows[] = {
      {"Open-ImageTrans", "Close-ImageTrans", "Label1(0)", "Image Trans: None", 1, 0, 0, 0},
      {"Open-Resection", "Close-Resection", "Label1(1)", "Resection: None", 2, 1, 6, 0},
      {"Open-Intersection", "Close-Intersection", "Label1(3)", "Intersection: None", 3, 2, 0, 0},
      {"Open Relative Orient", "Close Relative Orient", "Label7", "Relative Orientation: None", 4,
       3, 0, 0},
      {"Open Absolute Orient", "Close Absolute Orient", "Label8", "Absolute Orientation: None", 7,
       6, 0, 5},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.open);
    const std::string initial = c.Caption(r.label);
    Choose(c, r.open, "");
    EXPECT_EQ(c.job.OpenFlag(r.flag), kFalse);
    EXPECT_EQ(c.Caption(r.label), initial);
    const std::string name = PathOf(std::string(r.label) + ".txt");
    Choose(c, r.open, name);
    Choose(c, r.open, "other.txt");
    EXPECT_EQ(port.messages.back(), " File is already open");
    EXPECT_EQ(c.job.FileName[static_cast<std::size_t>(r.file)], name);
    EXPECT_EQ(c.Caption(r.label), name);
    EXPECT_EQ(c.job.OpenFlag(r.flag), kTrue);
    port.files.clear();

    if (r.alsoOpen) c.job.OpenFlag(r.alsoOpen) = kTrue;
    if (r.alsoReady) c.job.ReadyFlag(r.alsoReady) = kTrue;
    c.job.Channel1.OpenText("1 2 3", "in.txt");
    c.job.Channel2.open(PathOf("side.bin"), std::ios::out | std::ios::binary);
    c.PressCaption(r.close);
    EXPECT_EQ(c.Caption(r.label), r.closed);
    EXPECT_EQ(c.job.OpenFlag(r.flag), kFalse);
    EXPECT_EQ(c.job.OpenFlag(r.alsoOpen), kFalse);
    EXPECT_EQ(c.job.ReadyFlag(r.alsoReady), kFalse);
    const bool resection = r.flag == 2;
    EXPECT_EQ(c.job.Channel1.IsOpen(), resection);
    EXPECT_EQ(c.job.Channel2.is_open(), !resection);
    c.job.Channel2.close();
    Choose(c, r.open, "b.txt");
    EXPECT_EQ(c.Caption(r.label), "b.txt");
  }
  EXPECT_EQ(port.messages.size(), 5u);
}

// A cancelled dialog opens nothing; once chosen, the report is kept for the
// run and another file chosen for it is left alone. That the chosen file is
// emptied, named on Label2 and closed by Exit is checked on the windows.
TEST_F(ConsoleTest, TheReportIsKeptForTheRun) {
  const std::string first = PathOf("first.txt"), second = File("second.txt", "keep me");
  Choose(c, "Open-OutputFile", "");
  EXPECT_TRUE(port.messages.empty());
  EXPECT_EQ(c.job.OpenFlag(kReportOpen), kFalse);
  EXPECT_FALSE(c.job.Channel5.IsOpen());
  Choose(c, "Open-OutputFile", first);
  Choose(c, "Open-OutputFile", second);
  EXPECT_EQ(port.messages, Lines{" File is already open"});
  EXPECT_EQ(c.job.OutputFileName, first);
  EXPECT_EQ(Read(second), "keep me");
}

// Process commands refuse until their data are entered; operations not in
// the build say so and open nothing; a missing input is a message, and its
// reader never runs; the relative orientation's Enter reads nothing itself.
TEST_F(ConsoleTest, RefusalsOfEnterAndProcess) {
  Operations ops;
  ops.TransformImages = [](Console&, std::int16_t&) { FAIL() << "must not run"; };
  ops.ReadAbsoluteOrientationData = [](Console&) { FAIL() << "must not run"; };
  Console own(port, ops);
  own.Load();
  own.PressCaption("Process ImageTrans");
  own.PressCaption("Process Relative Orient");
  own.PressCaption("Make Resection");
  Choose(own, "Open-OutputFile", PathOf("out.txt"));
  Choose(own, "Open-Resection", File("res.txt", "t"));
  own.PressCaption("Enter Resection Data");
  EXPECT_FALSE(own.job.Channel1.IsOpen());
  Choose(own, "Open Absolute Orient", PathOf("missing.txt"));
  own.PressCaption("Enter Absolute Orient Data");
  EXPECT_EQ(port.messages,
            (Lines{" You must first enter the image transformation data",
                   " You must first enter the relative orientation data",
                   " Make Resection: this operation is not available in this version",
                   " Enter Resection Data: this operation is not available in this version",
                   "Cannot open the input file missing.txt: No such file or directory"}));
  Choose(own, "Open Relative Orient", File("rel.txt", "not a relative orientation file"));
  own.PressCaption("Enter Relative Orient Data");
  EXPECT_EQ(own.job.ReadyFlag(kRelativeEntered), kTrue);
  EXPECT_TRUE(own.job.Channel1.IsOpen());
}

TEST_F(ConsoleTest, InputErrorsLeaveTheStateAsItWas) {
  Operations ops;
  ops.ReadImageTransHeader = [](Console& c) {
    c.job.ReadyFlag(1) = kFalse;
    c.module.FiducialCount = 4;
    std::string title = c.job.Channel1.ReadTitle();
    PrintItems(c.job.Channel5, {title});
    PrintItems(c.job.Channel5, {"partial ", Semi});
    c.module.TransPhotoCount = c.job.Channel1.ReadWhole("number of photos");
    c.job.ReadyFlag(1) = kTrue;
  };
  Console own(port, ops);
  own.Load();
  const std::string report = PathOf("out.txt");
  Choose(own, "Open-OutputFile", report);
  Choose(own, "Open-ImageTrans", File("it.txt", "Title\n x6, 4\n"));
  own.job.ReadyFlag(1) = kTrue;
  own.module.FiducialCount = 7;
  own.PressCaption("Enter ImageTransData");
  EXPECT_EQ(port.messages.back(),
            "it.txt, line 2: expected a whole number from -32768 to 32767 (number of photos), "
            "found \"x6\"");
  EXPECT_EQ(own.job.ReadyFlag(1), kTrue);
  EXPECT_EQ(own.module.FiducialCount, 7);
  EXPECT_FALSE(own.job.Channel1.IsOpen());
  EXPECT_EQ(Read(report), "Title" + std::string(75, ' ') + "\r\npartial \r\n");  // flushed
}

// Each topic replaces the last on Form3 under its own caption; all but the
// general topic move the help window first. Hiding keeps the text.
TEST_F(ConsoleTest, OnlyOperationHelpTopicsMoveTheWindow) {
  const struct {
    const char* command;
    HelpTopicId id;
    const char* caption;
  } topics[] = {
      {"Help ImgTrans", HelpTopicId::ImageTransformation, "Image Transformation Help Information"},
      {"Help General", HelpTopicId::General, "General Help Information"},
      {"Help Resection", HelpTopicId::Resection, "Resection Help Information"},
      {"Help Intersection", HelpTopicId::Intersection, "Intersection Help Information"},
      {"Help RelOrient", HelpTopicId::RelativeOrientation, "Relative Orientation Help Information"},
      {"Help Abs Orient", HelpTopicId::AbsoluteOrientation,
       "Absolute Orientation Help Information"},
  };
  int placed = 0;
  for (const auto& t : topics) {
    SCOPED_TRACE(t.command);
    c.PressCaption(t.command);
    EXPECT_EQ(c.Caption("Form3"), t.caption);
    EXPECT_EQ(port.placed, placed += t.id != HelpTopicId::General);
    EXPECT_EQ(c.Form3.Lines(), GetHelpTopic(t.id).lines);
    EXPECT_TRUE(c.IsShown(Window::Form3));
  }
  c.HideWindow(Window::Form3);
  EXPECT_FALSE(c.IsShown(Window::Form3));
  EXPECT_EQ(c.Form3.Lines(), GetHelpTopic(HelpTopicId::AbsoluteOrientation).lines);
}

// BlackBoard starts each run eight lines down (the image transformation's
// golden section shows it); the console's own surface twelve.
TEST_F(ConsoleTest, ClearConsoleLeavesTwelveEmptyLines) {
  PrintItems(c.Screen, {"earlier"});
  c.ClearConsole();
  EXPECT_EQ(c.Screen.Lines(), Lines(12, ""));
}

// Return stores the number at the start of each box in StationValues and
// the named values, angles in radians; S-xy stays as it was. The boxes are
// read afresh each time, so a second Return gives the same values.
TEST_F(ConsoleTest, ReturnReadsTheStationBoxes) {
  c.module.SigmaXY = 5;
  c.Text1 = {"800", " 1 5", "1,5", "90", "-45", "", "1000", "2e3", "0.5abc"};
  const double d = std::atan(1.0) * 4 / 180;
  for (int pass = 1; pass <= 2; ++pass) {
    c.StationValuesReturn();
    const Module1& m = c.module;
    EXPECT_EQ(m.StationValues, OneBasedOf({800, 15, 1, 90 * d, -45 * d, 0, 1000, 2000, 0.5 * d}));
    EXPECT_EQ(std::vector<double>({m.Xo, m.Yo, m.Zo, m.Omega, m.Phi, m.Kappa, m.SigmaAngle}),
              std::vector<double>({800, 15, 1, 90 * d, -45 * d, 0, 0.5 * d}));
    EXPECT_EQ(m.SigmaXY, 5);
    EXPECT_FALSE(c.IsShown(Window::Form2));
  }
}

TEST(LeadingNumber, ReadsTheNumberAtTheStart) {
  const std::pair<const char*, double> cases[] = {
      {"90", 90}, {"1,5", 1},     {"1 5", 15},  {"\t-1\n.5", -1.5}, {"", 0},       {"abc", 0},
      {".", 0},   {"1e3x", 1000}, {"2D2", 200}, {"7e", 7},          {"+.25", 0.25}};
  for (const auto& [text, value] : cases) EXPECT_EQ(LeadingNumber(text), value) << text;
}

}  // namespace
}  // namespace tessaro
