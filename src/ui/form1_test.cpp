// Form1 as the student sees it: every control with its caption in its frame,
// and real clicks whose dialogs the test answers itself.
#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "ui/ui_test_support.h"

namespace tessaro {

class Form1Test : public QObject {
  Q_OBJECT

 private:
  Session& Start(Operations operations = {}) {
    session_ = StartSession(std::move(operations));
    return *session_;
  }
  QWidget* Form() { return &session_->port.MainWindow(); }
  QString Text(const QString& name) {
    auto* label = qobject_cast<QLabel*>(Named(Form(), name));
    return label ? label->text() : QString("(no label %1)").arg(name);
  }

  std::unique_ptr<Session> session_;
  QTemporaryDir dir_;

 private slots:
  void initTestCase() { QuietPlatformNotes(); }

  void cleanup() { EndSession(session_); }

  // Every command of the table, under its caption, in its frame's columns
  // read top to bottom in table order, Frame1's Open column left of its
  // Close column; every status label shows its first caption on the row of
  // its Open button. No caption is cut short (status labels elide file
  // names, never their own captions); the console is read-only and of fixed
  // pitch.
  void layout() {
    Start();
    QVERIFY(QTest::qWaitForWindowExposed(Form()));
    QCOMPARE(Form()->windowTitle(), "Tessaro");
    for (const char* frameName : {"Frame1", "Frame2", "Frame3", "Frame4"}) {
      QWidget* frame = Named(Form(), frameName);
      QVERIFY(frame);
      QList<QPushButton*> buttons = frame->findChildren<QPushButton*>();
      std::sort(buttons.begin(), buttons.end(), [](QWidget* a, QWidget* b) {
        return std::pair(a->x(), a->y()) < std::pair(b->x(), b->y());
      });
      QStringList shown, table;
      for (QPushButton* b : buttons) shown << b->objectName() + " " + b->text();
      for (const CommandInfo& c : CommandTable())
        if (std::string(FrameName(c.frame)) == frameName)
          table << QString("Command%1 %2").arg(c.number).arg(c.caption);
      QCOMPARE(shown, table);
    }
    for (const StaticCaption& c : FormCaptions()) {
      auto* box = qobject_cast<QGroupBox*>(Named(Form(), c.name));
      QCOMPARE(box ? box->title() : Text(c.name), c.caption);
    }
    for (const CommandInfo& c : CommandTable()) {
      if (!c.label || (c.kind != CommandKind::Open && c.kind != CommandKind::OpenOutput)) continue;
      QWidget* button = Named(Form(), QString("Command%1").arg(c.number));
      QWidget* label = Named(Form(), c.label);
      QVERIFY(button && label);
      QVERIFY2(std::abs(button->geometry().center().y() - label->geometry().center().y()) <= 2,
               c.label);
      QVERIFY2(label->x() > button->geometry().right(), c.label);
      QVERIFY2(label->x() < Named(Form(), "Command20")->x(), c.label);
    }
    QStringList status;
    for (const StatusLabelCaptions& l : StatusLabels()) {
      status << l.name;
      QCOMPARE(Text(l.name), l.initial);
      auto* label = qobject_cast<QLabel*>(Named(Form(), l.name));
      QVERIFY2(label->contentsRect().width() - 8 >=
                   label->fontMetrics().horizontalAdvance(label->text()),
               l.name);
    }
    for (QWidget* w : Form()->findChildren<QWidget*>())
      if (qobject_cast<QPushButton*>(w) ||
          (qobject_cast<QLabel*>(w) && !status.contains(w->objectName())))
        QVERIFY2(w->width() >= w->sizeHint().width() && w->height() >= w->sizeHint().height(),
                 qPrintable(w->objectName()));

    auto* screen = qobject_cast<QPlainTextEdit*>(Named(Form(), "Screen"));
    QVERIFY(screen && screen->isReadOnly());
    QVERIFY(QFontInfo(screen->font()).fixedPitch());
  }

  // The file dialogs: the report may be a new name; an existing file is
  // replaced (emptied) only once the dialog's own question is answered Yes,
  // while No returns to the dialog, whose Cancel then changes nothing. An
  // input must exist, and a cancelled dialog changes nothing. A refusal
  // comes as a message box with one button under the program's title.
  void fileDialogsAndMessages() {
    Session& s = Start();
    const QString path = dir_.filePath("report.txt");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("last week's report\n") > 0);
    old.close();

    QStringList filters;
    QFileDialog::FileMode mode = QFileDialog::Directory;
    QString question;
    // reply: the answer to the question; after No the dialog is cancelled.
    auto chooseReport = [&](QMessageBox::StandardButton reply) {
      auto asked = std::make_shared<std::shared_ptr<bool>>();
      auto answered = WhenModal([&, reply, asked](QWidget* dialog) {
        if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
          filters = files->nameFilters();
          mode = files->fileMode();
        }
        *asked = WhenMessageBox([&, reply, dialog](QWidget* box) {
          question = qobject_cast<QMessageBox*>(box)->text();
          qobject_cast<QMessageBox*>(box)->button(reply)->click();
          if (reply == QMessageBox::No)
            QTimer::singleShot(0, dialog, [dialog] { AnswerFileDialog(dialog, ""); });
        });
        AnswerFileDialog(dialog, path);
      });
      Click(Form(), "Command4");
      QVERIFY(*answered);
      QVERIFY(*asked && **asked);
    };
    chooseReport(QMessageBox::No);
    QVERIFY2(question.contains("already exists"), qPrintable(question));
    QCOMPARE(Text("Label2"), "Output none");
    QCOMPARE(QFileInfo(path).size(), qint64(19));
    QCOMPARE(s.console.job.OpenFlag(kReportOpen), kFalse);
    chooseReport(QMessageBox::Yes);
    QCOMPARE(filters, QStringList({"All Files (*)", "Text Files (*.txt)"}));
    QCOMPARE(mode, QFileDialog::AnyFile);
    QCOMPARE(Text("Label2"), path);
    QCOMPARE(QFileInfo(path).size(), 0);

    auto answered = WhenModal([&](QWidget* dialog) {
      if (auto* files = qobject_cast<QFileDialog*>(dialog)) mode = files->fileMode();
      AnswerFileDialog(dialog, "");
    });
    Click(Form(), "Command1");
    QVERIFY(*answered);
    QCOMPARE(mode, QFileDialog::ExistingFile);
    QCOMPARE(Text("Label1(0)"), "Image Trans None");
    QCOMPARE(s.console.job.OpenFlag(kImageTransChosen), kFalse);

    QString text, title;
    int buttons = 0;
    answered = WhenModal([&](QWidget* dialog) {
      title = dialog->windowTitle();
      buttons = static_cast<int>(dialog->findChildren<QAbstractButton*>().size());
      text = AnswerMessage(dialog);
    });
    Click(Form(), "Command7");
    QVERIFY(*answered);
    QCOMPARE(text, " Enter Input and output files first");
    QCOMPARE(title, "Tessaro");
    QCOMPARE(buttons, 1);
  }

  // A command runs under the busy cursor; its prompts show the arrow, sit
  // at the twips position, start empty and untitled, and come up with the
  // results printed so far already on BlackBoard.
  void commandWithPrompts() {
    Qt::CursorShape during = Qt::BlankCursor;
    std::string first = "unset", second = "unset";
    Operations ops;
    ops.Resection = [&](Console& c, int mode) {
      if (mode != 4) return;
      during = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape()
                                              : Qt::BlankCursor;
      c.ShowBlackBoard();
      PrintItems(c.BlackBoard, {"  RMS= ", Comma, 0.25});
      first = c.AskLine("Enter Number of Iterations", Twips{1440, 2880});
      second = c.AskLine("Enter Point ID1");
    };
    Session& s = Start(std::move(ops));
    const QScreen* screen = Form()->screen();
    const QPoint expected =
        screen->geometry().topLeft() + QPoint(static_cast<int>(screen->logicalDotsPerInchX()),
                                              static_cast<int>(2 * screen->logicalDotsPerInchY()));

    QString prompt, title, preset = "?", board;
    QPoint at;
    Qt::CursorShape waiting = Qt::BlankCursor;
    std::shared_ptr<bool> secondAnswered;
    auto answered = WhenModal([&](QWidget* dialog) {
      if (auto* label = dialog->findChild<QLabel*>("Prompt")) prompt = label->text();
      if (auto* edit = dialog->findChild<QLineEdit*>("Answer")) preset = edit->text();
      title = dialog->windowTitle();
      at = dialog->pos();
      waiting = QApplication::overrideCursor()->shape();
      board = s.port.BlackBoardWindow().View().toPlainText();
      secondAnswered = WhenModal([](QWidget* next) { AnswerPrompt(next, "77", true); });
      AnswerPrompt(dialog, "12");
    });
    Click(Form(), "Command12");
    QVERIFY(*answered && secondAnswered && *secondAnswered);
    QCOMPARE(during, Qt::WaitCursor);
    QCOMPARE(waiting, Qt::ArrowCursor);
    QCOMPARE(prompt + "|" + title + "|" + preset, "Enter Number of Iterations||");
    QCOMPARE(at, expected);
    QCOMPARE(board, QString(8, u'\n') + "  RMS= " + QString(7, u' ') + " .25 ");  // zone at 15
    QCOMPARE(first, "12");
    QCOMPARE(second, "");
  }

  // A long command: what it prints shows while it still runs, and closing
  // the main window waits for its end.
  void windowsRepaintDuringACommand() {
    QString shown;
    bool stillOpen = false;
    Session* session = nullptr;
    Operations ops;
    ops.Resection = [&](Console& c, int mode) {
      if (mode != 4) return;
      for (const char* line : {"first", "second"}) {
        PrintItems(c.BlackBoard, {line});
        QThread::msleep(150);
      }
      PrintItems(c.BlackBoard, {"third"});
      shown = session->port.BlackBoardWindow().View().toPlainText();
      Form()->close();
      stillOpen = Form()->isVisible();
    };
    session = &Start(std::move(ops));
    Click(Form(), "Command12");
    QVERIFY(shown.contains("third"));
    QVERIFY(stillOpen);
  }

  // Closing the main window ends the program as "Exit" does: every window
  // goes and the report is closed.
  void exit() {
    Session& s = Start();
    std::string error;
    QVERIFY(s.console.job.Channel5.Open(dir_.filePath("exit.txt").toStdString(), error));
    s.console.ShowBlackBoard();
    s.console.Press(16);
    QVERIFY(s.port.HelpWindow().isVisible());
    Form()->close();
    QVERIFY(!s.console.job.Channel5.IsOpen());
    for (QWidget* w : QApplication::topLevelWidgets())
      QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
  }
};

}  // namespace tessaro

QTEST_MAIN(tessaro::Form1Test)
#include "form1_test.moc"
