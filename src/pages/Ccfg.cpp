#include "pages/Ccfg.h"

#include <QCoreApplication>

#include "core/Iglobals.h"
#include "engine/Groupint.h"
#include "engine/Updaters.h"
#include "engine/aliasint.h"
#include "kit/Mbuttons.h"
#include "kit/Title.h"

namespace {
constexpr int kLeft = 152, kRight = 522, kLineHeight = 22;
}  // namespace

TStatusLine::TStatusLine(const char* name, const QString& caption, QWidget* parent)
    : QLabel(parent), caption_(caption) {
  setObjectName(name);
  setTextFormat(Qt::PlainText);
  setText(QString(caption).replace("&&", "&"));
  setMargin(2);
  SetDone(false);
}

void TStatusLine::SetDone(bool done) {
  done_ = done;
  setFrameStyle(done ? QFrame::Panel | QFrame::Raised : QFrame::NoFrame);
  setLineWidth(1);
  QPalette p = palette();
  p.setColor(QPalette::WindowText, ToQColor(done ? clRed : clBlack));
  // The bevel's edges in the page's own light and shadow.
  p.setColor(QPalette::Light, ToQColor(clWhite));
  p.setColor(QPalette::Dark, ToQColor(clGray));
  setPalette(p);
  setAlignment((done ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
}

TConfig::TConfig(QWidget* parent) : TWizardPage(3, "Configurare sistem", true, parent) {
  // The form's own caption differs from its title bar's.
  setWindowTitle("Config");
  TitleBar1->SetCaption("Configurare sistem");
  BBDE = new TStatusLine("BBDE", " Configurare BDE", this);
  BCFGSYS = new TStatusLine("BCFGSYS", " Actualizare HTML Help && Chart FX", this);
  BGROUP = new TStatusLine("BGROUP", " Creare grup", this);
  int top = 30;
  for (TStatusLine* line : {BBDE, BCFGSYS, BGROUP}) {
    line->setGeometry(kLeft, top, kRight - kLeft, kLineHeight);
    top += kLineHeight + 5;
  }

  BBack = PageButton("BBack", mknPrev, "&Inapoi", prBack, 8);
  // Continue has no result of its own: the click decides when the page ends.
  BNext = PageButton("BNext", mknNext, "&Continua", mrNone, 8 + PageButtonWidth + 4);
  BCancel = AbandonButton(PageWidth - 4, PageButtonTop + (PageButtonHeight - 28) / 2);
  BNext->OnClick = [this](QObject*) { BNextClick(); };
  BNext->setFocus();
}

void TConfig::BNextClick() {
  BNext->setEnabled(false);
  // An error leaves here for the kit's error box, with Continue still disabled.
  DoConfigBDE();
  MarkDone(BBDE);
  DoConfigConfigSys();
  MarkDone(BCFGSYS);
  DoConfigGroup();
  MarkDone(BGROUP);
  // Also over a Back or Abandon clicked while the steps ran: the configuration is complete.
  ModalResult = prNext;
  BNext->setEnabled(true);
}

void TConfig::MarkDone(TStatusLine* line) {
  line->SetDone(true);
  line->repaint();
  QCoreApplication::processEvents();
}

void DoConfigConfigSys() {
  RunUpdaters(ProgramDir);
}
