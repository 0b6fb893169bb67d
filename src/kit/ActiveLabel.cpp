#include "kit/ActiveLabel.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include "kit/Cliunit.h"
#include "kit/TextDraw.h"

TActiveLabel::TActiveLabel(QWidget* parent) : QWidget(parent), TControlColors(this) {
  setFocusPolicy(Qt::NoFocus);
  resize(65, 13);
}

void TActiveLabel::SetFocusControl(QWidget* value) {
  focusControl_ = value;
  accel_.Enable(this, value != nullptr);
}

void TActiveLabel::SetCaption(const QString& value) {
  caption_ = value;
  accel_.Set(this, showAccelChar_ ? value : QString());
  accel_.Enable(this, focusControl_ != nullptr);
  AdjustBounds();
  update();
}

void TActiveLabel::SetAlignment(TAlignment value) {
  alignment_ = value;
  update();
}

void TActiveLabel::SetTransparent(bool value) {
  transparent_ = value;
  update();
}

void TActiveLabel::SetShowAccelChar(bool value) {
  showAccelChar_ = value;
  SetCaption(caption_);
}

void TActiveLabel::SetAutosize(bool value) {
  autosize_ = value;
  AdjustBounds();
}

void TActiveLabel::AdjustBounds() {
  if (!autosize_) return;
  QFontMetrics fm(font());
  int flags = Qt::TextSingleLine | Qt::TextExpandTabs;
  if (showAccelChar_) flags |= Qt::TextShowMnemonic;
  const QString text = caption_.isEmpty() ? QString(" ") : caption_;
  resize(fm.boundingRect(QRect(0, 0, 100000, 100000), flags, text).width(), fm.height());
}

void TActiveLabel::Click() {
  if (OnClick) OnClick(this);
  if (CanTakeFocus(focusControl_)) focusControl_->setFocus(Qt::ShortcutFocusReason);
}

bool TActiveLabel::event(QEvent* event) {
  if (accel_.Matches(event)) {
    // The accelerator runs the same handler as a click, so errors are caught the same way.
    if (focusControl_ && isEnabled() && showAccelChar_ && CanTakeFocus(focusControl_))
      Guarded([this] { Click(); });
    return true;
  }
  return QWidget::event(event);
}

void TActiveLabel::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
}

void TActiveLabel::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  if (click) Guarded([this] { Click(); });
}

void TActiveLabel::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) AdjustBounds();
  if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange) update();
  QWidget::changeEvent(event);
}

void TActiveLabel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!transparent_) p.fillRect(rect(), ToQColor(Color()));
  QString text = caption_.left(255);
  if (text.isEmpty() || (showAccelChar_ && text == "&")) text = " ";
  unsigned format = DT_SINGLELINE | DT_EXPANDTABS;
  if (alignment_ == taRightJustify) format |= DT_RIGHT;
  if (alignment_ == taCenter) format |= DT_CENTER;
  p.setFont(font());
  TCanvas canvas{&p, FontColor()};
  if (!isEnabled()) {
    DrawDisabledText(canvas, rect(), text, showAccelChar_ ? format : format | DT_NOPREFIX);
  } else if (showAccelChar_) {
    DrawAccelCaption(canvas, text, rect(), focusControl_ && focusControl_->hasFocus(), clRed,
                     format);
  } else {
    QRect r = rect();
    DrawText(canvas, text, r, format | DT_NOPREFIX);
  }
}
