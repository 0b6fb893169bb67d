#include "media/Templates.h"

#include "media/ZipReader.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/NoFollow.h"
#include "platform/Paths.h"
#include "platform/WinError.h"

namespace {

bool IsTemplateFolder(const QString& name) {
  for (const QString& folder : TemplateFolders)
    if (QString::compare(name, folder, Qt::CaseInsensitive) == 0) return true;
  return false;
}

bool IsPicture(const QString& name) {
  return name.endsWith(".BMP", Qt::CaseInsensitive) || name.endsWith(".PNG", Qt::CaseInsensitive);
}

// What of the old NEW goes into the new one before the archive's entries.
win::TCopyRule Carried(const QString& relative, win::TEntryKind kind, bool readOnly,
                       TTemplateRule rule) {
  const QStringList parts = relative.split('\\');
  const bool cleaned =
      parts.size() == 2 && IsTemplateFolder(parts[0]) && kind != win::TEntryKind::Folder;
  if (!cleaned) return win::TCopyRule::Keep;
  if (kind == win::TEntryKind::Link) return win::TCopyRule::Skip;  // removed as a link
  if (rule == TTemplateRule::Upgrade && IsPicture(parts[1])) return win::TCopyRule::CopyWritable;
  return readOnly ? win::TCopyRule::Keep : win::TCopyRule::Skip;
}

bool BelowNew(const QString& entryName) {
  QString name = entryName;
  name.replace('\\', '/');
  return name.startsWith("NEW/", Qt::CaseInsensitive);
}

}  // namespace

void UnpackTemplates(TZipReader* reader, const QList<int>& indices, const QString& dataDir,
                     TTemplateRule rule) {
  QList<int> below, beside;
  if (reader)
    for (int i : indices) (BelowNew(reader->Entries().at(i).FileName) ? below : beside) << i;
  if (!reader || !below.isEmpty()) {
    if (!win::DirectoryExists(dataDir)) win::ForceDirectories(dataDir);
    const win::TDirHandle data = win::OpenUserFolder(dataDir);
    if (!data.valid()) throw win::EInOutError(win::ERROR_PATH_NOT_FOUND, dataDir);
    const QString newName = win::RealName(data, "NEW");
    const win::TDirHandle old = win::OpenSubfolder(data, newName, win::JoinPath(dataDir, newName));
    if (!reader && !old.valid()) return;  // nothing to clean
    const QString shownStage = win::JoinPath(dataDir, TemplateStaging);
    win::RemoveTree(data, TemplateStaging);
    struct Cleanup {
      const win::TDirHandle& dir;
      ~Cleanup() { win::RemoveTree(dir, TemplateStaging); }
    } cleanup{data};
    const win::TDirHandle stage = win::MakeSubfolder(data, TemplateStaging, shownStage);
    if (old.valid()) {
      const win::TDirHandle copy =
          win::MakeSubfolder(stage, newName, win::JoinPath(shownStage, newName));
      win::CopyTree(old, copy, win::JoinPath(shownStage, newName),
                    [rule](const QString& relative, win::TEntryKind kind, bool readOnly) {
                      return Carried(relative, kind, readOnly, rule);
                    });
    }
    if (reader) reader->UnpackEntries(below, shownStage);
    const QString staged = win::RealName(stage, "NEW");
    if (win::EntryKind(stage, staged) == win::TEntryKind::Folder) {
      if (const int err = win::ExchangeEntries(stage, staged, data, newName))
        throw win::Error(QString("Sabloanele noi nu pot lua locul celor din %1 (eroarea de sistem "
                                 "%2); cele vechi au ramas neschimbate.")
                             .arg(win::JoinPath(dataDir, newName))
                             .arg(err),
                         win::ErrorFromErrno(err));
      win::LogLine("templates: " + win::JoinPath(dataDir, newName) + " replaced whole");
    }
  }
  if (!beside.isEmpty()) reader->UnpackEntries(beside, dataDir);
}
