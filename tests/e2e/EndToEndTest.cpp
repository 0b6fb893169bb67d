// Whole fresh installations as a user meets them: a medium made by mkmedium from the sample
// payload, the real bootstrap (two processes) started from the medium, then the wizard run driven
// page by page with keys and clicks, and everything it leaves on the machine.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "EngineCfg.h"
#include "Install.h"
#include "WizardRun.h"
#include "common/ScriptedUser.h"
#include "common/TestMachine.h"
#include "core/Iglobals.h"
#include "engine/aliasint.h"
#include "kit/Cliunit.h"
#include "kit/GGlobals.h"
#include "kit/MsgDlg.h"
#include "notes/CInfo.h"
#include "platform/Files.h"
#include "platform/Idapi.h"
#include "platform/Registry.h"

namespace {

const char kEngineFolder[] = "C:\\Program Files\\Borland\\Common Files\\BDE";
const QStringList kAllComponents{"EXE", "VELAROS", "DBDAT", "DBNEW", "BDE32", "HELP", "KANVERO"};

enum Medium { CdOneDisk, RemovableThreeDisks };

struct Road {
  const char* name;
  unsigned char kind;
  Medium medium;
};

void PrintTo(const Road& road, std::ostream* os) {
  *os << road.name;
}

// The sample payload, generated once for the whole run.
QTemporaryDir* Payload = nullptr;

QStringList HostFilesUnder(const QString& host) {
  QStringList files;
  QDirIterator it(host, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) files << it.next().mid(host.size() + 1);
  files.sort();
  return files;
}

class EndToEndTest : public WizardRunTest, public ::testing::WithParamInterface<Road> {
 public:
  static void SetUpTestSuite() {
    Payload = new QTemporaryDir;
    QProcess p;
    p.start("bash", {ZAREDERAD_SOURCE_DIR "/scripts/sample-payload", "--out", Payload->path()});
    ASSERT_TRUE(p.waitForFinished(120000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  }
  static void TearDownTestSuite() {
    delete Payload;
    Payload = nullptr;
  }

 protected:
  // Builds the disk set into <machine>/medium/disk1...diskN.
  void BuildMedium(int disks, const QStringList& components = kAllComponents) {
    mediumHost_ = machine.folder() + "/medium";
    QStringList args{"--out",       mediumHost_,        "--disks", QString::number(disks),
                     "--installer", ZAREDERAD_SETUP_EXE};
    if (disks > 1)
      args << "--part-size"
           << "3000000";
    for (const QString& c : components) args << Payload->path() + "/" + c;
    QProcess p;
    p.start(MKMEDIUM_EXE, args);
    ASSERT_TRUE(p.waitForFinished(120000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  }

  // Puts disk n of the set into the drive, as a user swaps disks.
  void InsertDisk(int n) { PutDisk(mediumHost_ + QString("/disk%1").arg(n)); }

  // The user's answer to a disk prompt: the disk asked for goes into the drive, then OK.
  ScriptedUser::Step SwapDisk() {
    return [this](QWidget* modal) {
      QRegularExpression re("numarul \\n(\\d+)");
      auto m = re.match(ScriptedUser::MessageText(modal));
      ASSERT_TRUE(m.hasMatch()) << ScriptedUser::MessageText(modal).toStdString();
      InsertDisk(m.captured(1).toInt());
      ScriptedUser::Click("O&K")(modal);
    };
  }

  QString mediumHost_;
};

TEST_P(EndToEndTest, FreshInstallationFromTheMedium) {
  const Road road = GetParam();
  const bool removable = road.medium == RemovableThreeDisks;
  const QChar letter = removable ? 'A' : 'D';
  driveHost_ = machine.AddDrive(letter, removable ? "removable" : "cdrom");
  BuildMedium(removable ? 3 : 1);
  InsertDisk(1);
  // A CLIENT's database is on the server: a mapped share that already holds it.
  const QString serverHost = machine.AddShare("\\\\srv\\date");
  machine.WriteHostFile(serverHost + "/DATA/FIRME.DB", "server data");
  machine.WriteHostFile(serverHost + "/NEW/DATA/DATA.DB", "server template");
  machine.AddDrive('E', "fixed");  // a second disk for a SERVER's data folder

  Bootstrap(letter);
  if (HasFatalFailure()) return;

  const QString dataDir = road.kind == ikLocal    ? "C:\\WinZorv"
                          : road.kind == ikServer ? "E:\\DATE"
                                                  : "\\\\srv\\date";
  const int kindKey = road.kind == ikLocal    ? Qt::Key_L
                      : road.kind == ikServer ? Qt::Key_S
                                              : Qt::Key_T;
  int notesShown = 0;
  ScriptedUser user;
  user.Then([&](QWidget* page) {  // installation kind
        Press(page, kindKey);     // the item's accelerator focuses it, Space checks it
        Press(page, Qt::Key_Space, Qt::NoModifier);
        Press(page, Qt::Key_C);
      })
      .Then([&](QWidget* page) {  // destination folders
        if (road.kind != ikLocal) Type(page, "RDate", dataDir);
        Press(page, Qt::Key_C);
      })
      .Then([&](QWidget* page) { Press(page, Qt::Key_C); });  // file copy
  if (removable) user.Then(SwapDisk()).Then(SwapDisk());
  bool unreadAfterEsc = false, shownByAltH = false;
  user.Then([&](QWidget* page) {  // configuration: the notes offered by the copy are put away
        if (ReleaseNotes && ReleaseNotes->isVisible()) {
          ++notesShown;
          QTest::keyClick(ReleaseNotes, Qt::Key_Escape);  // hides them; they stay unread
          unreadAfterEsc =
              !ReleaseNotes->isVisible() &&
              QFile::exists(machine.Host("C:\\WinZorv\\VerInfo\\3200875.01\\Instruct.htm"));
        }
        Press(page, Qt::Key_C);
      })
      .Then([&](QWidget* page) {  // finish: the notes once more, closed, then "I&esire"
        Press(page, Qt::Key_H);
        shownByAltH = ReleaseNotes && ReleaseNotes->isVisible();
        if (shownByAltH) ReleaseNotes->close();  // as the window system closes it: marked read
        Press(page, Qt::Key_E);
      });

  QStringList pages = RunWizard(user, 60);
  pages.removeAll("TMessageForm");
  EXPECT_EQ(pages, QStringList({"TIType", "TDirs", "TCopy", "TConfig", "TEndScreen"}))
      << user.seen.join("\n").toStdString();
  EXPECT_TRUE(Log().contains("wizard: ended"));

  // The folders.
  EXPECT_EQ(ProgramDir, "C:\\WinZorv");
  EXPECT_EQ(DataDir, dataDir);
  const QString program = machine.Host("C:\\WinZorv");
  for (const char* f :
       {"ZORVAN.EXE", "VELAROS.EXE", "SERVICE.EXE", "ZORVAN.HLP", "KANVERO.EXE", "CFX32.OCX"})
    EXPECT_TRUE(QFile::exists(program + "/" + f)) << f;
  EXPECT_EQ(QFileInfo(program + "/ZORVAN.EXE").size(),
            QFileInfo(Payload->path() + "/EXE/ZORVAN.EXE").size());
  EXPECT_TRUE(QFileInfo(program + "/ZORVAN.EXE").isExecutable());
  const QString data = machine.Host(dataDir);
  if (road.kind == ikClient) {
    EXPECT_EQ(HostFilesUnder(serverHost), QStringList({"DATA/FIRME.DB", "NEW/DATA/DATA.DB"}))
        << "a client writes nothing into the server's folder";
    EXPECT_FALSE(QFile::exists(program + "/DATA/FIRME.DB"));
  } else {
    EXPECT_TRUE(QFile::exists(data + "/DATA/FIRME.DB"));
    for (const char* f : {"NEW/DATA/DATA.DB", "NEW/FIRMA/FIRMA.DB", "NEW/LUNA/LUNA.DB"})
      EXPECT_TRUE(QFile::exists(data + "/" + f)) << f;
  }
  // No archive is left behind.
  EXPECT_EQ(QDir(program).entryList({"*.ZIP", "*.zip"}, QDir::Files), QStringList());

  // The engine: unpacked, registered, with the four aliases and NET DIR.
  EXPECT_TRUE(QFile::exists(machine.Host(QString(kEngineFolder) + "\\IDAPI32.CFG")));
  win::TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Borland\\Database Engine"));
  EXPECT_EQ(reg.ReadString("CONFIGFILE01"), QString(kEngineFolder) + "\\IDAPI32.CFG");
  EXPECT_EQ(reg.ReadString("UseCount"), "1");
  TEngineCfg cfg;
  ASSERT_TRUE(
      cfg.Parse(machine.ReadHostFile(machine.Host(QString(kEngineFolder) + "\\IDAPI32.CFG"))));
  EXPECT_EQ(cfg.AliasPath("ZORVAN"), (dataDir + "\\DATA").toLatin1());
  EXPECT_EQ(cfg.AliasPath("ZORVANALIAS"), (dataDir + "\\NEW\\DATA").toLatin1());
  EXPECT_EQ(cfg.AliasPath("FIRMAALIAS"), (dataDir + "\\NEW\\FIRMA").toLatin1());
  EXPECT_EQ(cfg.AliasPath("LUNAALIAS"), (dataDir + "\\NEW\\LUNA").toLatin1());
  EXPECT_EQ(cfg.Value("\\DRIVERS\\PARADOX\\INIT", "NET DIR"), (dataDir + "\\").toLatin1());

  // The help and chart updaters, each started once with its command line.
  EXPECT_EQ(machine.ReadHostFile(program + "/HHUPD.EXE.LOG"), "HHUPD.EXE /Q\n");
  EXPECT_EQ(machine.ReadHostFile(program + "/TREGSVR.EXE.LOG"),
            "TREGSVR.EXE -Q C:\\WinZorv\\CFX32.OCX\n");

  // The program group: the four items of a full medium.
  QStringList entries = HostFilesUnder(xdg_ + "/data/applications");
  EXPECT_EQ(entries.filter(".desktop").size(), 4) << entries.join(" ").toStdString();
  EXPECT_EQ(HostFilesUnder(xdg_ + "/config/menus/applications-merged").size(), 1);

  // The release notes were offered after the program files, stayed unread when put away with
  // Esc, came back with Alt+H and were marked read when closed.
  EXPECT_EQ(notesShown, 1);
  EXPECT_TRUE(unreadAfterEsc);
  EXPECT_TRUE(shownByAltH);
  EXPECT_TRUE(QFile::exists(program + "/VerInfo/3200875.01/Instruct.html"));
  EXPECT_FALSE(QFile::exists(program + "/VerInfo/3200875.01/Instruct.htm"));
}

INSTANTIATE_TEST_SUITE_P(
    Roads, EndToEndTest,
    ::testing::Values(Road{"LocalFromCd", ikLocal, CdOneDisk},
                      Road{"ServerFromCd", ikServer, CdOneDisk},
                      Road{"ClientFromCd", ikClient, CdOneDisk},
                      Road{"LocalFromThreeFloppies", ikLocal, RemovableThreeDisks},
                      Road{"ServerFromThreeFloppies", ikServer, RemovableThreeDisks},
                      Road{"ClientFromThreeFloppies", ikClient, RemovableThreeDisks}),
    [](const ::testing::TestParamInfo<Road>& info) { return std::string(info.param.name); });

}  // namespace
