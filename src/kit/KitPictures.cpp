#include "kit/KitPictures.h"

#include <QBitmap>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

// The artwork is drawn here at start-up rather than shipped as files: every picture keeps its
// exact size, and a glyph strip's disabled and pressed frames always match its normal one.
namespace {

// The transparent colour of every picture: it never occurs in the artwork itself.
const QRgb kKey = qRgb(255, 0, 255);

using Symbol = std::function<void(QPainter&, const QRectF&)>;

QColor C(int r, int g, int b) {
  return QColor(r, g, b);
}
const QColor kInk = C(32, 40, 56);
const QColor kGreen = C(30, 150, 50);
const QColor kRed = C(200, 30, 30);
const QColor kBlue = C(30, 90, 190);
const QColor kGold = C(230, 170, 30);
const QColor kPaper = C(252, 252, 246);
const QColor kSteel = C(120, 130, 145);
const QColor kBrown = C(140, 90, 40);

// The largest square centred in r.
QRectF Sq(const QRectF& r) {
  const double s = std::min(r.width(), r.height());
  return QRectF(r.center().x() - s / 2, r.center().y() - s / 2, s, s);
}
// A point of a box in unit coordinates.
QPointF P(const QRectF& r, double x, double y) {
  return QPointF(r.left() + x * r.width(), r.top() + y * r.height());
}
QRectF R(const QRectF& r, double x, double y, double w, double h) {
  return QRectF(P(r, x, y), QSizeF(w * r.width(), h * r.height()));
}
QPen Pen(const QColor& c, double w) {
  return QPen(c, std::max(1.0, w), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}
QFont Font(double px, bool bold = true, const char* family = "DejaVu Sans") {
  QFont f(family);
  f.setPixelSize(std::max(4, int(px)));
  f.setBold(bold);
  return f;
}
void Text(QPainter& p, const QRectF& r, const QString& t, const QColor& c, double px,
          int align = Qt::AlignCenter, bool bold = true) {
  p.setFont(Font(px, bold));
  p.setPen(c);
  p.drawText(r, align, t);
}

// --- symbols (each fills the square of its box) ---
void Arrow(QPainter& p, const QRectF& box, double angle, const QColor& c) {
  const QRectF s = Sq(box);
  p.save();
  p.translate(s.center());
  p.rotate(angle);
  p.translate(-s.center());
  QPolygonF poly{P(s, .08, .36), P(s, .5, .36), P(s, .5, .12), P(s, .94, .5),
                 P(s, .5, .88),  P(s, .5, .64), P(s, .08, .64)};
  p.setPen(Pen(c.darker(150), s.width() / 16));
  p.setBrush(c);
  p.drawPolygon(poly);
  p.restore();
}
// A plain triangle pointing right (angle 0), with an optional bar and a second triangle.
void Tri(QPainter& p, const QRectF& box, double angle, const QColor& c, bool bar, bool twice) {
  p.save();
  p.translate(box.center());
  p.rotate(angle);
  p.translate(-box.center());
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  const QRectF s =
      box.adjusted(box.width() * .1, box.height() * .1, -box.width() * .1, -box.height() * .1);
  if (twice) {
    p.drawPolygon(QPolygonF{P(s, 0, 0), P(s, .5, .5), P(s, 0, 1)});
    p.drawPolygon(QPolygonF{P(s, .45, 0), P(s, .95, .5), P(s, .45, 1)});
  } else {
    p.drawPolygon(QPolygonF{P(s, .1, 0), P(s, .8, .5), P(s, .1, 1)});
  }
  if (bar) p.drawRect(R(s, .82, 0, .18, 1));
  p.restore();
}
void Check(QPainter& p, const QRectF& box, const QColor& c) {
  const QRectF s = Sq(box);
  p.setPen(Pen(c, s.width() * .17));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(QPolygonF{P(s, .14, .54), P(s, .4, .8), P(s, .88, .18)});
}
void Cross(QPainter& p, const QRectF& box, const QColor& c) {
  const QRectF s = Sq(box);
  p.setPen(Pen(c, s.width() * .17));
  p.drawLine(P(s, .2, .2), P(s, .8, .8));
  p.drawLine(P(s, .8, .2), P(s, .2, .8));
}
void PlusSign(QPainter& p, const QRectF& box, const QColor& c, bool minus = false) {
  const QRectF s = Sq(box);
  p.setPen(Pen(c.darker(140), 1));
  p.setBrush(c);
  p.drawRect(R(s, .12, .38, .76, .24));
  if (!minus) p.drawRect(R(s, .38, .12, .24, .76));
}
void Disc(QPainter& p, const QRectF& box, const QColor& c, const QString& glyph) {
  const QRectF s = Sq(box).adjusted(.5, .5, -.5, -.5);
  QRadialGradient g(P(s, .35, .3), s.width() * .7);
  g.setColorAt(0, c.lighter(160));
  g.setColorAt(1, c);
  p.setPen(Pen(c.darker(160), s.width() / 20));
  p.setBrush(g);
  p.drawEllipse(s);
  Text(p, s, glyph, Qt::white, s.height() * .72);
}
void Door(QPainter& p, const QRectF& box, bool big) {
  const QRectF s = Sq(box);
  p.setPen(Pen(kBrown.darker(150), s.width() / 18));
  p.setBrush(C(250, 240, 220));
  p.drawRect(R(s, .18, .06, .5, .88));
  p.setBrush(kBrown);
  p.drawPolygon(QPolygonF{P(s, .18, .06), P(s, .46, .16), P(s, .46, 1), P(s, .18, .94)});
  p.setBrush(kGold);
  p.drawEllipse(R(s, .36, .5, .07, .07));
  Arrow(p, R(s, .52, big ? .3 : .28, .48, .44), 0, kGreen);
}
void Page(QPainter& p, const QRectF& box, bool lines = true) {
  const QRectF s = box;
  const double f = std::min(s.width(), s.height()) * .25;
  QPolygonF poly{s.topLeft(), QPointF(s.right() - f, s.top()), QPointF(s.right(), s.top() + f),
                 s.bottomRight(), s.bottomLeft()};
  p.setPen(Pen(kInk, std::max(1.0, s.width() / 20)));
  p.setBrush(kPaper);
  p.drawPolygon(poly);
  p.drawLine(QPointF(s.right() - f, s.top()), QPointF(s.right() - f, s.top() + f));
  p.drawLine(QPointF(s.right() - f, s.top() + f), QPointF(s.right(), s.top() + f));
  if (!lines) return;
  p.setPen(Pen(kBlue.lighter(130), 1));
  for (double y = .35; y < .9; y += .15) p.drawLine(P(s, .18, y), P(s, .82, y));
}
void Magnifier(QPainter& p, const QRectF& box) {
  const QRectF s = Sq(box);
  p.setPen(Pen(kBrown, s.width() * .18));
  p.drawLine(P(s, .6, .6), P(s, .9, .9));
  p.setPen(Pen(kInk, s.width() * .09));
  p.setBrush(C(200, 230, 250));
  p.drawEllipse(R(s, .08, .08, .56, .56));
}
void Printer(QPainter& p, const QRectF& box) {
  const QRectF s = Sq(box);
  p.setPen(Pen(kInk, s.width() / 20));
  p.setBrush(kPaper);
  p.drawRect(R(s, .25, .05, .5, .35));
  p.setBrush(C(170, 175, 185));
  p.drawRoundedRect(R(s, .05, .35, .9, .4), 2, 2);
  p.setBrush(kPaper);
  p.drawRect(R(s, .22, .62, .56, .32));
  p.setBrush(kGreen);
  p.drawEllipse(R(s, .78, .45, .08, .08));
}
void Floppy(QPainter& p, const QRectF& box) {
  const QRectF s = Sq(box);
  p.setPen(Pen(kInk, s.width() / 20));
  p.setBrush(kBlue);
  p.drawPolygon(
      QPolygonF{P(s, .08, .08), P(s, .8, .08), P(s, .92, .2), P(s, .92, .92), P(s, .08, .92)});
  p.setBrush(C(210, 215, 225));
  p.drawRect(R(s, .26, .08, .44, .3));
  p.setBrush(kBlue.darker(130));
  p.drawRect(R(s, .52, .12, .1, .2));
  p.setBrush(kPaper);
  p.drawRect(R(s, .2, .52, .6, .4));
}
void Pencil(QPainter& p, const QRectF& box) {
  const QRectF s = Sq(box);
  p.save();
  p.translate(s.center());
  p.rotate(-45);
  p.translate(-s.center());
  p.setPen(Pen(kInk, s.width() / 22));
  p.setBrush(kGold);
  p.drawRect(R(s, .22, .38, .5, .24));
  p.setBrush(C(240, 150, 160));
  p.drawRect(R(s, .12, .38, .1, .24));
  p.setBrush(C(240, 210, 170));
  p.drawPolygon(QPolygonF{P(s, .72, .38), P(s, .92, .5), P(s, .72, .62)});
  p.restore();
}
void Envelope(QPainter& p, const QRectF& box) {
  const QRectF s =
      box.adjusted(box.width() * .06, box.height() * .15, -box.width() * .06, -box.height() * .12);
  p.setPen(Pen(kInk, 1));
  p.setBrush(kPaper);
  p.drawRect(s);
  p.drawPolyline(QPolygonF{s.topLeft(), P(s, .5, .6), s.topRight()});
  p.setPen(Pen(kRed, 1));
  p.drawLine(P(s, 0, 1), P(s, .4, .5));
  p.drawLine(P(s, 1, 1), P(s, .6, .5));
}
void Coins(QPainter& p, const QRectF& box, int count) {
  const QRectF s = Sq(box);
  p.setPen(Pen(kBrown, 1));
  for (int i = count - 1; i >= 0; --i) {
    p.setBrush(kGold.lighter(100 + 8 * (count - i)));
    p.drawEllipse(R(s, .1 + .06 * (i % 2), .55 - .16 * i, .8, .32));
  }
}
void Box(QPainter& p, const QRectF& box) {
  const QRectF s = Sq(box);
  p.setPen(Pen(kBrown.darker(150), s.width() / 22));
  p.setBrush(C(210, 160, 100));
  p.drawPolygon(QPolygonF{P(s, .1, .3), P(s, .5, .12), P(s, .9, .3), P(s, .5, .48)});
  p.setBrush(C(180, 125, 70));
  p.drawPolygon(QPolygonF{P(s, .1, .3), P(s, .5, .48), P(s, .5, .92), P(s, .1, .74)});
  p.setBrush(C(150, 100, 55));
  p.drawPolygon(QPolygonF{P(s, .5, .48), P(s, .9, .3), P(s, .9, .74), P(s, .5, .92)});
}
void Chart(QPainter& p, const QRectF& box) {
  const QRectF s = Sq(box);
  p.setPen(Pen(kInk, 1));
  const QColor cols[] = {kRed, kGold, kGreen, kBlue};
  const double hs[] = {.35, .6, .45, .8};
  for (int i = 0; i < 4; ++i) {
    p.setBrush(cols[i]);
    p.drawRect(R(s, .12 + i * .2, .9 - hs[i], .16, hs[i]));
  }
  p.drawLine(P(s, .06, .9), P(s, .96, .9));
}
void Gear(QPainter& p, const QRectF& box, const QColor& c) {
  const QRectF s = Sq(box);
  QPainterPath path;
  const QPointF o = s.center();
  const double r1 = s.width() * .48, r2 = s.width() * .34;
  for (int i = 0; i < 32; ++i) {
    const double a = i * M_PI / 16;
    const double r = (i / 2) % 2 ? r2 : r1;
    QPointF q(o.x() + r * std::cos(a), o.y() + r * std::sin(a));
    if (i == 0)
      path.moveTo(q);
    else
      path.lineTo(q);
  }
  path.closeSubpath();
  path.addEllipse(o, s.width() * .13, s.width() * .13);
  p.setPen(Pen(c.darker(160), s.width() / 24));
  p.setBrush(c);
  p.drawPath(path);
}
void Book(QPainter& p, const QRectF& box) {
  const QRectF s = Sq(box);
  p.setPen(Pen(kInk, s.width() / 22));
  p.setBrush(kPaper);
  p.drawRect(R(s, .2, .14, .7, .78));
  p.setBrush(C(150, 40, 40));
  p.drawRect(R(s, .12, .08, .68, .78));
  p.setPen(Pen(kGold, 1));
  p.drawLine(P(s, .3, .3), P(s, .7, .3));
  p.drawLine(P(s, .3, .42), P(s, .62, .42));
}
void Eye(QPainter& p, const QRectF& box) {
  const QRectF s = Sq(box);
  QPainterPath path(P(s, .04, .5));
  path.quadTo(P(s, .5, .05), P(s, .96, .5));
  path.quadTo(P(s, .5, .95), P(s, .04, .5));
  p.setPen(Pen(kInk, s.width() / 18));
  p.setBrush(Qt::white);
  p.drawPath(path);
  p.setBrush(kBlue);
  p.drawEllipse(R(s, .32, .32, .36, .36));
  p.setBrush(kInk);
  p.drawEllipse(R(s, .43, .43, .14, .14));
}
void Bubble(QPainter& p, const QRectF& box) {
  const QRectF s = Sq(box);
  QPainterPath path;
  path.addRoundedRect(R(s, .04, .06, .92, .66), s.width() * .15, s.width() * .15);
  QPainterPath tail;
  tail.addPolygon(QPolygonF{P(s, .25, .6), P(s, .2, .95), P(s, .5, .68)});
  p.setPen(Pen(kBlue.darker(150), s.width() / 20));
  p.setBrush(C(255, 250, 200));
  p.drawPath(path.united(tail));
  Text(p, R(s, .04, .06, .92, .66), "i", kBlue, s.height() * .55);
}
void Building(QPainter& p, const QRectF& box) {
  const QRectF s = Sq(box);
  p.setPen(Pen(kInk, s.width() / 22));
  p.setBrush(C(200, 190, 170));
  p.drawRect(R(s, .15, .2, .5, .75));
  p.setBrush(C(170, 160, 140));
  p.drawRect(R(s, .65, .45, .25, .5));
  p.setPen(Qt::NoPen);
  p.setBrush(kBlue.lighter(140));
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 2; ++c) p.drawRect(R(s, .22 + c * .22, .28 + r * .2, .12, .12));
  p.setBrush(kRed);
  p.drawPolygon(QPolygonF{P(s, .15, .2), P(s, .4, .04), P(s, .65, .2)});
}
void Scales(QPainter& p, const QRectF& box) {
  const QRectF s = Sq(box);
  p.setPen(Pen(kInk, s.width() / 14));
  p.drawLine(P(s, .5, .12), P(s, .5, .88));
  p.drawLine(P(s, .28, .88), P(s, .72, .88));
  p.drawLine(P(s, .12, .22), P(s, .88, .22));
  p.setPen(Pen(kBrown, 1));
  p.setBrush(kGold);
  p.drawChord(R(s, .02, .3, .3, .3), 180 * 16, 180 * 16);
  p.drawChord(R(s, .68, .3, .3, .3), 180 * 16, 180 * 16);
}
void Retry(QPainter& p, const QRectF& box) {
  const QRectF s = Sq(box);
  p.setPen(Pen(kGreen, s.width() * .13));
  p.setBrush(Qt::NoBrush);
  p.drawArc(R(s, .15, .15, .7, .7), 60 * 16, 280 * 16);
  p.setPen(Qt::NoPen);
  p.setBrush(kGreen);
  p.drawPolygon(QPolygonF{P(s, .58, .02), P(s, .9, .2), P(s, .56, .36)});
}
void Trash(QPainter& p, const QRectF& box) {
  const QRectF s = Sq(box);
  p.setPen(Pen(kInk, s.width() / 20));
  p.setBrush(kSteel.lighter(130));
  p.drawPolygon(QPolygonF{P(s, .2, .25), P(s, .8, .25), P(s, .72, .94), P(s, .28, .94)});
  p.drawRect(R(s, .12, .14, .76, .1));
  p.drawRect(R(s, .4, .05, .2, .09));
  for (double x : {.38, .5, .62}) p.drawLine(P(s, x, .35), P(s, x, .84));
}
void Calculator(QPainter& p, const QRectF& box) {
  const QRectF s = Sq(box);
  p.setPen(Pen(kInk, s.width() / 20));
  p.setBrush(kSteel);
  p.drawRoundedRect(R(s, .16, .04, .68, .92), 2, 2);
  p.setBrush(C(200, 230, 190));
  p.drawRect(R(s, .24, .12, .52, .2));
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) p.drawRect(R(s, .25 + c * .18, .42 + r * .17, .12, .11));
}
void Key(QPainter& p, const QRectF& box, const QString& label) {
  const QRectF s = box.adjusted(0.5, 0.5, -0.5, -0.5);
  p.setPen(Pen(kInk, 1));
  p.setBrush(C(235, 235, 235));
  p.drawRoundedRect(s, 3, 3);
  Text(p, s, label, kInk, s.height() * .7);
}
void Emblem(QPainter& p, const QRectF& box, const QColor& c) {
  const QRectF s = Sq(box);
  QRadialGradient g(P(s, .35, .3), s.width() * .8);
  g.setColorAt(0, c.lighter(170));
  g.setColorAt(1, c);
  p.setPen(Pen(c.darker(170), s.width() / 20));
  p.setBrush(g);
  p.drawRoundedRect(s.adjusted(1, 1, -1, -1), s.width() * .22, s.width() * .22);
  p.setPen(Pen(Qt::white, s.width() * .12));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(QPolygonF{P(s, .28, .28), P(s, .72, .28), P(s, .28, .72), P(s, .72, .72)});
}
void Palm(QPainter& p, const QRectF& box) {
  const QRectF s = Sq(box);
  p.setPen(Pen(kBrown, s.width() / 8));
  p.drawLine(P(s, .5, .95), P(s, .55, .35));
  p.setPen(Pen(kGreen, s.width() / 9));
  for (double x : {.1, .3, .75, .95}) p.drawLine(P(s, .55, .35), P(s, x, .55));
  p.drawLine(P(s, .55, .35), P(s, .55, .05));
}
// A manila folder, open at the front, drawn pixel by pixel (no antialiasing) so that it stays
// crisp at the size of a small button: the tab and back at the top, the front flap below.
void Folder(QPainter& p, const QRectF& box) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  const int x = int(std::lround(box.left())), y = int(std::lround(box.top()));
  const int w = int(std::lround(box.width())), h = int(std::lround(box.height()));
  const QColor outline = C(110, 72, 10), back = C(214, 156, 40), front = C(252, 212, 96);
  const int tab = std::max(3, w * 2 / 5);
  const int body = y + std::max(1, h / 7);  // top of the back below the tab
  const int flap = y + h * 2 / 5;           // top of the front flap
  p.setPen(outline);
  p.setBrush(back);
  p.drawPolygon(QPolygon{QPoint(x, y), QPoint(x + tab - 1, y), QPoint(x + tab + 1, body),
                         QPoint(x + w - 1, body), QPoint(x + w - 1, y + h - 1),
                         QPoint(x, y + h - 1)});
  p.setBrush(front);
  p.drawPolygon(QPolygon{QPoint(x + 2, flap), QPoint(x + w - 1, flap), QPoint(x + w - 3, y + h - 1),
                         QPoint(x, y + h - 1)});
  p.setPen(C(255, 244, 190));
  p.drawLine(x + 3, flap + 1, x + w - 3, flap + 1);
  p.restore();
}

// --- pictures ---
// A picture drawn with antialiasing is reduced to opaque pixels on the transparent colour, so no
// pixel blends with the transparent colour.
QImage Drawn(int w, int h, const Symbol& draw) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    draw(p, QRectF(0, 0, w, h));
  }
  return img.convertToFormat(QImage::Format_ARGB32);
}
QImage Opaque(const QImage& argb) {
  QImage out(argb.size(), QImage::Format_RGB32);
  out.fill(kKey);
  for (int y = 0; y < argb.height(); ++y)
    for (int x = 0; x < argb.width(); ++x) {
      const QRgb c = argb.pixel(x, y);
      if (qAlpha(c) >= 128) out.setPixel(x, y, qRgb(qRed(c), qGreen(c), qBlue(c)));
    }
  return out;
}
// A picture that fills itself completely (faces, textures): drawn on white, no transparency.
QImage Filled(int w, int h, const std::function<void(QPainter&, const QRectF&)>& draw) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  draw(p, QRectF(0, 0, w, h));
  return img;
}
QImage Single(int w, int h, const Symbol& draw) {
  return Opaque(
      Drawn(w, h, [&](QPainter& p, const QRectF& r) { draw(p, r.adjusted(1, 1, -1, -1)); }));
}

// A glyph strip: the symbol in every frame, normal, disabled (grey, embossed) and pressed (one
// pixel lower right, lighter).
QImage Strip(int w, int h, int frames, const Symbol& draw) {
  const int fw = w / frames;
  const QImage sym =
      Drawn(fw, h, [&](QPainter& p, const QRectF& r) { draw(p, r.adjusted(1, 1, -2, -2)); });
  QImage out(w, h, QImage::Format_RGB32);
  out.fill(kKey);
  auto put = [&](int x, int y, QRgb c) {
    if (x >= 0 && y >= 0 && x < w && y < h && (x % fw != 0 || y != 0)) out.setPixel(x, y, c);
  };
  for (int f = 0; f < frames; ++f) {
    const int ox = f * fw;
    for (int pass = 0; pass < 2; ++pass)
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < fw; ++x) {
          const QRgb c = sym.pixel(x, y);
          if (qAlpha(c) < 128) continue;
          const QColor q(qRed(c), qGreen(c), qBlue(c));
          if (f == 0 && pass == 0) {
            put(ox + x, y, q.rgb());
          } else if (f == 1) {
            if (pass == 0)
              put(ox + x + 1, y + 1, qRgb(255, 255, 255));
            else
              put(ox + x, y, qRgb(128 + qGray(c) / 4, 128 + qGray(c) / 4, 128 + qGray(c) / 4));
          } else if (f >= 2 && pass == 0 && x + 1 < fw) {
            put(ox + x + 1, y + 1, q.lighter(118).rgb());
          }
        }
  }
  return out;
}

// A face picture: nine columns (left end, middle, right end) for normal, hot and pressed.
QImage Face(int w, int h, const QColor& base, const QColor& hot, bool tab) {
  const int s = w / 9;
  QImage out(w, h, QImage::Format_RGB32);
  out.fill(kKey);
  const QColor looks[3] = {base, hot, base.darker(125)};
  for (int look = 0; look < 3; ++look) {
    // Each look is drawn as one button three columns wide and cut into its columns.
    QImage one = Drawn(3 * s, h, [&](QPainter& p, const QRectF& r) {
      QLinearGradient g(0, 0, 0, h);
      const bool down = look == 2;
      g.setColorAt(0, down ? looks[look] : looks[look].lighter(135));
      g.setColorAt(.5, looks[look]);
      g.setColorAt(1, down ? looks[look].lighter(120) : looks[look].darker(118));
      p.setPen(Pen(looks[look].darker(170), 1));
      p.setBrush(g);
      const double rad = std::min(h / 2.0 - 1, s - 1.0);
      const QRectF body = r.adjusted(.5, .5, -.5, tab ? h : -.5);
      p.drawRoundedRect(body, rad, rad);
      if (!down) {
        p.setPen(Pen(QColor(255, 255, 255, 150), 1));
        p.drawLine(QPointF(rad, 2), QPointF(r.width() - rad, 2));
      }
    });
    QImage cut = Opaque(one);
    QPainter p(&out);
    p.drawImage(look * 3 * s, 0, cut);
  }
  out.setPixel(0, 0, kKey);
  return out;
}

QImage MessageIconArt(int w, int h, int kind) {
  return Single(w, h, [kind](QPainter& p, const QRectF& r) {
    const QRectF s = Sq(r).adjusted(2, 2, -2, -2);
    if (kind == 0) {
      QLinearGradient g(s.topLeft(), s.bottomLeft());
      g.setColorAt(0, C(255, 235, 90));
      g.setColorAt(1, C(240, 180, 20));
      p.setPen(Pen(C(90, 60, 0), 2));
      p.setBrush(g);
      p.drawRoundedRect(QRectF(), 0, 0);
      p.drawPolygon(QPolygonF{P(s, .5, .04), P(s, .98, .94), P(s, .02, .94)});
      Text(p, R(s, 0, .2, 1, .8), "!", kInk, s.height() * .62);
    } else if (kind == 1) {
      Disc(p, s, C(210, 30, 30), "");
      Cross(p, R(s, .18, .18, .64, .64), Qt::white);
    } else {
      Disc(p, s, kind == 2 ? kBlue : kGreen, kind == 2 ? "i" : "?");
    }
  });
}

std::function<QImage(int, int)> S3(const Symbol& s) {
  return [s](int w, int h) { return Strip(w, h, 3, s); };
}
std::function<QImage(int, int)> S1(const Symbol& s) {
  return [s](int w, int h) { return Single(w, h, s); };
}
Symbol PlusOf(QColor c) {
  return [c](QPainter& p, const QRectF& r) { PlusSign(p, r, c); };
}
Symbol ArrowOf(double a, QColor c) {
  return [a, c](QPainter& p, const QRectF& r) { Arrow(p, r, a, c); };
}
Symbol TriOf(double a, bool bar, bool twice, QColor c = kBlue) {
  return [=](QPainter& p, const QRectF& r) { Tri(p, r, a, c, bar, twice); };
}
Symbol Logo(const QColor& emblem, const QColor& text, bool right) {
  return [=](QPainter& p, const QRectF& r) {
    if (right) {
      Emblem(p, r, emblem);
      return;
    }
    Emblem(p, QRectF(r.left(), r.top(), r.height(), r.height()), emblem);
    Text(p, r.adjusted(r.height() + 4, 0, 0, 0), "ZarEDERAD", text, r.height() * .72,
         Qt::AlignLeft | Qt::AlignVCenter);
  };
}

}  // namespace

std::vector<TKitPicture> KitPictureCatalogue() {
  return {
      {"OK", 84, 28, S3([](QPainter& p, const QRectF& r) { Check(p, r, kGreen); })},
      {"Help", 60, 30, S3([](QPainter& p, const QRectF& r) { Disc(p, r, kBlue, "?"); })},
      {"Nu", 90, 30, S3([](QPainter& p, const QRectF& r) { Cross(p, r, kRed); })},
      {"Surub", 8, 8,
       [](int w, int h) {
         return Opaque(Drawn(w, h, [](QPainter& p, const QRectF& r) {
           p.setPen(Pen(kInk, 1));
           p.setBrush(C(190, 190, 200));
           p.drawEllipse(r.adjusted(.5, .5, -.5, -.5));
           p.drawLine(P(r, .25, .75), P(r, .75, .25));
         }));
       }},
      {"Interzis", 12, 12, S1([](QPainter& p, const QRectF& r) {
         p.setPen(Pen(kRed, 2));
         p.setBrush(Qt::white);
         p.drawEllipse(r.adjusted(.5, .5, -.5, -.5));
         p.drawLine(P(r, .25, .25), P(r, .75, .75));
       })},
      {"Permis", 12, 12, S1([](QPainter& p, const QRectF& r) { Check(p, r, kGreen); })},
      {"Analitic", 57, 22, S3([](QPainter& p, const QRectF& r) {
         Page(p, R(Sq(r), .05, 0, .7, 1));
         Magnifier(p, R(Sq(r), .35, .35, .65, .65));
       })},
      {"Linii", 8, 8,
       [](int w, int h) {
         QImage img(w, h, QImage::Format_RGB32);
         img.fill(kKey);
         for (int y = 1; y < h; y += 3)
           for (int x = 0; x < w; ++x) {
             img.setPixel(x, y, qRgb(150, 160, 180));
             if (y + 1 < h) img.setPixel(x, y + 1, qRgb(230, 234, 240));
           }
         return img;
       }},
      {"SpeedFace", 54, 16,
       [](int w, int h) { return Face(w, h, C(200, 205, 215), C(250, 210, 130), false); }},
      {"LookupFace", 120, 42, S3([](QPainter& p, const QRectF& r) {
         Key(p, r.adjusted(2, 6, -2, -6), "");
         Tri(p, R(Sq(r), .3, .3, .4, .4), 90, kInk, false, false);
       })},
      {"Check", 66, 15,
       [](int w, int h) {
         const int fw = w / 3;
         QImage img = Drawn(w, h, [fw](QPainter& p, const QRectF& r) {
           for (int f = 0; f < 3; ++f) {
             const QRectF box(f * fw + 1.5, 1.5, r.height() - 3, r.height() - 3);
             p.setPen(Pen(f == 2 ? C(140, 140, 140) : kInk, 1));
             p.setBrush(f == 2 ? C(220, 220, 220) : Qt::white);
             p.drawRect(box);
             if (f != 1) Check(p, box.adjusted(1, 1, -1, -1), f == 2 ? C(140, 140, 140) : kGreen);
           }
         });
         return Opaque(img);
       }},
      {"Radio", 22, 11,
       [](int w, int h) {
         QImage img = Drawn(w, h, [w](QPainter& p, const QRectF& r) {
           const int frameWidth = w / 2;
           for (int f = 0; f < 2; ++f) {
             const QRectF box(f * frameWidth + .5, .5, r.height() - 1, r.height() - 1);
             p.setPen(Pen(kInk, 1));
             p.setBrush(Qt::white);
             p.drawEllipse(box);
             p.setPen(Qt::NoPen);
             p.setBrush(kBlue);
             if (f == 1) p.drawEllipse(box.adjusted(2.5, 2.5, -2.5, -2.5));
           }
         });
         return Opaque(img);
       }},
      {"IconFace", 56, 30, S1([](QPainter& p, const QRectF& r) {
         QLinearGradient g(r.topLeft(), r.bottomLeft());
         g.setColorAt(0, C(120, 160, 220));
         g.setColorAt(1, C(30, 70, 140));
         p.setPen(Pen(C(20, 40, 90), 1));
         p.setBrush(g);
         p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
         Emblem(p, R(r, .3, .12, .4, .76), kGold);
       })},
      {"HatchB", 8, 8,
       [](int w, int h) {
         QImage img(w, h, QImage::Format_RGB32);
         img.fill(qRgb(235, 235, 240));
         for (int y = 0; y < h; ++y) {
           img.setPixel((y + 4) % w, y, qRgb(120, 130, 160));
           img.setPixel((y + 5) % w, y, qRgb(180, 186, 205));
         }
         return img;
       }},
      {"Precedent", 42, 14, S3(ArrowOf(180, kBlue))},
      {"Urmator", 42, 14, S3(ArrowOf(0, kBlue))},
      {"Plus", 42, 14, S3(PlusOf(kGreen))},
      {"crescator", 20, 15, S1([](QPainter& p, const QRectF& r) {
         p.setPen(Qt::NoPen);
         p.setBrush(kBlue);
         for (int i = 0; i < 3; ++i)
           p.drawRect(R(r, .05 + i * .18, .95 - .3 * (i + 1), .13, .3 * (i + 1)));
         Tri(p, R(r, .6, 0, .4, 1), -90, kGreen, false, false);
       })},
      {"descrescator", 20, 15, S1([](QPainter& p, const QRectF& r) {
         p.setPen(Qt::NoPen);
         p.setBrush(kBlue);
         for (int i = 0; i < 3; ++i) p.drawRect(R(r, .05 + i * .18, .05, .13, .3 * (3 - i)));
         Tri(p, R(r, .6, 0, .4, 1), 90, kRed, false, false);
       })},
      {"GrupX", 42, 15, S3([](QPainter& p, const QRectF& r) {
         p.setPen(Pen(kInk, 1));
         p.setBrush(Qt::white);
         p.drawRect(Sq(r));
         Cross(p, Sq(r).adjusted(1, 1, -1, -1), kInk);
       })},
      {"Grup0", 42, 15, S3([](QPainter& p, const QRectF& r) {
         p.setPen(Pen(kInk, 1));
         p.setBrush(Qt::white);
         p.drawRect(Sq(r));
         p.setBrush(Qt::NoBrush);
         p.drawEllipse(Sq(r).adjusted(2.5, 2.5, -2.5, -2.5));
       })},
      {"ToolbVert", 8, 26,
       [](int w, int h) {
         QImage img(w, h, QImage::Format_RGB32);
         img.fill(kKey);
         for (int y = 2; y + 1 < h; y += 3) {
           img.setPixel(3, y, qRgb(255, 255, 255));
           img.setPixel(4, y + 1, qRgb(110, 110, 120));
         }
         return img;
       }},
      {"ToolbOriz", 26, 8,
       [](int w, int h) {
         QImage img(w, h, QImage::Format_RGB32);
         img.fill(kKey);
         for (int x = 2; x + 1 < w; x += 3) {
           img.setPixel(x, 3, qRgb(255, 255, 255));
           img.setPixel(x + 1, 4, qRgb(110, 110, 120));
         }
         return img;
       }},
      {"EscapeImg", 84, 15, S3([](QPainter& p, const QRectF& r) { Key(p, r, "Esc"); })},
      {"SCLogo", 165, 25, S1(Logo(kBlue, kBlue.darker(150), false))},
      {"Pag", 20, 30, S1([](QPainter& p, const QRectF& r) { Page(p, r.adjusted(1, 1, -1, -1)); })},
      {"PlusAdd", 30, 15, S3(PlusOf(kGreen))},
      {"MinusDel", 30, 15, S3([](QPainter& p, const QRectF& r) { PlusSign(p, r, kRed, true); })},
      {"Mail", 72, 20, S3([](QPainter& p, const QRectF& r) { Envelope(p, r); })},
      {"Zorvan", 102, 32, S3([](QPainter& p, const QRectF& r) { Emblem(p, r, kBlue); })},
      {"ImageListe", 160, 160, S1([](QPainter& p, const QRectF& r) {
         const QRectF b = r.adjusted(20, 10, -20, -10);
         p.setPen(Pen(kBrown.darker(140), 3));
         p.setBrush(C(190, 140, 80));
         p.drawRoundedRect(b, 8, 8);
         Page(p, b.adjusted(10, 16, -10, -8), false);
         p.setBrush(kSteel);
         p.drawRoundedRect(R(b, .3, -.03, .4, .1), 4, 4);
         for (int i = 0; i < 5; ++i) {
           const double y = .3 + i * .13;
           Check(p, R(b, .16, y - .05, .12, .1), kGreen);
           p.setPen(Pen(kInk, 3));
           p.drawLine(P(b, .34, y), P(b, .82, y));
         }
       })},
      {"ImageDate", 160, 160, S1([](QPainter& p, const QRectF& r) {
         const QRectF b = r.adjusted(24, 8, -24, -8);
         for (int i = 2; i >= 0; --i) {
           const QRectF disk = R(b, 0, .06 + i * .28, 1, .3);
           QLinearGradient g(disk.topLeft(), disk.topRight());
           g.setColorAt(0, C(60, 110, 190));
           g.setColorAt(.5, C(130, 180, 240));
           g.setColorAt(1, C(40, 80, 150));
           p.setPen(Pen(C(20, 40, 90), 2));
           p.setBrush(g);
           p.drawRect(QRectF(disk.left(), disk.top() + 12, disk.width(), disk.height() - 12));
           p.drawEllipse(QRectF(disk.left(), disk.bottom() - 12, disk.width(), 24));
           p.setPen(Qt::NoPen);
           p.drawRect(
               QRectF(disk.left() + 1, disk.top() + 12, disk.width() - 2, disk.height() - 1));
           p.setPen(Pen(C(20, 40, 90), 2));
           p.setBrush(C(170, 205, 245));
           p.drawEllipse(QRectF(disk.left(), disk.top(), disk.width(), 24));
         }
       })},
      {"SaveAs", 72, 27, S3([](QPainter& p, const QRectF& r) {
         Floppy(p, R(Sq(r), 0, 0, .85, .85));
         Pencil(p, R(Sq(r), .4, .4, .6, .6));
       })},
      {"Buget", 54, 17, S3([](QPainter& p, const QRectF& r) { Calculator(p, r); })},
      {"All", 81, 31, S3([](QPainter& p, const QRectF& r) {
         const QRectF s = Sq(r);
         Page(p, R(s, .3, 0, .6, .75), false);
         Page(p, R(s, .18, .1, .6, .75), false);
         Page(p, R(s, .06, .2, .6, .75), false);
         Check(p, R(s, .35, .35, .65, .65), kGreen);
       })},
      {"PalmaDeMajorca", 78, 11, S3([](QPainter& p, const QRectF& r) { Palm(p, r); })},
      {"ButtonFace2", 146, 23, nullptr},
      {"ButtonFaceWZE", 180, 28,
       [](int w, int h) { return Face(w, h, C(196, 202, 214), C(255, 214, 140), false); }},
      {"ButtonFaceWZE120", 180, 35,
       [](int w, int h) { return Face(w, h, C(196, 202, 214), C(255, 214, 140), false); }},
      {"Hartie", 26, 96,
       [](int w, int h) {
         return Filled(w, h, [](QPainter& p, const QRectF& r) {
           p.fillRect(r, C(250, 248, 236));
           p.setPen(C(200, 215, 235));
           for (int y = 8; y < r.height(); y += 8)
             p.drawLine(QPointF(0, y + .5), QPointF(r.width(), y + .5));
           p.setPen(C(235, 160, 160));
           p.drawLine(QPointF(r.width() - 3.5, 0), QPointF(r.width() - 3.5, r.height()));
         });
       }},
      {"Mijloc", 26, 96,
       [](int w, int h) {
         return Filled(w, h, [](QPainter& p, const QRectF& r) {
           QLinearGradient g(r.topLeft(), r.topRight());
           g.setColorAt(0, C(250, 248, 236));
           g.setColorAt(.5, C(190, 185, 170));
           g.setColorAt(1, C(250, 248, 236));
           p.fillRect(r, g);
           p.setPen(Pen(kSteel.darker(130), 2));
           p.setBrush(Qt::NoBrush);
           for (int y = 12; y < r.height(); y += 24) p.drawEllipse(QRectF(6, y - 4, 14, 8));
         });
       }},
      {"Find", 60, 20, S3([](QPainter& p, const QRectF& r) { Magnifier(p, r); })},
      {"FindNext", 60, 20, S3([](QPainter& p, const QRectF& r) {
         Magnifier(p, R(Sq(r), 0, 0, .8, .8));
         Tri(p, R(Sq(r), .55, .5, .45, .5), 0, kGreen, false, false);
       })},
      {"MainTitleBarSliceE", 9, 35,
       [](int w, int h) {
         return Filled(w, h, [](QPainter& p, const QRectF& r) {
           QLinearGradient g(r.topLeft(), r.bottomLeft());
           g.setColorAt(0, C(70, 110, 170));
           g.setColorAt(.5, C(20, 60, 120));
           g.setColorAt(1, C(10, 35, 80));
           p.fillRect(r, g);
         });
       }},
      {"SiglaZarEderad2Img", 352, 35, S1(Logo(kGold, C(250, 250, 250), false))},
      {"SiglaZarEderadImg", 352, 35, S1(Logo(kBlue, C(20, 50, 110), false))},
      {"MainExitImg", 75, 24, S3([](QPainter& p, const QRectF& r) { Door(p, r, false); })},
      {"PlusBlue", 30, 15, S3(PlusOf(kBlue))},
      {"PlusPorto", 30, 15, S3(PlusOf(C(120, 20, 50)))},
      {"Contract", 78, 11, S3([](QPainter& p, const QRectF& r) {
         Page(p, Sq(r), false);
         p.setPen(Pen(kBlue, 1));
         p.drawLine(P(Sq(r), .2, .7), P(Sq(r), .8, .5));
       })},
      {"Explicatii", 72, 25, S3([](QPainter& p, const QRectF& r) { Bubble(p, r); })},
      {"PlusPeach", 30, 15, S3(PlusOf(C(250, 160, 110)))},
      {"PlusSnorkel", 30, 15, S3(PlusOf(C(0, 100, 150)))},
      {"UrmatorBlue", 48, 8, S3(TriOf(0, false, true))},
      {"BSediu", 90, 24, S3([](QPainter& p, const QRectF& r) { Building(p, r); })},
      {"BIntr", 105, 24, S3([](QPainter& p, const QRectF& r) {
         Box(p, R(Sq(r), 0, .25, .75, .75));
         Arrow(p, R(Sq(r), .45, 0, .55, .55), 135, kGreen);
       })},
      {"BIes", 96, 24, S3([](QPainter& p, const QRectF& r) {
         Box(p, R(Sq(r), 0, .25, .75, .75));
         Arrow(p, R(Sq(r), .45, 0, .55, .55), -45, kRed);
       })},
      {"Sold", 84, 24, S3([](QPainter& p, const QRectF& r) { Scales(p, r); })},
      {"BBani", 99, 32, S3([](QPainter& p, const QRectF& r) { Coins(p, r, 3); })},
      {"Stoc", 75, 24, S3([](QPainter& p, const QRectF& r) { Box(p, r); })},
      {"Edit", 99, 22, S3([](QPainter& p, const QRectF& r) {
         Page(p, R(Sq(r), .05, 0, .7, 1));
         Pencil(p, R(Sq(r), .3, .3, .7, .7));
       })},
      {"Detalii", 90, 30, S3([](QPainter& p, const QRectF& r) {
         Page(p, R(Sq(r), .08, 0, .7, 1));
         Disc(p, R(Sq(r), .45, .45, .55, .55), kBlue, "i");
       })},
      {"Jurnal", 99, 32, S3([](QPainter& p, const QRectF& r) { Book(p, r); })},
      {"Print", 99, 31, S3([](QPainter& p, const QRectF& r) { Printer(p, r); })},
      {"Constante", 99, 30, S3([](QPainter& p, const QRectF& r) {
         Page(p, R(Sq(r), .1, 0, .8, 1), false);
         Text(p, R(Sq(r), .1, .15, .8, .85), QString(QChar(0x3C0)), kBlue, Sq(r).height() * .6);
       })},
      {"Config", 105, 31, S3([](QPainter& p, const QRectF& r) { Gear(p, r, kSteel); })},
      {"Avansat", 105, 31, S3([](QPainter& p, const QRectF& r) {
         Gear(p, R(Sq(r), 0, .2, .8, .8), kSteel);
         Arrow(p, R(Sq(r), .5, 0, .5, .5), -90, kGreen);
       })},
      {"PrnSetup", 99, 31, S3([](QPainter& p, const QRectF& r) {
         Printer(p, R(Sq(r), 0, 0, .85, .85));
         Gear(p, R(Sq(r), .5, .5, .5, .5), kGold);
       })},
      {"Cancel", 70, 22, S3([](QPainter& p, const QRectF& r) {
         Disc(p, r, kRed, "");
         Cross(p, R(Sq(r), .2, .2, .6, .6), Qt::white);
       })},
      {"Exit", 69, 26, S3([](QPainter& p, const QRectF& r) { Door(p, r, false); })},
      {"Save", 78, 23, S3([](QPainter& p, const QRectF& r) { Floppy(p, r); })},
      {"Vizual", 99, 31, S3([](QPainter& p, const QRectF& r) { Eye(p, r); })},
      {"Retry", 99, 31, S3([](QPainter& p, const QRectF& r) { Retry(p, r); })},
      {"BigExit", 78, 43, S3([](QPainter& p, const QRectF& r) { Door(p, r, true); })},
      {"Add", 90, 30, S3([](QPainter& p, const QRectF& r) {
         Page(p, R(Sq(r), .05, 0, .7, 1));
         PlusSign(p, R(Sq(r), .45, .45, .55, .55), kGreen);
       })},
      {"Delete", 78, 32, S3([](QPainter& p, const QRectF& r) { Trash(p, r); })},
      {"BUnelte", 99, 31, S3([](QPainter& p, const QRectF& r) {
         Gear(p, R(Sq(r), 0, 0, .7, .7), kSteel);
         p.setPen(Pen(kBrown, Sq(r).width() * .14));
         p.drawLine(P(Sq(r), .45, .95), P(Sq(r), .95, .45));
       })},
      {"Grafic", 99, 31, S3([](QPainter& p, const QRectF& r) { Chart(p, r); })},
      {"Tab", 234, 34,
       [](int w, int h) { return Face(w, h, C(200, 205, 215), C(250, 220, 150), true); }},
      {"MenuTabCtrlFace120", 360, 31,
       [](int w, int h) { return Face(w, h, C(90, 120, 170), C(250, 200, 90), true); }},
      {"TabCtrlFace", 360, 28,
       [](int w, int h) { return Face(w, h, C(190, 196, 208), C(250, 220, 150), true); }},
      {"SagRight", 33, 13, S3(ArrowOf(0, kInk))},
      {"SagUp", 33, 13, S3(ArrowOf(-90, kInk))},
      {"SagDown", 33, 13, S3(ArrowOf(90, kInk))},
      {"SagLeft", 33, 13, S3(ArrowOf(180, kInk))},
      {"nPrev", 30, 17, S3(TriOf(180, false, false))},
      {"nNext", 30, 17, S3(TriOf(0, false, false))},
      {"nLast", 48, 17, S3(TriOf(0, true, false))},
      {"nFirst", 45, 17, S3(TriOf(180, true, false))},
      {"FirstPag", 66, 9, S3(TriOf(180, true, true))},
      {"LastPag", 66, 9, S3(TriOf(0, true, true))},
      {"PrevPag", 54, 9, S3(TriOf(180, false, true))},
      {"NextPag", 54, 9, S3(TriOf(0, false, true))},
      {"StopModi", 68, 51, S1([](QPainter& p, const QRectF& r) {
         const QRectF s = Sq(r);
         QPolygonF oct;
         for (int i = 0; i < 8; ++i) {
           const double a = (i * 45 + 22.5) * M_PI / 180;
           oct << QPointF(s.center().x() + s.width() / 2 * std::cos(a),
                          s.center().y() + s.height() / 2 * std::sin(a));
         }
         p.setPen(Pen(Qt::white, 2));
         p.setBrush(kRed);
         p.drawPolygon(oct);
         Text(p, s, "STOP", Qt::white, s.height() * .3);
       })},
      {"Anulat", 92, 52, S1([](QPainter& p, const QRectF& r) {
         p.translate(r.center());
         p.rotate(-12);
         p.translate(-r.center());
         const QRectF b = r.adjusted(8, 12, -8, -12);
         p.setPen(Pen(kRed, 2.5));
         p.setBrush(Qt::NoBrush);
         p.drawRoundedRect(b, 4, 4);
         p.drawRoundedRect(b.adjusted(3, 3, -3, -3), 2, 2);
         Text(p, b, "ANULAT", kRed, b.height() * .55);
       })},
      {"Warning", 86, 53, [](int w, int h) { return MessageIconArt(w, h, 0); }},
      {"Information", 86, 53, [](int w, int h) { return MessageIconArt(w, h, 2); }},
      {"Error", 86, 53, [](int w, int h) { return MessageIconArt(w, h, 1); }},
      {"Confirmation", 86, 53, [](int w, int h) { return MessageIconArt(w, h, 3); }},
      {"SiglaWhiteL", 286, 40, S1(Logo(C(240, 240, 240), C(250, 250, 250), false))},
      {"SiglaBlackL", 286, 40, S1(Logo(C(40, 40, 40), C(20, 20, 20), false))},
      {"SiglaWhiteR", 76, 40, S1(Logo(C(240, 240, 240), C(250, 250, 250), true))},
      {"SiglaBlackR", 76, 40, S1(Logo(C(40, 40, 40), C(20, 20, 20), true))},
      // The folder pickers' small buttons (21 x 21 at 96 pixels per inch): three 16 x 16 frames.
      {"Dosar", 48, 16,
       S3([](QPainter& p, const QRectF& r) { Folder(p, r.adjusted(-1, 0, 1, 1)); })},
  };
}
