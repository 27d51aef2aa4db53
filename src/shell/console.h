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
#include <vector>

#include "shell/input_channel.h"
#include "shell/module_data.h"
#include "shell/print.h"
#include "shell/report_channel.h"
#include "shell/ui_port.h"

namespace tessaro {

inline constexpr std::int16_t kTrue = -1;
inline constexpr std::int16_t kFalse = 0;

struct JobState {
  // 0 image transformation, 1 resection, 2 intersection, 3 relative
  // orientation, 4 intersection side file, 6 absolute orientation.
  std::array<std::string, 7> FileName;
  std::string OutputFileName;
  // OpenFlag: 1-4 and 7 input chosen, 5 report open, 6 resection prepared.
  std::array<std::int16_t, 12> OpenFlag{};
  // ReadyFlag: 1-5 data entered (imagetrans, resection, intersection,
  // relative, absolute), 6 resection solved.
  std::array<std::int16_t, 12> ReadyFlag{};
  InputChannel Channel1;
  // The FileName entry that channel 1 was last opened on (-1: none).
  int Channel1File = -1;
  ReportChannel Channel5;
  std::fstream Channel2;
};

class Console;

// The operations' entry procedures, filled in by the program that links
// them. An empty entry means the operation is not part of this build.
struct Operations {
  std::function<void(Console&)> ReadImageTransHeader;
  std::function<void(Console&, std::int16_t& refusal)> TransformImages;
  std::function<void(Console&)> ReadResectionInput;
  std::function<void(Console&, int mode)> Resection;
  std::function<void(Console&)> ReadIntersectionData;
  std::function<void(Console&)> ComputeIntersection;
  std::function<void(Console&)> RelativeOrientation;
  std::function<void(Console&)> ReadAbsoluteOrientationData;
  std::function<void(Console&)> ComputeAbsoluteOrientation;
};

enum class Frame { Files, EnterData, ProcessData, Help };

struct CommandInfo {
  int number;           // CommandN
  const char* caption;  // exact button caption
  Frame frame;
};

// The 33 commands in the order of their frames on Form1.
const std::vector<CommandInfo>& CommandTable();
// The caption texts of Form1 itself: frames and column headings.
struct StaticCaption {
  const char* name;
  const char* caption;
};
const std::vector<StaticCaption>& FormCaptions();
// The six status labels in the order of the Files frame.
const std::vector<std::string>& StatusLabelNames();
// The windows whose captions `dump Labels` shows after the status labels.
const std::vector<std::string>& WindowNames();

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

  Module1 module;
  JobState job;
  PrintSurface BlackBoard;
  PrintSurface Form3;
  PrintSurface Screen;  // the main window's own print surface
  std::array<std::string, 9> Text1;  // Form2's boxes Text1(0)..Text1(8)

 private:
  void Open(int flag, int fileIndex, const std::string& label);
  void OpenOutput();
  // A status label back to its closed caption ("Image Trans: None").
  void ShowClosed(const std::string& label);
  // The Close commands of the inputs read on channel 1.
  void CloseInput(int flag, const std::string& label);
  void Enter(int number, int flagA, int flagB, int fileIndex,
             const std::function<void(Console&)>& entry);
  void ProcessImageTrans();
  void RunResection(int number, int mode);
  void ShowHelp(int topic);
  void Exit();
  // Runs an operation's procedure; an input error becomes a message and
  // leaves the job state and the module data as they were before.
  void Run(const std::function<void()>& procedure);
  // Until an operation is part of the build, its commands say so.
  void NotAvailable(int number);
  void Show(Window window);

  UiPort& ui_;
  Operations ops_;
  std::map<std::string, std::string> captions_;
  std::array<bool, 3> shown_{};
};

}  // namespace tessaro
