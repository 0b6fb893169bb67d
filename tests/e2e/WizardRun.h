#pragma once
// What the whole-run tests share: a machine whose program group and support log stay inside it,
// the real bootstrap started from a drive, the wizard run in this process with a scripted user
// and a watchdog, and the keys a user presses.
#include <QByteArray>
#include <QChar>
#include <QRegularExpressionMatch>
#include <QString>
#include <QStringList>

#include "common/ScriptedUser.h"
#include "common/TestMachine.h"

class WizardRunTest : public MachineTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Replaces the files in the drive (driveHost_) by those of a disk folder of a medium.
  void PutDisk(const QString& diskHost);

  QString Log() const;
  // Waits until the support log has a line matching pattern; returns the match.
  QRegularExpressionMatch WaitLog(const QString& pattern, int ms = 30000);

  // Starts <drive>:\INSTALL.EXE as a process; it copies itself to the temporary folder and
  // relaunches. The relaunched wizard shows its first page (`page`); it is then stopped, and the
  // test goes on with the wizard run in this process, from the copies the bootstrap made.
  void Bootstrap(QChar drive, int page = 0);

  // Runs the wizard in this process from the bootstrap's copies with the user's steps; a road
  // that stops somewhere fails after `seconds` instead of waiting for ever (every window still up
  // is given up). Returns the windows the user met, by class.
  QStringList RunWizard(ScriptedUser& user, int seconds);

  // A key on the page, once it is the active window (mnemonics answer only there).
  static void Press(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::AltModifier);
  // Replaces what an edit holds by typing, as a user does after clicking into it. (The field's
  // label accelerator would open the folder picker instead.)
  static void Type(QWidget* page, const char* name, const QString& text);

  QString savedRunFolder_, xdg_, log_, driveHost_;
  QByteArray oldData_, oldConfig_;
};
