// The sample upgrade library on real SQLite files: an old database brought up to its templates,
// steps that fail (a locked, read-only or damaged table, or a test build told to fail) leaving
// every file as it was, and a step killed or meeting a full disk at each of its file operations.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

#include "common/TestMachine.h"
#include "kit/GGlobals.h"
#include "platform/Files.h"
#include "platform/Library.h"
#include "platform/Registry.h"
#include "upgrade/Upgint.h"

namespace {

// Runs SQL on a database file (created when missing); fails the test on an error.
void Sql(const QString& host, const QString& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(QFile::encodeName(host).constData(), &db), SQLITE_OK);
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error), SQLITE_OK)
      << (error ? error : "") << " in " << sql.toStdString();
  sqlite3_free(error);
  sqlite3_close(db);
}

// The rows of a query, one "a|b|c" text per row.
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

QMap<QString, QByteArray> Snapshot(const QString& host) {
  QMap<QString, QByteArray> files;
  QDirIterator it(host, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    QString path = it.next();
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    files[path.mid(host.size() + 1)] = f.readAll();
  }
  return files;
}

QStringList reports;

// A machine whose engine knows ZORVAN in C:\WinZorv\DATA, an old database there, and the new
// templates in C:\WinZorv\NEW\DATA; the library of the test is loaded from the run folder.
class SampleLibraryTest : public MachineTest {
 protected:
  void SetUp() override {
    savedRunFolder_ = RunFolder;
    RunFolder = "C:\\windows\\temp\\";
    machine.WriteHostFile(
        machine.Host("C:\\BDE\\IDAPI32.CFG"),
        "[\\DATABASES\\ZORVAN\\DB INFO]\r\nTYPE=PARADOX\r\nPATH=C:\\WinZorv\\DATA\r\n");
    win::TRegistry reg;
    reg.OpenKey("\\Software\\Borland\\Database Engine", true);
    reg.WriteString("CONFIGFILE01", "C:\\BDE\\IDAPI32.CFG");
    root_ = machine.Host("C:\\WinZorv");
    QDir(root_).removeRecursively();
    win::ForceDirectories("C:\\WinZorv\\DATA");
    win::ForceDirectories("C:\\WinZorv\\NEW\\DATA");
    data_ = root_ + "/DATA/";
    const QString tpl = root_ + "/NEW/DATA/";

    // The database as an older version left it, with the user's own rows.
    Sql(data_ + "FIRME.DB",
        "CREATE TABLE FIRME (COD INTEGER PRIMARY KEY, DENUMIRE TEXT NOT NULL DEFAULT '', CONT "
        "TEXT);"
        "INSERT INTO FIRME VALUES (1, 'Alfa SRL', '4111'), (2, 'Beta SA', NULL), (7, 'Gama', "
        "'401');");
    Sql(data_ + "PARAM.DB",
        "CREATE TABLE PARAM (COD TEXT PRIMARY KEY, DENUMIRE TEXT, VALOARE TEXT);"
        "INSERT INTO PARAM VALUES ('P001', 'Parametrul 1', 'valoarea mea'), ('P900', 'Al meu', "
        "'9');");
    Sql(data_ + "CONST.DB",
        "CREATE TABLE CONST (NUME TEXT PRIMARY KEY, VALOARE TEXT NOT NULL DEFAULT '');"
        "INSERT INTO CONST VALUES ('COTA_TVA', '19'), ('PROPRIE', 'x');");
    machine.WriteHostFile(data_ + "FIRME.PX", "an index, not a table");

    // The templates of the new version: two new columns, a new table, list rows, new constants.
    Sql(tpl + "FIRME.DB",
        "CREATE TABLE FIRME (COD INTEGER PRIMARY KEY, DENUMIRE TEXT NOT NULL DEFAULT '', CONT TEXT,"
        " TVA_INCASARE INTEGER NOT NULL DEFAULT 0, OBS TEXT DEFAULT 'fara');");
    Sql(tpl + "PARAM.DB",
        "CREATE TABLE PARAM (COD TEXT PRIMARY KEY, DENUMIRE TEXT, VALOARE TEXT);"
        "INSERT INTO PARAM VALUES ('P001', 'Parametrul 1', '10'), ('P002', 'Parametrul 2', '20'),"
        " ('P003', 'Parametrul 3', '30');");
    Sql(tpl + "CONST.DB",
        "CREATE TABLE CONST (NUME TEXT PRIMARY KEY, VALOARE TEXT NOT NULL DEFAULT '');"
        "INSERT INTO CONST VALUES ('COTA_TVA', '21'), ('PRAG', '300000');");
    Sql(tpl + "DATA.DB",
        "CREATE TABLE DATA (COD INTEGER PRIMARY KEY, DENUMIRE TEXT);"
        "INSERT INTO DATA VALUES (1, 'Termen 1'), (2, 'Termen 2');");
  }
  void TearDown() override {
    UnloadUpgradeLibrary();
    RunFolder = savedRunFolder_;
    qunsetenv("ZAREDERAD_UPGRADE_FAIL");
  }
  void Load(const char* library) {
    UnloadUpgradeLibrary();
    // Each load from a folder of its own: a library is known by its path while it is loaded.
    static int loads = 0;
    RunFolder = QString("C:\\windows\\temp\\run%1\\").arg(++loads);
    win::ForceDirectories(RunFolder);
    ASSERT_TRUE(QFile::copy(library, machine.Host(RunFolder) + "/UPGRADE.dll"));
    ASSERT_TRUE(LoadUpgradeLibrary());
    reports.clear();
    UpgSetReportProc([](const QString& text) { reports << text; });
  }
  // Runs a step (1 structures, 2 lists, 3 constants) and answers GetSemaforOK.
  static bool Step(int step) {
    if (step == 1) UpgDoStructureUpgrade();
    if (step == 2) UpgDoListUpgrade();
    if (step == 3) UpgDoConstUpgrade();
    return UpgGetSemaforOK();
  }
  QString savedRunFolder_, root_, data_;
};

TEST_F(SampleLibraryTest, AliasFolderFromTheEngine) {
  Load(SAMPLE_LIB);
  EXPECT_EQ(UpgGetAliasPath("ZORVAN"), "C:\\WinZorv\\DATA");
  EXPECT_EQ(UpgGetAliasPath("zorvan"), "C:\\WinZorv\\DATA");
  EXPECT_EQ(UpgGetAliasPath("NIMIC"), "");
  win::TRegistry reg;
  reg.DeleteKey("\\Software\\Borland\\Database Engine");
  EXPECT_EQ(UpgGetAliasPath("ZORVAN"), "") << "no engine, no alias";
  // Without the alias no step can run.
  EXPECT_FALSE(Step(1));
  EXPECT_EQ(reports, QStringList({"Nu gasesc baza de date ZORVAN"}));
}

TEST_F(SampleLibraryTest, CheckExclusiveAnswersWhetherEveryTableIsFree) {
  Load(SAMPLE_LIB);
  auto* handle = win::LoadLibrary(RunFolder + "UPGRADE.DLL");
  auto checkExclusive =
      reinterpret_cast<uint8_t (*)()>(win::GetProcAddress(handle, "CheckExclusive"));
  ASSERT_TRUE(checkExclusive);
  EXPECT_EQ(checkExclusive(), 1);
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(QFile::encodeName(data_ + "CONST.DB").constData(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_EQ(checkExclusive(), 0);
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_EQ(checkExclusive(), 1);
  win::FreeLibrary(handle);
}

TEST_F(SampleLibraryTest, ThreeStepsBringAnOldDatabaseUpToItsTemplates) {
  Load(SAMPLE_LIB);
  UpgSetQuickVerif(true);
  EXPECT_TRUE(Step(1));
  UpgSetQuickVerif(false);
  EXPECT_TRUE(Step(2));
  EXPECT_TRUE(Step(3));

  // Structures: the template's columns with their defaults; the user's rows as they were.
  EXPECT_EQ(Query(data_ + "FIRME.DB", "SELECT name FROM pragma_table_info('FIRME')"),
            QStringList({"COD", "DENUMIRE", "CONT", "TVA_INCASARE", "OBS"}));
  EXPECT_EQ(
      Query(data_ + "FIRME.DB", "SELECT COD, DENUMIRE, quote(CONT), TVA_INCASARE, OBS FROM FIRME"),
      QStringList({"1|Alfa SRL|'4111'|0|fara", "2|Beta SA|NULL|0|fara", "7|Gama|'401'|0|fara"}));
  // A table the database lacked is made, and as a list it gets the template's rows.
  EXPECT_EQ(Query(data_ + "DATA.DB", "SELECT * FROM DATA"),
            QStringList({"1|Termen 1", "2|Termen 2"}));
  // Lists: missing rows added; the user's rows untouched, also where the template differs.
  EXPECT_EQ(Query(data_ + "PARAM.DB", "SELECT * FROM PARAM ORDER BY COD"),
            QStringList({"P001|Parametrul 1|valoarea mea", "P002|Parametrul 2|20",
                         "P003|Parametrul 3|30", "P900|Al meu|9"}));
  // Constants: the template's values.
  EXPECT_EQ(Query(data_ + "CONST.DB", "SELECT * FROM CONST ORDER BY NUME"),
            QStringList({"COTA_TVA|21", "PRAG|300000", "PROPRIE|x"}));
  EXPECT_EQ(machine.ReadHostFile(data_ + "FIRME.PX"), "an index, not a table");

  // The reports name the tables, in plain ASCII.
  for (const char* text :
       {"Verificare FIRME.DB...", "Structura DATA.DB...", "Structura FIRME.DB...",
        "Structurile sunt la zi", "Liste DATA.DB...", "Liste PARAM.DB...", "Listele sunt la zi",
        "Constante CONST.DB...", "Constantele sunt la zi"})
    EXPECT_TRUE(reports.contains(text)) << text << "\n" << reports.join("\n").toStdString();
  for (const QString& r : reports) EXPECT_EQ(r.toLatin1(), r.toUtf8()) << r.toStdString();

  // Nothing is left beside the tables, and a database that is up to date stays byte for byte.
  const auto upToDate = Snapshot(root_);
  EXPECT_EQ(QDir(data_).entryList(QDir::Files),
            QStringList({"CONST.DB", "DATA.DB", "FIRME.DB", "FIRME.PX", "PARAM.DB"}));
  for (int step : {1, 2, 3}) EXPECT_TRUE(Step(step));
  EXPECT_EQ(Snapshot(root_), upToDate);
}

TEST_F(SampleLibraryTest, AFailingStepChangesNothing) {
  struct Case {
    const char* name;
    const char* library;
    std::vector<int> before;  // steps run first, successfully
    int step;
    std::function<void(const QString&data)> breakIt, mendIt;  // data: the host folder
    QString said;
  };
  sqlite3* locker = nullptr;
  auto lock = [&](const char* file) {
    return [&locker, file](const QString& data) {
      ASSERT_EQ(sqlite3_open(QFile::encodeName(data + file).constData(), &locker), SQLITE_OK);
      ASSERT_EQ(sqlite3_exec(locker, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    };
  };
  auto read = [&](const char* file) {  // another program in the middle of reading it
    return [&locker, file](const QString& data) {
      ASSERT_EQ(sqlite3_open(QFile::encodeName(data + file).constData(), &locker), SQLITE_OK);
      ASSERT_EQ(sqlite3_exec(locker, "BEGIN; SELECT count(*) FROM sqlite_master", nullptr, nullptr,
                             nullptr),
                SQLITE_OK);
    };
  };
  auto unlock = [&](const QString&) {
    sqlite3_exec(locker, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(locker);
  };
  auto readOnly = [](const char* file) {
    return [file](const QString& data) {
      QFile::setPermissions(data + file, QFile::ReadOwner | QFile::ReadGroup | QFile::ExeOwner);
    };
  };
  auto writable = [](const char* file) {
    return [file](const QString& data) {
      QFile::setPermissions(data + file, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
  };
  auto fail = [](const char* steps) {
    return [steps](const QString&) { qputenv("ZAREDERAD_UPGRADE_FAIL", steps); };
  };
  auto succeed = [](const QString&) { qunsetenv("ZAREDERAD_UPGRADE_FAIL"); };
  // A freelist count that the file's pages do not bear out: SQLite still reads and inserts, only
  // a check sees it.
  QByteArray healthy;
  auto damage = [&healthy](const char* file) {
    return [&healthy, file](const QString& data) {
      QFile f(data + file);
      ASSERT_TRUE(f.open(QIODevice::ReadWrite));
      healthy = f.readAll();
      f.seek(36);
      f.write(QByteArray("\0\0\0\3", 4));
    };
  };
  auto mend = [&healthy](const char* file) {
    return [&healthy, file](const QString& data) {
      QFile f(data + file);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(healthy);
    };
  };
  // More templates than SQLite lets one connection write together (SQLITE_MAX_ATTACHED + 1).
  const int most = [] {
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    const int attached = sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, -1);
    sqlite3_close(db);
    return attached + 1;
  }();
  auto manyTemplates = [most](const QString& data) {
    for (int i = 4; i <= most; ++i)
      Sql(data + QString("../NEW/DATA/T%1.DB").arg(i), QString("CREATE TABLE T%1 (A);").arg(i));
  };
  auto fewTemplates = [most](const QString& data) {
    for (int i = 4; i <= most; ++i) QFile::remove(data + QString("../NEW/DATA/T%1.DB").arg(i));
  };
  const Case cases[] = {
      {"structures, a table locked",
       SAMPLE_LIB,
       {},
       1,
       lock("PARAM.DB"),
       unlock,
       "Tabela PARAM.DB este folosita de alt program"},
      {"structures, a read-only table",
       SAMPLE_LIB,
       {},
       1,
       readOnly("PARAM.DB"),
       writable("PARAM.DB"),
       "Tabela PARAM.DB nu poate fi scrisa"},
      {"structures, a damaged table",
       SAMPLE_LIB,
       {},
       1,
       [](const QString& data) {
         QFile f(data + "ZZ.DB");
         ASSERT_TRUE(f.open(QIODevice::WriteOnly));
         f.write(QByteArray(4096, 'x'));
       },
       [](const QString& data) { QFile::remove(data + "ZZ.DB"); },
       "Tabela ZZ.DB este deteriorata"},
      {"structures, more tables than one transaction takes",
       SAMPLE_LIB,
       {},
       1,
       manyTemplates,
       fewTemplates,
       QString("Pasul ar scrie %1 tabele deodata; se pot scrie impreuna cel mult %2")
           .arg(most + 1)
           .arg(most)},
      {"lists, a table locked",
       SAMPLE_LIB,
       {1},
       2,
       lock("PARAM.DB"),
       unlock,
       "Tabela PARAM.DB este folosita de alt program"},
      {"lists, a table being read",
       SAMPLE_LIB,
       {1},
       2,
       read("PARAM.DB"),
       unlock,
       "Tabela PARAM.DB este folosita de alt program"},
      {"lists, a read-only folder",
       SAMPLE_LIB,
       {1},
       2,
       readOnly(""),
       writable(""),
       "Tabela DATA.DB nu poate fi scrisa"},
      {"lists, a damaged table",
       SAMPLE_LIB,
       {1},
       2,
       damage("PARAM.DB"),
       mend("PARAM.DB"),
       "Tabela PARAM.DB este deteriorata"},
      {"constants, a damaged table",
       SAMPLE_LIB,
       {1, 2},
       3,
       damage("CONST.DB"),
       mend("CONST.DB"),
       "Tabela CONST.DB este deteriorata"},
      {"constants, a read-only table",
       SAMPLE_LIB,
       {1, 2},
       3,
       readOnly("CONST.DB"),
       writable("CONST.DB"),
       "Tabela CONST.DB nu poate fi scrisa"},
      {"structures failing at the end",
       SAMPLE_FAILING_LIB,
       {},
       1,
       fail("1"),
       succeed,
       "Eroare provocata la pasul 1"},
      {"lists failing at the end",
       SAMPLE_FAILING_LIB,
       {1},
       2,
       fail("2,3"),
       succeed,
       "Eroare provocata la pasul 2"},
      {"constants failing at the end",
       SAMPLE_FAILING_LIB,
       {1, 2},
       3,
       fail("2,3"),
       succeed,
       "Eroare provocata la pasul 3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();  // a fresh old database for each case
    Load(c.library);
    for (int step : c.before) ASSERT_TRUE(Step(step));
    c.breakIt(data_);
    const auto before = Snapshot(root_);
    reports.clear();
    EXPECT_FALSE(Step(c.step));
    EXPECT_EQ(reports.value(reports.size() - 1), c.said) << reports.join("\n").toStdString();
    EXPECT_EQ(Snapshot(root_), before) << "every file byte for byte as it was, and no other";
    c.mendIt(data_);
    // The failure does not stay: once mended the step runs.
    EXPECT_TRUE(Step(c.step)) << reports.join("\n").toStdString();
  }
}

// What a table file holds, after SQLite has rolled back a journal left by a killed step: its
// check, columns and rows; "(none)" for no file and "(empty)" for a file without the table.
QString TableState(const QString& host, const QString& table) {
  if (!QFile::exists(host)) return "(none)";
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(QFile::encodeName(host).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
      SQLITE_OK) {
    sqlite3_close(db);
    return "(cannot open)";
  }
  sqlite3_exec(db, "PRAGMA integrity_check", nullptr, nullptr, nullptr);  // the next open
  sqlite3_close(db);
  const QStringList check = Query(host, "PRAGMA integrity_check");
  if (check != QStringList({"ok"})) return "damaged: " + check.join('\n');
  const QStringList columns =
      Query(host, QString("SELECT name FROM pragma_table_info('%1')").arg(table));
  if (columns.isEmpty()) return "(empty)";
  return columns.join(',') + ": " + Query(host, "SELECT * FROM " + table + " ORDER BY 1").join(';');
}

// A step that changes three tables: FIRME and PARAM gain columns, DATA is made.
class SampleLibraryCrashTest : public SampleLibraryTest {
 protected:
  void SetUp() override {
    SampleLibraryTest::SetUp();
    const QString tpl = root_ + "/NEW/DATA/PARAM.DB";
    QFile::remove(tpl);
    Sql(tpl,
        "CREATE TABLE PARAM (COD TEXT PRIMARY KEY, DENUMIRE TEXT, VALOARE TEXT,"
        " ACTIV INTEGER NOT NULL DEFAULT 1);");
  }
  std::string State() const {
    QStringList state;
    for (const char* table : {"DATA", "FIRME", "PARAM"})
      state << TableState(data_ + table + ".DB", table);
    return state.join('\n').toStdString();
  }
  std::string Files() const {
    return QDir(data_).entryList(QDir::Files | QDir::Hidden).join(' ').toStdString();
  }
};

TEST_F(SampleLibraryCrashTest, AKilledStepLeavesEveryTableBeforeOrAfterIt) {
  Load(SAMPLE_FAILING_LIB);
  const std::string before = State();
  ASSERT_TRUE(Step(1));
  const std::string after = State();
  const std::string filesAfter = Files();
  ASSERT_NE(before, after);
  // A new table whose creation was rolled back is an empty file until the next step removes it.
  ASSERT_EQ(before.rfind("(none)\n", 0), 0u) << "DATA first";
  const std::string undone = "(empty)" + before.substr(6);

  int killed = 0, leftBefore = 0;
  for (int n = 1;; ++n) {
    SCOPED_TRACE(QString("killed at file operation %1").arg(n).toStdString());
    ASSERT_LT(n, 1000) << "the step never ends";
    TearDown();
    SetUp();
    Load(SAMPLE_FAILING_LIB);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      qputenv("ZAREDERAD_UPGRADE_KILL", QByteArray::number(n));
      UpgDoStructureUpgrade();
      _exit(UpgGetSemaforOK() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    if (WIFEXITED(status)) {
      EXPECT_EQ(WEXITSTATUS(status), 0);
      EXPECT_EQ(State(), after);
      EXPECT_EQ(Files(), filesAfter);
      break;
    }
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    ++killed;
    const std::string state = State();
    if (state == before || state == undone)
      ++leftBefore;
    else
      EXPECT_EQ(state, after) << "before:\n" << before;
    // The next step finishes the work, and nothing of the killed one stays.
    EXPECT_TRUE(Step(1)) << reports.join('\n').toStdString();
    EXPECT_EQ(State(), after);
    EXPECT_EQ(Files(), filesAfter);
  }
  // Kills on both sides of the commit.
  EXPECT_GT(leftBefore, 0);
  EXPECT_GT(killed - leftBefore, 0);
  RecordProperty("kills", killed);
  RecordProperty("killsLeavingTheTablesAsBefore", leftBefore);
}

TEST_F(SampleLibraryCrashTest, AFullDiskAtAnyWriteChangesNothing) {
  Load(SAMPLE_FAILING_LIB);
  ASSERT_TRUE(Step(1));
  const std::string after = State();
  int failed = 0;
  for (int n = 1;; ++n) {
    SCOPED_TRACE(QString("disk full at write %1").arg(n).toStdString());
    ASSERT_LT(n, 1000) << "the step never ends";
    TearDown();
    SetUp();
    Load(SAMPLE_FAILING_LIB);
    const auto before = Snapshot(root_);
    qputenv("ZAREDERAD_UPGRADE_FULL", QByteArray::number(n));
    const bool done = Step(1);
    qunsetenv("ZAREDERAD_UPGRADE_FULL");
    if (done) break;
    ++failed;
    EXPECT_TRUE(reports.value(reports.size() - 1).startsWith("Disc plin la tabel"))
        << reports.join('\n').toStdString();
    EXPECT_EQ(Snapshot(root_), before) << "every file byte for byte as it was, and no other";
    EXPECT_TRUE(Step(1)) << "once there is room again";
    EXPECT_EQ(State(), after);
  }
  EXPECT_GT(failed, 0);
  RecordProperty("writes", failed);
}

// The sample payload's own database, of version 1, under the templates of version 2: what an
// upgrade of the sample installation meets.
TEST_F(SampleLibraryTest, SampleDatabaseTakesTheNextVersion) {
  QTemporaryDir payload;
  for (const char* version : {"1", "2"}) {
    QProcess p;
    p.start("bash", {ZAREDERAD_SOURCE_DIR "/scripts/sample-payload", "--out",
                     payload.path() + "/v" + version, "--version", version});
    ASSERT_TRUE(p.waitForFinished(120000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  }
  QDir(root_).removeRecursively();
  for (const auto& [from, to] :
       {std::pair{"/v1/DBDAT/DATA", "/DATA"}, {"/v2/DBNEW/NEW/DATA", "/NEW/DATA"}}) {
    QDir().mkpath(root_ + to);
    for (const QString& f : QDir(payload.path() + from).entryList(QDir::Files))
      ASSERT_TRUE(QFile::copy(payload.path() + from + "/" + f, root_ + to + "/" + f));
  }
  const QString firme = "SELECT COD, DENUMIRE, CUI, CONT, SUMA FROM FIRME ORDER BY COD";
  const QStringList companies = Query(data_ + "FIRME.DB", firme);
  ASSERT_EQ(companies.size(), 200);

  Load(SAMPLE_LIB);
  for (int step : {1, 2, 3}) EXPECT_TRUE(Step(step)) << reports.join("\n").toStdString();
  EXPECT_EQ(Query(data_ + "FIRME.DB", firme), companies);
  EXPECT_EQ(Query(data_ + "FIRME.DB", "SELECT DISTINCT TVA_INCASARE FROM FIRME"),
            QStringList({"0"}));
  EXPECT_EQ(Query(data_ + "PARAM.DB", "SELECT count(*), max(COD) FROM PARAM"),
            QStringList({"51|P051"}));
  EXPECT_EQ(Query(data_ + "CONST.DB", "SELECT VALOARE FROM CONST WHERE NUME = 'COTA_TVA'"),
            QStringList({"21"}));
}

}  // namespace
