// tessaro-screens EXAMPLES OUTDIR: the pictures of the user guide. Builds
// the real windows on a console with the real operations, runs the example
// files through them and saves form1.png, blackboard.png, resection.png,
// plot.png, form2.png, relative.png and help.png into OUTDIR.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QTest>
#include <cstdio>
#include <deque>

#include "app/operations.h"
#include "shell/console.h"
#include "ui/qt_ui_port.h"

namespace tessaro {
namespace {

// The real port, with the file dialog answered from a list, every fit
// accepted and messages written to standard error instead of waiting.
class ScriptedPort : public QtUiPort {
 public:
  std::deque<std::string> files;
  bool failed = false;

  std::string ChooseFile(FileChoice) override {
    if (files.empty()) return {};
    std::string name = files.front();
    files.pop_front();
    return name;
  }
  std::string AskLine(const std::string&, std::optional<Twips>) override { return "Y"; }
  void ShowMessage(const std::string& text) override {
    // The relative orientation's word after each iteration is expected.
    if (iterationWords && text.rfind("  RMS=", 0) == 0) return;
    std::fprintf(stderr, "tessaro-screens: message: %s\n", text.c_str());
    failed = true;
  }
  bool iterationWords = false;
};

bool Save(QWidget& window, const QString& path) {
  if (!QTest::qWaitForWindowExposed(&window))
    std::fprintf(stderr, "tessaro-screens: %s was not shown\n", qPrintable(window.objectName()));
  QCoreApplication::processEvents();
  if (window.grab().save(path)) return true;
  std::fprintf(stderr, "tessaro-screens: cannot write %s\n", qPrintable(path));
  return false;
}

}  // namespace
}  // namespace tessaro

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: tessaro-screens EXAMPLES OUTDIR\n");
    return 2;
  }
  const QDir examples(QString::fromLocal8Bit(argv[1]));
  const QDir out(QString::fromLocal8Bit(argv[2]));
  // A student's folder with copies of the examples, so that the pictures
  // show short names.
  const QDir work(QDir::temp().filePath("tessaro/lab1"));
  if (!out.exists() || !QDir().mkpath(work.path())) {
    std::fprintf(stderr, "tessaro-screens: no folder %s or %s\n", argv[2], qPrintable(work.path()));
    return 1;
  }
  for (const char* name : {"imagetrans.txt", "resection.txt", "relative.txt"}) {
    QFile::remove(work.filePath(name));
    if (!QFile::copy(examples.filePath(name), work.filePath(name))) {
      std::fprintf(stderr, "tessaro-screens: cannot copy %s\n",
                   qPrintable(examples.filePath(name)));
      return 1;
    }
  }

  using namespace tessaro;
  ScriptedPort port;
  Console console(port, MakeOperations());
  port.Attach(console);
  port.files = {
      work.filePath("imagetrans.txt").toStdString(), work.filePath("resection.txt").toStdString(),
      work.filePath("report.txt").toStdString(), work.filePath("relative.txt").toStdString()};
  port.MainWindow().show();
  console.PressCaption("Open-ImageTrans");
  console.PressCaption("Open-Resection");
  console.PressCaption("Open-OutputFile");
  bool ok = Save(port.MainWindow(), out.filePath("form1.png"));

  console.PressCaption("Enter ImageTransData");
  console.PressCaption("Process ImageTrans");  // BlackBoard keeps the last fit
  ok = Save(port.BlackBoardWindow(), out.filePath("blackboard.png")) && ok;

  // The resection of the example: its last iteration, then the adjusted
  // station in the station values dialog.
  console.PressCaption("Enter Resection Data");
  console.PressCaption("Make Resection");
  ok = Save(port.BlackBoardWindow(), out.filePath("resection.png")) && ok;
  // Its picture in the Plot window (Ctrl+P).
  port.PlotView().resize(1100, 460);
  port.PlotView().show();
  ok = Save(port.PlotView(), out.filePath("plot.png")) && ok;
  port.PlotView().hide();
  console.PressCaption("Change Sta Parameters");
  ok = Save(port.StationValuesWindow(), out.filePath("form2.png")) && ok;

  // The example strip: its report section as the results window shows it.
  console.PressCaption("Open Relative Orient");
  console.PressCaption("Enter Relative Orient Data");
  port.iterationWords = true;
  console.PressCaption("Process Relative Orient");
  port.iterationWords = false;
  ok = Save(port.BlackBoardWindow(), out.filePath("relative.png")) && ok;

  console.PressCaption("Help Resection");
  ok = Save(port.HelpWindow(), out.filePath("help.png")) && ok;

  console.PressCaption("Exit");
  return ok && !port.failed ? 0 : 1;
}
