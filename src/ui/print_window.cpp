#include "ui/print_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace tessaro {

SurfaceView::SurfaceView(PrintSurface& surface, bool followEnd, QWidget* parent)
    : QPlainTextEdit(parent), surface_(surface), followEnd_(followEnd) {
  setReadOnly(true);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setFont(FixedPitchFont());
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  surface_.SetOnChange([this] { MarkDirty(); });
  dirty_ = true;
  Flush();
}

// Report columns are read in it: a fixed pitch, a little larger than the
// window's own text.
QFont FixedPitchFont() {
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  const qreal text = QApplication::font().pointSizeF();
  if (fixed.pointSizeF() > 0 && text > 0)
    fixed.setPointSizeF(std::max(fixed.pointSizeF(), text + 1));
  return fixed;
}

// A command runs on the thread of the event loop. While one is busy (its
// busy cursor is up), printing lets the pending redraws and repaints of all
// windows through, at most ten times a second; user input waits until the
// command ends.
void KeepWindowsPainted() {
  static QElapsedTimer last;
  if (!QApplication::overrideCursor() || (last.isValid() && last.elapsed() < 100)) return;
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  last.start();
}

void SurfaceView::MarkDirty() {
  if (!dirty_) {
    dirty_ = true;
    QTimer::singleShot(0, this, [this] { Flush(); });
  }
  KeepWindowsPainted();
}

void SurfaceView::Flush() {
  if (!dirty_) return;
  dirty_ = false;
  QStringList lines;
  for (const std::string& line : surface_.Lines()) lines << QString::fromStdString(line);
  QString text = lines.join(u'\n');

  // Printing on adds to the text: the view stays where the user left it,
  // or at the end while it follows the end. After a clear it starts over.
  QScrollBar* vertical = verticalScrollBar();
  QScrollBar* horizontal = horizontalScrollBar();
  const bool continued = text.startsWith(shown_);
  const bool atEnd = vertical->value() == vertical->maximum();
  const int top = vertical->value();
  const int left = horizontal->value();
  setPlainText(text);
  shown_ = std::move(text);
  if (followEnd_ && (atEnd || !continued)) {
    vertical->setValue(vertical->maximum());
  } else if (continued) {
    vertical->setValue(top);
    horizontal->setValue(left);
  }
}

QSize SurfaceView::SizeFor(int columns, int lines) const {
  const QFontMetrics metrics(font());
  const int frame = 2 * frameWidth() + 2 * static_cast<int>(document()->documentMargin());
  const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  return {metrics.horizontalAdvance(QLatin1Char('0')) * columns + frame + bar,
          metrics.lineSpacing() * lines + frame + bar};
}

PrintWindow::PrintWindow(Console& console, Window which, const char* name, PrintSurface& surface,
                         bool followEnd, int columns)
    : console_(console), which_(which), columns_(columns) {
  setObjectName(name);
  setWindowTitle(QString::fromStdString(console.Caption(name)));
  view_ = new SurfaceView(surface, followEnd, this);
  view_->setObjectName("Surface");
  auto* back = new QPushButton("Return", this);
  back->setObjectName("Command1");
  connect(back, &QPushButton::clicked, this, [this] { console_.HideWindow(which_); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(back);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_, 1);
  layout->addLayout(buttons);
}

QSize PrintWindow::sizeHint() const {
  const QSize text = view_->SizeFor(columns_, 28);
  const QMargins m = layout()->contentsMargins();
  return {text.width() + m.left() + m.right(), text.height() + m.top() + m.bottom() +
                                                   layout()->spacing() +
                                                   layout()->itemAt(1)->sizeHint().height()};
}

void PrintWindow::closeEvent(QCloseEvent* event) {
  // Closing the window is its "Return": hidden, not destroyed.
  console_.HideWindow(which_);
  event->accept();
}

}  // namespace tessaro
