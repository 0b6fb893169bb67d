// The kit's message dialog: its layout, keys, texts, and the unattended modes.
#include <gtest/gtest.h>

#include <QMainWindow>
#include <QTest>
#include <memory>

#include "common/ScriptedUser.h"
#include "kit/Actives.h"
#include "kit/Cliunit.h"
#include "kit/KitArtifacts.h"
#include "kit/Mbuttons.h"
#include "kit/MsgDlg.h"
#include "kit/Title.h"
#include "kit/Transimg.h"

namespace {

class MsgDlgTest : public ::testing::Test {
 protected:
  void SetUp() override { MsgPrefix.clear(); }
  void TearDown() override {
    MsgPrefix.clear();
    AutoClose = 0;
    AutoPress = false;
  }
};

std::unique_ptr<TMessageForm> Build(const QString& msg, TMsgDlgType type, TMsgDlgButtons buttons,
                                    TMsgDlgBtn def, const QString& caption = {}) {
  return std::unique_ptr<TMessageForm>(
      CreateMessageDialog(msg, caption, type, taCenter, buttons, def, 0));
}

TEST_F(MsgDlgTest, ShortTextLayout) {
  auto form = Build("Da", mtCustom, Buttons({mbOK}), mbOK);
  auto* panel = form->findChild<QWidget*>("Panel");
  auto* bevel = form->findChild<QWidget*>("Bevel");
  auto* label = form->findChild<TFmtLabel*>("Message");
  auto* image = form->findChild<TTransImage*>("Image");
  auto* ok = form->findChild<TNiceButton*>("BtnOK");
  ASSERT_TRUE(panel && bevel && label && image && ok && form->TitleBar);
  EXPECT_EQ(form->objectName(), "Message");
  EXPECT_EQ(form->TitleBar->height(), 25);
  EXPECT_EQ(form->TitleBar->StartColor(), TColor(8540422));
  EXPECT_EQ(form->windowTitle(), "");
  EXPECT_EQ(panel->geometry(), QRect(16, 41, 150, 55));
  EXPECT_EQ(ok->parentWidget()->size(), QSize(132, 43));
  EXPECT_EQ(ok->geometry(), QRect(16, 8, 100, 28));
  EXPECT_EQ(form->size(), QSize(182, 25 + 55 + 90));
  EXPECT_EQ(bevel->geometry(), QRect(0, 25 + 55 + 32, 182, 5));
  EXPECT_EQ(ok->parentWidget()->pos(), QPoint((182 - 132) / 2, 25 + 55 + 32 + 8));
  // No icon, but its gap of 10 counts: the text is centred right of left 10.
  EXPECT_EQ(image->geometry(), QRect(10, 16 + label->height() / 2, 0, 0));
  EXPECT_EQ(label->x(), 10 + (150 - 10 - label->width()) / 2);
  EXPECT_EQ(label->y(), 16);
  EXPECT_TRUE(ok->isDefault());
  EXPECT_TRUE(ok->Cancel());
}

TEST_F(MsgDlgTest, IconAndButtonRows) {
  auto form = Build("introdu discul de instalare cu numarul \r2", mtWarning,
                    Buttons({mbOK, mbCancel}), mbOK);
  auto* label = form->findChild<TFmtLabel*>("Message");
  auto* image = form->findChild<TTransImage*>("Image");
  auto* panel = form->findChild<QWidget*>("Panel");
  EXPECT_EQ(image->size(), QSize(86, 53));
  const int content = label->width() + 32 + 86 + 10;
  EXPECT_EQ(panel->width(), std::max(content, 232));
  EXPECT_EQ(panel->height(), std::max(53 + 20, label->height() + 32));
  // The icon is taller than the two lines: it sits at 10 and the text is centred on it.
  EXPECT_EQ(image->y(), 10);
  EXPECT_EQ(label->y(), 10 + 53 / 2 - label->height() / 2);
  QStringList names;
  for (auto* b : form->findChildren<TNiceButton*>()) names << b->objectName();
  EXPECT_EQ(names, QStringList({"BtnOK", "BtnRenunt"}));
  EXPECT_FALSE(form->findChild<TNiceButton*>("BtnOK")->Cancel());
  EXPECT_FALSE(form->findChild<TNiceButton*>("BtnRenunt")->Cancel());

  auto all = Build("x", mtInformation, 0x0FFF, mbClose);
  names.clear();
  for (auto* b : all->findChildren<TNiceButton*>())
    names << b->objectName() + "=" + QString::number(b->ModalResult());
  EXPECT_EQ(names, QStringList({"BtnDa=6", "BtnNu=7", "BtnOK=1", "BtnRenunt=2", "BtnAbandon=3",
                                "BtnRetry=4", "BtnIgnora=5", "BtnToate=12", "BtnNu=7",
                                "BtnToate=12", "BtnSfaturi=0", "BtnIesire=2"}));
  EXPECT_EQ(all->findChild<QWidget*>("Panel")->width(), 12 * 100 + 32);
}

// Presses keys on the dialog one after the other; the dialog must still be up before each.
ScriptedUser::Step Press(std::vector<int> keys) {
  return [keys](QWidget* modal) {
    auto* form = qobject_cast<TMessageForm*>(modal);
    ASSERT_TRUE(form);
    ScriptedUser::Activate(form);
    for (int key : keys) {
      ASSERT_EQ(form->ModalResult, 0) << "answered before key " << key;
      QTest::keyClick(form->focusWidget() ? form->focusWidget() : form, Qt::Key(key));
    }
  };
}

TEST_F(MsgDlgTest, EnterAndEscape) {
  const struct {
    const char* name;
    TMsgDlgButtons buttons;
    TMsgDlgBtn def;
    std::vector<int> keys;
    int result;
  } cases[] = {
      {"yes/no, default no: Enter",
       Buttons({mbYes, mbNo}),
       mbNo,
       {Qt::Key_Escape, Qt::Key_Return},
       7},
      {"OK/cancel: Escape does nothing",
       Buttons({mbOK, mbCancel}),
       mbOK,
       {Qt::Key_Escape, Qt::Key_Return},
       1},
      {"OK alone: Escape", Buttons({mbOK}), mbOK, {Qt::Key_Escape}, 1},
      {"no/cancel: Escape is cancel", Buttons({mbNo, mbCancel}), mbNo, {Qt::Key_Escape}, 2},
      {"cancel alone: Escape nothing",
       Buttons({mbCancel}),
       mbCancel,
       {Qt::Key_Escape, Qt::Key_Space},
       2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedUser user;
    user.Then(Press(c.keys));
    EXPECT_EQ(MMessageDlg("Intrebare", "", mtConfirmation, taCenter, c.buttons, c.def, 0),
              c.result);
    EXPECT_EQ(user.Pending(), 0);
  }
}

TEST_F(MsgDlgTest, ClosedOtherwiseAnswersCancelAndRightClickTheDefault) {
  ScriptedUser user;
  user.Then([](QWidget* modal) { modal->close(); });
  EXPECT_EQ(MMessageDlg("x", "", mtInformation, taCenter, Buttons({mbYes, mbNo}), mbYes, 0), 2);
  ScriptedUser right;
  right.Then([](QWidget* modal) {
    QTest::mouseClick(modal->findChild<QWidget*>("Panel"), Qt::RightButton, {}, QPoint(5, 5));
  });
  EXPECT_EQ(MMessageDlg("x", "", mtInformation, taCenter, Buttons({mbYes, mbNo}), mbNo, 0), 7);
}

TEST_F(MsgDlgTest, PrefixInFrontOfTheDiskPrompt) {
  MsgPrefix = "Pentru continuare";
  QString caption, shown;
  ScriptedUser user;
  user.Then([&](QWidget* modal) {
    caption = modal->windowTitle();
    shown = ScriptedUser::MessageText(modal);
    Grab(modal).save(KitArtifact("msg-disk-prompt.png"));
    ScriptedUser::Click("O&K")(modal);
  });
  EXPECT_EQ(MMessageDlg("introdu discul de instalare cu numarul \r2", "", mtWarning, taCenter,
                        Buttons({mbOK, mbCancel}), mbOK, 0),
            1);
  EXPECT_EQ(caption, "Atentie !");
  EXPECT_EQ(shown, "PENTRU CONTINUARE,\n\nintrodu discul de instalare cu numarul \n2");
  EXPECT_EQ(MsgPrefix, "Pentru continuare") << "the call leaves it set";
}

// Three left presses on the icon.
void PressIconThrice(QWidget* modal) {
  auto* image = modal->findChild<TTransImage*>("Image");
  ASSERT_TRUE(image);
  for (int i = 0; i < 3; ++i) QTest::mousePress(image, Qt::LeftButton, {}, QPoint(3, 3));
}

// The unattended modes need the application's main window: in the program the backdrop, a
// plain window its maker registers; a QMainWindow serves as well.
class MainWindows : public MsgDlgTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MainWindows, GesturesSwitchTheUnattendedModes) {
  std::unique_ptr<QWidget> main;
  if (GetParam()) {
    main = std::make_unique<QWidget>();
    SetMainForm(main.get());
  } else {
    main = std::make_unique<QMainWindow>();
  }
  ASSERT_EQ(MainForm(), main.get());
  ScriptedUser user;
  user.Then(PressIconThrice);
  EXPECT_EQ(MMessageDlg("unu", "", mtInformation, taCenter, Buttons({mbOK}), mbOK, 0), mrIgnore);
  EXPECT_EQ(AutoClose, 1);
  // Now one-button messages close by themselves, with 2; two-button ones wait.
  EXPECT_EQ(MMessageDlg("doi", "", mtError, taCenter, Buttons({mbCancel}), mbCancel, 0), 2);
  EXPECT_FALSE(CurrentMessage);
  ScriptedUser answer;
  answer.Then(ScriptedUser::Click("&Da"));
  EXPECT_EQ(MMessageDlg("?", "", mtConfirmation, taCenter, Buttons({mbYes, mbNo}), mbNo, 0), 6);
  ScriptedUser off;
  off.Then(PressIconThrice);
  EXPECT_EQ(MMessageDlg("trei", "", mtInformation, taCenter, Buttons({mbOK}), mbOK, 0), mrIgnore);
  EXPECT_EQ(AutoClose, 0);

  // On a two-button prompt the presses switch on automatic answers and answer OK.
  ScriptedUser prompt;
  prompt.Then(PressIconThrice);
  EXPECT_EQ(MMessageDlg("disc", "", mtWarning, taCenter, Buttons({mbOK, mbCancel}), mbOK, 0), 1);
  EXPECT_TRUE(AutoPress);
  EXPECT_EQ(MMessageDlg("disc", "", mtWarning, taCenter, Buttons({mbOK, mbCancel}), mbOK, 0), 1);
  EXPECT_EQ(MMessageDlg("da?", "", mtWarning, taCenter, Buttons({mbYes, mbNo}), mbNo, 0), 7);
  main.reset();
  EXPECT_EQ(MainForm(), nullptr) << "a destroyed main window is forgotten";
}
INSTANTIATE_TEST_SUITE_P(MsgDlg, MainWindows, ::testing::Bool(), [](const auto& info) {
  return info.param ? "Registered" : "QMainWindow";
});

TEST_F(MsgDlgTest, NoMainWindowNoUnattendedMode) {
  AutoClose = 1;
  ScriptedUser user;
  user.Then(ScriptedUser::Click("O&K"));
  EXPECT_EQ(MMessageDlg("x", "", mtInformation, taCenter, Buttons({mbOK}), mbOK, 0), 1);
  EXPECT_EQ(user.Pending(), 0);
}

// Every caller's message, grabbed for review.
TEST_F(MsgDlgTest, CallersPictures) {
  const QString upgrade =
      QString(
          "Baza de date se afla la distanta, pe SERVER.\r%1\r\rDaca nu aveti acces la SERVER "
          "pentru "
          "a lansa UPGRADE,\r\raveti acum ocazia sa o faceti de pe acest calculator.\r\r-Acest "
          "mesaj va apare la fiecare instalare de tip CLIENT.\rNu este nevoie sa lansati UPGRADE "
          "la "
          "SERVER decat o singura data.\r%2\r\rFac UPGRADE la baza de date de pe SERVER?\r")
          .arg(QString(46, '_'), QString(48, '_'));
  const struct {
    const char* file;
    QString text, caption;
    TMsgDlgType type;
    TMsgDlgButtons buttons;
    TMsgDlgBtn def;
    const char* prefix;
  } cases[] = {
      {"msg-warning.png", "introdu discul de instalare cu numarul \r3", "", mtWarning,
       Buttons({mbOK, mbCancel}), mbOK, ""},
      {"msg-older-engine.png",
       "Am gasit o instalare mai veche de\rmotor baza de date (BDE)...\rDaca ZarEDERAD nu "
       "functioneaza, contactati-ne.\r",
       "", mtError, Buttons({mbOK}), mbOK, "Protectia aplicatiilor existente"},
      {"msg-dde.png", "Eroare DDE!", "Eroare...", mtError, Buttons({mbCancel}), mbCancel, ""},
      {"msg-client-data.png", "La instalarea client baza de date trebuie sa existe!", "Eroare!",
       mtError, Buttons({mbCancel}), mbCancel, ""},
      {"msg-library.png", "Nu am putut incarca UPGRADE.DLL", "Program incomplet!", mtError,
       Buttons({mbCancel}), mbCancel, ""},
      {"msg-archive.png", "Nu gasesc Upgrade.zip", "", mtError, Buttons({mbOK}), mbOK, ""},
      {"msg-information.png", "Instalarea s-a terminat.", "", mtInformation, Buttons({mbOK}), mbOK,
       ""},
      {"msg-custom.png", "Mesaj fara pictograma", "Altceva", mtCustom, Buttons({mbOK}), mbOK, ""},
      {"msg-client-upgrade.png", upgrade, "UPGRADE baza de date SERVER ?", mtConfirmation,
       Buttons({mbYes, mbNo}), mbNo, ""},
  };
  for (const auto& c : cases) {
    MsgPrefix = c.prefix;
    auto form = Build(c.text, c.type, c.buttons, c.def, c.caption);
    form->show();
    EXPECT_TRUE(Grab(form.get()).save(KitArtifact(c.file))) << c.file;
    EXPECT_EQ(form->TitleBar->Caption(), c.caption.isEmpty() ? DefaultCaption(c.type) : c.caption);
  }
}

}  // namespace
