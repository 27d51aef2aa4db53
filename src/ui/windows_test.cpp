// BlackBoard, Form3 and Form2: what they show, how they redraw, and what
// their Return does.
#include <QApplication>
#include <QFontInfo>
#include <QGroupBox>
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
    session_ = std::make_unique<Session>();
    session_->port.MainWindow().show();
    return *session_;
  }
  std::unique_ptr<Session> session_;

 private slots:
  void initTestCase() { QuietPlatformNotes(); }

  void cleanup() { EndSession(session_); }

  // Shown with what was printed; Return hides it and keeps the text; the
  // next ShowBlackBoard brings it back cleared.
  void blackBoard() {
    Session& s = Start();
    PrintWindow& board = s.port.BlackBoardWindow();
    s.console.ShowBlackBoard();
    PrintItems(s.console.BlackBoard, {"A", Comma, "B"});
    PrintItems(s.console.BlackBoard, {"C", Semi});
    const QString printed = QString(8, u'\n') + "A             B\nC";
    QTRY_COMPARE(board.View().toPlainText(), printed);
    QVERIFY(board.isVisible());
    QCOMPARE(board.windowTitle(), "Temporary Results");
    QVERIFY(board.View().isReadOnly());
    QCOMPARE(board.View().lineWrapMode(), QPlainTextEdit::NoWrap);
    QVERIFY(QFontInfo(board.View().font()).fixedPitch());

    Click(&board, "Command1");
    QVERIFY(!board.isVisible());
    QVERIFY(!s.console.IsShown(Window::BlackBoard));
    QCOMPARE(board.View().toPlainText(), printed);

    s.console.ShowBlackBoard();
    QVERIFY(board.isVisible());
    QTRY_COMPARE(board.View().toPlainText(), QString(7, u'\n'));
  }

  // Thousands of print items are drawn once, and the view follows the end
  // of the output; the help window starts at the top of its topic.
  void redrawsAreCoalesced() {
    Session& s = Start();
    SurfaceView& view = s.port.BlackBoardWindow().View();
    s.console.ShowBlackBoard();
    QTRY_COMPARE(view.blockCount(), 8);
    QSignalSpy redraws(&view, &QPlainTextEdit::textChanged);
    for (int i = 1; i <= 3000; ++i) PrintItems(s.console.BlackBoard, {i, Comma, 0.5 * i});
    QCOMPARE(redraws.count(), 0);
    QTRY_COMPARE(view.blockCount(), 3008);
    QVERIFY(redraws.count() <= 2);
    QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
    QVERIFY(view.verticalScrollBar()->maximum() > 0);

    s.console.Press(18);
    SurfaceView& help = s.port.HelpWindow().View();
    QTRY_VERIFY(help.blockCount() > 20);
    QCOMPARE(help.verticalScrollBar()->value(), 0);
  }

  // An operation topic moves the help window to the upper left corner at
  // the full available height; "Help General" leaves it where it is.
  void helpWindow() {
    Session& s = Start();
    PrintWindow& help = s.port.HelpWindow();
    const QRect area = help.screen()->availableGeometry();
    s.console.Press(18);
    QVERIFY(help.isVisible());
    QCOMPARE(help.windowTitle(), "Resection Help Information");
    QCOMPARE(help.frameGeometry().topLeft(), area.topLeft());
    QCOMPARE(help.frameGeometry().height(), area.height());

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

  // Form2 shows the console's texts under its own captions; Esc hides it
  // and stores nothing.
  void form2Controls() {
    Session& s = Start();
    Form2& form = s.port.StationValuesWindow();
    const char* values[9] = {"800", "1500", "2300", "0", "0", "0", "1000", "1000", "2000"};
    for (std::size_t i = 0; i < 9; ++i) s.console.Text1[i] = values[i];
    s.console.ShowStationValues();
    QVERIFY(form.isVisible());
    QCOMPARE(form.windowTitle(), "Station values");
    auto* frame = qobject_cast<QGroupBox*>(Named(&form, "Frame1"));
    QVERIFY(frame);
    QCOMPARE(frame->title(), "Change Station Values");
    const char* captions[9] = {" Xo", " Yo", " Zo", "Omega", "Phi", "Kappa", "S-xy", "S-z", "S-OmPhiKa"};
    for (int i = 0; i < 9; ++i) {
      auto* label = qobject_cast<QLabel*>(Named(&form, QString("Label1(%1)").arg(i)));
      auto* box = qobject_cast<QLineEdit*>(Named(&form, QString("Text1(%1)").arg(i)));
      QVERIFY(label && box);
      QCOMPARE(label->text(), captions[i]);
      QCOMPARE(box->text(), values[i]);
    }

    QTest::keyClicks(&form.Box(0), "5");
    QTest::keyClick(&form.Box(0), Qt::Key_Escape);
    QVERIFY(!form.isVisible());
    QCOMPARE(s.console.module.Xo, 0.0);
    QCOMPARE(s.console.Text1[0], "800");
  }

  void form2Return_data() {
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("stored");
    const double pi = 4 * std::atan(1.0);
    QTest::newRow("Omega 90 degrees") << 3 << "90" << pi / 2;
    QTest::newRow("Kappa -45") << 5 << "-45" << -pi / 4;
    QTest::newRow("S-OmPhiKa in degrees") << 8 << "0.5" << 0.5 * pi / 180;
    QTest::newRow("S-xy as typed") << 6 << "0.5" << 0.5;
    QTest::newRow("comma ends the number") << 0 << "1,5" << 1.0;
    QTest::newRow("blank inside is ignored") << 0 << "1 5" << 15.0;
    QTest::newRow("empty box") << 2 << "" << 0.0;
  }

  // Return stores the number at the start of each box, angles in radians,
  // and hides the dialog.
  void form2Return() {
    QFETCH(int, box);
    QFETCH(QString, text);
    QFETCH(double, stored);
    Session& s = Start();
    Form2& form = s.port.StationValuesWindow();
    s.console.Text1.fill("7");
    s.console.ShowStationValues();
    form.Box(box).clear();
    QTest::keyClicks(&form.Box(box), text);
    QTest::keyClick(&form.Box(box), Qt::Key_Return);
    QVERIFY(!form.isVisible());
    QCOMPARE(s.console.Text1[static_cast<std::size_t>(box)], text.toStdString());

    Module1& m = s.console.module;
    QCOMPARE(m.StationValues(static_cast<std::size_t>(box + 1)), stored);
    double Module1::*cells[9] = {&Module1::Xo,    &Module1::Yo,  &Module1::Zo,
                                 &Module1::Omega, &Module1::Phi, &Module1::Kappa,
                                 nullptr,         nullptr,       &Module1::SigmaAngle};
    if (cells[box]) QCOMPARE(m.*cells[box], stored);
    QCOMPARE(m.Xo, box == 0 ? stored : 7.0);  // the other boxes are read too
  }
};

}  // namespace tessaro

QTEST_MAIN(tessaro::WindowsTest)
#include "windows_test.moc"
