// "Plot": the picture of the last operation run (residual vectors, the
// geometry, the convergence), redrawn after every iteration of an
// adjustment, with "Save as SVG…" and "Save as PNG…". It is an addition
// beside the console's windows: it only shows, and never takes the focus.
#pragma once

#include <QByteArray>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>

class QSvgWidget;

namespace tessaro {

class PlotWindow : public QWidget {
 public:
  // picture gives the current picture as SVG text, "" before there is one;
  // chooseFile asks for a file name to save to (filter as QFileDialog's),
  // "" when the user cancels.
  using FileChooser = std::function<QString(const QString& filter)>;
  PlotWindow(std::function<std::string()> picture, FileChooser chooseFile,
             QWidget* parent = nullptr);

  // The operation's picture changed: redrawn at once when shown, otherwise
  // when next shown.
  void PictureChanged();
  // Writes the picture on display as SVG (its text) or PNG (rendered at
  // twice its size); false with a message on the window when it cannot.
  bool SaveSvg(const QString& path);
  bool SavePng(const QString& path);
  const QByteArray& Shown() const { return shown_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Redraw();

  std::function<std::string()> picture_;
  FileChooser chooseFile_;
  QSvgWidget* view_;
  QPushButton* saveSvg_;
  QPushButton* savePng_;
  QByteArray shown_;  // the SVG document on display
  bool stale_ = true;
};

}  // namespace tessaro
