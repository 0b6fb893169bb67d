#include "pages/Placeholder.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/Iglobals.h"

namespace {
const char* kPageNames[10] = {"Tipul instalarii",    "Directoare",        "Copiere fisiere",
                              "Configurare sistem",  "Sfarsit",           "",
                              "Cautare instalare",   "Copiere UPGRADE",   "UPGRADE baza de date",
                              ""};
}

TPlaceholderPage::TPlaceholderPage(int position, QWidget* parent)
    : TMForm(parent), position_(position) {
  CurrentPage = static_cast<unsigned char>(position);
  setObjectName(QString("Page%1").arg(position));
  setWindowFlag(Qt::FramelessWindowHint);
  setFixedSize(637, 114);
  setStyleSheet("TPlaceholderPage { background: #b1a498; }");
  setWindowTitle(QString("%1. %2").arg(position).arg(kPageNames[position]));
  auto* title = new QLabel(windowTitle(), this);
  title->setObjectName("TitleBar1");
  title->setFixedHeight(25);
  title->setStyleSheet("background: #5c6978; color: white; font: bold 13px; padding: 4px;");
  auto* buttons = new QHBoxLayout;
  auto add = [&](const char* caption, int result) {
    auto* b = new QPushButton(caption, this);
    b->setFixedSize(67, 51);
    connect(b, &QPushButton::clicked, this, [this, result] { ModalResult = result; });
    buttons->addWidget(b);
    return b;
  };
  if (position != 0) BBack = add("&Inapoi", prBack);
  BNext = add("&Continua", prNext);
  BCancel = add("&Abandon", prQuit);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 4);
  layout->addWidget(title);
  layout->addLayout(buttons);
  layout->addStretch();
}

void TPlaceholderPage::keyPressEvent(QKeyEvent* event) {
  bool notes = position_ >= 2 && position_ != pgFindApp;
  if (HandlePageKey(this, event->key(), event->modifiers(), notes)) return;
  TMForm::keyPressEvent(event);
}
