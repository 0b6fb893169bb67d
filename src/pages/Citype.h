#pragma once
// The installation kind page: LOCAL, SERVER or CLIENT, stored in InstallKind on Continue.
#include "pages/PageLook.h"

class TMButton;
class TMRadioGroup;

class TIType : public TWizardPage {
  Q_OBJECT
 public:
  explicit TIType(QWidget* parent = nullptr);

  TMRadioGroup* IType = nullptr;
  TMButton* BNext = nullptr;
  TMButton* BCancel = nullptr;

  bool FirstTime = true;  // until the page has been shown once

  void ITypeModify(QObject* sender, bool& CanModify);
  void BNextClick(QObject* sender);

 protected:
  void FormShow() override;
};
