#include "pages/CopyingPage.h"

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
// Where the status line and the gauges sit, right of the two page buttons.
constexpr int kLeft = 152, kCaptionWidth = 84, kGaugeLeft = kLeft + kCaptionWidth;
constexpr int kRight = 522;  // the abandon button stands beyond this
}  // namespace

TCopyingPage::TCopyingPage(int position, const QString& caption, QWidget* parent)
    : TWizardPage(position, caption, true, parent) {
  ZipSize = 0;
  ZipProgres = 0;

  LGroupName = new TActiveLabel(this);
  LGroupName->setObjectName("LGroupName");
  // Component and part names are shown as they are: an "&" in them is no accelerator.
  LGroupName->SetShowAccelChar(false);
  LGroupName->SetTransparent(true);
  LGroupName->SetAlignment(taCenter);
  LGroupName->SetFontColor(clRed);
  QFont bold = font();
  bold.setBold(true);
  LGroupName->setFont(bold);
  LGroupName->setGeometry(kLeft, 31, kRight - kLeft, 17);
  LGroupName->SetCaption("Apasa 'Continua' pentru a incepe instalarea.....");

  auto label = [this](const char* name, const char* text, int top) {
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
  Label1 = label("Label1", "Copiere:", 56);
  CopyProgress = gauge("CopyProgress", 56);
  Label2 = label("Label2", "Decompresie:", 82);
  UnzipProgress = gauge("UnzipProgress", 82);

  BBack = PageButton("BBack", mknPrev, "&Inapoi", prBack, 8);
  BNext = PageButton("BNext", mknNext, "&Continua", prNext, 8 + PageButtonWidth + 4);
  BCancel = AbandonButton(PageWidth - 4, PageButtonTop + (PageButtonHeight - 28) / 2);
  BNext->OnClick = [this](QObject*) { BNextClick(); };
  BNext->setFocus();
}

TCopyJob TCopyingPage::StateJob(TCompSet selection) {
  TCopyJob job;
  job.SourceDir = SourceDir;
  job.DiskCount = DiskCount;
  job.ShownProgramDir = ShownProgramDir;
  job.ProgramDir = ProgramDir;
  job.DataDir = DataDir;
  job.Selection = selection;
  job.ProgramUnpacked = ShowReleaseNotes;
  return job;
}

void TCopyingPage::SetButtonsEnabled(bool enabled) {
  BBack->setEnabled(enabled);
  BNext->setEnabled(enabled);
  BCancel->setEnabled(enabled);
}

void TCopyingPage::RunCopyStep(const char* what, const std::function<bool()>& copy) {
  // BNext has put next on the page already.
  SetButtonsEnabled(false);
  try {
    if (!copy()) return;  // the page ends with quit
    ModalResult = prNext;
  } catch (const std::exception& e) {
    win::LogLine(QString("%1: failed at \"%2\": %3")
                     .arg(what, LGroupName->Caption(), QString::fromUtf8(e.what())));
    ShowException(e);
    ModalResult = mrNone;
    SetButtonsEnabled(true);
    BNext->setFocus();
  }
}

void TCopyingPage::SetGroupName(const QString& text) {
  LGroupName->SetCaption(text);
  LGroupName->repaint();
}
void TCopyingPage::SetCopyMax(int max) {
  CopyProgress->SetMax(max);
}
void TCopyingPage::SetCopyPosition(int position) {
  CopyProgress->SetPosition(position);
}
void TCopyingPage::SetUnzipMax(int max) {
  UnzipProgress->SetMax(max);
}
void TCopyingPage::SetUnzipPosition(int position) {
  UnzipProgress->SetPosition(position);
}
void TCopyingPage::SetModalResult(int result) {
  ModalResult = result;
}
// Pending events only: waiting for one would stall the copy until the mouse moves.
void TCopyingPage::HandleEvents() {
  QCoreApplication::processEvents();
}
