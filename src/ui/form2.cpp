#include "ui/form2.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>
#include <algorithm>

namespace tessaro {

namespace {

const char* const kLabels[9] = {" Xo",   " Yo",  " Zo", "Omega",    "Phi",
                                "Kappa", "S-xy", "S-z", "S-OmPhiKa"};

// A box wide enough to show whole the longest number the resection writes
// into it: a sign, fifteen digits and a three-digit exponent.
class ValueBox : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;
  QSize sizeHint() const override { return Widened(QLineEdit::sizeHint()); }
  QSize minimumSizeHint() const override { return Widened(QLineEdit::minimumSizeHint()); }

 private:
  QSize Widened(QSize size) const {
    QStyleOptionFrame option;
    initStyleOption(&option);
    // QLineEdit keeps 2 pixels clear on either side of its text, and the
    // text fits only with one more pixel and the cursor after it.
    const int cursor = style()->pixelMetric(QStyle::PM_TextCursorWidth, &option, this);
    const QMargins margins = textMargins() + contentsMargins();
    const int text = fontMetrics().horizontalAdvance("-8.88888888888888E-308") + 1 + cursor +
                     2 * 2 + margins.left() + margins.right();
    const QSize box =
        style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(text, size.height()), this);
    return {std::max(size.width(), box.width()), size.height()};
  }
};

}  // namespace

Form2::Form2(Console& console) : console_(console) {
  setObjectName("Form2");
  setWindowTitle(QString::fromStdString(console.Caption("Form2")));
  setModal(false);

  auto* frame = new QGroupBox("Change Station Values", this);
  frame->setObjectName("Frame1");
  auto* grid = new QGridLayout(frame);
  for (int i = 0; i < 9; ++i) {
    auto* label = new QLabel(kLabels[i], frame);
    label->setObjectName(QStringLiteral("Label1(%1)").arg(i));
    auto* box = new ValueBox(frame);
    box->setObjectName(QStringLiteral("Text1(%1)").arg(i));
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
