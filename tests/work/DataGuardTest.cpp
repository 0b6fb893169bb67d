// What keeps the user's data on every road, on real files: a fresh copy that meets existing
// tables, an upgrade archive that carries data, links planted where the installer writes or
// deletes, and a template archive that breaks half-way.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>

#include "common/TestMachine.h"
#include "common/ZipMaker.h"
#include "core/Iglobals.h"
#include "media/Copy.h"
#include "media/Templates.h"
#include "media/UpgCopy.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/WinError.h"
#include "prompt/Prompt.h"

namespace {

using Entries = QList<QPair<QString, QByteArray>>;

// One table in one SQLite file, its first column the key.
void MakeTable(const QString& host, const QString& table, const QStringList& keys) {
  QDir().mkpath(QFileInfo(host).absolutePath());
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(QFile::encodeName(host).constData(), &db), SQLITE_OK);
  QString sql = QString("CREATE TABLE %1 (COD TEXT PRIMARY KEY);").arg(table);
  for (const QString& k : keys) sql += QString("INSERT INTO %1 VALUES ('%2');").arg(table, k);
  EXPECT_EQ(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
}

// The keys a table file holds, read with SQLite; "unreadable" when it is not a database.
QStringList Keys(const QString& host, const QString& table) {
  sqlite3* db = nullptr;
  QStringList keys;
  if (sqlite3_open_v2(QFile::encodeName(host).constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
      SQLITE_OK) {
    sqlite3_close(db);
    return {"unreadable"};
  }
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, QString("SELECT COD FROM %1 ORDER BY COD").arg(table).toUtf8(), -1,
                         &st, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return {"unreadable"};
  }
  while (sqlite3_step(st) == SQLITE_ROW)
    keys << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
  sqlite3_finalize(st);
  sqlite3_close(db);
  return keys;
}

QByteArray TableBytes(const QString& table, const QStringList& keys) {
  QTemporaryDir dir;
  MakeTable(dir.path() + "/t.db", table, keys);
  QFile f(dir.path() + "/t.db");
  f.open(QIODevice::ReadOnly);
  return f.readAll();
}

// Progress of the upgrade copy without a page.
class Progress : public TUpgradeCopyPage {
 public:
  void SetGroupName(const QString&) override {}
  void SetCopyMax(int) override {}
  void SetCopyPosition(int) override {}
  void SetUnzipMax(int) override {}
  void SetUnzipPosition(int) override {}
  void SetModalResult(int) override {}
  void HandleEvents() override {}
};

// Every file below a host folder: its bytes and its mode, links as "-> target".
QMap<QString, QString> Snapshot(const QString& host) {
  QMap<QString, QString> out;
  QDirIterator it(host, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    struct stat st;
    ::lstat(QFile::encodeName(path).constData(), &st);
    QString what = QString::number(st.st_mode, 8);
    if (S_ISLNK(st.st_mode)) {
      what += " -> " + QFileInfo(path).symLinkTarget();
    } else if (S_ISREG(st.st_mode)) {
      QFile f(path);
      f.open(QIODevice::ReadOnly);
      what += " " + QString::fromLatin1(f.readAll().toHex());
    }
    out[path.mid(host.size())] = what;
  }
  return out;
}

class DataGuard : public MachineTest {
 protected:
  void SetUp() override {
    cwd = QDir::currentPath();
    ResetInstallerState();
    kit = machine.AddDrive('D', "cdrom") + "/KIT";
    machine.WriteHostFile(kit + "/DISK1", "");
    win::ForceDirectories("C:\\WinZorv");
    outside = machine.folder() + "/outside";
    QDir().mkpath(outside);
  }
  void TearDown() override {
    QDir::setCurrent(cwd);
    win::ResetCurrentDir();
    ResetInstallerState();
  }
  QString Host(const QString& win) const { return machine.Host(win); }
  void Put(const QString& win, const QByteArray& data) { machine.WriteHostFile(Host(win), data); }
  // An archive of the medium, in one part.
  void Part(const QString& key, const Entries& entries) {
    const QString zip = machine.folder() + "/zips/" + key + ".zip";
    QDir().mkpath(machine.folder() + "/zips");
    ASSERT_TRUE(MakeZip(zip, entries));
    machine.WriteHostFile(kit + "/" + key + ".1", machine.ReadHostFile(zip));
  }
  // A LOCAL job into C:\WinZorv (program and data folder) for the components given.
  TCopyJob Job(std::initializer_list<int> rows) const {
    TCopyJob job;
    job.SourceDir = "D:\\KIT";
    job.ShownProgramDir = job.ProgramDir = job.DataDir = "C:\\WinZorv";
    for (int row : rows) job.Selection |= CompBit(row);
    return job;
  }
  // Runs the fresh copy (upgrade false) or the upgrade copy of a job; the error's text, if any.
  QString Run(const TCopyJob& job, bool upgrade) {
    Progress progress;
    try {
      if (upgrade)
        EXPECT_TRUE(UpgradeCopy(progress, job));
      else
        EXPECT_TRUE(RunCopy(progress, job));
    } catch (const win::Error& e) {
      return e.message();
    }
    return {};
  }
  QString cwd, kit, outside;
};

constexpr int kExe = 0, kDbDat = 2, kDbNew = 3, kHelp = 5;

TEST_F(DataGuard, AFreshCopyOverExistingTablesAsksAndLosesNothing) {
  const struct {
    const char* name;
    int answer;  // to "copy.existing-database"
    bool replaced;
  } cases[] = {
      {"keep", prompt::aYes, false},
      {"replace", prompt::aNo, true},
      {"closed any other way", prompt::aCancel, false},
      {"not shown at all", prompt::aNone, false},
  };
  Part("DBDAT", {{"DATA/", ""},
                 {"DATA/FIRME.DB", TableBytes("FIRME", {"1"})},
                 {"DATA/CONST.DB", TableBytes("CONST", {"TVA"})}});
  int run = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // A data folder of its own each time: tables this process wrote are its own, not asked for.
    const QString dataDir = QString("C:\\Date%1").arg(++run);
    MakeTable(Host(dataDir + "\\DATA") + "/FIRME.DB", "FIRME", {"9001"});
    MakeTable(Host(dataDir + "\\DATA") + "/PARAM.DB", "PARAM", {"P001"});
    prompt::TScriptedAnswers answers;
    answers.Answer("copy.existing-database", c.answer);
    TCopyJob job = Job({kDbDat});
    job.DataDir = dataDir;
    EXPECT_EQ(Run(job, false), "");
    ASSERT_EQ(answers.AskedIds(), QStringList{"copy.existing-database"});
    const prompt::TPrompt& asked = answers.Asked().front();
    EXPECT_TRUE(asked.Text.contains(dataDir + "\\DATA") && asked.Text.contains("2 tabele"))
        << asked.Text.toStdString();
    EXPECT_EQ(asked.Default, prompt::bYes) << "an unattended run keeps the database";
    const QString data = Host(dataDir + "\\DATA");
    QString kept = data;
    if (c.replaced) {
      const QStringList aside = QDir(Host(dataDir)).entryList({"DATA.*"}, QDir::Dirs);
      ASSERT_EQ(aside.size(), 1);
      kept = Host(dataDir) + "/" + aside.first();
      EXPECT_TRUE(asked.Text.contains(aside.first()));
      EXPECT_EQ(Keys(data + "/FIRME.DB", "FIRME"), QStringList{"1"}) << "the new database";
      EXPECT_FALSE(QFile::exists(data + "/PARAM.DB"));
    }
    EXPECT_EQ(Keys(kept + "/FIRME.DB", "FIRME"), QStringList{"9001"});
    EXPECT_EQ(Keys(kept + "/PARAM.DB", "PARAM"), QStringList{"P001"});
    EXPECT_EQ(Keys(data + "/CONST.DB", "CONST"), QStringList{"TVA"}) << "a missing table comes";
  }
  // A database folder without tables asks nothing (an unexpected prompt would be recorded).
  QDir(Host("C:\\WinZorv")).removeRecursively();
  win::ForceDirectories("C:\\WinZorv\\DATA");
  Put("C:\\WinZorv\\DATA\\NOTE.TXT", "not a table");
  prompt::TScriptedAnswers none;
  EXPECT_EQ(Run(Job({kDbDat}), false), "");
  EXPECT_TRUE(none.Asked().empty());
  EXPECT_EQ(Keys(Host("C:\\WinZorv\\DATA") + "/FIRME.DB", "FIRME"), QStringList{"1"});
}

TEST_F(DataGuard, AnUpgradeWritesNothingOfTheDatabaseFolder) {
  // A LOCAL installation: the program folder is the data folder.
  MakeTable(Host("C:\\WinZorv\\DATA") + "/FIRME.DB", "FIRME", {"9001"});
  const QByteArray before = machine.ReadHostFile(Host("C:\\WinZorv\\DATA\\FIRME.DB"));
  Part("EXE", {{"ZORVAN.EXE", "MZ new"},
               {"DATA/FIRME.DB", "file is not a database"},
               {"data/x.txt", "stray"},
               {"DATAX/y.txt", "a program folder of its own"}});
  const QString log = machine.folder() + "/setup.log";
  qputenv("ZAREDERAD_LOG", QFile::encodeName(log));
  EXPECT_EQ(Run(Job({kExe}), true), "");
  qunsetenv("ZAREDERAD_LOG");
  EXPECT_EQ(machine.ReadHostFile(Host("C:\\WinZorv\\DATA\\FIRME.DB")), before);
  EXPECT_EQ(Keys(Host("C:\\WinZorv\\DATA") + "/FIRME.DB", "FIRME"), QStringList{"9001"});
  EXPECT_FALSE(win::FileExists("C:\\WinZorv\\DATA\\x.txt"));
  EXPECT_EQ(machine.ReadHostFile(Host("C:\\WinZorv\\ZORVAN.EXE")), "MZ new");
  EXPECT_TRUE(win::FileExists("C:\\WinZorv\\DATAX\\y.txt"));
  const QString text = QString::fromUtf8(machine.ReadHostFile(log));
  EXPECT_TRUE(text.contains("entry DATA/FIRME.DB refused")) << text.toStdString();
  EXPECT_TRUE(text.contains("entry data/x.txt refused"));
}

TEST_F(DataGuard, WhereTheDataFolderLiesDecidesWhatAProgramArchiveMayWrite) {
  const struct {
    const char* entry;
    const char* dataBelow;  // nullptr: the data folder is elsewhere
    bool accepted;
  } cases[] = {
      {"DATA/FIRME.DB", nullptr, true},
      {"DATA/FIRME.DB", "", false},
      {"data", "", false},
      {"DATABASE.TXT", "", true},
      {"NEW/DATA/FIRME.DB", "", true},
      {"BAZA/DATA/FIRME.DB", "BAZA\\", false},
      {"baza/NEW/FIRMA/SIGLA.BMP", "BAZA\\", true},
      {"BAZAR.TXT", "BAZA\\", true},
      {"IDAPI/X.DLL", nullptr, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry);
    const QString below = c.dataBelow ? QString(c.dataBelow) : QString();
    EXPECT_EQ(UpgradeEntryAccepted(c.entry, true, below), c.accepted);
  }
}

TEST_F(DataGuard, PlantedLinksAreNeverFollowed) {
  // Outside the installation: files a link planted in it points at.
  const QString folder = outside + "/folder";
  machine.WriteHostFile(folder + "/DATA/important.txt", "important");
  machine.WriteHostFile(folder + "/FIRMA/contract.doc", "contract");
  machine.WriteHostFile(folder + "/FIRMA/SIGLA.BMP", "outside picture");
  machine.WriteHostFile(outside + "/picture.bmp", "outside picture");
  machine.WriteHostFile(outside + "/file.zip", "outside file");
  for (const QString& ro : {folder + "/FIRMA/SIGLA.BMP", outside + "/picture.bmp"})
    QFile::setPermissions(ro, QFile::ReadOwner | QFile::ReadGroup);
  Part("EXE", {{"ZORVAN.EXE", "MZ"}});
  Part("HELP", {{"ZORVAN.HLP", "help"}});
  Part("DBNEW", {{"NEW/DATA/DATA.DB", "template"}, {"NEW/FIRMA/SIGLA.BMP", "new picture"}});
  const struct {
    const char* name;
    const char* link;  // in C:\WinZorv
    QString target;
  } cases[] = {
      {"NEW to an outside folder", "NEW", folder},
      {"a picture to an outside read-only file", "NEW/FIRMA/SIGLA.BMP", outside + "/picture.bmp"},
      {"EXE.ZIP to an outside file", "EXE.ZIP", outside + "/file.zip"},
      {"HELP.ZIP to an outside file", "HELP.ZIP", outside + "/file.zip"},
  };
  for (bool upgrade : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (upgrade ? ", upgrade" : ", fresh copy"));
      QDir(Host("C:\\WinZorv")).removeRecursively();
      win::ForceDirectories("C:\\WinZorv\\NEW\\DATA");
      win::ForceDirectories("C:\\WinZorv\\NEW\\FIRMA");
      const QString link = Host("C:\\WinZorv") + "/" + c.link;
      if (QString(c.link) == "NEW") QDir(link).removeRecursively();
      ASSERT_TRUE(QFile::link(c.target, link));
      const auto before = Snapshot(outside);
      const QString error = Run(Job({kExe, kDbNew, kHelp}), upgrade);
      EXPECT_EQ(Snapshot(outside), before) << "every outside file keeps its bytes and mode";
      if (!error.isEmpty()) {
        EXPECT_TRUE(error.contains("C:\\WinZorv\\NEW"))
            << "names the link: " << error.toStdString();
      } else {
        EXPECT_EQ(machine.ReadHostFile(Host("C:\\WinZorv\\ZORVAN.EXE")), "MZ");
        EXPECT_EQ(machine.ReadHostFile(Host("C:\\WinZorv\\NEW\\FIRMA\\SIGLA.BMP")), "new picture");
      }
      // The one case that cannot go on is the link in NEW's place.
      EXPECT_EQ(error.isEmpty(), QString(c.link) != "NEW") << error.toStdString();
    }
  }
}

TEST_F(DataGuard, ADamagedTemplateArchiveLeavesTheOldTemplatesWhole) {
  Put("C:\\WinZorv\\NEW\\DATA\\DATA.DB", "old data");
  Put("C:\\WinZorv\\NEW\\FIRMA\\FIRMA.DB", "old firma");
  Put("C:\\WinZorv\\NEW\\FIRMA\\SIGLA.BMP", "old picture");
  Put("C:\\WinZorv\\NEW\\LUNA\\LUNA.DB", "old luna");
  Put("C:\\WinZorv\\NEW\\README.TXT", "old readme");
  // The last entry's data damaged: the first ones are written before the damage shows.
  const QString zip = machine.folder() + "/zips/DBNEW.zip";
  QDir().mkpath(machine.folder() + "/zips");
  ASSERT_TRUE(MakeZip(zip, {{"NEW/DATA/DATA.DB", "new data"},
                            {"NEW/FIRMA/SIGLA.BMP", "new picture"},
                            {"NEW/LUNA/LUNA.DB", QByteArray(4000, 'x')}}));
  QByteArray bytes = machine.ReadHostFile(zip);
  const qsizetype directory = bytes.indexOf(QByteArray("PK\x01\x02", 4));
  const qsizetype last = bytes.lastIndexOf(QByteArray("PK\x03\x04", 4), directory);
  const qsizetype data = last + 30 + qsizetype(QByteArray("NEW/LUNA/LUNA.DB").size());
  ASSERT_GT(directory, data + 4);
  bytes[(data + directory) / 2] = char(bytes[(data + directory) / 2] ^ 0x55);
  machine.WriteHostFile(kit + "/DBNEW.1", bytes);
  const auto before = Snapshot(Host("C:\\WinZorv\\NEW"));
  for (bool upgrade : {false, true}) {
    SCOPED_TRACE(upgrade ? "upgrade" : "fresh copy");
    const QString error = Run(Job({kDbNew}), upgrade);
    EXPECT_TRUE(error.contains("DBNEW.ZIP") && error.contains("NEW/LUNA/LUNA.DB"))
        << error.toStdString();
    EXPECT_EQ(Snapshot(Host("C:\\WinZorv\\NEW")), before) << "byte for byte, modes too";
    EXPECT_FALSE(QFileInfo::exists(Host("C:\\WinZorv") + "/" + TemplateStaging));
  }
}

}  // namespace
