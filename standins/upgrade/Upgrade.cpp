// The sample upgrade library: brings the SQLite database of the alias ZORVAN up to the templates
// in the data folder's NEW\DATA. Every table file (*.DB) holds one table named like the file.
//
// Each step is one transaction over all the files it writes: they are attached to one connection
// with rollback journals, so SQLite commits them together through its super-journal, and a kill
// or a failure at any moment leaves every file as before the step or every file as after it (a
// hot journal is rolled back when the file is next opened). The tables a step only reads stay
// locked on connections of their own until the step ends.
//
// A table file that the step creates cannot be part of that commit: SQLite makes it empty when it
// is attached, and undoing the step leaves it empty. So the step first notes the files it will
// create in kCreatedList; the next step removes those of them that are still empty (an undone
// creation), and the list.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>
#include <cerrno>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Codepage.h"
#include "platform/Idapi.h"
#include "platform/Machine.h"
#include "platform/Paths.h"
#include "upgrade/UpgradeApi.h"

#ifdef UPGRADE_CAN_FAIL
#include <csignal>
#endif

namespace {

constexpr char kAlias[] = "ZORVAN";
constexpr char kConstTable[] = "CONST";
constexpr char kCreatedList[] = "UPGRADE.LST";
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

// The file operations of a step, counted in the test build so that a test can stop the step at
// any of them: ZAREDERAD_UPGRADE_KILL=N kills the process at the N-th write, sync, truncation or
// removal; ZAREDERAD_UPGRADE_FULL=N fails the N-th write as a full disk does, and from then on
// every write that would make a file longer. The shipped library counts nothing.
enum class FileOp { kWrite, kSync, kTruncate, kDelete };

#ifdef UPGRADE_CAN_FAIL
namespace fault {

int killAt = 0, fullAt = 0;
int ops = 0, writes = 0;
bool diskFull = false;

void Arm() {
  killAt = qEnvironmentVariableIntValue("ZAREDERAD_UPGRADE_KILL");
  fullAt = qEnvironmentVariableIntValue("ZAREDERAD_UPGRADE_FULL");
  ops = writes = 0;
  diskFull = false;
}

// SQLITE_FULL when the operation must fail, else SQLITE_OK; grows: a write past the file's end.
int At(FileOp op, bool grows) {
  if (killAt > 0 && ++ops == killAt) raise(SIGKILL);
  if (op != FileOp::kWrite || fullAt <= 0) return SQLITE_OK;
  if (++writes == fullAt) diskFull = true;
  return diskFull && (grows || writes == fullAt) ? SQLITE_FULL : SQLITE_OK;
}

// A VFS over the default one that passes every call on after counting it.
struct TFile {
  sqlite3_file base;
  sqlite3_file* real;  // the default VFS's file, right behind this one
};
sqlite3_vfs* realVfs = nullptr;
sqlite3_vfs vfs;

sqlite3_file* Real(sqlite3_file* f) {
  return reinterpret_cast<TFile*>(f)->real;
}
int Close(sqlite3_file* f) {
  return Real(f)->pMethods->xClose(Real(f));
}
int Read(sqlite3_file* f, void* buf, int amount, sqlite3_int64 offset) {
  return Real(f)->pMethods->xRead(Real(f), buf, amount, offset);
}
int Write(sqlite3_file* f, const void* buf, int amount, sqlite3_int64 offset) {
  sqlite3_int64 size = 0;
  Real(f)->pMethods->xFileSize(Real(f), &size);
  if (int rc = At(FileOp::kWrite, offset + amount > size)) return rc;
  return Real(f)->pMethods->xWrite(Real(f), buf, amount, offset);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) {
  At(FileOp::kTruncate, false);
  return Real(f)->pMethods->xTruncate(Real(f), size);
}
int Sync(sqlite3_file* f, int flags) {
  At(FileOp::kSync, false);
  return Real(f)->pMethods->xSync(Real(f), flags);
}
int FileSize(sqlite3_file* f, sqlite3_int64* size) {
  return Real(f)->pMethods->xFileSize(Real(f), size);
}
int Lock(sqlite3_file* f, int level) {
  return Real(f)->pMethods->xLock(Real(f), level);
}
int Unlock(sqlite3_file* f, int level) {
  return Real(f)->pMethods->xUnlock(Real(f), level);
}
int CheckReservedLock(sqlite3_file* f, int* out) {
  return Real(f)->pMethods->xCheckReservedLock(Real(f), out);
}
int FileControl(sqlite3_file* f, int op, void* arg) {
  return Real(f)->pMethods->xFileControl(Real(f), op, arg);
}
int SectorSize(sqlite3_file* f) {
  return Real(f)->pMethods->xSectorSize(Real(f));
}
int DeviceCharacteristics(sqlite3_file* f) {
  return Real(f)->pMethods->xDeviceCharacteristics(Real(f));
}
// Version 1: no shared memory (WAL) and no memory mapping, which the steps never use.
const sqlite3_io_methods methods = {.iVersion = 1,
                                    .xClose = Close,
                                    .xRead = Read,
                                    .xWrite = Write,
                                    .xTruncate = Truncate,
                                    .xSync = Sync,
                                    .xFileSize = FileSize,
                                    .xLock = Lock,
                                    .xUnlock = Unlock,
                                    .xCheckReservedLock = CheckReservedLock,
                                    .xFileControl = FileControl,
                                    .xSectorSize = SectorSize,
                                    .xDeviceCharacteristics = DeviceCharacteristics,
                                    .xShmMap = nullptr,
                                    .xShmLock = nullptr,
                                    .xShmBarrier = nullptr,
                                    .xShmUnmap = nullptr,
                                    .xFetch = nullptr,
                                    .xUnfetch = nullptr};

int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
  auto* file = reinterpret_cast<TFile*>(f);
  file->real = reinterpret_cast<sqlite3_file*>(file + 1);
  int rc = realVfs->xOpen(realVfs, name, file->real, flags, outFlags);
  file->base.pMethods = file->real->pMethods ? &methods : nullptr;
  return rc;
}
int Delete(sqlite3_vfs*, const char* name, int syncDir) {
  At(FileOp::kDelete, false);
  return realVfs->xDelete(realVfs, name, syncDir);
}

// Registered (not as the default) while the library is loaded.
struct TRegistration {
  TRegistration() {
    realVfs = sqlite3_vfs_find(nullptr);
    vfs = *realVfs;
    vfs.zName = "zarederad-fault";
    vfs.szOsFile = int(sizeof(TFile)) + realVfs->szOsFile;
    vfs.xOpen = Open;
    vfs.xDelete = Delete;
    sqlite3_vfs_register(&vfs, 0);
  }
  ~TRegistration() { sqlite3_vfs_unregister(&vfs); }
} registration;

}  // namespace fault

const char* const kVfs = "zarederad-fault";
int FaultAt(FileOp op) {
  return fault::At(op, true);
}
#else
const char* const kVfs = nullptr;
int FaultAt(FileOp) {
  return SQLITE_OK;
}
#endif

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

// The name a file has in a listing of a folder, matched without regard to case; empty if none.
QString FindFile(const QStringList& files, const QString& name) {
  for (const QString& f : files)
    if (f.compare(name, Qt::CaseInsensitive) == 0) return f;
  return {};
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

// One table file: the connection it is reached through and the schema it has there ("main" on a
// connection of its own).
struct TTable {
  QString file;  // the file's name, as reported
  QString host;
  QString schema = "main";
  sqlite3* db = nullptr;
  bool ownsDb = true;
  bool created = false;

  TTable(const QString& name, const QString& hostPath) : file(name), host(hostPath) {}
  ~TTable() { Close(); }
  TTable(const TTable&) = delete;
  TTable& operator=(const TTable&) = delete;

  void Close() {
    if (db && ownsDb) {
      if (!sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
      sqlite3_close_v2(db);
    }
    db = nullptr;
  }
  void Check(int rc) const {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
      throw StepError{SqliteReason(file, rc, db)};
  }
  void Open(int flags) {
    Check(sqlite3_open_v2(QFile::encodeName(host).constData(), &db, flags, kVfs));
    sqlite3_busy_timeout(db, kLockWaitMs);
    sqlite3_extended_result_codes(db, 1);
  }
  void Exec(const QString& sql) const {
    Check(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr));
  }
  // A name of this file's schema, qualified.
  QString Name(const QString& name) const { return Quote(schema) + "." + Quote(name); }
};

// A prepared statement, finalised with its scope.
struct TStatement {
  sqlite3_stmt* stmt = nullptr;
  const TTable& table;
  TStatement(const TTable& t, const QString& sql) : table(t) {
    table.Check(sqlite3_prepare_v2(t.db, sql.toUtf8().constData(), -1, &stmt, nullptr));
  }
  ~TStatement() { sqlite3_finalize(stmt); }
  TStatement(const TStatement&) = delete;
  TStatement& operator=(const TStatement&) = delete;
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

std::vector<TColumn> Columns(const TTable& t, const QString& table) {
  std::vector<TColumn> cols;
  TStatement s(t, "PRAGMA " + Quote(t.schema) + ".table_info(" + Quote(table) + ")");
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

// The file's own CREATE TABLE text; empty when the file lacks the table.
QString CreateSql(const TTable& t, const QString& table) {
  TStatement s(t, "SELECT sql FROM " + t.Name("sqlite_master") +
                      " WHERE type='table' AND name=?1 COLLATE NOCASE");
  const QByteArray name = table.toUtf8();
  sqlite3_bind_text(s.stmt, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
  return s.Step() ? s.Text(0) : QString();
}

// The rows of a template table, each value kept as SQLite gave it.
struct TRows {
  std::vector<TColumn> cols;
  std::vector<std::vector<sqlite3_value*>> rows;
  TRows() = default;
  ~TRows() {
    for (auto& r : rows)
      for (sqlite3_value* v : r) sqlite3_value_free(v);
  }
  TRows(const TRows&) = delete;
  TRows& operator=(const TRows&) = delete;
};

void ReadRows(const TTable& t, const QString& table, TRows& out) {
  out.cols = Columns(t, table);
  QStringList names;
  for (const TColumn& c : out.cols) names << Quote(c.name);
  TStatement s(t, "SELECT " + names.join(',') + " FROM " + t.Name(table) + " ORDER BY rowid");
  while (s.Step()) {
    std::vector<sqlite3_value*> row;
    row.reserve(out.cols.size());
    for (int i = 0; i < int(out.cols.size()); ++i)
      row.push_back(sqlite3_value_dup(sqlite3_column_value(s.stmt, i)));
    out.rows.push_back(std::move(row));
  }
}

// Runs a file operation of the library's own (not SQLite's), counted like SQLite's in the test
// build; errno of the failure, 0 when it succeeded.
int OwnFileOp(FileOp op, const std::function<bool()>& run) {
  if (FaultAt(op) == SQLITE_FULL) return ENOSPC;
  errno = 0;
  return run() ? 0 : (errno ? errno : EIO);
}

// A step: the folders, the tables it writes (on one connection, in one transaction) and the
// tables it only locks (on connections of their own).
class TStep {
 public:
  explicit TStep(const QString& what) : what_(what) {}
  ~TStep() { Rollback(); }
  TStep(const TStep&) = delete;
  TStep& operator=(const TStep&) = delete;

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
  std::unique_ptr<TTable> OpenTemplate(const QString& file) const {
    auto t = std::make_unique<TTable>(file, templateHost_ + "/" + file);
    t->Open(SQLITE_OPEN_READONLY);
    return t;
  }

  // Ends what a step that was killed left: the tables it noted as created that are empty (their
  // creation undone when SQLite rolled the step back) are removed, then the note.
  void FinishInterrupted() {
    const QString list = dataHost_ + "/" + kCreatedList;
    QFile f(list);
    if (!f.open(QIODevice::ReadOnly)) return;
    const QByteArray text = f.readAll();
    f.close();
    // Only whole lines: a note cut short by the kill was written before its files existed.
    for (const QByteArray& line : text.left(text.lastIndexOf('\n') + 1).split('\n')) {
      const QString name = QFile::decodeName(line);
      if (name.isEmpty() || name.contains('/')) continue;
      TTable t(name, dataHost_ + "/" + name);
      if (!QFileInfo::exists(t.host)) continue;
      t.Open(SQLITE_OPEN_READWRITE);
      t.Exec("BEGIN EXCLUSIVE");  // rolls a hot journal back
      t.Close();
      if (QFileInfo(t.host).size() == 0)
        OwnFileOp(FileOp::kDelete, [&] { return QFile::remove(t.host); });
    }
    OwnFileOp(FileOp::kDelete, [&] { return QFile::remove(list); });
  }

  // Opens the files the step writes (templateFiles: the templates' names; a file the folder
  // lacks is created) on one connection and locks them all, before anything changes.
  void Begin(const QStringList& templateFiles) {
    const QStringList existing = DataFiles();
    QStringList created;
    for (const QString& f : templateFiles) {
      const QString found = FindFile(existing, f);
      const QString name = found.isEmpty() ? f : found;
      if (MarkedReadOnly(dataHost_ + "/" + name) || MarkedReadOnly(dataHost_))
        throw StepError{QString("Tabela %1 nu poate fi scrisa").arg(name)};
      auto t = std::make_unique<TTable>(name, dataHost_ + "/" + name);
      t->created = found.isEmpty();
      t->ownsDb = false;
      if (t->created) created << name;
      writes_.push_back(std::move(t));
    }
    if (writes_.empty()) return;
    const int most = AttachLimit() + 1;
    if (int(writes_.size()) > most)
      throw StepError{QString("Pasul ar scrie %1 tabele deodata; se pot scrie impreuna cel mult %2")
                          .arg(writes_.size())
                          .arg(most)};
    if (!created.isEmpty()) NoteCreated(created);

    // Every file is named by a URI, so that only the new ones may be created.
    TTable& first = *writes_.front();
    first.Check(sqlite3_open_v2(Uri(first).constData(), &writer_,
                                SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI,
                                kVfs));
    sqlite3_busy_timeout(writer_, kLockWaitMs);
    sqlite3_extended_result_codes(writer_, 1);
    for (size_t i = 0; i < writes_.size(); ++i) {
      TTable& t = *writes_[i];
      t.db = writer_;
      if (i > 0) {
        t.schema = QString("t%1").arg(i);
        TStatement attach(t, "ATTACH ?1 AS " + Quote(t.schema));
        const QByteArray uri = Uri(t);
        sqlite3_bind_text(attach.stmt, 1, uri.constData(), int(uri.size()), SQLITE_TRANSIENT);
        attach.Step();
      }
      // SQLite commits attached files together only with rollback journals. WAL is a mode of
      // the file itself; leaving it would change the file, so such a table is refused.
      TStatement(t, "SELECT count(*) FROM " + t.Name("sqlite_master")).Step();
      TStatement mode(t, "PRAGMA " + Quote(t.schema) + ".journal_mode");
      if (mode.Step() && mode.Text(0).compare("wal", Qt::CaseInsensitive) == 0)
        throw StepError{
            QString("Tabela %1 foloseste jurnalul WAL si nu poate fi scrisa").arg(t.file)};
      t.Exec("PRAGMA " + Quote(t.schema) + ".journal_mode=DELETE");
      t.Exec("PRAGMA " + Quote(t.schema) + ".synchronous=FULL");
    }
    const int rc = sqlite3_exec(writer_, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throw StepError{SqliteReason(BusyFile(rc), rc, writer_)};
  }

  // A table the step only reads, locked on a connection of its own until the step ends.
  TTable* Hold(const QString& file) {
    if (TTable* t = Find(file)) return t;
    if (MarkedReadOnly(dataHost_ + "/" + file) || MarkedReadOnly(dataHost_))
      throw StepError{QString("Tabela %1 nu poate fi scrisa").arg(file)};
    held_.push_back(std::make_unique<TTable>(file, dataHost_ + "/" + file));
    TTable* t = held_.back().get();
    t->Open(SQLITE_OPEN_READWRITE);
    t->Exec("BEGIN EXCLUSIVE");
    return t;
  }

  // A table of the step, written or held; nullptr when the step has none of that name.
  TTable* Find(const QString& file) const {
    for (const auto* list : {&writes_, &held_})
      for (const auto& t : *list)
        if (t->file.compare(file, Qt::CaseInsensitive) == 0) return t.get();
    return nullptr;
  }

  const std::vector<std::unique_ptr<TTable>>& Writes() const { return writes_; }

  void Commit() {
    // A test build can be told to fail one step at its very end, when everything is changed.
#ifdef UPGRADE_CAN_FAIL
    if (qEnvironmentVariable("ZAREDERAD_UPGRADE_FAIL").split(',').contains(what_))
      throw StepError{QString("Eroare provocata la pasul %1").arg(what_)};
#endif
    if (writer_) {
      const int rc = sqlite3_exec(writer_, "COMMIT", nullptr, nullptr, nullptr);
      if (rc != SQLITE_OK) throw StepError{CommitReason(rc)};
      sqlite3_close_v2(writer_);
      writer_ = nullptr;
      RemoveStaleSuperJournals();
    }
    writes_.clear();
    held_.clear();
    if (noted_) OwnFileOp(FileOp::kDelete, [&] { return QFile::remove(NoteHost()); });
    noted_ = false;
  }

  void Rollback() {
    const bool wrote = writer_ != nullptr;
    if (writer_) {
      if (!sqlite3_get_autocommit(writer_))
        sqlite3_exec(writer_, "ROLLBACK", nullptr, nullptr, nullptr);
      sqlite3_close_v2(writer_);
      writer_ = nullptr;
    }
    for (auto& t : writes_) {
      t->db = nullptr;
      if (!t->created) continue;
      for (const QString& f : {t->host, t->host + "-journal"})
        if (QFileInfo::exists(f)) OwnFileOp(FileOp::kDelete, [&] { return QFile::remove(f); });
    }
    if (wrote) RemoveStaleSuperJournals();
    writes_.clear();
    held_.clear();
    if (noted_) OwnFileOp(FileOp::kDelete, [&] { return QFile::remove(NoteHost()); });
    noted_ = false;
  }

 private:
  QString NoteHost() const {
    return dataHost_ + "/" + kCreatedList;
  }

  // The names of the files the step will create, one a line, on disk before any of them is.
  void NoteCreated(const QStringList& names) {
    const QByteArray text = QFile::encodeName(names.join('\n') + '\n');
    const QByteArray path = QFile::encodeName(NoteHost());
    const QByteArray folder = QFile::encodeName(dataHost_);
    noted_ = true;
    int fd = -1;
    int err = OwnFileOp(FileOp::kWrite, [&] {
      fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      return fd >= 0 && ::write(fd, text.constData(), size_t(text.size())) == text.size();
    });
    if (!err) err = OwnFileOp(FileOp::kSync, [&] { return ::fsync(fd) == 0; });
    if (fd >= 0) ::close(fd);
    if (!err) {
      // The note's name on disk too, before the new files get theirs.
      const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
      }
      return;
    }
    throw StepError{err == ENOSPC ? QString("Disc plin la tabela %1").arg(names.front())
                                  : QString("Tabela %1 nu poate fi scrisa").arg(names.front())};
  }

  // SQLite's super-journal of a multi-file commit that did not finish can outlive it: when the
  // commit was killed before any file's journal named it (SQLite only looks at it from a
  // journal), and at times when a commit fails. One is removed, once the step's own connection is
  // closed, while every file it lists is locked here (so no commit can be using it; a hot journal
  // is rolled back on the way) and no journal names it any more.
  void RemoveStaleSuperJournals() const {
    QStringList tables = DataFiles();                 // a super-journal is named after a table file
    for (const auto& t : writes_) tables << t->file;  // also one this step made and removed
    const QDir folder(dataHost_);
    for (const QString& name : folder.entryList({"*-mj*"}, QDir::Files | QDir::Hidden)) {
      if (FindFile(tables, name.left(name.lastIndexOf("-mj"))).isEmpty()) continue;
      const QString super = folder.filePath(name);
      QFile f(super);
      if (!f.open(QIODevice::ReadOnly)) continue;
      const QByteArray text = f.readAll();
      f.close();
      // Names end with a NUL; a name cut short was never given to a journal.
      bool stale = true;
      std::vector<std::unique_ptr<TTable>> locks;
      for (const QByteArray& child : text.left(text.lastIndexOf('\0') + 1).split('\0')) {
        if (child.isEmpty()) continue;
        const QString journal = QFile::decodeName(child);
        if (!journal.endsWith("-journal")) {
          stale = false;
          break;
        }
        auto db = std::make_unique<TTable>(QString(), journal.chopped(8));
        if (QFileInfo::exists(db->host)) {
          if (sqlite3_open_v2(QFile::encodeName(db->host).constData(), &db->db,
                              SQLITE_OPEN_READWRITE, kVfs) != SQLITE_OK ||
              sqlite3_exec(db->db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK) {
            stale = false;
            break;
          }
          locks.push_back(std::move(db));
        }
        if (NamesSuperJournal(journal, super)) {
          stale = false;
          break;
        }
      }
      if (stale && QFileInfo::exists(super))
        OwnFileOp(FileOp::kDelete, [&] { return QFile::remove(super); });
    }
  }

  // Whether a rollback journal ends with SQLite's record of a super-journal naming super (its
  // name, length, checksum and magic number); also when the journal cannot be read, so that
  // nothing is removed on a doubt.
  static bool NamesSuperJournal(const QString& journal, const QString& super) {
    QFile f(journal);
    if (!f.exists()) return false;
    if (!f.open(QIODevice::ReadOnly)) return true;
    static const QByteArray magic("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8);
    const qint64 size = f.size();
    if (size < 16 || !f.seek(size - 16)) return false;
    const QByteArray tail = f.read(16);
    if (tail.size() != 16 || tail.mid(8) != magic) return false;
    const auto* b = reinterpret_cast<const uchar*>(tail.constData());
    const qint64 length = qint64(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3];
    if (length <= 0 || length > size - 16 || !f.seek(size - 16 - length)) return true;
    const QString named = QFile::decodeName(f.read(length));
    return QFileInfo(named).canonicalFilePath() == QFileInfo(super).canonicalFilePath();
  }

  static QByteArray Uri(const TTable& t) {
    return "file:" + QUrl::toPercentEncoding(t.host, "/") + (t.created ? "?mode=rwc" : "?mode=rw");
  }

  static int AttachLimit() {
    sqlite3* db = nullptr;
    int limit = 0;
    if (sqlite3_open(":memory:", &db) == SQLITE_OK)
      limit = sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, -1);
    sqlite3_close(db);
    return limit;
  }

  // The file that kept the step from locking them all: the first one that cannot be locked now.
  QString BusyFile(int rc) const {
    if ((rc & 0xff) == SQLITE_BUSY)
      for (const auto& t : writes_) {
        sqlite3* probe = nullptr;
        bool locked = false;
        if (sqlite3_open_v2(QFile::encodeName(t->host).constData(), &probe, SQLITE_OPEN_READWRITE,
                            nullptr) == SQLITE_OK)
          locked = sqlite3_exec(probe, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_BUSY;
        sqlite3_close_v2(probe);  // a transaction begun goes with its connection
        if (locked) return t->file;
      }
    return writes_.front()->file;
  }

  // Why the commit failed; it changed none of the files.
  QString CommitReason(int rc) const {
    QStringList files;
    for (const auto& t : writes_) files << t->file;
    if ((rc & 0xff) == SQLITE_FULL)
      return QString("Disc plin la tabelele %1").arg(files.join(", "));
    return QString("Eroare la tabelele %1: %2")
        .arg(files.join(", "), QString::fromUtf8(sqlite3_errmsg(writer_)));
  }

  QString what_;
  QString dataHost_, templateHost_;
  sqlite3* writer_ = nullptr;
  bool noted_ = false;
  std::vector<std::unique_ptr<TTable>> writes_;
  std::vector<std::unique_ptr<TTable>> held_;
};

// Runs a step: its outcome goes to GetSemaforOK, its failure to the report procedure.
void RunStep(const QString& what, const QString& done, const std::function<void(TStep&)>& body) {
  semaforOK = false;
#ifdef UPGRADE_CAN_FAIL
  fault::Arm();
#endif
  TStep step(what);
  try {
    step.Locate();
    step.FinishInterrupted();
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

// A damaged table is never written: SQLite may not see the damage and build on it.
void CheckTable(const TTable& t, bool quick) {
  TStatement s(t, "PRAGMA " + Quote(t.schema) + (quick ? ".quick_check" : ".integrity_check"));
  if (!s.Step() || s.Text(0) != "ok")
    throw StepError{QString("Tabela %1 este deteriorata").arg(t.file)};
}

void CheckWrites(const TStep& step) {
  for (const auto& t : step.Writes())
    if (!t->created) CheckTable(*t, true);
}

void StructureBody(TStep& step) {
  // Every table of the database is locked and checked before anything changes.
  const QStringList templates = step.Templates();
  const QStringList files = step.DataFiles();  // before the new ones appear
  step.Begin(templates);
  for (const QString& f : files) step.Hold(f);
  for (const QString& f : files) {
    Report(QString("Verificare %1...").arg(f));
    CheckTable(*step.Find(f), quickVerif);
  }
  for (const QString& f : templates) {
    Report(QString("Structura %1...").arg(f));
    const QString table = TableName(f);
    auto tpl = step.OpenTemplate(f);
    const QString create = CreateSql(*tpl, table);
    // SQLite keeps the text as "CREATE TABLE name ...", the name unqualified.
    const QString head = "CREATE TABLE ";
    if (!create.startsWith(head))
      throw StepError{QString("Sablonul %1 nu are tabela %2").arg(f, table)};
    TTable* data = step.Find(f);
    if (CreateSql(*data, table).isEmpty()) {
      data->Exec(head + Quote(data->schema) + "." + create.mid(head.size()));
      continue;
    }
    const std::vector<TColumn> have = Columns(*data, table);
    for (const TColumn& c : Columns(*tpl, table)) {
      if (FindColumn(have, c.name)) continue;
      QString sql =
          QString("ALTER TABLE %1 ADD COLUMN %2 %3").arg(data->Name(table), Quote(c.name), c.type);
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
  TTable* data = step.Find(file);
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
  TStatement exists(
      *data, QString("SELECT 1 FROM %1 WHERE %2").arg(data->Name(table), where.join(" AND ")));
  TStatement insert(*data, QString("INSERT INTO %1 (%2) VALUES (%3)")
                               .arg(data->Name(table), names.join(','), marks.join(',')));
  std::unique_ptr<TStatement> change;
  if (update && !sets.isEmpty() && key != common)
    change = std::make_unique<TStatement>(
        *data, QString("UPDATE %1 SET %2 WHERE %3")
                   .arg(data->Name(table), sets.join(','), where.join(" AND ")));
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

bool IsListTemplate(const TStep& step, const QString& file) {
  if (TableName(file) == kConstTable) return false;
  auto tpl = step.OpenTemplate(file);
  TStatement s(*tpl, "SELECT 1 FROM " + Quote(TableName(file)) + " LIMIT 1");
  return s.Step();
}

// The tables the rows of the templates go to; every one must be there already.
QStringList RowTargets(const TStep& step, const QStringList& templates) {
  const QStringList files = step.DataFiles();
  for (const QString& f : templates)
    if (FindFile(files, f).isEmpty())
      throw StepError{QString("Lipseste tabela %1: verificati structurile").arg(f)};
  return templates;
}

void ListBody(TStep& step) {
  QStringList lists;
  for (const QString& f : step.Templates())
    if (IsListTemplate(step, f)) lists << f;
  step.Begin(RowTargets(step, lists));
  CheckWrites(step);
  for (const QString& f : lists) {
    Report(QString("Liste %1...").arg(f));
    MergeRows(step, f, false);
  }
}

void ConstBody(TStep& step) {
  QStringList consts;
  for (const QString& f : step.Templates())
    if (TableName(f) == kConstTable) consts << f;
  step.Begin(RowTargets(step, consts));
  CheckWrites(step);
  for (const QString& f : consts) {
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
    for (const QString& f : step.DataFiles()) step.Hold(f);
    free = true;
  } catch (const std::exception&) {
  } catch (const StepError&) {
  }
  step.Rollback();
  return free ? 1 : 0;
}

}  // extern "C"
