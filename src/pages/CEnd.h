#pragma once
// The finish page: the work is done; names the default user and its password.
#include "pages/PageLook.h"

class QLabel;
class TActiveMemo;
class TMButton;

// The default user's access password, the digit on the page's last line.
constexpr char DefaultUserPassword = '1';

class TEndScreen : public TWizardPage {
  Q_OBJECT
 public:
  explicit TEndScreen(QWidget* parent = nullptr);

  TActiveMemo* Memo1 = nullptr;
  QLabel* Image1 = nullptr;
  TMButton* BCancel = nullptr;
  TMButton* BBack = nullptr;
};
