#include "ui/placement.h"

#include <QApplication>
#include <QEvent>
#include <QWindow>
#include <algorithm>
#include <limits>

namespace tessaro {

namespace {

bool Exposed(const QWidget& window) {
  return window.isVisible() && window.windowHandle() && window.windowHandle()->isExposed();
}

QMargins OwnMargins(const QWidget& window) {
  return window.windowHandle() ? window.windowHandle()->frameMargins() : QMargins();
}

void SetFrame(QWidget& window, QPoint topLeft, std::optional<QSize> frameSize,
              const QMargins& margins) {
  if (window.testAttribute(Qt::WA_WState_Created)) {
    const QSize size = frameSize ? frameSize->shrunkBy(margins) : window.size();
    window.setGeometry(QRect(topLeft + QPoint(margins.left(), margins.top()), size));
    return;
  }
  // Before the window exists its size may still follow its contents; Qt
  // takes the position of a window not created yet as that of its frame.
  if (frameSize) window.resize(frameSize->shrunkBy(margins));
  window.move(topLeft);
}

// Places a window once more when the window manager frames it. Just before
// the window is mapped it sets the frame from the margins the window has by
// then, or, while it has none, asks for the frame's position, which the
// window manager honours whatever the frame's size. When the window is first
// exposed it sets the frame again from the real margins, which corrects
// window managers that ignore the first request.
class FramePlacer : public QObject {
 public:
  explicit FramePlacer(QWidget& window) : QObject(&window), window_(window) {
    setObjectName(kName);
  }
  static constexpr const char* kName = "FramePlacer";

  void Arm(QPoint topLeft, std::optional<QSize> frameSize) {
    topLeft_ = topLeft;
    frameSize_ = frameSize;
    window_.installEventFilter(this);
    if (QWindow* handle = window_.windowHandle()) handle->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    QWindow* handle = window_.windowHandle();
    if (watched == &window_ && event->type() == QEvent::Show && handle) {
      handle->installEventFilter(this);
      if (const QMargins margins = handle->frameMargins(); !margins.isNull())
        SetFrame(window_, topLeft_, frameSize_, margins);
      else
        handle->setFramePosition(topLeft_);
    } else if (watched == handle && event->type() == QEvent::Expose && handle->isExposed()) {
      window_.removeEventFilter(this);
      handle->removeEventFilter(this);
      SetFrame(window_, topLeft_, frameSize_, handle->frameMargins());
    }
    return false;
  }

 private:
  QWidget& window_;
  QPoint topLeft_;
  std::optional<QSize> frameSize_;
};

}  // namespace

QRect FrameGeometry(const QWidget& window) {
  return window.windowHandle() ? window.windowHandle()->frameGeometry() : window.frameGeometry();
}

QMargins FrameMargins(const QWidget& window) {
  if (Exposed(window) && !OwnMargins(window).isNull()) return OwnMargins(window);
  for (const QWidget* other : QApplication::topLevelWidgets())
    if (other != &window && Exposed(*other) && !OwnMargins(*other).isNull())
      return OwnMargins(*other);
  return OwnMargins(window);
}

void PlaceFrame(QWidget& window, QPoint topLeft, std::optional<QSize> frameSize) {
  SetFrame(window, topLeft, frameSize, FrameMargins(window));
  if (Exposed(window)) return;
  auto* placer = static_cast<FramePlacer*>(
      window.findChild<QObject*>(FramePlacer::kName, Qt::FindDirectChildrenOnly));
  if (!placer) placer = new FramePlacer(window);
  placer->Arm(topLeft, frameSize);
}

QRect ChooseFrame(const std::vector<QRect>& candidates, const QRect& area,
                  const std::vector<QRect>& keepClear) {
  auto covered = [&keepClear](const QRect& frame) {
    return std::count_if(keepClear.begin(), keepClear.end(),
                         [&frame](const QRect& r) { return frame.intersects(r); });
  };
  for (const QRect& frame : candidates)
    if (area.contains(frame) && covered(frame) == 0) return frame;

  QRect best;
  auto fewest = std::numeric_limits<std::ptrdiff_t>::max();
  for (QRect frame : candidates) {
    frame.setSize(frame.size().boundedTo(area.size()));
    frame.moveTo(std::clamp(frame.left(), area.left(), area.right() + 1 - frame.width()),
                 std::clamp(frame.top(), area.top(), area.bottom() + 1 - frame.height()));
    if (const auto n = covered(frame); n < fewest) {
      best = frame;
      fewest = n;
    }
  }
  return best;
}

}  // namespace tessaro
