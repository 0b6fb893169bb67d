#include "pages/PageLook.h"

#include <QKeyEvent>

#include "core/Iglobals.h"
#include "kit/Actives.h"
#include "kit/Mbuttons.h"
#include "kit/Title.h"
#include "kit/dlgform2.h"

TTitleBar* ApplyPageLook(TTitleForm* form, const QString& caption, int width, int height) {
  form->SetBorderStyle(bsNone);
  form->BorderIcons = 0;
  form->SetColor(PageColor);
  form->setWindowTitle(caption);
  form->setFixedSize(width, height);
  QFont f("MS Sans Serif");
  f.setPixelSize(11);
  form->setFont(f);

  auto* bar = new TTitleBar(form);
  bar->setObjectName("TitleBar1");
  bar->SetStartColor(PageTitleColor);
  bar->SetEndColor(PageTitleColor);
  bar->SetCaptionColor(clWhite);
  QFont tf("MS Sans Serif");
  tf.setPixelSize(13);
  tf.setBold(true);
  bar->setFont(tf);
  bar->SetCaption(caption);
  bar->setGeometry(0, 0, width, 25);
  form->TitleBar = bar;
  return bar;
}

TWizardPage::TWizardPage(int position, const QString& caption, bool allowNotes, QWidget* parent)
    : TTitleForm(parent), allowNotes_(allowNotes) {
  CurrentPage = static_cast<unsigned char>(position);
  setObjectName(QString("Page%1").arg(position));
  TitleBar1 = ApplyPageLook(this, caption, PageWidth, PageHeight);
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

TNiceButton* TWizardPage::AbandonButton(int right, int top) {
  auto* b = new TNiceButton(this);
  b->setObjectName("BCancel");
  b->SetKind(mkCancel);
  b->SetCaption("&Abandon");
  b->SetColor(PageColor);
  constexpr int width = 110;
  b->setGeometry(right - width, top, width, 28);
  return b;
}

TActiveLabel* FolderLabel(QWidget* parent, const char* name, const QString& caption, int top) {
  auto* label = new TActiveLabel(parent);
  label->setObjectName(name);
  label->SetCaption(caption);
  label->SetTransparent(true);
  label->setGeometry(FolderLabelLeft, top + 3, FolderEditLeft - FolderLabelLeft - 4, 16);
  return label;
}

TActiveEdit* FolderEdit(QWidget* parent, const char* name, TActiveLabel* label, int top,
                        int width) {
  auto* edit = new TActiveEdit(parent);
  edit->setObjectName(name);
  edit->SetFlatStyle(true);
  edit->setGeometry(FolderEditLeft, top, width, FolderRowHeight);
  edit->SetAssocLabel(label);
  return edit;
}

TMButton* PickButton(QWidget* parent, const char* name, int top, int editWidth) {
  auto* b = new TMButton(parent);
  b->setObjectName(name);
  b->setText("Cauta...");
  b->SetCaptionVisible(false);
  if (Mesaj) b->SetGlyph(Mesaj->Picture("Dosar"));
  b->SetColor(PageColor);
  b->SetColorOver(PageColor);
  b->setGeometry(FolderEditLeft + editWidth + 2, top, FolderRowHeight, FolderRowHeight);
  return b;
}
