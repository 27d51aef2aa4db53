// Form1 as the student sees it: every control with its name and caption in
// its frame, and real clicks whose dialogs the test answers itself.
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
#include <algorithm>

#include "ui/ui_test_support.h"

namespace tessaro {

class Form1Test : public QObject {
  Q_OBJECT

 private:
  Session& Start(Operations operations = {}) {
    session_ = std::make_unique<Session>(std::move(operations));
    session_->port.MainWindow().show();
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

  void controls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("frame");
    for (const CommandInfo& c : CommandTable()) {
      const QString name = QString("Command%1").arg(c.number);
      QTest::newRow(qPrintable(name)) << name << c.caption << FrameName(c.frame);
    }
    for (const StaticCaption& c : FormCaptions()) QTest::newRow(c.name) << c.name << c.caption << "";
    const char* labels[][2] = {
        {"Label1(0)", "Image Trans None"},     {"Label1(1)", "Resection None"},
        {"Label1(3)", "Intersection None"},    {"Label2", "Output none"},
        {"Label7", "Relative Orient None"},    {"Label8", "Absolute Orientation None"},
    };
    for (const auto& l : labels) QTest::newRow(l[0]) << l[0] << l[1] << "Frame1";
  }

  void controls() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, frame);
    Start();
    QCOMPARE(Form()->windowTitle(), "Tessaro");
    QWidget* control = Named(Form(), name);
    QVERIFY2(control, qPrintable(name + " is not on Form1 exactly once"));
    if (auto* button = qobject_cast<QPushButton*>(control))
      QCOMPARE(button->text(), caption);
    else if (auto* label = qobject_cast<QLabel*>(control))
      QCOMPARE(label->text(), caption);
    else if (auto* box = qobject_cast<QGroupBox*>(control))
      QCOMPARE(box->title(), caption);
    else
      QFAIL("not a button, label or frame");
    if (!frame.isEmpty()) QCOMPARE(control->parentWidget()->objectName(), frame);
  }

  // Columns read top to bottom in the order of the command table, Frame1's
  // Open column left of its Close column, every status label on the row of
  // its Open button, and no caption is cut short.
  void layout() {
    Start();
    QVERIFY(QTest::qWaitForWindowExposed(Form()));
    for (const char* frameName : {"Frame1", "Frame2", "Frame3", "Frame4"}) {
      QWidget* frame = Named(Form(), frameName);
      QVERIFY(frame);
      QList<QPushButton*> buttons = frame->findChildren<QPushButton*>();
      QStringList shown;
      std::sort(buttons.begin(), buttons.end(), [](QWidget* a, QWidget* b) {
        return std::pair(a->x(), a->y()) < std::pair(b->x(), b->y());
      });
      for (QPushButton* b : buttons) {
        shown << b->objectName();
        QVERIFY2(b->width() >= b->sizeHint().width(), qPrintable(b->objectName()));
        QVERIFY2(b->height() >= b->sizeHint().height(), qPrintable(b->objectName()));
      }
      QStringList table;
      for (const CommandInfo& c : CommandTable())
        if (std::string(FrameName(c.frame)) == frameName)
          table << QString("Command%1").arg(c.number);
      QCOMPARE(shown, table);
    }
    const char* pairs[][2] = {{"Command1", "Label1(0)"}, {"Command2", "Label1(1)"},
                              {"Command3", "Label1(3)"}, {"Command24", "Label7"},
                              {"Command29", "Label8"},   {"Command4", "Label2"}};
    for (const auto& p : pairs) {
      QWidget* button = Named(Form(), p[0]);
      QWidget* label = Named(Form(), p[1]);
      QVERIFY(button && label);
      QVERIFY2(std::abs(button->geometry().center().y() - label->geometry().center().y()) <= 2, p[1]);
      QVERIFY2(label->x() > button->geometry().right(), p[1]);
      QVERIFY2(label->x() < Named(Form(), "Command20")->x(), p[1]);
    }
    std::vector<std::string> status;  // these elide long names
    for (const StatusLabelCaptions& l : StatusLabels()) status.push_back(l.name);
    for (QLabel* label : Form()->findChildren<QLabel*>())
      if (std::find(status.begin(), status.end(), label->objectName().toStdString()) == status.end())
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->objectName()));
    for (const std::string& name : status) {  // but never their own captions
      auto* label = qobject_cast<QLabel*>(Named(Form(), name.c_str()));
      QVERIFY2(label->contentsRect().width() - 8 >= label->fontMetrics().horizontalAdvance(label->text()),
               name.c_str());
    }

    auto* screen = qobject_cast<QPlainTextEdit*>(Named(Form(), "Screen"));
    QVERIFY(screen);
    QVERIFY(screen->isReadOnly());
    QVERIFY(QFontInfo(screen->font()).fixedPitch());
  }

  void enterNeedsBothFiles_data() {
    QTest::addColumn<int>("command");
    for (int c : {7, 8, 9, 26, 31}) QTest::newRow(qPrintable(QString("Command%1").arg(c))) << c;
  }

  void enterNeedsBothFiles() {
    QFETCH(int, command);
    Start();
    QString text;
    QString title;
    int buttons = 0;
    auto answered = WhenModal([&](QWidget* dialog) {
      title = dialog->windowTitle();
      buttons = static_cast<int>(dialog->findChildren<QAbstractButton*>().size());
      text = AnswerMessage(dialog);
    });
    Click(Form(), QString("Command%1").arg(command));
    QVERIFY(*answered);
    QCOMPARE(text, " Enter Input and output files first");
    QCOMPARE(title, "Tessaro");
    QCOMPARE(buttons, 1);
  }

  // The report file: a new name may be typed, an old report is emptied, and
  // it cannot be chosen twice.
  void openOutputFile() {
    Session& s = Start();
    const QString path = dir_.filePath("report.txt");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("last week's report\n");
    old.close();

    QStringList filters;
    QFileDialog::FileMode mode = QFileDialog::Directory;
    auto answered = WhenModal([&](QWidget* dialog) {
      if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
        filters = files->nameFilters();
        mode = files->fileMode();
        QVERIFY(files->testOption(QFileDialog::DontConfirmOverwrite));
      }
      AnswerFileDialog(dialog, path);
    });
    Click(Form(), "Command4");
    QVERIFY(*answered);
    QCOMPARE(filters, QStringList({"All Files (*.*)", "Text Files (*.txt)"}));
    QCOMPARE(mode, QFileDialog::AnyFile);
    QCOMPARE(Text("Label2"), path);
    QCOMPARE(QFileInfo(path).size(), 0);
    QVERIFY(s.console.job.Channel5.IsOpen());

    QString text;
    answered = WhenModal([&](QWidget* dialog) { text = AnswerMessage(dialog); });
    Click(Form(), "Command4");
    QVERIFY(*answered);
    QCOMPARE(text, " File is already open");
    QCOMPARE(Text("Label2"), path);
  }

  // An input must exist; a cancelled dialog changes nothing.
  void cancelledInput() {
    Session& s = Start();
    QFileDialog::FileMode mode = QFileDialog::Directory;
    auto answered = WhenModal([&](QWidget* dialog) {
      if (auto* files = qobject_cast<QFileDialog*>(dialog)) mode = files->fileMode();
      AnswerFileDialog(dialog, "");
    });
    Click(Form(), "Command1");
    QVERIFY(*answered);
    QCOMPARE(mode, QFileDialog::ExistingFile);
    QCOMPARE(Text("Label1(0)"), "Image Trans None");
    QCOMPARE(s.console.job.OpenFlag(1), kFalse);
  }

  // A command runs under the busy cursor; its prompts show the arrow, sit
  // at the twips position, start empty and untitled, and come up with the
  // results printed so far already on BlackBoard.
  void commandWithPrompts() {
    Qt::CursorShape during = Qt::BlankCursor;
    std::string first = "unset";
    std::string second = "unset";
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
    const QPoint expected = screen->geometry().topLeft() +
                            QPoint(static_cast<int>(screen->logicalDotsPerInchX()),
                                   static_cast<int>(2 * screen->logicalDotsPerInchY()));

    QString prompt, title, preset, board;
    QPoint at;
    Qt::CursorShape waiting = Qt::BlankCursor;
    std::shared_ptr<bool> secondAnswered;
    auto answered = WhenModal([&](QWidget* dialog) {
      prompt = dialog->findChild<QLabel*>("Prompt") ? dialog->findChild<QLabel*>("Prompt")->text() : "";
      title = dialog->windowTitle();
      preset = dialog->findChild<QLineEdit*>("Answer") ? dialog->findChild<QLineEdit*>("Answer")->text() : "?";
      at = dialog->pos();
      waiting = QApplication::overrideCursor()->shape();
      board = s.port.BlackBoardWindow().View().toPlainText();
      secondAnswered = WhenModal([](QWidget* next) { AnswerPrompt(next, "77", true); });
      AnswerPrompt(dialog, "12");
    });
    Click(Form(), "Command12");
    QVERIFY(*answered);
    QVERIFY(secondAnswered && *secondAnswered);
    QCOMPARE(during, Qt::WaitCursor);
    QCOMPARE(waiting, Qt::ArrowCursor);
    QCOMPARE(prompt, "Enter Number of Iterations");
    QCOMPARE(title, "");
    QCOMPARE(preset, "");
    QCOMPARE(at, expected);
    QCOMPARE(board, QString(8, u'\n') + "  RMS= " + QString(7, u' ') + " .25 ");  // zone at 15
    QCOMPARE(first, "12");
    QCOMPARE(second, "");
  }

  // "Exit" and closing the main window both end the program: every window
  // goes and the report is closed.
  void exit_data() {
    QTest::addColumn<bool>("byButton");
    QTest::newRow("Exit button") << true;
    QTest::newRow("window closed") << false;
  }

  void exit() {
    QFETCH(bool, byButton);
    Session& s = Start();
    auto answered = WhenModal([&](QWidget* d) { AnswerFileDialog(d, dir_.filePath("exit.txt")); });
    Click(Form(), "Command4");
    QVERIFY(*answered);
    s.console.ShowBlackBoard();
    s.console.Press(16);
    QVERIFY(s.port.HelpWindow().isVisible());
    if (byButton)
      Click(Form(), "Command6");
    else
      Form()->close();
    QVERIFY(!s.console.job.Channel5.IsOpen());
    for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
  }
};

}  // namespace tessaro

QTEST_MAIN(tessaro::Form1Test)
#include "form1_test.moc"
