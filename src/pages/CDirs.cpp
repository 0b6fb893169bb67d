#include "pages/CDirs.h"

#include <QTextDocument>
#include <memory>

#include "core/Folders.h"
#include "core/Iglobals.h"
#include "kit/Actives.h"
#include "kit/Mbuttons.h"
#include "kit/dlgform2.h"
#include "pages/Cseldir.h"
#include "platform/Paths.h"

namespace {

constexpr int kEditLeft = FolderEditLeft, kEditWidth = 138, kRowHeight = FolderRowHeight;
constexpr int kProgramTop = 31, kDateTop = 57;
// The right edge of the folder rows (edit and picker button).
constexpr int kRowsRight = kEditLeft + kEditWidth + 2 + kRowHeight;

}  // namespace

TDirs::TDirs(QWidget* parent) : TWizardPage(1, "Alegeti directoarele destinatie!", false, parent) {
  BBack = PageButton("BBack", mknPrev, "&Inapoi", prBack, 6);
  BNext = PageButton("BNext", mknNext, "&Continua", mrNone, 6 + PageButtonWidth + 2);

  LProgram = FolderLabel(this, "LProgram", "&Program:", kProgramTop);
  RProgram = FolderEdit(this, "RProgram", LProgram, kProgramTop, kEditWidth);
  BProgram = PickButton(this, "BProgram", kProgramTop, kEditWidth);
  LDate = FolderLabel(this, "LDate", "&Date:", kDateTop);
  RDate = FolderEdit(this, "RDate", LDate, kDateTop, kEditWidth);
  BDate = PickButton(this, "BDate", kDateTop, kEditWidth);

  netmemo = new TActiveMemo(this);
  netmemo->setObjectName("netmemo");
  netmemo->SetReadOnly(true);
  netmemo->SetColor(PageColor);
  netmemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  netmemo->SetLines({"Ati selectat o instalare de tip client. ",
                     "Introduceti in campul \"Date\" calea pana la baza ",
                     "de date server. Daca este necesar, folositi \"Map ",
                     "network drive\" din File Manager / Explorer"});
  // A size smaller than the page's, so that the stored lines fit the memo's width.
  QFont memoFont = font();
  memoFont.setPixelSize(10);
  netmemo->setFont(memoFont);
  netmemo->document()->setDocumentMargin(1);
  netmemo->setGeometry(kRowsRight + 4, 28, PageWidth - kRowsRight - 6, PageHeight - 30);

  // Below the folder rows, so that the memo at the right keeps the page's full height.
  BCancel = AbandonButton(kRowsRight, kDateTop + kRowHeight + 6);

  // The tab order follows the rows.
  setTabOrder(RProgram, BProgram);
  setTabOrder(BProgram, RDate);
  setTabOrder(RDate, BDate);
  setTabOrder(BDate, BNext);

  RProgram->SetText(ShownProgramDir);
  switch (InstallKind) {
    case ikLocal:
      for (QWidget* w : {static_cast<QWidget*>(LDate), static_cast<QWidget*>(RDate),
                         static_cast<QWidget*>(BDate), static_cast<QWidget*>(netmemo)})
        w->hide();
      break;
    case ikServer:
      RDate->SetText(ShownDataDir);
      netmemo->hide();
      break;
    case ikClient:
      RDate->SetText("");
      BNext->setEnabled(false);
      break;
    default:
      break;
  }

  // The user starts where there is something to do: the data folder of a CLIENT, else Continue.
  if (InstallKind == ikClient)
    RDate->setFocus();
  else
    BNext->setFocus();

  LProgram->OnClick = [this](QObject* sender) { BProgramClick(sender); };
  BProgram->OnClick = [this](QObject* sender) { BProgramClick(sender); };
  LDate->OnClick = [this](QObject* sender) { BDateClick(sender); };
  BDate->OnClick = [this](QObject* sender) { BDateClick(sender); };
  RDate->OnChange = [this](QObject* sender) { RDateChange(sender); };
  BNext->OnClick = [this](QObject* sender) { BNextClick(sender); };
}

void TDirs::ChooseFolder(TActiveEdit* edit) {
  std::unique_ptr<TDirDialog> picker(new TDirDialog);
  // A machine without a readable drive leaves the picker with no folder to give.
  if (picker->ShowModal() != mrOk || picker->Directory().isEmpty()) return;
  const QString folder = win::IncludeTrailingBackslash(picker->Directory());
  edit->SetText(folder);
  if (edit == RProgram && InstallKind == ikLocal) RDate->SetText(folder);
}

void TDirs::BProgramClick(QObject*) {
  ChooseFolder(RProgram);
}

void TDirs::BDateClick(QObject*) {
  ChooseFolder(RDate);
}

void TDirs::RDateChange(QObject*) {
  BNext->setEnabled(true);
}

void TDirs::BNextClick(QObject*) {
  const TFolderChoice choice = CheckFolders(InstallKind, RProgram->Text(), RDate->Text(), DataDir);
  ProgramDir = choice.ProgramDir;
  DataDir = choice.DataDir;
  ShownProgramDir = ProgramDir;
  ShownDataDir = DataDir;
  if (choice.Ok) ModalResult = prNext;
}
