// The console's commands and what each one needs from the job state.
//
// One table describes the 33 buttons of Form1: their captions and frames for
// the windows, and for the console the flag each tests or sets, the file it
// works on, the status label that shows that file and the procedure it runs.
// The console and the windows look commands up here; nothing else repeats
// the numbers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "shell/help_topics.h"

namespace tessaro {

class Console;

// Slots of OpenFlag: which inputs are chosen, the report open, the
// resection prepared.
inline constexpr int kImageTransChosen = 1;
inline constexpr int kResectionChosen = 2;
inline constexpr int kIntersectionChosen = 3;
inline constexpr int kRelativeChosen = 4;
inline constexpr int kReportOpen = 5;
inline constexpr int kResectionPrepared = 6;
inline constexpr int kAbsoluteChosen = 7;

// Slots of ReadyFlag: which operations have their data entered, and the
// resection solved.
inline constexpr int kImageTransEntered = 1;
inline constexpr int kResectionEntered = 2;
inline constexpr int kIntersectionEntered = 3;
inline constexpr int kRelativeEntered = 4;
inline constexpr int kAbsoluteEntered = 5;
inline constexpr int kResectionSolved = 6;

// Entries of FileName (numbered from 0; entry 5 is not used).
inline constexpr int kImageTransFile = 0;
inline constexpr int kResectionFile = 1;
inline constexpr int kIntersectionFile = 2;
inline constexpr int kRelativeFile = 3;
inline constexpr int kSideFile = 4;
inline constexpr int kAbsoluteFile = 6;

// The numbers of the buttons that code names: "Exit", which closing the main
// window also means, and the commands that process an operation's data.
inline constexpr int kExitCommand = 6;
inline constexpr int kProcessImageTransCommand = 13;
inline constexpr int kMakeResectionCommand = 14;
inline constexpr int kProcessIntersectionCommand = 15;
inline constexpr int kProcessRelativeCommand = 27;
inline constexpr int kProcessAbsoluteCommand = 32;

// The modes of Resection: 1 prepares (before the first command on newly
// entered data), the others are its five commands.
inline constexpr int kPrepareResection = 1;
inline constexpr int kChangeStationValues = 2;
inline constexpr int kSelectControlPoints = 3;
inline constexpr int kSetIterationLimit = 4;
inline constexpr int kReverseDirection = 5;
inline constexpr int kMakeResection = 6;

// The operations' entry procedures, filled in by the program that links
// them. An empty entry means the operation is not part of this build.
struct Operations {
  using Entry = std::function<void(Console&)>;
  Entry ReadImageTransHeader;
  std::function<void(Console&, std::int16_t& refusal)> TransformImages;
  Entry ReadResectionInput;
  std::function<void(Console&, int mode)> Resection;
  Entry ReadIntersectionData;
  Entry ComputeIntersection;
  Entry RelativeOrientation;
  Entry ReadAbsoluteOrientationData;
  Entry ComputeAbsoluteOrientation;
};

// The four frames of Form1; the resection's commands form a group of their
// own inside "Process Data".
enum class Frame { Files, EnterData, ProcessData, Resection, Help };
// The object name of the frame that shows a command: "Frame1" to "Frame4".
const char* FrameName(Frame frame);

enum class CommandKind {
  Open,         // choose an input file
  OpenOutput,   // choose and open the report
  Close,        // give an input up
  Enter,        // open channel 1 on the input and read it
  Process,      // process entered data
  Resection,    // a mode of Resection, preparing first when needed
  Help,         // a help topic
  Information,  // the information notice
  Exit,
};

struct CommandInfo {
  int number;           // CommandN
  const char* caption;  // exact button caption
  Frame frame;
  CommandKind kind;
  // Open, Close, Enter: the OpenFlag slot of the input. Process: the
  // ReadyFlag slot tested first (0: the procedure tests itself).
  int flag = 0;
  int file = -1;                                   // the FileName entry (Open, Enter)
  const char* label = nullptr;                     // the status label of the file (Open, Close)
  Operations::Entry Operations::*entry = nullptr;  // Enter, Process
  // Process: the console's refusal when flag is false (for the image
  // transformation: when its body cannot be read now).
  const char* notEntered = nullptr;
  // Process, Resection: the operation's own refusal when its data are not
  // entered and refined, which the procedure tests itself.
  const char* notRefined = nullptr;
  int mode = 0;                              // Resection: its mode
  HelpTopicId topic = HelpTopicId::General;  // Help
};

// The 33 commands in the order of their frames on Form1.
const std::vector<CommandInfo>& CommandTable();
// The command with this number, or nullptr.
const CommandInfo* FindCommand(int number);
// The command with this exact caption, or nullptr.
const CommandInfo* FindCommand(const std::string& caption);
// What command `number` (one of the k...Command numbers above) says when the
// data it processes are not entered: the console's refusal, and the
// operation's own.
const char* NotEnteredMessage(int number);
const char* NotRefinedMessage(int number);

// The caption texts of Form1 itself: frames and column headings.
struct StaticCaption {
  const char* name;
  const char* caption;
};
const std::vector<StaticCaption>& FormCaptions();

// A status label with its caption at start and after its file is closed
// (they differ: "Image Trans None", then "Image Trans: None").
struct StatusLabelCaptions {
  const char* name;
  const char* initial;
  const char* closed;
};
// The six status labels in the order of the Files frame.
const std::vector<StatusLabelCaptions>& StatusLabels();
// The windows whose captions `dump Labels` shows after the status labels.
const std::vector<std::string>& WindowNames();

}  // namespace tessaro
