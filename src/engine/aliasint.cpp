#include "engine/aliasint.h"

#include "core/Iglobals.h"
#include "platform/Codepage.h"
#include "platform/Files.h"
#include "platform/Idapi.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/WinError.h"
#include "prompt/Prompt.h"

const char* const AppAlias = "ZORVAN";
bool EngineInitialized = false;

namespace {

const char kInitKey[] = "\\Software\\Borland\\Database Engine\\Settings\\SYSTEM\\INIT";
const char kBlwKey[] = "\\Software\\Borland\\BLW32";
const char kEngineKey[] = "\\Software\\Borland\\Database Engine";
const char kEngineSubfolder[] = "\\Borland\\Common Files\\BDE";
// The engine takes names and parameters in buffers of 256 bytes.
constexpr int kMaxEngineString = 255;

// UseCount as a number: 0 when missing or not a number. A count kept as a number rather than a
// text is read as what it is.
long long ReadUseCount(win::TRegistry& reg) {
  if (reg.GetDataType("UseCount") == win::REG_DWORD) {
    win::RegStore s = win::LoadRegistry();
    const win::RegKey* k = s.Find(reg.CurrentPath());
    const win::RegValue* v = k ? k->value("UseCount") : nullptr;
    return v ? v->dword : 0;
  }
  bool ok = false;
  long long n = reg.ReadString("UseCount").trimmed().toLongLong(&ok);
  return ok ? n : 0;
}

// What a result code of the engine means, for messages.
QString EngineErrorText(DBIResult r) {
  switch (r) {
    case DBIERR_NAMENOTUNIQUE:
      return "an alias of that name exists already";
    case DBIERR_UNKNOWNDRIVER:
      return "the engine has no PARADOX driver";
    case DBIERR_NOTINITIALIZED:
      return "the engine is not started";
    case DBIERR_NOCONFIGFILE:
      return "the engine has no configuration file";
    case DBIERR_CFGCANNOTREAD:
      return "the engine's configuration file cannot be read";
    case DBIERR_CFGCANNOTWRITE:
      return "the engine's configuration file cannot be written";
    case DBIERR_READONLY:
      return "the configuration is read-only";
    case DBIERR_INVALIDPARAM:
      return "the engine refused the parameters";
    default:
      return QString("engine error 0x%1").arg(r, 4, 16, QChar('0'));
  }
}

// InitEngine with the engine's answer.
DBIResult StartEngine() {
  if (EngineInitialized) return DBIERR_NONE;
  DBIResult r = DbiInit(nullptr);
  if (r == DBIERR_NONE) EngineInitialized = true;
  return r;
}

}  // namespace

bool InitEngine() {
  return StartEngine() == DBIERR_NONE;
}

bool IsInstalled() {
  if (!InitEngine()) return false;
  hDBIDb db = nullptr;
  if (DbiOpenDatabase(AppAlias, nullptr, dbiREADONLY, dbiOPENSHARED, nullptr, 0, nullptr, nullptr,
                      &db) != DBIERR_NONE)
    return false;
  DbiCloseDatabase(&db);
  return true;
}

int VersionNumber(const QString& version) {
  int end = version.indexOf('.');
  if (end < 0) end = version.indexOf(',');
  if (end < 0) end = version.size();
  long long n = 0;
  for (QChar c : version.left(end))
    if (c >= '0' && c <= '9') n = qMin(n * 10 + (c.unicode() - '0'), 1000000000LL);
  return int(n);
}

QString ProgramFilesDir() {
  win::TRegistry reg;
  QString pf;
  if (reg.OpenKeyReadOnly("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion")) {
    try {
      pf = reg.ReadString("ProgramFilesDir");
    } catch (const std::exception&) {
    }
  }
  return pf.isEmpty() ? QString("C:\\Program Files") : pf;
}

QString ChooseEngineFolder() {
  win::TRegistry reg;
  if (reg.KeyExists(kInitKey)) {
    if (reg.OpenKeyReadOnly(kInitKey) && reg.ValueExists("VERSION")) {
      QString version;
      try {
        version = reg.ReadString("VERSION");
      } catch (const std::exception&) {
      }
      if (version != "4.0" && VersionNumber(version) < 4) OldEngineFound = true;
    }
    if (OldEngineFound) {
      prompt::TPrompt p;
      p.Id = "engine.old-engine";
      p.Text =
          "Am gasit o instalare mai veche de\rmotor baza de date (BDE)...\r"
          "Daca ZarEDERAD nu functioneaza, contactati-ne.\r";
      p.Kind = prompt::TKind::Error;
      p.Prefix = "Protectia aplicatiilor existente";
      p.PrefixAfter = "PENTRU CONTINUARE";
      prompt::Ask(p);
    }
    return {};
  }
  // With its parents: a machine whose Program Files folder is missing still gets the engine.
  QString folder = ProgramFilesDir() + kEngineSubfolder;
  win::ForceDirectories(folder);
  return folder;
}

bool RegisterEngine() {
  win::TRegistry reg;
  if (reg.KeyExists(kBlwKey)) {
    if (!EngineUseCounted && reg.OpenKey(kEngineKey, false)) {
      long long count = ReadUseCount(reg);
      reg.WriteString("UseCount", QString::number(count + 1));
      EngineUseCounted = true;
    }
    return false;
  }
  const QString pf = ProgramFilesDir();
  const QString replacement = QString(pf).replace("\\", "\\\\");
  const QString regFile = pf + kEngineSubfolder + "\\bde.reg";
  QStringList lines = win::ReadTextLines(regFile);
  QString text;
  for (QString& line : lines) {
    int at = line.indexOf("$ProgDir$");
    if (at >= 0) line.replace(at, 9, replacement);
    text += line + "\r\n";
  }
  win::WriteTextFile(regFile, text);
  RunRegistryEditor(regFile);
  // The imported file counts this installation itself.
  EngineUseCounted = true;
  return true;
}

void RunRegistryEditor(const QString& regFile) {
  int code = win::RunProcess("regedit /s \"" + regFile + "\"", win::SW_MINIMIZE, true);
  win::LogLine(QString("engine: regedit /s %1 -> %2").arg(regFile).arg(code));
  // A registration that did not happen leaves an engine that cannot open its database.
  if (code == -1)
    throw win::Error(
        QString("The registry editor (regedit) could not be started to import %1.").arg(regFile));
  if (code != 0)
    throw win::Error(QString("The registry editor could not import %1: regedit /s ended with "
                             "exit code %2.")
                         .arg(regFile)
                         .arg(code));
}

QString EngineStartProblem(int dbiResult) {
  QString file;
  win::TRegistry reg;
  if (reg.OpenKeyReadOnly(kEngineKey)) {
    try {
      file = reg.ReadString("CONFIGFILE01");
    } catch (const std::exception&) {
    }
  }
  if (file.isEmpty())
    return QString(
               "The database engine cannot start: the registry names no configuration file "
               "(CONFIGFILE01 of HKEY_LOCAL_MACHINE%1).")
        .arg(kEngineKey);
  if (dbiResult == DBIERR_CFGCANNOTREAD || dbiResult == DBIERR_NOCONFIGFILE)
    return QString("The database engine cannot start: its configuration file %1 cannot be read.")
        .arg(file);
  return QString("The database engine cannot start (engine error 0x%1; configuration file %2).")
      .arg(dbiResult, 4, 16, QChar('0'))
      .arg(file);
}

bool AddAliases(const QStringList& names, const QStringList& folders, QStringList* problems) {
  auto problem = [&](const QString& text) {
    if (problems) problems->append(text);
  };
  if (names.size() != folders.size()) {
    problem("The database aliases and their folders do not match.");
    return false;
  }
  if (DBIResult r = StartEngine(); r != DBIERR_NONE) {
    problem(EngineStartProblem(r));
    return false;
  }
  bool result = true;
  for (int i = 0; i < names.size(); ++i) {
    QByteArray name = win::UnicodeToAnsi(names[i]);
    QByteArray params = "PATH:" + win::UnicodeToAnsi(folders[i]);
    // A name or path the engine cannot take whole is not cut short into a wrong alias.
    if (name.size() > kMaxEngineString || params.size() > kMaxEngineString) {
      problem(QString("The database alias %1 could not be created: its name or \"PATH:%2\" is "
                      "longer than the engine's %3 characters.")
                  .arg(names[i], folders[i])
                  .arg(kMaxEngineString));
      result = false;
      continue;
    }
    DBIResult r = DbiAddAlias(nullptr, name.constData(), "PARADOX", params.constData(), true);
    if (r == DBIERR_NONE) continue;
    result = false;
    // An alias that exists already is left as it is: a reinstallation meets it.
    if (r != DBIERR_NAMENOTUNIQUE)
      problem(QString("The database alias %1 (%2) could not be created: %3.")
                  .arg(names[i], folders[i], EngineErrorText(r)));
  }
  if (DBIResult r = DbiCfgSave(nullptr, nullptr, false); r != DBIERR_NONE) {
    problem(QString("The database engine's configuration could not be saved: %1.")
                .arg(EngineErrorText(r)));
    result = false;
  }
  return result;
}

QString SetNetDir(const QString& folder) {
  if (DBIResult r = DbiInit(nullptr); r != DBIERR_NONE) return EngineStartProblem(r);
  const QString dir = win::IncludeTrailingBackslash(folder);
  QString problem = QString("The Paradox driver's NET DIR could not be set to %1: ").arg(dir);
  hDBICur cursor = nullptr;
  DBIResult r =
      DbiOpenCfgInfoList(nullptr, dbiREADWRITE, cfgPersistent, "\\DRIVERS\\PARADOX\\INIT", &cursor);
  if (r == DBIERR_NONE) r = DbiSetToBegin(cursor);
  if (r != DBIERR_NONE) {
    problem += EngineErrorText(r) + ".";
  } else {
    problem += "the driver has no NET DIR setting.";
    CFGDesc node;
    while (DbiGetNextRecord(cursor, dbiREADLOCK, &node, nullptr) == DBIERR_NONE) {
      if (qstricmp(node.szNodeName, "NET DIR") != 0) continue;
      win::ForceDirectories(dir + "NetDir");
      QByteArray value = win::UnicodeToAnsi(dir);
      // A folder longer than the node can hold is not stored cut short.
      if (value.size() >= int(sizeof node.szValue)) {
        problem = QString(
                      "The Paradox driver's NET DIR could not be set to %1: the engine takes "
                      "at most %2 characters.")
                      .arg(dir)
                      .arg(sizeof node.szValue - 1);
        break;
      }
      qstrncpy(node.szValue, value.constData(), sizeof node.szValue);
      r = DbiModifyRecord(cursor, &node, true);
      problem = r == DBIERR_NONE ? QString() : problem + EngineErrorText(r) + ".";
      break;
    }
  }
  if (cursor) DbiCloseCursor(&cursor);
  DbiExit();
  return problem;
}

void DoConfigBDE() {
  bool fresh = RegisterEngine();
  QStringList names, folders;
  for (size_t i = 0; i < AliasNames.size(); ++i) {
    names << AliasNames[i];
    folders << win::IncludeTrailingBackslash(DataDir) + AliasDirs[i];
  }
  QStringList problems;
  AddAliases(names, folders, &problems);
  if (fresh && problems.isEmpty()) {
    QString netDir = SetNetDir(DataDir);
    if (!netDir.isEmpty()) problems << netDir;
  }
  if (!problems.isEmpty()) {
    win::LogLine("engine: " + problems.join(" "));
    throw win::Error(problems.join("\n"));
  }
}

void EngineShutdown() {
  if (!EngineInitialized) return;
  DbiExit();
  EngineInitialized = false;
}
