// Draws the installer's pictures (backdrop and finish page) and writes them as PNG files into the
// folder given on the command line. Run by hand when the artwork changes; the PNGs are committed.
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>

namespace {

const QColor kBackdrop(8, 74, 140);

// Footbridges over water, in light lines on a transparent ground.
QImage Pasarele() {
  QImage img(446, 218, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  // Water: soft bands fading out at the sides.
  for (int i = 0; i < 6; ++i) {
    QLinearGradient g(0, 0, 446, 0);
    QColor c(150, 200, 255, 70 - i * 9);
    g.setColorAt(0, Qt::transparent);
    g.setColorAt(0.5, c);
    g.setColorAt(1, Qt::transparent);
    p.setPen(QPen(QBrush(g), 2));
    int y = 176 + i * 7;
    p.drawLine(30 + i * 12, y, 416 - i * 12, y);
  }
  // Three arches, the middle one nearest.
  struct Arch {
    double x0, x1, top, deck, width;
    int alpha;
  };
  const Arch arches[] = {
      {18, 170, 96, 80, 2.0, 150}, {276, 428, 96, 80, 2.0, 150}, {92, 354, 40, 22, 3.2, 255}};
  for (const Arch& a : arches) {
    QColor line(235, 245, 255, a.alpha);
    QColor cable(255, 206, 84, a.alpha);
    const double water = 172;
    QPainterPath arch;
    arch.moveTo(a.x0, water);
    arch.cubicTo(a.x0 + (a.x1 - a.x0) * 0.2, a.top - 18, a.x1 - (a.x1 - a.x0) * 0.2, a.top - 18,
                 a.x1, water);
    p.setPen(QPen(line, a.width, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arch);
    // Deck and hangers from the arch to the deck.
    const double deck = a.deck + 52;
    p.drawLine(QPointF(a.x0 - 10, deck), QPointF(a.x1 + 10, deck));
    p.setPen(QPen(cable, a.width * 0.45));
    for (int k = 1; k < 12; ++k) {
      double t = k / 12.0;
      QPointF on = arch.pointAtPercent(t);
      if (on.y() < deck - 2) p.drawLine(on, QPointF(on.x(), deck));
    }
    // Piers.
    p.setPen(QPen(line, a.width * 1.4));
    p.drawLine(QPointF(a.x0 + 4, deck), QPointF(a.x0 + 4, water));
    p.drawLine(QPointF(a.x1 - 4, deck), QPointF(a.x1 - 4, water));
  }
  // Lights on the nearest deck.
  for (int k = 0; k < 14; ++k) {
    QRadialGradient glow(QPointF(100 + k * 19, 74), 6);
    glow.setColorAt(0, QColor(255, 236, 160, 230));
    glow.setColorAt(1, Qt::transparent);
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(100 + k * 19, 74), 6, 6);
  }
  return img;
}

// A "software" plate with a small chart of columns.
QImage Software() {
  QImage img(197, 70, QImage::Format_ARGB32_Premultiplied);
  img.fill(kBackdrop);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QRectF plate(4, 8, 189, 54);
  QLinearGradient g(plate.topLeft(), plate.bottomLeft());
  g.setColorAt(0, QColor(255, 214, 92));
  g.setColorAt(1, QColor(226, 140, 20));
  p.setPen(QPen(QColor(255, 240, 200), 1.5));
  p.setBrush(g);
  p.drawRoundedRect(plate, 9, 9);
  // Columns of a bar chart, rising.
  const int heights[] = {12, 19, 15, 27, 34};
  for (int i = 0; i < 5; ++i) {
    QRectF bar(16 + i * 9, 54 - heights[i], 6, heights[i]);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(8, 74, 140));
    p.drawRect(bar);
  }
  QFont f("DejaVu Sans");
  f.setPixelSize(25);
  f.setBold(true);
  f.setLetterSpacing(QFont::AbsoluteSpacing, 1);
  p.setFont(f);
  p.setPen(QColor(90, 40, 0, 120));
  p.drawText(QRectF(63, 10, 130, 50), Qt::AlignVCenter | Qt::AlignLeft, "software");
  p.setPen(QColor(8, 50, 100));
  p.drawText(QRectF(62, 9, 130, 50), Qt::AlignVCenter | Qt::AlignLeft, "software");
  return img;
}

// A fur cap with an "i" badge: the way to the release notes.
QImage CaciulaI() {
  QImage img(65, 45, QImage::Format_ARGB32_Premultiplied);
  img.fill(kBackdrop);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  // Crown of the cap.
  QPainterPath crown;
  crown.moveTo(8, 34);
  crown.cubicTo(6, 14, 20, 4, 31, 4);
  crown.cubicTo(44, 4, 54, 14, 52, 34);
  crown.closeSubpath();
  QLinearGradient fur(0, 4, 0, 34);
  fur.setColorAt(0, QColor(96, 64, 40));
  fur.setColorAt(1, QColor(48, 30, 18));
  p.setPen(QPen(QColor(30, 18, 10), 1));
  p.setBrush(fur);
  p.drawPath(crown);
  // Curls of the fur.
  p.setPen(QPen(QColor(140, 100, 66), 1.2));
  for (int row = 0; row < 3; ++row)
    for (int k = 0; k < 5 - (row == 0); ++k)
      p.drawArc(QRectF(12 + k * 7 + (row % 2) * 3.5, 10 + row * 7, 6, 5), 0, 180 * 16);
  // Brim.
  QLinearGradient brim(0, 30, 0, 40);
  brim.setColorAt(0, QColor(230, 226, 214));
  brim.setColorAt(1, QColor(176, 168, 150));
  p.setBrush(brim);
  p.setPen(QPen(QColor(120, 110, 95), 1));
  p.drawRoundedRect(QRectF(4, 30, 52, 10), 5, 5);
  // The "i" badge.
  p.setBrush(QColor(255, 196, 40));
  p.setPen(QPen(Qt::white, 1.5));
  p.drawEllipse(QPointF(52, 12), 10, 10);
  QFont f("DejaVu Serif");
  f.setPixelSize(15);
  f.setBold(true);
  p.setFont(f);
  p.setPen(QColor(8, 50, 100));
  p.drawText(QRectF(42, 2, 20, 20), Qt::AlignCenter, "i");
  return img;
}

// The finish page: a screen with the program running and a green check.
QImage Finish() {
  QImage img(128, 80, QImage::Format_ARGB32_Premultiplied);
  img.fill(QColor(152, 165, 177));  // the page colour 11642264
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  // Monitor.
  p.setPen(QPen(QColor(40, 40, 48), 2));
  p.setBrush(QColor(60, 62, 70));
  p.drawRoundedRect(QRectF(14, 8, 84, 56), 4, 4);
  QLinearGradient screen(0, 12, 0, 58);
  screen.setColorAt(0, QColor(40, 110, 190));
  screen.setColorAt(1, QColor(8, 74, 140));
  p.setPen(Qt::NoPen);
  p.setBrush(screen);
  p.drawRect(QRectF(19, 13, 74, 45));
  // A ledger on the screen: rows and columns.
  p.setPen(QPen(QColor(230, 240, 255, 200), 1));
  for (int r = 0; r < 5; ++r) p.drawLine(QPointF(24, 20 + r * 8), QPointF(88, 20 + r * 8));
  p.drawLine(QPointF(50, 18), QPointF(50, 54));
  p.drawLine(QPointF(70, 18), QPointF(70, 54));
  // Stand.
  p.setBrush(QColor(60, 62, 70));
  p.drawRect(QRectF(50, 64, 12, 6));
  p.drawRoundedRect(QRectF(40, 70, 32, 4), 2, 2);
  // The check in a green disc.
  QRadialGradient disc(QPointF(100, 48), 22);
  disc.setColorAt(0, QColor(120, 220, 110));
  disc.setColorAt(1, QColor(30, 140, 50));
  p.setBrush(disc);
  p.setPen(QPen(Qt::white, 2));
  p.drawEllipse(QPointF(100, 48), 19, 19);
  QPainterPath check;
  check.moveTo(90, 48);
  check.lineTo(97, 56);
  check.lineTo(111, 39);
  p.setPen(QPen(Qt::white, 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(check);
  return img;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: mkart FOLDER\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  bool ok = Pasarele().save(dir + "/pasarele.png") && Software().save(dir + "/software.png") &&
            CaciulaI().save(dir + "/caciula_i.png") && Finish().save(dir + "/finish.png");
  return ok ? 0 : 1;
}
