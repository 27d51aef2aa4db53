// tessaro-screens EXAMPLES OUTDIR: the pictures of the user guide. Builds
// the real windows on a console with the real operations, runs the example
// files through them and saves form1.png, blackboard.png, form2.png and
// help.png into OUTDIR.
#include <cstdio>
#include <deque>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QTest>

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
    std::fprintf(stderr, "tessaro-screens: message: %s\n", text.c_str());
    failed = true;
  }
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
  for (const char* name : {"imagetrans.txt", "resection.txt"}) {
    QFile::remove(work.filePath(name));
    if (!QFile::copy(examples.filePath(name), work.filePath(name))) {
      std::fprintf(stderr, "tessaro-screens: cannot copy %s\n", qPrintable(examples.filePath(name)));
      return 1;
    }
  }

  using namespace tessaro;
  ScriptedPort port;
  Console console(port, MakeOperations());
  port.Attach(console);
  port.files = {work.filePath("imagetrans.txt").toStdString(),
                work.filePath("resection.txt").toStdString(),
                work.filePath("report.txt").toStdString()};
  port.MainWindow().show();
  console.Press(1);  // Open-ImageTrans
  console.Press(2);  // Open-Resection
  console.Press(4);  // Open-OutputFile
  bool ok = Save(port.MainWindow(), out.filePath("form1.png"));

  console.Press(7);   // Enter ImageTransData
  console.Press(13);  // Process ImageTrans: BlackBoard keeps the last fit
  ok = Save(port.BlackBoardWindow(), out.filePath("blackboard.png")) && ok;

  const char* station[9] = {"800", "1500", "2300", "0", "0", "0", "1000", "1000", "2000"};
  for (std::size_t i = 0; i < 9; ++i) console.Text1[i] = station[i];
  console.ShowStationValues();
  ok = Save(port.StationValuesWindow(), out.filePath("form2.png")) && ok;

  console.Press(18);  // Help Resection
  ok = Save(port.HelpWindow(), out.filePath("help.png")) && ok;

  console.Press(6);
  return ok && !port.failed ? 0 : 1;
}
