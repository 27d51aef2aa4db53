#include "shell/console.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "shell/help_topics.h"
#include "shell/leading_number.h"
#include "testing/test_support.h"

namespace tessaro {
namespace {

namespace fs = std::filesystem;

class ConsoleTest : public TempDirTest {
 protected:
  // Chooses `name` with the button `caption`.
  void Choose(Console& c, const std::string& caption, const std::string& name) {
    port.files.push_back(name);
    ASSERT_TRUE(c.PressCaption(caption));
  }

  FakeUi port;
};

const char* const kEnterCaptions[] = {"Enter ImageTransData", "Enter Resection Data",
                                      "Enter Intersection Data", "Enter Relative Orient Data",
                                      "Enter Absolute Orient Data"};

TEST_F(ConsoleTest, StartsEmptyAndRefusesToEnterWithoutFiles) {
  Console c(port);
  c.Load();
  EXPECT_DOUBLE_EQ(c.module.Pi, 3.141592653589793);
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(c.job.OpenFlag(i), kFalse);
    EXPECT_EQ(c.job.ReadyFlag(i), kFalse);
  }
  EXPECT_EQ(c.Caption("Label1(0)"), "Image Trans None");
  EXPECT_EQ(c.Caption("Label1(1)"), "Resection None");
  EXPECT_EQ(c.Caption("Label1(3)"), "Intersection None");
  EXPECT_EQ(c.Caption("Label2"), "Output none");
  EXPECT_EQ(c.Caption("Label7"), "Relative Orient None");
  EXPECT_EQ(c.Caption("Label8"), "Absolute Orientation None");
  for (const char* caption : kEnterCaptions) ASSERT_TRUE(c.PressCaption(caption));
  EXPECT_EQ(port.messages, std::vector<std::string>(5, " Enter Input and output files first"));
  EXPECT_FALSE(c.job.Channel1.IsOpen());
  // An input file alone is not enough: the report must be chosen too.
  Choose(c, "Open Absolute Orient", File("abs.txt", "x"));
  c.PressCaption("Enter Absolute Orient Data");
  EXPECT_EQ(port.messages.back(), " Enter Input and output files first");
}

TEST_F(ConsoleTest, ChoosingFilesSetsNamesLabelsAndFlagsOnce) {
  Console c(port);
  c.Load();
  struct Row {
    const char* open;
    int flag, index;
    const char* label;
  };
  for (Row r : {Row{"Open-ImageTrans", 1, 0, "Label1(0)"}, Row{"Open-Resection", 2, 1, "Label1(1)"},
                Row{"Open-Intersection", 3, 2, "Label1(3)"}, Row{"Open Relative Orient", 4, 3, "Label7"},
                Row{"Open Absolute Orient", 7, 6, "Label8"}}) {
    std::string name = (dir / (std::string(r.label) + ".txt")).string();
    Choose(c, r.open, name);
    EXPECT_EQ(c.job.FileName[static_cast<std::size_t>(r.index)], name) << r.open;
    EXPECT_EQ(c.Caption(r.label), name);
    EXPECT_EQ(c.job.OpenFlag(r.flag), kTrue);
    Choose(c, r.open, "other.txt");
    EXPECT_EQ(port.messages.back(), " File is already open");
    EXPECT_EQ(c.job.FileName[static_cast<std::size_t>(r.index)], name);
    port.files.clear();
  }
  EXPECT_EQ(port.messages.size(), 5u);
}

TEST_F(ConsoleTest, ACancelledDialogChangesNothing) {
  Console c(port);
  c.Load();
  Choose(c, "Open-Resection", "");
  Choose(c, "Open-OutputFile", "");
  EXPECT_EQ(c.job.OpenFlag(2), kFalse);
  EXPECT_EQ(c.job.OpenFlag(5), kFalse);
  EXPECT_EQ(c.Caption("Label1(1)"), "Resection None");
  EXPECT_FALSE(c.job.Channel5.IsOpen());
  EXPECT_TRUE(port.messages.empty());
}

TEST_F(ConsoleTest, TheReportIsEmptiedOnceAndKeptForTheRun) {
  std::string first = File("first.txt", "old report\r\n");
  std::string second = File("second.txt", "keep me");
  Console c(port);
  c.Load();
  Choose(c, "Open-OutputFile", first);
  EXPECT_EQ(Read(first), "");
  EXPECT_EQ(c.Caption("Label2"), first);
  Choose(c, "Open-OutputFile", second);
  EXPECT_EQ(port.messages.back(), " File is already open");
  EXPECT_EQ(c.job.OutputFileName, first);
  EXPECT_EQ(Read(second), "keep me");
  PrintItems(c.job.Channel5, {"line"});
  c.PressCaption("Exit");
  EXPECT_TRUE(port.ended);
  EXPECT_EQ(Read(first), "line\r\n");
}

TEST_F(ConsoleTest, CloseCommandsShowClosedCaptionsAndClearFlags) {
  Console c(port);
  c.Load();
  Choose(c, "Open-ImageTrans", "a.txt");
  c.PressCaption("Close-ImageTrans");
  EXPECT_EQ(c.Caption("Label1(0)"), "Image Trans: None");
  EXPECT_EQ(c.job.OpenFlag(1), kFalse);
  Choose(c, "Open-ImageTrans", "b.txt");  // accepted again after closing
  EXPECT_EQ(c.Caption("Label1(0)"), "b.txt");

  c.job.OpenFlag(6) = kTrue;  // resection prepared
  Choose(c, "Open-Resection", "r.txt");
  c.PressCaption("Close-Resection");
  EXPECT_EQ(c.Caption("Label1(1)"), "Resection: None");
  EXPECT_EQ(c.job.OpenFlag(2), kFalse);
  EXPECT_EQ(c.job.OpenFlag(6), kFalse);

  c.PressCaption("Close-Intersection");
  EXPECT_EQ(c.Caption("Label1(3)"), "Intersection: None");
  c.PressCaption("Close Relative Orient");
  EXPECT_EQ(c.Caption("Label7"), "Relative Orientation: None");

  c.job.ReadyFlag(5) = kTrue;
  c.PressCaption("Close Absolute Orient");
  EXPECT_EQ(c.Caption("Label8"), "Absolute Orientation: None");
  EXPECT_EQ(c.job.ReadyFlag(5), kFalse);
  c.PressCaption("Process Absolute Orient");
  EXPECT_EQ(port.messages.back(), " You must first enter the absolute orientation data");
}

TEST_F(ConsoleTest, CloseCommandsCloseTheirChannels) {
  Console c(port);
  c.Load();
  // Every Close command but the resection's closes the input on channel 1;
  // the resection's closes the intersection's side file on channel 2.
  for (const char* close : {"Close-ImageTrans", "Close-Intersection", "Close Relative Orient",
                            "Close Absolute Orient"}) {
    c.job.Channel1.OpenText("1 2 3", "in.txt");
    c.PressCaption(close);
    EXPECT_FALSE(c.job.Channel1.IsOpen()) << close;
  }
  c.job.Channel1.OpenText("1 2 3", "in.txt");
  c.job.Channel2.open(PathOf("side.bin"), std::ios::out | std::ios::binary);
  ASSERT_TRUE(c.job.Channel2.is_open());
  c.PressCaption("Close-Resection");
  EXPECT_FALSE(c.job.Channel2.is_open());
  EXPECT_TRUE(c.job.Channel1.IsOpen());
}

TEST_F(ConsoleTest, EnteringRelativeOrientationReadsNothing) {
  Console c(port);
  c.Load();
  c.PressCaption("Process Relative Orient");
  EXPECT_EQ(port.messages.back(), " You must first enter the relative orientation data");
  Choose(c, "Open-OutputFile", (dir / "out.txt").string());
  Choose(c, "Open Relative Orient", File("rel.txt", "not a relative orientation file"));
  c.PressCaption("Enter Relative Orient Data");
  EXPECT_EQ(c.job.ReadyFlag(4), kTrue);
  EXPECT_TRUE(c.job.Channel1.IsOpen());
}

TEST_F(ConsoleTest, ResectionCommandsPrepareOnlyWhileUnprepared) {
  std::vector<int> modes;
  Operations ops;
  ops.Resection = [&modes](Console& c, int mode) {
    modes.push_back(mode);
    if (mode == 1) c.job.OpenFlag(6) = kTrue;
  };
  Console c(port, ops);
  c.Load();
  c.PressCaption("Make Resection");
  c.PressCaption("Make Resection");
  c.PressCaption("Iterations");
  c.PressCaption("Close-Resection");
  c.PressCaption("Reverse Direction");
  c.PressCaption("Select Control Points");
  c.PressCaption("Change Sta Parameters");
  EXPECT_EQ(modes, (std::vector<int>{1, 6, 6, 4, 1, 5, 3, 2}));
}

TEST_F(ConsoleTest, OperationsNotBuiltSaySoAndProcessImageTransNeedsItsData) {
  Operations ops;
  int transforms = 0;
  ops.TransformImages = [&transforms](Console&, std::int16_t& refusal) {
    ++transforms;
    refusal = 0;
  };
  Console c(port, ops);
  c.Load();
  c.PressCaption("Make Resection");
  EXPECT_EQ(port.messages.back(), " Make Resection: this operation is not available in this version");
  c.PressCaption("Process ImageTrans");
  EXPECT_EQ(port.messages.back(), " You must first enter the image transformation data");
  EXPECT_EQ(transforms, 0);
  Choose(c, "Open-OutputFile", (dir / "out.txt").string());
  Choose(c, "Open-Resection", File("res.txt", "t"));
  c.PressCaption("Enter Resection Data");
  EXPECT_EQ(port.messages.back(),
            " Enter Resection Data: this operation is not available in this version");
  EXPECT_FALSE(c.job.Channel1.IsOpen());  // nothing was opened for it
}

TEST_F(ConsoleTest, InputErrorsBecomeMessagesAndLeaveTheStateAsItWas) {
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
  Console c(port, ops);
  c.Load();
  std::string report = (dir / "out.txt").string();
  Choose(c, "Open-OutputFile", report);
  Choose(c, "Open-ImageTrans", File("it.txt", "Title\n x6, 4\n"));
  c.job.ReadyFlag(1) = kTrue;
  c.module.FiducialCount = 7;
  c.PressCaption("Enter ImageTransData");
  EXPECT_EQ(port.messages.back(),
            "it.txt, line 2: expected a whole number from -32768 to 32767 (number of photos), "
            "found \"x6\"");
  EXPECT_EQ(c.job.ReadyFlag(1), kTrue);
  EXPECT_EQ(c.module.FiducialCount, 7);
  EXPECT_FALSE(c.job.Channel1.IsOpen());
  EXPECT_EQ(Read(report), "Title" + std::string(75, ' ') + "\r\npartial \r\n");  // flushed
}

TEST_F(ConsoleTest, AMissingInputFileIsAMessage) {
  Operations ops;
  ops.ReadAbsoluteOrientationData = [](Console&) { FAIL() << "must not run"; };
  Console c(port, ops);
  c.Load();
  Choose(c, "Open-OutputFile", (dir / "out.txt").string());
  Choose(c, "Open Absolute Orient", (dir / "missing.txt").string());
  c.PressCaption("Enter Absolute Orient Data");
  EXPECT_EQ(port.messages.back(), "Cannot open the input file missing.txt");
}

TEST_F(ConsoleTest, HelpTopicsReplaceEachOtherAndOnlyOperationTopicsMoveTheWindow) {
  Console c(port);
  c.Load();
  struct Topic {
    const char* command;
    HelpTopicId id;
    const char* caption;
  };
  int placed = 0;
  for (Topic t : {Topic{"Help ImgTrans", HelpTopicId::ImageTransformation,
                        "Image Transformation Help Information"},
                  Topic{"Help Intersection", HelpTopicId::Intersection,
                        "Intersection Help Information"},
                  Topic{"Help RelOrient", HelpTopicId::RelativeOrientation,
                        "Relative Orientation Help Information"},
                  Topic{"Help Abs Orient", HelpTopicId::AbsoluteOrientation,
                        "Absolute Orientation Help Information"}}) {
    c.PressCaption(t.command);
    EXPECT_EQ(c.Caption("Form3"), t.caption);
    EXPECT_EQ(port.placed, ++placed);
    EXPECT_EQ(c.Form3.Lines(), GetHelpTopic(t.id).lines) << t.command;
  }
  port.placed = 0;
  c.PressCaption("Help Resection");
  EXPECT_EQ(c.Caption("Form3"), "Resection Help Information");
  EXPECT_EQ(port.placed, 1);
  c.PressCaption("Help General");
  EXPECT_EQ(c.Caption("Form3"), "General Help Information");
  EXPECT_EQ(port.placed, 1);
  EXPECT_TRUE(c.IsShown(Window::Form3));
  std::vector<std::string> lines = c.Form3.Lines();
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines.front(), "This program has been designed to produce knowlege on basic photogrammetric");
  EXPECT_EQ(lines.back(), " Notice that [D.d] means Decimal Degrees ");
  c.HideWindow(Window::Form3);
  EXPECT_FALSE(c.IsShown(Window::Form3));
  EXPECT_EQ(c.Form3.Lines().size(), 9u);  // hiding keeps the text
}

TEST_F(ConsoleTest, BlackBoardStartsEachRunEightLinesDown) {
  Console c(port);
  c.ShowBlackBoard();
  PrintItems(c.BlackBoard, {"first run"});
  c.ShowBlackBoard();
  PrintItems(c.BlackBoard, {"second run"});
  std::vector<std::string> expected(8, "");
  expected.push_back("second run");
  EXPECT_EQ(c.BlackBoard.Lines(), expected);
  EXPECT_TRUE(c.IsShown(Window::BlackBoard));
  c.ClearConsole();
  EXPECT_EQ(c.Screen.Lines(), std::vector<std::string>(12, ""));
}

TEST_F(ConsoleTest, StationValuesReturnReadsTheBoxesEveryTime) {
  Console c(port);
  c.Load();
  c.module.SigmaXY = 5;
  c.Text1 = {"800", " 1 5", "1,5", "90", "-45", "", "1000", "2e3", "0.5abc"};
  c.StationValuesReturn();
  const double d = std::atan(1.0) * 4 / 180;
  EXPECT_EQ(c.module.Xo, 800);
  EXPECT_EQ(c.module.Yo, 15);
  EXPECT_EQ(c.module.Zo, 1);
  EXPECT_EQ(c.module.Omega, 90 * d);
  EXPECT_DOUBLE_EQ(c.module.Omega, std::acos(0.0));
  EXPECT_EQ(c.module.StationValues(4), c.module.Omega);
  EXPECT_EQ(c.module.Phi, -45 * d);
  EXPECT_EQ(c.module.Kappa, 0);
  EXPECT_EQ(c.module.StationValues(7), 1000);
  EXPECT_EQ(c.module.StationValues(8), 2000);
  EXPECT_EQ(c.module.SigmaXY, 5);  // not touched by the dialog
  EXPECT_EQ(c.module.SigmaAngle, 0.5 * d);
  EXPECT_EQ(c.module.StationValues(9), 0.5 * d);
  EXPECT_FALSE(c.IsShown(Window::Form2));
  c.StationValuesReturn();  // the same texts give the same values again
  EXPECT_EQ(c.module.Omega, 90 * d);
  EXPECT_EQ(c.module.StationValues(4), 90 * d);
}

TEST(LeadingNumber, ReadsLikeTheNumberAtTheStartOfTheText) {
  EXPECT_EQ(LeadingNumber("90"), 90);
  EXPECT_EQ(LeadingNumber("1,5"), 1);
  EXPECT_EQ(LeadingNumber("1 5"), 15);
  EXPECT_EQ(LeadingNumber("\t-1\n.5"), -1.5);
  EXPECT_EQ(LeadingNumber(""), 0);
  EXPECT_EQ(LeadingNumber("abc"), 0);
  EXPECT_EQ(LeadingNumber("."), 0);
  EXPECT_EQ(LeadingNumber("1e3x"), 1000);
  EXPECT_EQ(LeadingNumber("2D2"), 200);
  EXPECT_EQ(LeadingNumber("7e"), 7);
  EXPECT_EQ(LeadingNumber("+.25"), 0.25);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(-3.5), -4);
  EXPECT_EQ(RoundHalfEven(0.49), 0);
}

}  // namespace
}  // namespace tessaro
