// tessaro: the desktop program. One console, its Qt windows, the event loop.
#include <QApplication>
#include <iostream>
#include <string>

#include "app/operations.h"
#include "shell/console.h"
#include "ui/qt_ui_port.h"

int main(int argc, char* argv[]) {
  // The program takes nothing from its command line: --help and --version
  // only print, and anything else (Qt's own -platform and -style included)
  // is refused, all before Qt starts, so that they work without a display.
  const std::string first = argc > 1 ? argv[1] : "";
  if (argc == 2 && (first == "--help" || first == "-h")) {
    std::cout << "usage: tessaro [--help | --version]\n\n"
                 "Tessaro, a teaching program for analytical photogrammetry: one window\n"
                 "whose buttons run the image transformation, space resection, space\n"
                 "intersection, relative and absolute orientation on text input files and\n"
                 "write their report. The Help buttons show each input format; Ctrl+P\n"
                 "shows the picture of the last operation, Ctrl+R the report. See\n"
                 "tessaro(1); tessaro-script(1) runs the same sessions headless.\n";
    return 0;
  }
  if (argc == 2 && first == "--version") {
    std::cout << "tessaro " TESSARO_VERSION "\n";
    return 0;
  }
  if (argc > 1) {
    std::cerr << "tessaro: takes no arguments but --help and --version (found " << first
              << "); usage: tessaro [--help | --version]\n";
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tessaro");
  tessaro::QtUiPort port;
  tessaro::Console console(port, tessaro::MakeOperations());
  port.Attach(console);
  port.MainWindow().show();
  return QApplication::exec();
}
