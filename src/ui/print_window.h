// BlackBoard ("Temporary Results") and Form3 ("Help"): a print surface of
// the console shown in a fixed-pitch, scrolling, read-only view, with one
// "Return" button that hides the window and keeps its text.
#pragma once

#include <QPlainTextEdit>
#include <QWidget>

#include "shell/console.h"

namespace tessaro {

// The font of every view of printed columns.
QFont FixedPitchFont();

// Shows the text of a PrintSurface. Every change only marks the view dirty;
// the text is redrawn once when the event loop next runs, or at once by
// Flush(), so that thousands of print items cost one redraw.
class SurfaceView : public QPlainTextEdit {
 public:
  // followEnd: keep the last line in sight while text is added (as long as
  // the user has not scrolled away from it).
  SurfaceView(PrintSurface& surface, bool followEnd, QWidget* parent = nullptr);
  // Redraws now if the surface changed since the last redraw.
  void Flush();
  // A size for this many columns and lines of the fixed-pitch font.
  QSize SizeFor(int columns, int lines) const;

 private:
  void MarkDirty();

  PrintSurface& surface_;
  bool followEnd_;
  bool dirty_ = false;
  QString shown_;  // the text on display
};

class PrintWindow : public QWidget {
 public:
  // name is the window's own name ("BlackBoard", "Form3"), its caption the
  // console's caption of that name; it opens wide enough for this many
  // columns of print.
  PrintWindow(Console& console, Window which, const char* name, PrintSurface& surface,
              bool followEnd, int columns);
  SurfaceView& View() { return *view_; }
  QSize sizeHint() const override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  Console& console_;
  Window which_;
  int columns_;
  SurfaceView* view_;
};

}  // namespace tessaro
