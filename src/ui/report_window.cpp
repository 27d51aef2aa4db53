#include "ui/report_window.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QScrollBar>
#include <QUrl>
#include <QVBoxLayout>
#include <filesystem>
#include <fstream>

#include "ui/print_window.h"

namespace tessaro {

namespace {

// Four looks a second while the window is shown: the report reaches the disk
// line by line as a command prints and whole at its end.
constexpr int kPollMilliseconds = 250;

// The bytes at the end of text that begin a UTF-8 character whose other
// bytes are not on disk yet.
std::size_t UnfinishedCharacter(const std::string& text) {
  for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
    const auto byte = static_cast<unsigned char>(text[text.size() - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return length > back ? back : 0;
  }
  return 0;
}

}  // namespace

ReportWindow::ReportWindow(std::function<std::string()> reportPath, QWidget* parent)
    : QWidget(parent, Qt::Window), reportPath_(std::move(reportPath)) {
  setObjectName("Report");
  setWindowTitle("Report");
  view_ = new QPlainTextEdit(this);
  view_->setObjectName("ReportText");
  view_->setReadOnly(true);
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  view_->setFont(FixedPitchFont());
  view_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  openInEditor_ = new QPushButton("Open in editor", this);
  openInEditor_->setObjectName("OpenInEditor");
  // The window only shows; it never takes the focus from a prompt.
  openInEditor_->setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_ShowWithoutActivating);
  connect(openInEditor_, &QPushButton::clicked, this, [this] { OpenInEditor(); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(openInEditor_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_);
  layout->addLayout(buttons);
  const QFontMetrics metrics(view_->font());
  resize(metrics.horizontalAdvance(QString(84, u'0')), metrics.lineSpacing() * 30);
  poll_.setInterval(kPollMilliseconds);
  connect(&poll_, &QTimer::timeout, this, [this] { Refresh(); });
}

void ReportWindow::showEvent(QShowEvent* event) {
  Refresh();
  poll_.start();
  QWidget::showEvent(event);
}

void ReportWindow::hideEvent(QHideEvent* event) {
  poll_.stop();
  QWidget::hideEvent(event);
}

void ReportWindow::Refresh() {
  const std::string path = reportPath_();
  std::error_code unusable;
  const std::uintmax_t bytes = path.empty() ? 0 : std::filesystem::file_size(path, unusable);
  openInEditor_->setEnabled(!path.empty() && !unusable);
  if (path.empty() || unusable) {
    shownPath_.clear();
    shownBytes_ = 0;
    const QString why =
        path.empty()
            ? "No report file is chosen yet: choose one with "
              "\"Open-OutputFile\"."
            : QString::fromStdString("Cannot read the report " + path + ": " + unusable.message());
    // Said once, not redrawn at every look.
    if (view_->toPlainText() != why) view_->setPlainText(why);
    return;
  }
  if (path != shownPath_ || bytes < shownBytes_) {  // another file, or emptied again
    shownPath_ = path;
    shownBytes_ = 0;
    pendingCr_ = false;
    view_->clear();
  }
  if (bytes == shownBytes_) return;
  std::ifstream in(path, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(shownBytes_));
  std::string added(bytes - shownBytes_, '\0');
  in.read(added.data(), static_cast<std::streamsize>(added.size()));
  added.resize(static_cast<std::size_t>(in.gcount()));
  added.resize(added.size() - UnfinishedCharacter(added));  // read with the next look
  shownBytes_ += added.size();
  // The report's lines end in CR LF; the view wants LF alone.
  std::string text;
  text.reserve(added.size());
  for (char c : added) {
    if (pendingCr_ && c != '\n') text += '\n';
    pendingCr_ = c == '\r';
    if (!pendingCr_) text += c;
  }
  QScrollBar* bar = view_->verticalScrollBar();
  const bool atEnd = bar->value() == bar->maximum();
  QTextCursor end(view_->document());
  end.movePosition(QTextCursor::End);
  end.insertText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  if (atEnd) bar->setValue(bar->maximum());
}

void ReportWindow::OpenInEditor() {
  if (!shownPath_.empty())
    QDesktopServices::openUrl(QUrl::fromLocalFile(
        QString::fromStdString(std::filesystem::absolute(shownPath_).string())));
}

}  // namespace tessaro
