// tessaro: the desktop program. One console, its Qt windows, the event loop.
#include <QApplication>
#include <cstring>
#include <iostream>

#include "app/operations.h"
#include "shell/console.h"
#include "ui/qt_ui_port.h"

int main(int argc, char* argv[]) {
  // Answered before Qt starts, so that they work without a display.
  if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
    std::cout << "usage: tessaro [--help | --version]\n\n"
                 "Tessaro, a teaching program for analytical photogrammetry: one window\n"
                 "whose buttons run the image transformation, space resection, space\n"
                 "intersection, relative and absolute orientation on text input files and\n"
                 "write their report. The Help buttons show each input format. See\n"
                 "tessaro(1); tessaro-script(1) runs the same sessions headless.\n";
    return 0;
  }
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    std::cout << "tessaro " TESSARO_VERSION "\n";
    return 0;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tessaro");
  tessaro::QtUiPort port;
  tessaro::Console console(port, tessaro::MakeOperations());
  port.Attach(console);
  port.MainWindow().show();
  return QApplication::exec();
}
