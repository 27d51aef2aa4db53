// The console's only door to a windowing toolkit.
//
// The console, the operations and the windows' logic never call a toolkit:
// they call this port. The Qt program implements it with real windows;
// tessaro-script and the tests implement it in plain C++. The text of the
// print surfaces, the captions and the station value boxes live in the
// Console; the port shows them and is told when they change.
#pragma once

#include <optional>
#include <string>

namespace tessaro {

// The small windows beside the main window.
enum class Window { BlackBoard, Form3, Form2 };

// A window's own name, under which the console keeps its caption.
inline const char* WindowName(Window window) {
  switch (window) {
    case Window::BlackBoard:
      return "BlackBoard";
    case Window::Form3:
      return "Form3";
    case Window::Form2:
      return "Form2";
  }
  return "";
}

// What a file is chosen for: an input must exist, a report may be new.
enum class FileChoice { Input, Output };

// A position on the screen in twips (1/1440 inch) from its upper left corner.
struct Twips {
  int x;
  int y;
};

class UiPort {
 public:
  virtual ~UiPort() = default;

  // A modal message with a single OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // A modal one-line prompt with OK and Cancel, no title and no preset
  // answer; returns the typed text, or "" when cancelled.
  virtual std::string AskLine(const std::string& prompt, std::optional<Twips> position) = 0;
  // The file-choosing dialog with the filters "All Files (*.*)" and
  // "Text Files (*.txt)"; returns the chosen name, or "" when cancelled.
  virtual std::string ChooseFile(FileChoice purpose) = 0;

  // A status label or a window caption changed (read it from the Console).
  virtual void CaptionChanged(const std::string& controlName) = 0;
  // Shows a window, modeless; creates it on first use.
  virtual void ShowWindow(Window window) = 0;
  virtual void HideWindow(Window window) = 0;
  // Moves Form3 to the upper left corner of the screen at full screen height.
  virtual void PlaceHelpWindow() = 0;
  // Ends the program (after the console has closed its channels).
  virtual void EndProgram() = 0;
  // The picture of the last operation changed: after an operation ran and
  // after every iteration of one that iterates. Read it with
  // Console::PictureSvg(); a front-end without a picture window ignores it.
  virtual void PictureChanged() {}
};

}  // namespace tessaro
