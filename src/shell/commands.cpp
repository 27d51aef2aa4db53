#include "shell/commands.h"

namespace tessaro {

namespace {

// What a command says when the data it processes are not entered: the
// console's words, and the operation's own (worded differently).
constexpr const char* kImageTransNotEntered = " You must first enter the image transformation data";
constexpr const char* kRelativeNotEntered = " You must first enter the relative orientation data";
constexpr const char* kAbsoluteNotEntered = " You must first enter the absolute orientation data";
constexpr const char* kResectionNotRefined = "You must enter and refine Resection data first";
constexpr const char* kIntersectionNotRefined = "You must enter and refine Intersection data first";
constexpr const char* kRelativeNotRefined =
    "You must enter and refine Relative Orientation data first";

CommandInfo Open(int number, const char* caption, int flag, int file, const char* label) {
  return {number, caption, Frame::Files, CommandKind::Open, flag, file, label};
}
CommandInfo Close(int number, const char* caption, int flag, const char* label) {
  return {number, caption, Frame::Files, CommandKind::Close, flag, -1, label};
}
CommandInfo Enter(int number, const char* caption, int flag, int file,
                  Operations::Entry Operations::*entry) {
  return {number, caption, Frame::EnterData, CommandKind::Enter, flag, file, nullptr, entry};
}
CommandInfo Process(int number, const char* caption, int readyFlag,
                    Operations::Entry Operations::*entry, const char* notEntered,
                    const char* notRefined = nullptr) {
  CommandInfo c{number,  caption, Frame::ProcessData, CommandKind::Process, readyFlag, -1,
                nullptr, entry,   notEntered};
  c.notRefined = notRefined;
  return c;
}
CommandInfo Resection(int number, const char* caption, int mode) {
  CommandInfo c{number, caption, Frame::Resection, CommandKind::Resection};
  c.mode = mode;
  c.notRefined = kResectionNotRefined;
  return c;
}
CommandInfo Help(int number, const char* caption, HelpTopicId topic) {
  CommandInfo c{number, caption, Frame::Help, CommandKind::Help};
  c.topic = topic;
  return c;
}

}  // namespace

const std::vector<CommandInfo>& CommandTable() {
  using O = Operations;
  static const std::vector<CommandInfo> table = {
      Open(1, "Open-ImageTrans", kImageTransChosen, kImageTransFile, "Label1(0)"),
      Open(2, "Open-Resection", kResectionChosen, kResectionFile, "Label1(1)"),
      Open(3, "Open-Intersection", kIntersectionChosen, kIntersectionFile, "Label1(3)"),
      Open(24, "Open Relative Orient", kRelativeChosen, kRelativeFile, "Label7"),
      Open(29, "Open Absolute Orient", kAbsoluteChosen, kAbsoluteFile, "Label8"),
      {4, "Open-OutputFile", Frame::Files, CommandKind::OpenOutput, kReportOpen, -1, "Label2"},
      Close(20, "Close-ImageTrans", kImageTransChosen, "Label1(0)"),
      Close(21, "Close-Resection", kResectionChosen, "Label1(1)"),
      Close(22, "Close-Intersection", kIntersectionChosen, "Label1(3)"),
      Close(25, "Close Relative Orient", kRelativeChosen, "Label7"),
      Close(30, "Close Absolute Orient", kAbsoluteChosen, "Label8"),
      Enter(7, "Enter ImageTransData", kImageTransChosen, kImageTransFile,
            &O::ReadImageTransHeader),
      Enter(8, "Enter Resection Data", kResectionChosen, kResectionFile, &O::ReadResectionInput),
      Enter(9, "Enter Intersection Data", kIntersectionChosen, kIntersectionFile,
            &O::ReadIntersectionData),
      // The relative orientation reads its file when it is processed.
      Enter(26, "Enter Relative Orient Data", kRelativeChosen, kRelativeFile, nullptr),
      Enter(31, "Enter Absolute Orient Data", kAbsoluteChosen, kAbsoluteFile,
            &O::ReadAbsoluteOrientationData),
      Process(kProcessImageTransCommand, "Process ImageTrans", kImageTransEntered, nullptr,
              kImageTransNotEntered),
      Resection(kMakeResectionCommand, "Make Resection", kMakeResection),
      Resection(10, "Change Sta Parameters", kChangeStationValues),
      Resection(11, "Select Control Points", kSelectControlPoints),
      Resection(12, "Iterations", kSetIterationLimit),
      Resection(23, "Reverse Direction", kReverseDirection),
      Process(kProcessIntersectionCommand, "Process Intersection", 0, &O::ComputeIntersection,
              nullptr, kIntersectionNotRefined),
      Process(kProcessRelativeCommand, "Process Relative Orient", kRelativeEntered,
              &O::RelativeOrientation, kRelativeNotEntered, kRelativeNotRefined),
      Process(kProcessAbsoluteCommand, "Process Absolute Orient", kAbsoluteEntered,
              &O::ComputeAbsoluteOrientation, kAbsoluteNotEntered),
      Help(16, "Help General", HelpTopicId::General),
      Help(17, "Help ImgTrans", HelpTopicId::ImageTransformation),
      Help(18, "Help Resection", HelpTopicId::Resection),
      Help(19, "Help Intersection", HelpTopicId::Intersection),
      Help(28, "Help RelOrient", HelpTopicId::RelativeOrientation),
      Help(33, "Help Abs Orient", HelpTopicId::AbsoluteOrientation),
      {5, "Information/Disclaimer", Frame::Help, CommandKind::Information},
      {6, "Exit", Frame::Help, CommandKind::Exit},
  };
  return table;
}

const char* FrameName(Frame frame) {
  switch (frame) {
    case Frame::Files:
      return "Frame1";
    case Frame::EnterData:
      return "Frame2";
    case Frame::ProcessData:
    case Frame::Resection:
      return "Frame3";
    case Frame::Help:
      return "Frame4";
  }
  return "";
}

const CommandInfo* FindCommand(int number) {
  for (const CommandInfo& c : CommandTable())
    if (c.number == number) return &c;
  return nullptr;
}

const char* NotEnteredMessage(int number) { return FindCommand(number)->notEntered; }
const char* NotRefinedMessage(int number) { return FindCommand(number)->notRefined; }

const CommandInfo* FindCommand(const std::string& caption) {
  for (const CommandInfo& c : CommandTable())
    if (caption == c.caption) return &c;
  return nullptr;
}

const std::vector<StaticCaption>& FormCaptions() {
  static const std::vector<StaticCaption> captions = {
      {"Frame1", "Enter/ Close Files"},
      {"Frame2", "Enter Data"},
      {"Frame3", "Process Data"},
      {"Frame4", "Help /Information /Exit"},
      {"Label3(0)", "        Enter Files"},
      {"Label3(1)", "        Close Files"},
      {"Label4", "            Enter data"},
      {"Label6", "        Data Processing"},
      {"Label5", "          Process Resection"},
  };
  return captions;
}

const std::vector<StatusLabelCaptions>& StatusLabels() {
  static const std::vector<StatusLabelCaptions> labels = {
      {"Label1(0)", "Image Trans None", "Image Trans: None"},
      {"Label1(1)", "Resection None", "Resection: None"},
      {"Label1(3)", "Intersection None", "Intersection: None"},
      {"Label2", "Output none", "Output none"},
      {"Label7", "Relative Orient None", "Relative Orientation: None"},
      {"Label8", "Absolute Orientation None", "Absolute Orientation: None"},
  };
  return labels;
}

const std::vector<std::string>& WindowNames() {
  static const std::vector<std::string> names = {"Form1", "BlackBoard", "Form3", "Form2"};
  return names;
}

}  // namespace tessaro
