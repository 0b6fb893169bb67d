#include "kit/Title.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QScreen>

TTitleBar::TTitleBar(QWidget* parent) : QWidget(parent) {
  setObjectName("TitleBar");
  Scara = ::Scara(parent ? parent->window() : nullptr);
  QFont f("Ms Sans Serif");
  f.setPointSize(Scara == 1.0 ? 10 : 11);
  f.setBold(true);
  setFont(f);
  resize(width(), RoundEven(Scara * 25));
  Layout();
}

TColor TTitleBar::GradientColor(TColor start, TColor end, int i, int n) {
  if (n <= 0) return start;
  auto channel = [&](int shift) {
    const int s = (start >> shift) & 0xFF, e = (end >> shift) & 0xFF;
    // ceil(i * (e - s) / n) in exact integer arithmetic.
    const int num = i * (e - s);
    int q = num / n;
    if (num % n != 0 && num > 0) ++q;
    return std::clamp(q + s, 0, 255);
  };
  return RGB(channel(0), channel(8), channel(16));
}

void TTitleBar::SetCaption(const QString& value) {
  if (value == caption_) return;
  caption_ = value;
  update();
}
void TTitleBar::SetCaptionColor(TColor value) {
  if (value == captionColor_) return;
  captionColor_ = value;
  update();
}
void TTitleBar::SetStartColor(TColor value) {
  if (value == startColor_) return;
  startColor_ = value;
  update();
}
void TTitleBar::SetEndColor(TColor value) {
  if (value == endColor_) return;
  endColor_ = value;
  update();
}
void TTitleBar::SetVertical(bool value) {
  if (value == vertical_) return;
  vertical_ = value;
  update();
}
void TTitleBar::SetIconStyle(TIconStyle value) {
  if (value == iconStyle_) return;
  iconStyle_ = value;
  Layout();
  update();
}
void TTitleBar::SetGrayed(bool value) {
  if (value == grayed_) return;
  grayed_ = value;
  if (isVisible()) update();
}

void TTitleBar::SetAlign(TAlign value) {
  if (align_ == value) return;
  if (parentWidget()) parentWidget()->removeEventFilter(this);
  align_ = value;
  if (align_ != alNone && parentWidget()) parentWidget()->installEventFilter(this);
  FollowParent();
}

void TTitleBar::FollowParent() {
  QWidget* p = parentWidget();
  if (!p) return;
  const QRect area = p->contentsRect();
  switch (align_) {
    case alTop:
      setGeometry(area.left(), area.top(), area.width(), height());
      break;
    case alBottom:
      setGeometry(area.left(), area.bottom() - height() + 1, area.width(), height());
      break;
    case alLeft:
      setGeometry(area.left(), area.top(), width(), area.height());
      break;
    case alRight:
      setGeometry(area.right() - width() + 1, area.top(), width(), area.height());
      break;
    case alClient:
      setGeometry(area);
      break;
    case alNone:
      break;
  }
}

bool TTitleBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() && event->type() == QEvent::Resize) FollowParent();
  return false;
}

void TTitleBar::Layout() {
  IconSpace = iconStyle_ == isNone ? 10 : (IconFace ? IconFace->width() : 0) / 2 + 15;
  FWidth = width() - IconSpace - 10;
}

void TTitleBar::resizeEvent(QResizeEvent*) {
  Layout();
}

void TTitleBar::paintEvent(QPaintEvent*) {
  Layout();
  QPainter p(this);
  const QRect r = rect();
  if (HighColor && startColor_ != endColor_) {
    const int n = vertical_ ? r.height() : r.width();
    const TColor s = ColorToRGB(startColor_), e = ColorToRGB(endColor_);
    for (int i = 0; i < n; ++i) {
      p.setPen(ToQColor(GradientColor(s, e, i, n)));
      if (vertical_)
        p.drawLine(0, i, r.width() - 1, i);
      else
        p.drawLine(i, 0, i, r.height() - 1);
    }
  } else {
    p.fillRect(r, ToQColor(startColor_));
  }
  // The caption: measured as a centred text half the screen wide, "&" shown as it is, drawn
  // left-aligned and cut where the bar's room ends.
  p.setFont(font());
  p.setPen(grayed_ ? ToQColor(8421504) : ToQColor(captionColor_));
  const QScreen* screen = this->screen();
  const int half = (screen ? screen->geometry().width() : 1024) / 2;
  const QString text = QString(caption_).replace("\r\n", "\n").replace('\r', '\n');
  const int h = p.fontMetrics().boundingRect(QRect(0, 0, half, 0), Qt::AlignHCenter, text).height();
  const int top = (r.height() - h) / 2;
  const int x = RoundEven(Scara * 5) + IconSpace;
  const QRect box(x, top, FWidth, h);
  p.setClipRect(box);
  p.drawText(box, Qt::AlignLeft | Qt::AlignTop, text);
}
