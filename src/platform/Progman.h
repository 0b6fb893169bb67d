#pragma once
// The shell's program groups ("ProgMan" over the conversation layer), realised as a freedesktop
// menu: for each group a menu file in $XDG_CONFIG_HOME/menus/applications-merged/ and a
// directory entry in $XDG_DATA_HOME/desktop-directories/, and for each item a desktop entry in
// $XDG_DATA_HOME/applications/zarederad/<group>/ that starts the item's host program.
#include <QList>
#include <QString>
#include <QStringList>

#include "platform/Dde.h"

namespace win {

struct ProgmanCommand {
  QString name;      // "CreateGroup"
  QStringList args;  // without their quotes
};

// The commands of a macro: "[Name(arg, "arg")]", one or more per line. Text that is not a
// command is skipped.
QList<ProgmanCommand> ParseProgmanCommands(const QString& text);

// The folders the menu files go to (XDG_DATA_HOME, XDG_CONFIG_HOME or their defaults).
QString MenuDataHome();
QString MenuConfigHome();
// The file names used for a group and for one of its items.
QString GroupMenuFile(const QString& group);       // host path of the .menu file
QString GroupDirectoryFile(const QString& group);  // host path of the .directory file
QString GroupItemFile(const QString& group, const QString& item);  // host path of the .desktop

// An Exec value of a desktop entry for these arguments: quoted by the Desktop Entry rules and
// escaped as a string value.
QString DesktopExec(const QStringList& argv);

// The service: CreateGroup(name), AddItem(command line[, title]), ShowGroup(name, n),
// DeleteGroup(name), DeleteItem(title). Other commands are ignored, as the shell does.
class ProgmanServer : public DdeServer {
 public:
  // Refused when the menu folders cannot be created or written.
  bool Connect(const QString& topic) override;
  void Execute(const QByteArray& command) override;

 private:
  void CreateGroup(const QString& group);
  void AddItem(const QString& commandLine, const QString& title);
  void WriteMenu(const QString& group);
  QString group_;
};

}  // namespace win
