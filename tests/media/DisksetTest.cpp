// The disk set: which parts join in which order, the disk prompts, the gauges, and the removal of
// the assembled archives.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>

#include "RawZip.h"
#include "common/ScriptedUser.h"
#include "common/TestMachine.h"
#include "core/Iglobals.h"
#include "kit/Cliunit.h"
#include "kit/MsgDlg.h"
#include "media/Diskset.h"
#include "media/ZipReader.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/WinError.h"

namespace {

// The medium as the installer state describes it.
TDiskSet StateDisks() {
  return {SourceDir, DiskCount, ShownProgramDir};
}

// A copy page without a window: it records what the operations show.
struct FakePage : TDiskSetPage {
  QStringList groupNames;
  int copyMax = -1, unzipMax = -1, modalResult = 0;
  QList<int> copyPositions, unzipPositions;
  void SetGroupName(const QString& text) override { groupNames << text; }
  void SetCopyMax(int max) override { copyMax = max; }
  void SetCopyPosition(int position) override { copyPositions << position; }
  void SetUnzipMax(int max) override { unzipMax = max; }
  void SetUnzipPosition(int position) override { unzipPositions << position; }
  void SetModalResult(int result) override { modalResult = result; }
};

// The text a message window shows.
QString ShownText(QWidget* modal) {
  return ScriptedUser::MessageText(modal);
}

// Answers a message window: records its title and text, keeps a picture of it, and presses the
// button with this caption (none: the standard box's OK).
ScriptedUser::Step Answer(QStringList* texts, const QString& caption, const QString& picture = {}) {
  return [=](QWidget* modal) {
    texts->append(modal->windowTitle() + "|" + ShownText(modal));
    if (!picture.isEmpty()) modal->grab().save(QDir::tempPath() + "/" + picture);
    if (caption.isEmpty()) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      ASSERT_TRUE(box && box->button(QMessageBox::Ok));
      box->button(QMessageBox::Ok)->click();
      return;
    }
    ScriptedUser::Click(caption)(modal);
  };
}

class DisksetTest : public MachineTest {
 protected:
  void SetUp() override {
    ResetInstallerState();
    MsgPrefix.clear();
    program = machine.folder() + "/drive_c/WinZorv";
    QDir().mkpath(program);
  }
  void TearDown() override {
    MsgPrefix.clear();
    ResetInstallerState();
  }
  // Puts a disk into a drive: its host folder gets exactly these files.
  void Insert(const QString& drive, const QMap<QString, QByteArray>& files) {
    QDir(drive).removeRecursively();
    QDir().mkpath(drive);
    for (auto it = files.begin(); it != files.end(); ++it)
      machine.WriteHostFile(drive + "/" + it.key(), it.value());
  }
  QByteArray Program(const QString& name) { return machine.ReadHostFile(program + "/" + name); }
  QStringList ProgramFiles() { return QDir(program).entryList(QDir::Files, QDir::Name); }

  QString program;
  FakePage page;
};

TEST_F(DisksetTest, IsArchivePartTakesSelectedKeysWithADigitAtTheEnd) {
  const TCompSet client = InstallSets[ikClient];
  struct Case {
    const char* name;
    bool expected;
  } cases[] = {
      {"EXE.1", true},     {"exe.1", true},      {"EXE.01", true},       {"EXE.10", true},
      {"EXE.ZIP.3", true}, {"HELP.1", true},     {"KANVERO.7", true},    {"HELP.ZIP", false},
      {"EXE", false},      {"EXE.", false},      {"EXE.1A", false},      {"DBDAT.1", false},
      {"DBNEW.2", false},  {"UPGRADE.1", false}, {"INSTALL.EXE", false}, {"EXEC.1", false},
      {"DISK1", false},    {".1", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsArchivePart(c.name, client), c.expected) << c.name;
  EXPECT_TRUE(IsArchivePart("DBDAT.1", InstallSets[ikLocal]));
  EXPECT_FALSE(IsArchivePart("EXE.1", InstallSets[ikNone]));
}

TEST_F(DisksetTest, AFixedSourceReadsOneDiskInNameOrder) {
  QString cd = machine.AddDrive('D', "cdrom");
  Insert(cd, {{"DISK1", ""},
              {"INSTALL.EXE", "exe"},
              {"INSTALL.CFG", "cfg"},
              {"UPGRADE.1", "u"},
              {"exe.1", "1"},
              {"EXE.10", "X"},
              {"EXE.2", "2"},
              {"HELP.ZIP", "not a part"},
              {"HELP.1", "h"},
              {"DBDAT.1", "d"},
              {"README.TXT", "r"}});
  SourceDir = "D:\\";
  DiskCount = 6;
  ScriptedUser user;  // no prompt is expected
  user.Then(ScriptedUser::Reject());
  ASSERT_TRUE(AssembleArchives(page, InstallSets[ikClient], StateDisks()));
  EXPECT_EQ(user.Pending(), 1);
  EXPECT_EQ(DiskCount, 6) << "the installer state is the page's, not the assembly's";
  EXPECT_EQ(SourceDir, "D:\\");
  EXPECT_EQ(page.copyMax, 1);
  EXPECT_EQ(page.copyPositions, QList<int>({0, 1, 4}));
  EXPECT_EQ(page.groupNames,
            QStringList({"Asamblare arhive...", "exe.1", "EXE.10", "EXE.2", "HELP.1"}));
  // The archive keeps the case of its first part; the platform opens it as EXE.ZIP too.
  EXPECT_EQ(ProgramFiles(), QStringList({"HELP.ZIP", "exe.ZIP"}));
  EXPECT_EQ(Program("exe.ZIP"), "1X2");
  EXPECT_EQ(win::FileSize("C:\\WinZorv\\EXE.ZIP"), 3);
  EXPECT_EQ(MsgPrefix, "Pentru continuare");
}

TEST_F(DisksetTest, FloppiesArePromptedForInOrderAndCancelKeepsWhatWasJoined) {
  QString floppy = machine.AddDrive('A', "removable");
  SourceDir = "A:\\";
  DiskCount = 3;
  QStringList prompts;
  ScriptedUser user;
  auto insert = [&](const QMap<QString, QByteArray>& files, const QString& shot = {}) {
    return [=, &prompts, this](QWidget* modal) {
      Insert(floppy, files);
      Answer(&prompts, "O&K", shot)(modal);
    };
  };
  const QMap<QString, QByteArray> disk1 = {{"DISK1", ""}, {"EXE.1", "a"}, {"DBDAT.1", "d1"}};
  const QMap<QString, QByteArray> disk2 = {{"DISK2", ""}, {"EXE.01", "b"}, {"DBDAT.1", "D2"}};
  user.Then(insert(disk2, "media-disk-prompt.png"))  // the wrong disk first
      .Then(insert(disk1))
      .Then(insert(disk2))
      .Then(Answer(&prompts, "&Renunt"));
  EXPECT_FALSE(AssembleArchives(page, InstallSets[ikLocal], StateDisks()));
  EXPECT_EQ(user.Pending(), 0);
  EXPECT_EQ(page.modalResult, mrCancel);
  const QString ask = "Atentie !|PENTRU CONTINUARE,\n\nintrodu discul de instalare cu numarul \n";
  EXPECT_EQ(prompts, QStringList({ask + "1", ask + "1", ask + "2", ask + "3"}));
  EXPECT_EQ(DiskCount, 3);
  EXPECT_EQ(page.copyMax, 3);
  EXPECT_EQ(page.copyPositions, QList<int>({0, 1, 2, 2, 4}));
  // Suffix 01 appends; a later ".1" starts its archive again.
  EXPECT_EQ(Program("EXE.ZIP"), "ab");
  EXPECT_EQ(Program("DBDAT.ZIP"), "D2");
}

TEST_F(DisksetTest, ADiskCountOutsideOneTo99OnAFloppyIsAnErrorBeforeAnyPrompt) {
  QString floppy = machine.AddDrive('A', "removable");
  Insert(floppy, {{"DISK1", ""}, {"EXE.1", "a"}});
  // What the configuration reading gives for "0", "abc", "-1" (0), "100" and a number that
  // wrapped around.
  for (int count : {0, 100, 276447231}) {
    SCOPED_TRACE(count);
    SourceDir = "A:";
    DiskCount = count;
    ScriptedUser user;
    user.Then(ScriptedUser::Reject());
    try {
      AssembleArchives(page, InstallSets[ikLocal], StateDisks());
      ADD_FAILURE() << "assembled";
    } catch (const win::Error& e) {
      EXPECT_EQ(e.message(), QString("Fisierul INSTALL.CFG al discului de instalare are la cheia "
                                     "NrDiscuri (sectiunea [General]) valoarea %1; numarul de "
                                     "discuri trebuie sa fie intre 1 si 99.")
                                 .arg(count));
    }
    EXPECT_EQ(user.Pending(), 1) << "no disk was asked for";
    EXPECT_TRUE(ProgramFiles().isEmpty());
  }
  // From a CD the count does not matter: one disk is read.
  QString cd = machine.AddDrive('D', "cdrom");
  Insert(cd, {{"DISK1", ""}, {"EXE.1", "a"}});
  SourceDir = "D:";
  DiskCount = 0;
  EXPECT_TRUE(AssembleArchives(page, InstallSets[ikLocal], StateDisks()));
  EXPECT_EQ(Program("EXE.ZIP"), "a");
}

TEST_F(DisksetTest, PartsLargerThanTheBufferAreCopiedWhole) {
  QString cd = machine.AddDrive('D', "cdrom");
  QByteArray one(int(CopyBufferSize) * 2 + 1, 'a');
  QByteArray two(int(CopyBufferSize), 'b');
  one[12345] = 'x';
  Insert(cd, {{"DISK1", ""}, {"EXE.1", one}, {"EXE.2", two}});
  SourceDir = "D:";
  ASSERT_TRUE(AssembleArchives(page, InstallSets[ikLocal], StateDisks()));
  EXPECT_EQ(Program("EXE.ZIP"), one + two);
}

TEST_F(DisksetTest, UnreadablePartsAddNothingAndUnwritableArchivesAreErrors) {
  QString cd = machine.AddDrive('D', "cdrom");
  Insert(cd, {{"DISK1", ""}, {"HELP.2", "orphan"}});
  QDir().mkpath(cd + "/EXE.1");  // a folder is no part
  SourceDir = "D:";
  ASSERT_TRUE(AssembleArchives(page, InstallSets[ikLocal], StateDisks()));
  EXPECT_TRUE(ProgramFiles().isEmpty());

  Insert(cd, {{"DISK1", ""}, {"EXE.1", "new"}});
  machine.WriteHostFile(program + "/EXE.ZIP", "old");
  ASSERT_EQ(win::FileSetAttr("C:\\WinZorv\\EXE.ZIP", win::faReadOnly), 0);
  try {
    AssembleArchives(page, InstallSets[ikLocal], StateDisks());
    ADD_FAILURE() << "no error";
  } catch (const win::Error& e) {
    EXPECT_TRUE(e.message().contains("C:\\WinZorv\\EXE.ZIP")) << e.what();
  }
  EXPECT_EQ(Program("EXE.ZIP"), "old");
}

TEST_F(DisksetTest, UnzipArchiveDrivesTheGaugeInKiB) {
  machine.WriteHostFile(
      program + "/EXE.ZIP",
      BuildZip({FileEntry("A.BIN", QByteArray(5000, 'a')), FileEntry("EMPTY.TXT", ""),
                FileEntry("SUB/B.BIN", QByteArray(2048, 'b')),
                FileEntry("C.BIN", QByteArray(1023, 'c'))}));
  win::SetCurrentDir("C:\\WinZorv");
  page.ZipSize = 99;
  page.ZipProgres = 99;
  UnzipArchive(page, "EXE.ZIP", "C:\\WinZorv");
  EXPECT_EQ(page.ZipSize, 6);  // 4 + 0 + 2 + 0
  EXPECT_EQ(page.unzipMax, 6);
  EXPECT_EQ(page.unzipPositions, QList<int>({0, 4, 4, 6, 6}));
  EXPECT_EQ(page.ZipProgres, 6);
  EXPECT_EQ(machine.ReadHostFile(program + "/SUB/B.BIN"), QByteArray(2048, 'b'));
  EXPECT_THROW(UnzipArchive(page, "KANVERO.ZIP", "C:\\WinZorv"), win::Error);
}

TEST_F(DisksetTest, DeleteArchivesRemovesOnlyAssembledArchives) {
  for (const char* name : {"BACKUP.ZIP", "DBDAT.ZIP", "EXE.ZIP", "help.zip", "Kanvero.Zip",
                           "notes.txt", "EXE.ZIP.OLD"})
    machine.WriteHostFile(program + "/" + name, "x");
  ASSERT_EQ(win::FileSetAttr("C:\\WinZorv\\DBDAT.ZIP", win::faReadOnly), 0);
  QStringList messages;
  ScriptedUser user;
  user.Then(Answer(&messages, "", "media-delete.png"));
  DeleteArchives("C:\\WinZorv\\");
  EXPECT_EQ(user.Pending(), 0);
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].endsWith("|Nu pot sterge C:\\WinZorv\\DBDAT.ZIP"))
      << messages[0].toStdString();
  EXPECT_EQ(ProgramFiles(), QStringList({"BACKUP.ZIP", "DBDAT.ZIP", "EXE.ZIP.OLD", "notes.txt"}));
}

}  // namespace
