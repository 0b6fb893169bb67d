#include "kit/Transimg.h"

#include <QMouseEvent>
#include <QPainter>

#include "kit/Cliunit.h"
#include "kit/dlgform2.h"

TTransImage::TTransImage(QWidget* parent) : QWidget(parent) {
  resize(24, 24);
}

const QImage& TTransImage::Shown() const {
  static const QImage none;
  if (Mesaj) {
    if (kindMic_ != mkCustom) return Mesaj->KindGlyph(kindMic_);
    if (kindMare_ != mtCustom) return Mesaj->MessageIcon(kindMare_);
    if (kindAlte_ != glCustom) return Mesaj->KitGlyph(kindAlte_);
  } else if (kindMic_ != mkCustom || kindMare_ != mtCustom || kindAlte_ != glCustom) {
    return none;
  }
  return bitmap_;
}

void TTransImage::FitToPicture() {
  const QImage& shown = Shown();
  if (autoSize_ && !shown.isNull()) resize(shown.size());
  update();
}

void TTransImage::SetBitmap(const QImage& value) {
  bitmap_ = value.copy();
  kindMic_ = mkCustom;
  kindMare_ = mtCustom;
  kindAlte_ = glCustom;
  FitToPicture();
}

void TTransImage::SetKindMic(TMButtonKind value) {
  kindMic_ = value;
  kindMare_ = mtCustom;
  kindAlte_ = glCustom;
  FitToPicture();
}

void TTransImage::SetKindMare(TMsgDlgType value) {
  kindMare_ = value;
  kindMic_ = mkCustom;
  kindAlte_ = glCustom;
  FitToPicture();
}

void TTransImage::SetKindAlte(TAlteGlife value) {
  kindAlte_ = value;
  kindMic_ = mkCustom;
  kindMare_ = mtCustom;
  FitToPicture();
}

void TTransImage::SetAutoSize(bool value) {
  autoSize_ = value;
  if (autoSize_ && !bitmap_.isNull()) {
    resize(Shown().isNull() ? bitmap_.size() : Shown().size());
    update();
  }
}

void TTransImage::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  update();
}

void TTransImage::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  if (!visible_ && parentWidget())
    parentWidget()->update(geometry());
  else
    update();
}

void TTransImage::paintEvent(QPaintEvent*) {
  const QImage& shown = Shown();
  if (!visible_ || shown.isNull()) return;
  QPainter p(this);
  DrawTransparentScaled(p, rect(), shown, QRect(), transparent_);
}

void TTransImage::mousePressEvent(QMouseEvent* event) {
  if (OnMouseDown) {
    const QPoint at = event->position().toPoint();
    Guarded([&] { OnMouseDown(this, event->button(), event->modifiers(), at.x(), at.y()); });
  } else {
    event->ignore();
  }
}
