#include "pages/Citype.h"

#include "core/Iglobals.h"
#include "kit/Actives.h"
#include "kit/Mbuttons.h"

TIType::TIType(QWidget* parent) : TWizardPage(0, "Alegeti tipul instalarii!", false, parent) {
  BNext = PageButton("BNext", mknNext, "&Continua", prNext, 8);

  IType = new TMRadioGroup(this);
  IType->setObjectName("IType");
  IType->SetColor(PageColor);
  IType->SetItems({" &LOCAL     - programul va fi folosit numai pe acest calculator",
                   " &SERVER  - acest calculator va contine baza de date",
                   " CLIEN&T    - programul va folosi o baza de date aflata la distanta"});
  IType->setGeometry(96, 32, 440, 75);

  BCancel = PageButton("BCancel", mkCancel, "&Abandon", prQuit, PageWidth - 8 - PageButtonWidth);

  // The previous choice shows when the user comes back; with none, nothing is selected.
  BNext->setEnabled(InstallKind != ikNone);
  IType->SetItemIndex(int(InstallKind) - 1);
  IType->OnModify = [this](QObject* sender, bool& CanModify) { ITypeModify(sender, CanModify); };
  BNext->OnClick = [this](QObject* sender) { BNextClick(sender); };
  FirstTime = true;
}

void TIType::FormShow() {
  if (!FirstTime) return;
  raise();
  activateWindow();
  FirstTime = false;
}

void TIType::ITypeModify(QObject*, bool& CanModify) {
  CanModify = true;
  BNext->setEnabled(true);
}

void TIType::BNextClick(QObject*) {
  // The button has already handed the form its result (next). The group enables Continue as
  // soon as it is asked about a change (Backspace on an item asks too), so a choice may still
  // be missing: then the page stays, rather than going on with no installation kind.
  if (IType->ItemIndex() < 0) {
    ModalResult = mrNone;
    return;
  }
  InstallKind = static_cast<unsigned char>(IType->ItemIndex() + 1);
}
