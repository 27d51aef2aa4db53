#include "testing/session.h"

namespace tessaro {

void SessionTest::Choose(const std::string& openCaption, const std::string& name,
                         const std::string& text) {
  OpenReport();
  // "Open-Resection" closes with "Close-Resection", "Open Relative Orient"
  // with "Close Relative Orient".
  std::string close = openCaption;
  close.replace(0, 4, "Close");
  console.PressCaption(close);
  ui.files = {File(name, text)};
  console.PressCaption(openCaption);
}

void SessionTest::Press(std::initializer_list<std::string> captions, const Lines& answers) {
  ui.answers.assign(answers.begin(), answers.end());
  for (const std::string& caption : captions)
    EXPECT_TRUE(console.PressCaption(caption)) << "no button " << caption;
  EXPECT_TRUE(ui.answers.empty()) << ui.answers.size() << " answers were not taken";
}

}  // namespace tessaro
