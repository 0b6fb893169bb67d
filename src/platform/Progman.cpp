#include "platform/Progman.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/AtomicFile.h"
#include "platform/Codepage.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Process.h"

namespace win {
namespace {

const char kVendor[] = "zarederad";

// Names in file names: letters, digits and "_" only, so desktop-file IDs stay unambiguous.
QString Slug(const QString& name) {
  QString out;
  for (QChar c : name.trimmed())
    out += (c.isLetterOrNumber() && c.unicode() < 128) || c == '_' ? c : QChar('_');
  return out.isEmpty() ? QString("_") : out;
}

// A string value of a desktop entry or .directory file.
QString EscapeValue(const QString& s) {
  QString out;
  for (QChar c : s) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\t')
      out += "\\t";
    else
      out += c;
  }
  return out;
}

QString XmlEscape(const QString& s) {
  return s.toHtmlEscaped();
}

QString AppsFolder(const QString& group) {
  return MenuDataHome() + "/applications/" + kVendor + "/" + Slug(group);
}

QString DesktopId(const QString& group, const QString& itemFile) {
  return QString("%1-%2-%3").arg(kVendor, Slug(group), itemFile);
}

void Write(const QString& path, const QString& text) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  AtomicWriteFile(path, text.toUtf8());
}

// Whether a folder exists and can be written, or could be created: checked before anything is
// made, so that a refused conversation leaves nothing behind.
bool CanWriteFolder(const QString& path) {
  QFileInfo fi(path);
  while (!fi.exists()) {
    QString parent = fi.absolutePath();
    if (parent == fi.absoluteFilePath()) return false;
    fi = QFileInfo(parent);
  }
  return fi.isDir() && ::access(QFile::encodeName(fi.absoluteFilePath()), W_OK | X_OK) == 0;
}

// The program and arguments of an item's command line. An unquoted program path with blanks
// ("C:\Program Files\X\A.EXE") is taken word by word up to the first run that names a file,
// as the shell does; when none does, the whole line is the program.
QStringList ItemArguments(const QString& commandLine) {
  QString line = commandLine.trimmed();
  if (line.startsWith('"')) return CommandLineToArgv(line);
  for (int end = line.indexOf(' '); end >= 0; end = line.indexOf(' ', end + 1)) {
    QString candidate = line.left(end);
    if (FileExists(candidate)) return QStringList{candidate} + SplitArguments(line.mid(end + 1));
  }
  return {line};
}

}  // namespace

QList<ProgmanCommand> ParseProgmanCommands(const QString& text) {
  QList<ProgmanCommand> out;
  int i = 0;
  while ((i = text.indexOf('[', i)) >= 0) {
    ++i;
    int nameStart = i;
    while (i < text.size() && text[i] != '(' && text[i] != ']' && text[i] != '[') ++i;
    if (i >= text.size() || text[i] == '[') continue;
    ProgmanCommand cmd{text.mid(nameStart, i - nameStart).trimmed(), {}};
    if (text[i] == '(') {
      ++i;
      QString arg;
      bool quoted = false, wasQuoted = false, closed = false;
      for (; i < text.size(); ++i) {
        QChar c = text[i];
        if (c == '"') {
          if (!quoted && !wasQuoted) arg.clear();  // blanks before the opening quote
          quoted = !quoted;
          wasQuoted = true;
          continue;
        }
        // A command does not go on past a line break or into the next one.
        if (!quoted && (c == '[' || c == '\r' || c == '\n')) break;
        if (!quoted && (c == ',' || c == ')')) {
          cmd.args << (wasQuoted ? arg : arg.trimmed());
          arg.clear();
          wasQuoted = false;
          if (c == ')') {
            closed = true;
            ++i;
            break;
          }
          continue;
        }
        if (wasQuoted && !quoted) continue;  // blanks after a closing quote
        arg += c;
      }
      if (!closed) continue;
      while (i < text.size() && text[i].isSpace()) ++i;
      if (i >= text.size() || text[i] != ']') continue;
      if (cmd.args.size() == 1 && cmd.args[0].isEmpty()) cmd.args.clear();
    }
    ++i;
    if (!cmd.name.isEmpty()) out << cmd;
  }
  return out;
}

QString MenuDataHome() {
  QString d = qEnvironmentVariable("XDG_DATA_HOME");
  return d.isEmpty() ? QDir::homePath() + "/.local/share" : d;
}

QString MenuConfigHome() {
  QString d = qEnvironmentVariable("XDG_CONFIG_HOME");
  return d.isEmpty() ? QDir::homePath() + "/.config" : d;
}

QString GroupMenuFile(const QString& group) {
  return MenuConfigHome() + "/menus/applications-merged/" + kVendor + "-" + Slug(group) + ".menu";
}

QString GroupDirectoryFile(const QString& group) {
  return MenuDataHome() + "/desktop-directories/" + kVendor + "-" + Slug(group) + ".directory";
}

QString GroupItemFile(const QString& group, const QString& item) {
  return AppsFolder(group) + "/" + Slug(item) + ".desktop";
}

QString DesktopExec(const QStringList& argv) {
  static const QString reserved = " \t\n\"'\\><~|&;$*?#()`";
  QStringList parts;
  for (const QString& arg : argv) {
    bool quote = arg.isEmpty();
    for (QChar c : arg) quote = quote || reserved.contains(c);
    QString a = arg;
    if (quote) {
      QString q;
      for (QChar c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') q += '\\';
        q += c;
      }
      a = '"' + q + '"';
    }
    parts << a.replace("%", "%%");
  }
  return EscapeValue(parts.join(' '));
}

bool ProgmanServer::Connect(const QString&) {
  const QStringList folders{MenuDataHome() + "/applications",
                            MenuDataHome() + "/desktop-directories",
                            MenuConfigHome() + "/menus/applications-merged"};
  for (const QString& f : folders)
    if (!CanWriteFolder(f)) return false;
  for (const QString& f : folders)
    if (!QDir().mkpath(f)) return false;
  return true;
}

void ProgmanServer::Execute(const QByteArray& command) {
  for (const ProgmanCommand& c : ParseProgmanCommands(AnsiToUnicode(command))) {
    const QString name = c.name.toLower();
    const QString arg0 = c.args.value(0);
    try {
      if (name == "creategroup" && !arg0.isEmpty()) {
        CreateGroup(arg0);
      } else if (name == "additem" && !arg0.isEmpty()) {
        AddItem(arg0, c.args.value(1));
      } else if (name == "showgroup" && !arg0.isEmpty()) {
        if (QFileInfo::exists(GroupMenuFile(arg0))) group_ = arg0;
      } else if (name == "deletegroup" && !arg0.isEmpty()) {
        QDir(AppsFolder(arg0)).removeRecursively();
        QFile::remove(GroupMenuFile(arg0));
        QFile::remove(GroupDirectoryFile(arg0));
        if (QString::compare(group_, arg0, Qt::CaseInsensitive) == 0) group_.clear();
      } else if (name == "deleteitem" && !arg0.isEmpty() && !group_.isEmpty()) {
        QFile::remove(GroupItemFile(group_, arg0));
        WriteMenu(group_);
      }
    } catch (const std::exception& e) {
      // The shell does not report a command it could not carry out; the log keeps it.
      LogLine(QString("progman: %1 failed: %2").arg(c.name, QString::fromUtf8(e.what())));
    }
  }
}

void ProgmanServer::CreateGroup(const QString& group) {
  group_ = group;
  Write(GroupDirectoryFile(group),
        "[Desktop Entry]\nType=Directory\nVersion=1.0\nName=" + EscapeValue(group) + "\n");
  WriteMenu(group);
}

void ProgmanServer::AddItem(const QString& commandLine, const QString& title) {
  if (group_.isEmpty()) return;
  QStringList argv = ItemArguments(commandLine);
  QString program = argv.value(0);
  QString name = title;
  if (name.isEmpty()) {  // the shell names an item after its program
    name = ExtractFileName(program);
    if (name.lastIndexOf('.') > 0) name.truncate(name.lastIndexOf('.'));
  }
  QString host = TryToHostPath(program);
  argv[0] = host.isEmpty() ? program : host;
  QString entry = "[Desktop Entry]\nType=Application\nVersion=1.0\nName=" + EscapeValue(name) +
                  "\nExec=" + DesktopExec(argv) + "\n";
  if (!host.isEmpty()) entry += "Path=" + EscapeValue(QFileInfo(host).absolutePath()) + "\n";
  entry += "Terminal=false\n";
  Write(GroupItemFile(group_, name), entry);
  WriteMenu(group_);
}

void ProgmanServer::WriteMenu(const QString& group) {
  QString menu =
      "<!DOCTYPE Menu PUBLIC \"-//freedesktop//DTD Menu 1.0//EN\"\n"
      " \"http://www.freedesktop.org/standards/menu-spec/1.0/menu.dtd\">\n"
      "<Menu>\n"
      "  <Name>Applications</Name>\n"
      "  <Menu>\n"
      "    <Name>" +
      XmlEscape(group) +
      "</Name>\n"
      "    <Directory>" +
      XmlEscape(QFileInfo(GroupDirectoryFile(group)).fileName()) +
      "</Directory>\n"
      "    <Include>\n";
  for (const QString& f : QDir(AppsFolder(group)).entryList({"*.desktop"}, QDir::Files, QDir::Name))
    menu += "      <Filename>" + XmlEscape(DesktopId(group, f)) + "</Filename>\n";
  menu +=
      "    </Include>\n"
      "  </Menu>\n"
      "</Menu>\n";
  Write(GroupMenuFile(group), menu);
}

}  // namespace win
