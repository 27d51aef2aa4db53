#include "ui/form2.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessaro {

namespace {

const char* const kLabels[9] = {" Xo",   " Yo",  " Zo", "Omega",    "Phi",
                                "Kappa", "S-xy", "S-z", "S-OmPhiKa"};

}  // namespace

Form2::Form2(Console& console) : console_(console) {
  setObjectName("Form2");
  setWindowTitle(QString::fromStdString(console.Caption("Form2")));
  setModal(false);

  auto* frame = new QGroupBox("Change Station Values", this);
  frame->setObjectName("Frame1");
  auto* grid = new QGridLayout(frame);
  const int boxWidth = fontMetrics().horizontalAdvance(QString(18, u'0'));
  for (int i = 0; i < 9; ++i) {
    auto* label = new QLabel(kLabels[i], frame);
    label->setObjectName(QStringLiteral("Label1(%1)").arg(i));
    auto* box = new QLineEdit(frame);
    box->setObjectName(QStringLiteral("Text1(%1)").arg(i));
    box->setMinimumWidth(boxWidth);
    label->setBuddy(box);
    grid->addWidget(label, i, 0);
    grid->addWidget(box, i, 1);
    boxes_[static_cast<std::size_t>(i)] = box;
  }
  grid->setColumnStretch(1, 1);

  auto* back = new QPushButton("Return", this);
  back->setObjectName("Command1");
  back->setDefault(true);  // Enter in a box is "Return"
  connect(back, &QPushButton::clicked, this, [this] { Return(); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(back);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(frame);
  layout->addLayout(buttons);
}

void Form2::Fill() {
  for (std::size_t i = 0; i < boxes_.size(); ++i)
    boxes_[i]->setText(QString::fromStdString(console_.Text1[i]));
}

void Form2::Return() {
  for (std::size_t i = 0; i < boxes_.size(); ++i)
    console_.Text1[i] = boxes_[i]->text().toStdString();
  console_.StationValuesReturn();
}

void Form2::reject() { console_.HideWindow(Window::Form2); }

}  // namespace tessaro
