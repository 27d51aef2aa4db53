// The main console: the job state of a run and the 33 commands of Form1.
//
// The console computes nothing. Each command tests the job state (which
// files are chosen, which data are entered), opens the channel that an
// operation needs and calls the operation's entry procedure, or answers
// with a message. Flags are 16-bit whole numbers, true = -1, false = 0.
//
// Channels: 1 carries the input file of the operation being entered (one at
// a time), 5 the report file (opened once, emptied, kept until the end), 2
// the intersection's binary side file.
#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "shell/commands.h"
#include "shell/input_channel.h"
#include "shell/module_data.h"
#include "shell/print.h"
#include "shell/report_channel.h"
#include "shell/ui_port.h"

namespace tessaro {

inline constexpr std::int16_t kTrue = -1;
inline constexpr std::int16_t kFalse = 0;

struct JobState {
  // Numbered from 0; the kImageTransFile... entries of commands.h.
  std::array<std::string, 7> FileName;
  std::string OutputFileName;
  // The k...Chosen, kReportOpen and kResectionPrepared slots of commands.h.
  OneBased<std::int16_t> OpenFlag = OneBased<std::int16_t>(11);
  // The k...Entered and kResectionSolved slots of commands.h.
  OneBased<std::int16_t> ReadyFlag = OneBased<std::int16_t>(11);
  InputChannel Channel1;
  // The FileName entry that channel 1 was last opened on (-1: none).
  int Channel1File = -1;
  ReportChannel Channel5;
  std::fstream Channel2;
};

class Console {
 public:
  Console(UiPort& ui, Operations operations = {});

  // What Form1 does when it loads: Pi, flags cleared, captions set.
  void Load();
  // Presses CommandN. Unknown numbers do nothing.
  void Press(int number);
  // Presses the button with this exact caption; false when there is none.
  bool PressCaption(const std::string& caption);

  // Shows BlackBoard, clears it and prints 8 empty lines.
  void ShowBlackBoard();
  // Clears the main window's print surface and prints 12 empty lines.
  void ClearConsole();
  // Shows Form2, modeless, with the texts now in Text1.
  void ShowStationValues() { Show(Window::Form2); }
  // Form2's "Return": reads the nine boxes into the station values.
  void StationValuesReturn();
  // "Return" on BlackBoard or Form3, and hiding Form2.
  void HideWindow(Window window);
  bool IsShown(Window window) const;

  // Caption of a control or window by its name ("Label1(0)", "Form3").
  std::string Caption(const std::string& name) const;
  void SetCaption(const std::string& name, const std::string& caption);

  // The operations' way to talk to the user.
  void ShowMessage(const std::string& text) { ui_.ShowMessage(text); }
  std::string AskLine(const std::string& prompt, std::optional<Twips> position = std::nullopt) {
    return ui_.AskLine(prompt, position);
  }

  // The picture of the last operation run, as SVG text. An operation hands
  // over a drawing of its result value after it ran and after every
  // iteration; it is drawn only when asked for, so that an adjustment that
  // nobody watches pays nothing for it. The UI port is told of each change.
  using Picture = std::function<std::string()>;
  void SetPicture(Picture draw) {
    picture_ = std::move(draw);
    ui_.PictureChanged();
  }
  bool HasPicture() const { return static_cast<bool>(picture_); }
  // The SVG document of the current picture; "" before any operation drew one.
  std::string PictureSvg() const { return picture_ ? picture_() : std::string(); }

  Module1 module;
  JobState job;
  PrintSurface BlackBoard;
  PrintSurface Form3;
  PrintSurface Screen;               // the main window's own print surface
  std::array<std::string, 9> Text1;  // Form2's boxes Text1(0)..Text1(8)

 private:
  // Carries out one command of the table.
  void Dispatch(const CommandInfo& c);
  void Open(const CommandInfo& c);
  void OpenOutput(const CommandInfo& c);
  void Close(const CommandInfo& c);
  void Enter(const CommandInfo& c);
  void Process(const CommandInfo& c);
  void ProcessImageTrans(const CommandInfo& c);
  void RunResection(const CommandInfo& c);
  void ShowHelp(HelpTopicId topic);
  void Exit();
  // Runs an operation's procedure; an input error becomes a message and
  // leaves the job state and the module data as they were before.
  void Run(const std::function<void()>& procedure);
  // Until an operation is part of the build, its commands say so.
  void NotAvailable(const CommandInfo& c);
  void Show(Window window);

  UiPort& ui_;
  Operations ops_;
  std::map<std::string, std::string> captions_;
  std::array<bool, 3> shown_{};
  Picture picture_;
};

}  // namespace tessaro
