#include "pages/Cfindapp.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <memory>
#include <utility>
#include <vector>

#include "core/Iglobals.h"
#include "kit/Actives.h"
#include "kit/Mbuttons.h"
#include "kit/Title.h"
#include "kit/dlgform2.h"
#include "pages/Cseldir.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "upgrade/FindApp.h"
#include "upgrade/Upgint.h"

namespace {

constexpr int kLabelLeft = FolderLabelLeft, kEditLeft = FolderEditLeft, kEditWidth = 280,
              kRowHeight = FolderRowHeight;
constexpr int kProgramTop = 31, kDateTop = 57, kStatusTop = 84;
constexpr int kRowsRight = kEditLeft + kEditWidth + 2 + kRowHeight;

const char kNotFoundText[] = "????";
// How often the scan lets the interface run, in milliseconds.
constexpr qint64 kEventInterval = 15;

}  // namespace

TFindApp::TFindApp(QWidget* parent)
    : TWizardPage(pgFindApp, "Apasati 'Continua' pentru a localiza aplicatia!", false, parent) {
  BBack = PageButton("BBack", mknPrev, "&Inapoi", prBack, 6);
  // Continue has no result of its own: the first press searches, the second accepts.
  BNext = PageButton("BNext", mknNext, "&Continua", mrNone, 6 + PageButtonWidth + 2);

  LProgram = FolderLabel(this, "LProgram", "&Program:", kProgramTop);
  RProgram = FolderEdit(this, "RProgram", LProgram, kProgramTop, kEditWidth);
  BProgram = PickButton(this, "BProgram", kProgramTop, kEditWidth);
  LDate = FolderLabel(this, "LDate", "&Date:", kDateTop);
  RDate = FolderEdit(this, "RDate", LDate, kDateTop, kEditWidth);
  RDate->setReadOnly(true);
  BDate = PickButton(this, "BDate", kDateTop, kEditWidth);
  BDate->setEnabled(false);

  dirlabel = new TFmtLabel(this);
  dirlabel->setObjectName("dirlabel");
  dirlabel->setTransparent(true);
  dirlabel->setColor(PageColor);
  dirlabel->setGeometry(kLabelLeft, kStatusTop, kRowsRight - kLabelLeft, 18);

  BCancel = AbandonButton(PageWidth - 6, PageButtonTop + (PageButtonHeight - 28) / 2);

  setTabOrder(RProgram, BProgram);
  setTabOrder(BProgram, RDate);
  setTabOrder(RDate, BNext);
  BNext->setFocus();

  LProgram->OnClick = [this](QObject* sender) { BProgramClick(sender); };
  BProgram->OnClick = [this](QObject* sender) { BProgramClick(sender); };
  BNext->OnClick = [this](QObject* sender) { BNextClick(sender); };
  BCancel->OnClick = [this](QObject* sender) { BCancelClick(sender); };

  FormCreate();
}

void TFindApp::FormCreate() {
  CurrentPage = pgFindApp;
  ShownDataDir = UpgGetAliasPath("ZORVAN");
  const TDataPlace place = DataPlaceOf(ShownDataDir);
  ShownDataDir = place.DataDir;
  InstallKind = place.OnNetwork ? ikClient : ikLocal;
  Activated = false;
  CanContinue = false;
  win::LogLine(
      QString("findapp: data %1 on %2, kind %3").arg(ShownDataDir, place.Root).arg(InstallKind));
}

void TFindApp::FormActivate() {
  if (Activated) return;
  Activated = true;

  QString found;
  {
    // Only Abandon works while the search runs: a second Continue would accept an empty
    // folder, and the picker would run its own loop in the middle of the scan.
    struct Busy {
      std::vector<QWidget*> widgets;
      explicit Busy(std::vector<QWidget*> w) : widgets(std::move(w)) {
        for (QWidget* x : widgets) x->setEnabled(false);
      }
      ~Busy() {
        for (QWidget* x : widgets) x->setEnabled(true);
      }
    } busy({BNext, BBack, BProgram, LProgram});
    found = ProfileProgramFolder();
    if (found.isEmpty()) {
      AskToStop = false;
      TSearchHooks hooks;
      hooks.ShowStatus = [this](const QString& text) { dirlabel->setCaption(text); };
      // Pending events only, never waiting for the user; and not more often than a screen
      // refresh, since painting the status line for every folder would cost several times the
      // scan itself. Abandon is still seen within a few milliseconds.
      QElapsedTimer sinceEvents;  // not started: the first folder lets events run
      hooks.StopRequested = [this, sinceEvents]() mutable {
        if (!sinceEvents.isValid() || sinceEvents.hasExpired(kEventInterval)) {
          QCoreApplication::processEvents();
          sinceEvents.start();
        }
        return AskToStop;
      };
      TDriveScan scan(std::move(hooks));
      found = scan.Run();
      win::LogLine(QString("findapp: scanned %1 folders%2")
                       .arg(scan.Visited())
                       .arg(scan.Stopped() ? ", stopped" : ""));
    }
  }
  win::LogLine("findapp: found \"" + found + "\"");

  if (found.isEmpty()) {
    ShownProgramDir = kNotFoundText;
    dirlabel->setCaption("Nu am gasit directorul program!!!");
  } else {
    ShownProgramDir = found;
  }
  RProgram->SetText(ShownProgramDir);
  RDate->SetText(InstallKind == ikLocal ? ShownDataDir : QString("Am detectat o instalare client"));
  CanContinue = !found.isEmpty();
  BNext->setEnabled(CanContinue);
  TitleBar1->SetCaption("Confirmati corectitudinea directorului program");
  (CanContinue ? static_cast<QWidget*>(BNext) : RProgram)->setFocus();
}

void TFindApp::BNextClick(QObject*) {
  if (!Activated) {
    FormActivate();
    return;
  }
  ShownProgramDir = RProgram->Text();
  ProgramDir = ShownProgramDir;
  DataDir = ShownDataDir;
  ModalResult = prNext;
}

void TFindApp::BProgramClick(QObject*) {
  std::unique_ptr<TDirDialog> picker(new TDirDialog);
  if (RProgram->Text() != kNotFoundText) picker->SetDirectory(RProgram->Text());
  // A machine without a readable drive leaves the picker with no folder to give.
  if (picker->ShowModal() == mrOk && !picker->Directory().isEmpty()) {
    const QString folder = win::IncludeTrailingBackslash(picker->Directory());
    RProgram->SetText(folder);
    if (IsProgramFolder(folder)) {
      CanContinue = true;
      dirlabel->setCaption("");
    } else {
      CanContinue = false;
      dirlabel->setCaption("Nu gasesc instalare de ZORVAN...");
    }
  }
  BNext->setEnabled(CanContinue);
}

void TFindApp::BCancelClick(QObject*) {
  AskToStop = true;
}
