// Form1 "Tessaro": the main console. Four frames of command buttons, the
// status labels of the chosen files and the console's own print surface.
// Every button forwards to Console::Press with its number.
#pragma once

#include <QLabel>
#include <QWidget>
#include <map>
#include <string>

#include "shell/console.h"
#include "ui/print_window.h"

namespace tessaro {

class Form1 : public QWidget {
 public:
  explicit Form1(Console& console);

  // What the window does when it loads: moves its frame, title bar
  // included, to the upper left corner of the screen's available area and
  // lets the console start (Pi, flags).
  void Load();
  // Shows the console's caption of a status label or of the window itself;
  // false when the name is not one of Form1's.
  bool UpdateCaption(const std::string& name);
  SurfaceView& Screen() { return *screen_; }

 protected:
  // Closing the main window is "Exit".
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* MakeFrame(Frame frame);
  void Press(int number);

  Console& console_;
  std::map<std::string, QLabel*> statusLabels_;
  SurfaceView* screen_ = nullptr;
  bool busy_ = false;  // a command is running
};

}  // namespace tessaro
