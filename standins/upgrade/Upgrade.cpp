// The sample upgrade library: brings the SQLite database of the alias ZORVAN up to the templates
// in the data folder's NEW\DATA. Every table file (*.DB) holds one table named like the file.
//
// Each step is one transaction over all the files it touches: every file is opened and locked
// exclusively before anything changes, all changes are made, and only when every one of them
// succeeded are the files committed; otherwise every file is rolled back and the files the step
// created are removed, so a failed step leaves the folder as it was.
#include <sqlite3.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Codepage.h"
#include "platform/Idapi.h"
#include "platform/Machine.h"
#include "platform/Paths.h"
#include "upgrade/UpgradeApi.h"

namespace {

constexpr char kAlias[] = "ZORVAN";
constexpr char kConstTable[] = "CONST";
constexpr int kLockWaitMs = 200;

TReportProc reportProc = nullptr;
bool semaforOK = false;
bool quickVerif = false;

// A progress or error text for the installer's status line, in a block of global memory that
// stays ours: freed once the installer has read it.
void Report(const QString& text) {
  if (!reportProc) return;
  const QByteArray ansi = win::UnicodeToAnsi(text);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size_t(ansi.size()) + 1);
  if (!block) return;
  if (char* p = static_cast<char*>(GlobalLock(block))) {
    memcpy(p, ansi.constData(), size_t(ansi.size()));
    GlobalUnlock(block);
    reportProc(block);
  }
  GlobalFree(block);
}

// A failure that ends a step; what it says goes to the report procedure.
struct StepError {
  QString text;
};

QString Quote(const QString& name) {
  return '"' + QString(name).replace('"', "\"\"") + '"';
}

QString TableName(const QString& file) {
  return QFileInfo(file).completeBaseName().toUpper();
}

// The alias's folder, as the engine's configuration names it (a Windows path); empty when the
// engine or the alias is missing.
QByteArray AliasFolder(const QByteArray& alias) {
  win::Machine::Reload();  // the installer's machine as it is now
  if (DbiInit(nullptr) != DBIERR_NONE) return {};
  QByteArray folder;
  hDBICur cur = nullptr;
  if (DbiOpenCfgInfoList(nullptr, dbiREADONLY, cfgPersistent, "\\DATABASES\\" + alias + "\\DB INFO",
                         &cur) == DBIERR_NONE) {
    CFGDesc desc;
    while (DbiGetNextRecord(cur, dbiNOLOCK, &desc, nullptr) == DBIERR_NONE)
      if (qstricmp(desc.szNodeName, "PATH") == 0) folder = desc.szValue;
    DbiCloseCursor(&cur);
  }
  DbiExit();
  return folder;
}

// The files *.DB of a host folder, by name.
QStringList TableFiles(const QString& hostFolder) {
  return QDir(hostFolder).entryList({"*.DB"}, QDir::Files, QDir::Name);
}

QString SqliteReason(const QString& file, int code, sqlite3* db) {
  switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return QString("Tabela %1 este folosita de alt program").arg(file);
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
      return QString("Tabela %1 nu poate fi scrisa").arg(file);
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
      return QString("Tabela %1 este deteriorata").arg(file);
    case SQLITE_FULL:
      return QString("Disc plin la tabela %1").arg(file);
    default:
      return QString("Eroare la tabela %1: %2")
          .arg(file, db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::number(code));
  }
}

// A file or folder marked read-only (no write permission bit, as the platform maps the attribute)
// is never written, whoever runs the upgrade.
bool MarkedReadOnly(const QString& host) {
  struct stat st;
  return ::stat(QFile::encodeName(host).constData(), &st) == 0 &&
         (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

// One table file: its connection and, while a step runs, its transaction.
struct TTable {
  QString file;  // the file's name, as reported
  QString host;
  sqlite3* db = nullptr;
  bool created = false;
  bool inTransaction = false;

  TTable(const QString& name, const QString& hostPath) : file(name), host(hostPath) {}
  ~TTable() { Close(); }
  TTable(const TTable&) = delete;
  TTable& operator=(const TTable&) = delete;

  void Close() {
    if (db) sqlite3_close_v2(db);
    db = nullptr;
  }
  void Check(int rc) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
      throw StepError{SqliteReason(file, rc, db)};
  }
  void Open(int flags) {
    Check(sqlite3_open_v2(QFile::encodeName(host).constData(), &db, flags, nullptr));
    sqlite3_busy_timeout(db, kLockWaitMs);
    sqlite3_extended_result_codes(db, 1);
  }
  void Exec(const QString& sql) {
    Check(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr));
  }
};

// A prepared statement, finalised with its scope.
struct TStatement {
  sqlite3_stmt* stmt = nullptr;
  TTable& table;
  TStatement(TTable& t, const QString& sql) : table(t) {
    table.Check(sqlite3_prepare_v2(t.db, sql.toUtf8().constData(), -1, &stmt, nullptr));
  }
  ~TStatement() { sqlite3_finalize(stmt); }
  bool Step() {
    int rc = sqlite3_step(stmt);
    table.Check(rc);
    return rc == SQLITE_ROW;
  }
  QString Text(int i) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)));
  }
};

struct TColumn {
  QString name, type, dflt;
  bool notNull = false, hasDefault = false;
  int pk = 0;
};

std::vector<TColumn> Columns(TTable& t, const QString& table) {
  std::vector<TColumn> cols;
  TStatement s(t, "PRAGMA table_info(" + Quote(table) + ")");
  while (s.Step()) {
    TColumn c;
    c.name = s.Text(1);
    c.type = s.Text(2);
    c.notNull = sqlite3_column_int(s.stmt, 3) != 0;
    c.hasDefault = sqlite3_column_type(s.stmt, 4) != SQLITE_NULL;
    c.dflt = s.Text(4);
    c.pk = sqlite3_column_int(s.stmt, 5);
    cols.push_back(c);
  }
  return cols;
}

const TColumn* FindColumn(const std::vector<TColumn>& cols, const QString& name) {
  for (const TColumn& c : cols)
    if (c.name.compare(name, Qt::CaseInsensitive) == 0) return &c;
  return nullptr;
}

// The template's own CREATE TABLE text; empty when the file lacks the table.
QString CreateSql(TTable& t, const QString& table) {
  TStatement s(t, "SELECT sql FROM sqlite_master WHERE type='table' AND name=?1 COLLATE NOCASE");
  const QByteArray name = table.toUtf8();
  sqlite3_bind_text(s.stmt, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
  return s.Step() ? s.Text(0) : QString();
}

// The rows of a template table, each value kept as SQLite gave it.
struct TRows {
  std::vector<TColumn> cols;
  std::vector<std::vector<sqlite3_value*>> rows;
  ~TRows() {
    for (auto& r : rows)
      for (sqlite3_value* v : r) sqlite3_value_free(v);
  }
};

void ReadRows(TTable& t, const QString& table, TRows& out) {
  out.cols = Columns(t, table);
  QStringList names;
  for (const TColumn& c : out.cols) names << Quote(c.name);
  TStatement s(t, "SELECT " + names.join(',') + " FROM " + Quote(table) + " ORDER BY rowid");
  while (s.Step()) {
    std::vector<sqlite3_value*> row;
    for (int i = 0; i < int(out.cols.size()); ++i)
      row.push_back(sqlite3_value_dup(sqlite3_column_value(s.stmt, i)));
    out.rows.push_back(std::move(row));
  }
}

// A step: the folders, the tables it opened, and the transaction over all of them.
class TStep {
 public:
  explicit TStep(const QString& what) : what_(what) {}
  ~TStep() { Rollback(); }

  // Finds the alias's folder and its templates; a StepError when either is missing.
  void Locate() {
    const QByteArray alias = AliasFolder(kAlias);
    if (alias.isEmpty()) throw StepError{QString("Nu gasesc baza de date %1").arg(kAlias)};
    const QString winFolder = win::ExcludeTrailingBackslash(win::AnsiToUnicode(alias));
    dataHost_ = win::TryToHostPath(winFolder);
    if (dataHost_.isEmpty() || !QFileInfo(dataHost_).isDir())
      throw StepError{QString("Nu gasesc directorul %1").arg(winFolder)};
    const QString templates = win::JoinPath(win::ExtractFilePath(winFolder), "NEW\\DATA");
    templateHost_ = win::TryToHostPath(templates);
    if (templateHost_.isEmpty() || !QFileInfo(templateHost_).isDir())
      throw StepError{QString("Nu gasesc sabloanele din %1").arg(templates)};
  }

  QStringList Templates() const { return TableFiles(templateHost_); }
  QStringList DataFiles() const { return TableFiles(dataHost_); }

  // A template table, opened for reading only.
  std::unique_ptr<TTable> OpenTemplate(const QString& file) {
    auto t = std::make_unique<TTable>(file, templateHost_ + "/" + file);
    t->Open(SQLITE_OPEN_READONLY);
    return t;
  }

  // The database's table of a template's name, locked for this step; nullptr when the folder has
  // no such file and create is false.
  TTable* Data(const QString& templateFile, bool create) {
    for (auto& t : tables_)
      if (t->file.compare(templateFile, Qt::CaseInsensitive) == 0) return t.get();
    QString existing;
    for (const QString& f : DataFiles())
      if (f.compare(templateFile, Qt::CaseInsensitive) == 0) existing = f;
    if (existing.isEmpty() && !create) return nullptr;
    const QString name = existing.isEmpty() ? templateFile : existing;
    if (MarkedReadOnly(dataHost_ + "/" + name) || MarkedReadOnly(dataHost_))
      throw StepError{QString("Tabela %1 nu poate fi scrisa").arg(name)};
    auto t = std::make_unique<TTable>(name, dataHost_ + "/" + name);
    t->created = existing.isEmpty();
    TTable* raw = t.get();
    tables_.push_back(std::move(t));
    raw->Open(SQLITE_OPEN_READWRITE | (raw->created ? SQLITE_OPEN_CREATE : 0));
    raw->Exec("BEGIN EXCLUSIVE");
    raw->inTransaction = true;
    return raw;
  }

  void Commit() {
    // A test build can be told to fail one step at its very end, when everything is changed.
#ifdef UPGRADE_CAN_FAIL
    if (qEnvironmentVariable("ZAREDERAD_UPGRADE_FAIL").split(',').contains(what_))
      throw StepError{QString("Eroare provocata la pasul %1").arg(what_)};
#endif
    for (auto& t : tables_) {
      t->Exec("COMMIT");
      t->inTransaction = false;
    }
    for (auto& t : tables_) t->Close();
    tables_.clear();
  }

  void Rollback() {
    for (auto& t : tables_) {
      if (t->inTransaction && t->db) sqlite3_exec(t->db, "ROLLBACK", nullptr, nullptr, nullptr);
      t->Close();
      if (t->created) QFile::remove(t->host);
    }
    tables_.clear();
  }

 private:
  QString what_;
  QString dataHost_, templateHost_;
  std::vector<std::unique_ptr<TTable>> tables_;
};

// Runs a step: its outcome goes to GetSemaforOK, its failure to the report procedure.
void RunStep(const QString& what, const QString& done, const std::function<void(TStep&)>& body) {
  semaforOK = false;
  TStep step(what);
  try {
    step.Locate();
    body(step);
    step.Commit();
    semaforOK = true;
    Report(done);
  } catch (const StepError& e) {
    step.Rollback();
    Report(e.text);
  } catch (const std::exception& e) {
    step.Rollback();
    Report(QString("Eroare: %1").arg(QString::fromLocal8Bit(e.what())));
  }
}

void CheckTable(TTable& t) {
  TStatement s(t, quickVerif ? "PRAGMA quick_check" : "PRAGMA integrity_check");
  if (!s.Step() || s.Text(0) != "ok")
    throw StepError{QString("Tabela %1 este deteriorata").arg(t.file)};
}

void StructureBody(TStep& step) {
  // Every table of the database is locked and checked before anything changes.
  for (const QString& f : step.DataFiles()) {
    Report(QString("Verificare %1...").arg(f));
    CheckTable(*step.Data(f, false));
  }
  for (const QString& f : step.Templates()) {
    Report(QString("Structura %1...").arg(f));
    const QString table = TableName(f);
    auto tpl = step.OpenTemplate(f);
    const QString create = CreateSql(*tpl, table);
    if (create.isEmpty()) throw StepError{QString("Sablonul %1 nu are tabela %2").arg(f, table)};
    TTable* data = step.Data(f, true);
    if (CreateSql(*data, table).isEmpty()) {
      data->Exec(create);
      continue;
    }
    const std::vector<TColumn> have = Columns(*data, table);
    for (const TColumn& c : Columns(*tpl, table)) {
      if (FindColumn(have, c.name)) continue;
      QString sql =
          QString("ALTER TABLE %1 ADD COLUMN %2 %3").arg(Quote(table), Quote(c.name), c.type);
      if (c.hasDefault) sql += " DEFAULT " + c.dflt;
      if (c.notNull && c.hasDefault) sql += " NOT NULL";
      data->Exec(sql);
    }
  }
}

// Puts the template's rows into the database's table: missing rows (by key) are added; with
// update, rows of the same key also take the template's values.
void MergeRows(TStep& step, const QString& file, bool update) {
  const QString table = TableName(file);
  TRows tpl;
  ReadRows(*step.OpenTemplate(file), table, tpl);
  TTable* data = step.Data(file, false);
  if (!data || CreateSql(*data, table).isEmpty())
    throw StepError{QString("Lipseste tabela %1: verificati structurile").arg(file)};
  const std::vector<TColumn> have = Columns(*data, table);
  // The columns both sides have; the key is the template's primary key, else every column.
  std::vector<int> common, key;
  for (int i = 0; i < int(tpl.cols.size()); ++i) {
    if (!FindColumn(have, tpl.cols[i].name)) continue;
    common.push_back(i);
    if (tpl.cols[i].pk) key.push_back(i);
  }
  if (key.empty()) key = common;
  if (common.empty()) return;
  QStringList names, marks, where, sets;
  for (int i : common) {
    names << Quote(tpl.cols[i].name);
    marks << QString("?%1").arg(i + 1);
    if (!tpl.cols[i].pk) sets << QString("%1=?%2").arg(Quote(tpl.cols[i].name)).arg(i + 1);
  }
  for (int i : key) where << QString("%1 IS ?%2").arg(Quote(tpl.cols[i].name)).arg(i + 1);
  TStatement exists(*data,
                    QString("SELECT 1 FROM %1 WHERE %2").arg(Quote(table), where.join(" AND ")));
  TStatement insert(*data, QString("INSERT INTO %1 (%2) VALUES (%3)")
                               .arg(Quote(table), names.join(','), marks.join(',')));
  std::unique_ptr<TStatement> change;
  if (update && !sets.isEmpty() && key != common)
    change = std::make_unique<TStatement>(
        *data, QString("UPDATE %1 SET %2 WHERE %3")
                   .arg(Quote(table), sets.join(','), where.join(" AND ")));
  for (const auto& row : tpl.rows) {
    for (TStatement* s : {&exists, &insert, change.get()}) {
      if (!s) continue;
      sqlite3_reset(s->stmt);
      sqlite3_clear_bindings(s->stmt);
      for (int i : common) sqlite3_bind_value(s->stmt, i + 1, row[size_t(i)]);
    }
    if (!exists.Step())
      insert.Step();
    else if (change)
      change->Step();
  }
}

bool IsListTemplate(TStep& step, const QString& file) {
  if (TableName(file) == kConstTable) return false;
  auto tpl = step.OpenTemplate(file);
  TStatement s(*tpl, "SELECT 1 FROM " + Quote(TableName(file)) + " LIMIT 1");
  return s.Step();
}

void ListBody(TStep& step) {
  for (const QString& f : step.Templates()) {
    if (!IsListTemplate(step, f)) continue;
    Report(QString("Liste %1...").arg(f));
    MergeRows(step, f, false);
  }
}

void ConstBody(TStep& step) {
  for (const QString& f : step.Templates()) {
    if (TableName(f) != kConstTable) continue;
    Report(QString("Constante %1...").arg(f));
    MergeRows(step, f, true);
  }
}

}  // namespace

extern "C" {

void GetAliasPath(char* buffer) {
  if (!buffer) return;
  const QByteArray alias(buffer, qsizetype(strnlen(buffer, ALIAS_PATH_SIZE - 1)));
  QByteArray folder;
  try {
    folder = AliasFolder(alias);
  } catch (const std::exception&) {
    folder.clear();  // a machine that cannot be read knows no alias
  }
  memset(buffer, 0, ALIAS_PATH_SIZE);
  memcpy(buffer, folder.constData(), size_t(qMin<qsizetype>(folder.size(), ALIAS_PATH_SIZE - 1)));
}

void SetReportProc(TReportProc proc) {
  reportProc = proc;
}

void DoStructureUpgrade(void) {
  RunStep("1", "Structurile sunt la zi", StructureBody);
}

void DoListUpgrade(void) {
  RunStep("2", "Listele sunt la zi", ListBody);
}

void DoConstUpgrade(void) {
  RunStep("3", "Constantele sunt la zi", ConstBody);
}

uint8_t GetSemaforOK(void) {
  return semaforOK ? 1 : 0;
}

void SetQuickVerif(uint8_t quick) {
  quickVerif = quick != 0;
}

uint8_t CheckExclusive(void) {
  bool free = false;
  TStep step("0");
  try {
    step.Locate();
    for (const QString& f : step.DataFiles()) step.Data(f, false);
    free = true;
  } catch (const std::exception&) {
  } catch (const StepError&) {
  }
  step.Rollback();
  return free ? 1 : 0;
}

}  // extern "C"
