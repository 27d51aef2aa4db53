#include "web/web_port.h"

#include <emscripten/emscripten.h>

#include <cstdlib>

// Implemented in web_imports.js. The three questions suspend the caller until
// the page answers; their text comes back in memory the caller frees.
extern "C" {
void tessaro_js_message(const char* text);
char* tessaro_js_ask(const char* prompt, int positioned, int x, int y);
char* tessaro_js_choose(int output);
void tessaro_js_caption(const char* name, const char* caption);
void tessaro_js_window(const char* name, int shown);
void tessaro_js_station_texts(const char* texts);
void tessaro_js_place_help();
void tessaro_js_end();
void tessaro_js_surface(const char* name, const char* text);
void tessaro_js_report(const char* path);
void tessaro_js_picture(const char* svg);
}

namespace tessaro {

namespace {

const char* const kSurfaceNames[3] = {"Screen", "BlackBoard", "Form3"};

std::string Take(char* text) {
  std::string s = text ? text : "";
  std::free(text);
  return s;
}

}  // namespace

void WebPort::Attach(Console& console) {
  console_ = &console;
  PrintSurface* surfaces[3] = {&console.Screen, &console.BlackBoard, &console.Form3};
  for (int k = 0; k < 3; ++k) {
    surfaces[k]->SetOnChange([this, k] {
      dirty_[k] = true;
      Flush(false);
    });
  }
}

void WebPort::Flush(bool force) {
  if (!console_) return;
  if (!force) {
    // The clock is a call into JavaScript, and a long run changes its
    // surfaces hundreds of thousands of times: it is read at every
    // stride_-th change, the stride adapted so that readings come about a
    // millisecond apart.
    if (++changes_ < stride_) return;
    changes_ = 0;
    const double now = emscripten_get_now();
    const double gap = now - lastCheck_;
    lastCheck_ = now;
    if (gap < 1 && stride_ < 256) stride_ *= 2;
    if (gap > 8 && stride_ > 1) stride_ /= 2;
    if (now - lastFlush_ < 250) return;
  }
  lastFlush_ = emscripten_get_now();
  const PrintSurface* surfaces[3] = {&console_->Screen, &console_->BlackBoard, &console_->Form3};
  for (int k = 0; k < 3; ++k) {
    if (!dirty_[k]) continue;
    dirty_[k] = false;
    tessaro_js_surface(kSurfaceNames[k], surfaces[k]->Text().c_str());
  }
  // The picture is drawn only now: an iterating run changes it far more
  // often than it is sent.
  if (pictureDirty_) {
    pictureDirty_ = false;
    tessaro_js_picture(console_->PictureSvg().c_str());
  }
  // The open line of the report goes out as far as it is; the channel goes
  // on where it stopped.
  if (console_->job.Channel5.IsOpen()) console_->job.Channel5.Flush();
  if (!console_->job.OutputFileName.empty())
    tessaro_js_report(console_->job.OutputFileName.c_str());
}

void WebPort::ShowMessage(const std::string& text) {
  Flush(true);
  tessaro_js_message(text.c_str());
}

std::string WebPort::AskLine(const std::string& prompt, std::optional<Twips> position) {
  Flush(true);
  return Take(tessaro_js_ask(prompt.c_str(), position.has_value(), position ? position->x : 0,
                             position ? position->y : 0));
}

std::string WebPort::ChooseFile(FileChoice purpose) {
  Flush(true);
  const bool output = purpose == FileChoice::Output;
  // The page has written an input into the working folder, the inputs';
  // the report is only named, and made in its own folder.
  const std::string name = Take(tessaro_js_choose(output));
  if (name.empty() || !output) return name;
  return std::string(kReportFolder) + "/" + name;
}

void WebPort::CaptionChanged(const std::string& controlName) {
  if (!console_) return;
  // The report's folder is the page's own arrangement: the label shows the
  // name the student gave.
  std::string caption = console_->Caption(controlName);
  const std::string folder = std::string(kReportFolder) + "/";
  if (caption.rfind(folder, 0) == 0) caption.erase(0, folder.size());
  tessaro_js_caption(controlName.c_str(), caption.c_str());
}

void WebPort::ShowWindow(Window window) {
  if (window == Window::Form2 && console_) {
    // The boxes are filled as the window is shown; the page sends them back
    // on "Return". Their texts never hold a line end.
    std::string texts;
    for (const std::string& t : console_->Text1) texts += t + "\n";
    tessaro_js_station_texts(texts.c_str());
  }
  tessaro_js_window(WindowName(window), 1);
}

void WebPort::HideWindow(Window window) { tessaro_js_window(WindowName(window), 0); }

void WebPort::PlaceHelpWindow() { tessaro_js_place_help(); }

void WebPort::PictureChanged() {
  pictureDirty_ = true;
  Flush(false);
}

void WebPort::EndProgram() {
  Flush(true);
  tessaro_js_end();
}

}  // namespace tessaro
