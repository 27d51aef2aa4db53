// The six help topics of the console: fixed texts printed on the help window,
// one print statement per line. The operation topics document each input file
// line by line and end with an annotated example; the examples are the data of
// examples/*.txt with comments after "<--" or "-->".
#pragma once

#include <string>
#include <vector>

namespace tessaro {

enum class HelpTopicId {
  General,
  ImageTransformation,
  Resection,
  Intersection,
  RelativeOrientation,
  AbsoluteOrientation
};

struct HelpTopic {
  std::string procedure;  // "HelpGeneral", "HelpImageTransformation", ...
  std::string command;    // console caption: "Help General", "Help ImgTrans", ...
  std::string caption;    // window caption: "General Help Information", ...
  bool openHelpWindow;    // true: the topic moves the help window to the upper left at full height
                          // first
  std::vector<std::string> lines;  // one print statement each, in order; "" prints an empty line
};

const HelpTopic& GetHelpTopic(HelpTopicId id);

}  // namespace tessaro
