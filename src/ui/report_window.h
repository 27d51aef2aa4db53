// "Report": the report file as the console writes it, inside the program, so
// that a student sees what a button wrote without switching to an editor.
// Read-only, fixed pitch, following the end while the report grows; "Open in
// editor" hands the file to the desktop's default application.
#pragma once

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

namespace tessaro {

class ReportWindow : public QWidget {
 public:
  // reportPath gives the report file's name as chosen, or "" before one is.
  explicit ReportWindow(std::function<std::string()> reportPath, QWidget* parent = nullptr);

  // Reads what was added to the report since the last look (all of it when
  // another file was chosen or the file became shorter).
  void Refresh();
  const QPlainTextEdit& View() const { return *view_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void OpenInEditor();

  std::function<std::string()> reportPath_;
  QPlainTextEdit* view_;
  QPushButton* openInEditor_;
  QTimer poll_;
  std::string shownPath_;
  std::uintmax_t shownBytes_ = 0;
  bool pendingCr_ = false;  // a CR that ended the last read; its LF may follow
};

}  // namespace tessaro
