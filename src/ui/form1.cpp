#include "ui/form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/placement.h"

namespace tessaro {

namespace {

QString FormCaption(const char* name) {
  for (const StaticCaption& c : FormCaptions())
    if (std::string(c.name) == name) return QString::fromUtf8(c.caption);
  return {};
}

QLabel* Heading(const char* name, QWidget* parent) {
  auto* label = new QLabel(FormCaption(name), parent);
  label->setObjectName(name);
  return label;
}

// A status label shows a file name, which may be long: the end of the name
// stays in sight and the whole name is in the tooltip.
class StatusLabel : public QLabel {
 public:
  explicit StatusLabel(QWidget* parent) : QLabel(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setTextFormat(Qt::PlainText);
  }
  QSize sizeHint() const override { return WidthFor(QString(28, u'x')); }
  // The longest caption of its own ("Absolute Orientation: None") is never
  // cut; only file names may be.
  QSize minimumSizeHint() const override { return WidthFor("Absolute Orientation: None"); }

 protected:
  QSize WidthFor(const QString& text) const {
    return {fontMetrics().horizontalAdvance(text) + 2 * frameWidth() + 8,
            QLabel::sizeHint().height()};
  }
  void paintEvent(QPaintEvent* event) override {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(4, 0, -4, 0);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), Qt::ElideLeft, area.width()));
  }
};

}  // namespace

Form1::Form1(Console& console) : console_(console) {
  setObjectName("Form1");
  setWindowTitle(QString::fromStdString(console.Caption("Form1")));

  // The console prints on the form itself: a frameless view in the colour
  // of the window, unseen until something is printed.
  screen_ = new SurfaceView(console.Screen, true, this);
  screen_->setObjectName("Screen");
  screen_->setFrameShape(QFrame::NoFrame);
  screen_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  screen_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  screen_->viewport()->setAutoFillBackground(false);
  screen_->setFocusPolicy(Qt::NoFocus);

  auto* enter = new QHBoxLayout;
  enter->addWidget(MakeFrame(Frame::EnterData));
  enter->addWidget(screen_, 1);
  auto* left = new QVBoxLayout;
  left->addWidget(MakeFrame(Frame::Files));
  left->addLayout(enter, 1);

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addWidget(MakeFrame(Frame::ProcessData));
  layout->addWidget(MakeFrame(Frame::Help));
}

QWidget* Form1::MakeFrame(Frame frame) {
  const char* name = FrameName(frame);
  auto* box = new QGroupBox(FormCaption(name), this);
  box->setObjectName(name);
  auto button = [this, box](const CommandInfo& c) {
    auto* b = new QPushButton(QString::fromUtf8(c.caption), box);
    b->setObjectName(QStringLiteral("Command%1").arg(c.number));
    b->setAutoDefault(false);
    b->setMinimumWidth(b->sizeHint().width() + 2 * b->fontMetrics().horizontalAdvance(u'x'));
    const int number = c.number;
    connect(b, &QPushButton::clicked, this, [this, number] { Press(number); });
    return b;
  };

  if (frame == Frame::Files) {
    // Two columns: each Open button with the status label of its file, and
    // the Close buttons.
    auto* grid = new QGridLayout(box);
    grid->addWidget(Heading("Label3(0)", box), 0, 0, 1, 2);
    grid->addWidget(Heading("Label3(1)", box), 0, 2);
    int openRow = 1;
    int closeRow = 1;
    for (const CommandInfo& c : CommandTable()) {
      if (c.frame != frame) continue;
      if (c.kind == CommandKind::Close) {
        grid->addWidget(button(c), closeRow++, 2);
        continue;
      }
      grid->addWidget(button(c), openRow, 0);
      auto* status = new StatusLabel(box);
      status->setObjectName(c.label);
      statusLabels_[c.label] = status;
      UpdateCaption(c.label);
      grid->addWidget(status, openRow++, 1);
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(openRow, 1);
    return box;
  }

  auto* column = new QVBoxLayout(box);
  if (frame == Frame::EnterData) column->addWidget(Heading("Label4", box));
  if (frame == Frame::ProcessData) column->addWidget(Heading("Label6", box));
  bool inResection = false;
  for (const CommandInfo& c : CommandTable()) {
    const bool resection = c.frame == Frame::Resection;
    if (FrameName(c.frame) != std::string(name)) continue;
    if (frame == Frame::ProcessData && resection != inResection) {
      inResection = !inResection;
      if (inResection) {
        column->addSpacing(column->spacing());
        column->addWidget(Heading("Label5", box));
      } else {
        column->addSpacing(2 * column->spacing());
      }
    }
    // Information and Exit stand apart from the help topics.
    if (c.kind == CommandKind::Information) column->addSpacing(2 * column->spacing());
    column->addWidget(button(c));
  }
  column->addStretch();
  return box;
}

void Form1::Load() {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (screen) PlaceFrame(*this, screen->availableGeometry().topLeft());
  console_.Load();
}

bool Form1::UpdateCaption(const std::string& name) {
  if (name == "Form1") {
    setWindowTitle(QString::fromStdString(console_.Caption(name)));
    return true;
  }
  auto it = statusLabels_.find(name);
  if (it == statusLabels_.end()) return false;
  const QString caption = QString::fromStdString(console_.Caption(name));
  it->second->setText(caption);
  it->second->setToolTip(caption);
  return true;
}

void Form1::Press(int number) {
  // A command may run for a while; the busy cursor says so. The port puts
  // the arrow back while a dialog waits for the user. The windows repaint
  // meanwhile (SurfaceView), so a second command cannot start inside it.
  if (busy_) return;
  busy_ = true;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  struct Restore {
    bool& busy;
    ~Restore() {
      QApplication::restoreOverrideCursor();
      busy = false;
    }
  } restore{busy_};
  console_.Press(number);
}

void Form1::closeEvent(QCloseEvent* event) {
  // Closing while a command runs would end the program under it.
  if (busy_) return event->ignore();
  event->accept();
  Press(kExitCommand);
}

}  // namespace tessaro
