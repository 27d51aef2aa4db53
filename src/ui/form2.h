// Form2 "Station values": the nine boxes of the resection station and its
// "Return", which hands the typed texts to the console.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <array>

#include "shell/console.h"

namespace tessaro {

class Form2 : public QDialog {
 public:
  explicit Form2(Console& console);
  // Puts the console's Text1(0)..Text1(8) into the boxes.
  void Fill();
  QLineEdit& Box(int index) { return *boxes_[static_cast<std::size_t>(index)]; }

  // Esc and the window's close button hide the dialog without storing.
  void reject() override;

 private:
  void Return();

  Console& console_;
  std::array<QLineEdit*, 9> boxes_{};
};

}  // namespace tessaro
