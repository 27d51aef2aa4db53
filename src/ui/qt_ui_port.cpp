#include "ui/qt_ui_port.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "ui/placement.h"

namespace tessaro {

namespace {

// While a command runs the busy cursor is up; a dialog that waits for the
// user shows the arrow instead.
class ArrowWhileDialog {
 public:
  ArrowWhileDialog() : busy_(QApplication::overrideCursor() != nullptr) {
    if (busy_) QApplication::setOverrideCursor(Qt::ArrowCursor);
  }
  ~ArrowWhileDialog() {
    if (busy_) QApplication::restoreOverrideCursor();
  }
  ArrowWhileDialog(const ArrowWhileDialog&) = delete;
  ArrowWhileDialog& operator=(const ArrowWhileDialog&) = delete;

 private:
  bool busy_;
};

// The one-line prompt: the prompt text, an empty box, OK and Cancel.
class AskLineDialog : public QDialog {
 public:
  AskLineDialog(const QString& prompt, QWidget* parent) : QDialog(parent) {
    setObjectName("AskLine");
    setWindowTitle(QString());
    auto* label = new QLabel(prompt, this);
    label->setObjectName("Prompt");
    label->setTextFormat(Qt::PlainText);
    answer_ = new QLineEdit(this);
    answer_->setObjectName("Answer");
    answer_->setMinimumWidth(fontMetrics().horizontalAdvance(QString(36, u'x')));
    label->setBuddy(answer_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(answer_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
  }
  QString Answer() const { return answer_->text(); }

 private:
  QLineEdit* answer_;
};

QScreen* ScreenOf(const QWidget* widget) {
  if (widget && widget->screen()) return widget->screen();
  return QGuiApplication::primaryScreen();
}

// The main window's buttons, on the screen.
std::vector<QRect> Buttons(const QWidget& main) {
  std::vector<QRect> buttons;
  for (const QPushButton* button : main.findChildren<QPushButton*>())
    buttons.emplace_back(button->mapToGlobal(QPoint(0, 0)), button->size());
  return buttons;
}

// Places a window of the console the first time it is shown: the results
// and help windows to the right of the main window or below it, the station
// values dialog at the bottom of the screen, where they cover none of the
// main window's buttons. A results window too high for the room below the
// main window may be shortened to fit there, down to half its height; where
// nothing fits, it goes where it covers the fewest buttons.
void PlaceBeside(QWidget& window, const QWidget& main, bool atBottom) {
  const QScreen* screen = ScreenOf(&main);
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  const QRect m = FrameGeometry(main);
  const QSize client = window.testAttribute(Qt::WA_Resized) ? window.size() : window.sizeHint();
  const QSize size = client.grownBy(FrameMargins(window)).boundedTo(area.size());
  const QPoint right(m.right() + 1, atBottom ? area.bottom() + 1 - size.height() : m.top());
  const QPoint below(m.left(), m.bottom() + 1);
  std::vector<QRect> candidates{QRect(right, size), QRect(below, size)};
  const int room = area.bottom() - m.bottom();
  if (!atBottom && room >= size.height() / 2)
    candidates.emplace_back(below, QSize(size.width(), room));
  candidates.emplace_back(area.bottomRight() + QPoint(1, 1) - QPoint(size.width(), size.height()),
                          size);
  const QRect frame = ChooseFrame(candidates, area, Buttons(main));
  PlaceFrame(window, frame.topLeft(), frame.size());
}

}  // namespace

QtUiPort::QtUiPort() = default;

// The console is gone by now; no window talks to it while being destroyed.
QtUiPort::~QtUiPort() = default;

void QtUiPort::Attach(Console& console) {
  console_ = &console;
  form1_ = std::make_unique<Form1>(console);
  blackBoard_ = std::make_unique<PrintWindow>(console, Window::BlackBoard, "BlackBoard",
                                              console.BlackBoard, true, 90);
  // The help topics' longest lines are 96 characters.
  form3_ =
      std::make_unique<PrintWindow>(console, Window::Form3, "Form3", console.Form3, false, 100);
  form2_ = std::make_unique<Form2>(console);
  plot_ =
      std::make_unique<PlotWindow>([&console] { return console.PictureSvg(); },
                                   [this](const QString& filter) {
                                     return QFileDialog::getSaveFileName(
                                         plot_.get(), "Save the picture", lastDirectory_, filter);
                                   });
  report_ = std::make_unique<ReportWindow>([&console] { return console.job.OutputFileName; });
  OfferAdditions(*form1_);
  OfferAdditions(*blackBoard_);
  blackBoard_->resize(blackBoard_->sizeHint());
  form3_->resize(form3_->sizeHint());
  form1_->Load();
}

QWidget* QtUiPort::Widget(Window window) {
  switch (window) {
    case Window::BlackBoard:
      return blackBoard_.get();
    case Window::Form3:
      return form3_.get();
    case Window::Form2:
      return form2_.get();
  }
  return nullptr;
}

QWidget* QtUiPort::DialogParent() {
  if (QWidget* active = QApplication::activeWindow()) return active;
  return form1_ && form1_->isVisible() ? form1_.get() : nullptr;
}

void QtUiPort::FlushSurfaces() {
  if (!form1_) return;
  form1_->Screen().Flush();
  blackBoard_->View().Flush();
  form3_->View().Flush();
}

void QtUiPort::ShowMessage(const std::string& text) {
  FlushSurfaces();
  ArrowWhileDialog arrow;
  QMessageBox box(QMessageBox::NoIcon, "Tessaro", QString::fromStdString(text), QMessageBox::Ok,
                  DialogParent());
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

std::string QtUiPort::AskLine(const std::string& prompt, std::optional<Twips> position) {
  FlushSurfaces();
  ArrowWhileDialog arrow;
  AskLineDialog dialog(QString::fromStdString(prompt), DialogParent());
  if (position) {
    // Twips from the screen's upper left corner, at the screen's logical DPI.
    const QScreen* screen = ScreenOf(form1_.get());
    if (screen) {
      const QPoint offset(static_cast<int>(position->x * screen->logicalDotsPerInchX() / 1440),
                          static_cast<int>(position->y * screen->logicalDotsPerInchY() / 1440));
      PlaceFrame(dialog, screen->geometry().topLeft() + offset);
    }
  }
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.Answer().toStdString();
}

std::string QtUiPort::ChooseFile(FileChoice purpose) {
  FlushSurfaces();
  ArrowWhileDialog arrow;
  const bool input = purpose == FileChoice::Input;
  QFileDialog dialog(DialogParent(), input ? "Choose an input file" : "Choose the report file",
                     lastDirectory_);
  // On Linux "*.*" hides every file whose name has no dot; "*" shows them
  // all, as "*.*" does on Windows.
  dialog.setNameFilters({"All Files (*)", "Text Files (*.txt)"});
  if (input) {
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
  } else {
    // A new report name may be typed. An existing file is emptied when it
    // is opened as the report, so the save dialog asks before replacing it,
    // as every desktop program does: No returns to the dialog.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  lastDirectory_ = dialog.directory().absolutePath();
  return dialog.selectedFiles().front().toStdString();
}

void QtUiPort::CaptionChanged(const std::string& controlName) {
  if (!console_) return;
  const QString caption = QString::fromStdString(console_->Caption(controlName));
  if (controlName == "BlackBoard") {
    blackBoard_->setWindowTitle(caption);
  } else if (controlName == "Form3") {
    form3_->setWindowTitle(caption);
  } else if (controlName == "Form2") {
    form2_->setWindowTitle(caption);
  } else {
    form1_->UpdateCaption(controlName);
  }
}

void QtUiPort::ShowWindow(Window window) {
  QWidget* widget = Widget(window);
  if (!widget) return;
  if (window == Window::Form2) form2_->Fill();
  bool& placed = placed_[static_cast<std::size_t>(window)];
  if (!placed) {
    PlaceBeside(*widget, *form1_, window == Window::Form2);
    placed = true;
  }
  widget->show();
  widget->raise();
}

void QtUiPort::HideWindow(Window window) {
  if (QWidget* widget = Widget(window)) widget->hide();
}

void QtUiPort::PlaceHelpWindow() {
  if (!form3_) return;
  FitHelpWindow();
  placed_[static_cast<std::size_t>(Window::Form3)] = true;
}

void QtUiPort::FitHelpWindow() {
  const QScreen* screen = ScreenOf(form1_.get());
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  const QMargins frame = FrameMargins(*form3_);
  const int width = std::min(form3_->width() + frame.left() + frame.right(), area.width());
  PlaceFrame(*form3_, area.topLeft(), QSize(width, area.height()));
}

void QtUiPort::OfferAdditions(QWidget& window) {
  const struct {
    const char* name;
    const char* keys;
    QWidget* window;
  } additions[] = {{"Plot", "Ctrl+P", plot_.get()}, {"Report", "Ctrl+R", report_.get()}};
  for (const auto& [name, keys, addition] : additions) {
    auto* action = new QAction(name, &window);
    action->setShortcut(QKeySequence(keys));
    QObject::connect(action, &QAction::triggered, &window,
                     [this, addition] { ShowAddition(*addition); });
    window.addAction(action);
  }
  window.setContextMenuPolicy(Qt::ActionsContextMenu);
  // A print surface has its own menu (Copy, Select All); the additions
  // follow its entries.
  for (SurfaceView* view : window.findChildren<SurfaceView*>()) {
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(view, &QWidget::customContextMenuRequested, view, [view, &window](QPoint at) {
      std::unique_ptr<QMenu> menu(view->createStandardContextMenu(at));
      menu->addSeparator();
      menu->addActions(window.actions());
      menu->exec(view->viewport()->mapToGlobal(at));
    });
  }
}

void QtUiPort::ShowAddition(QWidget& addition) {
  if (!addition.testAttribute(Qt::WA_WState_ExplicitShowHide))
    PlaceBeside(addition, *form1_, false);
  addition.show();
  addition.raise();
}

void QtUiPort::PictureChanged() {
  if (plot_) plot_->PictureChanged();
}

void QtUiPort::EndProgram() {
  for (QWidget* w : {Widget(Window::BlackBoard), Widget(Window::Form3), Widget(Window::Form2),
                     static_cast<QWidget*>(plot_.get()), static_cast<QWidget*>(report_.get()),
                     static_cast<QWidget*>(form1_.get())})
    if (w) w->hide();
  QCoreApplication::quit();
}

}  // namespace tessaro
