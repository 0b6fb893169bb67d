#pragma once
// A machine in a temporary folder, made the current machine for the lifetime of the fixture.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class TestMachine {
 public:
  // A machine with C: (fixed, drive_c) and the default environment; more drives with AddDrive.
  TestMachine();
  ~TestMachine();

  // Maps a drive letter to a new host folder "drive_<letter>" of the machine; returns it.
  QString AddDrive(QChar letter, const QString& type);
  // Maps a UNC share ("\\srv\share") to a new host folder; returns it.
  QString AddShare(const QString& unc);
  // Sets (or with an empty value removes) a variable of [Environment].
  void SetEnv(const QString& name, const QString& value);
  void UnsetEnv(const QString& name);

  QString folder() const { return dir_.path(); }
  // The host path of a path of the machine; created files land where the program looks.
  QString Host(const QString& winPath) const;
  // Writes a host file (creating folders); bytes as given.
  void WriteHostFile(const QString& hostPath, const QByteArray& data) const;
  QByteArray ReadHostFile(const QString& hostPath) const;

  // Rewrites machine.ini from the fields and reloads the machine.
  void Apply();

 private:
  QTemporaryDir dir_;
  QByteArray oldMachine_;
  bool hadMachine_ = false;
  QStringList drives_;
  QStringList shares_;
  QMap<QString, QString> env_;
};

// A fixture for tests that need a machine.
class MachineTest : public ::testing::Test {
 protected:
  TestMachine machine;
};

// Where a test leaves a picture for review: the build folder's artifacts/ (created on demand).
QString ArtifactPath(const QString& name);
