// The small C API that the worker script calls: start the console, press a
// caption, give back the station values window, hide a window, and describe
// the main window so that the page lays it out from the console's own table.
#include <emscripten/emscripten.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <string_view>

#include "app/operations.h"
#include "shell/commands.h"
#include "shell/console.h"
#include "web/web_port.h"

namespace tessaro {
namespace {

WebPort port;
Console* console = nullptr;

std::string Json(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      static const char* const hex = "0123456789abcdef";
      out += "\\u00";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

const char* KindName(CommandKind kind) {
  switch (kind) {
    case CommandKind::Open:
      return "open";
    case CommandKind::OpenOutput:
      return "output";
    case CommandKind::Close:
      return "close";
    case CommandKind::Enter:
      return "enter";
    case CommandKind::Process:
      return "process";
    case CommandKind::Resection:
      return "resection";
    case CommandKind::Help:
      return "help";
    case CommandKind::Information:
      return "information";
    case CommandKind::Exit:
      return "exit";
  }
  return "";
}

}  // namespace
}  // namespace tessaro

using namespace tessaro;

extern "C" {

EMSCRIPTEN_KEEPALIVE void tessaro_start() {
  mkdir(WebPort::kInputFolder, 0755);
  mkdir(WebPort::kReportFolder, 0755);
  chdir(WebPort::kInputFolder);
  console = new Console(port, MakeOperations());
  port.Attach(*console);
  console->Load();
}

// Presses the button with this caption; 0 when there is none.
EMSCRIPTEN_KEEPALIVE int tessaro_press(const char* caption) {
  const bool known = console->PressCaption(caption);
  port.Flush(true);
  return known;
}

// "Return" of the station values window with the nine texts, one a line.
EMSCRIPTEN_KEEPALIVE void tessaro_station_return(const char* texts) {
  std::istringstream lines(texts);
  for (std::string& box : console->Text1) std::getline(lines, box);
  console->StationValuesReturn();
  port.Flush(true);
}

// Closing a window's panel: hidden, its text kept, nothing stored.
EMSCRIPTEN_KEEPALIVE void tessaro_hide(const char* window) {
  for (Window w : {Window::BlackBoard, Window::Form3, Window::Form2})
    if (std::string_view(window) == WindowName(w)) console->HideWindow(w);
}

// The main window as JSON: the commands in the order of their frames, the
// frames' and headings' captions, and every caption the console holds now.
EMSCRIPTEN_KEEPALIVE const char* tessaro_layout() {
  static std::string json;
  std::ostringstream out;
  out << "{\"commands\":[";
  const char* comma = "";
  for (const CommandInfo& c : CommandTable()) {
    out << comma << "{\"number\":" << c.number << ",\"caption\":" << Json(c.caption)
        << ",\"frame\":" << Json(FrameName(c.frame)) << ",\"kind\":\"" << KindName(c.kind)
        << "\",\"resection\":" << (c.frame == Frame::Resection ? "true" : "false");
    if (c.label) out << ",\"label\":" << Json(c.label);
    out << "}";
    comma = ",";
  }
  out << "],\"captions\":{";
  comma = "";
  for (const StaticCaption& s : FormCaptions()) {
    out << comma << Json(s.name) << ":" << Json(s.caption);
    comma = ",";
  }
  for (const StatusLabelCaptions& l : StatusLabels())
    out << "," << Json(l.name) << ":" << Json(console->Caption(l.name));
  for (const std::string& w : WindowNames())
    out << "," << Json(w) << ":" << Json(console->Caption(w));
  out << "}}";
  json = out.str();
  return json.c_str();
}

}  // extern "C"
