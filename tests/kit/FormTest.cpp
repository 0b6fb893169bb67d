// Kit forms: the modal loop, buttons kept across a modal window, zoom, keys, dragging, the
// system menu, the message form's mouse rules, the move panel; and a sample form's picture.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <memory>
#include <stdexcept>

#include "KitArtifacts.h"
#include "kit/Cliunit.h"
#include "kit/Paintpan.h"
#include "kit/Title.h"
#include "kit/Transimg.h"

namespace {

// Runs code once the event loop is back (inside the next modal loop).
void Later(std::function<void()> code, int ms = 0) {
  QTimer::singleShot(ms, qApp, std::move(code));
}

// A page as the wizard has them: title bar, Back, Continue, Abandon; keys counted.
class SamplePage : public TTitleForm {
 public:
  SamplePage() {
    setObjectName("SamplePage");
    SetBorderStyle(bsNone);
    resize(637, 114);
    SetColor(11642264);
    TitleBar1 = new TTitleBar(this);
    TitleBar1->setObjectName("TitleBar1");
    TitleBar1->SetAlign(alTop);
    TitleBar1->SetStartColor(7891292);
    TitleBar1->SetEndColor(7891292);
    TitleBar1->SetCaptionColor(clWhite);
    QFont f("Ms Sans Serif");
    f.setPixelSize(13);
    f.setBold(true);
    TitleBar1->setFont(f);
    auto button = [this](const char* text, int x) {
      auto* b = new QPushButton(text, this);
      b->setGeometry(x, 40, 67, 51);
      return b;
    };
    BBack = button("&Inapoi", 8);
    BNext = button("&Continua", 80);
    BCancel = button("&Abandon", 552);
    connect(BBack, &QPushButton::clicked, this, [this] { ModalResult = 4; });
    connect(BNext, &QPushButton::clicked, this, [this] { ModalResult = 1; });
    connect(BCancel, &QPushButton::clicked, this, [this] { ModalResult = 2; });
    Loaded();
    SetCaption("Tipul instalarii");
    Created();
  }
  void FormKeyDown(QKeyEvent* event) override {
    const int k = event->key();
    if (k == Qt::Key_Alt || k == Qt::Key_Control || k == Qt::Key_Shift || k == Qt::Key_Meta)
      return event->ignore();
    keys << QKeySequence(event->key() | event->modifiers()).toString();
    if (event->key() == Qt::Key_M && event->modifiers() == Qt::AltModifier)
      event->accept();
    else
      event->ignore();
  }
  TTitleBar* TitleBar1;
  QPushButton* BBack;
  QPushButton* BNext;
  QPushButton* BCancel;
  QStringList keys;
};

// A kit message with one or two buttons, the first the default, and its icon.
class SampleMessage : public TMessageForm {
 public:
  explicit SampleMessage(int buttons) {
    resize(300, 120);
    Icon = new TTransImage(this);
    Icon->move(10, 35);
    Icon->SetKindMare(mtWarning);
    Icon->OnMouseDown = [this](TTransImage* s, Qt::MouseButton b, Qt::KeyboardModifiers, int, int) {
      UseMouse(s, b);
    };
    OK = new QPushButton("O&K", this);
    OK->setGeometry(16, 90, 100, 28);
    OK->setDefault(true);
    connect(OK, &QPushButton::clicked, this, [this] { ModalResult = mrOk; });
    if (buttons > 1) {
      Cancel = new QPushButton("&Renunt", this);
      Cancel->setGeometry(116, 90, 100, 28);
      connect(Cancel, &QPushButton::clicked, this, [this] { ModalResult = mrCancel; });
    }
  }
  TTransImage* Icon;
  QPushButton* OK;
  QPushButton* Cancel = nullptr;
};

QWheelEvent Wheel(QWidget* w, int delta, Qt::KeyboardModifiers mods) {
  const QPointF at(50, 50);
  return QWheelEvent(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                     Qt::NoScrollPhase, false);
}

}  // namespace

TEST(ModalLoop, AHandlerThatProcessesEventsIsNotInterrupted) {
  TMForm form;
  QPushButton button("&Continua", &form);
  bool visibleThroughout = true, ranToEnd = false;
  QObject::connect(&button, &QPushButton::clicked, &form, [&] {
    form.ModalResult = mrOk;
    for (int i = 0; i < 20; ++i) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      QTest::qWait(2);
      visibleThroughout = visibleThroughout && form.isVisible();
    }
    form.ModalResult = mrRetry;  // the last value set wins
    ranToEnd = true;
  });
  Later([&] { button.click(); });
  EXPECT_EQ(form.ShowModal(), mrRetry);
  EXPECT_TRUE(ranToEnd);
  EXPECT_TRUE(visibleThroughout);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// A close request as the window system delivers it (Alt+F4 on a desktop, a title bar's close):
// to the form's window, which hands the form a spontaneous close event.
void WindowSystemClose(QWidget* form) {
  QCloseEvent request;
  QCoreApplication::sendEvent(form->windowHandle(), &request);
}

TEST(ModalLoop, WindowSystemCloseAndEscapeAreIgnoredAndCodeClosesWithCancel) {
  for (bool titled : {false, true}) {
    SCOPED_TRACE(titled ? "title form" : "base form");
    std::unique_ptr<TMForm> form(titled ? new TTitleForm : new TMForm);
    form->resize(200, 100);
    bool stayed = false;
    Later([&] {
      EXPECT_EQ(QApplication::activeModalWidget(), form.get());
      QTest::keyClick(form.get(), Qt::Key_Escape);
      WindowSystemClose(form.get());
      QCoreApplication::processEvents();
      stayed = form->isVisible() && form->ModalResult == mrNone &&
               QApplication::activeModalWidget() == form.get();
      form->close();  // the message dialog's unattended close does this
    });
    EXPECT_EQ(form->ShowModal(), mrCancel);
    EXPECT_TRUE(stayed);
  }
}

TEST(ModalLoop, AnErrorEscapingAHandlerIsShownAndTheResultStays) {
  TMForm form;
  QPushButton button("x", &form);
  QObject::connect(&button, &QPushButton::clicked, &form,
                   [&] { Guarded([] { throw std::runtime_error("Disc plin"); }); });
  QString shown;
  Later([&] {
    Later(
        [&] {
          // The standard error box is up: read it and close it, then close the form.
          QWidget* box = QApplication::activeModalWidget();
          ASSERT_NE(box, nullptr);
          ASSERT_NE(box, &form);
          EXPECT_TRUE(form.IsDisabled()) << "the standard error box disables the form as well";
          for (auto* l : box->findChildren<QLabel*>()) shown += l->text();
          box->close();
          Later([&] {
            EXPECT_EQ(form.ModalResult, mrNone);
            EXPECT_FALSE(form.IsDisabled());
            form.ModalResult = mrAbort;
          });
        },
        50);
    button.click();
  });
  EXPECT_EQ(form.ShowModal(), mrAbort);
  EXPECT_TRUE(shown.contains("Disc plin"));
}

// A page's buttons keep their states across a modal window shown over it, and the button that
// had the focus gets it back; the title bar is grey meanwhile.
TEST(KitForm, ButtonStatesSurviveAModalWindow) {
  SamplePage page;
  page.BNext->setEnabled(false);
  bool checkedInside = false, checkedAfter = false;
  Later([&] {
    page.BBack->setFocus();
    SampleMessage msg(1);
    Later([&] {
      EXPECT_TRUE(page.IsDisabled());
      EXPECT_FALSE(page.BBack->isEnabled());
      EXPECT_FALSE(page.BCancel->isEnabled());
      EXPECT_TRUE(page.TitleBar1->Grayed());
      EXPECT_FALSE(msg.IsDisabled());
      checkedInside = true;
      msg.OK->click();
    });
    EXPECT_EQ(msg.ShowModal(), mrOk);
    EXPECT_FALSE(page.IsDisabled());
    EXPECT_FALSE(page.BNext->isEnabled()) << "Continue stays disabled";
    EXPECT_TRUE(page.BBack->isEnabled());
    EXPECT_TRUE(page.BCancel->isEnabled());
    EXPECT_EQ(page.focusWidget(), page.BBack);
    EXPECT_EQ(page.FocusButton, page.BBack);
    EXPECT_FALSE(page.TitleBar1->Grayed());
    checkedAfter = true;
    page.BCancel->click();
  });
  EXPECT_EQ(page.ShowModal(), mrCancel);
  EXPECT_TRUE(checkedInside);
  EXPECT_TRUE(checkedAfter);
  EXPECT_EQ(page.Botoane->Count(), 3);
}

TEST(KitForm, ButtonListIsFilledOnceAtTheFirstShowing) {
  SamplePage page;
  EXPECT_TRUE(page.PrimaData);
  page.show();
  EXPECT_FALSE(page.PrimaData);
  ASSERT_EQ(page.Botoane->Count(), 3);
  EXPECT_EQ(page.Botoane->GetButton(0), page.BBack);
  new QPushButton("later", &page);
  page.hide();
  page.show();
  EXPECT_EQ(page.Botoane->Count(), 3);

  TButtonList list;
  EXPECT_EQ(list.GetButton(0), nullptr);
  EXPECT_FALSE(list.GetEnabled(-1));
  list.SetEnabled(5, true);  // ignored
  for (int i = 0; i < 17; ++i) list.Add(page.BNext, i % 2 == 0);
  EXPECT_EQ(list.Count(), 17);
  EXPECT_EQ(list.Capacity(), 32) << "grown by 16 at a time";
  EXPECT_TRUE(list.GetEnabled(16));
  EXPECT_FALSE(list.GetEnabled(17));
  EXPECT_EQ(list.GetButton(17), nullptr);

  TMessageForm message;  // built without a design
  EXPECT_EQ(message.Botoane, nullptr);
  EXPECT_FALSE(message.PrimaData);
}

// The release notes stay usable while a page waits; other windows do not take input.
TEST(KitForm, AWindowThatStaysEnabledIsUsableUnderAModalPage) {
  TTitleForm notes;
  notes.StaysEnabled = true;
  notes.resize(300, 200);
  QPushButton print("&Tipareste", &notes);
  print.setGeometry(10, 100, 90, 30);
  int printed = 0;
  QObject::connect(&print, &QPushButton::clicked, [&] { ++printed; });
  notes.show();
  QWidget backdrop;
  backdrop.resize(400, 300);
  QPushButton hide("x", &backdrop);
  int hidden = 0;
  QObject::connect(&hide, &QPushButton::clicked, [&] { ++hidden; });
  backdrop.show();

  SamplePage page;
  Later([&] {
    QTest::mouseClick(&print, Qt::LeftButton);
    QTest::mouseClick(&hide, Qt::LeftButton);
    QTest::keyClick(&hide, Qt::Key_Space);
    EXPECT_EQ(printed, 1);
    EXPECT_EQ(hidden, 0);
    EXPECT_FALSE(notes.IsDisabled());
    page.ModalResult = 1;
  });
  EXPECT_EQ(page.ShowModal(), 1);
  QTest::mouseClick(&hide, Qt::LeftButton);
  EXPECT_EQ(hidden, 1) << "usable again once the page is gone";
}

TEST(KitForm, RightClickOnAKitFormAnswersTheOpenMessage) {
  SamplePage page;
  page.show();
  SampleMessage msg(2);
  Later([&] { QTest::mouseClick(&page, Qt::RightButton, {}, QPoint(300, 80)); });
  EXPECT_EQ(msg.ShowModal(), mrOk) << "answered with the default button";
  EXPECT_EQ(ActiveMessageForm(), nullptr);
}

TEST(KitForm, MessageIconGestures) {
  AutoClose = 0;
  AutoPress = false;
  {
    SampleMessage one(1);
    Later([&] {
      QTest::mouseClick(one.Icon, Qt::LeftButton);
      QTest::mouseClick(one.Icon, Qt::LeftButton);
      EXPECT_EQ(one.ModalResult, mrNone);
      QTest::mouseClick(one.Icon, Qt::LeftButton);
    });
    EXPECT_EQ(one.ShowModal(), mrIgnore);
    EXPECT_EQ(one.Clickuri, 3);
    EXPECT_EQ(AutoClose, 1);
  }
  {
    SampleMessage two(2);
    two.Clickuri = 2;
    Later([&] { two.UseMouse(two.Icon, Qt::LeftButton); });
    EXPECT_EQ(two.ShowModal(), mrOk);
    EXPECT_TRUE(AutoPress);
  }
  {
    SampleMessage two(2);
    Later([&] { QTest::mouseClick(&two, Qt::RightButton, {}, QPoint(250, 60)); });
    EXPECT_EQ(two.ShowModal(), mrOk) << "a right press answers with the default button";
  }
  AutoClose = 0;
  AutoPress = false;
}

TEST(KitForm, ZoomStepsAndReset) {
  SamplePage page;
  TSizeConstraints c;
  c.MaxWidth = 1864;
  c.MaxHeight = 900;
  page.SetConstraints(c);
  page.show();
  const QSize designed = page.size();
  const QRect next = page.BNext->geometry();
  const QFont font = page.TitleBar1->font();
  auto wheel = [&](int delta, Qt::KeyboardModifiers mods) {
    QWheelEvent e = Wheel(&page, delta, mods);
    QApplication::sendEvent(&page, &e);
  };
  wheel(120, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(page.Constraints().MaxWidth, 1882);
  EXPECT_EQ(page.DPIScale, 1);
  EXPECT_EQ(page.size(), QSize(643, 115));
  wheel(120, Qt::ControlModifier | Qt::AltModifier);
  wheel(120, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(page.DPIScale, 3);
  EXPECT_NE(page.BNext->geometry(), next);
  wheel(-120, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
  EXPECT_EQ(page.DPIScale, 0);
  EXPECT_EQ(page.size(), designed);
  EXPECT_EQ(page.BNext->geometry(), next);
  EXPECT_EQ(page.TitleBar1->font().pixelSize(), font.pixelSize());
  EXPECT_EQ(page.Constraints().MaxWidth, 1864);
  // Down and back, and a plain wheel goes to the form's own handler only.
  wheel(-120, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(page.DPIScale, -1);
  EXPECT_EQ(page.Constraints().MaxWidth, 1864 * 99 / 100);
  wheel(120, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
  EXPECT_EQ(page.size(), designed);
  int ups = 0;
  page.OnMouseWheelUp = [&](TMForm*, Qt::KeyboardModifiers, QPoint, bool& handled) {
    ++ups;
    handled = true;
  };
  wheel(120, Qt::NoModifier);
  EXPECT_EQ(ups, 1);
  EXPECT_EQ(page.DPIScale, 0);
}

TEST(KitForm, KeyRules) {
  SamplePage page;
  page.show();
  page.activateWindow();
  page.BNext->setFocus();
  QTest::keyClick(page.BNext, Qt::Key_F4, Qt::AltModifier);
  EXPECT_TRUE(page.isVisible());
  EXPECT_EQ(page.ModalResult, mrNone);
  EXPECT_TRUE(page.keys.isEmpty()) << "Alt+F4 is discarded before the form's handler";

  QTest::keyClick(page.BNext, Qt::Key_M, Qt::AltModifier);
  EXPECT_EQ(page.keys, QStringList{"Alt+M"}) << "seen once, before the button";

  QTest::keyClick(page.BNext, Qt::Key_M, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_TRUE(page.isMinimized());
  EXPECT_EQ(page.keys, QStringList{"Alt+M"}) << "Ctrl+Alt+M does not reach the handler";
  page.showNormal();

  // Keys without a focused control reach the form's handler once.
  page.keys.clear();
  page.BNext->clearFocus();
  QTest::keyClick(&page, Qt::Key_H, Qt::AltModifier);
  EXPECT_EQ(page.keys, QStringList{"Alt+H"});
}

TEST(KitForm, DraggedByTheTopFiftyPixels) {
  SamplePage page;
  page.move(100, 100);
  page.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
  const QPoint start = page.pos();
  QTest::mousePress(&page, Qt::LeftButton, {}, QPoint(300, 40));
  QTest::mouseMove(&page, QPoint(330, 50));
  QTest::mouseRelease(&page, Qt::LeftButton, {}, QPoint(330, 50));
  EXPECT_EQ(page.pos(), start + QPoint(30, 10));

  const QPoint moved = page.pos();
  QTest::mousePress(&page, Qt::LeftButton, {}, QPoint(300, 60));
  QTest::mouseMove(&page, QPoint(330, 70));
  QTest::mouseRelease(&page, Qt::LeftButton, {}, QPoint(330, 70));
  EXPECT_EQ(page.pos(), moved);
}

TEST(KitForm, SystemMenuInRomanianWithCloseGreyed) {
  SamplePage page;
  EXPECT_EQ(page.SystemMenu(), nullptr) << "a borderless page has none";
  page.SetBorderStyle(bsDialog);
  page.BorderIcons = biSystemMenu;
  page.show();
  QMenu* menu = page.SystemMenu();
  ASSERT_NE(menu, nullptr);
  QStringList texts;
  QAction* close = nullptr;
  for (QAction* a : menu->actions())
    if (!a->isSeparator()) {
      texts << a->text();
      if (a->objectName() == "Close") close = a;
    }
  EXPECT_EQ(texts, (QStringList{"&Restaureaza", "&Muta", "&Dimensioneaza", "Mi&nimizeaza",
                                "Ma&ximizeaza", "&Inchide    ALT+F4"}));
  ASSERT_NE(close, nullptr);
  EXPECT_FALSE(close->isEnabled());
  EXPECT_TRUE(page.windowFlags() & Qt::FramelessWindowHint) << "the kit title bar is the caption";
  QTest::keyClick(page.BNext, Qt::Key_Space, Qt::AltModifier);
  EXPECT_TRUE(menu->isVisible());
  menu->hide();
  QTest::mouseClick(&page, Qt::RightButton, {}, QPoint(200, 10));
  EXPECT_TRUE(menu->isVisible());
  menu->hide();
}

TEST(KitForm, CaptionKindMinimumHeightAndResizeEvent) {
  SamplePage page;
  EXPECT_EQ(page.TitleBar, page.TitleBar1);
  EXPECT_EQ(page.Caption(), "Tipul instalarii");
  page.setWindowTitle("Directoare");
  EXPECT_EQ(page.TitleBar1->Caption(), "Directoare");
  page.resize(637, 5);
  EXPECT_EQ(page.height(), 25);

  page.SetXKind(5);
  EXPECT_EQ(page.Kind(), mRestaurant);
  page.SetXKind(13);
  EXPECT_EQ(page.XKind(), 5);
  EXPECT_EQ(page.Kind(), mRestaurant);

  int resizes = 0;
  TMForm plain(TMForm::NoDesign{});  // nothing loads it by itself
  plain.OnResize = [&](TMForm*) { ++resizes; };
  plain.show();
  plain.resize(100, 100);
  EXPECT_EQ(resizes, 0) << "not before the form is loaded and created";
  plain.Loaded();
  plain.Created();
  plain.resize(120, 100);
  EXPECT_EQ(resizes, 1);
}

// A sample kit form at 96 pixels per inch, in high- and in low-colour mode, for review.
TEST(KitForm, SampleFormPictures) {
  const bool saved = HighColor;
  SamplePage page;
  page.TitleBar1->SetStartColor(8540422);
  page.TitleBar1->SetEndColor(15724527);
  page.BNext->setEnabled(false);
  page.show();
  ASSERT_EQ(page.logicalDpiX(), 96);
  for (bool high : {true, false}) {
    HighColor = high;
    const QImage img = Grab(&page);
    EXPECT_TRUE(img.save(KitArtifact(high ? "sample-form-high.png" : "sample-form-low.png")));
    EXPECT_EQ(img.size(), QSize(637, 114));
    EXPECT_EQ(img.pixelColor(0, 0), QColor(6, 81, 130));
    EXPECT_EQ(img.pixelColor(636, 12) == QColor(6, 81, 130), !high);
    EXPECT_EQ(img.pixelColor(300, 100), ToQColor(11642264));
  }
  HighColor = saved;
}

TEST(MovePanel, DragsItsForm) {
  TTitleForm form;
  form.resize(400, 300);
  form.move(50, 60);
  TMovePanel panel(&form);
  panel.setGeometry(0, 0, 400, 40);
  QPushButton close("x", &panel);
  close.setGeometry(370, 5, 25, 25);
  int dbl = 0;
  panel.FOnDblClick = [&](TMovePanel*) { ++dbl; };
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

  const QPoint start = form.pos();
  QTest::mousePress(&panel, Qt::LeftButton, {}, QPoint(100, 20));
  EXPECT_TRUE(panel.Down);
  EXPECT_EQ(panel.Orig, QPoint(100, 20));
  QTest::mouseMove(&panel, QPoint(130, 30));
  QTest::mouseRelease(&panel, Qt::LeftButton, {}, QPoint(130, 30));
  EXPECT_FALSE(panel.Down);
  EXPECT_EQ(form.pos(), start + QPoint(30, 10));

  QTest::mousePress(&close, Qt::LeftButton);
  EXPECT_FALSE(panel.Down) << "a press on a button inside starts no drag";
  QTest::mouseRelease(&close, Qt::LeftButton);

  QTest::mousePress(&panel, Qt::LeftButton, {}, QPoint(100, 20));
  ASSERT_TRUE(panel.Down);
  QTest::mouseDClick(&panel, Qt::LeftButton, {}, QPoint(100, 20));
  EXPECT_FALSE(panel.Down);
  EXPECT_EQ(dbl, 1);
}
