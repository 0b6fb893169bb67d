#include "kit/Gauges.h"

#include <qdrawutil.h>

#include <QPainter>
#include <algorithm>

TMGauge::TMGauge(QWidget* parent) : QWidget(parent) {
  resize(300, 20);
}

int TMGauge::Percent() const {
  if (max_ <= 0) return 0;
  return int(qint64(position_) * 100 / max_);
}

void TMGauge::SetMax(int value) {
  const int old = Percent();
  max_ = std::max(0, value);
  position_ = std::clamp(position_, 0, max_);
  Changed(old);
}

void TMGauge::SetPosition(int value) {
  const int old = Percent();
  position_ = std::clamp(value, 0, max_);
  Changed(old);
}

void TMGauge::SetBarColor(TColor value) {
  barColor_ = value;
  update();
}

void TMGauge::Changed(int oldPercent) {
  // The copy runs inside a click handler: show a new percentage at once, and nothing more.
  if (Percent() == oldPercent) return;
  ++Repaints;
  if (isVisible()) repaint();
}

void TMGauge::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect();
  qDrawShadePanel(&p, r, palette(), true, 1, nullptr);
  const QRect inner = r.adjusted(1, 1, -1, -1);
  p.fillRect(inner, ToQColor(clWindow));
  const int filled = max_ > 0 ? int(qint64(inner.width()) * position_ / max_) : 0;
  const QRect bar(inner.left(), inner.top(), filled, inner.height());
  p.fillRect(bar, ToQColor(barColor_));
  const QString text = QString::number(Percent()) + "%";
  p.setFont(font());
  // The text reads in the window colour over the bar and in the bar colour beside it.
  p.setPen(ToQColor(barColor_));
  p.drawText(inner, Qt::AlignCenter, text);
  p.setClipRect(bar);
  p.setPen(ToQColor(clWindow));
  p.drawText(inner, Qt::AlignCenter, text);
}
