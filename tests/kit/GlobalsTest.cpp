// Kit start-up, the display mode, the named colours and the kit-wide kinds.
#include <gtest/gtest.h>

#include <QApplication>
#include <QToolTip>

#include "common/TestMachine.h"
#include "kit/GGlobals.h"
#include "kit/dlgform2.h"
#include "platform/Files.h"

TEST(KitKinds, ButtonKindsInTheirStoredOrder) {
  EXPECT_EQ(MButtonKindCount, 59);
  EXPECT_EQ(mkCustom, 12);
  EXPECT_EQ(mkYes, 13);
  EXPECT_EQ(mkAll, 19);
  EXPECT_EQ(mknNext, 47);
  EXPECT_EQ(mkAdvanced, 58);
  EXPECT_STREQ(MButtonKindName(mkMinusDel), "mkMinusDel");
  EXPECT_EQ(int(mtCustom), 4);
  EXPECT_EQ(int(mListeCLI), 13);
  EXPECT_EQ(sizeof(TMButtonKind), 1u);
}

TEST(KitColours, DesignNamesBothWays) {
  struct Case {
    const char* name;
    int r, g, b;
  };
  const Case cases[] = {{"clMenuTracking", 254, 134, 54},
                        {"clTitleBarEnd", 249, 205, 30},
                        {"cl1", 157, 156, 156},
                        {"cl2", 169, 169, 169},
                        {"clPaper", 182, 182, 182},
                        {"cl3", 207, 207, 207},
                        {"clGrid", 223, 223, 223},
                        {"clEdit", 239, 239, 239},
                        {"clOther", 46, 121, 167},
                        {"clActiveTitleBar", 7, 69, 138},
                        {"clInactiveTitleBar", 154, 154, 154}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TColor value = 0;
    ASSERT_TRUE(IdentToColor(c.name, value));
    EXPECT_EQ(ToQColor(value), QColor(c.r, c.g, c.b));
    QString back;
    ASSERT_TRUE(ColorToIdent(value, back));
    EXPECT_EQ(back, c.name) << "the design name wins over a standard one";
  }
  TColor v = 0;
  ASSERT_TRUE(StringToColor("$00DFDFDF", v));
  QString name;
  ASSERT_TRUE(ColorToIdent(v, name));
  EXPECT_EQ(name, "clGrid");
  ASSERT_TRUE(IdentToColor("clSilver", v));
  EXPECT_EQ(v, 0xC0C0C0u);
  EXPECT_FALSE(IdentToColor("clNoSuchColour", v));
  EXPECT_FALSE(StringToColor("$zz", v));
  EXPECT_FALSE(ColorToIdent(RGB(1, 2, 3), name));
}

TEST(KitColours, ConversionToQt) {
  EXPECT_EQ(ToQColor(RGB(10, 20, 30)), QColor(10, 20, 30));
  EXPECT_EQ(ToTColor(QColor(10, 20, 30)), 0x1E140Au);
  EXPECT_EQ(ToQColor(5058564), QColor(4, 48, 77));  // $004D3004
  // System colours come from the palette.
  EXPECT_EQ(ToQColor(clBtnFace), QApplication::palette().color(QPalette::Button));
  EXPECT_EQ(ColorToRGB(clHighlight), ToTColor(QApplication::palette().color(QPalette::Highlight)));
}

TEST(KitStartupTest, RunFolderAndRepeatedStartups) {
  EXPECT_TRUE(RunFolder.endsWith('\\')) << RunFolder.toStdString();
  TMesaj* store = Mesaj;
  KitStartup();  // counted: nothing new
  EXPECT_EQ(Mesaj, store);
  KitShutdown();
  EXPECT_EQ(Mesaj, store) << "the store lives until the last shutdown";
  EXPECT_FALSE(Mesaj->isVisible());
}

class DisplayModeTest : public MachineTest {
 protected:
  void SetUp() override {
    saved_ = RunFolder;
    RunFolder = "C:\\KIT\\";
    win::ForceDirectories("C:\\KIT");
  }
  void TearDown() override {
    RunFolder = saved_;
    DecideHighColor();
  }
  QString saved_;
};

TEST_F(DisplayModeTest, LowColorDatForcesLowColourAndAYellowHint) {
  DecideHighColor();
  EXPECT_TRUE(HighColor) << "the offscreen screen has 32 bits per pixel";
  EXPECT_EQ(HintColor, RGB(217, 226, 230));
  EXPECT_EQ(QToolTip::palette().color(QPalette::ToolTipBase), QColor(217, 226, 230));
  win::WriteTextFile("C:\\kit\\lowcolor.DAT", "");
  DecideHighColor();
  EXPECT_FALSE(HighColor);
  EXPECT_EQ(HintColor, clYellow);
  EXPECT_EQ(QToolTip::palette().color(QPalette::ToolTipBase), QColor(Qt::yellow));
}

TEST(KitNumbers, RoundingAndScaling) {
  EXPECT_EQ(RoundEven(25 * 1.5), 38);
  EXPECT_EQ(RoundEven(2.5), 2);
  EXPECT_EQ(RoundEven(3.5), 4);
  EXPECT_EQ(MulDiv(637, 101, 100), 643);
  EXPECT_EQ(MulDiv(655, 100, 101), 649);
  EXPECT_EQ(MulDiv(-3, 1, 2), -2);
}
