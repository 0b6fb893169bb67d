// The main of every test executable: a QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

#include "kit/GGlobals.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  KitStartup();
  ::testing::InitGoogleTest(&argc, argv);
  int result = RUN_ALL_TESTS();
  KitShutdown();
  return result;
}
