// The main of every test executable: a QApplication on the offscreen platform, and a machine of
// its own in a temporary folder, so that no test touches the user's default machine. Every test
// also fails when it leaves a top-level window behind or when Qt warns about something.
#include "TestMain.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QEvent>
#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include "kit/GGlobals.h"
#include "kit/KitPrompt.h"
#include "notes/CInfo.h"
#include "pages/PageTable.h"

namespace {

// Said by the offscreen platform and by Qt's start-up on a bare machine; they mean nothing here.
const char* const kHarmless[] = {
    "This plugin does not support",
    "QStandardPaths: XDG_RUNTIME_DIR not set",
    "QStandardPaths: runtime directory",
};

QMutex allowedLock;
QStringList allowedForTest;  // AllowQtWarning() of the running test
QtMessageHandler qtDefault = nullptr;

bool Allowed(const QString& text) {
  for (const char* h : kHarmless)
    if (text.contains(QLatin1String(h))) return true;
  QMutexLocker lock(&allowedLock);
  for (const QString& a : allowedForTest)
    if (text.contains(a)) return true;
  return false;
}

void OnQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  qtDefault(type, context, text);
  const bool warning = type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg;
  if (!warning || Allowed(text)) return;
  if (::testing::UnitTest::GetInstance()->current_test_info() != nullptr)
    ADD_FAILURE() << "Qt warned: " << text.toStdString();
}

// Fails the test that leaves a top-level window it created; remembers the window so that the
// next tests do not fail for it too.
class WindowLeakCheck : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo&) override {
    before_.clear();
    for (QWidget* w : QApplication::topLevelWidgets()) before_.insert(w);
  }
  void OnTestEnd(const ::testing::TestInfo&) override {
    // Windows closed with deleteLater are gone once their deletion runs.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (before_.contains(w)) continue;
      ADD_FAILURE() << "left alive: " << w->metaObject()->className() << " \""
                    << w->windowTitle().toStdString() << "\""
                    << (w->isVisible() ? " (shown)" : " (hidden)");
    }
    QMutexLocker lock(&allowedLock);
    allowedForTest.clear();
  }

 private:
  QSet<QWidget*> before_;
};

}  // namespace

void AllowQtWarning(const QString& part) {
  QMutexLocker lock(&allowedLock);
  allowedForTest << part;
}

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir machine;
  qputenv("ZAREDERAD_MACHINE", machine.path().toUtf8());
  qtDefault = qInstallMessageHandler(OnQtMessage);
  QApplication app(argc, argv);
  KitStartup();
  InstallKitPrompts();
  InstallReleaseNotes();
  InstallProgramPages();
  ::testing::InitGoogleTest(&argc, argv);
  // Appended after the printer, so its failures come before the test's verdict is printed.
  ::testing::UnitTest::GetInstance()->listeners().Append(new WindowLeakCheck);
  int result = RUN_ALL_TESTS();
  KitShutdown();
  return result;
}
