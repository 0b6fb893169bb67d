#pragma once
// A plain page that stands at a position of the page table until the position's own page exists.
#include "kit/Cliunit.h"

class QPushButton;

class TPlaceholderPage : public TMForm {
  Q_OBJECT
 public:
  explicit TPlaceholderPage(int position, QWidget* parent = nullptr);

  QPushButton* BBack = nullptr;  // absent on the first page
  QPushButton* BNext = nullptr;
  QPushButton* BCancel = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  int position_;
};
