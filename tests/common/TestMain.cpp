// The main of every test executable: a QApplication on the offscreen platform, and a machine of
// its own in a temporary folder, so that no test touches the user's default machine.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "kit/GGlobals.h"
#include "kit/KitPrompt.h"
#include "notes/CInfo.h"
#include "pages/PageTable.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir machine;
  qputenv("ZAREDERAD_MACHINE", machine.path().toUtf8());
  QApplication app(argc, argv);
  KitStartup();
  InstallKitPrompts();
  InstallReleaseNotes();
  InstallProgramPages();
  ::testing::InitGoogleTest(&argc, argv);
  int result = RUN_ALL_TESTS();
  KitShutdown();
  return result;
}
