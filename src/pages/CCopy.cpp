#include "pages/CCopy.h"

#include <QLabel>
#include <exception>

#include "core/Iglobals.h"
#include "engine/aliasint.h"
#include "kit/Actives.h"
#include "kit/Gauges.h"
#include "kit/Mbuttons.h"
#include "media/ZipReader.h"
#include "notes/CInfo.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/WinError.h"

namespace {
// Where the status line and the gauges sit, right of the two page buttons.
constexpr int kLeft = 152, kCaptionWidth = 84, kGaugeLeft = kLeft + kCaptionWidth;
constexpr int kRight = 522;  // the abandon button stands beyond this
}  // namespace

TCopy::TCopy(QWidget* parent) : TWizardPage(2, "Copiere fisiere Zorvan", true, parent) {
  ZipSize = 0;
  ZipProgres = 0;

  LGroupName = new TActiveLabel(this);
  LGroupName->setObjectName("LGroupName");
  // Component and part names are shown as they are: an "&" in them is no accelerator.
  LGroupName->SetShowAccelChar(false);
  LGroupName->SetTransparent(true);
  LGroupName->SetAlignment(taCenter);
  LGroupName->SetFontColor(clRed);
  QFont bold = font();
  bold.setBold(true);
  LGroupName->setFont(bold);
  LGroupName->setGeometry(kLeft, 31, kRight - kLeft, 17);
  LGroupName->SetCaption("Apasa 'Continua' pentru a incepe instalarea.....");

  auto caption = [this](const char* name, const char* text, int top) {
    auto* l = new QLabel(text, this);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    l->setGeometry(kLeft, top, kCaptionWidth, 18);
    return l;
  };
  auto gauge = [this](const char* name, int top) {
    auto* g = new TMGauge(this);
    g->setObjectName(name);
    g->SetMax(100);
    g->SetPosition(0);
    g->setGeometry(kGaugeLeft, top, kRight - kGaugeLeft, 18);
    return g;
  };
  Label1 = caption("Label1", "Copiere:", 56);
  CopyProgress = gauge("CopyProgress", 56);
  Label2 = caption("Label2", "Decompresie:", 82);
  UnzipProgress = gauge("UnzipProgress", 82);

  BBack = PageButton("BBack", mknPrev, "&Inapoi", prBack, 8);
  BNext = PageButton("BNext", mknNext, "&Continua", prNext, 8 + PageButtonWidth + 4);
  BCancel = AbandonButton(PageWidth - 4, PageButtonTop + (PageButtonHeight - 28) / 2);
  BNext->OnClick = [this](QObject*) { BNextClick(); };
  BNext->setFocus();
}

void TCopy::SetButtonsEnabled(bool enabled) {
  BBack->setEnabled(enabled);
  BNext->setEnabled(enabled);
  BCancel->setEnabled(enabled);
}

void TCopy::BNextClick() {
  // BNext has put next on the page already.
  SetButtonsEnabled(false);
  try {
    if (!AssembleArchives(*this, InstallSets[InstallKind])) return;  // the page ends with quit
    CopyArchives();
    ModalResult = prNext;
  } catch (const std::exception& e) {
    win::LogLine(QString("copy: failed at \"%1\": %2")
                     .arg(LGroupName->Caption(), QString::fromUtf8(e.what())));
    ShowException(e);
    // An incomplete copy must not go on to the configuration and the finish page: the page
    // stays, its status line on what failed, and Continue starts the copy again.
    ModalResult = mrNone;
    SetButtonsEnabled(true);
    BNext->setFocus();
  }
}

void TCopy::CopyArchives() {
  // The assembled archives are named without a folder from here on.
  QString folder = win::ExcludeTrailingBackslash(ShownProgramDir);
  // A bare "C:" names the drive's current folder, not its root.
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';
  if (!win::SetCurrentDir(folder)) throw win::EInOutError(win::ERROR_PATH_NOT_FOUND, folder);
  const TCompSet selection = InstallSets[InstallKind];
  for (int row = 0; row < CompCount; ++row) {
    const TCompRecord& c = Components[row];
    if (!InSet(selection, row) || c.FileName.isEmpty()) continue;
    SetGroupName(c.CompName);
    const QString archive = c.FileName + ".ZIP";
    if (!win::FileExists(archive) && IsOptionalArchive(archive)) continue;
    QString destination;
    switch (c.DestType) {
      case dtProgram:
        destination = ProgramDir;
        break;
      case dtDatabaseDat:
        destination = DataDir;
        break;
      case dtDatabaseNew: {
        // The old templates go only once the new ones can be read: a missing or broken archive
        // would otherwise leave the data folder with none.
        const TZipReader probe(archive);
        ClearNewDatabase(DataDir);
        destination = DataDir;
        break;
      }
      case dtProgramFiles:
        destination = ChooseEngineFolder();
        if (destination.isEmpty()) {  // an engine is installed: its files stay as they are
          win::LogLine("copy: engine present, " + archive + " not unpacked");
          continue;
        }
        break;
    }
    UnzipArchive(*this, archive, destination);
    // The notes window looks at what the program folder holds now.
    if (c.DestType == dtProgram) ShowReleaseNotes();
  }
  DeleteArchives(ProgramDir);
}

void TCopy::SetGroupName(const QString& text) {
  LGroupName->SetCaption(text);
  LGroupName->repaint();
}

void TCopy::SetCopyMax(int max) { CopyProgress->SetMax(max); }
void TCopy::SetCopyPosition(int position) { CopyProgress->SetPosition(position); }
void TCopy::SetUnzipMax(int max) { UnzipProgress->SetMax(max); }
void TCopy::SetUnzipPosition(int position) { UnzipProgress->SetPosition(position); }
void TCopy::SetModalResult(int result) { ModalResult = result; }

bool IsOptionalArchive(const QString& fileName) {
  const QString name = fileName.toUpper();
  return name == "VELAROS.ZIP" || name == "KANVERO.ZIP";
}

void ClearNewDatabase(const QString& folder) {
  const QString base = win::IncludeTrailingBackslash(folder);
  DeleteFiles(base + "NEW\\DATA\\", "*.*");
  DeleteFiles(base + "NEW\\FIRMA\\", "*.*");
  DeleteFiles(base + "NEW\\LUNA\\", "*.*");
}

void DeleteFiles(const QString& folder, const QString& mask) {
  const QString base = win::IncludeTrailingBackslash(folder);
  for (const win::TSearchRec& rec : win::FindFiles(base + mask, win::faAnyFile)) {
    if (rec.Name == "." || rec.Name == "..") continue;
    win::DeleteFile(base + rec.Name);  // folders and files in use stay
  }
}
