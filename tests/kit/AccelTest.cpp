// The kit's caption drawing: the accelerator character in its highlight colour, alignment, and
// the embossed disabled look.
#include <gtest/gtest.h>

#include <QDir>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "common/TestMachine.h"
#include "kit/Actives.h"

namespace {

QFont PlainFont() {
  QFont f("DejaVu Sans");
  f.setPixelSize(14);
  f.setStyleStrategy(QFont::NoAntialias);
  return f;
}

struct Drawn {
  QImage image{200, 24, QImage::Format_RGB32};
  Drawn() { image.fill(Qt::white); }
  // The columns and rows where a colour was drawn.
  QRect Extent(QRgb rgb) const {
    QRect r;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if ((image.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF)) r |= QRect(x, y, 1, 1);
    return r;
  }
};

Drawn Caption(const QString& text, bool focused, unsigned format) {
  Drawn d;
  QPainter p(&d.image);
  p.setFont(PlainFont());
  TCanvas canvas{&p, clBlack};
  DrawAccelCaption(canvas, text, QRect(0, 0, 200, 24), focused, clRed, format);
  return d;
}

}  // namespace

TEST(AccelCaption, AcceleratorInHighlightColour) {
  QFontMetrics fm(PlainFont());
  Drawn d = Caption("&Continua", false, DT_SINGLELINE);
  QRect red = d.Extent(qRgb(255, 0, 0)), black = d.Extent(qRgb(0, 0, 0));
  ASSERT_FALSE(red.isEmpty());
  ASSERT_FALSE(black.isEmpty());
  EXPECT_LT(red.right(), fm.horizontalAdvance("C") + 1) << "only the C is red";
  EXPECT_GT(black.left(), red.left());

  Drawn middle = Caption("I&esire", false, DT_SINGLELINE);
  QRect e = middle.Extent(qRgb(255, 0, 0));
  EXPECT_GE(e.left(), fm.horizontalAdvance("I") - 1) << "the e after the I";
  EXPECT_LE(e.right(), fm.horizontalAdvance("Ie") + 1);
}

TEST(AccelCaption, PiecesFollowEachOtherWithoutGaps) {
  // The caption in three pieces ends where the same text drawn in one piece ends, whether the
  // accelerator opens it, sits inside it or has the focus.
  QFont font("DejaVu Sans");
  font.setPixelSize(11);  // the pages' size, where rounding each piece up showed as a gap
  font.setStyleStrategy(QFont::NoAntialias);
  for (const char* text : {" &LOCAL     - programul", " CLIEN&T    - programul"}) {
    for (bool focused : {false, true}) {
      Drawn whole, pieces;
      {
        QPainter p(&whole.image);
        p.setFont(font);
        TCanvas canvas{&p, clBlack};
        QRect r(0, 0, 200, 24);
        DrawText(canvas, QString(text).remove('&'), r, DT_SINGLELINE | DT_NOPREFIX);
      }
      {
        QPainter p(&pieces.image);
        p.setFont(font);
        TCanvas canvas{&p, clBlack};
        DrawAccelCaption(canvas, text, QRect(0, 0, 200, 24), focused, clBlack, DT_SINGLELINE);
      }
      EXPECT_NEAR(pieces.Extent(qRgb(0, 0, 0)).right(), whole.Extent(qRgb(0, 0, 0)).right(), 1)
          << text << (focused ? " focused" : "");
    }
  }
}

TEST(AccelCaption, FocusedUnderlinesTheAccelerator) {
  Drawn plain = Caption("&Da", false, DT_SINGLELINE);
  Drawn focused = Caption("&Da", true, DT_SINGLELINE);
  EXPECT_GT(focused.Extent(qRgb(255, 0, 0)).bottom(), plain.Extent(qRgb(255, 0, 0)).bottom())
      << "an underline below the D";
}

TEST(AccelCaption, AlignmentAndNoAccelerator) {
  QFontMetrics fm(PlainFont());
  const int width = fm.horizontalAdvance("Abandon") + 2;
  Drawn centred = Caption("&Abandon", false, DT_SINGLELINE | DT_CENTER);
  EXPECT_NEAR(centred.Extent(qRgb(255, 0, 0)).left(), (200 - width) / 2, 2);
  Drawn right = Caption("&Abandon", false, DT_SINGLELINE | DT_RIGHT);
  EXPECT_NEAR(right.Extent(qRgb(0, 0, 0)).right(), 200 - 3, 2);

  Drawn none = Caption("Fara", false, DT_SINGLELINE);
  EXPECT_TRUE(none.Extent(qRgb(255, 0, 0)).isEmpty());
  EXPECT_FALSE(none.Extent(qRgb(0, 0, 0)).isEmpty());
}

TEST(AccelCaption, HighlightEqualToTheFontColourTogglesTheUnderline) {
  Drawn d;
  QPainter p(&d.image);
  p.setFont(PlainFont());
  TCanvas canvas{&p, clBlack};
  DrawAccelCaption(canvas, "&Nu", QRect(0, 0, 200, 24), false, clBlack, DT_SINGLELINE);
  p.end();
  Drawn plain;
  QPainter q(&plain.image);
  q.setFont(PlainFont());
  TCanvas c2{&q, clBlack};
  QRect all(0, 0, 200, 24);
  DrawText(c2, "Nu", all, DT_SINGLELINE | DT_NOPREFIX);
  q.end();
  EXPECT_GT(d.Extent(qRgb(0, 0, 0)).bottom(), plain.Extent(qRgb(0, 0, 0)).bottom());
  EXPECT_EQ(canvas.FontColor, clBlack) << "the colour is put back";
}

TEST(AccelCaption, DisabledTextIsEmbossed) {
  Drawn d;
  d.image.fill(QColor(212, 208, 200));
  QPainter p(&d.image);
  p.setFont(PlainFont());
  TCanvas canvas{&p, clBlack};
  DrawDisabledText(canvas, QRect(4, 2, 190, 20), "Inactiv", DT_SINGLELINE);
  p.end();
  QRect white = d.Extent(qRgb(255, 255, 255)), grey = d.Extent(qRgb(128, 128, 128));
  ASSERT_FALSE(white.isEmpty());
  ASSERT_FALSE(grey.isEmpty());
  EXPECT_EQ(white.bottomRight(), grey.bottomRight() + QPoint(1, 1));
  EXPECT_EQ(canvas.FontColor, clBlack);
  d.image.save(ArtifactPath("disabled-text.png"));
}

TEST(AccelCaption, CalcRectMeasuresWithoutDrawing) {
  Drawn d;
  QPainter p(&d.image);
  p.setFont(PlainFont());
  TCanvas canvas{&p, clBlack};
  QRect r(10, 5, 0, 0);
  DrawText(canvas, "&Renunt", r, DT_SINGLELINE | DT_CALCRECT);
  p.end();
  EXPECT_EQ(r.topLeft(), QPoint(10, 5));
  EXPECT_EQ(r.width(), QFontMetrics(PlainFont()).horizontalAdvance("Renunt"));
  EXPECT_TRUE(d.Extent(qRgb(0, 0, 0)).isEmpty());
}
