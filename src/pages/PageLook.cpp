#include "pages/PageLook.h"

#include <QKeyEvent>

#include "core/Iglobals.h"
#include "kit/Mbuttons.h"
#include "kit/Title.h"

TWizardPage::TWizardPage(int position, const QString& caption, bool allowNotes, QWidget* parent)
    : TTitleForm(parent), allowNotes_(allowNotes) {
  CurrentPage = static_cast<unsigned char>(position);
  setObjectName(QString("Page%1").arg(position));
  SetBorderStyle(bsNone);
  BorderIcons = 0;
  SetColor(PageColor);
  setWindowTitle(caption);
  setFixedSize(PageWidth, PageHeight);

  TitleBar1 = new TTitleBar(this);
  TitleBar1->setObjectName("TitleBar1");
  TitleBar1->SetStartColor(PageTitleColor);
  TitleBar1->SetEndColor(PageTitleColor);
  TitleBar1->SetCaptionColor(clWhite);
  QFont tf("MS Sans Serif");
  tf.setPixelSize(13);
  tf.setBold(true);
  TitleBar1->setFont(tf);
  TitleBar1->SetCaption(caption);
  TitleBar1->setGeometry(0, 0, PageWidth, 25);
  TitleBar = TitleBar1;

  QFont f("MS Sans Serif");
  f.setPixelSize(11);
  setFont(f);
}

void TWizardPage::FormKeyDown(QKeyEvent* event) {
  if (HandlePageKey(this, event->key(), event->modifiers(), allowNotes_)) {
    event->accept();
    return;
  }
  TTitleForm::FormKeyDown(event);
}

TMButton* TWizardPage::PageButton(const char* name, TMButtonKind kind, const QString& caption,
                                  int modalResult, int left) {
  auto* b = new TMButton(this);
  b->setObjectName(name);
  b->SetKind(kind);
  b->setText(caption);
  b->SetButtonLayout(blGlyphTop);
  b->SetColor(PageColor);
  b->SetColorOver(PageColor);
  if (modalResult != mrNone) b->SetModalResult(modalResult);
  b->setGeometry(left, PageButtonTop, PageButtonWidth, PageButtonHeight);
  return b;
}

TNiceButton* TWizardPage::AbandonButton(int left, int top) {
  auto* b = new TNiceButton(this);
  b->setObjectName("BCancel");
  b->SetKind(mkCancel);
  b->SetCaption("&Abandon");
  b->SetColor(PageColor);
  b->setGeometry(left, top, 100, 28);
  return b;
}
