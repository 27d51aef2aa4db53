// BlackBoard, Form3 and Form2: what they show, how they redraw, and what
// their Return does; beside them the Plot and Report windows.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <cmath>

#include "ui/ui_test_support.h"

namespace tessaro {

class WindowsTest : public QObject {
  Q_OBJECT

 private:
  Session& Start() {
    session_ = StartSession();
    return *session_;
  }
  std::unique_ptr<Session> session_;

 private slots:
  void initTestCase() { QuietPlatformNotes(); }

  void cleanup() { EndSession(session_); }

  // Shown with what was printed; Return hides it and keeps the text; the
  // next ShowBlackBoard brings it back cleared. Thousands of print items
  // are then drawn at once, and the view follows the end of the output.
  void blackBoard() {
    Session& s = Start();
    PrintWindow& board = s.port.BlackBoardWindow();
    SurfaceView& view = board.View();
    s.console.ShowBlackBoard();
    PrintItems(s.console.BlackBoard, {"A", Comma, "B"});
    PrintItems(s.console.BlackBoard, {"C", Semi});
    const QString printed = QString(8, u'\n') + "A             B\nC";
    QTRY_COMPARE(view.toPlainText(), printed);
    QVERIFY(board.isVisible());
    QCOMPARE(board.windowTitle(), "Temporary Results");
    QVERIFY(view.isReadOnly());
    QCOMPARE(view.lineWrapMode(), QPlainTextEdit::NoWrap);
    QVERIFY(QFontInfo(view.font()).fixedPitch());

    Click(&board, "Command1");
    QVERIFY(!board.isVisible());
    QVERIFY(!s.console.IsShown(Window::BlackBoard));
    QCOMPARE(view.toPlainText(), printed);

    s.console.ShowBlackBoard();
    QVERIFY(board.isVisible());
    QTRY_COMPARE(view.toPlainText(), QString(7, u'\n'));
    QSignalSpy redraws(&view, &QPlainTextEdit::textChanged);
    for (int i = 1; i <= 3000; ++i) PrintItems(s.console.BlackBoard, {i, Comma, 0.5 * i});
    QCOMPARE(redraws.count(), 0);
    QTRY_COMPARE(view.blockCount(), 3008);
    QVERIFY(redraws.count() <= 2);
    QVERIFY(view.verticalScrollBar()->maximum() > 0);
    QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
  }

  // An operation topic moves the help window to the upper left corner at
  // the full available height, its text from the top; "Help General" leaves
  // it where it is.
  void helpWindow() {
    Session& s = Start();
    PrintWindow& help = s.port.HelpWindow();
    const QRect area = help.screen()->availableGeometry();
    s.console.Press(18);
    QVERIFY(help.isVisible());
    QCOMPARE(help.windowTitle(), "Resection Help Information");
    QCOMPARE(help.frameGeometry().topLeft(), area.topLeft());
    QCOMPARE(help.frameGeometry().height(), area.height());
    QTRY_VERIFY(help.View().blockCount() > 20);
    QCOMPARE(help.View().verticalScrollBar()->value(), 0);

    help.move(area.topLeft() + QPoint(40, 30));
    const QRect moved = help.frameGeometry();
    s.console.Press(16);
    QCOMPARE(help.windowTitle(), "General Help Information");
    QCOMPARE(help.frameGeometry(), moved);
    QTRY_VERIFY(help.View().toPlainText().startsWith(
        "This program has been designed to produce knowlege on basic photogrammetric\n"));

    Click(&help, "Command1");
    QVERIFY(!help.isVisible());
    QVERIFY(!s.console.IsShown(Window::Form3));
  }

  // Form2 shows the console's texts in its boxes. Esc hides it
  // and stores nothing; Return stores what the boxes show, angles in
  // radians, and hides it.
  void form2() {
    Session& s = Start();
    Form2& form = s.port.StationValuesWindow();
    const char* values[9] = {"800", "1500", "2300", "0", "0", "0", "1000", "1000", "2000"};
    for (std::size_t i = 0; i < 9; ++i) s.console.Text1[i] = values[i];
    s.console.ShowStationValues();
    QVERIFY(form.isVisible());
    QCOMPARE(form.windowTitle(), "Station values");
    for (int i = 0; i < 9; ++i) {
      auto* box = qobject_cast<QLineEdit*>(Named(&form, QString("Text1(%1)").arg(i)));
      QVERIFY(box && Named(&form, QString("Label1(%1)").arg(i)));
      QCOMPARE(box->text(), values[i]);
    }

    QTest::keyClicks(&form.Box(0), "5");
    QTest::keyClick(&form.Box(0), Qt::Key_Escape);
    QVERIFY(!form.isVisible());
    QCOMPARE(s.console.module.Xo, 0.0);
    QCOMPARE(s.console.Text1[0], "800");

    s.console.ShowStationValues();
    form.Box(5).clear();
    QTest::keyClicks(&form.Box(5), "-45");
    QTest::keyClick(&form.Box(5), Qt::Key_Return);
    QVERIFY(!form.isVisible());
    QCOMPARE(s.console.Text1[5], "-45");
    QCOMPARE(s.console.module.Kappa, -std::atan(1.0));
    QCOMPARE(s.console.module.Xo, 800.0);
  }

  // Ctrl+P and Ctrl+R (and the context menu, which lists the same actions)
  // open Plot and Report from the main window and from Temporary Results,
  // which gain no control. Each picture an operation hands over is drawn at
  // once, without taking the focus; the report is read as it grows.
  void plotAndReport() {
    Session& s = Start();
    Form1& main = s.port.MainWindow();
    PlotWindow& plot = s.port.PlotView();
    const auto buttons = main.findChildren<QPushButton*>().size();
    QCOMPARE(main.contextMenuPolicy(), Qt::ActionsContextMenu);
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QTest::keySequence(&main, QKeySequence("Ctrl+P"));
    QVERIFY(plot.isVisible());
    QVERIFY(plot.Shown().contains("No picture yet"));
    const auto svg = [](int i) {
      return QString(
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" height=\"30\">"
                 "<title>iteration %1</title><rect width=\"%1\" height=\"9\"/></svg>")
          .arg(i)
          .toStdString();
    };
    for (int i = 1; i <= 3; ++i) {
      s.console.SetPicture([&svg, i] { return svg(i); });
      QCOMPARE(plot.Shown().toStdString(), svg(i));
    }
    QCOMPARE(QApplication::activeWindow(), &main);
    QCOMPARE(main.findChildren<QPushButton*>().size(), buttons);

    const QString saved = QDir::temp().filePath("tessaro_plot_test");
    QVERIFY(plot.SaveSvg(saved + ".svg"));
    QFile file(saved + ".svg");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().toStdString(), svg(3));
    QVERIFY(plot.SavePng(saved + ".png"));
    QCOMPARE(QImage(saved + ".png").size(), QSize(80, 60));
    QFile::remove(saved + ".svg");
    QFile::remove(saved + ".png");

    s.console.ShowBlackBoard();
    PrintWindow& board = s.port.BlackBoardWindow();
    board.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&board));
    QTest::keySequence(&board, QKeySequence("Ctrl+R"));
    ReportWindow& report = s.port.ReportView();
    QVERIFY(report.isVisible());
    QVERIFY(report.View().toPlainText().startsWith("No report file is chosen yet"));
    const QString path = QDir::temp().filePath("tessaro_report_test.txt");
    std::string error;
    QVERIFY(s.console.job.Channel5.Open(path.toStdString(), error));
    s.console.job.OutputFileName = path.toStdString();
    PrintItems(s.console.job.Channel5, {"Section ", 1});
    s.console.job.Channel5.Flush();
    report.Refresh();
    QCOMPARE(report.View().toPlainText(), "Section  1 \n");
    for (int i = 2; i <= 200; ++i) PrintItems(s.console.job.Channel5, {"Section ", i});
    s.console.job.Channel5.Flush();
    report.Refresh();
    QCOMPARE(report.View().document()->blockCount(), 201);
    const QScrollBar* bar = report.View().verticalScrollBar();
    QCOMPARE(bar->value(), bar->maximum());
    s.console.job.Channel5.Close();
    QFile::remove(path);
  }
};

}  // namespace tessaro

QTEST_MAIN(tessaro::WindowsTest)
#include "windows_test.moc"
