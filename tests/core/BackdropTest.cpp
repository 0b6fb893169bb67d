// The backdrop window: its layout, the version label and the embedded font.
#include <gtest/gtest.h>

#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLocale>

#include "common/TestMachine.h"
#include "core/Iglobals.h"
#include "core/Main.h"
#include "platform/Fonts.h"

TEST(Backdrop, LayoutVersionAndProductName) {
  QLocale::setDefault(QLocale(QLocale::Romanian, QLocale::Romania));  // decimal comma
  {
    TInstaller backdrop;
    backdrop.setGeometry(0, 0, 1024, 768);
    backdrop.show();
    EXPECT_EQ(backdrop.Client->size(), QSize(1014, 758));
    EXPECT_EQ(backdrop.Panou->pos(), QPoint(132, 114));
    EXPECT_EQ(backdrop.VerLbl->text(), "ver.3200875.01");
    EXPECT_EQ(QFontInfo(backdrop.lZarEDERAD->font()).family(),
              win::FontFamily(EmbeddedFontHandle()));
    EXPECT_EQ(backdrop.pasarele->size(), QSize(446, 218));
    EXPECT_EQ(backdrop.software->size(), QSize(197, 70));
    EXPECT_EQ(backdrop.caciula_i->size(), QSize(65, 45));
    EXPECT_TRUE(ReleaseNotes) << "the backdrop makes the release notes window";
    backdrop.resize(1280, 1024);
    EXPECT_EQ(backdrop.Panou->pos(), QPoint((1270 - 750) / 2, (1014 - 499) / 2 - 15));
    backdrop.resize(1024, 768);
    backdrop.grab().save(ArtifactPath("backdrop.png"));
  }
  EXPECT_FALSE(ReleaseNotes) << "and destroys it";
  QLocale::setDefault(QLocale::c());
}

TEST(Backdrop, EmbeddedFontLoadsOnceAndIsRemoved) {
  ASSERT_TRUE(LoadEmbeddedFont("HelveticaR"));
  const int handle = EmbeddedFontHandle();
  ASSERT_NE(handle, 0);
  EXPECT_TRUE(LoadEmbeddedFont("HELVETICAR"));
  EXPECT_EQ(EmbeddedFontHandle(), handle) << "registered once";
  EXPECT_FALSE(win::FontFamily(handle).isEmpty());
  EXPECT_EQ(QFontInfo(QFont("Helvetica Black_r")).family(), win::FontFamily(handle));
  UnloadEmbeddedFont();
  EXPECT_EQ(EmbeddedFontHandle(), 0);
  EXPECT_TRUE(win::FontFamily(handle).isEmpty()) << "removed from the process";
  EXPECT_FALSE(LoadEmbeddedFont("NoSuchFont"));
}
