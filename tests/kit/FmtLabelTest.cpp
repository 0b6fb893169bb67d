// The formatted label: its mark-up, growth, placement, shadow and blinking.
#include <gtest/gtest.h>

#include <QDir>
#include <QFontMetrics>
#include <QTest>

#include "common/TestMachine.h"
#include "kit/Actives.h"

namespace {

QString Describe(const QList<TFmtLine>& lines) {
  QStringList out;
  for (const TFmtLine& line : lines) {
    QStringList runs;
    for (const TFmtRun& r : line) {
      QString flags;
      if (r.Font.bold()) flags += 'b';
      if (r.Font.italic()) flags += 'i';
      if (r.Shadow) flags += 's';
      if (r.Blink) flags += 'k';
      if (r.Font.pointSize() != 10) flags += QString::number(r.Font.pointSize());
      if (r.Color != clBlack) flags += QString("#%1").arg(quint32(r.Color), 0, 16);
      runs << r.Text + (flags.isEmpty() ? "" : "/" + flags);
    }
    out << runs.join('|');
  }
  return out.join(" // ");
}

QFont PlainFont() {
  QFont f("DejaVu Sans");
  f.setPointSize(10);
  f.setStyleStrategy(QFont::NoAntialias);
  return f;
}

int CountPixels(const QImage& image, QRgb rgb) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF)) ++n;
  return n;
}

}  // namespace

TEST(FmtLabel, MarkUp) {
  const struct {
    const char* caption;
    const char* runs;
  } cases[] = {
      {"A$2B$0C", "A|B/b|C"},
      {"$2$1X", "X/i"},
      {"&14Big@9Red", "Big/14|Red/14#ff"},
      {"\\$5", "$5"},
      {"\\x", "\\x"},
      {"a\r\nb", "a // \nb"},
      {"$x&y@z", "xyz"},   // a code without a number is dropped
      {"$7a", "a"},        // a style number with no meaning changes nothing
      {"@37a@99b", "ab"},  // past the colour table: ignored
      {"%\xfc", "\xfc/s"},
      {"~Blink~ on", "Blink/k| on"},
      {"@16x", "x/#ff000000"},               // the first system colour
      {"&72a&73b&7528c", "a/72|b/72|c/72"},  // sizes past the largest are the largest
      {"", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Describe(ParseFmtCaption(QString::fromLatin1(c.caption), PlainFont(), clBlack)),
              QString::fromLatin1(c.runs))
        << c.caption;
}

TEST(FmtLabel, GrowsToItsTextNeverShrinks) {
  for (TAlignment alignment : {taLeftJustify, taCenter, taRightJustify}) {
    TFmtLabel label;
    label.setFont(PlainFont());
    label.setAlignment(alignment);
    label.resize(5, 5);
    label.setCaption("ii\rWWWWWW");
    label.grab();
    QFontMetrics fm(PlainFont());
    EXPECT_EQ(label.width(), fm.horizontalAdvance("WWWWWW"));
    EXPECT_EQ(label.height(), 2 * fm.height());
  }
  TFmtLabel wide;
  wide.setFont(PlainFont());
  wide.resize(400, 60);
  wide.setCaption("x");
  wide.grab();
  EXPECT_EQ(wide.size(), QSize(400, 60));
}

TEST(FmtLabel, AHugeSizeCodeGrowsTheLabelOnlyToTheLargestSize) {
  TFmtLabel label;
  label.setFont(PlainFont());
  label.resize(5, 5);
  label.setCaption("&7528Mare");
  label.grab();
  QFont largest = PlainFont();
  largest.setPointSize(kFmtMaxPointSize);
  QFontMetrics fm(largest);
  EXPECT_EQ(label.size(), QSize(fm.horizontalAdvance("Mare"), fm.height()));
}

TEST(FmtLabel, PlacesItselfInItsParent) {
  QWidget parent;
  parent.resize(300, 100);
  auto* label = new TFmtLabel(&parent);
  QFont small = PlainFont();
  small.setPixelSize(10);
  label->setFont(small);
  label->setGeometry(40, 10, 60, 17);
  label->setCaption("jos");
  label->setAlign(alMBottom);
  parent.grab();
  EXPECT_EQ(label->y(), 82);
  label->setAlign(alMRight);
  parent.grab();
  EXPECT_EQ(label->x(), 300 - 60 - 2);
  label->setAlign(alMCenter);
  parent.grab();
  EXPECT_EQ(label->pos(), QPoint(120, 41));
}

TEST(FmtLabel, EmptyCaptionPaintsOnlyTheBackground) {
  TFmtLabel label;
  label.resize(30, 20);
  label.setColor(clGrid);
  QImage image = label.grab().toImage();
  EXPECT_EQ(CountPixels(image, qRgb(223, 223, 223)), 30 * 20);
}

TEST(FmtLabel, ShadowIsOnePixelRightAndDown) {
  TFmtLabel label;
  label.setFont(PlainFont());
  label.setColor(clWhite);
  label.setShadowColor(clRed);
  label.setFontColor(clBlack);
  label.setCaption("%I");  // a vertical bar: its shadow shows right of it
  QImage image = label.grab().toImage();
  EXPECT_GT(CountPixels(image, qRgb(255, 0, 0)), 0);
  EXPECT_GT(CountPixels(image, qRgb(0, 0, 0)), 0);
  // Every black pixel's shadow lands one right and one down (or under the text itself).
  for (int y = 0; y + 1 < image.height(); ++y)
    for (int x = 0; x + 1 < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) == 0) {
        QRgb s = image.pixel(x + 1, y + 1) & 0xFFFFFF;
        EXPECT_TRUE(s == 0xFF0000 || s == 0) << x << "," << y;
      }
}

TEST(FmtLabel, BlinkingHidesAndShowsUntilTheNextPaint) {
  TFmtLabel label;
  label.setFont(PlainFont());
  label.setColor(clWhite);
  label.setFontColor(clBlack);
  label.setCaption("~Blink");
  label.show();
  QImage shown = label.grab().toImage();
  ASSERT_EQ(label.BlinkList().size(), 1);
  EXPECT_GT(CountPixels(shown, qRgb(0, 0, 0)), 0);

  QTRY_VERIFY_WITH_TIMEOUT(label.BlinkList().first()->FBlinkOn, 1000);
  EXPECT_EQ(CountPixels(label.grab().toImage(), qRgb(0, 0, 0)), 0) << "hidden after a tick";
  QTRY_VERIFY_WITH_TIMEOUT(!label.BlinkList().first()->FBlinkOn, 1000);
  EXPECT_EQ(label.grab().toImage(), shown) << "shown again after the next";

  label.setCaption("Steady");
  label.grab();
  EXPECT_TRUE(label.BlinkList().isEmpty());
}

TEST(FmtLabel, PictureForReview) {
  QWidget panel;
  panel.resize(360, 90);
  panel.setStyleSheet("background: #d9e2e6");
  auto* label = new TFmtLabel(&panel);
  label->setGeometry(8, 8, 10, 10);
  label->setTransparent(true);
  label->setShadowColor(clSilver);
  label->setCaption(
      QString::fromLatin1("A$2B$0C &14Big@9Red\r$3@4%Umbra% ~clipeste~ \\$5 \\x\r@2\xfc gata"));
  panel.grab();  // the first drawing grows the label; the picture is the one after it
  EXPECT_GT(label->width(), 200);
  EXPECT_TRUE(panel.grab().save(ArtifactPath("fmtlabel.png")));
}
