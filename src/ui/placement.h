// Where the windows go on the screen. A window manager puts a frame with a
// title bar around each window; the positions and sizes here are those of
// the frame, so that no title bar or "Return" button ends up off the
// screen. The frame is known only once the window manager has decorated the
// window: until then the frame of a window already on the screen stands in
// for it, and the window is put right when it is first exposed.
#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <optional>
#include <vector>

namespace tessaro {

// The frame of a top-level window on the screen, as the window system last
// reported it (QWidget's own may lag behind the window manager's frame).
QRect FrameGeometry(const QWidget& window);

// The frame around a top-level window's client area: its own once it is on
// the screen, else that of another window on the screen, else none.
QMargins FrameMargins(const QWidget& window);

// Moves the window so that its frame's upper left corner is at topLeft and,
// when frameSize is given, sizes it so that the whole frame has that size.
// A window not exposed yet is placed again when it is, with its own frame.
void PlaceFrame(QWidget& window, QPoint topLeft, std::optional<QSize> frameSize = {});

// The first candidate frame that lies inside the area and covers none of
// the rectangles to keep clear. When every candidate covers one, the
// candidate moved into the area that covers the fewest, the earlier one on
// a tie.
QRect ChooseFrame(const std::vector<QRect>& candidates, const QRect& area,
                  const std::vector<QRect>& keepClear);

}  // namespace tessaro
