// The kit's buttons: kinds, the click order, hot tracking, the pressed pulse, the looks; and the
// copy pages' gauge.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPainter>
#include <QTest>

#include "common/ScriptedUser.h"
#include "kit/Actives.h"
#include "kit/Cliunit.h"
#include "kit/Gauges.h"
#include "kit/KitArtifacts.h"
#include "kit/Mbuttons.h"
#include "kit/dlgform2.h"

namespace {

TEST(ButtonKinds, DefaultsPerKind) {
  const struct {
    TMButtonKind kind;
    const char* caption;
    int result;
    const char* picture;      // TMButton's picture
    const char* nicePicture;  // TNiceButton's
  } cases[] = {
      {mkCancel, "&Renunt", 2, "Cancel", "Cancel"},
      {mkYes, "&Da", 6, "OK", "OK"},
      {mkNo, "&Nu", 7, "Nu", "Nu"},
      {mkClose, "I&esire", 2, "Exit", "Exit"},
      {mkIgnore, "&Ignora", 5, "", "PrnSetup"},
      {mkAll, "&Toate", 12, "All", "All"},
      {mkLast, "", 0, "", ""},
      {mknNext, "", 0, "nNext", "nNext"},
      {mkAction, "?", 0, "UrmatorBlue", "UrmatorBlue"},
      {mkHelp, "S&faturi", 0, "Help", "Help"},
      {mkOK, "O&K", 1, "OK", "OK"},
      {mkFirst, "f", 0, "Buget", "Buget"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(MButtonKindName(c.kind));
    TNiceButton nice;
    nice.SetKind(c.kind);
    EXPECT_EQ(nice.Caption(), c.caption);
    EXPECT_EQ(nice.ModalResult(), c.result);
    EXPECT_EQ(nice.GlyphStrip(), Mesaj->KindGlyph(c.kind, true));
    EXPECT_EQ(KindPictureName(c.kind, true), c.nicePicture);
    TMButton plain;
    plain.SetKind(c.kind);
    EXPECT_EQ(plain.text(), c.caption);
    EXPECT_EQ(plain.ModalResult(), c.result);
    EXPECT_EQ(KindPictureName(c.kind, false), c.picture);
    EXPECT_EQ(plain.CaptionVisible(), c.kind > mkLast) << "the four navigation kinds hide it";
  }
}

TEST(ButtonKinds, SettingsMadeBeforeTheKindStay) {
  TNiceButton cancel;
  cancel.SetKind(mkCancel);
  EXPECT_EQ(cancel.Caption(), "&Renunt");
  EXPECT_EQ(cancel.ModalResult(), mrCancel);

  TNiceButton retry;
  retry.SetModalResult(4);
  retry.SetCaption("&Altul");
  retry.SetKind(mkCancel);
  EXPECT_EQ(retry.ModalResult(), 4);
  EXPECT_EQ(retry.Caption(), "&Altul");

  TMButton next;
  next.setText("&Continua");
  next.SetKind(mknNext);
  EXPECT_EQ(next.text(), "&Continua");
  EXPECT_EQ(next.GlyphStrip(), Mesaj->Picture("nNext"));
  // A TMButton takes a default caption only while it has none; a kind set twice changes nothing.
  TMButton ok;
  ok.SetKind(mkOK);
  ok.SetKind(mkCancel);
  EXPECT_EQ(ok.text(), "O&K");
  EXPECT_EQ(ok.ModalResult(), mrCancel);
}

TEST(ButtonKinds, ColourHelpers) {
  EXPECT_EQ(Lighten(RGB(100, 100, 100), 20), RGB(117, 117, 117));
  EXPECT_EQ(Lighten(RGB(250, 0, 10), 2), RGB(255, 127, 142));
  EXPECT_EQ(Lighten(clWhite, 2), clWhite);
  EXPECT_EQ(Darken(RGB(150, 150, 150), 3), RGB(100, 100, 100));
  EXPECT_EQ(Darken(RGB(1, 2, 255), 1), RGB(0, 0, 0));
  EXPECT_EQ(Darken(clBlack, 3), clBlack);
  EXPECT_EQ(Darken(RGB(9, 9, 9), 0), RGB(9, 9, 9)) << "no division by zero";
}

// The pointer moving over a widget (tracked moves, no button held).
void Move(QWidget* w, QPoint at) {
  QMouseEvent move(QEvent::MouseMove, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &move);
}

// A kit form with one button, shown.
struct Form {
  TMForm form;
  TNiceButton* button = new TNiceButton(&form);
  Form() {
    form.resize(300, 100);
    button->move(10, 10);
    form.show();
  }
};

TEST(ButtonClick, ModalResultReachesTheFormBeforeTheHandler) {
  Form f;
  f.button->SetKind(mkNo);
  int seen = -1;
  f.button->OnClick = [&](QObject*) {
    seen = f.form.ModalResult;
    f.form.ModalResult = mrNone;  // the handler may take it back
  };
  f.button->click();
  EXPECT_EQ(seen, mrNo);
  EXPECT_EQ(f.form.ModalResult, mrNone);

  // An error in the handler is shown; the form keeps the button's result.
  f.button->OnClick = [](QObject*) { throw std::runtime_error("stricat"); };
  ScriptedUser user;
  user.Then(ScriptedUser::Reject());
  f.button->click();
  EXPECT_EQ(user.Pending(), 0);
  EXPECT_EQ(f.form.ModalResult, mrNo);
}

// Enter, as the platform's push buttons take it: the focused button clicks; otherwise only a
// button declared default does. A page declares none, so Enter in its field does nothing, even
// after the focus has passed over its buttons (where Qt would promote one to default).
TEST(ButtonKeys, EnterClicksTheFocusedButtonOrOnlyADeclaredDefault) {
  enum Target { inEdit, onNext, onAbandon };
  const struct {
    const char* name;
    Target target;
    bool abandonDefault;
    int nextClicks, abandonClicks;
  } cases[] = {
      {"Enter in the field, no default button", inEdit, false, 0, 0},
      {"Enter on the focused TMButton", onNext, false, 2, 0},
      {"Enter on the focused TNiceButton", onAbandon, false, 0, 2},
      {"Enter in the field with a declared default", inEdit, true, 0, 2},
      {"Enter on another button than the declared default", onNext, true, 2, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TTitleForm form;
    form.resize(400, 120);
    auto* edit = new TActiveEdit(&form);
    edit->setGeometry(10, 10, 200, 21);
    auto* next = new TMButton(&form);
    next->setText("&Continua");
    next->setGeometry(10, 40, 67, 51);
    auto* abandon = new TNiceButton(&form);
    abandon->SetKind(mkCancel);
    abandon->SetCaption("&Abandon");
    abandon->setGeometry(250, 50, 110, 28);
    if (c.abandonDefault) abandon->setDefault(true);
    int nextClicks = 0, abandonClicks = 0;
    next->OnClick = [&](QObject*) { ++nextClicks; };
    abandon->OnClick = [&](QObject*) { ++abandonClicks; };
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form, 1000));
    // The focus passes over both buttons before it lands where the user presses Enter.
    next->setFocus(Qt::TabFocusReason);
    abandon->setFocus(Qt::TabFocusReason);
    QWidget* target = c.target == inEdit   ? static_cast<QWidget*>(edit)
                      : c.target == onNext ? static_cast<QWidget*>(next)
                                           : static_cast<QWidget*>(abandon);
    target->setFocus(Qt::TabFocusReason);
    if (c.target == inEdit) QTest::keyClicks(edit, "C:\\Zorv");
    QTest::keyClick(target, Qt::Key_Return);
    QTest::keyClick(target, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(nextClicks, c.nextClicks);
    EXPECT_EQ(abandonClicks, c.abandonClicks);
    EXPECT_EQ(form.ModalResult, c.abandonClicks ? mrCancel : mrNone);
    if (c.target == inEdit) {
      EXPECT_EQ(edit->Text(), "C:\\Zorv");
    }
    EXPECT_FALSE(next->isDefault()) << "never promoted";
  }
}

TEST(NiceButton, KeyboardClickPulsesAndMouseClickDoesNot) {
  Form f;
  f.button->SetKind(mkOK);
  QTest::keyClick(f.button, Qt::Key_Space);
  EXPECT_TRUE(f.button->ForcedDown());
  EXPECT_EQ(f.button->CurrentLook(), TNiceButton::lkPressed);
  ASSERT_TRUE(f.button->FTimer);
  EXPECT_EQ(f.button->FTimer->interval(), 20);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !f.button->ForcedDown(); }, 1000));
  EXPECT_FALSE(f.button->FTimer);

  f.button->InvisibleClick = true;
  f.button->click();
  EXPECT_FALSE(f.button->ForcedDown());
  f.button->InvisibleClick = false;

  int clicks = 0;
  f.button->OnClick = [&](QObject*) { ++clicks; };
  QTest::mouseClick(f.button, Qt::LeftButton, {}, QPoint(60, 14));
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(f.button->ForcedDown());
  EXPECT_FALSE(f.button->FTimer);
}

TEST(NiceButton, OnlyTheGlyphAndTheCaptionBandTakeThePointer) {
  Form f;
  f.button->SetKind(mkCancel);  // glyph frame 23 x 22, ending at x = 34
  Grab(f.button);               // the active area comes from the last painting
  ASSERT_EQ(f.button->GlyphWidth, 23);
  ASSERT_EQ(f.button->GlyphHeight, 22);
  const struct {
    QPoint at;
    bool clicks;
  } cases[] = {{{60, 14}, true}, {{20, 14}, true}, {{34, 14}, true},  {{99, 0}, true},
               {{2, 14}, false}, {{20, 1}, false}, {{20, 26}, false}, {{10, 14}, false}};
  for (const auto& c : cases) {
    int clicks = 0;
    f.button->OnClick = [&](QObject*) { ++clicks; };
    QTest::mouseClick(f.button, Qt::LeftButton, {}, c.at);
    EXPECT_EQ(clicks, c.clicks ? 1 : 0) << c.at.x() << "," << c.at.y();
  }
}

TEST(NiceButton, OneHotButtonInTheProcess) {
  Form f;
  auto* other = new TNiceButton(&f.form);
  other->move(150, 10);
  f.button->SetKind(mkYes);
  other->SetKind(mkNo);
  Grab(f.button);
  Grab(other);
  Move(f.button, QPoint(60, 14));
  EXPECT_EQ(TNiceButton::HotButton(), f.button);
  EXPECT_EQ(f.button->CurrentLook(), TNiceButton::lkHot);
  Move(other, QPoint(60, 14));
  EXPECT_EQ(TNiceButton::HotButton(), other);
  EXPECT_FALSE(f.button->FDrawFace);
  EXPECT_TRUE(other->FDrawFace);
  // Outside the active area it is not hot any more; disabled or gone, it is not the hot one.
  Move(other, QPoint(2, 14));
  EXPECT_EQ(TNiceButton::HotButton(), nullptr);
  Move(other, QPoint(60, 14));
  other->setEnabled(false);
  EXPECT_EQ(TNiceButton::HotButton(), nullptr);
  Move(f.button, QPoint(60, 14));
  delete f.button;
  f.button = nullptr;
  EXPECT_EQ(TNiceButton::HotButton(), nullptr);
}

TEST(NiceButton, BufferedLooksLeaveTheBackgroundOut) {
  const bool saved = Win10Style;
  Win10Style = true;
  Form f;
  Win10Style = saved;
  EXPECT_TRUE(f.button->Buffered());
  f.button->SetColor(RGB(10, 200, 30));
  f.button->SetKind(mkOK);
  Grab(f.button);
  EXPECT_TRUE(f.button->FBufferFilled);
  const QImage& normal = f.button->BufferPicture(TNiceButton::lkNormal);
  ASSERT_EQ(normal.size(), f.button->size());
  EXPECT_EQ(qAlpha(normal.pixel(0, 0)), 0) << "the background colour is transparent";
  EXPECT_NE(f.button->BufferPicture(TNiceButton::lkHot), normal);
  f.button->resize(120, 30);
  Grab(f.button);
  EXPECT_EQ(f.button->BufferPicture(TNiceButton::lkPressed).size(), QSize(120, 30));
}

TEST(MButton, DisabledCaptionInTheDarkenedColourWithoutAccelerator) {
  TMButton b;
  b.SetColor(RGB(150, 150, 150));
  b.setText("&Continua");
  b.setEnabled(false);
  const QImage shot = Grab(&b);
  EXPECT_EQ(b.FDisableColor, RGB(100, 100, 100));
  int grey = 0, red = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) {
      const QRgb px = shot.pixel(x, y);
      if (std::abs(qRed(px) - 100) <= 12 && std::abs(qBlue(px) - 100) <= 12) ++grey;
      if (qRed(px) > 200 && qGreen(px) < 80) ++red;
    }
  EXPECT_GT(grey, 10);
  EXPECT_EQ(red, 0);
}

TEST(MButton, LayoutByMarginAndSpacing) {
  const struct {
    int margin, spacing;
    TButtonLayout layout;
    QPoint glyph;
    QRect caption;
  } cases[] = {
      {-1, 0, blGlyphLeft, {20, 10}, {40, 15, 30, 10}},
      {-1, -1, blGlyphLeft, {13, 10}, {46, 15, 30, 10}},
      {5, 4, blGlyphRight, {65, 10}, {31, 15, 30, 10}},
      {2, -1, blGlyphLeft, {2, 10}, {41, 15, 30, 10}},  // spacing (90 - 2 - 20) / 2 - 15 = 19
      {-1, 0, blGlyphTop, {35, 5}, {30, 25, 30, 10}},
  };
  for (const auto& c : cases) {
    TMButton b;
    b.SetMargin(c.margin);
    b.SetSpacing(c.spacing);
    b.SetButtonLayout(c.layout);
    QPoint glyph;
    QRect caption;
    b.CalcLayout(QRect(0, 0, 90, 40), QSize(20, 20), QSize(30, 10), glyph, caption);
    EXPECT_EQ(glyph, c.glyph) << c.margin << " " << c.spacing;
    EXPECT_EQ(caption, c.caption) << c.margin << " " << c.spacing;
  }
}

TEST(MButton, LightButtonShowsItsFaceUnderThePointer) {
  TMForm form;
  auto* a = new TMButton(&form);
  auto* b = new TMButton(&form);
  b->move(100, 0);
  form.show();
  EXPECT_FALSE(a->FDrawFace);
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QCoreApplication::sendEvent(a, &enter);
  EXPECT_TRUE(a->FDrawFace);
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(a, &leave);
  EXPECT_FALSE(a->FDrawFace);
}

TEST(Gauge, PositionsHeldInRangeAndRepaintOnlyOnANewPercentage) {
  TMGauge g;
  g.SetMax(200);
  g.SetPosition(50);
  EXPECT_EQ(g.Percent(), 25);
  g.SetPosition(500);
  EXPECT_EQ(g.Position(), 200);
  g.SetPosition(-3);
  EXPECT_EQ(g.Position(), 0);
  g.SetPosition(180);
  g.SetMax(100);
  EXPECT_EQ(g.Position(), 100);
  g.SetMax(-5);
  EXPECT_EQ(g.Max(), 0);
  EXPECT_EQ(g.Percent(), 0);

  g.SetMax(1000);
  g.SetPosition(0);
  const int before = g.Repaints;
  for (int i = 0; i <= 1000; ++i) g.SetPosition(i);
  EXPECT_EQ(g.Repaints - before, 100);
  g.SetPosition(470);
  g.resize(240, 20);
  Grab(&g).save(KitArtifact("gauge-47.png"));
}

// Contact sheet of the looks: rows of kinds, columns normal / hot / pressed / disabled, in high
// and in low colour; then TMButtons.
TEST(ButtonLooks, ContactSheet) {
  const bool saved = HighColor;
  const TMButtonKind kinds[] = {mkOK, mkCancel, mkYes, mkNo, mkClose, mkIgnore, mkAbort};
  QImage sheet(2 * 4 * 110 + 20, int(std::size(kinds)) * 34 + 100, QImage::Format_RGB32);
  sheet.fill(QColor(220, 220, 220));
  QPainter p(&sheet);
  for (int mode = 0; mode < 2; ++mode) {
    HighColor = mode == 0;
    for (size_t k = 0; k < std::size(kinds); ++k) {
      TNiceButton b;
      b.SetColor(RGB(220, 220, 220));
      b.SetKind(kinds[k]);
      for (int look = 0; look < 4; ++look)
        p.drawImage(mode * 450 + look * 110, int(k) * 34, b.PaintLook(TNiceButton::TLook(look)));
    }
  }
  HighColor = saved;
  TMForm form;
  form.resize(500, 60);
  auto* light = new TMButton(&form);
  light->setText("&Continua");
  light->SetKind(mknNext);
  auto* faced = new TMButton(&form);
  faced->setText("&Inapoi");
  faced->SetKind(mknPrev);
  faced->SetLightButton(false);
  faced->move(100, 0);
  auto* off = new TMButton(&form);
  off->setText("&Program");
  off->SetColor(RGB(150, 150, 150));
  off->setEnabled(false);
  off->move(200, 0);
  p.drawImage(0, int(std::size(kinds)) * 34 + 10, Grab(&form));
  p.end();
  EXPECT_TRUE(sheet.save(KitArtifact("buttons.png")));
}

}  // namespace
