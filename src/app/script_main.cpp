// tessaro-script [SCRIPT | -]: runs the console headless from a script.
#include <iostream>
#include <string>

#include "app/script_runner.h"

int main(int argc, char** argv) {
  const std::string first = argc > 1 ? argv[1] : "";
  if (first == "--help" || first == "-h") {
    std::cout << "usage: tessaro-script [SCRIPT | -]\n\n"
                 "Runs a Tessaro session headless, one action a line (standard input\n"
                 "when no script or - is given): a button caption presses that button;\n"
                 "an Open caption followed by a file name chooses that file; 'answer TEXT'\n"
                 "queues the reply to the next prompt ('answer' alone: Cancel);\n"
                 "'Station values: T0|...|T8' fills the station values window;\n"
                 "'dump NAME' prints BlackBoard, Help, Console, Labels or Station values;\n"
                 "'plot FILE.svg' writes the picture of the last operation run.\n"
                 "Exit status: 0 when the script ran to its end, 2 for a script error,\n"
                 "1 when the script cannot be read. See tessaro-script(1).\n";
    return 0;
  }
  if (first == "--version") {
    std::cout << "tessaro-script " TESSARO_VERSION "\n";
    return 0;
  }
  if (argc > 2) {
    std::cerr << "usage: tessaro-script [SCRIPT | -]\n";
    return 1;
  }
  std::string path = argc == 2 ? argv[1] : "-";
  return tessaro::RunScriptFile(path, std::cout, std::cerr);
}
