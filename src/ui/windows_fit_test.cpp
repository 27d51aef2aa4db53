// The windows on a real screen under a window manager, which frames them
// with title bars as a desktop does (the offscreen platform has no frames):
// run by with_window_manager.sh. Every frame lies inside the screen's
// available area, the main window's frame at its upper left corner, the help
// window as high as the area with its Return in sight, the results window
// and the station values dialog clear of the main window's buttons, the
// station values boxes wide enough for the longest numbers, and a prompt's
// frame where it is asked to be.
// With TESSARO_SHOTS=FOLDER it saves what the screen shows at each step.
#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include "ui/ui_test_support.h"

namespace tessaro {

namespace {

QRect OnScreen(const QWidget& widget) { return {widget.mapToGlobal(QPoint(0, 0)), widget.size()}; }
// A window's frame and client area as the window system reports them.
QRect FrameOf(const QWidget& window) { return window.windowHandle()->frameGeometry(); }
QRect ClientOf(const QWidget& window) { return window.windowHandle()->geometry(); }

// Whether the box shows its whole text: from before the first character to
// after the last the cursor moves by the text's full width, so the text did
// not scroll.
bool ShowsWhole(QLineEdit& box) {
  auto cursorAt = [&box](int position) {
    box.setCursorPosition(position);
    box.repaint();  // the box scrolls to its cursor when it paints
    return box.inputMethodQuery(Qt::ImCursorRectangle).toRect().left();
  };
  const int start = cursorAt(0);
  const int end = cursorAt(static_cast<int>(box.text().size()));
  return end - start >= box.fontMetrics().horizontalAdvance(box.text()) - 1;
}

}  // namespace

class WindowsFitTest : public QObject {
  Q_OBJECT

 private:
  // A session whose main window the window manager has framed (the other
  // windows are placed beside that frame).
  Session& Start() {
    session_ = StartSession();
    FramedInside(session_->port.MainWindow(), Area());
    return *session_;
  }
  QRect Area() const { return session_->port.MainWindow().screen()->availableGeometry(); }
  // Waits until the window manager has framed the window and the frame lies
  // inside the available area.
  static bool FramedInside(QWidget& window, const QRect& area) {
    return QTest::qWaitForWindowExposed(&window) && QTest::qWaitFor([&] {
             return !window.windowHandle()->frameMargins().isNull() &&
                    area.contains(FrameOf(window));
           });
  }
  // The main window's frames of buttons on the screen.
  std::vector<QRect> ButtonFrames() {
    std::vector<QRect> frames;
    for (const QGroupBox* box : session_->port.MainWindow().findChildren<QGroupBox*>())
      frames.push_back(OnScreen(*box));
    return frames;
  }
  bool ClearOfButtons(const QWidget& window) {
    for (const QRect& buttons : ButtonFrames())
      if (FrameOf(window).intersects(buttons)) return false;
    return true;
  }
  void Shot(const char* name) {
    const QString folder = qEnvironmentVariable("TESSARO_SHOTS");
    if (folder.isEmpty()) return;
    QTest::qWait(200);  // the window manager's own drawing
    const QSize size = Area().size();
    QGuiApplication::primaryScreen()->grabWindow(0).save(
        QString("%1/%2-%3x%4.png").arg(folder, name).arg(size.width()).arg(size.height()));
  }

  std::unique_ptr<Session> session_;

 private slots:
  void initTestCase() {
    QVERIFY2(QGuiApplication::platformName() == "xcb",
             "needs an X server with a window manager: run it through with_window_manager.sh");
  }

  void cleanup() { EndSession(session_); }

  void mainWindow() {
    Session& s = Start();
    QWidget& main = s.port.MainWindow();
    QVERIFY(FramedInside(main, Area()));
    QTRY_COMPARE(FrameOf(main).topLeft(), Area().topLeft());
    QVERIFY(FrameOf(main).top() < ClientOf(main).top());  // the title bar is on the screen
    Shot("main");
  }

  // An operation topic, shown the first time and again after Return.
  void helpWindow() {
    Session& s = Start();
    PrintWindow& help = s.port.HelpWindow();
    for (int topic : {18, 19}) {
      s.console.Press(topic);
      QVERIFY(FramedInside(help, Area()));
      QTRY_COMPARE(FrameOf(help).topLeft(), Area().topLeft());
      QTRY_COMPARE(FrameOf(help).bottom(), Area().bottom());
      auto* back = qobject_cast<QPushButton*>(Named(&help, "Command1"));
      QVERIFY(back && back->isVisible());
      QVERIFY(ClientOf(help).contains(OnScreen(*back)));
      Shot("help");
      Click(&help, "Command1");
      QVERIFY(!help.isVisible());
    }
  }

  void resultsWindow() {
    Session& s = Start();
    s.console.ShowBlackBoard();
    PrintWindow& board = s.port.BlackBoardWindow();
    QVERIFY(FramedInside(board, Area()));
    QVERIFY(ClearOfButtons(board));
    // What the room allows, never less than half its text.
    QVERIFY(board.View().height() >= board.View().SizeFor(90, 28).height() / 2);
    Shot("results");
  }

  // The station values dialog, filled as the resection fills it, with the
  // longest numbers it can be given.
  void stationValues() {
    Session& s = Start();
    Form2& form = s.port.StationValuesWindow();
    const char* values[9] = {"1000.58981852248",      "-2000.32114851585",      "3000.47508625166",
                             "-0.000841030779838994", "-8.88888888888888E-308", "2.50000218744759",
                             "0.252607319917005",     "8.41030779838994E-05",   "2000"};
    for (std::size_t i = 0; i < 9; ++i) s.console.Text1[i] = values[i];
    s.console.ShowStationValues();
    QVERIFY(FramedInside(form, Area()));
    QVERIFY(ClearOfButtons(form));
    for (int i = 0; i < 9; ++i) QVERIFY2(ShowsWhole(form.Box(i)), values[i]);
    Shot("station-values");
  }

  // A prompt asked at a position: its frame's upper left corner is there,
  // as the position is counted from the screen's corner.
  void promptAtItsPosition() {
    Session& s = Start();
    const QScreen* screen = s.port.MainWindow().screen();
    const QPoint expected = screen->geometry().topLeft() +
                            QPoint(static_cast<int>(2880 * screen->logicalDotsPerInchX() / 1440),
                                   static_cast<int>(1440 * screen->logicalDotsPerInchY() / 1440));
    QRect frame;
    const auto answered = WhenModal([&](QWidget* dialog) {
      (void)FramedInside(*dialog, screen->geometry());
      (void)QTest::qWaitFor([&] { return FrameOf(*dialog).topLeft() == expected; }, 2000);
      frame = FrameOf(*dialog);
      Shot("prompt");
      AnswerPrompt(dialog, "7");
    });
    QCOMPARE(s.port.AskLine("Iterations", Twips{2880, 1440}), "7");
    QVERIFY(*answered);
    QCOMPARE(frame.topLeft(), expected);
  }
};

}  // namespace tessaro

QTEST_MAIN(tessaro::WindowsFitTest)
#include "windows_fit_test.moc"
