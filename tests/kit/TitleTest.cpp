// The title bar's painting and setters, and the transparent image.
#include <gtest/gtest.h>

#include <QPainter>
#include <QTest>

#include "KitArtifacts.h"
#include "kit/Title.h"
#include "kit/Transimg.h"
#include "kit/dlgform2.h"

namespace {

// Counts the paint events a widget receives.
struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints;
    return false;
  }
};

class HighColorScope {
 public:
  explicit HighColorScope(bool high) : saved_(HighColor) { HighColor = high; }
  ~HighColorScope() { HighColor = saved_; }

 private:
  bool saved_;
};

}  // namespace

TEST(TitleBar, Defaults) {
  QWidget form;
  TTitleBar bar(&form);
  EXPECT_EQ(bar.height(), 25);
  EXPECT_EQ(bar.StartColor(), 5058564u);
  EXPECT_EQ(bar.EndColor(), 15724527u);
  EXPECT_EQ(bar.CaptionColor(), clBlack);
  EXPECT_TRUE(bar.font().bold());
  EXPECT_EQ(bar.font().pointSize(), 10);
  EXPECT_EQ(bar.Scara, 1.0);
  form.show();
  bar.resize(300, 25);
  EXPECT_EQ(bar.IconSpace, 10);
  EXPECT_EQ(bar.FWidth, 280);
  bar.SetIconStyle(isSearch);
  EXPECT_EQ(bar.IconSpace, 56 / 2 + 15);
  EXPECT_EQ(bar.FWidth, 300 - 43 - 10);
}

TEST(TitleBar, GradientColumns) {
  HighColorScope high(true);
  QWidget form;
  TTitleBar bar(&form);
  bar.SetStartColor(clBlack);
  bar.SetEndColor(clWhite);
  bar.resize(300, 25);
  const QImage img = Grab(&bar);
  EXPECT_TRUE(img.save(KitArtifact("gradient-300.png")));
  EXPECT_EQ(img.pixelColor(0, 12), QColor(0, 0, 0));
  EXPECT_EQ(img.pixelColor(150, 12), QColor(128, 128, 128));
  EXPECT_EQ(img.pixelColor(299, 12), QColor(255, 255, 255));
  EXPECT_EQ(img.pixelColor(150, 0), img.pixelColor(150, 24)) << "a column is one colour";
  // The arithmetic by itself, channel by channel and downwards too.
  EXPECT_EQ(TTitleBar::GradientColor(RGB(0, 255, 10), RGB(255, 0, 10), 150, 300),
            RGB(128, 128, 10));
  EXPECT_EQ(TTitleBar::GradientColor(RGB(0, 255, 10), RGB(255, 0, 10), 1, 300),
            RGB(1, 255, 10));  // ceil(-0.85) = 0
  EXPECT_EQ(TTitleBar::GradientColor(RGB(0, 0, 0), RGB(255, 255, 255), 20, 300), RGB(17, 17, 17))
      << "an exact product is not pushed up";
}

TEST(TitleBar, SolidWithEqualColoursOrInLowColour) {
  QWidget form;
  TTitleBar bar(&form);
  bar.resize(200, 25);
  for (bool high : {true, false}) {
    HighColorScope mode(high);
    bar.SetStartColor(7891292);
    bar.SetEndColor(high ? 7891292 : 15724527);
    const QImage img = Grab(&bar);
    EXPECT_EQ(img.pixelColor(0, 0), ToQColor(7891292)) << high;
    EXPECT_EQ(img.pixelColor(199, 24), ToQColor(7891292)) << high;
  }
  // The message dialog's bar in low-colour mode.
  HighColorScope low(false);
  bar.SetStartColor(8540422);
  bar.SetEndColor(15724527);
  EXPECT_EQ(Grab(&bar).pixelColor(199, 0), QColor(6, 81, 130));
}

TEST(TitleBar, LongCaptionIsCutFivePixelsBeforeTheEdge) {
  QWidget form;
  TTitleBar bar(&form);
  bar.resize(200, 25);
  bar.SetStartColor(clWhite);
  bar.SetEndColor(clWhite);
  bar.SetCaption("MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM");
  const QImage img = Grab(&bar);
  int rightmost = -1, leftmost = 1000;
  for (int y = 0; y < 25; ++y)
    for (int x = 0; x < 200; ++x)
      if (img.pixelColor(x, y) != QColor(Qt::white)) {
        rightmost = std::max(rightmost, x);
        leftmost = std::min(leftmost, x);
      }
  EXPECT_EQ(leftmost >= 15 && leftmost <= 17, true) << leftmost;
  EXPECT_GE(rightmost, 190);
  EXPECT_LE(rightmost, 194) << "cut at 195, five pixels before the edge";
}

TEST(TitleBar, SettersRepaintOnlyOnChange) {
  QWidget form;
  form.resize(300, 60);
  TTitleBar bar(&form);
  bar.resize(300, 25);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  // A sibling repainted on purpose: once its paint arrives, every paint the bar had pending has
  // arrived too, since a window paints what is dirty in one go.
  QWidget sibling(&form);
  sibling.setGeometry(0, 30, 300, 25);
  sibling.show();
  PaintCounter counter, siblingCounter;
  bar.installEventFilter(&counter);
  sibling.installEventFilter(&siblingCounter);
  bar.SetCaption("Tipul instalarii");
  EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints >= 1; }));
  counter.paints = siblingCounter.paints = 0;
  bar.SetCaption("Tipul instalarii");
  bar.SetStartColor(bar.StartColor());
  bar.SetEndColor(bar.EndColor());
  bar.SetVertical(false);
  bar.SetGrayed(false);
  sibling.update();
  ASSERT_TRUE(QTest::qWaitFor([&] { return siblingCounter.paints >= 1; }));
  EXPECT_EQ(counter.paints, 0);
  bar.SetGrayed(true);
  EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints >= 1; }));
}

TEST(TitleBar, GrayedCaptionIsGrey) {
  QWidget form;
  TTitleBar bar(&form);
  bar.resize(200, 25);
  bar.SetStartColor(clWhite);
  bar.SetEndColor(clWhite);
  bar.SetCaptionColor(clRed);
  bar.SetCaption("Wg");
  bar.SetGrayed(true);
  const QImage img = Grab(&bar);
  bool grey = false, red = false;
  for (int y = 0; y < 25; ++y)
    for (int x = 0; x < 60; ++x) {
      grey |= img.pixelColor(x, y) == QColor(128, 128, 128);
      red |= img.pixelColor(x, y) == QColor(255, 0, 0);
    }
  EXPECT_TRUE(grey);
  EXPECT_FALSE(red);
}

TEST(TransImage, KindPrecedenceAndSize) {
  QWidget parent;
  TTransImage img(&parent);
  EXPECT_EQ(img.size(), QSize(24, 24));
  QImage own(10, 7, QImage::Format_RGB32);
  own.fill(Qt::blue);

  img.SetKindMare(mtError);
  img.SetBitmap(own);
  EXPECT_EQ(img.KindMare(), mtCustom);
  EXPECT_EQ(img.Shown().size(), QSize(10, 7));
  EXPECT_EQ(img.size(), QSize(10, 7));

  img.SetKindMare(mtError);
  EXPECT_EQ(&img.Shown(), &Mesaj->Picture("Error"));
  EXPECT_EQ(img.size(), QSize(86, 53));

  img.SetKindMic(mkOK);
  EXPECT_EQ(img.KindMare(), mtCustom);
  EXPECT_EQ(&img.Shown(), &Mesaj->Picture("OK"));
  img.SetKindAlte(glCheck);
  EXPECT_EQ(img.KindMic(), mkCustom);
  EXPECT_EQ(img.size(), QSize(66, 15));

  // Back to the own bitmap; an empty kind picture then leaves the size alone.
  img.SetKindMare(mtCustom);
  EXPECT_EQ(img.size(), QSize(10, 7));
  img.SetKindMic(mkIgnore);
  EXPECT_TRUE(img.Shown().isNull());
  EXPECT_EQ(img.size(), QSize(10, 7));
}

TEST(TransImage, TransparencyAndVisibility) {
  QWidget parent;
  parent.resize(40, 40);
  parent.setAutoFillBackground(true);
  QPalette pal;
  pal.setColor(QPalette::Window, Qt::green);
  parent.setPalette(pal);
  TTransImage img(&parent);
  QImage own(4, 4, QImage::Format_RGB32);
  own.fill(Qt::white);  // the top-left colour: transparent
  own.setPixel(2, 2, qRgb(255, 0, 0));
  img.SetBitmap(own);
  QImage shot = Grab(&parent);
  EXPECT_EQ(shot.pixelColor(0, 0), QColor(Qt::green));
  EXPECT_EQ(shot.pixelColor(2, 2), QColor(Qt::red));
  img.SetTransparent(false);
  shot = Grab(&parent);
  EXPECT_EQ(shot.pixelColor(0, 0), QColor(Qt::white));
  img.SetVisible(false);
  shot = Grab(&parent);
  EXPECT_EQ(shot.pixelColor(2, 2), QColor(Qt::green));
  EXPECT_EQ(img.geometry(), QRect(0, 0, 4, 4)) << "the control stays in place";
}
