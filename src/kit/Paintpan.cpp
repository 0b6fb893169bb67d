#include "kit/Paintpan.h"

#include <QMouseEvent>
#include <QPainter>

#include "kit/Cliunit.h"

TMovePanel::TMovePanel(QWidget* owner) : QFrame(owner) {
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  resize(185, 41);
}

void TMovePanel::SetCaption(const QString& value) {
  if (caption_ == value) return;
  caption_ = value;
  update();
}

// Presses on child controls that take the mouse themselves never get here.
void TMovePanel::mousePressEvent(QMouseEvent* event) {
  pressed_ = true;
  if (event->button() != Qt::LeftButton) return QFrame::mousePressEvent(event);
  Orig = event->position().toPoint();
  Down = true;
  // The form moves by the pointer's way since the press: the same as the panel's coordinates
  // relative to Orig, but steady while the window manager is still moving the form.
  startGlobal_ = event->globalPosition().toPoint();
  startForm_ = window()->pos();
  grabMouse();
  event->accept();
}

void TMovePanel::mouseMoveEvent(QMouseEvent* event) {
  if (!Down) return QFrame::mouseMoveEvent(event);
  window()->move(startForm_ + event->globalPosition().toPoint() - startGlobal_);
  event->accept();
}

void TMovePanel::mouseReleaseEvent(QMouseEvent* event) {
  const bool wasPressed = pressed_;
  pressed_ = false;
  if (Down) {
    releaseMouse();
    Down = false;
  }
  if (wasPressed && rect().contains(event->position().toPoint()) && OnClick)
    Guarded([&] { OnClick(this); });
  event->accept();
}

void TMovePanel::mouseDoubleClickEvent(QMouseEvent* event) {
  if (Down) {
    releaseMouse();
    Down = false;
  }
  pressed_ = false;
  if (FOnDblClick) Guarded([&] { FOnDblClick(this); });
  event->accept();
}

void TMovePanel::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  if (caption_.isEmpty()) return;
  QPainter p(this);
  p.drawText(contentsRect(), Qt::AlignCenter, caption_);
}
