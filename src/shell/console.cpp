#include "shell/console.h"

#include <cmath>

#include "numeric/rotation.h"
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

int WindowIndex(Window w) { return static_cast<int>(w); }

}  // namespace

Console::Console(UiPort& ui, Operations operations) : ui_(ui), ops_(std::move(operations)) {
  captions_["Form1"] = "Tessaro";
  captions_["BlackBoard"] = "Temporary Results";
  captions_["Form3"] = "Help";
  captions_["Form2"] = "Station values";
  for (const StatusLabelCaptions& l : StatusLabels()) captions_[l.name] = l.initial;
}

void Console::Load() {
  module.Pi = 4 * std::atan(1.0);
  job.OpenFlag.fill(kFalse);
  job.ReadyFlag.fill(kFalse);
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
  const CommandInfo* c = FindCommand(caption);
  if (c) Press(c->number);
  return c != nullptr;
}

void Console::Press(int number) {
  const CommandInfo* c = FindCommand(number);
  if (!c) return;
  Dispatch(*c);
  // Every finished command is on disk, so that a program that is killed or
  // crashes later loses no section of the report.
  job.Channel5.Flush();
}

void Console::Dispatch(const CommandInfo& c) {
  switch (c.kind) {
    case CommandKind::Open:
      return Open(c);
    case CommandKind::OpenOutput:
      return OpenOutput(c);
    case CommandKind::Close:
      return Close(c);
    case CommandKind::Enter:
      return Enter(c);
    case CommandKind::Process:
      return Process(c);
    case CommandKind::Resection:
      return RunResection(c);
    case CommandKind::Help:
      return ShowHelp(c.topic);
    case CommandKind::Information:
      return ShowMessage(kInformation);
    case CommandKind::Exit:
      return Exit();
  }
}

void Console::Open(const CommandInfo& c) {
  if (job.OpenFlag(c.flag) == kTrue) return ShowMessage(kAlreadyOpen);
  std::string name = ui_.ChooseFile(FileChoice::Input);
  if (name.empty()) return;  // a cancelled dialog changes nothing
  job.FileName[c.file] = name;
  SetCaption(c.label, name);
  job.OpenFlag(c.flag) = kTrue;
}

void Console::OpenOutput(const CommandInfo& c) {
  if (job.OpenFlag(c.flag) == kTrue) return ShowMessage(kAlreadyOpen);
  std::string name = ui_.ChooseFile(FileChoice::Output);
  if (name.empty()) return;
  std::string error;
  if (!job.Channel5.Open(name, error)) return ShowMessage(error);
  job.OutputFileName = name;
  SetCaption(c.label, name);
  job.OpenFlag(c.flag) = kTrue;
}

void Console::Close(const CommandInfo& c) {
  for (const StatusLabelCaptions& l : StatusLabels())
    if (std::string(c.label) == l.name) SetCaption(c.label, l.closed);
  if (c.flag == kResectionChosen) {
    // The resection reads nothing more on channel 1; giving it up also
    // undoes its preparation and closes the intersection's side file.
    job.OpenFlag(kResectionChosen) = kFalse;
    job.OpenFlag(kResectionPrepared) = kFalse;
    if (job.Channel2.is_open()) job.Channel2.close();
    return;
  }
  job.Channel1.Close();
  job.OpenFlag(c.flag) = kFalse;
  if (c.flag == kAbsoluteChosen) job.ReadyFlag(kAbsoluteEntered) = kFalse;
}

void Console::Enter(const CommandInfo& c) {
  if (job.OpenFlag(kReportOpen) != kTrue || job.OpenFlag(c.flag) != kTrue)
    return ShowMessage(kFilesFirst);
  const Operations::Entry* entry = c.entry ? &(ops_.*c.entry) : nullptr;
  if (entry && !*entry) return NotAvailable(c);
  // Channel 1 carries one input at a time: an input still open on it (its
  // operation leaves it to the Close commands) is closed first.
  std::string error;
  if (!job.Channel1.Open(job.FileName[c.file], error)) {
    job.Channel1File = -1;
    return ShowMessage(error);
  }
  job.Channel1File = c.file;
  if (!entry) {
    // Nothing is read here: the relative orientation reads its file when it
    // is processed.
    job.ReadyFlag(kRelativeEntered) = kTrue;
    return;
  }
  Run([this, entry] { (*entry)(*this); });
}

void Console::Process(const CommandInfo& c) {
  if (c.number == kProcessImageTransCommand) return ProcessImageTrans(c);
  if (c.flag != 0 && job.ReadyFlag(c.flag) != kTrue) return ShowMessage(c.notEntered);
  const Operations::Entry& entry = ops_.*c.entry;
  if (!entry) return NotAvailable(c);
  Run([this, &entry] { entry(*this); });
}

void Console::ProcessImageTrans(const CommandInfo& c) {
  if (!ops_.TransformImages) return NotAvailable(c);
  // The body of the file is read where "Enter ImageTransData" left channel 1.
  if (job.ReadyFlag(c.flag) != kTrue || !job.Channel1.IsOpen() ||
      job.Channel1File != kImageTransFile)
    return ShowMessage(c.notEntered);
  Run([this] {
    std::int16_t refusal = 0;
    ops_.TransformImages(*this, refusal);
    if (refusal == 0) job.ReadyFlag(kImageTransEntered) = kTrue;
  });
}

void Console::RunResection(const CommandInfo& c) {
  if (!ops_.Resection) return NotAvailable(c);
  Run([this, &c] {
    if (job.OpenFlag(kResectionPrepared) != kTrue) ops_.Resection(*this, kPrepareResection);
    ops_.Resection(*this, c.mode);
  });
}

void Console::ShowHelp(HelpTopicId topic) {
  const HelpTopic& help = GetHelpTopic(topic);
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
}

void Console::NotAvailable(const CommandInfo& c) {
  ShowMessage(std::string(" ") + c.caption + ": this operation is not available in this version");
}

void Console::Show(Window window) {
  shown_[WindowIndex(window)] = true;
  ui_.ShowWindow(window);
}

void Console::HideWindow(Window window) {
  shown_[WindowIndex(window)] = false;
  ui_.HideWindow(window);
}

bool Console::IsShown(Window window) const { return shown_[WindowIndex(window)]; }

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
  const double d = DegreeFactor();
  OneBased<double>& sv = module.StationValues;
  for (int k = 1; k <= 9; ++k) sv(k) = LeadingNumber(Text1[k - 1]);
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
