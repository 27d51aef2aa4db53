// What the window tests share: a console with its Qt windows, and answering
// the modal dialogs that a click opens.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "shell/console.h"
#include "ui/qt_ui_port.h"

namespace tessaro {

// A console with its windows, as the program sets them up (Form1 loaded,
// not shown).
struct Session {
  explicit Session(Operations operations = {}) : console(port, std::move(operations)) {
    port.Attach(console);
  }
  QtUiPort port;
  Console console;
};

// A session with its main window shown, as a test starts one.
std::unique_ptr<Session> StartSession(Operations operations = {});

// Ends a test's session and checks that no window, dialog or busy cursor
// outlives the console.
void EndSession(std::unique_ptr<Session>& session);

// Calls `answer` with the next modal dialog once it is up and active. The
// returned flag turns true when that has happened, so a test can tell a
// dialog that never came from one that was answered.
std::shared_ptr<bool> WhenModal(std::function<void(QWidget*)> answer);
// The same for the next message box, also one that a dialog still up opens
// over itself (the file dialog's question before it replaces a file).
std::shared_ptr<bool> WhenMessageBox(std::function<void(QWidget*)> answer);

// Answers a file dialog by typing the name and accepting; an empty name
// cancels it.
void AnswerFileDialog(QWidget* dialog, const QString& path);
// Answers a message box with OK; returns its text.
QString AnswerMessage(QWidget* dialog);
// Answers the one-line prompt by typing the text and pressing OK, or Cancel
// when cancel is set.
void AnswerPrompt(QWidget* dialog, const QString& text, bool cancel = false);

// The one descendant of root with this object name (nullptr if there are
// none or several).
QWidget* Named(QWidget* root, const QString& name);

// Drops the offscreen platform's notes on what it cannot do (raise, grab
// the keyboard, ...); call from initTestCase(), after QtTest's own handler.
void QuietPlatformNotes();

// Clicks the button with this object name in root.
void Click(QWidget* root, const QString& name);

}  // namespace tessaro
