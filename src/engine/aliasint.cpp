#include "engine/aliasint.h"

#include "core/Iglobals.h"
#include "kit/MsgDlg.h"
#include "platform/Codepage.h"
#include "platform/Files.h"
#include "platform/Idapi.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Registry.h"

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

}  // namespace

bool InitEngine() {
  if (EngineInitialized) return true;
  if (DbiInit(nullptr) != DBIERR_NONE) return false;
  EngineInitialized = true;
  return true;
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
      MsgPrefix = "Protectia aplicatiilor existente";
      MMessageDlg("Am gasit o instalare mai veche de\rmotor baza de date (BDE)...\r"
                  "Daca ZarEDERAD nu functioneaza, contactati-ne.\r",
                  "", mtError, taCenter, Buttons({mbOK}), mbOK, 0);
      MsgPrefix = "PENTRU CONTINUARE";
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
    if (reg.OpenKey(kEngineKey, false)) {
      long long count = ReadUseCount(reg);
      reg.WriteString("UseCount", QString::number(count + 1));
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
  int code = win::RunProcess("regedit /s \"" + regFile + "\"", win::SW_MINIMIZE, true);
  win::LogLine(QString("engine: regedit /s %1 -> %2").arg(regFile).arg(code));
  return true;
}

bool AddAliases(const QStringList& names, const QStringList& folders) {
  if (names.size() != folders.size() || !InitEngine()) return false;
  bool result = true;
  for (int i = 0; i < names.size(); ++i) {
    QByteArray name = win::UnicodeToAnsi(names[i]);
    QByteArray params = "PATH:" + win::UnicodeToAnsi(folders[i]);
    // A name or path the engine cannot take whole is not cut short into a wrong alias.
    if (name.size() > kMaxEngineString || params.size() > kMaxEngineString ||
        DbiAddAlias(nullptr, name.constData(), "PARADOX", params.constData(), true) != DBIERR_NONE)
      result = false;
  }
  if (DbiCfgSave(nullptr, nullptr, false) != DBIERR_NONE) result = false;
  return result;
}

void SetNetDir(const QString& folder) {
  if (DbiInit(nullptr) != DBIERR_NONE) return;
  hDBICur cursor = nullptr;
  if (DbiOpenCfgInfoList(nullptr, dbiREADWRITE, cfgPersistent, "\\DRIVERS\\PARADOX\\INIT",
                         &cursor) == DBIERR_NONE &&
      DbiSetToBegin(cursor) == DBIERR_NONE) {
    CFGDesc node;
    while (DbiGetNextRecord(cursor, dbiREADLOCK, &node, nullptr) == DBIERR_NONE) {
      if (qstricmp(node.szNodeName, "NET DIR") != 0) continue;
      QString dir = win::IncludeTrailingBackslash(folder);
      win::ForceDirectories(dir + "NetDir");
      QByteArray value = win::UnicodeToAnsi(dir);
      // A folder longer than the node can hold is not stored cut short.
      if (value.size() < int(sizeof node.szValue)) {
        qstrncpy(node.szValue, value.constData(), sizeof node.szValue);
        DbiModifyRecord(cursor, &node, true);
      }
      break;
    }
  }
  if (cursor) DbiCloseCursor(&cursor);
  DbiExit();
}

void DoConfigBDE() {
  bool fresh = RegisterEngine();
  QStringList names, folders;
  for (size_t i = 0; i < AliasNames.size(); ++i) {
    names << AliasNames[i];
    folders << win::IncludeTrailingBackslash(DataDir) + AliasDirs[i];
  }
  AddAliases(names, folders);
  if (fresh) SetNetDir(DataDir);
}

void EngineShutdown() {
  if (!EngineInitialized) return;
  DbiExit();
  EngineInitialized = false;
}
