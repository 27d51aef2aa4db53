// tessaro: the desktop program. One console, its Qt windows, the event loop.
#include <QApplication>

#include "app/operations.h"
#include "shell/console.h"
#include "ui/qt_ui_port.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tessaro");
  tessaro::QtUiPort port;
  tessaro::Console console(port, tessaro::MakeOperations());
  port.Attach(console);
  port.MainWindow().show();
  return QApplication::exec();
}
