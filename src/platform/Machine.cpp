#include "platform/Machine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <memory>

#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/WinError.h"

namespace win {
namespace {

std::unique_ptr<Machine>& Instance() {
  static std::unique_ptr<Machine> machine;
  return machine;
}

const char* kDefaultIni =
    "; The emulated Windows machine of the ZarEDERAD setup program.\n"
    "[Drives]\n"
    "; letter=type,host folder (relative to this folder or absolute)\n"
    "; types: removable, fixed, remote, cdrom, ramdisk\n"
    "C=fixed,drive_c\n"
    "Z=fixed,/\n"
    "[Network]\n"
    "; \\\\server\\share=host folder\n"
    "[Environment]\n"
    "TEMP=C:\\windows\\temp\n"
    "WINDIR=C:\\windows\n";

unsigned DriveTypeFromName(const QString& name) {
  static const QMap<QString, unsigned> types = {{"removable", DRIVE_REMOVABLE},
                                                {"fixed", DRIVE_FIXED},
                                                {"remote", DRIVE_REMOTE},
                                                {"cdrom", DRIVE_CDROM},
                                                {"ramdisk", DRIVE_RAMDISK}};
  return types.value(name.trimmed().toLower(), DRIVE_UNKNOWN);
}

QString CleanHost(const QString& base, const QString& path) {
  QString p = path.trimmed();
  if (p.startsWith("~/")) p = QDir::homePath() + p.mid(1);
  QString abs = QDir::isAbsolutePath(p) ? p : base + "/" + p;
  return QDir::cleanPath(abs);
}

}  // namespace

QMap<QString, IniSection> ParseMachineIni(const QString& text, int* badLine) {
  QMap<QString, IniSection> result;
  QString section;
  if (badLine) *badLine = 0;
  int number = 0;
  for (QString line : text.split('\n')) {
    ++number;
    line = line.trimmed();
    if (line.isEmpty() || line.startsWith(';') || line.startsWith('#')) continue;
    if (line.startsWith('[')) {
      int end = line.indexOf(']');
      if (end < 0 && badLine && *badLine == 0) *badLine = number;
      section = (end > 0 ? line.mid(1, end - 1) : line.mid(1)).trimmed().toUpper();
      result[section];
      continue;
    }
    int eq = line.indexOf('=');
    if (eq <= 0) {
      if (badLine && *badLine == 0) *badLine = number;
      continue;
    }
    QString key = line.left(eq).trimmed().toUpper();
    QString value = line.mid(eq + 1);
    // A ";" after blanks starts a comment in machine.ini.
    for (int i = 1; i < value.size(); ++i)
      if (value[i] == ';' && value[i - 1].isSpace()) {
        value.truncate(i);
        break;
      }
    result[section].append({key, value.trimmed()});
  }
  return result;
}

QString DecodeMachineIni(const QByteArray& data, const QString& fileName) {
  auto refuse = [&](int line, const QString& why) {
    throw Error(QString("%1, line %2: %3").arg(fileName).arg(line).arg(why),
                ERROR_INVALID_PARAMETER);
  };
  if (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF") ||
      (data.size() >= 2 && (data[0] == 0) != (data[1] == 0)))
    refuse(1, "the file is UTF-16 text; machine.ini must be UTF-8.");
  QByteArray body = data.startsWith("\xEF\xBB\xBF") ? data.mid(3) : data;
  QString text;
  int number = 0;
  for (const QByteArray& line : body.split('\n')) {
    ++number;
    if (line.contains('\0')) refuse(number, "a NUL byte: machine.ini must be UTF-8 text.");
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8(line);
    if (utf8.hasError()) refuse(number, "bytes that are not UTF-8 text.");
    if (number > 1) text += '\n';
    text += decoded;
  }
  return text;
}

Machine::Machine(const QString& folder) : folder_(QDir::cleanPath(folder)) {}

QString Machine::DefaultFolder() {
  QString data = qEnvironmentVariable("XDG_DATA_HOME");
  if (data.isEmpty()) data = QDir::homePath() + "/.local/share";
  return data + "/zarederad/machine";
}

Machine& Machine::Current() {
  auto& m = Instance();
  if (!m) {
    QString folder = qEnvironmentVariable("ZAREDERAD_MACHINE");
    if (folder.isEmpty()) folder = DefaultFolder();
    folder = QFileInfo(folder).absoluteFilePath();
    std::unique_ptr<Machine> fresh(new Machine(folder));
    if (!QFileInfo::exists(fresh->folder_ + "/machine.ini")) fresh->CreateDefaults();
    fresh->Load();
    m = std::move(fresh);
    ResetCurrentDir();
  }
  return *m;
}

void Machine::Reload() {
  Instance().reset();
  ResetCurrentDir();
}

void Machine::CreateDefaults() {
  QDir dir;
  bool ok = dir.mkpath(folder_ + "/drive_c/windows/temp") &&
            dir.mkpath(folder_ + "/drive_c/Program Files") && dir.mkpath(folder_ + "/registry");
  QFile ini(folder_ + "/machine.ini");
  if (!ok || !ini.open(QIODevice::WriteOnly | QIODevice::NewOnly))
    throw Error(QString("Cannot create the machine in %1").arg(folder_), ERROR_ACCESS_DENIED);
  ini.write(kDefaultIni);
  ini.close();
  QFile winIni(folder_ + "/drive_c/windows/WIN.INI");
  if (!winIni.exists() && winIni.open(QIODevice::WriteOnly)) winIni.write("[windows]\r\n");
  PlaceRegistryEditor(folder_ + "/drive_c/windows");
}

void Machine::Load() {
  QFile file(folder_ + "/machine.ini");
  if (!file.open(QIODevice::ReadOnly))
    throw Error(QString("Cannot read %1: %2.").arg(file.fileName(), file.errorString()),
                ERROR_FILE_NOT_FOUND);
  QByteArray data = file.readAll();
  if (file.error() != QFileDevice::NoError)
    throw Error(QString("Cannot read %1: %2.").arg(file.fileName(), file.errorString()),
                ERROR_ACCESS_DENIED);
  // A machine half understood would fail later with a message about something else.
  int bad = 0;
  auto ini = ParseMachineIni(DecodeMachineIni(data, file.fileName()), &bad);
  if (bad > 0)
    throw Error(QString("%1, line %2: neither a [section], a name=value line nor a ; comment.")
                    .arg(file.fileName())
                    .arg(bad),
                ERROR_INVALID_PARAMETER);
  for (const auto& [key, value] : ini.value("DRIVES")) {
    if (key.size() != 1 || !key[0].isLetter()) continue;
    int comma = value.indexOf(',');
    if (comma < 0) continue;
    Drive d{key[0].toUpper(), DriveTypeFromName(value.left(comma)),
            CleanHost(folder_, value.mid(comma + 1))};
    if (d.type == DRIVE_UNKNOWN) continue;
    drives_.removeIf([&](const Drive& o) { return o.letter == d.letter; });
    drives_.append(d);
  }
  for (const auto& [key, value] : ini.value("NETWORK")) {
    QString unc = key;
    unc.replace('/', '\\');
    while (unc.endsWith('\\')) unc.chop(1);
    if (!unc.startsWith("\\\\")) continue;
    shares_.append({unc, CleanHost(folder_, value)});
  }
  for (const auto& [key, value] : ini.value("ENVIRONMENT")) env_[key] = value;
}

const Drive* Machine::drive(QChar letter) const {
  letter = letter.toUpper();
  for (const Drive& d : drives_)
    if (d.letter == letter) return &d;
  return nullptr;
}

QString Machine::environment(const QString& name) const {
  return env_.value(name.toUpper());
}

bool Machine::hasEnvironment(const QString& name) const {
  return env_.contains(name.toUpper());
}

QString Machine::registryFile() const {
  return folder_ + "/registry/HKLM.reg";
}

unsigned GetDriveType(const QString& root) {
  QString r = root;
  r.replace('/', '\\');
  const Machine& m = Machine::Current();
  if (r.startsWith("\\\\")) {
    while (r.endsWith('\\')) r.chop(1);
    for (const Share& s : m.shares())
      if (QString::compare(s.unc, r, Qt::CaseInsensitive) == 0) return DRIVE_REMOTE;
    return DRIVE_NO_ROOT_DIR;
  }
  if (r.size() >= 2 && r[0].isLetter() && r[1] == ':' && (r.size() == 2 || r.mid(2) == "\\")) {
    if (const Drive* d = m.drive(r[0])) return d->type;
  }
  return DRIVE_NO_ROOT_DIR;
}

QString GetWindowsDirectory() {
  QString w = Machine::Current().environment("WINDIR");
  if (w.isEmpty()) w = "C:\\windows";
  return ExcludeTrailingBackslash(w);
}

QString GetEnvironmentVariable(const QString& name) {
  return Machine::Current().environment(name);
}

}  // namespace win
