#include "platform/Idapi.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <functional>
#include <set>

#include "EngineCfg.h"
#include "platform/AtomicFile.h"
#include "platform/Codepage.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/WinError.h"

struct DbiDatabase {
  QByteArray alias;
};

struct DbiCursor {
  struct Node {
    QByteArray name, value;
    bool hasSubnodes = false;
  };
  QByteArray path;
  bool readOnly = false;
  bool persistent = true;
  QList<Node> nodes;
  qsizetype pos = -1;  // before the first node
};

namespace {

struct SessionAlias {
  QByteArray name, driver, params;
};

struct Engine {
  int uses = 0;
  QString cfgHost;  // the configuration file
  TEngineCfg cfg;   // as last read from or written to it
  QList<SessionAlias> sessionAliases;
  std::set<DbiDatabase*> databases;
  std::set<DbiCursor*> cursors;
  DBIResult lastError = DBIERR_NONE;  // the last failure of a store, and what it was
  QString lastErrorText;
};

Engine& E() {
  static Engine engine;
  return engine;
}

QString ConfigFileFromRegistry() {
  win::TRegistry reg;
  if (!reg.OpenKeyReadOnly("\\Software\\Borland\\Database Engine")) return {};
  QString file;
  try {
    file = reg.ReadString("CONFIGFILE01");
  } catch (const std::exception&) {
    return {};
  }
  return file.isEmpty() ? QString() : win::TryToHostPath(file);
}

bool ReadCfg(const QString& host, TEngineCfg& cfg) {
  if (host.isEmpty() || !QFileInfo(host).isFile()) return false;
  QFile f(host);
  if (!f.open(QIODevice::ReadOnly) || !cfg.Parse(f.readAll())) return false;
  cfg.AddDefaults();
  return true;
}

// Another process of the machine may have changed the file since: read it again.
void Refresh() {
  TEngineCfg fresh;
  if (ReadCfg(E().cfgHost, fresh)) E().cfg = fresh;
}

// How messages name the configuration file: as the machine does, else as the host does.
QString StoreName(const QString& host) {
  QString name = host;
  try {
    name = win::ToWindowsPath(host);
  } catch (const std::exception&) {
  }
  return QString("The engine configuration %1").arg(name);
}

DBIResult Failed(DBIResult code, const QString& text) {
  E().lastError = code;
  E().lastErrorText = text;
  return code;
}

// Replaces a configuration file under the lock of its folder.
DBIResult Write(const QString& host, const TEngineCfg& cfg) {
  try {
    win::FileLock lock(host, StoreName(host));
    win::AtomicWriteFile(host, cfg.Serialize());
  } catch (const win::Error& e) {
    return Failed(
        e.code() == win::ERROR_SHARING_VIOLATION ? DBIERR_CFGLOCKED : DBIERR_CFGCANNOTWRITE,
        QString::fromStdString(e.what()));
  }
  return DBIERR_NONE;
}

// A change of the configuration file: read again under its lock, changed, written atomically.
DBIResult Persist(const QString& host, const std::function<DBIResult(TEngineCfg&)>& change) {
  try {
    win::FileLock lock(host, StoreName(host));
    TEngineCfg fresh;
    if (!ReadCfg(host, fresh))
      return Failed(DBIERR_CFGCANNOTREAD, StoreName(host) + " cannot be read.");
    if (DBIResult r = change(fresh)) return r;
    win::AtomicWriteFile(host, fresh.Serialize());
    if (host == E().cfgHost) E().cfg = fresh;
  } catch (const win::Error& e) {
    return Failed(
        e.code() == win::ERROR_SHARING_VIOLATION ? DBIERR_CFGLOCKED : DBIERR_CFGCANNOTWRITE,
        QString::fromStdString(e.what()));
  }
  return DBIERR_NONE;
}

const SessionAlias* FindSessionAlias(const QByteArray& name) {
  for (const SessionAlias& a : E().sessionAliases)
    if (qstricmp(a.name, name) == 0) return &a;
  return nullptr;
}

bool KnownDriver(const TEngineCfg& cfg, const QByteArray& driver) {
  QByteArray path = "\\DRIVERS\\" + driver.trimmed();
  return !driver.trimmed().isEmpty() && (cfg.Find(path) || cfg.HasChildren(path));
}

DBIResult AddTo(TEngineCfg& cfg, const SessionAlias& a) {
  if (cfg.HasAlias(a.name)) return DBIERR_NAMENOTUNIQUE;
  if (!KnownDriver(cfg, a.driver)) return DBIERR_UNKNOWNDRIVER;
  return cfg.AddAlias(a.name, a.driver, a.params) ? DBIERR_NONE : DBIERR_INVALIDPARAM;
}

bool ValidCursor(hDBICur c) {
  return c && E().cursors.count(c);
}

}  // namespace

extern "C" {

DBIResult DbiInit(pDBIEnv) {
  Engine& e = E();
  if (e.uses > 0) {
    ++e.uses;
    return DBIERR_NONE;
  }
  QString host = ConfigFileFromRegistry();
  if (host.isEmpty())
    return Failed(DBIERR_NOCONFIGFILE, "The registry names no engine configuration file.");
  TEngineCfg cfg;
  if (!ReadCfg(host, cfg))
    return Failed(DBIERR_CFGCANNOTREAD, StoreName(host) + " cannot be read.");
  e.cfgHost = host;
  e.cfg = cfg;
  e.uses = 1;
  return DBIERR_NONE;
}

DBIResult DbiExit(void) {
  Engine& e = E();
  if (e.uses == 0) return DBIERR_NOTINITIALIZED;
  if (--e.uses == 0) {
    for (DbiDatabase* db : e.databases) delete db;
    for (DbiCursor* c : e.cursors) delete c;
    e.databases.clear();
    e.cursors.clear();
    e.sessionAliases.clear();
  }
  return DBIERR_NONE;
}

DBIResult DbiOpenDatabase(const char* pszDbName, const char*, DBIOpenMode, DBIShareMode,
                          const char*, uint16_t, const void*, const void*, hDBIDb* phDb) {
  if (E().uses == 0) return DBIERR_NOTINITIALIZED;
  if (!pszDbName || !phDb) return DBIERR_INVALIDPARAM;
  *phDb = nullptr;
  Refresh();
  QByteArray name(pszDbName), folder;
  if (E().cfg.HasAlias(name)) {
    folder = E().cfg.AliasPath(name);
  } else if (const SessionAlias* a = FindSessionAlias(name)) {
    TEngineCfg scratch;
    scratch.AddAlias(a->name, a->driver, a->params);
    folder = scratch.AliasPath(a->name);
  } else {
    return DBIERR_UNKNOWNDB;
  }
  if (folder.isEmpty() || !win::DirectoryExists(win::AnsiToUnicode(folder)))
    return DBIERR_DIRNOTFOUND;
  *phDb = new DbiDatabase{name};
  E().databases.insert(*phDb);
  return DBIERR_NONE;
}

DBIResult DbiCloseDatabase(hDBIDb* phDb) {
  if (!phDb || !*phDb || !E().databases.count(*phDb)) return DBIERR_INVALIDHNDL;
  E().databases.erase(*phDb);
  delete *phDb;
  *phDb = nullptr;
  return DBIERR_NONE;
}

DBIResult DbiAddAlias(hDBICfg, const char* pszAliasName, const char* pszDriverType,
                      const char* pszParams, BOOL16 bPersist) {
  if (E().uses == 0) return DBIERR_NOTINITIALIZED;
  if (!pszAliasName || !pszDriverType) return DBIERR_INVALIDPARAM;
  SessionAlias alias{pszAliasName, pszDriverType, pszParams ? pszParams : ""};
  Refresh();
  if (FindSessionAlias(alias.name)) return DBIERR_NAMENOTUNIQUE;
  if (bPersist) return Persist(E().cfgHost, [&](TEngineCfg& cfg) { return AddTo(cfg, alias); });
  TEngineCfg scratch = E().cfg;
  if (DBIResult r = AddTo(scratch, alias)) return r;
  E().sessionAliases.append(alias);
  return DBIERR_NONE;
}

DBIResult DbiCfgSave(hDBICfg, const char* pszCfgFile, BOOL16) {
  Engine& e = E();
  if (e.uses == 0) return DBIERR_NOTINITIALIZED;
  auto addSession = [&](TEngineCfg& cfg) {
    for (const SessionAlias& a : e.sessionAliases)
      if (!cfg.HasAlias(a.name)) AddTo(cfg, a);
    return DBIERR_NONE;
  };
  if (!pszCfgFile || !*pszCfgFile) {
    DBIResult r = Persist(e.cfgHost, addSession);
    if (r == DBIERR_NONE) e.sessionAliases.clear();
    return r;
  }
  QString target = win::TryToHostPath(win::AnsiToUnicode(pszCfgFile));
  if (target.isEmpty()) return DBIERR_CFGCANNOTWRITE;
  TEngineCfg cfg = e.cfg;
  addSession(cfg);
  return Write(target, cfg);
}

DBIResult DbiOpenCfgInfoList(hDBICfg, DBIOpenMode eOpenMode, CFGMode eConfigMode,
                             const char* pszCfgPath, hDBICur* phCur) {
  if (E().uses == 0) return DBIERR_NOTINITIALIZED;
  if (!pszCfgPath || !phCur) return DBIERR_INVALIDPARAM;
  *phCur = nullptr;
  if (eConfigMode == cfgPersistent) Refresh();
  const TEngineCfg& cfg = E().cfg;
  QByteArray path = TEngineCfg::NormalizePath(pszCfgPath);
  const TEngineCfg::Section* section = cfg.Find(path);
  QList<QByteArray> children = cfg.ChildNames(path);
  if (!section && children.isEmpty()) return DBIERR_OBJNOTFOUND;
  auto* c = new DbiCursor;
  c->path = path;
  c->readOnly = eOpenMode == dbiREADONLY;
  c->persistent = eConfigMode == cfgPersistent;
  if (section)
    for (const auto& [name, value] : section->values) c->nodes.append({name, value, false});
  for (const QByteArray& child : children) c->nodes.append({child, {}, true});
  E().cursors.insert(c);
  *phCur = c;
  return DBIERR_NONE;
}

DBIResult DbiSetToBegin(hDBICur hCursor) {
  if (!ValidCursor(hCursor)) return DBIERR_INVALIDHNDL;
  hCursor->pos = -1;
  return DBIERR_NONE;
}

DBIResult DbiGetNextRecord(hDBICur hCursor, DBILockType, void* pRecBuff, RECProps*) {
  if (!ValidCursor(hCursor)) return DBIERR_INVALIDHNDL;
  if (hCursor->pos + 1 >= hCursor->nodes.size()) {
    hCursor->pos = hCursor->nodes.size();
    return DBIERR_EOF;
  }
  const DbiCursor::Node& n = hCursor->nodes[++hCursor->pos];
  if (auto* d = static_cast<CFGDesc*>(pRecBuff)) {
    *d = CFGDesc{};
    qstrncpy(d->szNodeName, n.name.constData(), sizeof d->szNodeName);
    qstrncpy(d->szValue, n.value.constData(), sizeof d->szValue);
    d->iDataType = fldZSTRING;
    d->bHasSubnodes = n.hasSubnodes;
  }
  return DBIERR_NONE;
}

DBIResult DbiModifyRecord(hDBICur hCursor, void* pRecBuf, BOOL16) {
  if (!ValidCursor(hCursor)) return DBIERR_INVALIDHNDL;
  if (hCursor->readOnly) return DBIERR_READONLY;
  if (!pRecBuf || hCursor->pos < 0 || hCursor->pos >= hCursor->nodes.size())
    return DBIERR_INVALIDPARAM;
  DbiCursor::Node& n = hCursor->nodes[hCursor->pos];
  if (n.hasSubnodes) return DBIERR_INVALIDPARAM;
  const auto* d = static_cast<const CFGDesc*>(pRecBuf);
  QByteArray value(d->szValue, int(qstrnlen(d->szValue, sizeof d->szValue)));
  const QByteArray path = hCursor->path, name = n.name;
  if (hCursor->persistent) {
    DBIResult r = Persist(E().cfgHost, [&](TEngineCfg& cfg) {
      return cfg.SetValue(path, name, value) ? DBIERR_NONE : DBIERR_INVALIDPARAM;
    });
    if (r) return r;
  } else if (!E().cfg.SetValue(path, name, value)) {
    return DBIERR_INVALIDPARAM;
  }
  n.value = value;
  return DBIERR_NONE;
}

DBIResult DbiGetErrorString(DBIResult rslt, char* pszError) {
  if (!pszError) return DBIERR_INVALIDPARAM;
  QString text;
  if (rslt != DBIERR_NONE && rslt == E().lastError) {
    text = E().lastErrorText;
  } else {
    switch (rslt) {
      case DBIERR_NONE:
        break;
      case DBIERR_EOF:
        text = "At the end of the list.";
        break;
      case DBIERR_INVALIDHNDL:
        text = "Invalid handle.";
        break;
      case DBIERR_OBJNOTFOUND:
        text = "The configuration node does not exist.";
        break;
      case DBIERR_INVALIDPARAM:
        text = "Invalid parameter.";
        break;
      case DBIERR_NAMENOTUNIQUE:
        text = "The alias exists already.";
        break;
      case DBIERR_UNKNOWNDB:
        text = "Unknown database.";
        break;
      case DBIERR_DIRNOTFOUND:
        text = "The folder of the database does not exist.";
        break;
      case DBIERR_UNKNOWNDRIVER:
        text = "Unknown driver.";
        break;
      case DBIERR_NOTINITIALIZED:
        text = "The engine is not initialised.";
        break;
      case DBIERR_NOCONFIGFILE:
        text = "The registry names no engine configuration file.";
        break;
      case DBIERR_CFGCANNOTREAD:
        text = "The engine configuration cannot be read.";
        break;
      case DBIERR_CFGCANNOTWRITE:
        text = "The engine configuration cannot be written.";
        break;
      case DBIERR_READONLY:
        text = "The cursor is read-only.";
        break;
      case DBIERR_CFGLOCKED:
        text = "The engine configuration is locked by another process.";
        break;
      default:
        text = QString("Engine error %1.").arg(rslt, 4, 16, QChar('0'));
        break;
    }
  }
  qstrncpy(pszError, win::UnicodeToAnsi(text).constData(), DBIMAXMSGLEN + 1);
  return DBIERR_NONE;
}

DBIResult DbiCloseCursor(hDBICur* phCursor) {
  if (!phCursor || !ValidCursor(*phCursor)) return DBIERR_INVALIDHNDL;
  E().cursors.erase(*phCursor);
  delete *phCursor;
  *phCursor = nullptr;
  return DBIERR_NONE;
}

}  // extern "C"
