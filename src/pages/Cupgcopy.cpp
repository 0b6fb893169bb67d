#include "pages/Cupgcopy.h"

#include <QCoreApplication>
#include <QLabel>
#include <exception>

#include "core/Iglobals.h"
#include "kit/Actives.h"
#include "kit/Gauges.h"
#include "kit/Mbuttons.h"
#include "notes/CInfo.h"
#include "platform/Log.h"

namespace {
// The same places as on the file copy page of a fresh installation.
constexpr int kLeft = 152, kCaptionWidth = 84, kGaugeLeft = kLeft + kCaptionWidth;
constexpr int kRight = 522;
}  // namespace

TUpgCopy::TUpgCopy(QWidget* parent)
    : TWizardPage(pgUpgCopy, "Actualizare fisiere Zorvan", true, parent) {
  LGroupName = new TActiveLabel(this);
  LGroupName->setObjectName("LGroupName");
  LGroupName->SetShowAccelChar(false);
  LGroupName->SetTransparent(true);
  LGroupName->SetAlignment(taCenter);
  LGroupName->SetFontColor(clRed);
  QFont bold = font();
  bold.setBold(true);
  LGroupName->setFont(bold);
  LGroupName->setGeometry(kLeft, 31, kRight - kLeft, 17);
  LGroupName->SetCaption("Apasa 'Continua' pentru a incepe instalarea.....");

  auto caption = [this](const char* name, const char* text, int top) {
    auto* l = new QLabel(text, this);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    l->setGeometry(kLeft, top, kCaptionWidth, 18);
    return l;
  };
  auto gauge = [this](const char* name, int top) {
    auto* g = new TMGauge(this);
    g->setObjectName(name);
    g->SetMax(100);
    g->SetPosition(0);
    g->setGeometry(kGaugeLeft, top, kRight - kGaugeLeft, 18);
    return g;
  };
  Label1 = caption("Label1", "Copiere:", 56);
  CopyProgress = gauge("CopyProgress", 56);
  Label2 = caption("Label2", "Decompresie:", 82);
  UnzipProgress = gauge("UnzipProgress", 82);

  BBack = PageButton("BBack", mknPrev, "&Inapoi", prBack, 8);
  BNext = PageButton("BNext", mknNext, "&Continua", prNext, 8 + PageButtonWidth + 4);
  BCancel = AbandonButton(PageWidth - 4, PageButtonTop + (PageButtonHeight - 28) / 2);
  BNext->OnClick = [this](QObject*) { BNextClick(); };
  BNext->setFocus();
  FormCreate();
}

void TUpgCopy::FormCreate() {
  CurrentPage = pgUpgCopy;
  ZipSize = 0;
  ZipProgres = 0;
}

void TUpgCopy::SetButtonsEnabled(bool enabled) {
  BBack->setEnabled(enabled);
  BNext->setEnabled(enabled);
  BCancel->setEnabled(enabled);
}

void TUpgCopy::BNextClick() {
  SetButtonsEnabled(false);
  try {
    TCopyJob job;
    job.SourceDir = SourceDir;
    job.DiskCount = DiskCount;
    job.ShownProgramDir = ShownProgramDir;
    job.ProgramDir = ProgramDir;
    job.DataDir = DataDir;
    job.Selection = UpgradeSets[InstallKind];
    job.ProgramUnpacked = ShowReleaseNotes;
    if (!UpgradeCopy(*this, job)) return;  // quit: the wizard ends
    ModalResult = prNext;
  } catch (const std::exception& e) {
    win::LogLine(QString("upgrade copy: failed at \"%1\": %2")
                     .arg(LGroupName->Caption(), QString::fromUtf8(e.what())));
    ShowException(e);
    // An incomplete upgrade must not end on the finish page: the page stays on what failed.
    ModalResult = mrNone;
    SetButtonsEnabled(true);
    BNext->setFocus();
  }
}

void TUpgCopy::SetGroupName(const QString& text) {
  LGroupName->SetCaption(text);
  LGroupName->repaint();
}

void TUpgCopy::SetCopyMax(int max) {
  CopyProgress->SetMax(max);
}
void TUpgCopy::SetCopyPosition(int position) {
  CopyProgress->SetPosition(position);
}
void TUpgCopy::SetUnzipMax(int max) {
  UnzipProgress->SetMax(max);
}
void TUpgCopy::SetUnzipPosition(int position) {
  UnzipProgress->SetPosition(position);
}
void TUpgCopy::SetModalResult(int result) {
  ModalResult = result;
}
// Pending events only: waiting for one would stall the copy until the mouse moves.
void TUpgCopy::HandleEvents() {
  QCoreApplication::processEvents();
}
