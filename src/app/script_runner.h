// tessaro-script: the console driven by a script instead of a person.
//
// One action per line:
//   empty or "#..."              ignored
//   CAPTION                      press the console button with that caption
//   OPEN-CAPTION FILE            press an Open button; its file dialog returns
//                                FILE (nothing after the caption: cancelled)
//   answer TEXT / answer         queue a reply for the next prompt ("" = Cancel)
//   Station values: T0|...|T8    type into Form2's boxes and press its Return
//   dump NAME                    print BlackBoard, Help, Console, Labels or
//                                Station values between --- NAME --- and --- end ---
//   plot FILE                    write the picture of the last operation run to
//                                FILE as SVG (an error before there is one)
// Standard output gets "message: TEXT" for every message, "prompt: TEXT" and
// "answer: TEXT" for every prompt. Exit status: 0 when the script ran to its
// end, 2 for a script error ("SCRIPT:LINE: what is wrong" on the error
// stream), 1 when the script cannot be read.
#pragma once

#include <iosfwd>
#include <string>

namespace tessaro {

int RunScript(std::istream& script, const std::string& scriptName, std::ostream& out,
              std::ostream& err);

// Runs the script file at path ("-" for standard input).
int RunScriptFile(const std::string& path, std::ostream& out, std::ostream& err);

}  // namespace tessaro
