// The active controls driven as a user would: accelerators, Space, Backspace, the group's
// keys and mouse clicks; their layout arithmetic and looks.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QTest>

#include "KitArtifacts.h"
#include "kit/Actives.h"

namespace {

const QStringList kKinds = {" &LOCAL     - programul va fi folosit numai pe acest calculator",
                            " &SERVER  - acest calculator va contine baza de date",
                            " CLIEN&T    - programul va folosi o baza de date aflata la distanta"};

QFont PlainFont(int pixels = 11) {
  QFont f("DejaVu Sans");
  f.setPixelSize(pixels);
  f.setStyleStrategy(QFont::NoAntialias);
  return f;
}

// A shown, active window to put controls on.
struct Window {
  QWidget w;
  explicit Window(QSize size = {400, 120}) {
    w.resize(size);
    w.setFont(PlainFont(13));
  }
  void Show() {
    w.show();
    QApplication::setActiveWindow(&w);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
  }
};

void Alt(QWidget* w, char letter) {
  QTest::keyClick(w->window(), Qt::Key(Qt::Key_A + (letter - 'A')), Qt::AltModifier);
}

// The columns where a colour appears in a widget's picture.
QRect Extent(const QImage& image, QRgb rgb) {
  QRect r;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF)) r |= QRect(x, y, 1, 1);
  return r;
}

struct KindGroup : Window {
  TMRadioGroup* group = new TMRadioGroup(&w);
  bool allow = true;
  int asked = 0, clicks = 0;
  KindGroup() {
    group->setGeometry(10, 10, 380, 60);
    group->SetItems(kKinds);
    group->OnModify = [this](QObject*, bool& can) {
      ++asked;
      can = allow;
    };
    group->OnClick = [this](QObject*) { ++clicks; };
  }
  TMGroupButton* B(int i) { return group->Buttons()[i]; }
};

}  // namespace

TEST(RadioGroup, LayoutFillsTheGroup) {
  QWidget parent;
  TMRadioGroup g(&parent);
  g.setFont(PlainFont(11));
  g.resize(300, 52);
  g.SetItems({"a", "b", "c"});
  ASSERT_EQ(g.Buttons().size(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(g.Buttons()[i]->geometry(), QRect(0, 20 * i, 300, 20)) << i;

  // Two columns of five items: three per column, the last row may reach below the group.
  g.SetItems({"1", "2", "3", "4", "5"});
  g.SetColumns(2);
  EXPECT_EQ(g.Buttons()[3]->geometry(), QRect(150, 0, 150, 20));
  EXPECT_EQ(g.Buttons()[4]->geometry(), QRect(150, 20, 150, 20));
  parent.show();      // a hidden widget hears of its resizing only when shown
  g.resize(300, 30);  // rows of 10 for a font of 11: (10 - 11) / 2 adds nothing
  EXPECT_EQ(g.Buttons()[2]->geometry(), QRect(0, 20, 150, 10));
}

TEST(RadioGroup, ColumnsAndItemIndexAreClamped) {
  QWidget parent;
  TMRadioGroup g(&parent);
  g.SetItems(kKinds);
  const struct {
    int set, columns;
  } columns[] = {{0, 1}, {-3, 1}, {5, 5}, {16, 16}, {17, 16}, {1000, 16}};
  for (auto c : columns) {
    g.SetColumns(c.set);
    EXPECT_EQ(g.Columns(), c.columns) << c.set;
  }
  g.SetColumns(1);
  int clicks = 0;
  g.OnClick = [&](QObject*) { ++clicks; };
  g.SetItemIndex(7);
  EXPECT_EQ(g.ItemIndex(), 2);
  EXPECT_TRUE(g.Buttons()[2]->Checked());
  EXPECT_EQ(clicks, 1);
  g.SetItemIndex(-5);
  EXPECT_EQ(g.ItemIndex(), -1);
  for (TMGroupButton* b : g.Buttons()) EXPECT_FALSE(b->Checked());

  // Deleting the selected last item moves the selection to the new last one.
  g.SetItemIndex(2);
  g.DeleteItem(2);
  EXPECT_EQ(g.Buttons().size(), 2);
  EXPECT_EQ(g.ItemIndex(), 1);
  EXPECT_TRUE(g.Buttons()[1]->Checked());
  g.ClearItems();
  EXPECT_EQ(g.ItemIndex(), -1);
  EXPECT_TRUE(g.Buttons().isEmpty());

  // An index stored while loading is kept, and made valid when the buttons are built.
  g.BeginReading();
  g.SetItems(kKinds);
  g.SetItemIndex(9);
  EXPECT_EQ(g.ItemIndex(), 9);
  g.EndReading();
  EXPECT_EQ(g.ItemIndex(), 2);
  EXPECT_TRUE(g.Buttons()[2]->Checked());
}

TEST(RadioGroup, UserChoosesByMouseSpaceAndKeys) {
  KindGroup k;
  k.Show();
  QTest::mouseClick(k.B(1), Qt::LeftButton);
  EXPECT_EQ(k.group->ItemIndex(), 1);
  EXPECT_EQ(k.clicks, 1);
  EXPECT_EQ(k.asked, 1);

  // The accelerator only focuses; Space chooses.
  Alt(k.B(2), 'T');
  EXPECT_TRUE(k.B(2)->hasFocus());
  EXPECT_EQ(k.group->ItemIndex(), 1);
  QTest::keyClick(k.B(2), Qt::Key_Space);
  EXPECT_EQ(k.group->ItemIndex(), 2);
  EXPECT_EQ(k.asked, 2) << "one question per Space";
  EXPECT_TRUE(k.B(2)->Checked());
  EXPECT_FALSE(k.B(1)->Checked());

  const struct {
    Qt::Key key;
    int index;
  } keys[] = {{Qt::Key_Home, 0}, {Qt::Key_PageUp, 0},   {Qt::Key_PageDown, 1},
              {Qt::Key_End, 2},  {Qt::Key_PageDown, 2}, {Qt::Key_PageUp, 1}};
  for (auto c : keys) {
    QTest::keyClick(QApplication::focusWidget(), c.key);
    EXPECT_EQ(k.group->ItemIndex(), c.index) << c.key;
    EXPECT_TRUE(k.B(c.index)->hasFocus()) << c.key;
  }
  // The arrows move the focus only.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
  EXPECT_TRUE(k.B(2)->hasFocus());
  EXPECT_EQ(k.group->ItemIndex(), 1);
}

TEST(RadioGroup, OnModifyRefusesEveryUserChange) {
  KindGroup k;
  k.group->SetItemIndex(0);
  k.Show();
  k.allow = false;
  QChar pressed;
  k.group->OnKeyPress = [&](QObject*, QChar& key) { pressed = key; };
  QTest::mouseClick(k.B(1), Qt::LeftButton);
  QTest::mouseDClick(k.B(1), Qt::LeftButton);
  Alt(k.B(1), 'S');
  ASSERT_TRUE(k.B(1)->hasFocus());
  QTest::keyClick(k.B(1), Qt::Key_Space);
  QTest::keyClick(k.B(1), Qt::Key_Backspace);
  EXPECT_EQ(pressed, QChar('\b')) << "the group's key press still hears the key";
  for (Qt::Key key : {Qt::Key_End, Qt::Key_PageDown})
    QTest::keyClick(QApplication::focusWidget(), key);
  EXPECT_EQ(k.group->ItemIndex(), 0);
  EXPECT_TRUE(k.B(0)->Checked());
  EXPECT_FALSE(k.B(1)->Checked());
  EXPECT_GE(k.asked, 5);

  // Code may still choose.
  k.group->SetItemIndex(2);
  EXPECT_EQ(k.group->ItemIndex(), 2);
}

TEST(RadioButton, CheckingUnchecksSiblingsOnly) {
  Window win;
  QWidget a(&win.w), b(&win.w);
  TMRadioButton a1(&a), a2(&a), b1(&b);
  a1.SetCaption("&Unu");
  a2.SetCaption("&Doi");
  int clicks = 0;
  a2.OnClick = [&](QObject*) { ++clicks; };
  a1.SetChecked(true);
  b1.SetChecked(true);
  a2.SetChecked(true);
  EXPECT_FALSE(a1.Checked());
  EXPECT_TRUE(a2.Checked());
  EXPECT_TRUE(b1.Checked());
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(a2.focusPolicy() & Qt::TabFocus) << "the checked button is the tab stop";
  EXPECT_FALSE(a1.focusPolicy() & Qt::TabFocus);
  a2.SetChecked(false);
  EXPECT_EQ(clicks, 1) << "unchecking raises no click";
}

TEST(CheckBox, TogglesByMouseSpaceAndAccelerator) {
  Window win;
  auto* box = new TActiveCheckBox(&win.w);
  box->SetCaption("&Liste");
  auto* other = new TActiveEdit(&win.w);
  other->move(0, 40);
  win.Show();
  other->setFocus();
  int clicks = 0;
  box->OnClick = [&](QObject*) { ++clicks; };

  QTest::mouseClick(box, Qt::LeftButton);
  EXPECT_EQ(box->State(), cbChecked);
  QTest::keyClick(box, Qt::Key_Space);
  EXPECT_EQ(box->State(), cbUnchecked);
  other->setFocus();
  Alt(box, 'L');
  EXPECT_TRUE(box->hasFocus());
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(clicks, 3);
  box->SetChecked(true);
  EXPECT_EQ(clicks, 3) << "no change, no click";

  box->SetAllowGrayed(true);
  box->SetState(cbUnchecked);
  const TCheckBoxState cycle[] = {cbGrayed, cbChecked, cbUnchecked, cbGrayed};
  for (TCheckBoxState s : cycle) {
    QTest::keyClick(box, Qt::Key_Space);
    EXPECT_EQ(box->State(), s);
  }
}

TEST(LabelAndEdit, LabelWithoutControlLeavesItsKeyToOthers) {
  Window win;
  auto* label = new TActiveLabel(&win.w);
  label->SetCaption("&Liste");
  auto* box = new TActiveCheckBox(&win.w);
  box->move(0, 30);
  box->SetCaption("&Liste");
  win.Show();
  Alt(box, 'L');
  EXPECT_TRUE(box->hasFocus());
  EXPECT_TRUE(box->Checked()) << "the first press toggles: the key is not shared";
}

TEST(LabelAndEdit, AcceleratorFocusesAndRecoloursTheLabel) {
  Window win;
  auto* label = new TActiveLabel(&win.w);
  label->SetCaption("&Program:");
  label->setFont([] {
    QFont f = PlainFont(13);
    f.setBold(true);
    return f;
  }());
  label->SetFontColor(clBlack);
  auto* edit = new TActiveEdit(&win.w);
  edit->setGeometry(80, 0, 200, 21);
  edit->SetAssocLabel(label);
  EXPECT_EQ(label->FocusControl(), edit);
  auto* other = new TActiveEdit(&win.w);
  other->setGeometry(80, 40, 200, 21);
  win.Show();
  other->setFocus();

  Alt(label, 'P');
  EXPECT_TRUE(edit->hasFocus());
  EXPECT_EQ(label->FontColor(), clHighlightText);
  EXPECT_TRUE(label->font().bold()) << "the style stays";
  other->setFocus();
  EXPECT_EQ(label->FontColor(), clBlack);

  int clicks = 0;
  label->OnClick = [&](QObject*) { ++clicks; };
  QTest::mouseClick(label, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(edit->hasFocus());

  // A disabled label leaves its accelerator alone; a forgotten label is no danger.
  other->setFocus();
  label->setEnabled(false);
  Alt(label, 'P');
  EXPECT_TRUE(other->hasFocus());
  delete label;
  edit->setFocus();
  other->setFocus();
  EXPECT_EQ(edit->AssocLabel(), nullptr);
}

TEST(ActiveEdit, RightAlignedWhileUnfocused) {
  Window win;
  auto* edit = new TActiveEdit(&win.w);
  edit->setGeometry(10, 10, 200, 22);
  edit->SetFontColor(clBlack);
  edit->SetText("123");
  edit->SetAlignment(taRightJustify);
  auto* other = new TActiveEdit(&win.w);
  other->setGeometry(10, 50, 200, 22);
  win.Show();
  other->setFocus();
  const int m = edit->TextMargin() - 2;
  QRect ink = Extent(Grab(edit), qRgb(0, 0, 0));
  QRect client = edit->ClientRect();
  EXPECT_NEAR(ink.right(), client.right() - m, 2);

  edit->setFocus();
  EXPECT_EQ(edit->Alignment(), taRightJustify) << "kept for after editing";
  ink = Extent(Grab(edit), qRgb(0, 0, 0));
  EXPECT_LT(ink.left(), 10) << "left-aligned while editing";
  // A change made while editing shows once the focus leaves, and survives later visits.
  edit->SetAlignment(taLeftJustify);
  other->setFocus();
  EXPECT_EQ(edit->Alignment(), taLeftJustify);
  edit->setFocus();
  other->setFocus();
  EXPECT_EQ(edit->Alignment(), taLeftJustify);

  edit->SetAlignment(taRightJustify);
  edit->SetPasswordChar('*');
  QRect masked = Extent(Grab(edit), qRgb(0, 0, 0));
  EXPECT_NEAR(masked.right(), client.right() - m, 2);
  EXPECT_TRUE(edit->text() == "123");
}

// A left-aligned edit that is not being edited shows its text from the start: a long path
// keeps its drive in sight. While the user types, the end where the caret is stays in sight.
TEST(ActiveEdit, UnfocusedShowsTheTextFromItsStart) {
  const QString path = "C:\\Program Files\\Zorvan Test\\Date\\Firma Noua SRL";
  Window win;
  auto* edit = new TActiveEdit(&win.w);
  edit->setGeometry(10, 10, 138, 21);
  edit->SetFontColor(clBlack);
  // What the start of the path looks like in the same edit when it fits.
  auto* start = new TActiveEdit(&win.w);
  start->setGeometry(10, 50, 138, 21);
  start->SetFontColor(clBlack);
  start->SetText(path.left(12));
  auto* other = new TActiveEdit(&win.w);
  other->setGeometry(10, 90, 138, 21);
  win.Show();
  other->setFocus();
  const QRect head(0, 0, 60, 21);
  const QImage startShown = Grab(start).copy(head);

  edit->SetText(path);
  EXPECT_EQ(Grab(edit).copy(head), startShown) << "put in while unfocused";

  edit->setFocus(Qt::MouseFocusReason);
  QTest::keyClick(edit, Qt::Key_End);
  QTest::keyClicks(edit, "\\Luna");
  EXPECT_EQ(edit->cursorPosition(), edit->Text().size()) << "typing shows where it types";
  EXPECT_NE(Grab(edit).copy(head), startShown);

  other->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(edit->Text(), path + "\\Luna");
  EXPECT_EQ(Grab(edit).copy(head), startShown) << "after the focus has left";
}

TEST(Controls, ColoursAreTheParentsUntilSet) {
  Window win({300, 60});
  const QColor blue(10, 120, 200);
  QPalette pal = win.w.palette();
  pal.setColor(QPalette::Window, blue);
  win.w.setPalette(pal);
  auto* label = new TActiveLabel(&win.w);
  auto* box = new TActiveCheckBox(&win.w);
  auto* radio = new TMRadioButton(&win.w);
  box->move(0, 20);
  radio->move(100, 20);
  const std::pair<QWidget*, TControlColors*> painted[] = {
      {label, label}, {box, box}, {radio, radio}};
  for (auto [w, colors] : painted) {
    const QPoint corner(w->width() - 1, 0);
    EXPECT_EQ(colors->Color(), ToTColor(blue)) << w->metaObject()->className();
    EXPECT_EQ(w->grab().toImage().pixel(corner), blue.rgb());
    colors->SetColor(clYellow);
    colors->SetFontColor(clRed);
    EXPECT_EQ(colors->Color(), clYellow);
    EXPECT_EQ(colors->FontColor(), clRed);
    EXPECT_EQ(w->grab().toImage().pixel(corner), ToQColor(clYellow).rgb());
  }
  // The edit and the memo have their own colour from the start and pass both to their palette.
  auto* edit = new TActiveEdit(&win.w);
  auto* memo = new TActiveMemo(&win.w);
  const std::pair<QWidget*, TControlColors*> edits[] = {{edit, edit}, {memo, memo}};
  for (auto [w, colors] : edits) {
    EXPECT_EQ(colors->Color(), clWindow);
    colors->SetColor(clAqua);
    colors->SetFontColor(clMaroon);
    EXPECT_EQ(w->palette().color(QPalette::Base), ToQColor(clAqua));
    EXPECT_EQ(w->palette().color(QPalette::Text), ToQColor(clMaroon));
  }
}

TEST(Controls, Pictures) {
  // Pictures to look at: the installation kinds, a label and flat edit focused and unfocused,
  // a right-aligned edit, check boxes in their three states.
  KindGroup k;
  k.w.setFont(PlainFont(11));
  k.w.resize(420, 80);
  k.group->setGeometry(10, 10, 400, 60);
  k.group->SetItemIndex(1);
  k.Show();
  Alt(k.B(2), 'T');
  Grab(&k.w).save(KitArtifact("controls-kinds.png"));

  Window win({320, 150});
  win.w.setStyleSheet("");
  auto* label = new TActiveLabel(&win.w);
  label->setGeometry(10, 12, 70, 16);
  label->SetCaption("&Program:");
  label->SetTransparent(true);
  auto* edit = new TActiveEdit(&win.w);
  edit->setGeometry(80, 10, 220, 21);
  edit->SetFlatStyle(true);
  edit->SetText("C:\\WinZorv");
  edit->SetAssocLabel(label);
  auto* dateLabel = new TActiveLabel(&win.w);
  dateLabel->setGeometry(10, 42, 70, 16);
  dateLabel->SetCaption("&Date:");
  dateLabel->SetTransparent(true);
  auto* right = new TActiveEdit(&win.w);
  right->setGeometry(80, 40, 220, 21);
  right->SetFlatStyle(true);
  right->SetAlignment(taRightJustify);
  right->SetText("C:\\WinZorv\\DATA");
  right->SetAssocLabel(dateLabel);
  TActiveCheckBox* boxes[3];
  for (int i = 0; i < 3; ++i) {
    boxes[i] = new TActiveCheckBox(&win.w);
    boxes[i]->setGeometry(10 + 100 * i, 80, 97, 17);
    boxes[i]->SetAllowGrayed(true);
    boxes[i]->SetCaption(QStringList{"&Bifat", "&Nebifat", "&Gri"}[i]);
  }
  boxes[0]->SetState(cbChecked);
  boxes[2]->SetState(cbGrayed);
  auto* memo = new TActiveMemo(&win.w);
  memo->setGeometry(10, 105, 300, 40);
  memo->SetAlignment(taCenter);
  memo->SetText("Instalarea s-a terminat.\r\nUtilizator implicit: ADMIN");
  win.Show();
  boxes[1]->setFocus();
  Grab(&win.w).save(KitArtifact("controls-unfocused.png"));
  edit->setFocus();
  Grab(&win.w).save(KitArtifact("controls-focused.png"));
  EXPECT_TRUE(QFile::exists(KitArtifact("controls-focused.png")));
}
