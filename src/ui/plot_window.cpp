#include "ui/plot_window.h"

#include <QFile>
#include <QHBoxLayout>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QSvgRenderer>
#include <QSvgWidget>
#include <QVBoxLayout>

namespace tessaro {

namespace {

// What the window shows before any operation has drawn a picture.
const char* const kNoPicture =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 480 120\" width=\"480\" "
    "height=\"120\"><text x=\"240\" y=\"64\" text-anchor=\"middle\" font-family=\"DejaVu Sans, "
    "sans-serif\" font-size=\"15\">No picture yet: run an operation.</text></svg>";

}  // namespace

PlotWindow::PlotWindow(std::function<std::string()> picture, FileChooser chooseFile,
                       QWidget* parent)
    : QWidget(parent, Qt::Window),
      picture_(std::move(picture)),
      chooseFile_(std::move(chooseFile)) {
  setObjectName("Plot");
  setWindowTitle("Plot");
  setAttribute(Qt::WA_ShowWithoutActivating);
  view_ = new QSvgWidget(this);
  view_->setObjectName("Picture");
  saveSvg_ = new QPushButton("Save as SVG…", this);
  saveSvg_->setObjectName("SaveSvg");
  savePng_ = new QPushButton("Save as PNG…", this);
  savePng_->setObjectName("SavePng");
  for (QPushButton* button : {saveSvg_, savePng_}) button->setFocusPolicy(Qt::NoFocus);
  connect(saveSvg_, &QPushButton::clicked, this, [this] {
    const QString path = chooseFile_("SVG pictures (*.svg)");
    if (!path.isEmpty()) SaveSvg(path);
  });
  connect(savePng_, &QPushButton::clicked, this, [this] {
    const QString path = chooseFile_("PNG pictures (*.png)");
    if (!path.isEmpty()) SavePng(path);
  });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(saveSvg_);
  buttons->addWidget(savePng_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_, 1);
  layout->addLayout(buttons);
  resize(960, 600);
}

void PlotWindow::PictureChanged() {
  stale_ = true;
  if (isVisible()) Redraw();
}

void PlotWindow::showEvent(QShowEvent* event) {
  if (stale_) Redraw();
  QWidget::showEvent(event);
}

void PlotWindow::Redraw() {
  stale_ = false;
  const std::string svg = picture_();
  shown_ = svg.empty() ? QByteArray(kNoPicture) : QByteArray::fromStdString(svg);
  view_->load(shown_);
  // Keep the picture's proportions inside the window.
  view_->renderer()->setAspectRatioMode(Qt::KeepAspectRatio);
  saveSvg_->setEnabled(!svg.empty());
  savePng_->setEnabled(!svg.empty());
  view_->update();
}

bool PlotWindow::SaveSvg(const QString& path) {
  QFile file(path);
  if (file.open(QIODevice::WriteOnly) && file.write(shown_) == shown_.size() && file.flush())
    return true;
  QMessageBox::warning(this, "Plot", "Cannot write " + path + ": " + file.errorString());
  return false;
}

bool PlotWindow::SavePng(const QString& path) {
  QSvgRenderer renderer(shown_);
  // Twice the picture's own size, so that its lines and text stay sharp
  // when the picture goes into a document.
  const QSize size = renderer.defaultSize() * 2;
  QImage image(size.isEmpty() ? QSize(960, 600) : size, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  renderer.render(&painter);
  painter.end();
  if (image.save(path, "PNG")) return true;
  QMessageBox::warning(this, "Plot", "Cannot write " + path);
  return false;
}

}  // namespace tessaro
