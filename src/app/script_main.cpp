// tessaro-script [SCRIPT | -]: runs the console headless from a script.
#include <iostream>
#include <string>

#include "app/script_runner.h"

int main(int argc, char** argv) {
  if (argc > 2) {
    std::cerr << "usage: tessaro-script [SCRIPT | -]\n";
    return 1;
  }
  std::string path = argc == 2 ? argv[1] : "-";
  return tessaro::RunScriptFile(path, std::cout, std::cerr);
}
