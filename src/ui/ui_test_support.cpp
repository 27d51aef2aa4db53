#include "ui/ui_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace tessaro {

namespace {

struct Waiting {
  std::function<void(QWidget*)> answer;
  bool messageBoxOnly = false;
  std::shared_ptr<bool> answered = std::make_shared<bool>(false);
  QElapsedTimer clock;
};

void Poll(const std::shared_ptr<Waiting>& waiting) {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal && modal->isVisible() &&
      (!waiting->messageBoxOnly || qobject_cast<QMessageBox*>(modal))) {
    *waiting->answered = true;
    waiting->answer(modal);
    return;
  }
  if (waiting->clock.elapsed() > 5000) return;  // the test reports the missing dialog
  QTimer::singleShot(5, qApp, [waiting] { Poll(waiting); });
}

QtMessageHandler previousHandler = nullptr;

void DropPlatformNotes(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtWarningMsg && text.startsWith("This plugin does not support")) return;
  previousHandler(type, context, text);
}

}  // namespace

std::unique_ptr<Session> StartSession(Operations operations) {
  auto session = std::make_unique<Session>(std::move(operations));
  session->port.MainWindow().show();
  return session;
}

void EndSession(std::unique_ptr<Session>& session) {
  session.reset();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCOMPARE(QApplication::topLevelWidgets().size(), 0);
  QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void QuietPlatformNotes() {
  QtMessageHandler previous = qInstallMessageHandler(DropPlatformNotes);
  if (previous != DropPlatformNotes) previousHandler = previous;
}

std::shared_ptr<bool> WhenMessageBox(std::function<void(QWidget*)> answer) {
  auto waiting = std::make_shared<Waiting>();
  waiting->answer = std::move(answer);
  waiting->messageBoxOnly = true;
  waiting->clock.start();
  QTimer::singleShot(0, qApp, [waiting] { Poll(waiting); });
  return waiting->answered;
}

std::shared_ptr<bool> WhenModal(std::function<void(QWidget*)> answer) {
  auto waiting = std::make_shared<Waiting>();
  waiting->answer = std::move(answer);
  waiting->clock.start();
  QTimer::singleShot(0, qApp, [waiting] { Poll(waiting); });
  return waiting->answered;
}

void AnswerFileDialog(QWidget* dialog, const QString& path) {
  auto* files = qobject_cast<QFileDialog*>(dialog);
  if (!files) {
    dialog->close();
    return;
  }
  if (path.isEmpty()) {
    files->reject();
    return;
  }
  // The whole name at once: typed key by key, each "/" would open a folder.
  if (auto* edit = files->findChild<QLineEdit*>("fileNameEdit")) {
    edit->setText(path);
  } else {
    files->selectFile(path);
  }
  QMetaObject::invokeMethod(files, "accept");
}

QString AnswerMessage(QWidget* dialog) {
  auto* box = qobject_cast<QMessageBox*>(dialog);
  if (!box) {
    dialog->close();
    return "(not a message box)";
  }
  const QString text = box->text();
  if (QAbstractButton* ok = box->button(QMessageBox::Ok))
    QTest::mouseClick(ok, Qt::LeftButton);
  else
    box->close();
  return text;
}

void AnswerPrompt(QWidget* dialog, const QString& text, bool cancel) {
  auto* edit = dialog->findChild<QLineEdit*>("Answer");
  auto* buttons = dialog->findChild<QDialogButtonBox*>();
  if (dialog->objectName() != "AskLine" || !edit || !buttons) {
    dialog->close();
    return;
  }
  QTest::keyClicks(edit, text);
  QTest::mouseClick(buttons->button(cancel ? QDialogButtonBox::Cancel : QDialogButtonBox::Ok),
                    Qt::LeftButton);
}

QWidget* Named(QWidget* root, const QString& name) {
  const QList<QWidget*> found = root->findChildren<QWidget*>(name);
  return found.size() == 1 ? found.front() : nullptr;
}

void Click(QWidget* root, const QString& name) {
  auto* button = qobject_cast<QAbstractButton*>(Named(root, name));
  if (button) QTest::mouseClick(button, Qt::LeftButton);
}

}  // namespace tessaro
