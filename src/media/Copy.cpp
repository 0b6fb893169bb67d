#include "media/Copy.h"

#include "media/Templates.h"
#include "media/ZipReader.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/NoFollow.h"
#include "platform/Paths.h"
#include "platform/WinError.h"
#include "prompt/Prompt.h"

bool RunCopy(TDiskSetPage& page, const TCopyJob& job) {
  if (!AssembleArchives(page, job.Selection, {job.SourceDir, job.DiskCount, job.ShownProgramDir}))
    return false;
  CopyArchives(page, job);
  return true;
}

void EnterArchiveFolder(const QString& shownProgramDir) {
  QString folder = win::ExcludeTrailingBackslash(shownProgramDir);
  // A bare "C:" names the drive's current folder, not its root.
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';
  if (!win::SetCurrentDir(folder)) throw win::EInOutError(win::ERROR_PATH_NOT_FOUND, folder);
}

namespace {
// The database folders a fresh copy of this process wrote from its archive, as host folders.
QStringList& WrittenDatabases() {
  static QStringList folders;
  return folders;
}
QString Identity(const QString& dataDir) {
  return win::TryToHostPath(DatabaseFolder(dataDir));
}
bool WrittenByThisRun(const QString& dataDir) {
  return WrittenDatabases().contains(Identity(dataDir));
}
void NoteWrittenByThisRun(const QString& dataDir) {
  if (!WrittenByThisRun(dataDir)) WrittenDatabases() << Identity(dataDir);
}
}  // namespace

void CopyArchives(TDiskSetPage& page, const TCopyJob& job) {
  EnterArchiveFolder(job.ShownProgramDir);
  for (int row = 0; row < CompCount; ++row) {
    const TCompRecord& c = Components[row];
    if (!InSet(job.Selection, row) || c.FileName.isEmpty()) continue;
    page.SetGroupName(c.CompName);
    const QString archive = c.FileName + ".ZIP";
    if (!win::FileExists(archive) && IsOptionalArchive(archive)) continue;
    QString destination;
    switch (c.DestType) {
      case dtProgram:
        destination = job.ProgramDir;
        break;
      case dtDatabaseDat:
        // A table that is there is the user's: never replaced without a question. Those this
        // run wrote itself (a copy done again after a failure, or after Back) are the archive's.
        if (const int tables = WrittenByThisRun(job.DataDir) ? 0 : ExistingTables(job.DataDir)) {
          const QString aside = AsideName(job.DataDir, QDateTime::currentDateTime());
          if (AskExistingDatabase(job.DataDir, tables, aside) == TExistingDatabase::Replace) {
            MoveDatabaseAside(job.DataDir, aside);
          } else {
            win::LogLine(QString("copy: the database of %1 kept (%2 tables)")
                             .arg(DatabaseFolder(job.DataDir))
                             .arg(tables));
            UnzipArchive(page, archive, job.DataDir, [](TZipReader& reader, const QString& folder) {
              reader.UnpackEntries(MissingEntries(reader, folder), folder);
            });
            continue;
          }
        }
        destination = job.DataDir;
        break;
      case dtDatabaseNew:
        // The templates are replaced whole once every new one is written, or not at all.
        UnzipArchive(page, archive, job.DataDir, [](TZipReader& reader, const QString& folder) {
          QList<int> all;
          for (int i = 0; i < reader.Count(); ++i) all << i;
          UnpackTemplates(&reader, all, folder, TTemplateRule::Fresh);
        });
        continue;
      case dtProgramFiles:
        destination = job.EngineFolder ? job.EngineFolder() : QString();
        if (destination.isEmpty()) {  // an engine is installed: its files stay as they are
          win::LogLine("copy: engine present, " + archive + " not unpacked");
          continue;
        }
        break;
    }
    UnzipArchive(page, archive, destination);
    if (c.DestType == dtDatabaseDat) NoteWrittenByThisRun(job.DataDir);
    if (c.DestType == dtProgram && job.ProgramUnpacked) job.ProgramUnpacked();
  }
  DeleteArchives(job.ProgramDir);
}

bool IsOptionalArchive(const QString& fileName) {
  const QString name = fileName.toUpper();
  return name == "VELAROS.ZIP" || name == "KANVERO.ZIP";
}

QString DatabaseFolder(const QString& dataDir) {
  return win::JoinPath(dataDir, AliasDirs[3]);
}

int ExistingTables(const QString& dataDir) {
  const int files = win::faReadOnly | win::faHidden | win::faSysFile | win::faArchive;
  int tables = 0;
  for (const win::TSearchRec& rec :
       win::FindFiles(win::JoinPath(DatabaseFolder(dataDir), "*.DB"), files))
    if (!(rec.Attr & win::faDirectory)) ++tables;
  return tables;
}

TExistingDatabase AskExistingDatabase(const QString& dataDir, int tables, const QString& aside) {
  const QString folder = DatabaseFolder(dataDir);
  prompt::TPrompt p;
  p.Id = "copy.existing-database";
  p.Caption = "Baza de date exista deja";
  p.Text = QString(
               "In directorul %1 exista deja o baza de date (%2).\r"
               "\r"
               "Pastrez baza de date existenta?\r"
               "\r"
               "Da: tabelele existente raman neschimbate; se scriu doar cele care lipsesc.\r"
               "Nu: directorul %1 este mutat deoparte, intreg, in %3, si se scrie baza de date "
               "noua. Nu se sterge nimic.")
               .arg(folder, tables == 1 ? QString("1 tabela") : QString("%1 tabele").arg(tables),
                    win::JoinPath(dataDir, aside));
  p.Kind = prompt::TKind::Confirmation;
  p.Align = prompt::TAlign::Left;
  p.Buttons = prompt::Buttons({prompt::bYes, prompt::bNo});
  p.Default = prompt::bYes;
  const int answer = prompt::Ask(p);
  win::LogLine(QString("copy: %1 holds %2 tables, answer %3").arg(folder).arg(tables).arg(answer));
  return answer == prompt::aNo ? TExistingDatabase::Replace : TExistingDatabase::Keep;
}

QString AsideName(const QString& dataDir, const QDateTime& now) {
  const QString base = AliasDirs[3] + "." + now.toString("yyyyMMdd-HHmmss");
  QString name = base;
  for (int n = 2; win::FileExists(win::JoinPath(dataDir, name)) ||
                  win::DirectoryExists(win::JoinPath(dataDir, name));
       ++n)
    name = base + "-" + QString::number(n);
  return name;
}

void MoveDatabaseAside(const QString& dataDir, const QString& aside) {
  const win::TDirHandle data = win::OpenUserFolder(dataDir);
  if (!data.valid()) throw win::EInOutError(win::ERROR_PATH_NOT_FOUND, dataDir);
  // The folder is renamed as it is: a link there moves as the link, its target untouched.
  const QString name = win::RealName(data, AliasDirs[3]);
  if (const int err = win::RenameEntry(data, name, aside))
    throw win::Error(QString("Baza de date din %1 nu poate fi mutata deoparte in %2 (eroarea de "
                             "sistem %3); nu s-a scris nimic peste ea.")
                         .arg(win::JoinPath(dataDir, name), win::JoinPath(dataDir, aside))
                         .arg(err),
                     win::ErrorFromErrno(err));
  win::LogLine(QString("copy: the database %1 moved aside to %2")
                   .arg(win::JoinPath(dataDir, name), win::JoinPath(dataDir, aside)));
}

QList<int> MissingEntries(const TZipReader& reader, const QString& dataDir) {
  QList<int> missing;
  for (int i = 0; i < reader.Count(); ++i) {
    QString name = reader.Entries().at(i).FileName;
    name.replace('/', '\\');
    const QString path = win::JoinPath(dataDir, name);
    if (!win::FileExists(path) && !win::DirectoryExists(path)) missing << i;
  }
  return missing;
}
