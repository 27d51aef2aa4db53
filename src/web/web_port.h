// The browser's binding of the UI port.
//
// The console runs in a Web Worker; the page draws the windows. Everything
// the page must know goes out as a message (through the functions of
// web_imports.js): captions, windows shown and hidden, the text of the print
// surfaces, the report as it grows, the picture of the last operation. A
// message box, a prompt or a file dialog is a question to the page: the
// worker waits in a synchronous request until the page's dialog answers
// (service_worker.js), and the page repaints meanwhile.
#pragma once

#include <array>
#include <string>

#include "shell/console.h"
#include "shell/ui_port.h"

namespace tessaro {

class WebPort : public UiPort {
 public:
  // Inputs chosen in the page are copied here under their own names, apart
  // from the report's folder, so that an input named like the report cannot
  // overwrite it. The console works in the inputs folder: it names the
  // inputs as tessaro-script does.
  static constexpr const char* kInputFolder = "/inputs";
  static constexpr const char* kReportFolder = "/report";

  void Attach(Console& console);

  void ShowMessage(const std::string& text) override;
  std::string AskLine(const std::string& prompt, std::optional<Twips> position) override;
  std::string ChooseFile(FileChoice purpose) override;
  void CaptionChanged(const std::string& controlName) override;
  void ShowWindow(Window window) override;
  void HideWindow(Window window) override;
  void PlaceHelpWindow() override;
  void EndProgram() override;
  void PictureChanged() override;

  // Sends what changed on the print surfaces, in the report and in the
  // picture. Unless forced, at most a few times a second, so that a long
  // run that prints thousands of lines or redraws its picture after every
  // iteration spends its time computing.
  void Flush(bool force);

 private:
  Console* console_ = nullptr;
  std::array<bool, 3> dirty_{};  // Screen, BlackBoard, Form3
  bool pictureDirty_ = false;
  double lastFlush_ = 0;
  double lastCheck_ = 0;
  int changes_ = 0;
  int stride_ = 1;
};

}  // namespace tessaro
