#include "pages/Cupgdata.h"

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

#include "core/Iglobals.h"
#include "kit/Actives.h"
#include "kit/Mbuttons.h"
#include "platform/Fonts.h"
#include "platform/Log.h"
#include "upgrade/Upgint.h"

// The marks are drawn in the design's symbol font, whose "ü" is a check mark: ours stands in for
// it. The font lives in the static library's resources, registered by hand outside any namespace.
static void BindSymbolFont() {
  static bool done = false;
  if (done) return;
  done = true;
  Q_INIT_RESOURCE(resources);
  QFile file(":/SEMNE");
  if (!file.open(QIODevice::ReadOnly)) return;
  win::BindFontName("Wingdings", win::AddFontMemResource(file.readAll()));
}

namespace {
constexpr int kBoxLeft = 160, kPanelLeft = 180, kPanelWidth = 180, kMarkLeft = 368;
constexpr int kRowTop = 30, kRowHeight = 20;
constexpr int kStatusLeft = 152, kStatusRight = 522, kStatusTop = 93;
}  // namespace

TStepPanel::TStepPanel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
  setTextFormat(Qt::PlainText);
  setAutoFillBackground(false);
  SetDone(false);
}

void TStepPanel::SetDone(bool done) {
  done_ = done;
  setFrameStyle(done ? QFrame::Panel | QFrame::Raised : QFrame::NoFrame);
  setLineWidth(1);
  setAlignment((done ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
  QPalette p = palette();
  p.setColor(QPalette::WindowText, done ? Qt::red : Qt::black);
  setPalette(p);
}

void TStepPanel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick)
    OnClick(this);
}

TUpgData::TUpgData(QWidget* parent)
    : TWizardPage(pgUpgData, "Actualizare baza de date", true, parent) {
  const char* captions[] = {"Verificare structuri", "Actualizare liste", "Actualizare constante"};
  const char* panels[] = {"BStruct", "BLists", "BConst"};
  TStepPanel** panelFields[] = {&BStruct, &BLists, &BConst};
  TActiveCheckBox** boxFields[] = {&Ck1, &Ck2, &Ck3};
  TFmtLabel** markFields[] = {&Lk1, &Lk2, &Lk3};
  BindSymbolFont();
  QFont markFont("Wingdings");
  markFont.setBold(true);
  markFont.setPixelSize(16);
  for (int step = 0; step < UpgradeStepCount; ++step) {
    const int top = kRowTop + step * kRowHeight;
    auto* box = new TActiveCheckBox(this);
    box->setObjectName(QString("Ck%1").arg(step + 1));
    box->SetColor(PageColor);
    box->setGeometry(kBoxLeft, top + 1, 16, 16);
    box->SetChecked(true);
    *boxFields[step] = box;

    auto* panel = new TStepPanel(captions[step], this);
    panel->setObjectName(panels[step]);
    panel->setGeometry(kPanelLeft, top, kPanelWidth, kRowHeight - 2);
    panel->OnClick = [box](QObject*) { box->SetChecked(!box->Checked()); };
    *panelFields[step] = panel;

    auto* mark = new TFmtLabel(this);
    mark->setObjectName(QString("Lk%1").arg(step + 1));
    mark->setFont(markFont);
    mark->setFontColor(clRed);
    mark->setTransparent(true);
    mark->setGeometry(kMarkLeft, top - 1, 20, kRowHeight);
    mark->setCaption(QString::fromUtf8("%\xC3\xBC"));  // "%ü": the check mark with its shadow
    mark->hide();
    *markFields[step] = mark;
  }

  L1 = new QLabel("Asteapta...", this);
  L1->setObjectName("L1");
  L1->setTextFormat(Qt::PlainText);
  L1->setGeometry(kStatusLeft, kStatusTop, kStatusRight - kStatusLeft, 16);
  L1->hide();
  SetStatusColor(clBlack);

  BBack = PageButton("BBack", mknPrev, "&Inapoi", prBack, 8);
  BNext = PageButton("BNext", mknNext, "&Continua", prNext, 8 + PageButtonWidth + 4);
  BCancel = AbandonButton(PageWidth - 4, PageButtonTop + (PageButtonHeight - 28) / 2);
  BNext->OnClick = [this](QObject*) { BNextClick(); };
  BCancel->OnClick = [this](QObject*) { BCancelClick(); };
  BNext->setFocus();
  FormCreate();
}

TUpgData::~TUpgData() {
  ReleaseUpgradeReports(*this);
}

void TUpgData::FormCreate() {
  CurrentPage = pgUpgData;
  QuickV = false;
  for (int step = 0; step < UpgradeStepCount; ++step) Panel(step)->SetDone(false);
}

void TUpgData::BNextClick() {
  // The page closes only once every step that ran ended well: the finish page says success.
  ModalResult = mrNone;
  L1->show();
  L1->repaint();
  BBack->setEnabled(false);
  BNext->setEnabled(false);
  BCancel->setEnabled(false);
  TUpgradeStepsOutcome outcome;
  try {
    outcome = RunUpgradeSteps(*this);
  } catch (...) {
    // The kit shows the error; the page stays open with its buttons, as after a failed step.
    failed_ = "?";
    win::LogLine("upgrade data: a step ended in an error");
    SetStatusRed();
    BBack->setEnabled(true);
    BNext->setEnabled(true);
    BCancel->setEnabled(true);
    throw;
  }
  if (outcome.Ok()) {
    failed_.clear();
    L1->hide();
    L1->repaint();
    ModalResult = prNext;
    return;
  }
  // What failed stays in view, in red; the steps that ended well are unticked, so Continue runs
  // again only the failed ones.
  failed_ = outcome.FailedNames();
  L1->setText(outcome.FailedReport.isEmpty()
                  ? QString("Actualizarea bazei de date nu s-a terminat cu succes.")
                  : outcome.FailedReport);
  SetStatusRed();
  L1->repaint();
  for (int step = 0; step < UpgradeStepCount; ++step)
    if (Box(step)->Checked())
      Box(step)->SetChecked(std::find(outcome.Failed.begin(), outcome.Failed.end(), step) !=
                            outcome.Failed.end());
  BBack->setEnabled(true);
  BNext->setEnabled(true);
  BCancel->setEnabled(true);
  BNext->setFocus();
}

void TUpgData::BCancelClick() {
  if (!failed_.isEmpty()) win::LogLine("upgrade data: abandoned with failed steps " + failed_);
}

void TUpgData::FormKeyDown(QKeyEvent* event) {
  if (event->key() == Qt::Key_Q && (event->modifiers() & ~Qt::KeypadModifier) == Qt::AltModifier) {
    QuickV = !QuickV;
    UpgSetQuickVerif(QuickV);
    SetStatusColor(QuickV ? clRed : clBlack);
    win::LogLine(QString("upgrade data: quick verification %1").arg(QuickV ? "on" : "off"));
    event->accept();
    return;
  }
  TWizardPage::FormKeyDown(event);
}

bool TUpgData::StepChecked(int step) {
  return Box(step)->Checked();
}

void TUpgData::ShowMark(int step, bool visible) {
  Mark(step)->setVisible(visible);
}

void TUpgData::SetStatusRed() {
  SetStatusColor(clRed);
}

void TUpgData::StepDone(int step) {
  Panel(step)->SetDone(true);
  Panel(step)->repaint();
}

void TUpgData::Report(const QString& text) {
  L1->setText(text);
  L1->repaint();
  // The page stays live while the library works: boxes, panels and Alt+Q.
  QCoreApplication::processEvents();
}

void TUpgData::SetStatusColor(TColor color) {
  statusColor_ = color;
  QPalette p = L1->palette();
  p.setColor(QPalette::WindowText, ToQColor(color));
  L1->setPalette(p);
}

TActiveCheckBox* TUpgData::Box(int step) const {
  return step == 0 ? Ck1 : step == 1 ? Ck2 : Ck3;
}
TFmtLabel* TUpgData::Mark(int step) const {
  return step == 0 ? Lk1 : step == 1 ? Lk2 : Lk3;
}
TStepPanel* TUpgData::Panel(int step) const {
  return step == 0 ? BStruct : step == 1 ? BLists : BConst;
}
