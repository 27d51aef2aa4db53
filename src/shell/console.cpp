#include "shell/console.h"

#include <cmath>

#include "shell/help_topics.h"
#include "shell/leading_number.h"

namespace tessaro {

namespace {

const char* const kAlreadyOpen = " File is already open";
const char* const kFilesFirst = " Enter Input and output files first";

const char* const kInformation =
    "Tessaro, a teaching program for analytical photogrammetry. Copyright (c) 2026 the "
    "Tessaro developers, all rights reserved; contact: tessaro-team@example.org. This software "
    "is educational: its use is free for teaching and learning and forbidden for commercial "
    "purposes. It is provided as is, without any warranty, and its authors accept no "
    "liability for faults in it or for any damage that its use may cause.";

struct LabelCaptions {
  const char* name;
  const char* initial;
  const char* closed;
};

// The status labels with their initial and their closed captions (they
// differ: "Image Trans None" at start, "Image Trans: None" after closing).
const std::vector<LabelCaptions>& StatusLabels() {
  static const std::vector<LabelCaptions> labels = {
      {"Label1(0)", "Image Trans None", "Image Trans: None"},
      {"Label1(1)", "Resection None", "Resection: None"},
      {"Label1(3)", "Intersection None", "Intersection: None"},
      {"Label2", "Output none", "Output none"},
      {"Label7", "Relative Orient None", "Relative Orientation: None"},
      {"Label8", "Absolute Orientation None", "Absolute Orientation: None"},
  };
  return labels;
}

int WindowIndex(Window w) { return static_cast<int>(w); }

}  // namespace

const std::vector<CommandInfo>& CommandTable() {
  static const std::vector<CommandInfo> table = {
      {1, "Open-ImageTrans", Frame::Files},
      {2, "Open-Resection", Frame::Files},
      {3, "Open-Intersection", Frame::Files},
      {24, "Open Relative Orient", Frame::Files},
      {29, "Open Absolute Orient", Frame::Files},
      {4, "Open-OutputFile", Frame::Files},
      {20, "Close-ImageTrans", Frame::Files},
      {21, "Close-Resection", Frame::Files},
      {22, "Close-Intersection", Frame::Files},
      {25, "Close Relative Orient", Frame::Files},
      {30, "Close Absolute Orient", Frame::Files},
      {7, "Enter ImageTransData", Frame::EnterData},
      {8, "Enter Resection Data", Frame::EnterData},
      {9, "Enter Intersection Data", Frame::EnterData},
      {26, "Enter Relative Orient Data", Frame::EnterData},
      {31, "Enter Absolute Orient Data", Frame::EnterData},
      {13, "Process ImageTrans", Frame::ProcessData},
      {14, "Make Resection", Frame::ProcessData},
      {10, "Change Sta Parameters", Frame::ProcessData},
      {11, "Select Control Points", Frame::ProcessData},
      {12, "Iterations", Frame::ProcessData},
      {23, "Reverse Direction", Frame::ProcessData},
      {15, "Process Intersection", Frame::ProcessData},
      {27, "Process Relative Orient", Frame::ProcessData},
      {32, "Process Absolute Orient", Frame::ProcessData},
      {16, "Help General", Frame::Help},
      {17, "Help ImgTrans", Frame::Help},
      {18, "Help Resection", Frame::Help},
      {19, "Help Intersection", Frame::Help},
      {28, "Help RelOrient", Frame::Help},
      {33, "Help Abs Orient", Frame::Help},
      {5, "Information/Disclaimer", Frame::Help},
      {6, "Exit", Frame::Help},
  };
  return table;
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

const std::vector<std::string>& StatusLabelNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n;
    for (const LabelCaptions& l : StatusLabels()) n.push_back(l.name);
    return n;
  }();
  return names;
}

const std::vector<std::string>& WindowNames() {
  static const std::vector<std::string> names = {"Form1", "BlackBoard", "Form3", "Form2"};
  return names;
}

Console::Console(UiPort& ui, Operations operations) : ui_(ui), ops_(std::move(operations)) {
  captions_["Form1"] = "Tessaro";
  captions_["BlackBoard"] = "Temporary Results";
  captions_["Form3"] = "Help";
  captions_["Form2"] = "Station values";
  for (const LabelCaptions& l : StatusLabels()) captions_[l.name] = l.initial;
}

void Console::Load() {
  module.Pi = 4 * std::atan(1.0);
  for (int i = 1; i <= 11; ++i) {
    job.OpenFlag[static_cast<std::size_t>(i)] = kFalse;
    job.ReadyFlag[static_cast<std::size_t>(i)] = kFalse;
  }
}

std::string Console::Caption(const std::string& name) const {
  auto it = captions_.find(name);
  return it == captions_.end() ? std::string() : it->second;
}

void Console::SetCaption(const std::string& name, const std::string& caption) {
  captions_[name] = caption;
  ui_.CaptionChanged(name);
}

bool Console::PressCaption(const std::string& caption) {
  for (const CommandInfo& c : CommandTable()) {
    if (caption == c.caption) {
      Press(c.number);
      return true;
    }
  }
  return false;
}

void Console::Press(int number) {
  auto& open = job.OpenFlag;
  auto& ready = job.ReadyFlag;
  switch (number) {
    case 1: Open(1, 0, "Label1(0)"); break;
    case 2: Open(2, 1, "Label1(1)"); break;
    case 3: Open(3, 2, "Label1(3)"); break;
    case 24: Open(4, 3, "Label7"); break;
    case 29: Open(7, 6, "Label8"); break;
    case 4: OpenOutput(); break;
    case 20: CloseInput(1, "Label1(0)"); break;
    case 21:
      ShowClosed("Label1(1)");
      open[2] = kFalse;
      open[6] = kFalse;
      if (job.Channel2.is_open()) job.Channel2.close();
      break;
    case 22: CloseInput(3, "Label1(3)"); break;
    case 25: CloseInput(4, "Label7"); break;
    case 30:
      CloseInput(7, "Label8");
      ready[5] = kFalse;
      break;
    case 7: Enter(7, 5, 1, 0, ops_.ReadImageTransHeader); break;
    case 8: Enter(8, 5, 2, 1, ops_.ReadResectionInput); break;
    case 9: Enter(9, 5, 3, 2, ops_.ReadIntersectionData); break;
    case 26:
      // Nothing is read here: the relative orientation reads its file when
      // it is processed.
      Enter(26, 5, 4, 3, [](Console& c) { c.job.ReadyFlag[4] = kTrue; });
      break;
    case 31: Enter(31, 7, 5, 6, ops_.ReadAbsoluteOrientationData); break;
    case 13: ProcessImageTrans(); break;
    case 14: RunResection(14, 6); break;
    case 10: RunResection(10, 2); break;
    case 11: RunResection(11, 3); break;
    case 12: RunResection(12, 4); break;
    case 23: RunResection(23, 5); break;
    case 15:
      if (!ops_.ComputeIntersection) return NotAvailable(15);
      Run([this] { ops_.ComputeIntersection(*this); });
      break;
    case 27:
      if (ready[4] != kTrue) return ShowMessage(" You must first enter the relative orientation data");
      if (!ops_.RelativeOrientation) return NotAvailable(27);
      Run([this] { ops_.RelativeOrientation(*this); });
      break;
    case 32:
      if (ready[5] != kTrue) return ShowMessage(" You must first enter the absolute orientation data");
      if (!ops_.ComputeAbsoluteOrientation) return NotAvailable(32);
      Run([this] { ops_.ComputeAbsoluteOrientation(*this); });
      break;
    case 16: ShowHelp(0); break;
    case 17: ShowHelp(1); break;
    case 18: ShowHelp(2); break;
    case 19: ShowHelp(3); break;
    case 28: ShowHelp(4); break;
    case 33: ShowHelp(5); break;
    case 5: ShowMessage(kInformation); break;
    case 6: Exit(); break;
    default: break;
  }
}

void Console::Open(int flag, int fileIndex, const std::string& label) {
  if (job.OpenFlag[static_cast<std::size_t>(flag)] == kTrue) return ShowMessage(kAlreadyOpen);
  std::string name = ui_.ChooseFile(FileChoice::Input);
  if (name.empty()) return;  // a cancelled dialog changes nothing
  job.FileName[static_cast<std::size_t>(fileIndex)] = name;
  SetCaption(label, name);
  job.OpenFlag[static_cast<std::size_t>(flag)] = kTrue;
}

void Console::ShowClosed(const std::string& label) {
  for (const LabelCaptions& l : StatusLabels())
    if (label == l.name) SetCaption(label, l.closed);
}

void Console::CloseInput(int flag, const std::string& label) {
  ShowClosed(label);
  job.Channel1.Close();
  job.OpenFlag[static_cast<std::size_t>(flag)] = kFalse;
}

void Console::OpenOutput() {
  if (job.OpenFlag[5] == kTrue) return ShowMessage(kAlreadyOpen);
  std::string name = ui_.ChooseFile(FileChoice::Output);
  if (name.empty()) return;
  std::string error;
  if (!job.Channel5.Open(name, error)) return ShowMessage(error);
  job.OutputFileName = name;
  SetCaption("Label2", name);
  job.OpenFlag[5] = kTrue;
}

void Console::Enter(int number, int flagA, int flagB, int fileIndex,
                    const std::function<void(Console&)>& entry) {
  if (job.OpenFlag[static_cast<std::size_t>(flagA)] != kTrue ||
      job.OpenFlag[static_cast<std::size_t>(flagB)] != kTrue)
    return ShowMessage(kFilesFirst);
  if (!entry) return NotAvailable(number);
  // Channel 1 carries one input at a time: an input still open on it (its
  // operation leaves it to the Close commands) is closed first.
  std::string error;
  if (!job.Channel1.Open(job.FileName[static_cast<std::size_t>(fileIndex)], error)) {
    job.Channel1File = -1;
    return ShowMessage(error);
  }
  job.Channel1File = fileIndex;
  Run([this, &entry] { entry(*this); });
}

void Console::ProcessImageTrans() {
  if (!ops_.TransformImages) return NotAvailable(13);
  // The body of the file is read where "Enter ImageTransData" left channel 1.
  if (job.ReadyFlag[1] != kTrue || !job.Channel1.IsOpen() || job.Channel1File != 0)
    return ShowMessage(" You must first enter the image transformation data");
  Run([this] {
    std::int16_t refusal = 0;
    ops_.TransformImages(*this, refusal);
    if (refusal == 0) job.ReadyFlag[1] = kTrue;
  });
}

void Console::RunResection(int number, int mode) {
  if (!ops_.Resection) return NotAvailable(number);
  Run([this, mode] {
    if (job.OpenFlag[6] != kTrue) ops_.Resection(*this, 1);
    ops_.Resection(*this, mode);
  });
}

void Console::ShowHelp(int topic) {
  const HelpTopic& help = GetHelpTopic(static_cast<HelpTopicId>(topic));
  if (help.openHelpWindow) ui_.PlaceHelpWindow();
  SetCaption("Form3", help.caption);
  Form3.Clear();
  Show(Window::Form3);
  for (const std::string& line : help.lines) {
    if (line.empty())
      PrintItems(Form3, {});
    else
      PrintItems(Form3, {line});
  }
}

void Console::Exit() {
  job.Channel1.Close();
  job.Channel5.Close();
  if (job.Channel2.is_open()) job.Channel2.close();
  ui_.EndProgram();
}

void Console::Run(const std::function<void()>& procedure) {
  const auto openBefore = job.OpenFlag;
  const auto readyBefore = job.ReadyFlag;
  Module1 moduleBefore = module;
  try {
    procedure();
  } catch (const InputError& e) {
    job.OpenFlag = openBefore;
    job.ReadyFlag = readyBefore;
    module = std::move(moduleBefore);
    // The file cannot be read on from a faulty field: its input is closed,
    // and an open report line is ended so that the next section starts clean.
    job.Channel1.Close();
    if (job.Channel5.Column() != 1) job.Channel5.EndLine();
    ShowMessage(e.what());
  }
  job.Channel5.Flush();
}

void Console::NotAvailable(int number) {
  for (const CommandInfo& c : CommandTable())
    if (c.number == number)
      ShowMessage(std::string(" ") + c.caption + ": this operation is not available in this version");
}

void Console::Show(Window window) {
  shown_[static_cast<std::size_t>(WindowIndex(window))] = true;
  ui_.ShowWindow(window);
}

void Console::HideWindow(Window window) {
  shown_[static_cast<std::size_t>(WindowIndex(window))] = false;
  ui_.HideWindow(window);
}

bool Console::IsShown(Window window) const {
  return shown_[static_cast<std::size_t>(WindowIndex(window))];
}

void Console::ShowBlackBoard() {
  Show(Window::BlackBoard);
  BlackBoard.Clear();
  for (int i = 1; i <= 8; ++i) PrintItems(BlackBoard, {});
}

void Console::ClearConsole() {
  Screen.Clear();
  for (int i = 1; i <= 12; ++i) PrintItems(Screen, {});
}

void Console::StationValuesReturn() {
  const double d = (4 * std::atan(1.0)) / 180;
  OneBased<double>& sv = module.StationValues;
  for (int k = 1; k <= 9; ++k) sv(static_cast<std::size_t>(k)) = LeadingNumber(Text1[static_cast<std::size_t>(k - 1)]);
  module.Xo = sv(1);
  module.Yo = sv(2);
  module.Zo = sv(3);
  module.Omega = sv(4) * d;
  sv(4) = module.Omega;
  module.Phi = sv(5) * d;
  sv(5) = module.Phi;
  module.Kappa = sv(6) * d;
  sv(6) = module.Kappa;
  module.SigmaAngle = sv(9) * d;
  sv(9) = module.SigmaAngle;
  HideWindow(Window::Form2);
}

}  // namespace tessaro
