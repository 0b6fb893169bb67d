// Whole upgrades as a user meets them: a fresh installation from the current sample medium, then
// the bootstrap from a second medium of the newer sample version (changed program files, a
// template table with a new column, a new list row, a changed constant), and the upgrade wizard
// driven by keys: LOCAL, CLIENT answered No and Yes, Abandon and Back on the locate page.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "Install.h"
#include "WizardRun.h"
#include "common/ScriptedUser.h"
#include "common/TestMachine.h"
#include "core/Iglobals.h"
#include "engine/aliasint.h"
#include "kit/Actives.h"
#include "kit/Cliunit.h"
#include "kit/MsgDlg.h"
#include "kit/Title.h"
#include "notes/CInfo.h"
#include "pages/Cfindapp.h"
#include "platform/Idapi.h"
#include "platform/Paths.h"
#include "upgrade/Upgint.h"

namespace {

const QStringList kAllComponents{"EXE", "VELAROS", "DBDAT", "DBNEW", "BDE32", "HELP", "KANVERO"};

// The sample payloads of both versions, generated once for the whole run.
QTemporaryDir* Payloads = nullptr;
QString PayloadOf(int version) {
  return Payloads->path() + QString("/v%1").arg(version);
}

QStringList Query(const QString& host, const QString& sql) {
  QStringList out;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(QFile::encodeName(host).constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
      SQLITE_OK) {
    sqlite3_close(db);
    return {"(cannot open)"};
  }
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK) {
    out << QString("(error: %1)").arg(sqlite3_errmsg(db));
  } else {
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      QStringList row;
      for (int i = 0; i < sqlite3_column_count(stmt); ++i)
        row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)));
      out << row.join('|');
    }
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return out;
}

bool Exec(const QString& host, const QString& sql) {
  sqlite3* db = nullptr;
  bool ok = sqlite3_open(QFile::encodeName(host).constData(), &db) == SQLITE_OK &&
            sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return ok;
}

// Every file under a host folder with its content.
QMap<QString, QByteArray> Snapshot(const QString& host) {
  QMap<QString, QByteArray> files;
  QDirIterator it(host, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    files[path.mid(host.size() + 1)] = f.readAll();
  }
  return files;
}

enum Ending { Upgraded, AbandonOnLocate, BackOnLocate };
struct Road {
  const char* name;
  unsigned char kind;  // of the fresh installation
  bool upgradeServer;  // the CLIENT's answer
  Ending ending;
};
void PrintTo(const Road& road, std::ostream* os) {
  *os << road.name;
}

class UpgradeEndToEndTest : public WizardRunTest, public ::testing::WithParamInterface<Road> {
 public:
  static void SetUpTestSuite() {
    Payloads = new QTemporaryDir;
    for (int version : {1, 2}) {
      QProcess p;
      p.start("bash", {ZAREDERAD_SOURCE_DIR "/scripts/sample-payload", "--out", PayloadOf(version),
                       "--version", QString::number(version)});
      ASSERT_TRUE(p.waitForFinished(120000));
      ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    }
    // The new release also carries engine files in its program archive, which an upgrade never
    // unpacks.
    QDir().mkpath(PayloadOf(2) + "/EXE/IDAPI");
    QFile f(PayloadOf(2) + "/EXE/IDAPI/IDAPI32.DLL");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not for an upgrade");
  }
  static void TearDownTestSuite() {
    delete Payloads;
    Payloads = nullptr;
  }

 protected:
  void SetUp() override {
    WizardRunTest::SetUp();
    driveHost_ = machine.AddDrive('D', "cdrom");
  }

  // Builds the one-disk medium of a version and puts it into the CD drive.
  void InsertMedium(int version) {
    const QString out = machine.folder() + QString("/medium%1").arg(version);
    QStringList args{"--out",     out,       "--disks", "1", "--installer", ZAREDERAD_SETUP_EXE,
                     "--upgrade", SAMPLE_LIB};
    for (const QString& c : kAllComponents) args << PayloadOf(version) + "/" + c;
    QProcess p;
    p.start(MKMEDIUM_EXE, args);
    ASSERT_TRUE(p.waitForFinished(120000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    PutDisk(out + "/disk1");
  }

  // The fresh installation of a kind from the medium of version 1, as a user makes it.
  void FreshInstallation(unsigned char kind) {
    InsertMedium(1);
    if (HasFatalFailure()) return;
    Bootstrap('D');
    if (HasFatalFailure()) return;
    ScriptedUser user;
    user.Then([&](QWidget* page) {
          Press(page, kind == ikLocal ? Qt::Key_L : Qt::Key_T);
          Press(page, Qt::Key_Space, Qt::NoModifier);
          Press(page, Qt::Key_C);
        })
        .Then([&](QWidget* page) {
          if (kind == ikClient) Type(page, "RDate", "\\\\srv\\date");
          Press(page, Qt::Key_C);
        })
        .Then([&](QWidget* page) { Press(page, Qt::Key_C); })
        .Then([&](QWidget* page) {
          if (ReleaseNotes) ReleaseNotes->hide();
          Press(page, Qt::Key_C);
        })
        .Then([&](QWidget* page) { Press(page, Qt::Key_E); });
    EXPECT_EQ(RunWizard(user, 90),
              QStringList({"TIType", "TDirs", "TCopy", "TConfig", "TEndScreen"}));
    UnloadUpgradeLibrary();
    while (DbiExit() == DBIERR_NONE) {
    }
    EngineInitialized = false;
    MsgPrefix.clear();
    ResetInstallerState();
  }
};

TEST_P(UpgradeEndToEndTest, UpgradeFromTheNewerMedium) {
  const Road road = GetParam();
  // A CLIENT's database is on the server: a share holding the database of version 1.
  const QString serverHost = machine.AddShare("\\\\srv\\date");
  if (road.kind == ikClient) {
    for (const char* c : {"DBDAT", "DBNEW"}) {
      QDirIterator it(PayloadOf(1) + "/" + c, QDir::Files, QDirIterator::Subdirectories);
      while (it.hasNext()) {
        const QString from = it.next();
        const QString to = serverHost + from.mid(PayloadOf(1).size() + QString(c).size() + 1);
        QDir().mkpath(QFileInfo(to).absolutePath());
        ASSERT_TRUE(QFile::copy(from, to));
      }
    }
  }
  FreshInstallation(road.kind);
  if (HasFatalFailure()) return;

  const QString program = machine.Host("C:\\WinZorv");
  const QString data = road.kind == ikClient ? serverHost : program;
  // What the user did with the installed version: a row of their own, a picture among the
  // templates, a changed constant of their own.
  ASSERT_TRUE(Exec(data + "/DATA/FIRME.DB",
                   "INSERT INTO FIRME (COD, DENUMIRE) VALUES (9001, 'Clientul meu SRL')"));
  ASSERT_TRUE(
      Exec(data + "/DATA/PARAM.DB", "UPDATE PARAM SET VALOARE = 'al meu' WHERE COD = 'P001'"));
  machine.WriteHostFile(data + "/NEW/DATA/LOGO.BMP", "BM the user's logo");
  const auto programBefore = Snapshot(program);
  const auto dataBefore = Snapshot(data);
  const QString engineCfg =
      machine.Host("C:\\Program Files\\Borland\\Common Files\\BDE\\IDAPI32.CFG");
  const QByteArray engineBefore = machine.ReadHostFile(engineCfg);
  ASSERT_FALSE(engineBefore.isEmpty());

  InsertMedium(2);
  if (HasFatalFailure()) return;
  Bootstrap('D', pgFindApp);
  if (HasFatalFailure()) return;

  QString located, question, caption, defaultButton;
  int notesShown = 0;
  ScriptedUser user;
  user.Then([&](QWidget* page) {  // locate: the first Continue searches
    auto* find = qobject_cast<TFindApp*>(page);
    ASSERT_TRUE(find);
    if (road.ending == AbandonOnLocate) return ScriptedUser::Click("&Abandon")(page);
    if (road.ending == BackOnLocate) return Press(page, Qt::Key_I);
    Press(page, Qt::Key_C);
    ASSERT_TRUE(QTest::qWaitFor(
        [find] { return find->TitleBar1->Caption().startsWith("Confirmati"); }, 30000));
    located = find->RProgram->text();
    Press(page, Qt::Key_C);
  });
  if (road.ending == Upgraded) {
    if (road.kind == ikClient)
      user.Then([&](QWidget* modal) {
        question = ScriptedUser::MessageText(modal);
        caption = modal->windowTitle();
        defaultButton = ScriptedUser::DefaultButtonText(modal);
        ScriptedUser::Click(road.upgradeServer ? "&Da" : "&Nu")(modal);
      });
    user.Then([&](QWidget* page) { Press(page, Qt::Key_C); });  // upgrade copy
    if (road.kind != ikClient || road.upgradeServer)
      user.Then([&](QWidget* page) {  // database: the notes offered by the copy put away
        if (ReleaseNotes && ReleaseNotes->isVisible()) {
          ++notesShown;
          ReleaseNotes->hide();
        }
        Press(page, Qt::Key_C);
      });
    user.Then([&](QWidget* page) {  // finish
      if (ReleaseNotes && ReleaseNotes->isVisible()) {
        ++notesShown;
        ReleaseNotes->hide();
      }
      Press(page, Qt::Key_E);
    });
  }
  const QStringList pages = RunWizard(user, 90);
  EXPECT_TRUE(Log().contains("wizard: ended")) << Log().toStdString();

  if (road.ending != Upgraded) {
    EXPECT_EQ(pages, QStringList({"TFindApp"}));
    EXPECT_EQ(Snapshot(program), programBefore) << "nothing changes";
    EXPECT_EQ(Snapshot(data), dataBefore);
    EXPECT_EQ(machine.ReadHostFile(engineCfg), engineBefore);
    return;
  }

  const bool database = road.kind != ikClient || road.upgradeServer;
  QStringList expected{"TFindApp"};
  if (road.kind == ikClient) expected << "TMessageForm";
  expected << "TUpgCopy";
  if (database) expected << "TUpgData";
  expected << "TEndScreen";
  EXPECT_EQ(pages, expected) << user.seen.join("\n").toStdString();
  EXPECT_EQ(win::IncludeTrailingBackslash(located), "C:\\WinZorv\\") << "found by the scan";
  if (road.kind == ikClient) {
    EXPECT_TRUE(question.startsWith("Baza de date se afla la distanta, pe SERVER."))
        << question.toStdString();
    EXPECT_EQ(caption, "UPGRADE baza de date SERVER ?");
    EXPECT_EQ(defaultButton, "&Nu");
  }
  EXPECT_EQ(notesShown, 1) << "the release notes after the program archive";

  // The program files of version 2, without the engine's files; no archive left.
  EXPECT_EQ(machine.ReadHostFile(program + "/ZORVAN.EXE"),
            machine.ReadHostFile(PayloadOf(2) + "/EXE/ZORVAN.EXE"));
  EXPECT_NE(machine.ReadHostFile(program + "/ZORVAN.EXE"), programBefore.value("ZORVAN.EXE"));
  EXPECT_FALSE(QFileInfo::exists(program + "/IDAPI"));
  EXPECT_EQ(QDir(program).entryList({"*.ZIP", "*.zip"}, QDir::Files), QStringList());
  EXPECT_EQ(machine.ReadHostFile(engineCfg), engineBefore) << "the engine is not set up again";

  const auto dataAfter = Snapshot(data);
  if (!database) {
    EXPECT_EQ(dataAfter, dataBefore) << "the server's folder is not touched";
    EXPECT_FALSE(Log().contains("unzip DBDAT")) << "no database archive opened";
    EXPECT_FALSE(Log().contains("unzip DBNEW"));
    return;
  }
  // NEW replaced by the new templates, the user's picture kept; nothing else of the data written
  // by the copy, and the database brought up to the templates with the user's rows kept.
  EXPECT_EQ(dataAfter.value("NEW/DATA/LOGO.BMP"), "BM the user's logo");
  EXPECT_TRUE(Query(data + "/NEW/DATA/FIRME.DB", "SELECT name FROM pragma_table_info('FIRME')")
                  .contains("TVA_INCASARE"));
  EXPECT_EQ(
      Query(data + "/DATA/FIRME.DB", "SELECT DENUMIRE, TVA_INCASARE FROM FIRME WHERE COD = 9001"),
      QStringList({"Clientul meu SRL|0"}));
  EXPECT_EQ(Query(data + "/DATA/FIRME.DB", "SELECT COUNT(*) FROM FIRME"), QStringList({"201"}));
  EXPECT_EQ(Query(data + "/DATA/PARAM.DB", "SELECT COUNT(*) FROM PARAM"), QStringList({"51"}));
  EXPECT_EQ(Query(data + "/DATA/PARAM.DB", "SELECT VALOARE FROM PARAM WHERE COD = 'P001'"),
            QStringList({"al meu"}));
  EXPECT_EQ(Query(data + "/DATA/CONST.DB", "SELECT VALOARE FROM CONST WHERE NUME = 'COTA_TVA'"),
            QStringList({"21"}));
  EXPECT_EQ(dataAfter.value("DATA/FIRME.PX"), dataBefore.value("DATA/FIRME.PX"));
  EXPECT_TRUE(Log().contains("upgrade data: step 1 ok")) << Log().toStdString();
  EXPECT_TRUE(Log().contains("upgrade data: step 2 ok"));
  EXPECT_TRUE(Log().contains("upgrade data: step 3 ok"));
}

INSTANTIATE_TEST_SUITE_P(Roads, UpgradeEndToEndTest,
                         ::testing::Values(Road{"Local", ikLocal, true, Upgraded},
                                           Road{"ClientAnsweredNo", ikClient, false, Upgraded},
                                           Road{"ClientAnsweredYes", ikClient, true, Upgraded},
                                           Road{"AbandonOnLocate", ikLocal, true, AbandonOnLocate},
                                           Road{"BackOnLocate", ikLocal, true, BackOnLocate}),
                         [](const ::testing::TestParamInfo<Road>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
